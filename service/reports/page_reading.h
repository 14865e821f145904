#pragma once

#include "fetch/fetcher.h"
#include "read/charset.h"
#include "read/html_document.h"

#include <string>

namespace seo {

struct PageReading
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
PageReading read_fetched_page(const FetchResult &fetched, const ParseBudget &budget);
PageReading read_fetched_page(const FetchResult &fetched);

} // namespace seo
