#include "site/simplified_view.h"

#include "site/unicode_text.h"

#include <opencc/opencc.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace seo {
namespace {

struct OpenccCloser
{
    void operator()(void *converter) const { opencc_close(static_cast<opencc_t>(converter)); }
};

} // namespace

SimplifiedView::SimplifiedView(const std::filesystem::path &config)
    : table_(kLast - kFirst + 1, 0)
{
    // OpenCC reports failure with the handle (opencc_t)-1.
    opencc_t opened = opencc_open(config.c_str());
    if (reinterpret_cast<std::intptr_t>(opened) == -1)
        opened = nullptr;
    const std::unique_ptr<void, OpenccCloser> converter(opened);
    if (!converter)
        throw std::runtime_error(std::string("OpenCC cannot use ") + config.string() + ": " + opencc_error());
    // Every character of the block at once, each on its own line so none joins another.
    std::string block;
    for (char32_t ch = kFirst; ch <= kLast; ++ch) {
        char bytes[4];
        int32_t length = 0;
        U8_APPEND_UNSAFE(bytes, length, ch);
        block.append(bytes, std::size_t(length));
        block += '\n';
    }
    char *converted = opencc_convert_utf8(static_cast<opencc_t>(converter.get()), block.data(), block.size());
    if (!converted)
        throw std::runtime_error(std::string("OpenCC failed: ") + opencc_error());
    const std::u32string after = code_points(converted);
    opencc_convert_utf8_free(converted);
    const std::u32string before = code_points(block);
    if (after.size() != before.size())
        throw std::runtime_error("OpenCC did not convert character by character with " + config.string());
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

} // namespace seo
