#include "render/shown_text.h"

#include "base/unicode_text.h"

#include <contract/site_contract.h>

namespace seo {
namespace {

// Control characters other than tab and line feed (NUL among them) would corrupt what
// shows the text: each becomes U+FFFD.
void append_visible(std::string &out, char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t' && c != '\n') || byte == 0x7F)
        out += "\uFFFD";
    else
        out += c;
}

} // namespace

std::string shown_text(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    // The marker's own '>' comes from the tag the text follows.
    const std::string_view heading = site_contract::meta::kSectionStart.substr(1);
    if (utf8.starts_with(heading)) {
        out += "标题(Title)";
        utf8.remove_prefix(heading.size());
    }
    for (const char c : utf8) {
        if (c == '<')
            out += "＜";
        else if (c == '>')
            out += "＞";
        else
            append_visible(out, c);
    }
    return out;
}

std::string spider_text(std::string_view utf8)
{
    const std::string shown = shown_text(utf8);
    const std::string_view phrase = site_contract::spider::kSiteFailure;
    const std::size_t first = std::size_t(U8_LENGTH(UChar32(first_code_point(phrase))));
    std::string out;
    out.reserve(shown.size());
    std::size_t from = 0;
    for (std::size_t at = shown.find(phrase); at != std::string::npos; at = shown.find(phrase, at + 1)) {
        out.append(shown, from, at + first - from);
        out += "\u2060";
        from = at + first;
    }
    out.append(shown, from);
    return out;
}

std::string html_escaped(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (const char c : utf8) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else
            append_visible(out, c);
    }
    return out;
}

} // namespace seo
