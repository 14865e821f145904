#pragma once

#include "site/charset.h"
#include "site/fetcher.h"
#include "site/html_document.h"

#include <string>

namespace seo {

struct PageAnalysis
{
    std::string failure; // why the page cannot be analysed; empty when it can
    std::string failure_detail;
    FetchResult::Failure fetch_failure = FetchResult::Failure::none; // when it could not be fetched
    PageContent content;
    CharsetSources charsets;

    bool ok() const { return failure.empty(); }
};

// Decodes and reads a fetched page, parsing it within `budget` (by default the one for a
// page of its size). An empty body or one that is not text (an image, an archive) is a
// failure, like a fetch that did not succeed.
PageAnalysis analyse_page(const FetchResult &fetched, const ParseBudget &budget);
PageAnalysis analyse_page(const FetchResult &fetched);

} // namespace seo
