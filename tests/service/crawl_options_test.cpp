#include "crawl/crawl_options.h"

#include <gtest/gtest.h>

namespace {

TEST(CrawlOptions, TakesLimitsForANewCrawlOnly)
{
    const auto parsed = seo::parse_crawl_options({"example.com", "--max-pages", "20", "--depth", "0",
                                                  "--max-mib", "3", "--subdomains", "--data", "/d"});
    ASSERT_TRUE(std::holds_alternative<seo::CrawlOptions>(parsed));
    const seo::CrawlOptions &options = std::get<seo::CrawlOptions>(parsed);
    EXPECT_EQ(options.settings.start_url, "example.com");
    EXPECT_EQ(options.settings.max_pages, 20u);
    EXPECT_EQ(options.settings.max_depth, 0);
    EXPECT_EQ(options.settings.max_bytes, 3u << 20);
    EXPECT_TRUE(options.settings.subdomains);
    EXPECT_EQ(options.data, "/d");

    const std::vector<std::vector<std::string>> refused = {
        {},
        {"a.com", "b.com"},
        {"a.com", "--resume", "1"},
        {"--resume", "1", "--max-pages", "9"}, // a resumed crawl keeps its limits
        {"--resume", "0"},
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
