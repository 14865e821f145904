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

// Without the white space around it: by default all of ASCII's (typed addresses);
// robots.txt, after RFC 9309, takes only spaces and tabs for white space.
constexpr std::string_view ascii_trimmed(std::string_view text, std::string_view space = " \t\r\n\f\v")
{
    const std::size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

} // namespace seo
