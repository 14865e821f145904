#include "words/word_scan.h"

#include "base/unicode_text.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace seo {
namespace {

// Words of a stretch without Chinese characters, found by ICU's word boundaries.
class OtherWords
{
public:
    OtherWords()
    {
        UErrorCode status = U_ZERO_ERROR;
        breaker_.reset(ubrk_open(UBRK_WORD, "", nullptr, 0, &status));
        if (U_FAILURE(status))
            throw std::runtime_error("ICU word breaking unavailable");
    }

    void split(std::string_view text, std::vector<Word> &words)
    {
        UErrorCode status = U_ZERO_ERROR;
        UText *utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
        const std::unique_ptr<UText, decltype(&utext_close)> guard(utext, &utext_close);
        ubrk_setUText(breaker_.get(), utext, &status);
        if (U_FAILURE(status))
            throw std::runtime_error("ICU word breaking failed");
        int32_t start = ubrk_first(breaker_.get());
        for (int32_t end = ubrk_next(breaker_.get()); end != UBRK_DONE;
             start = end, end = ubrk_next(breaker_.get())) {
            const int32_t rule = ubrk_getRuleStatus(breaker_.get());
            if (rule >= UBRK_WORD_NUMBER && rule < UBRK_WORD_IDEO_LIMIT)
                add_words(text, Word{std::uint32_t(start), std::uint32_t(end), Word::Kind::letters}, words);
        }
    }

private:
    // A run of letters and digits is a word (iPhone15, 5G, 2.4GHz, Next.js): only a run
    // of digits alone is a number. ICU keeps "c:path" together; people take it as two.
    static void add_words(std::string_view text, Word word, std::vector<Word> &words)
    {
        for (std::uint32_t at = word.begin; at <= word.end; ++at) {
            if (at < word.end && text[at] != ':')
                continue;
            if (at > word.begin)
                words.push_back({word.begin, at,
                                 has_letter(text.substr(word.begin, at - word.begin)) ? Word::Kind::letters
                                                                                      : Word::Kind::number});
            word.begin = at + 1;
        }
    }

    static bool has_letter(std::string_view piece)
    {
        bool letter = false;
        for_each_code_point(piece, [&letter](char32_t ch, std::size_t, std::size_t) {
            letter = letter || u_isalpha(UChar32(ch));
        });
        return letter;
    }

    std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaker_{nullptr, &ubrk_close};
};

} // namespace

std::vector<Word> split_words(std::string_view text, const Segmenter &segmenter)
{
    std::vector<Word> words;
    thread_local OtherWords other; // opening a word breaker costs more than most texts it splits
    // Pages repeat their menus, footers and phrases: each distinct run of text is split
    // once, and its words (kept side by side in `split_before_words`, with offsets within
    // the run) are reused where it comes again.
    std::unordered_map<std::string_view, std::pair<std::size_t, std::size_t>> split_before; // → first, count
    std::vector<Word> split_before_words, run_words;
    std::vector<std::size_t> lengths;
    std::u32string characters;

    const auto *bytes = reinterpret_cast<const uint8_t *>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t run_start = 0;
    bool run_is_han = false;
    const auto split_han_run = [&](std::string_view run) {
        characters.clear();
        for_each_code_point(run, [&characters](char32_t ch, std::size_t, std::size_t) { characters += ch; });
        lengths.clear();
        segmenter.split(characters, lengths);
        std::uint32_t at = 0;
        std::size_t character = 0;
        for (const std::size_t word_length : lengths) {
            std::uint32_t end = at;
            for (std::size_t i = 0; i < word_length; ++i, ++character) {
                const char32_t ch = characters[character]; // U8_LENGTH reads its argument more than once
                end += std::uint32_t(U8_LENGTH(ch));
            }
            run_words.push_back({at, end, Word::Kind::chinese});
            at = end;
        }
    };
    const auto finish_run = [&](int32_t run_end) {
        if (run_end == run_start)
            return;
        const std::string_view run = text.substr(std::size_t(run_start), std::size_t(run_end - run_start));
        auto [known, is_new] = split_before.try_emplace(run);
        if (is_new) {
            run_words.clear();
            if (run_is_han)
                split_han_run(run);
            else
                other.split(run, run_words);
            known->second = {split_before_words.size(), run_words.size()};
            split_before_words.insert(split_before_words.end(), run_words.begin(), run_words.end());
        }
        const auto [first, count] = known->second;
        for (std::size_t i = first; i < first + count; ++i) {
            const Word &word = split_before_words[i];
            words.push_back(
                {word.begin + std::uint32_t(run_start), word.end + std::uint32_t(run_start), word.kind});
        }
    };
    for (int32_t pos = 0; pos < length;) {
        const int32_t here = pos;
        UChar32 c = 0;
        U8_NEXT(bytes, pos, length, c);
        const bool han = c >= 0 && is_han(char32_t(c));
        if (han != run_is_han) {
            finish_run(here);
            run_start = here;
            run_is_han = han;
        }
    }
    finish_run(length);
    return words;
}

} // namespace seo
