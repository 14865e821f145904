#pragma once

#include <chrono>
#include <cstddef>
#include <stop_token>
#include <string>
#include <vector>

namespace seo {

struct FetchLimits
{
    std::chrono::milliseconds connect_timeout{5000};
    std::chrono::milliseconds total_timeout{15000}; // for all redirects together
    std::size_t max_body_bytes = 8 * 1024 * 1024;
    int max_redirects = 5;
    // Refuse to connect to loopback, private and link-local addresses (checked on the
    // address actually connected to, so neither DNS nor redirects get around it).
    bool refuse_internal_targets = false;
};

// One answer on the way to the page: a redirect, or the page itself.
struct FetchHop
{
    std::string url;
    long status = 0;
};

struct FetchResult
{
    std::string failure; // a short Chinese reason; empty when the page was fetched
    std::string failure_detail; // libcurl's own words, when it has any
    std::string body;
    std::string content_type;
    std::vector<FetchHop> hops; // every answer received, the last one the page's
    // The X-Robots-Tag headers of the page's answer, one value each: a crawler named at
    // the start of one applies to that header only.
    std::vector<std::string> robots_headers;
    std::chrono::milliseconds elapsed{0};

    bool ok() const { return failure.empty(); }
};

// One GET of a target page, following redirects. Only 2xx answers count as fetched.
// A stop request ends the transfer at once, as a failure.
FetchResult fetch_page(const std::string &url, const FetchLimits &limits, const std::stop_token &stop = {});

} // namespace seo
