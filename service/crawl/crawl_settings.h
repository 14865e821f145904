#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace seo {

// What one crawl may do; kept with the crawl, so that a resumed crawl keeps its limits.
struct CrawlSettings
{
    std::string start_url;
    std::size_t max_pages = 500; // the site's own pages, queued or done; as many link checks again
    int max_depth = 10; // clicks from the start address
    std::size_t max_url_bytes = 2048; // longer addresses are mostly generated (session ids, traps)
    // Distinct query strings on one path: calendars and faceted lists have no end of them.
    std::size_t max_queries_per_path = 50;
    std::uint64_t max_bytes = 1ull << 30; // page bodies in all
    int per_host = 2; // requests in flight to one host
    int in_flight = 8; // requests in flight in all
    bool subdomains = false; // pages on subdomains of the start host are the site's too
    // Links to other sites are checked by their status; without, they are only listed
    // (an intranet crawl, or one that must not reach past the site).
    bool check_external = true;
};

std::string settings_json(const CrawlSettings &settings);
// The settings a crawl was started with, or why they cannot be read.
std::variant<CrawlSettings, std::string> settings_from_json(const std::string &json);

} // namespace seo
