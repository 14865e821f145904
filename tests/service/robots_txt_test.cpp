// robots.txt read as RFC 9309 has the search engines read it.
#include "fetch/robots_txt.h"

#include <gtest/gtest.h>

namespace {

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
    const struct
    {
        const char *agent;
        const char *path;
        bool allowed;
        const char *rule;
    } cases[] = {
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
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.agent) + " " + c.path);
        const seo::RobotsTxt::Decision decision = robots.decide(c.agent, c.path);
        EXPECT_EQ(decision.allowed, c.allowed);
        EXPECT_EQ(decision.rule, c.rule);
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
    const struct
    {
        const char *path;
        bool allowed;
    } cases[] = {
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
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(robots.decide("Googlebot", c.path).allowed, c.allowed);
    }
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

} // namespace
