#pragma once

#include "store/sql_database.h"

namespace seo {

inline constexpr int kCrawlSchemaVersion = 3;

// Brings the store's tables to kCrawlSchemaVersion, one step at a time, each in a
// transaction; several processes may do so at once. A store written by a newer program
// throws std::runtime_error rather than being changed.
void migrate(sql::Database &database);

} // namespace seo
