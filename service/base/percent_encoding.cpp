#include "base/percent_encoding.h"

#include <optional>

namespace seo {
namespace {

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The byte an escape at `at` stands for; nothing when no escape starts there.
std::optional<unsigned char> escaped_byte(std::string_view text, std::size_t at)
{
    if (text[at] != '%' || at + 2 >= text.size())
        return std::nullopt;
    const int high = hex_value(text[at + 1]), low = hex_value(text[at + 2]);
    if (high < 0 || low < 0)
        return std::nullopt;
    return static_cast<unsigned char>(high * 16 + low);
}

bool is_unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

void append_escape(std::string &out, unsigned char byte)
{
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    out += '%';
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
}

} // namespace

std::string percent_decoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (const std::optional<unsigned char> byte = escaped_byte(text, at)) {
            out += static_cast<char>(*byte);
            at += 2;
        } else {
            out += text[at];
        }
    }
    return out;
}

std::string percent_encoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (is_unreserved(static_cast<unsigned char>(c)))
            out += c;
        else
            append_escape(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string normalized_percent_encoding(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (const std::optional<unsigned char> byte = escaped_byte(text, at)) {
            if (is_unreserved(*byte))
                out += static_cast<char>(*byte);
            else
                append_escape(out, *byte);
            at += 2;
        } else if (c <= 0x20 || c >= 0x7F) {
            append_escape(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace seo
