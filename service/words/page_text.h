#pragma once

#include "base/unicode_text.h"
#include "read/text_layout.h"
#include "words/language.h"
#include "words/word_scan.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// A text as keywords are found and counted in it: the one definition behind every
// figure, so that the keyword table and the density check agree for every word.
//
// The counting rule: an occurrence of a keyword counts where it begins and ends at a
// word boundary of the segmented text. So 数据 is not counted inside 数据库, nor seo in
// seoul, while 网站优化 is counted where the page has 网站 and 优化 side by side.
// Letter case does not matter, nor does a run of white space in a typed keyword, and
// a keyword may be typed in either script, and in full-width or half-width letters, with
// or without the hyphen of a name (Wi-Fi).
class PageText
{
public:
    PageText() = default;
    // `layout` tells where the text is the site's furniture and where link texts.
    PageText(std::string_view visible_text, const Language &language, TextLayout layout = {});

    // Characters (code points) of the text, as shown.
    std::size_t length() const { return length_; }
    // The words of the text, in order: Chinese words, and words of other scripts with
    // letters in them (iPhone15, 5G), and numbers.
    const std::vector<Word> &words() const { return words_; }
    // A word as the page writes it (ThinkPad, ＯＰＰＯ, 手機); only until release_words().
    std::string_view text_of(const Word &word) const;
    // The form under which a word is counted: folded, and in simplified characters.
    std::string_view counted_form(const Word &word) const;
    bool traditional() const { return traditional_; }
    // Where each word stands in the page; only until release_words().
    enum class Placement : std::uint8_t { content, link, chrome };
    std::vector<Placement> placements() const;

    // Lets go of the words and of the text as written once the keyword table has been
    // made from them: counting needs only the folded text and where its words begin and end.
    void release_words();
    // The bytes the text holds.
    std::size_t memory_bytes() const;

    // Occurrences of a keyword as typed, by the rule above.
    std::size_t count(std::string_view keyword) const;
    // How many lines of the text hold a keyword as typed at least once.
    std::size_t lines_holding(std::string_view keyword) const;
    // A keyword as typed, in the form it is counted in.
    std::string counted_form(std::string_view keyword) const;
    // The occurrences of many keywords, each in its counted form, in one pass over the
    // words: for each keyword, where count() finds it.
    std::vector<std::vector<std::size_t>> occurrences_of(std::span<const std::string> counted_keywords) const;

private:
    // Calls visit(begin) for every occurrence of a keyword in its counted form, at its
    // byte offset into folded(); stops early when visit returns false.
    template<typename Visit>
    void for_each_occurrence(std::string_view counted_keyword, Visit &&visit) const;

    // What keywords are matched in: the folded text, in simplified characters.
    const std::string &matched() const
    {
        return simplified_text_.empty() ? folded_.text() : simplified_text_;
    }

    FoldedText folded_;
    std::string simplified_text_; // only where simplifying changed the folded text
    std::string original_; // the text as written, while the words are kept
    TextLayout layout_; // while the words are kept
    std::vector<bool> inside_; // per byte of matched(): inside a word, so no match starts or ends there
    std::vector<bool> starts_; // per byte of matched(): a word starts here
    std::vector<Word> words_;
    std::size_t length_ = 0;
    bool traditional_ = false;
    const SimplifiedView *simplified_ = nullptr;
};

// A keyword as the user typed it: white space collapsed and trimmed, folded as a text is
// for counting.
std::string typed_keyword(std::string_view keyword);

// occurrences × keyword length ÷ text length × 100; zero for an empty text.
double density_percent(std::size_t occurrences, std::size_t keyword_length, std::size_t text_length);

struct DensityFigures
{
    std::size_t text_length = 0;
    std::size_t keyword_length = 0;
    std::size_t occurrences = 0;
    std::size_t keyword_characters = 0; // occurrences × keyword length
    double percent = 0;
};

// The figures of a keyword as typed; its length is counted as typed, once white space has
// been collapsed and trimmed. Nothing counts for a keyword of white space only.
DensityFigures density_figures(const PageText &text, std::string_view keyword);

} // namespace seo
