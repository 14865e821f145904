#pragma once

#include "reports/page_reading.h"
#include "words/keyword_table.h"
#include "words/page_text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// The pages the desktop tool reads, and the same pages for browsers. Each carries fixed
// marker texts the tool cuts at. The tool shows what it cuts out raw, so for the tool a
// text taken from the target page or the request is written as it is, with only what
// could forge or break a marker replaced (shown_text()); for a browser it is escaped as
// HTML, so that the browser shows the page's own text too. On failure the marked parts
// are left out and the reason is given.
enum class Reader { tool, browser };

// The page as a search spider sees it, inside the one text area of the page.
// Browsers get more than the tool reads: `after` (forms, the audit) follows the tool's
// sections, and the overview's `before` (its form) precedes them.
// Where the page could not be had, the text area says why; it names a failed connection
// with the words the tool looks for.
std::string spider_page(std::string_view url, const PageReading &analysis, std::string_view after = {},
                        Reader reader = Reader::tool);

// Title / keywords / description with their lengths, then the keyword table.
std::string overview_page(std::string_view url, const PageReading &analysis,
                          const std::vector<KeywordRow> &keywords, std::string_view before = {},
                          std::string_view after = {}, Reader reader = Reader::tool);

// The density figures of one keyword; without figures (no keyword given) the page asks
// for one.
// `after` is only shown with the figures: without them, a request text in it could pose
// as one.
std::string density_page(std::string_view url, std::string_view keyword, const PageReading &analysis,
                         const std::optional<DensityFigures> &figures, std::string_view after = {},
                         Reader reader = Reader::tool);

} // namespace seo
