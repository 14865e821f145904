#pragma once

#include "fetch/url.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// The crawler's product token, the name robots.txt files give it; its User-Agent is made
// from it.
inline constexpr std::string_view kCrawlerToken = "VeltroSpider";

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
    // What kind of failure, for those who act on it: the spider view names a failed
    // connection with the site's own words, a busy service answers 503.
    enum class Failure {
        none,
        connection, // no connection could be made or kept (name, refusal, reset)
        refused, // the address guard refused where it leads
        timed_out,
        too_large,
        answer, // an answer, but not a page: an error status, a redirect too many, not HTTP
        busy, // no memory for the body within the service's patience
        stopping, // the service is stopping
    };
    Failure kind = Failure::none;
    std::string failure; // a short Chinese reason; empty when the page was fetched
    std::string failure_detail; // libcurl's own words, when it has any
    std::string body;
    std::string content_type;
    std::vector<FetchHop> hops; // every answer received, the last one the page's
    // The X-Robots-Tag headers of the page's answer, one value each: a crawler named at
    // the start of one applies to that header only.
    std::vector<std::string> robots_headers;
    std::chrono::milliseconds elapsed{0};
    // How long the server asked to be left alone (Retry-After of a 429 or 503), if it did.
    std::chrono::seconds retry_after{0};

    bool ok() const { return failure.empty(); }
};

// Asked before the body held grows past what was granted: `needed` bytes in all, of a body
// the server said is `announced` bytes long (0 when it did not say). The bytes granted in
// all; fewer than `needed` ends the fetch as Failure::busy.
using BodyMemory = std::function<std::size_t(std::size_t needed, std::size_t announced)>;

// One GET of a target page, following redirects. Only 2xx answers count as fetched.
// A stop request ends the transfer at once, as a failure. Without `memory`, the body
// may take up to the size limit.
FetchResult fetch_page(const Url &url, const FetchLimits &limits, const std::stop_token &stop = {},
                       const BodyMemory &memory = {});

// The status of an address, as for a link: a HEAD, followed through redirects and failing
// as fetch_page() does. Servers that refuse HEAD (405, 501) or answer it wrongly are asked
// with a GET whose body is not kept, so the size limit does not apply to it; the time
// limit is for both requests together.
FetchResult check_status(const Url &url, const FetchLimits &limits, const std::stop_token &stop = {});

} // namespace seo
