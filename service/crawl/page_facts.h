#pragma once

#include "crawl/crawl_store.h"
#include "fetch/url.h"
#include "reports/page_report.h"

#include <vector>

namespace seo {

// Links kept of one page at most: a page of a hundred thousand links is a list, not a
// page, and the first ones are those a search engine weighs.
constexpr std::size_t kMaxLinksPerPage = 5000;

// What the crawl keeps of a page's report: its row's figures and its links, resolved
// against the address it was had from in the end.
PageFacts facts_of(const PageReport &report);

// The addresses a page leads to: its links' targets once each, and where it redirected.
std::vector<Url> targets_of(const PageFacts &facts, const Url &page);

} // namespace seo
