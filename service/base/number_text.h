#pragma once

#include <charconv>
#include <string_view>

namespace seo {

// A whole decimal number from `low` to `high`, the whole of `text`, into `number`; false
// (and `number` as it was) for anything else. For options typed on a command line.
template<typename Number>
bool number_in(std::string_view text, Number low, Number high, Number &number)
{
    Number parsed{};
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || stop != text.data() + text.size() || parsed < low || parsed > high)
        return false;
    number = parsed;
    return true;
}

} // namespace seo
