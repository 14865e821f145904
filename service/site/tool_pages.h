#pragma once

#include "site/keyword_table.h"
#include "site/page_analysis.h"
#include "site/page_text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// The pages the desktop tool reads. Each carries fixed marker texts the tool cuts at;
// every text taken from the target page or the request is escaped so it cannot forge
// or break one. On failure the marked parts are left out and the reason is given.

// The page as a search spider sees it, inside the one text area of the page.
// Browsers get more than the tool reads: `after` (forms, the audit) follows the tool's
// sections, and the overview's `before` (its form) precedes them.
std::string spider_page(std::string_view url, const PageAnalysis &analysis, std::string_view after = {});

// Title / keywords / description with their lengths, then the keyword table.
std::string overview_page(std::string_view url, const PageAnalysis &analysis,
                          const std::vector<KeywordRow> &keywords, std::string_view before = {},
                          std::string_view after = {});

// The density figures of one keyword; without figures (no keyword given) the page asks
// for one.
// `after` is only shown with the figures: without them, a request text in it could pose
// as one.
std::string density_page(std::string_view url, std::string_view keyword, const PageAnalysis &analysis,
                         const std::optional<DensityFigures> &figures, std::string_view after = {});

} // namespace seo
