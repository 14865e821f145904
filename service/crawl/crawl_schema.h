#pragma once

#include <SQLiteCpp/Database.h>

namespace seo {

// The crawl store's schema, version by version: migrate() brings a database of any
// earlier version (or an empty one) to the newest, each step in its own transaction.
constexpr int kCrawlSchemaVersion = 2;

void migrate(SQLite::Database &database);

} // namespace seo
