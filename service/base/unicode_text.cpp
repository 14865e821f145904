#include "base/unicode_text.h"

#include <unicode/bytestream.h>
#include <unicode/edits.h>
#include <unicode/normalizer2.h>
#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
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

bool has_han_script(char32_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(UChar32(c), &status) == USCRIPT_HAN;
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

std::string_view utf8_prefix(std::string_view utf8, std::size_t max_bytes)
{
    if (utf8.size() <= max_bytes)
        return utf8;
    std::size_t end = max_bytes;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return utf8.substr(0, end);
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

FoldedText::FoldedText(std::string_view original)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfkc_cf = icu::Normalizer2::getNFKCCasefoldInstance(status);
    std::string normalised;
    normalised.reserve(original.size());
    icu::StringByteSink<std::string> sink(&normalised);
    icu::Edits edits;
    if (U_SUCCESS(status))
        nfkc_cf->normalizeUTF8(0, icu::StringPiece(original.data(), int32_t(original.size())), sink, &edits,
                               status);
    if (U_FAILURE(status))
        throw std::runtime_error("ICU normalisation failed");
    for (icu::Edits::Iterator change = edits.getFineChangesIterator(); change.next(status);)
        if (change.oldLength() != change.newLength())
            normalised_.push_back({std::size_t(change.destinationIndex() + change.newLength()),
                                   std::ptrdiff_t(change.sourceIndex() + change.oldLength())
                                       - std::ptrdiff_t(change.destinationIndex() + change.newLength())});

    const auto alphanumeric = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    text_.reserve(normalised.size());
    std::size_t copied = 0; // of `normalised`, up to here
    for (std::size_t at = normalised.find('-'); at != std::string::npos; at = normalised.find('-', at + 1)) {
        if (at == 0 || at + 1 == normalised.size() || !alphanumeric(normalised[at - 1])
            || !alphanumeric(normalised[at + 1]))
            continue;
        text_.append(normalised, copied, at - copied);
        copied = at + 1;
        hyphens_.push_back({text_.size(), std::ptrdiff_t(hyphens_.size() + 1)});
    }
    text_.append(normalised, copied);
}

std::ptrdiff_t FoldedText::shift_at(const std::vector<Shift> &shifts, std::size_t at)
{
    const auto after =
        std::upper_bound(shifts.begin(), shifts.end(), at,
                         [](std::size_t offset, const Shift &shift) { return offset < shift.at; });
    return after == shifts.begin() ? 0 : std::prev(after)->delta;
}

std::size_t FoldedText::original_offset(std::size_t folded_offset) const
{
    const auto normalised = std::size_t(std::ptrdiff_t(folded_offset) + shift_at(hyphens_, folded_offset));
    return std::size_t(std::ptrdiff_t(normalised) + shift_at(normalised_, normalised));
}

std::size_t FoldedText::OffsetWalk::original_offset(std::size_t folded_offset)
{
    const auto walk = [](const std::vector<Shift> &shifts, std::size_t &passed, std::size_t at) {
        while (passed < shifts.size() && shifts[passed].at <= at)
            ++passed;
        return passed == 0 ? 0 : shifts[passed - 1].delta;
    };
    const auto normalised =
        std::size_t(std::ptrdiff_t(folded_offset) + walk(text_.hyphens_, hyphens_, folded_offset));
    return std::size_t(std::ptrdiff_t(normalised) + walk(text_.normalised_, normalised_, normalised));
}

std::string format_percent(double percent)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.2f%%", percent);
    return buffer;
}

} // namespace seo
