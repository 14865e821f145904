#pragma once

#include "site/page_text.h"
#include "site/segmenter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace seo {

struct KeywordRow
{
    std::string word; // case-folded
    std::size_t occurrences = 0;
    double density = 0; // percent
};

// The page's keywords: the `limit` words segmentation finds most often (stop words
// left out), each with its occurrences and density as the density check counts them,
// most frequent first and ties in order of first appearance.
std::vector<KeywordRow> top_keywords(const PageText &text, const Segmenter &segmenter,
                                     std::size_t limit = 30);

} // namespace seo
