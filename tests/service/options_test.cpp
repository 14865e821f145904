#include "http/options.h"

#include <gtest/gtest.h>

namespace {

seo::Options parsed(const std::vector<std::string> &arguments)
{
    return std::get<seo::Options>(seo::parse_options(arguments));
}

TEST(Options, RefuseInternalTargetsOnceReachableFromOtherMachines)
{
    EXPECT_FALSE(parsed({}).refuse_internal_targets());
    EXPECT_FALSE(
        parsed({"--listen", "::1", "--port", "0", "--cache-seconds", "5"}).refuse_internal_targets());
    EXPECT_TRUE(parsed({"--listen", "0.0.0.0"}).refuse_internal_targets());
    EXPECT_FALSE(parsed({"--listen", "0.0.0.0", "--allow-private-targets"}).refuse_internal_targets());
    // On loopback behind a proxy that serves it to others.
    EXPECT_TRUE(parsed({"--server-name", "seo.example.com"}).refuse_internal_targets());
}

TEST(Options, TakeEveryServerName)
{
    EXPECT_EQ(parsed({"--server-name", "seo.example.com", "--port", "80", "--server-name", "Seo.Example.ORG"})
                  .server_names,
              (std::vector<std::string>{"seo.example.com", "Seo.Example.ORG"}));
}

TEST(Options, ReportsBadArguments)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--port"},       {"--port", "http"}, {"--port", "70000"},       {"--port", "-1"},
        {"--listen", ""}, {"--verbose"},      {"--cache-seconds", "-5"}, {"--server-name"},
    };
    for (const auto &arguments : cases)
        EXPECT_TRUE(std::holds_alternative<seo::OptionsError>(seo::parse_options(arguments)))
            << arguments.back();
}

} // namespace
