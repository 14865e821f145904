#pragma once

#include "store/sql_database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace seo {

// What changed on a site between two crawls of it: pages new and gone, a status, title,
// description or first H1 that changed, links broken since, pages newly duplicated.
struct CrawlChange
{
    std::string kind; // "new", "gone", "status", "title", "description", "h1", "broken_link", "duplicate"
    std::string url;
    std::string before, after; // what it was and is; for a broken link, the linking page is `url`
};

std::vector<CrawlChange> compare_crawls(sql::Database &database, std::int64_t before, std::int64_t after);

} // namespace seo
