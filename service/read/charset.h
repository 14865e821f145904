#pragma once

#include <string>
#include <string_view>

namespace seo {

// The character set a fetched page is written in, as an ICU converter name. Looked for
// in this order, as browsers do: a byte-order mark, the HTTP Content-Type charset, a
// <meta> declaration near the top, then "valid UTF-8 means UTF-8", else GB18030 (a superset of GB2312 and
// GBK, the usual undeclared encodings of Chinese pages).
std::string detect_charset(std::string_view body, std::string_view content_type);

// Where a page says what it is written in, each as the converter it names (empty where
// it says nothing), and what detect_charset() takes.
struct CharsetSources
{
    std::string byte_order_mark;
    std::string http; // the Content-Type header
    std::string meta; // a <meta> declaration near the top
    std::string used;
};
CharsetSources charset_sources(std::string_view body, std::string_view content_type);

// Whether two converter names (as CharsetSources holds them) name one encoding:
// "utf-8" and "UTF-8", "sjis" and "shift_jis" do.
bool same_encoding(const std::string &a, const std::string &b);

// UTF-16 or UTF-32: the only character sets whose text holds NUL bytes.
bool is_wide_unicode(std::string_view charset);

// The page as UTF-8, read in the given character set (as detect_charset names it);
// bytes that do not decode become U+FFFD.
std::string decode_to_utf8(std::string_view body, const std::string &charset);

} // namespace seo
