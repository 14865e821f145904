#pragma once

#include "words/segmenter.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace seo {

// A word of a text, as byte offsets into it.
struct Word
{
    enum class Kind : std::uint8_t { chinese, letters, number };

    std::uint32_t begin;
    std::uint32_t end;
    Kind kind;
};

// The words of a case-folded text whose Chinese is in simplified characters, in order:
// Chinese words as the segmenter finds them, and the words and numbers of other scripts
// as ICU's word boundaries find them. Spaces and punctuation are no words.
std::vector<Word> split_words(std::string_view text, const Segmenter &segmenter);

} // namespace seo
