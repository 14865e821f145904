#pragma once

#include "site/html_tree.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace seo {

// What the analysis reads out of one HTML page. All texts are UTF-8 with white space
// collapsed.
struct PageContent
{
    std::string title;
    std::string keywords; // <meta name="keywords" content=...>
    std::string description; // <meta name="description" content=...>
    // The visible text of the body in document order, one line per block: what a
    // search spider indexes, and the "page text" every figure is computed on.
    std::string text;
    // The visible headings, h1 to h6, in document order.
    struct Heading
    {
        int level;
        std::string text;
    };
    std::vector<Heading> headings;
};

// Why a page could not be read: it passed the parser's budget or nests absurdly deep.
struct Unreadable
{
    std::string reason;
};

// Elements nested deeper than this come only from hostile or broken pages.
constexpr std::size_t kMaxNesting = 1500;

std::variant<PageContent, Unreadable> read_page(std::string_view utf8_html, const ParseBudget &budget);

} // namespace seo
