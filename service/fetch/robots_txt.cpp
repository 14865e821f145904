#include "fetch/robots_txt.h"

#include "base/ascii.h"
#include "base/percent_encoding.h"
#include "base/unicode_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <unordered_set>

#include <string.h>

namespace seo {
namespace {

// "Googlebot/2.1 (+http://...)" names the crawler googlebot.
std::string product_token(std::string_view agent)
{
    return ascii_lower(agent.substr(0, agent.find_first_of("/ \t")));
}

// Where `piece` first occurs in `text` from `from` on, counting the bytes looked at.
std::size_t find_counting(std::string_view text, std::string_view piece, std::size_t from, std::size_t &steps)
{
    steps += text.size() - from;
    // glibc's memmem is linear in both lengths (the two-way algorithm).
    const void *hit = memmem(text.data() + from, text.size() - from, piece.data(), piece.size());
    return hit ? std::size_t(static_cast<const char *>(hit) - text.data()) : std::string_view::npos;
}

// "10" or "0.5" seconds; nothing for a negative, an exponent, "inf" or a number too large
// for a double.
std::optional<std::chrono::milliseconds> delay_in(std::string_view value)
{
    if (value.empty() || !((value.front() >= '0' && value.front() <= '9') || value.front() == '.'))
        return std::nullopt;
    double seconds = 0;
    const auto [end, error] =
        std::from_chars(value.data(), value.data() + value.size(), seconds, std::chars_format::fixed);
    if (error != std::errc() || end != value.data() + value.size())
        return std::nullopt;
    return std::chrono::milliseconds(
        std::llround(std::min(seconds * 1000, double(RobotsTxt::kMaxCrawlDelay.count()))));
}

// Directives other search engines read (Yandex, Seznam) or once read: not errors, though
// Baiduspider and Googlebot pass them over.
constexpr std::array<std::string_view, 5> kOtherDirectives = {"host", "clean-param", "request-rate",
                                                              "visit-time", "noindex"};

// A line as a finding quotes it: its first bytes, not cut inside a character, and valid
// UTF-8 whatever the file held (bytes that are none show as U+FFFD).
std::string shown_line(std::string_view line)
{
    const std::string_view shown = utf8_prefix(line, RobotsTxt::kMaxShownLineBytes);
    std::string text;
    for_each_code_point(shown, [&](char32_t ch, std::size_t begin, std::size_t end) {
        text.append(ch == U'\uFFFD' ? std::string_view("\uFFFD") : shown.substr(begin, end - begin));
    });
    return text + (shown.size() < line.size() ? "…" : "");
}

} // namespace

RobotsTxt::Rule RobotsTxt::make_rule(bool allow, std::string_view path)
{
    Rule rule{allow, std::string(allow ? "Allow: " : "Disallow: ") + std::string(path), {}, false, 0};
    rule.anchored = path.ends_with('$');
    if (rule.anchored)
        path.remove_suffix(1);
    const std::string normal = normalized_percent_encoding(path);
    rule.length = normal.size() + rule.anchored;
    for (std::size_t start = 0;;) {
        const std::size_t star = normal.find('*', start);
        rule.pieces.push_back(normal.substr(start, star - start));
        if (star == std::string::npos)
            break;
        start = star + 1;
    }
    return rule;
}

RobotsTxt::RobotsTxt(std::string_view text)
{
    // Notepad saves UTF-8 with a byte order mark, which would hide the first directive.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    bool in_agent_lines = false; // consecutive user-agent lines name one group
    std::unordered_set<std::string> sitemaps_seen;
    for (std::size_t number = 1; !text.empty(); ++number) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view written = text.substr(0, std::min(end, kMaxLineBytes));
        const bool crlf = end != std::string_view::npos && text.substr(end, 2) == "\r\n";
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + (crlf ? 2 : 1));
        const std::string_view line = written.substr(0, written.find('#'));
        const auto error = [&](SyntaxError::Kind kind) {
            if (syntax_error_count_++ < kMaxSyntaxErrors)
                syntax_errors_.push_back({number, shown_line(written), kind});
        };
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            if (!ascii_trimmed(line, " \t").empty())
                error(SyntaxError::Kind::not_a_field);
            continue;
        }
        const std::string key = ascii_lower(ascii_trimmed(line.substr(0, colon), " \t"));
        const std::string_view value = ascii_trimmed(line.substr(colon + 1), " \t");
        if (key == "user-agent") {
            if (value.empty())
                error(SyntaxError::Kind::no_agent_named);
            if (!in_agent_lines)
                groups_.emplace_back();
            groups_.back().agents.push_back(product_token(value));
            in_agent_lines = true;
        } else if (key == "allow" || key == "disallow") {
            in_agent_lines = false;
            if (groups_.empty())
                error(SyntaxError::Kind::rule_before_agent);
            else if (!value.empty() && value.front() != '/' && value.front() != '*')
                error(SyntaxError::Kind::path_not_rooted);
            else if (value.find('$') < value.size() - 1)
                error(SyntaxError::Kind::dollar_not_last);
            if (!groups_.empty() && !value.empty()) // an empty Disallow allows everything
                groups_.back().rules.push_back(make_rule(key == "allow", value));
        } else if (key == "crawl-delay") {
            const std::optional<std::chrono::milliseconds> delay = delay_in(value);
            if (!delay)
                error(SyntaxError::Kind::delay_not_seconds);
            if (!groups_.empty() && !groups_.back().crawl_delay)
                groups_.back().crawl_delay = delay;
        } else if (key == "sitemap") {
            const std::string scheme = ascii_lower(value.substr(0, value.find("://") + 3));
            if (scheme != "http://" && scheme != "https://")
                error(SyntaxError::Kind::sitemap_not_absolute);
            else if (sitemaps_.size() < kMaxSitemaps && sitemaps_seen.emplace(value).second)
                sitemaps_.emplace_back(value);
        } else if (std::ranges::find(kOtherDirectives, key) == kOtherDirectives.end()) {
            error(SyntaxError::Kind::unknown_directive);
        }
    }
}

