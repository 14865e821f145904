#pragma once

#include "site/segmenter.h"

#include <functional>
#include <string_view>

namespace seo {

// Calls on_word with each word of case-folded text that may be a keyword, in text
// order: Chinese words of two or more characters as friso segments them, and other
// words (as ICU's word breaking finds them) holding two or more letters. Numbers and
// punctuation never come out.
void scan_words(std::string_view folded_text, const Segmenter &segmenter,
                const std::function<void(std::string_view)> &on_word);

} // namespace seo
