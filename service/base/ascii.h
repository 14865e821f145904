#pragma once

#include <string>
#include <string_view>

namespace seo {

// HTML names, HTTP header values, URL schemes and character set labels are compared
// without regard to ASCII case, whatever the locale.
constexpr char ascii_lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string ascii_lower(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = ascii_lower(c);
    return out;
}

// Without the ASCII white space around it: typed addresses and robots.txt lines.
constexpr std::string_view ascii_trimmed(std::string_view text)
{
    constexpr std::string_view kSpace = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

} // namespace seo
