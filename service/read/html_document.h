#pragma once

#include "read/html_tree.h"
#include "read/text_layout.h"

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
    // Which stretches of `text` are the site's furniture and which are link texts.
    TextLayout layout;
    // The visible headings, h1 to h6, in document order (the first kMaxListed).
    struct Heading
    {
        int level;
        std::string text;
    };
    std::vector<Heading> headings;
    // The text of the h1 headings, a line each.
    std::string h1_text() const;

    // What the audit looks at besides. Lists stop at kMaxListed entries; the counts go on.
    // Texts taken from parts of the page (headings, link and alternative texts, the
    // first paragraph) are excerpts of at most kMaxExcerptBytes: elements nested in one
    // another would otherwise each copy the whole text they hold.
    struct Link
    {
        std::string href; // as written
        std::string text; // visible text, image alternative texts included
        std::string rel; // lower case
    };
    struct Image
    {
        std::string src;
        bool has_alt = false; // alt="" is an answer too: a decorative image
        std::string alt;
    };
    struct NamedValue
    {
        std::string name; // lower case
        std::string value;
    };
    std::string html_lang; // <html lang>, as written
    std::size_t title_count = 0;
    std::size_t description_count = 0;
    std::vector<NamedValue> robots_meta; // <meta name=robots|googlebot|baiduspider|...>
    std::vector<std::string> canonicals; // <link rel=canonical href>
    std::vector<NamedValue> alternates; // <link rel=alternate hreflang href>: hreflang → href
    std::vector<NamedValue> pagination; // <link rel=next|prev href>: "next" or "prev" → href
    bool has_viewport = false;
    std::string viewport;
    std::vector<NamedValue> open_graph; // <meta property="og:...">
    std::vector<std::string> json_ld; // the text of each <script type="application/ld+json">
    std::string first_paragraph; // an excerpt of the first <p> with visible text
    std::vector<Link> links;
    std::size_t link_count = 0;
    // Links only a script can follow: <a> with a javascript: href, an href of "#" alone,
    // or an onclick and no href. Anchors given a role (buttons, tabs, menus) are not links.
    struct ScriptLink
    {
        std::string text;
        std::string href; // as written; empty for an onclick without href
    };
    std::vector<ScriptLink> script_links;
    std::vector<Image> images;
    std::size_t image_count = 0;
    static constexpr std::size_t kMaxListed = 2000;
    static constexpr std::size_t kMaxExcerptBytes = 1024;
    static constexpr std::size_t kMaxJsonLdBytes = 1024 * 1024;
};

// Why a page could not be read: it passed the parser's budget or nests absurdly deep.
struct Unreadable
{
    std::string reason;
};

// Elements nested deeper than this come only from hostile or broken pages.
constexpr std::size_t kMaxNesting = 1500;

// Throws ServiceBusy when the parse could not have the memory it needed just then.
std::variant<PageContent, Unreadable> read_page(std::string_view utf8_html, const ParseBudget &budget);

} // namespace seo
