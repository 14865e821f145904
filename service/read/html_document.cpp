#include "read/html_document.h"

#include "base/ascii.h"
#include "base/memory_budget.h"
#include "base/unicode_text.h"
#include "read/html_attributes.h"
#include "read/html_tree.h"
#include "read/site_furniture.h"
#include "read/text_builder.h"

#include <gumbo.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace seo {
namespace {

// Elements whose content no reader sees: code, styling, fallbacks and embedded
// documents or drawings (SVG and MathML are left out by their namespace).
bool is_unseen(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_CANVAS:
        return true;
    default:
        return false;
    }
}

bool is_block(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_BODY:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIR:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HGROUP:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_LEGEND:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_P:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_UL:
        return true;
    default:
        return false;
    }
}

bool is_cell(GumboTag tag)
{
    return tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH;
}

// Hidden in a way that needs no style sheet to see.
bool is_hidden(const GumboElement &element)
{
    if (attribute(element, "hidden"))
        return true;
    if (element.tag == GUMBO_TAG_INPUT) {
        const char *type = attribute(element, "type");
        if (type && ascii_lower(type) == "hidden")
            return true;
    }
    const char *style = attribute(element, "style");
    if (!style)
        return false;
    const std::string css = squeezed_lower(style);
    return css.find("display:none") != std::string::npos
        || css.find("visibility:hidden") != std::string::npos;
}

std::string collapsed(std::string_view text)
{
    TextBuilder builder;
    builder.append(text);
    return builder.text();
}

// At most PageContent::kMaxExcerptBytes of `text`, cut where a character begins.
std::string excerpt(std::string_view text)
{
    return std::string(utf8_prefix(text, PageContent::kMaxExcerptBytes));
}

bool followed_only_by_script(const char *href, const char *onclick)
{
    if (!href)
        return onclick != nullptr;
    const std::string address = ascii_lower(ascii_trimmed(href));
    return address.starts_with("javascript:") || address == "#";
}

std::string text_of_children(const GumboElement &element)
{
    std::string text;
    for (unsigned i = 0; i < element.children.length; ++i) {
        const auto *child = static_cast<const GumboNode *>(element.children.data[i]);
        if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)
            text += child->v.text.text;
    }
    return collapsed(text);
}

class PageReader
{
public:
    // Nothing when the elements nest deeper than kMaxNesting.
    std::optional<PageContent> read(const GumboNode *root)
    {
        // The root is the html element, whose children are walked below.
        if (root->type == GUMBO_NODE_ELEMENT)
            if (const char *lang = attribute(root->v.element, "lang"))
                content_.html_lang = lang;
        // An explicit stack: a hostile page may nest elements far deeper than the
        // call stack of a worker thread would allow.
        stack_.push_back({root, 0, true});
        while (!stack_.empty()) {
            if (stack_.size() > kMaxNesting)
                return std::nullopt;
            Frame &frame = stack_.back();
            const GumboVector &children = frame.node->v.element.children;
            if (frame.next_child == children.length) {
                leave(frame);
                stack_.pop_back();
                continue;
            }
            const auto *child = static_cast<const GumboNode *>(children.data[frame.next_child++]);
            enter(child, frame.visible);
        }
        content_.text = text_.text();
        content_.layout = furniture_.finish();
        return std::move(content_);
    }

private:
    struct Frame
    {
        const GumboNode *node;
        unsigned next_child;
        bool visible;
        std::size_t text_start = 0; // where a heading's text begins
        FurnitureFinder::Opened opened = {};
    };

    void enter(const GumboNode *node, bool parent_visible)
    {
        switch (node->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
            if (parent_visible)
                append_text(*node, is_block(stack_.back().node->v.element.tag));
            return;
        case GUMBO_NODE_ELEMENT:
            enter_element(node, parent_visible);
            return;
        default:
            return; // comments, CDATA, template contents
        }
    }

