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
std::string spider_page(std::string_view url, const PageAnalysis &analysis);

// Title / keywords / description with their lengths, then the keyword table.
std::string overview_page(std::string_view url, const PageAnalysis &analysis,
                          const std::vector<KeywordRow> &keywords);

// The density figures of one keyword; without figures (no keyword given) the page asks
// for one.
std::string density_page(std::string_view url, std::string_view keyword, const PageAnalysis &analysis,
                         const std::optional<DensityFigures> &figures);

} // namespace seo