std::vector<const RobotsTxt::Group *> RobotsTxt::groups_for(std::string_view agent) const
{
    const std::string wanted = product_token(agent);
    std::vector<const Group *> chosen;
    for (const std::string &name : {wanted, std::string("*")}) {
        for (const Group &group : groups_)
            for (const std::string &named : group.agents)
                if (named == name) {
                    chosen.push_back(&group);
                    break;
                }
        if (!chosen.empty())
            break;
    }
    return chosen;
}

std::optional<std::chrono::milliseconds> RobotsTxt::crawl_delay(std::string_view agent) const
{
    for (const Group *group : groups_for(agent))
        if (group->crawl_delay)
            return group->crawl_delay;
    return std::nullopt;
}

RobotsTxt::Decision RobotsTxt::decide(std::string_view agent, std::string_view path) const
{
    if (path == "/robots.txt")
        return {};
    const std::string normal_path = normalized_percent_encoding(path);
    const std::string_view subject = normal_path;
    const std::vector<const Group *> chosen = groups_for(agent);
    std::size_t steps = 0;
    // Whether the path begins with what the rule matches: its first piece at the start,
    // each further piece at its first place after the one before (the leftmost place
    // leaves the most room for the rest), an anchored last piece at the very end.
    const auto matches = [&subject, &steps](const Rule &rule) {
        const std::vector<std::string> &pieces = rule.pieces;
        steps += pieces.front().size();
        if (!subject.starts_with(pieces.front()))
            return false;
        std::size_t at = pieces.front().size();
        if (pieces.size() == 1)
            return !rule.anchored || at == subject.size();
        for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
            at = find_counting(subject, pieces[i], at, steps);
            if (at == std::string_view::npos)
                return false;
            at += pieces[i].size();
        }
        const std::string &last = pieces.back();
        if (rule.anchored)
            return subject.size() >= at + last.size() && subject.ends_with(last);
        return find_counting(subject, last, at, steps) != std::string_view::npos;
    };
    const Rule *best = nullptr;
    for (const Group *group : chosen)
        for (const Rule &rule : group->rules) {
            const bool match = matches(rule);
            if (steps > kDecisionSteps)
                return {true, {}, false};
            if (match
                && (!best || rule.length > best->length
                    || (rule.length == best->length && rule.allow && !best->allow)))
                best = &rule;
        }
    if (!best)
        return {};
    return {best->allow, best->written, true};
}

} // namespace seo
