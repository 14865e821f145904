#include "site/text_builder.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace seo {

void TextBuilder::append(std::string_view utf8)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t pos = 0;
    while (pos < length) {
        const int32_t start = pos;
        UChar32 c = 0;
        U8_NEXT(bytes, pos, length, c);
        if (c < 0)
            c = 0xFFFD;
        if (u_isUWhiteSpace(c))
            space();
        else
            append_code_point(utf8.substr(static_cast<std::size_t>(start),
                                          static_cast<std::size_t>(pos - start)));
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

void TextBuilder::append_code_point(std::string_view bytes)
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

}  // namespace seo
