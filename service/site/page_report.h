#pragma once

#include "site/keyword_table.h"
#include "site/language.h"
#include "site/page_analysis.h"
#include "site/page_text.h"

#include <cstddef>
#include <vector>

namespace seo {

// Everything the site's pages show about one fetched page.
struct PageReport
{
    PageAnalysis analysis;
    PageText text;
    std::vector<KeywordRow> keywords;
};

// Decodes, reads and counts a fetched page.
PageReport make_report(const FetchResult &fetched, const Language &language);

// The most memory making the report of a body of this size may take: the body decoded
// (at most twice as large), the parser's budget, and the page's texts.
std::size_t report_memory(std::size_t body_bytes);

} // namespace seo
