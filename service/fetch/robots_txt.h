#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// A robots.txt file as the search engines read it (RFC 9309): groups of rules, each for
// the crawlers named in the user-agent lines above it. A crawler follows the group that
// names its product token ("Googlebot/2.1" names googlebot), else the group for "*", else
// nothing; within the group the rule with the longest path wins, Allow on a tie. In paths
// '*' matches any run of characters and a final '$' anchors the end; rules and paths are
// compared with their percent-encoding normalised, so /中文/ and /%E4%B8%AD%E6%96%87/ are
// one path. Lines that are no rule are passed over, so any bytes at all can be read; they
// are kept as syntax errors, for site owners to mend, since crawlers skip them silently.
//
// Sitemap lines belong to no group, a Crawl-delay line to the group above it; neither ends
// a run of user-agent lines, since lines other than rules may not change the groups.
//
// Matching takes time linear in the rule and the path, and one decision looks at no more
// than kDecisionSteps bytes in all: a hostile file cannot hold a core for long.
class RobotsTxt
{
public:
    // Lines are cut at this length, as Google's parser cuts them.
    static constexpr std::size_t kMaxLineBytes = 2083 * 8;
    static constexpr std::size_t kDecisionSteps = 8 * 1024 * 1024;
    static constexpr std::size_t kMaxSitemaps = 1000;
    // Sites write delays meant to keep crawlers away (3600 is seen): a page a minute is
    // already slow enough for any server, and longer would stretch a crawl over days.
    static constexpr std::chrono::milliseconds kMaxCrawlDelay{60'000};
    static constexpr std::size_t kMaxSyntaxErrors = 100;
    static constexpr std::size_t kMaxShownLineBytes = 120;

    explicit RobotsTxt(std::string_view text);

    struct Decision
    {
        bool allowed = true;
        std::string rule; // the rule that decides, as written ("Disallow: /private/"); empty for none
        bool judged = true; // false when the file is too costly to match against this path
    };
    // What `agent` ("Baiduspider", "Googlebot", or "*") may do with `path` (path and query,
    // beginning with '/').
    Decision decide(std::string_view agent, std::string_view path) const;
    // The addresses of the Sitemap lines, in file order, each once, the first kMaxSitemaps.
    const std::vector<std::string> &sitemaps() const { return sitemaps_; }
    // The Crawl-delay of the group `agent` follows, the first of its groups' that is a
    // number of seconds ("10", "0.5"), at most kMaxCrawlDelay; none when no such line.
    std::optional<std::chrono::milliseconds> crawl_delay(std::string_view agent) const;

    // A line crawlers cannot read, or read otherwise than its writer meant.
    struct SyntaxError
    {
        enum class Kind {
            not_a_field, // no "name: value"
            unknown_directive, // a misspelt name (Disalow), or one no crawler reads
            no_agent_named, // "User-agent:" with nothing after it
            rule_before_agent, // an Allow or Disallow that no User-agent line heads
            path_not_rooted, // "Disallow: private/": matches no path
            dollar_not_last, // '$' anchors only at the end of a path
            sitemap_not_absolute, // a Sitemap that is no http(s) address
            delay_not_seconds, // "Crawl-delay: ten"
        };
        std::size_t line; // counted from 1
        std::string text; // the line as written, its first kMaxShownLineBytes
        Kind kind;
    };
    // The first kMaxSyntaxErrors, in file order, and how many there are in all.
    const std::vector<SyntaxError> &syntax_errors() const { return syntax_errors_; }
    std::size_t syntax_error_count() const { return syntax_error_count_; }

private:
    struct Rule
    {
        bool allow;
        std::string written;
        std::vector<std::string> pieces; // the normalised path between its '*'s
        bool anchored; // ends in '$'
        std::size_t length; // of the normalised path: the longest rule wins
    };
    struct Group
    {
        std::vector<std::string> agents; // product tokens, lower case
        std::vector<Rule> rules;
        std::optional<std::chrono::milliseconds> crawl_delay;
    };
    static Rule make_rule(bool allow, std::string_view path);
    // The groups that name the crawler, or else those for "*": rules of groups for the
    // same crawler are taken together.
    std::vector<const Group *> groups_for(std::string_view agent) const;

    std::vector<Group> groups_;
    std::vector<std::string> sitemaps_;
    std::vector<SyntaxError> syntax_errors_;
    std::size_t syntax_error_count_ = 0;
};

} // namespace seo
