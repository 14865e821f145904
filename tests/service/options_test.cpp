#include "site/options.h"

#include <gtest/gtest.h>

namespace {

TEST(Options, Defaults)
{
    const auto parsed = seo::parse_options({});
    const auto& options = std::get<seo::Options>(parsed);
    EXPECT_EQ(options.listen, "127.0.0.1");
    EXPECT_EQ(options.port, 8080);
    EXPECT_EQ(options.newest_version, "9.1");
    EXPECT_FALSE(options.refuse_internal_targets());
}

TEST(Options, ReadsEveryOption)
{
    const auto parsed = seo::parse_options(
        {"--listen", "0.0.0.0", "--port", "0", "--newest-version", "9.2", "--allow-private-targets"});
    const auto& options = std::get<seo::Options>(parsed);
    EXPECT_EQ(options.listen, "0.0.0.0");
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.newest_version, "9.2");
    EXPECT_FALSE(options.refuse_internal_targets());
}

TEST(Options, ListeningBeyondLoopbackRefusesInternalTargets)
{
    const auto parsed = seo::parse_options({"--listen", "0.0.0.0"});
    EXPECT_TRUE(std::get<seo::Options>(parsed).refuse_internal_targets());
}

class BadOptions : public testing::TestWithParam<std::vector<std::string>>
{
};

TEST_P(BadOptions, AreReported)
{
    EXPECT_TRUE(std::holds_alternative<seo::OptionsError>(seo::parse_options(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BadOptions,
    testing::Values(std::vector<std::string>{"--port"}, std::vector<std::string>{"--port", "http"},
                    std::vector<std::string>{"--port", "70000"},
                    std::vector<std::string>{"--port", "-1"},
                    std::vector<std::string>{"--listen", ""}, std::vector<std::string>{"--verbose"}));

}  // namespace
