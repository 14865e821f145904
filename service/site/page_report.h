#pragma once

#include "site/audit.h"
#include "site/keyword_table.h"
#include "site/language.h"
#include "site/page_analysis.h"
#include "site/page_text.h"
#include "site/robots_files.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace seo {

// How the page was had: everything of the fetch but its body.
struct FetchSummary
{
    std::vector<FetchHop> hops;
    std::chrono::milliseconds elapsed{0};
    std::size_t bytes = 0;
    std::string content_type;
    std::vector<std::string> robots_headers;

    std::string final_url() const { return hops.empty() ? std::string() : hops.back().url; }
};

// Everything the site's pages and its JSON answer show about one fetched page.
struct PageReport
{
    PageAnalysis analysis;
    FetchSummary fetch;
    PageText text;
    PlacementTexts places;
    std::vector<KeywordRow> keywords;
    std::vector<Finding> findings; // the audit's checks that need no keyword
    std::chrono::microseconds analysis_time{0};
    bool address_refused = false; // no fetch was tried: the address is none the service fetches
};

// Decodes, reads, counts and audits a fetched page; `robots` is what the site's robots.txt
// says of it, where the service has the file.
PageReport make_report(const FetchResult &fetched, const RobotsJudgement *robots, const Language &language);

// The most memory making the report of a body of this size may take: the body decoded
// (at most twice as large), the parser's budget, and the page's texts.
std::size_t report_memory(std::size_t body_bytes);

} // namespace seo
