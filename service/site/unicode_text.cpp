#include "site/unicode_text.h"

#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace seo {

std::size_t code_point_count(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8) {
        // Every code point has exactly one byte that is not a continuation byte.
        if (!U8_IS_TRAIL(static_cast<unsigned char>(c)))
            ++count;
    }
    return count;
}

std::u32string code_points(std::string_view utf8)
{
    std::u32string out;
    for_each_code_point(utf8, [&out](char32_t ch, std::size_t, std::size_t) { out += ch; });
    return out;
}

std::size_t display_width(std::string_view utf8)
{
    std::size_t width = 0;
    for_each_code_point(utf8, [&width](char32_t ch, std::size_t, std::size_t) {
        const int east_asian = u_getIntPropertyValue(UChar32(ch), UCHAR_EAST_ASIAN_WIDTH);
        width += east_asian == U_EA_WIDE || east_asian == U_EA_FULLWIDTH ? 2 : 1;
    });
    return width;
}

char32_t first_code_point(std::string_view utf8)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t at = 0;
    UChar32 c = -1;
    if (length > 0)
        U8_NEXT(bytes, at, length, c);
    return c < 0 ? U'\uFFFD' : char32_t(c);
}

std::string fold_case(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCaseMap, decltype(&ucasemap_close)> map(
        ucasemap_open(nullptr, U_FOLD_CASE_DEFAULT, &status), &ucasemap_close);
    if (U_FAILURE(status))
        throw std::runtime_error("ICU case map unavailable");

    const auto length = static_cast<int32_t>(utf8.size());
    std::string folded(utf8.size() + utf8.size() / 4 + 16, '\0');
    int32_t needed = ucasemap_utf8FoldCase(map.get(), folded.data(), static_cast<int32_t>(folded.size()),
                                           utf8.data(), length, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        folded.assign(static_cast<std::size_t>(needed), '\0');
        needed = ucasemap_utf8FoldCase(map.get(), folded.data(), needed, utf8.data(), length, &status);
    }
    if (U_FAILURE(status))
        throw std::runtime_error("ICU case folding failed");
    folded.resize(static_cast<std::size_t>(needed));
    return folded;
}

std::string format_percent(double percent)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.2f%%", percent);
    return buffer;
}

} // namespace seo
