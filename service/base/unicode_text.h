#pragma once

#include <unicode/utf8.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// Calls visit(ch, begin, end) for every code point of UTF-8 text, with its byte range; an
// ill-formed sequence comes as U+FFFD.
template<typename Visit>
void for_each_code_point(std::string_view utf8, Visit &&visit)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    for (int32_t at = 0; at < length;) {
        const int32_t begin = at;
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        visit(c < 0 ? U'\uFFFD' : char32_t(c), std::size_t(begin), std::size_t(at));
    }
}

// Number of Unicode code points in valid UTF-8 text: what the pages call "characters".
std::size_t code_point_count(std::string_view utf8);

// The code points of valid UTF-8 text.
std::u32string code_points(std::string_view utf8);

// Whether a code point is of the Han script, by ICU.
bool has_han_script(char32_t c);

// Whether a code point is a Chinese character. Asked of every character of a page: the
// bulk of most pages, ASCII and the main block of ideographs, is told without ICU.
inline bool is_han(char32_t c)
{
    if (c < 0x80)
        return false;
    if (c >= 0x4E00 && c <= 0x9FFF)
        return true;
    return has_han_script(c);
}

// Width on a results page, in Latin characters: a wide or full-width character (Chinese,
// Japanese, Korean, full-width punctuation) counts two, any other one.
std::size_t display_width(std::string_view utf8);

// The first code point of UTF-8 text; U+FFFD for an empty or ill-formed start.
char32_t first_code_point(std::string_view utf8);

// The longest start of UTF-8 text of at most `max_bytes` that does not end inside a
// character: what excerpts of page texts are cut to.
std::string_view utf8_prefix(std::string_view utf8, std::size_t max_bytes);

// Full Unicode case folding, so "SEO", "Seo" and "seo" count as one word.
std::string fold_case(std::string_view utf8);

// A text folded for counting words in it: NFKC with case folding (ＯＰＰＯ, OPPO and oppo
// are one word, and so are ５Ｇ and 5g), and a hyphen between two letters or digits left
// out (Wi-Fi, WiFi and wifi are one word). Where a place of the folded text lies in the
// original is kept, so that words are shown as the page writes them.
class FoldedText
{
public:
    explicit FoldedText(std::string_view original);
    FoldedText() = default; // of an empty text

    const std::string &text() const { return text_; }
    std::string take_text() { return std::move(text_); }
    // The byte offset in the original of a byte offset of the folded text at which a
    // character begins (or its end).
    std::size_t original_offset(std::size_t folded_offset) const;
    // original_offset() of offsets asked in increasing order, in one walk over the
    // offsets' shifts rather than a search for each.
    class OffsetWalk
    {
    public:
        explicit OffsetWalk(const FoldedText &text)
            : text_(text)
        {}
        std::size_t original_offset(std::size_t folded_offset);

    private:
        const FoldedText &text_;
        std::size_t hyphens_ = 0; // shifts passed
        std::size_t normalised_ = 0;
    };
    // The bytes the offsets take.
    std::size_t memory_bytes() const
    {
        return (normalised_.capacity() + hyphens_.capacity()) * sizeof(Shift);
    }

private:
    // From `at` on, positions lie `delta` bytes further on in the text before the step.
    struct Shift
    {
        std::size_t at;
        std::ptrdiff_t delta;
    };
    static std::ptrdiff_t shift_at(const std::vector<Shift> &shifts, std::size_t at);

    std::string text_;
    std::vector<Shift> normalised_; // normalised text → original
    std::vector<Shift> hyphens_; // folded text → normalised text
};

// "3.50%": two decimals, dot as separator whatever the locale.
std::string format_percent(double percent);

} // namespace seo
