#include "site/options.h"

#include <gtest/gtest.h>

namespace {

TEST(Options, DefaultsAndEveryOption)
{
    const auto defaults = std::get<seo::Options>(seo::parse_options({}));
    EXPECT_EQ(defaults.listen, "127.0.0.1");
    EXPECT_EQ(defaults.port, 8080);
    EXPECT_EQ(defaults.newest_version, "9.1");
    EXPECT_FALSE(defaults.refuse_internal_targets());

    const auto all = std::get<seo::Options>(seo::parse_options(
        {"--listen", "0.0.0.0", "--port", "0", "--newest-version", "9.2", "--allow-private-targets"}));
    EXPECT_EQ(all.listen, "0.0.0.0");
    EXPECT_EQ(all.port, 0);
    EXPECT_EQ(all.newest_version, "9.2");
    EXPECT_FALSE(all.refuse_internal_targets());
    // listening beyond loopback refuses internal targets unless allowed
    const auto public_only = std::get<seo::Options>(seo::parse_options({"--listen", "0.0.0.0"}));
    EXPECT_TRUE(public_only.refuse_internal_targets());
}

TEST(Options, ReportsBadArguments)
{
    const std::vector<std::vector<std::string>> cases = {{"--port"},          {"--port", "http"},
                                                         {"--port", "70000"}, {"--port", "-1"},
                                                         {"--listen", ""},    {"--verbose"}};
    for (const auto &arguments : cases) {
        const auto parsed = seo::parse_options(arguments);
        EXPECT_TRUE(std::holds_alternative<seo::OptionsError>(parsed)) << arguments.back();
    }
}

} // namespace
