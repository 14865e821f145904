// robots.txt files and page paths of any bytes: every decision is made in bounded time
// (libFuzzer's time-out), and where a file is small enough it agrees with a plain
// backtracking matcher, the rule the linear one must keep.
#include "base/percent_encoding.h"
#include "fetch/robots_txt.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Whether `path` begins with what `pattern` matches ('*' any run, a final '$' the end).
bool backtracking_match(std::string_view pattern, std::string_view path)
{
    if (pattern.empty())
        return true;
    if (pattern == "$")
        return path.empty();
    if (pattern.front() == '*') {
        for (std::size_t skip = 0; skip <= path.size(); ++skip)
            if (backtracking_match(pattern.substr(1), path.substr(skip)))
                return true;
        return false;
    }
    return !path.empty() && pattern.front() == path.front()
        && backtracking_match(pattern.substr(1), path.substr(1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t line_end = input.find('\n');
    if (line_end == std::string_view::npos)
        return 0;
    const std::string path = "/" + std::string(input.substr(0, line_end));
    const std::string_view file = input.substr(line_end + 1);
    const seo::RobotsTxt robots(file);
    for (const std::string_view agent : {"Googlebot", "*"}) {
        const seo::RobotsTxt::Decision decision = robots.decide(agent, path);
        if (decision.judged && decision.allowed == decision.rule.starts_with("Disallow"))
            std::abort(); // the rule given must be the one that decides
    }
    // The file's first line taken as one rule for every crawler, checked against the plain
    // matcher.
    if (file.size() <= 48 && path.size() <= 48 && file.find_first_of("\r\n#") == std::string_view::npos
        && path.find_first_of("\r\n") == std::string_view::npos && path != "/robots.txt") {
        std::string pattern(file);
        while (!pattern.empty() && (pattern.front() == ' ' || pattern.front() == '\t'))
            pattern.erase(0, 1);
        while (!pattern.empty() && (pattern.back() == ' ' || pattern.back() == '\t'))
            pattern.pop_back();
        if (pattern.empty() || pattern.find('$') < pattern.size() - 1)
            return 0;
        const seo::RobotsTxt one("User-agent: *\nDisallow: " + pattern + "\n");
        const bool anchored = pattern.ends_with('$');
        const std::string normal =
            seo::normalized_percent_encoding(anchored ? pattern.substr(0, pattern.size() - 1) : pattern)
            + (anchored ? "$" : "");
        const bool refused = backtracking_match(normal, seo::normalized_percent_encoding(path));
        if (one.decide("*", path).allowed == refused)
            std::abort();
    }
    return 0;
}
