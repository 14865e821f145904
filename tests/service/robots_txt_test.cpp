// robots.txt read as RFC 9309 has the search engines read it.
#include "fetch/robots_txt.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(RobotsTxt, DecidesAsSearchEnginesDo)
{
    const char *const file = "# comment\n"
                             "Disallow: /before-any-group\n"
                             "User-agent: BaiduSpider\n"
                             "User-agent: sogou spider\n"
                             "Disallow: /private/\n"
                             "Allow: /private/open\n"
                             "Disallow: /*.pdf$\n"
                             "\n"
                             "User-agent: *\r\n"
                             "Disallow: /tmp   # trailing comment\r\n"
                             "Disallow:\r\n"
                             "Allow: /page\n"
                             "Disallow: /pag\n"
                             "User-agent: baiduspider\n"
                             "Disallow: /more-for-baidu\n";
    const seo::RobotsTxt robots(file);
    // A crawler and a path; whether it may fetch it, and by which rule.
    const std::tuple<const char *, const char *, bool, const char *> cases[] = {
        {"Baiduspider", "/private/x", false, "Disallow: /private/"},
        {"Baiduspider", "/private/open/x", true, "Allow: /private/open"}, // the longer rule wins
        {"Baiduspider", "/more-for-baidu", false, "Disallow: /more-for-baidu"}, // its groups merged
        {"Baiduspider", "/tmp", true, ""}, // a named crawler ignores the * group
        {"Baiduspider", "/a/b.pdf", false, "Disallow: /*.pdf$"},
        {"Baiduspider", "/a/b.pdf?x=1", true, ""}, // $ anchors the end
        {"Baiduspider", "/robots.txt", true, ""},
        {"Googlebot", "/tmp/x", false, "Disallow: /tmp"},
        {"Googlebot", "/private/x", true, ""},
        {"Googlebot", "/page", true, "Allow: /page"}, // longer than /pag
        {"Googlebot", "/pag", false, "Disallow: /pag"},
        {"Googlebot", "/before-any-group", true, ""}, // rules outside a group count for none
        {"*", "/tmpfile", false, "Disallow: /tmp"},
    };
    for (const auto &[agent, path, allowed, rule] : cases) {
        SCOPED_TRACE(std::string(agent) + " " + path);
        const seo::RobotsTxt::Decision decision = robots.decide(agent, path);
        EXPECT_EQ(decision.allowed, allowed);
        EXPECT_EQ(decision.rule, rule);
    }
}

TEST(RobotsTxt, TiesGoToAllowAndWildcardsMatchAnyRun)
{
    const seo::RobotsTxt robots("User-agent: *\nDisallow: /a*c\nAllow: /a*c\nDisallow: /x*y*z\n");
    EXPECT_TRUE(robots.decide("*", "/abc").allowed);
    EXPECT_FALSE(robots.decide("*", "/x--y--y--z").allowed);
    EXPECT_TRUE(robots.decide("*", "/x--y--y").allowed);
    // A pattern made to backtrack still gives its answer.
    const seo::RobotsTxt hostile("User-agent: *\nDisallow: /" + std::string(2000, '*')
                                 + "a*a*a*a*a*a*a*a*b\n");
    EXPECT_TRUE(hostile.decide("*", "/" + std::string(4000, 'a')).allowed);
}

