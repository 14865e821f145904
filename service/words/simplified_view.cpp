#include "words/simplified_view.h"

#include "base/unicode_text.h"

#include <opencc/opencc.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace seo {
namespace {

opencc_t open_converter(const std::filesystem::path &config)
{
    // OpenCC reports failure with the handle (opencc_t)-1.
    const opencc_t opened = opencc_open(config.c_str());
    if (reinterpret_cast<std::intptr_t>(opened) == -1)
        throw std::runtime_error(std::string("OpenCC cannot use ") + config.string() + ": " + opencc_error());
    return opened;
}

std::string converted(void *converter, std::string_view utf8)
{
    char *out = opencc_convert_utf8(static_cast<opencc_t>(converter), utf8.data(), utf8.size());
    // A text OpenCC cannot read (it refuses some byte sequences) stays as the page has it:
    // one unreadable phrase must not cost the page its analysis.
    if (!out)
        return std::string(utf8);
    std::string text(out);
    opencc_convert_utf8_free(out);
    return text;
}

} // namespace

void SimplifiedView::OpenccCloser::operator()(void *converter) const
{
    opencc_close(static_cast<opencc_t>(converter));
}

SimplifiedView::SimplifiedView(const std::filesystem::path &characters,
                               const std::filesystem::path &view_phrases,
                               const std::filesystem::path &meaning_phrases)
    : table_(kLast - kFirst + 1, 0)
    , view_phrases_(open_converter(view_phrases))
    , meaning_phrases_(open_converter(meaning_phrases))
{
    const std::unique_ptr<void, OpenccCloser> converter(open_converter(characters));
    // Every character of the block at once, each on its own line so none joins another.
    std::string block;
    for (char32_t ch = kFirst; ch <= kLast; ++ch) {
        char bytes[4];
        int32_t length = 0;
        U8_APPEND_UNSAFE(bytes, length, ch);
        block.append(bytes, std::size_t(length));
        block += '\n';
    }
    const std::u32string after = code_points(converted(converter.get(), block));
    const std::u32string before = code_points(block);
    if (after.size() != before.size())
        throw std::runtime_error("OpenCC did not convert character by character with " + characters.string());
    for (std::size_t i = 0; i < before.size(); ++i) {
        const char32_t from = before[i], to = after[i];
        if (from != to && from >= kFirst && from <= kLast && U8_LENGTH(to) == U8_LENGTH(from))
            table_[from - kFirst] = to;
    }
}

char32_t SimplifiedView::simplified(char32_t ch) const
{
    if (table_.empty() || ch < kFirst || ch > kLast || table_[ch - kFirst] == 0)
        return ch;
    return table_[ch - kFirst];
}

bool SimplifiedView::is_traditional(std::string_view utf8) const
{
    std::size_t chinese = 0, traditional = 0;
    for_each_code_point(utf8, [&](char32_t ch, std::size_t, std::size_t) {
        if (ch < kFirst || ch > kLast)
            return;
        ++chinese;
        traditional += simplified(ch) != ch;
    });
    return chinese > 0 && traditional * 20 >= chinese;
}

std::string SimplifiedView::simplified(std::string_view utf8) const
{
    std::string out;
    out.reserve(utf8.size());
    for_each_code_point(utf8, [&](char32_t ch, std::size_t begin, std::size_t end) {
        const char32_t to = simplified(ch);
        if (to == ch) { // ill-formed bytes too are kept as they are
            out.append(utf8.substr(begin, end - begin));
            return;
        }
        char encoded[4];
        int32_t size = 0;
        U8_APPEND_UNSAFE(encoded, size, to);
        out.append(encoded, std::size_t(size));
    });
    return out;
}

bool SimplifiedView::holds_traditional(std::string_view utf8) const
{
    bool traditional = false;
    for_each_code_point(utf8, [&](char32_t ch, std::size_t, std::size_t) {
        traditional = traditional || simplified(ch) != ch;
    });
    return traditional;
}

std::string SimplifiedView::simplified_runs(std::string_view utf8) const
{
    std::string out(utf8);
    if (!view_phrases_)
        return out;
    std::size_t run_begin = 0, run_end = 0;
    const auto finish_run = [&] {
        const std::string_view run = utf8.substr(run_begin, run_end - run_begin);
        if (run.empty() || !holds_traditional(run))
            return;
        std::string by_phrases = converted(view_phrases_.get(), run);
        // Words are found in the view and shown from the page: every character must stay
        // in its place.
        if (by_phrases.size() != run.size() || code_point_count(by_phrases) != code_point_count(run))
            by_phrases = simplified(run);
        out.replace(run_begin, run.size(), by_phrases);
    };
    for_each_code_point(utf8, [&](char32_t ch, std::size_t, std::size_t end) {
        if (ch < kFirst || ch > kLast) {
            finish_run();
            run_begin = end;
        }
        run_end = end;
    });
    finish_run();
    return out;
}

std::string SimplifiedView::phrase_form(std::string_view word) const
{
    return meaning_phrases_ ? converted(meaning_phrases_.get(), word) : std::string(word);
}

} // namespace seo
