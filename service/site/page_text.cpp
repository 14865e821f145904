#include "site/page_text.h"

#include "site/text_builder.h"
#include "site/unicode_text.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <string.h>

namespace seo {
namespace {

bool is_alphabetic_word_char(UChar32 c)
{
    if (c < 0 || !u_isalnum(c))
        return false;
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(c, &status) != USCRIPT_HAN;
}

// Both give -1 for an empty text.
UChar32 first_code_point(std::string_view text)
{
    if (text.empty())
        return -1;
    const auto *bytes = reinterpret_cast<const uint8_t *>(text.data());
    int32_t pos = 0;
    UChar32 c = -1;
    U8_NEXT(bytes, pos, static_cast<int32_t>(text.size()), c);
    return c;
}

UChar32 last_code_point(std::string_view text)
{
    if (text.empty())
        return -1;
    const auto *bytes = reinterpret_cast<const uint8_t *>(text.data());
    auto pos = static_cast<int32_t>(text.size());
    UChar32 c = -1;
    U8_PREV(bytes, 0, pos, c);
    return c;
}

} // namespace

PageText make_page_text(std::string_view visible_text)
{
    return {fold_case(visible_text), code_point_count(visible_text)};
}

std::string normalized_keyword(std::string_view keyword)
{
    TextBuilder builder;
    builder.append(keyword);
    return fold_case(builder.text());
}

std::size_t count_occurrences(const PageText &text, std::string_view keyword)
{
    if (keyword.empty())
        return 0;
    const std::string_view haystack = text.folded;
    const bool bounded_front = is_alphabetic_word_char(first_code_point(keyword));
    const bool bounded_back = is_alphabetic_word_char(last_code_point(keyword));

    std::size_t count = 0;
    std::size_t from = 0;
    while (true) {
        // glibc's memmem skips by pairs of bytes, where a search led by the first byte
        // would stop at nearly every Chinese character (they share a few lead bytes).
        const void *found =
            memmem(haystack.data() + from, haystack.size() - from, keyword.data(), keyword.size());
        if (!found)
            return count;
        const auto offset = static_cast<std::size_t>(static_cast<const char *>(found) - haystack.data());
        const std::size_t after = offset + keyword.size();
        const bool free_front =
            !bounded_front || !is_alphabetic_word_char(last_code_point(haystack.substr(0, offset)));
        const bool free_back =
            !bounded_back || !is_alphabetic_word_char(first_code_point(haystack.substr(after)));
        if (free_front && free_back) {
            ++count;
            from = after;
        } else {
            from = offset + 1;
        }
    }
}

double density_percent(std::size_t occurrences, std::size_t keyword_length, std::size_t text_length)
{
    if (text_length == 0)
        return 0;
    return static_cast<double>(occurrences) * static_cast<double>(keyword_length)
        / static_cast<double>(text_length) * 100.0;
}

DensityFigures density_figures(const PageText &text, std::string_view normalized_keyword)
{
    DensityFigures figures;
    figures.text_length = text.length;
    figures.keyword_length = code_point_count(normalized_keyword);
    figures.occurrences = count_occurrences(text, normalized_keyword);
    figures.keyword_characters = figures.occurrences * figures.keyword_length;
    figures.percent = density_percent(figures.occurrences, figures.keyword_length, text.length);
    return figures;
}

} // namespace seo
