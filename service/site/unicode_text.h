#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace seo {

// Number of Unicode code points in valid UTF-8 text: what the pages call "characters".
std::size_t code_point_count(std::string_view utf8);

// Full Unicode case folding, so "SEO", "Seo" and "seo" count as one word.
std::string fold_case(std::string_view utf8);

// Escapes only &, < and >: enough to keep page-derived text from opening or closing
// tags (every marker the desktop tool cuts at holds one of those), while the tool can
// still show the text raw.
std::string html_escape(std::string_view text);

// "3.50%": two decimals, dot as separator whatever the locale.
std::string format_percent(double percent);

} // namespace seo
