#include "site/page_text.h"

#include "site/text_builder.h"
#include "site/unicode_text.h"

#include <string.h>

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
    return fold_case(collapsed(keyword));
}

PageText::PageText(std::string_view visible_text, const Language &language)
    : folded_(fold_case(visible_text))
    , length_(code_point_count(visible_text))
    , traditional_(language.simplified.is_traditional(folded_))
    , simplified_(&language.simplified)
{
    matched_ = traditional_ ? language.simplified.simplified(folded_) : folded_;
    words_ = split_words(matched_, language.segmenter);
    inside_.assign(matched_.size() + 1, false);
    for (const Word &word : words_)
        for (std::uint32_t at = word.begin + 1; at < word.end; ++at)
            inside_[at] = true;
}

std::string_view PageText::text_of(const Word &word) const
{
    return std::string_view(folded_).substr(word.begin, word.end - word.begin);
}

std::string_view PageText::counted_form(const Word &word) const
{
    return std::string_view(matched_).substr(word.begin, word.end - word.begin);
}

std::string PageText::counted_form(std::string_view keyword) const
{
    const std::string folded = typed_keyword(keyword);
    return traditional_ ? simplified_->simplified(folded) : folded;
}

std::vector<std::size_t> PageText::occurrences(std::string_view counted_keyword) const
{
    std::vector<std::size_t> found;
    if (counted_keyword.empty())
        return found;
    const std::string_view haystack = matched_;
    for (std::size_t from = 0;;) {
        // glibc's memmem skips by pairs of bytes, where a search led by the first byte
        // would stop at nearly every Chinese character (they share a few lead bytes).
        const void *hit = memmem(haystack.data() + from, haystack.size() - from, counted_keyword.data(),
                                 counted_keyword.size());
        if (!hit)
            return found;
        const auto begin = std::size_t(static_cast<const char *>(hit) - haystack.data());
        const std::size_t end = begin + counted_keyword.size();
        if (!inside_[begin] && !inside_[end]) {
            found.push_back(begin);
            from = end;
        } else {
            from = begin + 1;
        }
    }
}

std::vector<std::vector<std::size_t>>
PageText::occurrences_of_words(std::span<const std::string> counted_words) const
{
    // An occurrence begins where a word begins whose counted form is a prefix of the
    // keyword: so only words led by a keyword's first character are looked at closer.
    std::unordered_map<std::string_view, std::vector<std::size_t>> keywords_led_by; // prefix → keywords
    std::vector<bool> first_characters(0x10000, false);
    for (std::size_t k = 0; k < counted_words.size(); ++k) {
        const std::string_view keyword = counted_words[k];
        if (keyword.empty())
            continue;
        first_characters[first_code_point(keyword) & 0xFFFF] = true;
        for (std::size_t end = 1; end <= keyword.size(); ++end)
            if (end == keyword.size() || (std::uint8_t(keyword[end]) & 0xC0) != 0x80)
                keywords_led_by[keyword.substr(0, end)].push_back(k);
    }
    std::vector<std::vector<std::size_t>> found(counted_words.size());
    std::vector<std::size_t> free_from(counted_words.size(), 0); // occurrences do not overlap
    for (const Word &word : words_) {
        const std::string_view form = counted_form(word);
        if (!first_characters[first_code_point(form) & 0xFFFF])
            continue;
        const auto led = keywords_led_by.find(form);
        if (led == keywords_led_by.end())
            continue;
        for (const std::size_t k : led->second) {
            const std::string &keyword = counted_words[k];
            if (word.begin >= free_from[k] && matched_.compare(word.begin, keyword.size(), keyword) == 0
                && !inside_[word.begin + keyword.size()]) {
                found[k].push_back(word.begin);
                free_from[k] = word.begin + keyword.size();
            }
        }
    }
    return found;
}

std::size_t PageText::count(std::string_view keyword) const
{
    return occurrences(counted_form(keyword)).size();
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
    const std::string counted = text.counted_form(keyword);
    DensityFigures figures;
    figures.text_length = text.length();
    // As typed: folding may change a word's length (Straße is folded to strasse).
    figures.keyword_length = code_point_count(collapsed(keyword));
    figures.occurrences = text.occurrences(counted).size();
    figures.keyword_characters = figures.occurrences * figures.keyword_length;
    figures.percent = density_percent(figures.occurrences, figures.keyword_length, figures.text_length);
    return figures;
}

} // namespace seo