    void enter_element(const GumboNode *node, bool parent_visible)
    {
        const GumboElement &element = node->v.element;
        if (element.tag_namespace != GUMBO_NAMESPACE_HTML) {
            stack_.push_back({node, 0, false});
            return;
        }
        if (element.tag == GUMBO_TAG_TITLE) {
            if (content_.title_count++ == 0)
                content_.title = text_of_children(element);
            return;
        }
        if (element.tag == GUMBO_TAG_META) {
            read_meta(element);
            return;
        }
        if (element.tag == GUMBO_TAG_LINK) {
            read_link(element);
        } else if (element.tag == GUMBO_TAG_SCRIPT) {
            read_script(element);
        }
        const bool visible = parent_visible && !is_unseen(element.tag) && !is_hidden(element);
        if (visible)
            mark_boundary(element.tag);
        if (element.tag == GUMBO_TAG_IMG)
            read_image(element, visible);
        Frame frame{node, 0, visible, text_.text().size()};
        frame.opened = furniture_.enter(*node, visible, frame.text_start);
        stack_.push_back(frame);
    }

    void append_text(const GumboNode &node, bool in_block)
    {
        const std::size_t before = text_.text().size();
        text_.append(node.v.text.text);
        furniture_.text(before, std::string_view(text_.text()).substr(before), node, in_block);
    }

    void read_image(const GumboElement &element, bool visible)
    {
        const char *alt = attribute(element, "alt");
        // Spiders index an image by its alternative text: it is part of the page text.
        if (visible && alt) {
            text_.space();
            text_.append(alt);
            text_.space();
        }
        if (content_.image_count++ < PageContent::kMaxListed) {
            const char *src = attribute(element, "src");
            content_.images.push_back({src ? src : "", alt != nullptr, alt ? excerpt(collapsed(alt)) : ""});
        }
    }

    void read_link(const GumboElement &element)
    {
        const char *rel = attribute(element, "rel");
        const char *href = attribute(element, "href");
        if (!rel || !href)
            return;
        std::string rels(1, ' '); // each value between spaces, so a search finds whole ones
        rels += ascii_lower(rel);
        rels += ' ';
        if (rels.find(" canonical ") != std::string::npos
            && content_.canonicals.size() < PageContent::kMaxListed)
            content_.canonicals.push_back(collapsed(href));
        const char *hreflang = attribute(element, "hreflang");
        if (rels.find(" alternate ") != std::string::npos && hreflang
            && content_.alternates.size() < PageContent::kMaxListed)
            content_.alternates.push_back({collapsed(hreflang), collapsed(href)});
        for (const char *direction : {"next", "prev"})
            if (rels.find(std::string(" ") + direction + " ") != std::string::npos
                && content_.pagination.size() < PageContent::kMaxListed)
                content_.pagination.push_back({direction, collapsed(href)});
    }

