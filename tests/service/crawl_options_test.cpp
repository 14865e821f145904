#include "crawl/crawl_options.h"

#include <gtest/gtest.h>

namespace {

TEST(CrawlOptions, TakesLimitsForANewCrawlOnly)
{
    const auto parsed =
        seo::parse_crawl_options({"example.com", "--max-pages", "20", "--depth", "0", "--max-mib", "3",
                                  "--subdomains", "--no-external", "--data", "/d"});
    ASSERT_TRUE(std::holds_alternative<seo::CrawlOptions>(parsed));
    const seo::CrawlOptions &options = std::get<seo::CrawlOptions>(parsed);
    EXPECT_EQ(options.data, "/d");
    // As the crawl keeps them, and a resumed crawl reads them back.
    const std::string kept = seo::settings_json(options.settings);
    EXPECT_EQ(
        kept,
        R"({"check_external":false,"in_flight":8,"max_bytes":3145728,"max_depth":0,"max_pages":20,"max_queries_per_path":50,)"
        R"("max_url_bytes":2048,"per_host":2,"start_url":"example.com","subdomains":true})");
    EXPECT_EQ(seo::settings_json(std::get<seo::CrawlSettings>(seo::settings_from_json(kept))), kept);

    const std::vector<std::vector<std::string>> refused = {
        {},
        {"a.com", "b.com"},
        {"a.com", "--resume", "1"},
        {"--resume", "1", "--max-pages", "9"}, // a resumed crawl keeps its limits
        {"--resume", "0"},
        {"--join", "2", "--per-host", "4"}, // a joined crawl too
        {"--resume", "1", "--join", "1"},
        {"a.com", "--max-pages", "0"},
        {"a.com", "--per-host", "17"},
        {"a.com", "--depth"},
        {"a.com", "--verbose"},
    };
    for (const auto &arguments : refused)
        EXPECT_TRUE(std::holds_alternative<std::string>(seo::parse_crawl_options(arguments)))
            << testing::PrintToString(arguments);
}

} // namespace
