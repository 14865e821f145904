#include "site/robots_txt.h"

#include "site/ascii.h"

namespace seo {
namespace {

std::string_view trimmed(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// Whether `path` begins with what `pattern` matches ('*' any run, '$' at the end: the end
// of the path). Greedy with one point to go back to, so a hostile pattern costs at worst
// pattern × path steps, never more.
bool matches(std::string_view pattern, std::string_view path)
{
    const bool anchored = pattern.ends_with('$');
    if (anchored)
        pattern.remove_suffix(1);
    std::size_t p = 0, s = 0;
    std::size_t star = std::string_view::npos, star_s = 0;
    while (s < path.size()) {
        if (p == pattern.size() && !anchored)
            return true;
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_s = s;
        } else if (p < pattern.size() && pattern[p] == path[s]) {
            ++p;
            ++s;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            s = ++star_s;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

RobotsTxt::RobotsTxt(std::string_view text)
{
    bool in_agent_lines = false; // consecutive user-agent lines name one group
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = line.substr(0, line.find('#'));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string key = ascii_lower(trimmed(line.substr(0, colon)));
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (key == "user-agent") {
            if (!in_agent_lines)
                groups_.emplace_back();
            groups_.back().agents.push_back(ascii_lower(value));
            in_agent_lines = true;
        } else if (key == "allow" || key == "disallow") {
            in_agent_lines = false;
            if (!groups_.empty() && !value.empty()) // an empty Disallow allows everything
                groups_.back().rules.push_back({key == "allow", std::string(value)});
        }
    }
}

const RobotsTxt::Rule *RobotsTxt::decide(std::string_view agent, std::string_view path) const
{
    if (path == "/robots.txt")
        return nullptr;
    const std::string wanted = ascii_lower(agent);
    // The groups that name the crawler, or else those for "*": rules of groups for the
    // same crawler are taken together.
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
    const Rule *best = nullptr;
    for (const Group *group : chosen)
        for (const Rule &rule : group->rules) {
            if (!matches(rule.path, path))
                continue;
            if (!best || rule.path.size() > best->path.size()
                || (rule.path.size() == best->path.size() && rule.allow && !best->allow))
                best = &rule;
        }
    return best;
}

bool RobotsTxt::allows(std::string_view agent, std::string_view path) const
{
    const Rule *rule = decide(agent, path);
    return !rule || rule->allow;
}

std::string RobotsTxt::deciding_rule(std::string_view agent, std::string_view path) const
{
    const Rule *rule = decide(agent, path);
    if (!rule)
        return {};
    return (rule->allow ? "Allow: " : "Disallow: ") + rule->path;
}

} // namespace seo
