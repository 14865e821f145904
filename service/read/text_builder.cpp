#include "read/text_builder.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace seo {

namespace {

// Most page text is ASCII: answer it without a property lookup.
bool is_white_space(UChar32 c)
{
    if (c < 0x80)
        return c == ' ' || (c >= '\t' && c <= '\r');
    return u_isUWhiteSpace(c);
}

} // namespace

void TextBuilder::append(std::string_view utf8)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t pos = 0;
    while (pos < length) {
        // A stretch without white space is written in one go.
        const int32_t start = pos;
        int32_t end = pos;
        while (end < length) {
            UChar32 c = 0;
            U8_NEXT(bytes, pos, length, c);
            if (c >= 0 && is_white_space(c))
                break;
            end = pos;
        }
        if (end > start)
            append_piece(utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
        if (pos > end)
            space();
    }
}

void TextBuilder::space()
{
    pending_space_ = true;
}

void TextBuilder::line_break()
{
    pending_line_ = true;
}

void TextBuilder::append_piece(std::string_view bytes)
{
    if (!text_.empty()) {
        if (pending_line_)
            text_ += '\n';
        else if (pending_space_)
            text_ += ' ';
    }
    pending_line_ = false;
    pending_space_ = false;
    text_ += bytes;
}

} // namespace seo
