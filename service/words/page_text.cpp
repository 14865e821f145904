#include "words/page_text.h"

#include "base/unicode_text.h"
#include "read/text_builder.h"

#include <string.h>

#include <unicode/uchar.h>

#include <cstdint>
#include <unordered_map>

namespace seo {
namespace {

std::string collapsed(std::string_view keyword)
{
    TextBuilder builder;
    builder.append(keyword);
    return builder.text();
}

} // namespace

std::string typed_keyword(std::string_view keyword)
{
    return FoldedText(collapsed(keyword)).take_text();
}

PageText::PageText(std::string_view visible_text, const Language &language, TextLayout layout)
    : folded_(visible_text)
    , original_(visible_text)
    , layout_(std::move(layout))
    , length_(code_point_count(visible_text))
    , traditional_(language.simplified.is_traditional(folded_.text()))
    , simplified_(&language.simplified)
{
    // A simplified page may quote traditional Chinese: its words count with their
    // simplified forms all the same.
    std::string view = language.simplified.simplified_runs(folded_.text());
    if (view != folded_.text())
        simplified_text_ = std::move(view);
    words_ = split_words(matched(), language.segmenter);
    inside_.assign(matched().size() + 1, false);
    starts_.assign(matched().size() + 1, false);
    for (const Word &word : words_) {
        starts_[word.begin] = true;
        for (std::uint32_t at = word.begin + 1; at < word.end; ++at)
            inside_[at] = true;
    }
}

std::string_view PageText::text_of(const Word &word) const
{
    const std::size_t begin = folded_.original_offset(word.begin);
    return std::string_view(original_).substr(begin, folded_.original_offset(word.end) - begin);
}

std::vector<PageText::Placement> PageText::placements() const
{
    std::vector<Placement> placed(words_.size(), Placement::content);
    // Words and ranges are both in the order of the text: one walk over each.
    std::size_t chrome = 0;
    std::size_t link = 0;
    const auto within = [](const std::vector<TextRange> &ranges, std::size_t &next, std::uint32_t at) {
        while (next < ranges.size() && ranges[next].end <= at)
            ++next;
        return next < ranges.size() && ranges[next].begin <= at;
    };
    FoldedText::OffsetWalk offsets(folded_);
    for (std::size_t i = 0; i < words_.size(); ++i) {
        const auto at = std::uint32_t(offsets.original_offset(words_[i].begin));
        if (within(layout_.chrome, chrome, at))
            placed[i] = Placement::chrome;
        else if (within(layout_.links, link, at))
            placed[i] = Placement::link;
    }
    return placed;
}

std::string_view PageText::counted_form(const Word &word) const
{
    return std::string_view(matched()).substr(word.begin, word.end - word.begin);
}

std::string PageText::counted_form(std::string_view keyword) const
{
    const std::string folded = typed_keyword(keyword);
    return simplified_->simplified_runs(folded);
}

template<typename Visit>
void PageText::for_each_occurrence(std::string_view counted_keyword, Visit &&visit) const
{
    if (counted_keyword.empty())
        return;
    const std::string_view haystack = matched();
    // A keyword led by a letter, digit or ideograph begins where a word does, not in
    // text the word scan left out; one led by a sign (.NET) where no word is.
    const bool led_by_word = u_isalnum(UChar32(first_code_point(counted_keyword)));
    for (std::size_t from = 0;;) {
        // glibc's memmem skips by pairs of bytes, where a search led by the first byte
        // would stop at nearly every Chinese character (they share a few lead bytes).
        const void *hit = memmem(haystack.data() + from, haystack.size() - from, counted_keyword.data(),
                                 counted_keyword.size());
        if (!hit)
            return;
        const auto begin = std::size_t(static_cast<const char *>(hit) - haystack.data());
        const std::size_t end = begin + counted_keyword.size();
        if (!inside_[begin] && !inside_[end] && (!led_by_word || starts_[begin])) {
            if (!visit(begin))
                return;
            from = end;
        } else {
            from = begin + 1;
        }
    }
}

std::vector<std::vector<std::size_t>>
PageText::occurrences_of(std::span<const std::string> counted_keywords) const
{
    // An occurrence begins where a word begins, so only words led by a keyword's first
    // character are looked at closer. The keyword may end several words on: the segmenter
    // can split a word in one place that it keeps whole in another.
    std::unordered_map<char32_t, std::vector<std::size_t>> keywords_led_by; // first character → keywords
    std::vector<bool> first_characters(0x10000, false);
    for (std::size_t k = 0; k < counted_keywords.size(); ++k) {
        const std::string_view keyword = counted_keywords[k];
        if (keyword.empty())
            continue;
        const char32_t first = first_code_point(keyword);
        first_characters[first & 0xFFFF] = true;
        keywords_led_by[first].push_back(k);
    }
    std::vector<std::vector<std::size_t>> found(counted_keywords.size());
    std::vector<std::size_t> free_from(counted_keywords.size(), 0); // occurrences do not overlap
    for (const Word &word : words_) {
        const char32_t first = first_code_point(counted_form(word));
        if (!first_characters[first & 0xFFFF])
            continue;
        const auto led = keywords_led_by.find(first);
        if (led == keywords_led_by.end())
            continue;
        for (const std::size_t k : led->second) {
            const std::string &keyword = counted_keywords[k];
            if (word.begin >= free_from[k] && matched().compare(word.begin, keyword.size(), keyword) == 0
                && !inside_[word.begin + keyword.size()]) {
                found[k].push_back(word.begin);
                free_from[k] = word.begin + keyword.size();
            }
        }
    }
    return found;
}

void PageText::release_words()
{
    words_ = {};
    original_ = {};
    layout_ = {};
}

std::size_t PageText::memory_bytes() const
{
    return folded_.text().capacity() + folded_.memory_bytes() + simplified_text_.capacity()
        + original_.capacity() + (inside_.capacity() + starts_.capacity()) / 8
        + words_.capacity() * sizeof(Word) + layout_.memory_bytes();
}

std::size_t PageText::count(std::string_view keyword) const
{
    std::size_t count = 0;
    for_each_occurrence(counted_form(keyword), [&count](std::size_t) {
        ++count;
        return true;
    });
    return count;
}

std::size_t PageText::lines_holding(std::string_view keyword) const
{
    std::size_t lines = 0;
    std::size_t line_end = 0; // where the line of the last occurrence counted ends
    for_each_occurrence(counted_form(keyword), [&](std::size_t begin) {
        if (lines == 0 || begin > line_end) {
            ++lines;
            line_end = std::min(matched().find('\n', begin), matched().size());
        }
        return true;
    });
    return lines;
}

double density_percent(std::size_t occurrences, std::size_t keyword_length, std::size_t text_length)
{
    if (text_length == 0)
        return 0;
    return static_cast<double>(occurrences) * static_cast<double>(keyword_length)
        / static_cast<double>(text_length) * 100.0;
}

DensityFigures density_figures(const PageText &text, std::string_view keyword)
{
    DensityFigures figures;
    figures.text_length = text.length();
    // As typed: folding may change a word's length (Straße is folded to strasse).
    figures.keyword_length = code_point_count(collapsed(keyword));
    figures.occurrences = text.count(keyword);
    figures.keyword_characters = figures.occurrences * figures.keyword_length;
    figures.percent = density_percent(figures.occurrences, figures.keyword_length, figures.text_length);
    return figures;
}

} // namespace seo
