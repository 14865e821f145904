#pragma once

#include "words/page_text.h"

#include <array>
#include <string_view>

namespace seo {

// Link texts that say nothing of where they lead, in both languages: one list, written in
// simplified Chinese and lower case, matched in every script and spelling a page uses.
extern const std::array<std::string_view, 42> kVagueLinkTexts;
// Where the list comes from, as the help page states it.
extern const std::string_view kVagueLinkTextSources;

// Whether a link text is one of kVagueLinkTexts, both read as keywords are (full-width
// letters, case, traditional characters) and compared without spaces, punctuation or
// symbols: 點擊這裡, 更多>>, [详情] and Read more… are all vague.
bool is_vague_link_text(std::string_view link_text, const PageText &page);

} // namespace seo