TEST(RobotsTxt, ComparesPathsPercentEncodedOneWay)
{
    const seo::RobotsTxt robots("User-agent: Googlebot/2.1 (+http://www.google.com/bot.html)\n"
                                "Disallow: /中文/\n"
                                "Disallow: /%e6%96%87%E6%A1%A3/\n"
                                "Disallow: /%7Euser/\n"
                                "Disallow: /a%2Fb\n"
                                "Disallow: /价格*$\n");
    // A path, and whether Googlebot may fetch it.
    const std::pair<const char *, bool> cases[] = {
        {"/%E4%B8%AD%E6%96%87/page.html", false}, // as the page's address spells it
        {"/%e4%b8%ad%e6%96%87/page.html", false}, // escapes in lower case
        {"/中文/page.html", false},
        {"/文档/x", false}, // the rule's escapes in either case
        {"/%E6%96%87%E6%A1%A3/x", false},
        {"/~user/x", false}, // an escaped unreserved character is that character
        {"/a/b", true}, // an escaped slash is no slash
        {"/a%2fb", false},
        {"/%E4%BB%B7%E6%A0%BC/x", false},
        {"/英文/", true},
    };
    for (const auto &[path, allowed] : cases)
        EXPECT_EQ(robots.decide("Googlebot", path).allowed, allowed) << path;
    EXPECT_TRUE(robots.decide("Baiduspider", "/中文/").allowed);
}

