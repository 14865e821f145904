#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace seo {

// The parts one after another with `separator` between each two, in one allocation.
template<typename Parts>
std::string joined(const Parts &parts, std::string_view separator = {})
{
    std::size_t size = 0;
    for (const auto &part : parts)
        size += std::string_view(part).size() + separator.size();
    std::string out;
    out.reserve(size);
    for (bool first = true; const auto &part : parts) {
        if (!first)
            out += separator;
        out += part;
        first = false;
    }
    return out;
}

inline std::string joined(std::initializer_list<std::string_view> parts, std::string_view separator = {})
{
    return joined<std::initializer_list<std::string_view>>(parts, separator);
}

} // namespace seo
