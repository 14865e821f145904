#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace seo {

// A robots.txt file as the search engines read it (RFC 9309): groups of rules, each for
// the crawlers named in the user-agent lines above it. A crawler follows the group that
// names it, else the group for "*", else nothing; within the group the rule with the
// longest path wins, Allow on a tie. In paths '*' matches any run of characters and a
// final '$' anchors the end. Lines that are no rule are passed over, so any bytes at all
// can be read.
class RobotsTxt
{
public:
    explicit RobotsTxt(std::string_view text);

    // Whether `agent` (a product token: "Baiduspider", "Googlebot", or "*") may fetch
    // `path` (path and query, beginning with '/').
    bool allows(std::string_view agent, std::string_view path) const;
    // The rule that decides, as written ("Disallow: /private/"), or empty when none does.
    std::string deciding_rule(std::string_view agent, std::string_view path) const;

private:
    struct Rule
    {
        bool allow;
        std::string path;
    };
    struct Group
    {
        std::vector<std::string> agents; // lower case
        std::vector<Rule> rules;
    };
    const Rule *decide(std::string_view agent, std::string_view path) const;

    std::vector<Group> groups_;
};

} // namespace seo