// Matching is linear, and one decision looks at a bounded number of bytes: a file made of
// rules that make a backtracking matcher quadratic is either judged or given up quickly.
TEST(RobotsTxt, HostileFilesAreJudgedOrGivenUp)
{
    std::string rules = "User-agent: *\n";
    while (rules.size() < 500 * 1024)
        rules += "Disallow: /*" + std::string(40, 'a') + "b\n";
    const seo::RobotsTxt robots(rules);
    const seo::RobotsTxt::Decision short_path = robots.decide("*", "/" + std::string(100, 'a'));
    EXPECT_TRUE(short_path.judged);
    EXPECT_TRUE(short_path.allowed);
    const seo::RobotsTxt::Decision long_path = robots.decide("*", "/" + std::string(90'000, 'a'));
    EXPECT_FALSE(long_path.judged);
}

// Sitemap lines belong to no group: they count wherever they stand.
TEST(RobotsTxt, ListsTheSitemapsOnce)
{
    const seo::RobotsTxt robots(
        "Sitemap: https://a.cn/1.xml\nUser-agent: *\n\tsitemap:\thttps://a.cn/2.xml  \r\n"
        "SITEMAP: https://a.cn/1.xml\nSitemap:\nDisallow: /\nSitemap: https://a.cn/3.xml # c\n");
    EXPECT_EQ(robots.sitemaps(),
              (std::vector<std::string>{"https://a.cn/1.xml", "https://a.cn/2.xml", "https://a.cn/3.xml"}));
    std::string many;
    for (std::size_t i = 0; i <= seo::RobotsTxt::kMaxSitemaps; ++i)
        many += "Sitemap: https://a.cn/" + std::to_string(i) + ".xml\n";
    EXPECT_EQ(seo::RobotsTxt(many).sitemaps().size(), seo::RobotsTxt::kMaxSitemaps);
}

// A rule ends each group here: other lines end no run of user-agent lines (RFC 9309).
TEST(RobotsTxt, TakesTheCrawlDelayOfTheGroupThatDecides)
{
    std::string file = "User-agent: first\nCrawl-delay: 3\nUser-agent: second\nDisallow: /x\n";
    for (const std::string &group :
         std::vector<std::string>{"*\nCrawl-delay: 7", "whole\nCrawl-delay: 10", "half\nCrawl-delay: 0.5",
                                  "words\nCrawl-delay: ten\nCrawl-delay: 2", "hour\nCrawl-delay: 3600",
                                  "junk\nCrawl-delay: -1\nCrawl-delay: 1e3\nCrawl-delay: inf\nCrawl-delay: 1"
                                      + std::string(400, '0'),
                                  "none", "whole\nCrawl-delay: 20", "twice\nCrawl-delay: 4\nCrawl-delay: 9"})
        file += "User-agent: " + group + "\nDisallow: /x\n";
    const seo::RobotsTxt robots(file);
    const std::pair<const char *, std::optional<std::chrono::milliseconds>> cases[] = {
        {"Googlebot", 7s}, // the * group's
        {"Whole/2.1", 10s}, // of its groups, the first one's
        {"half", 500ms},
        {"words", 2s}, // the first that is a number
        {"hour", seo::RobotsTxt::kMaxCrawlDelay},
        {"junk", std::nullopt}, // negative, an exponent, endless, past what a double holds
        {"none", std::nullopt}, // its own group has none; the * group is not its
        {"second", 3s}, // in one group with first
        {"twice", 4s}, // of one group's, the first
    };
    for (const auto &[agent, delay] : cases)
        EXPECT_EQ(robots.crawl_delay(agent), delay) << agent;
}

// Lines crawlers skip are reported by number; what is valid around them still applies.
TEST(RobotsTxt, ReportsTheLinesCrawlersSkip)
{
    using Kind = seo::RobotsTxt::SyntaxError::Kind;
    const seo::RobotsTxt robots("\xEF\xBB\xBF"
                                "Allow: /early\r\n" // 1: a BOM hides nothing
                                "User-agent: *\r\n" // 2
                                "Disalow: /private/\r\n" // 3
                                "Disallow: secret/\r\n" // 4
                                "\r\n" // 5
                                "   \t\n" // 6
                                "# Disallow nothing\n" // 7
                                "Disallow: /tmp/\n" // 8
                                "just words\n" // 9
                                "Disallow: /a$b\n" // 10
                                "Crawl-delay: ten\n" // 11
                                "Sitemap: /sitemap.xml\n" // 12
                                "Host: example.cn\n" // 13: Yandex's
                                "Clean-param: ref /\n" // 14
                                "User-agent:\n" // 15
                                "Sitemap: HTTPS://example.cn/s.xml\n" // 16
                                "Allow: *.html$\n"); // 17
    const std::vector<std::pair<std::size_t, Kind>> expected = {
        {1, Kind::rule_before_agent},     {3, Kind::unknown_directive}, {4, Kind::path_not_rooted},
        {9, Kind::not_a_field},           {10, Kind::dollar_not_last},  {11, Kind::delay_not_seconds},
        {12, Kind::sitemap_not_absolute}, {15, Kind::no_agent_named},
    };
    std::vector<std::pair<std::size_t, Kind>> found;
    for (const seo::RobotsTxt::SyntaxError &error : robots.syntax_errors())
        found.emplace_back(error.line, error.kind);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(robots.syntax_error_count(), expected.size());
    EXPECT_EQ(robots.syntax_errors().front().text, "Allow: /early");
    EXPECT_FALSE(robots.decide("*", "/tmp/x").allowed);
    EXPECT_TRUE(robots.decide("*", "/private/x").allowed);
    EXPECT_EQ(robots.sitemaps(), std::vector<std::string>{"HTTPS://example.cn/s.xml"});

    // A file in another encoding is still quoted in UTF-8.
    EXPECT_EQ(seo::RobotsTxt("Disalow: /\xd6\xd0\xce\xc4/\n").syntax_errors().at(0).text,
              "Disalow: /\uFFFD\uFFFD\uFFFD\uFFFD/");

    // A file of nothing but errors keeps a bounded list, and its lines are cut to be shown.
    std::string junk;
    for (std::size_t i = 0; i <= seo::RobotsTxt::kMaxSyntaxErrors; ++i)
        junk += "中" + std::string(seo::RobotsTxt::kMaxShownLineBytes, 'x') + "\n";
    const seo::RobotsTxt hostile(junk);
    EXPECT_EQ(hostile.syntax_errors().size(), seo::RobotsTxt::kMaxSyntaxErrors);
    EXPECT_EQ(hostile.syntax_error_count(), seo::RobotsTxt::kMaxSyntaxErrors + 1);
    EXPECT_EQ(hostile.syntax_errors().back().line, seo::RobotsTxt::kMaxSyntaxErrors);
    EXPECT_EQ(hostile.syntax_errors().back().text,
              "中" + std::string(seo::RobotsTxt::kMaxShownLineBytes - 3, 'x') + "…");
}

} // namespace
