#include "read/charset.h"

#include "base/ascii.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <stdexcept>

namespace seo {
namespace {

constexpr std::size_t kMetaScanBytes = 4096;

bool is_label_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
}

// The value after "charset" at `pos` in lowered text, e.g. `charset = "gbk"`.
std::string charset_value_at(std::string_view lowered, std::size_t pos)
{
    pos += std::string_view("charset").size();
    const auto skip = [&](std::string_view chars) {
        while (pos < lowered.size() && chars.find(lowered[pos]) != std::string_view::npos)
            ++pos;
    };
    skip(" \t\r\n");
    if (pos >= lowered.size() || lowered[pos] != '=')
        return {};
    ++pos;
    skip(" \t\r\n\"'");
    const std::size_t start = pos;
    while (pos < lowered.size() && is_label_char(lowered[pos]))
        ++pos;
    return std::string(lowered.substr(start, pos - start));
}

// Labels pages use, mapped to the converter browsers actually apply.
std::string converter_for_label(const std::string &label)
{
    static constexpr std::array<std::string_view, 7> kGbFamily = {
        "gb2312", "gbk", "x-gbk", "gb_2312-80", "csgb2312", "chinese", "gb18030"};
    static constexpr std::array<std::string_view, 5> kLatin1Family = {"iso-8859-1", "latin1", "l1",
                                                                      "us-ascii", "ascii"};
    if (std::find(kGbFamily.begin(), kGbFamily.end(), label) != kGbFamily.end())
        return "GB18030";
    if (std::find(kLatin1Family.begin(), kLatin1Family.end(), label) != kLatin1Family.end())
        return "windows-1252";
    // "utf-16" means little-endian to browsers, while ICU would read it big-endian.
    static constexpr std::array<std::string_view, 7> kUtf16LittleFamily = {
        "utf-16", "utf-16le", "unicode", "ucs-2", "csunicode", "iso-10646-ucs-2", "unicodefeff"};
    if (label == "utf8")
        return "UTF-8";
    if (std::find(kUtf16LittleFamily.begin(), kUtf16LittleFamily.end(), label) != kUtf16LittleFamily.end())
        return "UTF-16LE";
    if (label == "utf-16be" || label == "unicodefffe")
        return "UTF-16BE";
    return label;
}

// ICU's own name for the converter a name or alias opens; nothing when none does.
std::optional<std::string> converter_name(const std::string &name)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(name.c_str(), &status),
                                                                       &ucnv_close);
    if (U_FAILURE(status) || !converter)
        return std::nullopt;
    const char *canonical = ucnv_getName(converter.get(), &status);
    return U_SUCCESS(status) && canonical ? std::optional<std::string>(canonical) : std::nullopt;
}

bool converter_exists(const std::string &name)
{
    return converter_name(name).has_value();
}

std::optional<std::string> usable(const std::string &label)
{
    if (label.empty())
        return std::nullopt;
    std::string name = converter_for_label(label);
    if (!converter_exists(name))
        return std::nullopt;
    return name;
}

std::optional<std::string> from_content_type(std::string_view content_type)
{
    const std::string lowered = ascii_lower(content_type);
    const std::size_t pos = lowered.find("charset");
    if (pos == std::string::npos)
        return std::nullopt;
    return usable(charset_value_at(lowered, pos));
}

std::optional<std::string> from_byte_order_mark(std::string_view body)
{
    if (body.starts_with("\xEF\xBB\xBF"))
        return "UTF-8";
    // ICU's UTF-16 and UTF-32 converters read the mark for the byte order and drop it.
    if (body.starts_with(std::string_view("\xFF\xFE\0\0", 4))
        || body.starts_with(std::string_view("\0\0\xFE\xFF", 4)))
        return "UTF-32";
    if (body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF"))
        return "UTF-16";
    return std::nullopt;
}

bool is_utf16(std::string_view name)
{
    return ascii_lower(name).starts_with("utf-16");
}

bool is_utf32(std::string_view name)
{
    return ascii_lower(name).starts_with("utf-32");
}

std::optional<std::string> from_meta(std::string_view body)
{
    const std::string head = ascii_lower(body.substr(0, kMetaScanBytes));
    for (std::size_t tag = head.find("<meta"); tag != std::string::npos; tag = head.find("<meta", tag + 1)) {
        const std::size_t end = std::min(head.find('>', tag), head.size());
        const std::size_t pos = head.find("charset", tag);
        if (pos >= end)
            continue;
        const std::optional<std::string> name =
            usable(charset_value_at(std::string_view(head).substr(0, end), pos));
        if (!name || is_utf32(*name))
            continue; // browsers know no UTF-32 label and go on looking
        // A declaration read as ASCII cannot be in UTF-16: browsers take such pages as UTF-8.
        return is_utf16(*name) ? "UTF-8" : *name;
    }
    return std::nullopt;
}

bool is_valid_utf8(std::string_view body)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8(nullptr, 0, &needed, body.data(), static_cast<int32_t>(body.size()), &status);
    return status != U_INVALID_CHAR_FOUND;
}

std::string convert(std::string_view body, const std::string &from)
{
    std::string out(body.size() * 3 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucnv_convert("UTF-8", from.c_str(), out.data(), static_cast<int32_t>(out.size()),
                                  body.data(), static_cast<int32_t>(body.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        out.assign(static_cast<std::size_t>(length), '\0');
        length = ucnv_convert("UTF-8", from.c_str(), out.data(), length, body.data(),
                              static_cast<int32_t>(body.size()), &status);
    }
    if (U_FAILURE(status))
        throw std::runtime_error("character set conversion failed");
    out.resize(static_cast<std::size_t>(length));
    return out;
}

} // namespace

std::string detect_charset(std::string_view body, std::string_view content_type)
{
    return charset_sources(body, content_type).used;
}

CharsetSources charset_sources(std::string_view body, std::string_view content_type)
{
    CharsetSources sources{from_byte_order_mark(body).value_or(""),
                           from_content_type(content_type).value_or(""), from_meta(body).value_or(""), ""};
    // A byte-order mark wins over any declaration, as in browsers.
    for (const std::string *declared : {&sources.byte_order_mark, &sources.http, &sources.meta})
        if (!declared->empty()) {
            sources.used = *declared;
            return sources;
        }
    sources.used = is_valid_utf8(body) ? "UTF-8" : "GB18030";
    return sources;
}

bool same_encoding(const std::string &a, const std::string &b)
{
    const std::optional<std::string> first = converter_name(a);
    return first ? first == converter_name(b) : a == b;
}

bool is_wide_unicode(std::string_view charset)
{
    return is_utf16(charset) || is_utf32(charset);
}

std::string decode_to_utf8(std::string_view body, const std::string &charset)
{
    const bool utf8 = ascii_lower(charset) == "utf-8";
    if (utf8 && body.starts_with("\xEF\xBB\xBF"))
        body.remove_prefix(3);
    if (utf8 && is_valid_utf8(body))
        return std::string(body);
    return convert(body, charset);
}

} // namespace seo
