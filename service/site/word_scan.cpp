#include "site/word_scan.h"

#include "site/unicode_text.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace seo {
namespace {

bool is_han(UChar32 c)
{
    // Spares the script lookup for the bulk of most pages: ASCII, and the main block of
    // ideographs, which are all Han.
    if (c < 0x80)
        return false;
    if (c >= 0x4E00 && c <= 0x9FFF)
        return true;
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(c, &status) == USCRIPT_HAN;
}

std::size_t letter_count(std::string_view word)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(word.data());
    const auto length = static_cast<int32_t>(word.size());
    std::size_t letters = 0;
    for (int32_t pos = 0; pos < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, pos, length, c);
        if (c >= 0 && u_isalpha(c))
            ++letters;
    }
    return letters;
}

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

    void scan(std::string_view text, const std::function<void(std::string_view)> &on_word)
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
            const int32_t kind = ubrk_getRuleStatus(breaker_.get());
            if (kind < UBRK_WORD_LETTER || kind >= UBRK_WORD_IDEO_LIMIT)
                continue; // spaces, punctuation, numbers
            const std::string_view word =
                text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
            if (letter_count(word) >= 2)
                on_word(word);
        }
    }

private:
    std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaker_{nullptr, &ubrk_close};
};

// Remembers the words found in each distinct run of text: pages repeat their menus,
// footers, captions and phrases, and segmenting a run again would give the same words.
class RunMemo
{
public:
    // The words of `run`, or nullptr when the run has not been seen yet.
    const std::vector<std::string_view> *find(std::string_view run)
    {
        const auto found = index_.find(run);
        if (found == index_.end())
            return nullptr;
        words_.clear();
        for (std::size_t i = found->second.first; i < found->second.second; ++i)
            words_.push_back(std::string_view(arena_).substr(spans_[i].first, spans_[i].second));
        return &words_;
    }

    void start(std::string_view run)
    {
        run_ = run;
        first_ = spans_.size();
    }
    void add(std::string_view word)
    {
        spans_.emplace_back(arena_.size(), word.size());
        arena_ += word;
    }
    void finish() { index_.emplace(run_, std::make_pair(first_, spans_.size())); }

private:
    // Runs are views of the text being scanned, which outlives the memo.
    std::unordered_map<std::string_view, std::pair<std::size_t, std::size_t>> index_;
    std::string arena_; // every remembered word, back to back
    std::vector<std::pair<std::size_t, std::size_t>> spans_; // offset and size in arena_
    std::vector<std::string_view> words_;
    std::string_view run_;
    std::size_t first_ = 0;
};

} // namespace

void scan_words(std::string_view folded_text, const Segmenter &segmenter,
                const std::function<void(std::string_view)> &on_word)
{
    Segmenter::Run chinese(segmenter);
    OtherWords other;
    RunMemo memo;
    const auto remember = [&](std::string_view word) { memo.add(word); };
    const auto remember_chinese = [&](std::string_view word) {
        if (code_point_count(word) >= 2)
            memo.add(word);
    };

    const auto *bytes = reinterpret_cast<const uint8_t *>(folded_text.data());
    const auto length = static_cast<int32_t>(folded_text.size());
    int32_t run_start = 0;
    bool run_is_han = false;
    const auto finish_run = [&](int32_t run_end) {
        if (run_end == run_start)
            return;
        const std::string_view run = folded_text.substr(static_cast<std::size_t>(run_start),
                                                        static_cast<std::size_t>(run_end - run_start));
        const std::vector<std::string_view> *words = memo.find(run);
        if (!words) {
            memo.start(run);
            if (run_is_han)
                chinese.words(run, remember_chinese);
            else
                other.scan(run, remember);
            memo.finish();
            words = memo.find(run);
        }
        for (const std::string_view word : *words)
            on_word(word);
    };
    for (int32_t pos = 0; pos < length;) {
        const int32_t here = pos;
        UChar32 c = 0;
        U8_NEXT(bytes, pos, length, c);
        const bool han = c >= 0 && is_han(c);
        if (han != run_is_han) {
            finish_run(here);
            run_start = here;
            run_is_han = han;
        }
    }
    finish_run(length);
}

} // namespace seo
