#pragma once

#include <SQLiteCpp/Database.h>
#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace seo {

// What a crawl found, read back from the store for its faces: the command line's summary
// and files, and the JSON answer.

// Addresses each limit kept out of the crawl ("pages", "depth", ...), most first.
std::vector<std::pair<std::string, std::size_t>> limits_reached(SQLite::Database &database,
                                                                std::int64_t crawl);

// The crawl, its pages (with their links when asked), and the site-wide findings.
nlohmann::ordered_json crawl_json(SQLite::Database &database, std::int64_t crawl, bool with_links = true);

// Every crawl kept, the newest first, with its counts of pages.
nlohmann::ordered_json crawls_json(SQLite::Database &database);

// pages.csv, links.csv and findings.csv in `folder` (made if missing), UTF-8 with a byte
// order mark so that spreadsheet programs take the Chinese as it is.
void write_crawl_csv(SQLite::Database &database, std::int64_t crawl, const std::filesystem::path &folder);

} // namespace seo
