#pragma once

#include "crawl/crawl_report.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>

namespace seo {

// The site crawls kept in the store, for a browser; every text from a crawled page is
// escaped. They are read from the same JSON the API answers with.
namespace crawl_routes {
inline constexpr std::string_view kCrawlsPath = "/crawls";
inline constexpr std::string_view kCrawlPath = "/crawl";
inline constexpr std::string_view kCrawlListPath = "/crawl/pages";
inline constexpr std::string_view kCrawlsApiPath = "/api/crawls";
inline constexpr std::string_view kCrawlApiPath = "/api/crawl";
inline constexpr std::string_view kCrawlListApiPath = "/api/crawl/pages";
inline constexpr std::string_view kLinksApiPath = "/api/crawl/links";
inline constexpr std::string_view kCompareApiPath = "/api/crawl/compare";
} // namespace crawl_routes

// Rows of a list shown on one page.
constexpr std::size_t kListPageRows = 100;

// The form that starts a crawl of a whole site; the service answers it with the crawl's page.
std::string crawl_form();

// The list of crawls (crawls_json()), with how to start one.
std::string crawls_page(const nlohmann::ordered_json &crawls);
// One crawl (crawl_summary_json()): its counts, the limits it reached, pictures of its depth
// and structure, its site-wide findings with their first pages, and its keywords.
std::string crawl_page(const nlohmann::ordered_json &crawl);
// A page of one of a crawl's lists (crawl_pages_json()): its addresses or one finding's
// items, in the order `slice` asks for, each column heading a link that sorts by it.
std::string crawl_list_page(const nlohmann::ordered_json &crawl, const nlohmann::ordered_json &list,
                            const PageSlice &slice);

} // namespace seo
