#include "site/nesting_guard.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace seo {
namespace {

bool is_name_char(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// Elements that never hold content or whose end tag may be left out.
bool opens_no_level(std::string_view name)
{
    static constexpr std::array<std::string_view, 30> kNames = {
        "area",   "base",  "br",  "col",   "embed", "hr",    "img",      "input", "link",   "meta",
        "source", "track", "wbr", "param", "p",     "li",    "dt",       "dd",    "option", "optgroup",
        "tr",     "td",    "th",  "thead", "tbody", "tfoot", "colgroup", "rb",    "rt",     "rp"};
    return std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

std::size_t skip_past(std::string_view html, std::size_t from, std::string_view end)
{
    const std::size_t at = html.find(end, from);
    return at == std::string_view::npos ? html.size() : at + end.size();
}

} // namespace

std::size_t estimated_nesting(std::string_view html)
{
    std::size_t depth = 0;
    std::size_t deepest = 0;
    std::size_t pos = 0;
    while ((pos = html.find('<', pos)) != std::string_view::npos) {
        ++pos;
        if (html.substr(pos).starts_with("!--")) {
            pos = skip_past(html, pos, "-->");
            continue;
        }
        const bool closing = pos < html.size() && html[pos] == '/';
        if (closing)
            ++pos;
        const std::size_t name_start = pos;
        while (pos < html.size() && is_name_char(html[pos]))
            ++pos;
        if (pos == name_start || !std::isalpha(static_cast<unsigned char>(html[name_start])))
            continue; // not a tag
        std::string name(html.substr(name_start, pos - name_start));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::size_t tag_end = html.find('>', pos);
        if (tag_end == std::string_view::npos)
            break;
        pos = tag_end + 1;
        if (opens_no_level(name) || html[tag_end - 1] == '/')
            continue;
        if (closing) {
            depth -= depth > 0 ? 1 : 0;
            continue;
        }
        deepest = std::max(deepest, ++depth);
        if (name == "script" || name == "style" || name == "textarea" || name == "title") {
            pos = skip_past(html, pos, "</" + name); // raw text: no tags inside
            --depth;
        }
    }
    return deepest;
}

} // namespace seo
