#pragma once

#include "site/fetcher.h"
#include "site/robots_txt.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace seo {

// What a site's robots.txt says, or why nothing can be read from it.
struct RobotsFile
{
    enum class State {
        found, // read: its rules apply
        absent, // answered 4xx: search engines take everything as allowed
        unreadable, // not fetched, 5xx, or too large: search engines may stop crawling the site
    };
    std::string url;
    State state = State::absent;
    std::string reason; // why it is unreadable
    std::optional<RobotsTxt> rules;
};

// The robots.txt files of the sites whose pages are analysed, fetched once per site
// while they are kept (requests for one being fetched wait for that fetch), with the
// limits and address guard of the page fetches but a smaller size limit, as search
// engines read no more than about 500 KiB either.
class RobotsFiles
{
public:
    using File = std::shared_ptr<const RobotsFile>;
    using Fetch = std::function<FetchResult(const std::string &url)>;

    static constexpr std::size_t kMaxBytes = 500 * 1024;

    RobotsFiles(Fetch fetch, std::chrono::milliseconds time_to_live, std::size_t max_sites = 256);

    // The file of the site `page_url` is on; nothing for an address without a site.
    File for_page(const std::string &page_url);

private:
    using Clock = std::chrono::steady_clock;
    struct Entry
    {
        std::shared_future<File> file;
        Clock::time_point fetched_at;
    };

    static RobotsFile read(const std::string &url, const FetchResult &fetched);

    Fetch fetch_;
    std::chrono::milliseconds time_to_live_;
    std::size_t max_sites_;
    std::mutex mutex_;
    std::map<std::string, Entry> by_origin_;
};

} // namespace seo
