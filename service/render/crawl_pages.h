#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>

namespace seo {

// The site crawls kept in the store, for a browser; every text from a crawled page is
// escaped. They are read from the same JSON the API answers with.
namespace crawl_routes {
inline constexpr std::string_view kCrawlsPath = "/crawls";
inline constexpr std::string_view kCrawlPath = "/crawl";
inline constexpr std::string_view kCrawlsApiPath = "/api/crawls";
inline constexpr std::string_view kCrawlApiPath = "/api/crawl";
inline constexpr std::string_view kCompareApiPath = "/api/crawl/compare";
} // namespace crawl_routes

// Pages of a crawl shown in its table at most; the JSON holds them all.
constexpr std::size_t kCrawlPagesShown = 1000;

// The list of crawls (crawls_json()), with how to start one.
std::string crawls_page(const nlohmann::ordered_json &crawls);
// One crawl (crawl_json()): its counts, the limits it reached, its site-wide findings with
// their pages, and its pages.
std::string crawl_page(const nlohmann::ordered_json &crawl);

} // namespace seo
