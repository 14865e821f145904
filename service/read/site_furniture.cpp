#include "read/site_furniture.h"

#include "base/ascii.h"
#include "read/html_attributes.h"

#include <algorithm>
#include <iterator>

namespace seo {
namespace {

// Sectioning content: a header or footer inside it belongs to an article or a section,
// not to the site.
bool is_sectioning(GumboTag tag)
{
    return tag == GUMBO_TAG_ARTICLE || tag == GUMBO_TAG_MAIN || tag == GUMBO_TAG_SECTION;
}

// Whether a class or id names a part of the site's furniture, as layouts of every age do
// (div class="topbar", id="breadcrumb", class="side-nav"). "menu" is no such word: a
// restaurant's menu is its content.
bool names_furniture(std::string_view names, bool in_section)
{
    static constexpr std::string_view kAnywhere[] = {
        "nav",   "navbar", "navigation", "topbar",     "toolbar", "breadcrumb", "breadcrumbs",
        "crumb", "crumbs", "pager",      "pagination", "sidebar", "copyright"};
    static constexpr std::string_view kOutsideSections[] = {"header", "footer"};
    while (!names.empty()) {
        const std::size_t end = std::min(names.find_first_of(" \t\n\r\f-_"), names.size());
        const std::string_view word = names.substr(0, end);
        names.remove_prefix(std::min(end + 1, names.size()));
        const auto is_word = [word](std::string_view known) {
            return std::ranges::equal(word, known, {}, [](char c) { return ascii_lower(c); });
        };
        if (std::ranges::any_of(kAnywhere, is_word)
            || (!in_section && std::ranges::any_of(kOutsideSections, is_word)))
            return true;
    }
    return false;
}

bool names_furniture_role(const char *role)
{
    static constexpr std::string_view kRoles[] = {"navigation", "banner", "contentinfo", "complementary",
                                                  "search",     "menu",   "menubar",     "toolbar"};
    return std::ranges::find(kRoles, squeezed_lower(role)) != std::end(kRoles);
}

// Navigation, side bars, the site's header and footer, and controls: the furniture of a
// site, which its pages share, by element, ARIA role or class name.
bool is_furniture(const GumboElement &element, bool in_section)
{
    switch (element.tag) {
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BUTTON:
    case GUMBO_TAG_SELECT:
    case GUMBO_TAG_LABEL:
        return true;
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_FOOTER:
        if (!in_section)
            return true;
        break;
    default:
        break;
    }
    // One look at each attribute (the parser writes their names in lower case).
    for (unsigned i = 0; i < element.attributes.length; ++i) {
        const auto *attribute = static_cast<const GumboAttribute *>(element.attributes.data[i]);
        const std::string_view name = attribute->name;
        if ((name == "class" || name == "id") ? names_furniture(attribute->value, in_section)
                                              : name == "role" && names_furniture_role(attribute->value))
            return true;
    }
    return false;
}

// A short text that stands item after item (有用(3), 积分 120, 颜色：黑色) is furniture
// when it does so at least this often; its shape leaves out digits and what follows a
// label's colon.
constexpr std::size_t kRepeatedItems = 3;
constexpr std::size_t kShortTextCharacters = 24;
constexpr std::size_t kShortLineCharacters = 48;
constexpr std::size_t kLabelCharacters = 8;

std::size_t utf8_length(std::string_view text)
{
    return std::size_t(
        std::ranges::count_if(text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// A piece of a line without Latin letters, short as labels are, in some script beyond ASCII.
bool is_chinese_label(std::string_view piece)
{
    return !piece.empty() && utf8_length(piece) <= kLabelCharacters
        && std::ranges::any_of(piece, [](char c) { return static_cast<unsigned char>(c) >= 0x80; })
        && std::ranges::none_of(piece, [](char c) { return ascii_lower(c) >= 'a' && ascii_lower(c) <= 'z'; });
}

// Written into `shape`, whose memory serves one text after another.
void shape_of(std::string_view text, std::string &shape)
{
    for (std::string_view colon : {std::string_view(":"), std::string_view("\uFF1A")})
        if (const std::size_t at = text.find(colon); at != std::string_view::npos)
            text = text.substr(0, at + colon.size());
    shape.clear();
    std::ranges::copy_if(text, std::back_inserter(shape), [](char c) { return c < '0' || c > '9'; });
}

// Sorted, and overlapping or touching ranges joined.
void normalise(std::vector<TextRange> &ranges)
{
    std::ranges::sort(ranges, {}, &TextRange::begin);
    std::size_t kept = 0;
    for (const TextRange &range : ranges) {
        if (kept > 0 && range.begin <= ranges[kept - 1].end)
            ranges[kept - 1].end = std::max(ranges[kept - 1].end, range.end);
        else
            ranges[kept++] = range;
    }
    ranges.resize(kept);
}

// Whether an inline element stands in running text: a sentence goes on beside it, or
// joins it with no space between (选择「<span>编辑 - 数据库</span>」。, <em>StDev</em> is the
// standard deviation), as a user name before a row of labels does not.
bool in_running_text(const GumboNode &node)
{
    if (!node.parent || node.parent->type != GUMBO_NODE_ELEMENT)
        return false;
    const GumboVector &siblings = node.parent->v.element.children;
    const auto text_at = [&siblings](std::size_t i) -> std::string_view {
        const auto *sibling = static_cast<const GumboNode *>(siblings.data[i]);
        return sibling->type == GUMBO_NODE_TEXT ? sibling->v.text.text : "";
    };
    const std::size_t at = node.index_within_parent;
    const std::string_view before = at > 0 ? text_at(at - 1) : "";
    const std::string_view after = at + 1 < siblings.length ? text_at(at + 1) : "";
    const auto space = [](char c) { return std::string_view(" \t\n\r\f").find(c) != std::string_view::npos; };
    const auto sentence = [](std::string_view text) { return utf8_length(text) > kLabelCharacters + 2; };
    return (!before.empty() && (!space(before.back()) || sentence(before)))
        || (!after.empty() && (!space(after.front()) || sentence(after)));
}

bool is_heading(GumboTag tag)
{
    return tag >= GUMBO_TAG_H1 && tag <= GUMBO_TAG_H6;
}

} // namespace

FurnitureFinder::Opened FurnitureFinder::enter(const GumboNode &node, bool visible, std::size_t text_offset)
{
    const GumboElement &element = node.v.element;
    Opened opened;
    opened.chrome = visible && is_furniture(element, sections_ > 0);
    if (opened.chrome && chrome_depth_++ == 0)
        chrome_start_ = text_offset;
    opened.section = is_sectioning(element.tag);
    sections_ += opened.section;
    return opened;
}

void FurnitureFinder::leave(const Opened &opened, std::size_t text_offset)
{
    sections_ -= opened.section;
    if (opened.chrome && --chrome_depth_ == 0)
        layout_.chrome.push_back({std::uint32_t(chrome_start_), std::uint32_t(text_offset)});
}

void FurnitureFinder::link(std::size_t begin, std::size_t end)
{
    layout_.links.push_back({std::uint32_t(begin), std::uint32_t(end)});
}

// A short text repeated item after item is furniture where it stands whole in its
// element; pieces of sentences around inline elements repeat in prose too.
void FurnitureFinder::text(std::size_t begin, std::string_view text, const GumboNode &node, bool in_block)
{
    const std::size_t lead = std::min(text.find_first_not_of("\n "), text.size());
    text.remove_prefix(lead);
    begin += lead;
    // A character takes at most 4 bytes: longer texts need no counting.
    if (text.empty() || text.size() > 4 * kShortLineCharacters)
        return;
    // The text must be all its element holds; headings are the page's own outline, however
    // often one is repeated (Syntax, Example).
    const GumboNode *parent = node.parent;
    if (!parent || parent->type != GUMBO_NODE_ELEMENT || parent->v.element.children.length != 1
        || is_heading(parent->v.element.tag) || (!in_block && in_running_text(*parent)))
        return;
    const std::size_t length = utf8_length(text);
    if (length > kShortLineCharacters)
        return;
    if (length <= kShortTextCharacters)
        note_short_text(begin, text);
    // Chinese labels in a line of them and of figures (楼主 发表于 2024-05-01 只看该作者)
    // repeat on their own while the figures between them change.
    const auto for_each_piece = [text](auto &&visit) {
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = std::min(text.find(' ', at), text.size());
            const std::string_view piece = text.substr(at, end - at);
            if (!visit(piece, std::ranges::any_of(piece, [](char c) { return c >= '0' && c <= '9'; }), at))
                return false;
            at = end + 1;
        }
        return true;
    };
    std::size_t figures = 0, labels = 0;
    const bool all_labels_or_figures = for_each_piece([&](std::string_view piece, bool figure, std::size_t) {
        figures += figure;
        labels += !figure;
        return figure || is_chinese_label(piece);
    });
    if (all_labels_or_figures && figures > 0 && labels > 1)
        for_each_piece([&](std::string_view piece, bool figure, std::size_t at) {
            if (!figure)
                note_short_text(begin + at, piece);
            return true;
        });
}

void FurnitureFinder::note_short_text(std::size_t begin, std::string_view text)
{
    shape_of(text, shape_);
    auto shape = shapes_.find(std::string_view(shape_));
    if (shape == shapes_.end()) {
        shape = shapes_.emplace(shape_, std::uint32_t(shape_counts_.size())).first;
        shape_counts_.push_back(0);
    }
    ++shape_counts_[shape->second];
    short_texts_.push_back({{std::uint32_t(begin), std::uint32_t(begin + text.size())}, shape->second});
}

TextLayout FurnitureFinder::finish()
{
    for (const ShortText &text : short_texts_)
        if (shape_counts_[text.shape] >= kRepeatedItems)
            layout_.chrome.push_back(text.range);
    normalise(layout_.chrome);
    normalise(layout_.links);
    return std::move(layout_);
}

} // namespace seo
