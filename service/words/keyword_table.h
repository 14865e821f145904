#pragma once

#include "words/language.h"
#include "words/page_text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace seo {

struct KeywordRow
{
    std::string word; // case-folded, in the page's own characters
    std::size_t occurrences = 0;
    double density = 0; // percent
    bool in_title = false;
    bool in_h1 = false;
};

// The page's topic: the words of its title and h1 headings, in the forms they are counted
// in. The site's name that a title ends with ("手机评测 - 优品商城", "读书笔记_阿木的博客")
// is no topic of the page: every page of the site has it.
using TopicWords = std::unordered_set<std::string>;
TopicWords page_topic(std::string_view title, std::string_view h1_text, const Language &language);
std::string_view title_without_site_name(std::string_view title);

// The keywords a webmaster would search a page for: its words of two or more characters
// that are no stop words (words of navigation are, unless they are the page's topic), and pairs of Chinese
// words that stand side by side nearly every time either occurs (运维 + 工程师 → 运维工程师), each row
// counted by the page text's rule. A word found mostly (80 %) inside a longer row is left out, so a table
// never ranks a piece above the word it sits in. The `limit` most frequent, most frequent first and ties in
// order of first appearance.
std::vector<KeywordRow> top_keywords(const PageText &text, const Language &language,
                                     const TopicWords &topic = {}, std::size_t limit = 30);

} // namespace seo
