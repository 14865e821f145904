// The crawl store's schema: made from nothing, kept when already there, and never
// downgraded by an older program.
#include "crawl/crawl_schema.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(CrawlSchema, MigratesOnceAndRefusesANewerStore)
{
    const auto file = std::filesystem::path(testing::TempDir()) / "schema.sqlite";
    std::filesystem::remove(file);
    {
        SQLite::Database database(file.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        seo::migrate(database);
        database.exec(
            "INSERT INTO crawls (start_url, settings, state, started_at) VALUES ('u', '{}', 'running', 't')");
        seo::migrate(database); // again: nothing is made twice, nothing lost
        EXPECT_EQ(database.execAndGet("SELECT count(*) FROM crawls").getInt(), 1);
        EXPECT_EQ(database.execAndGet("SELECT version FROM schema_version").getInt(),
                  seo::kCrawlSchemaVersion);
        database.exec("UPDATE schema_version SET version = version + 1");
    }
    SQLite::Database newer(file.string(), SQLite::OPEN_READWRITE);
    EXPECT_THROW(seo::migrate(newer), std::runtime_error);
}

} // namespace
