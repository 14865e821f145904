#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace seo {

// A stretch of a page's text, as byte offsets into the text as written.
struct TextRange
{
    std::uint32_t begin;
    std::uint32_t end;
};

// Where a page's text is the site's furniture rather than the page's own content. Both
// lists are sorted and their ranges do not overlap.
struct TextLayout
{
    // Menus, headers, footers, side bars, buttons, and short texts repeated item after
    // item (有用(3), 回复, 积分 120 under every review or post).
    std::vector<TextRange> chrome;
    // The texts of links.
    std::vector<TextRange> links;

    std::size_t memory_bytes() const { return (chrome.capacity() + links.capacity()) * sizeof(TextRange); }
};

} // namespace seo
