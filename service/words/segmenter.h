#pragma once

#include "words/lexicon.h"

#include <string_view>
#include <vector>

namespace seo {

// Chinese word segmentation as jieba does it: every segmentation of a run of Chinese
// characters into lexicon words is a path through a word graph; the one whose words are
// jointly most probable wins. Stretches of single characters that form no known word go
// through the hidden Markov model, which finds names and new terms (运维). One Segmenter
// is shared by all threads: it is only read.
class Segmenter
{
public:
    Segmenter(Lexicon lexicon, WordModel model);

    // The lengths, in characters, of the words a run of Chinese characters splits into.
    void split(std::u32string_view run, std::vector<std::size_t> &lengths) const;

    const Lexicon &lexicon() const { return lexicon_; }

private:
    void split_unknown(std::u32string_view run, std::vector<std::size_t> &lengths) const;

    Lexicon lexicon_;
    WordModel model_;
};

} // namespace seo
