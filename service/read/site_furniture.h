#pragma once

#include "read/text_layout.h"

#include <gumbo.h>

#include <cstddef>
#include <cstdint>
#include <functional>
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
    };
    Opened enter(const GumboNode &element, bool visible, std::size_t text_offset);
    void leave(const Opened &opened, std::size_t text_offset);
    void link(std::size_t begin, std::size_t end);
    // A text node the page shows, written as `text` from byte `begin`; `in_block` when its
    // element is a block.
    void text(std::size_t begin, std::string_view text, const GumboNode &node, bool in_block);
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
    // Shapes looked up by string_view, without a string made for each text.
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> shapes_;
    std::string shape_; // the shape of the text at hand
    std::vector<std::size_t> shape_counts_;
    std::vector<ShortText> short_texts_;
};

} // namespace seo