    void read_script(const GumboElement &element)
    {
        const char *type = attribute(element, "type");
        if (!type || squeezed_lower(type) != "application/ld+json" || content_.json_ld.size() >= 16)
            return;
        std::string json;
        for (unsigned i = 0; i < element.children.length; ++i) {
            const auto *child = static_cast<const GumboNode *>(element.children.data[i]);
            if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)
                json += child->v.text.text;
        }
        if (json.size() <= PageContent::kMaxJsonLdBytes)
            content_.json_ld.push_back(std::move(json));
    }

    void leave(const Frame &frame)
    {
        furniture_.leave(frame.opened, text_.text().size());
        const GumboElement &element = frame.node->v.element;
        if (!frame.visible || frame.node->type != GUMBO_NODE_ELEMENT
            || element.tag_namespace != GUMBO_NAMESPACE_HTML)
            return;
        if (element.tag >= GUMBO_TAG_H1 && element.tag <= GUMBO_TAG_H6) {
            if (content_.headings.size() < PageContent::kMaxListed)
                content_.headings.push_back({int(element.tag - GUMBO_TAG_H1) + 1, text_since(frame)});
        } else if (element.tag == GUMBO_TAG_P && content_.first_paragraph.empty())
            content_.first_paragraph = text_since(frame);
        else if (element.tag == GUMBO_TAG_A) {
            furniture_.link(frame.text_start, text_.text().size());
            read_anchor(element, frame);
        }
        mark_boundary(element.tag);
    }

    // An excerpt of the text an element added, without the line break it began with.
    std::string text_since(const Frame &frame) const
    {
        std::string_view text = text_.text();
        text.remove_prefix(std::min(frame.text_start, text.size()));
        text.remove_prefix(std::min(text.find_first_not_of("\n "), text.size()));
        return excerpt(text);
    }

    void read_anchor(const GumboElement &element, const Frame &frame)
    {
        const char *href = attribute(element, "href");
        if (content_.script_links.size() < PageContent::kMaxListed && !attribute(element, "role")
            && followed_only_by_script(href, attribute(element, "onclick")))
            content_.script_links.push_back({link_text(frame), href ? excerpt(collapsed(href)) : ""});
        if (!href || content_.link_count++ >= PageContent::kMaxListed)
            return;
        const char *rel = attribute(element, "rel");
        content_.links.push_back({collapsed(href), link_text(frame), rel ? ascii_lower(collapsed(rel)) : ""});
    }

    std::string link_text(const Frame &frame) const
    {
        std::string text = text_since(frame);
        std::replace(text.begin(), text.end(), '\n', ' ');
        return text;
    }

    void mark_boundary(GumboTag tag)
    {
        if (is_block(tag) || tag == GUMBO_TAG_BR)
            text_.line_break();
        else if (is_cell(tag))
            text_.space();
    }

    void read_meta(const GumboElement &element)
    {
        const char *name = attribute(element, "name");
        const char *content = attribute(element, "content");
        const char *property = attribute(element, "property");
        if (property && content && squeezed_lower(property).starts_with("og:")
            && content_.open_graph.size() < PageContent::kMaxListed)
            content_.open_graph.push_back({squeezed_lower(property), collapsed(content)});
        if (!name || !content)
            return;
        const std::string key = squeezed_lower(name);
        if (key == "keywords" && !keywords_seen_) {
            content_.keywords = collapsed(content);
            keywords_seen_ = true;
        } else if (key == "description") {
            if (content_.description_count++ == 0)
                content_.description = collapsed(content);
        } else if (key == "robots" || key == "googlebot" || key == "baiduspider" || key == "bingbot") {
            if (content_.robots_meta.size() < PageContent::kMaxListed)
                content_.robots_meta.push_back({key, collapsed(content)});
        } else if (key == "viewport") {
            content_.has_viewport = true;
            content_.viewport = collapsed(content);
        }
    }

    std::vector<Frame> stack_;
    FurnitureFinder furniture_;
    TextBuilder text_;
    PageContent content_;
    bool keywords_seen_ = false;
};

} // namespace

std::string PageContent::h1_text() const
{
    std::string h1;
    for (const Heading &heading : headings)
        if (heading.level == 1)
            h1 += heading.text + '\n';
    return h1;
}

std::variant<PageContent, Unreadable> read_page(std::string_view utf8_html, const ParseBudget &budget)
{
    auto parsed = HtmlTree::parse(utf8_html, budget);
    if (const auto *overrun = std::get_if<ParseOverrun>(&parsed)) {
        if (*overrun == ParseOverrun::no_memory_now)
            throw ServiceBusy();
        return Unreadable{*overrun == ParseOverrun::cpu_time ? "页面结构过于复杂，解析超时"
                                                             : "页面结构过于复杂，解析所需内存超出限额"};
    }
    std::optional<PageContent> content = PageReader().read(std::get<HtmlTree>(parsed).root());
    if (!content)
        return Unreadable{"页面标签嵌套过深（超过 " + std::to_string(kMaxNesting) + " 层），无法分析"};
    return std::move(*content);
}

} // namespace seo
