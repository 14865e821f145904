#include "site/word_scan.h"

#include "site/unicode_text.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <memory>
#include <stdexcept>

namespace seo {
namespace {

bool is_han(UChar32 c)
{
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(c, &status) == USCRIPT_HAN;
}

std::size_t letter_count(std::string_view word)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(word.data());
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

    void scan(std::string_view text, const std::function<void(std::string_view)>& on_word)
    {
        UErrorCode status = U_ZERO_ERROR;
        UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()),
                                      &status);
        const std::unique_ptr<UText, decltype(&utext_close)> guard(utext, &utext_close);
        ubrk_setUText(breaker_.get(), utext, &status);
        if (U_FAILURE(status))
            throw std::runtime_error("ICU word breaking failed");
        int32_t start = ubrk_first(breaker_.get());
        for (int32_t end = ubrk_next(breaker_.get()); end != UBRK_DONE;
             start = end, end = ubrk_next(breaker_.get())) {
            const int32_t kind = ubrk_getRuleStatus(breaker_.get());
            if (kind < UBRK_WORD_LETTER || kind >= UBRK_WORD_IDEO_LIMIT)
                continue;  // spaces, punctuation, numbers
            const std::string_view word = text.substr(static_cast<std::size_t>(start),
                                                      static_cast<std::size_t>(end - start));
            if (letter_count(word) >= 2)
                on_word(word);
        }
    }

private:
    std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaker_{nullptr, &ubrk_close};
};

}  // namespace

void scan_words(std::string_view folded_text, const Segmenter& segmenter,
                const std::function<void(std::string_view)>& on_word)
{
    Segmenter::Run chinese(segmenter);
    OtherWords other;
    const auto on_chinese_word = [&](std::string_view word) {
        if (code_point_count(word) >= 2)
            on_word(word);
    };

    const auto* bytes = reinterpret_cast<const uint8_t*>(folded_text.data());
    const auto length = static_cast<int32_t>(folded_text.size());
    int32_t run_start = 0;
    bool run_is_han = false;
    const auto finish_run = [&](int32_t run_end) {
        if (run_end == run_start)
            return;
        const std::string_view run = folded_text.substr(static_cast<std::size_t>(run_start),
                                                        static_cast<std::size_t>(run_end - run_start));
        if (run_is_han)
            chinese.words(run, on_chinese_word);
        else
            other.scan(run, on_word);
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

}  // namespace seo
