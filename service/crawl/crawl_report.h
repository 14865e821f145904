#pragma once

#include "store/sql_database.h"

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace seo {

// What a crawl found, read back from the store for its faces: the command line's summary
// and files, and the JSON answer.

// Addresses each limit kept out of the crawl ("pages", "depth", ...), most first.
std::vector<std::pair<std::string, std::size_t>> limits_reached(sql::Database &database, std::int64_t crawl);

// The crawl, its pages (with their links when asked), and the site-wide findings.
nlohmann::ordered_json crawl_json(sql::Database &database, std::int64_t crawl, bool with_links = true);

// Pages deeper than this share the last row of the summary's "depths".
inline constexpr int kDeepestRow = 10;
// Items of each finding in the summary.
inline constexpr std::size_t kSummaryItems = 10;

// The crawl without its pages and links, for its page and its progress: its counts, the
// limits it reached and the pages by depth and how they answered; once it is not running,
// the site's sections, the findings with their first kSummaryItems items, and the keywords
// too. A finished crawl's is the one kept_report() kept, when there is one.
nlohmann::ordered_json crawl_summary_json(sql::Database &database, std::int64_t crawl);
// Keeps the summary of a crawl that has finished with it, so that showing it reads one
// row; the store's statistics are brought up to date for the queries of its lists.
void keep_report(sql::Database &database, std::int64_t crawl);

// A slice of a crawl's addresses, or of one finding's items, in an order a reader chose.
struct PageSlice
{
    std::string finding; // empty: every address the crawl knows
    std::string sort; // a column of kSortablePageColumns or "detail"; empty: the list's own order
    bool descending = false;
    std::size_t offset = 0;
    std::size_t limit = 100;
};
// The columns addresses can be sorted by.
inline constexpr std::string_view kSortablePageColumns[] = {"url",        "status", "depth",       "title",
                                                            "text_words", "score",  "response_ms", "bytes"};

// {total, offset, items}: addresses with their columns, or a finding's {url, detail} (with
// `finding` as in the summary); nullopt for a finding that is not known or a column that
// cannot be sorted by.
std::optional<nlohmann::ordered_json> crawl_pages_json(sql::Database &database, std::int64_t crawl,
                                                       const PageSlice &slice);
// {total, offset, items}: links with their pages, in the order they were found.
nlohmann::ordered_json crawl_links_json(sql::Database &database, std::int64_t crawl, std::size_t offset,
                                        std::size_t limit);

// Every crawl kept, the newest first, with its counts of pages.
nlohmann::ordered_json crawls_json(sql::Database &database);

// pages.csv, links.csv and findings.csv in `folder` (made if missing), UTF-8 with a byte
// order mark so that spreadsheet programs take the Chinese as it is.
void write_crawl_csv(sql::Database &database, std::int64_t crawl, const std::filesystem::path &folder);

} // namespace seo
