#pragma once

#include "site/text_layout.h"

#include <gumbo.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace seo {

// Tells a site's furniture (menus, header, footer, side bars, controls, and short texts
// repeated item after item) and its link texts from a page's own content, while the page
// is read in document order and its text written. Offsets are bytes of that text.
class FurnitureFinder
{
public:
    // What an element opened, for leave() to close.
    struct Opened
    {
        bool chrome = false;
        bool section = false;
        bool one_text = false; // it holds a text and nothing else, standing apart from any sentence
    };
    Opened enter(const GumboNode &element, bool visible, bool block, std::size_t text_offset);
    void leave(const Opened &opened, std::size_t text_offset);
    void link(std::size_t begin, std::size_t end);
    // A text the page shows, from byte `begin`, written as `text`; `whole` when it is all
    // its element holds.
    void text(std::size_t begin, std::string_view text, bool whole);
    // Once the whole page has been read.
    TextLayout finish();

private:
    struct ShortText
    {
        TextRange range;
        std::uint32_t shape;
    };
    void note_short_text(std::size_t begin, std::string_view text);

    TextLayout layout_;
    std::size_t chrome_depth_ = 0; // furniture elements open, one in another
    std::size_t chrome_start_ = 0; // where the outermost of them began
    std::size_t sections_ = 0; // sectioning elements open
    std::unordered_map<std::string, std::uint32_t> shapes_;
    std::vector<std::size_t> shape_counts_;
    std::vector<ShortText> short_texts_;
};

} // namespace seo
