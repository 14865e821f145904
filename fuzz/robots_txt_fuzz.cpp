// robots.txt files and page paths of any bytes: every decision is made in bounded time
// (libFuzzer's time-out), and where a file is small enough it agrees with a plain
// reference matcher, the rule the linear one must keep.
#include "base/percent_encoding.h"
#include "fetch/robots_txt.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Whether `path` begins with what `pattern` matches ('*' any run, a final '$' the end):
// the textbook table over (pattern position, path position), so that a file of many stars
// cannot make the reference itself take exponential time.
bool reference_match(std::string_view pattern, std::string_view path)
{
    // matches[i][j]: pattern[i..] matches a prefix of path[j..].
    std::vector<std::vector<bool>> matches(pattern.size() + 1, std::vector<bool>(path.size() + 1, true));
    for (std::size_t i = pattern.size(); i-- > 0;)
        for (std::size_t j = path.size() + 1; j-- > 0;) {
            const char want = pattern[i];
            if (want == '$' && i + 1 == pattern.size())
                matches[i][j] = j == path.size();
            else if (want == '*')
                matches[i][j] = matches[i + 1][j] || (j < path.size() && matches[i][j + 1]);
            else
                matches[i][j] = j < path.size() && path[j] == want && matches[i + 1][j + 1];
        }
    return matches[0][0];
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
        const bool refused = reference_match(normal, seo::normalized_percent_encoding(path));
        if (one.decide("*", path).allowed == refused)
            std::abort();
    }
    return 0;
}
