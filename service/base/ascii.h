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

} // namespace seo
