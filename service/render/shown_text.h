#pragma once

#include <string>
#include <string_view>

namespace seo {

// Text from a target page or a request, as the site's pages show it. The desktop tool
// shows what it cuts out raw, so nothing is written as an HTML entity; only what could
// form or break one of its markers is replaced, each character by one character, so
// the text keeps its length:
// - '<' and '>' become their full-width forms '＜' and '＞' (every marker that holds a
//   tag holds one of them);
// - a text that begins like the meta section's heading 标题（Title） has those
//   parentheses written in ASCII, since it may follow a tag's '>';
// - control characters other than tab and line feed (NUL among them) become U+FFFD.
std::string shown_text(std::string_view utf8);

// A page's text in the spider view, as the tool reads it: as shown_text(), and with a
// WORD JOINER (U+2060, invisible) after the first character of the site's words for a
// failed connection wherever the page has them, so that a page quoting them is not taken
// for a failure.
std::string spider_text(std::string_view utf8);

// Text for the parts of pages only browsers read (the audit, forms): '&', '<', '>' and
// '"' written as entities, so it is safe in element content and in quoted attributes;
// control characters as in shown_text().
std::string html_escaped(std::string_view utf8);

} // namespace seo
