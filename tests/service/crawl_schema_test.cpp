// The crawl store's schema, on an SQLite file and on a PostgreSQL server: made from
// nothing, kept when already there, made once by processes that start together, and never
// downgraded by an older program.
#include "crawl/crawl_schema.h"

#include "service/scratch_postgres.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

namespace {

class CrawlSchema : public testing::TestWithParam<seo::sql::Engine>
{
protected:
    static std::string fresh_store()
    {
        if (GetParam() == seo::sql::Engine::postgresql)
            return ScratchPostgres::shared().fresh_database("schema");
        const auto file = std::filesystem::path(testing::TempDir()) / "schema.sqlite";
        std::filesystem::remove(file);
        return file.string();
    }
};

TEST_P(CrawlSchema, MigratesOnceAndRefusesANewerStore)
{
    const std::string location = fresh_store();
    {
        std::vector<std::jthread> starting;
        for (int i = 0; i < 3; ++i)
            starting.emplace_back([&] { seo::migrate(*seo::sql::open_database(location)); });
    }
    const auto database = seo::sql::open_database(location);
    database->execute_script(
        "INSERT INTO crawls (start_url, settings, state, started_at) VALUES ('u', '{}', 'running', 't')");
    seo::migrate(*database); // again: nothing is made twice, nothing lost
    EXPECT_EQ(seo::sql::integer_of(*database, "SELECT count(*) FROM crawls"), 1);
    EXPECT_EQ(seo::sql::integer_of(*database, "SELECT count(*) FROM schema_version"), 1);
    EXPECT_EQ(seo::sql::integer_of(*database, "SELECT version FROM schema_version"),
              seo::kCrawlSchemaVersion);
    // Numbers past 32 bits fit where figures go (a page's simhash is 64).
    database->execute_script("UPDATE crawls SET id = 9007199254740993");
    EXPECT_EQ(seo::sql::integer_of(*database, "SELECT id FROM crawls"), 9007199254740993);
    database->execute_script("UPDATE schema_version SET version = version + 1");
    EXPECT_THROW(seo::migrate(*seo::sql::open_database(location)), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(Engines, CrawlSchema,
                         testing::Values(seo::sql::Engine::sqlite, seo::sql::Engine::postgresql),
                         [](const auto &engine) {
                             return engine.param == seo::sql::Engine::sqlite ? "sqlite" : "postgresql";
                         });

} // namespace
