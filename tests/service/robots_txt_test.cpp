// robots.txt read as RFC 9309 has the search engines read it.
#include "site/robots_txt.h"

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
        EXPECT_EQ(robots.allows(c.agent, c.path), c.allowed);
        EXPECT_EQ(robots.deciding_rule(c.agent, c.path), c.rule);
    }
}

TEST(RobotsTxt, TiesGoToAllowAndWildcardsMatchAnyRun)
{
    const seo::RobotsTxt robots("User-agent: *\nDisallow: /a*c\nAllow: /a*c\nDisallow: /x*y*z\n");
    EXPECT_TRUE(robots.allows("*", "/abc"));
    EXPECT_FALSE(robots.allows("*", "/x--y--y--z"));
    EXPECT_TRUE(robots.allows("*", "/x--y--y"));
    // A pattern made to backtrack still gives its answer.
    const seo::RobotsTxt hostile("User-agent: *\nDisallow: /" + std::string(2000, '*')
                                 + "a*a*a*a*a*a*a*a*b\n");
    EXPECT_TRUE(hostile.allows("*", "/" + std::string(4000, 'a')));
}

} // namespace
