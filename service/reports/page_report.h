#pragma once

#include "audit/audit.h"
#include "fetch/robots_files.h"
#include "reports/page_reading.h"
#include "words/keyword_table.h"
#include "words/language.h"
#include "words/page_text.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
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
    std::chrono::seconds retry_after{0};

    std::string final_url() const { return hops.empty() ? std::string() : hops.back().url; }
};

// Everything the site's pages and its JSON answer show about one fetched page.
struct PageReport
{
    PageReading analysis;
    FetchSummary fetch;
    PageText text;
    PlacementTexts places;
    std::vector<KeywordRow> keywords;
    std::size_t word_count = 0; // of the text, Chinese counted by words
    // The text's fingerprints, for a crawl's duplicates: exact, and near (by its words).
    std::string content_hash;
    std::int64_t simhash = 0;
    std::vector<Finding> findings; // the audit's checks that need no keyword
    std::chrono::microseconds analysis_time{0};
    bool address_refused = false; // no fetch was tried: the address is none the service fetches
};

// What bounds one analysis besides the parser's own budget.
struct AnalysisBounds
{
    // Ends the analysis between its steps (as ServiceBusy): the service is stopping.
    std::stop_token stop;
    // The memory the analysis was granted (memory_cost::analysis() of its body), and where it
    // asks for more when a step needs more: the bytes it holds in all from then on. A
    // refusal ends the analysis as ServiceBusy. Without it the analysis takes what it needs.
    std::size_t memory_granted = 0;
    std::function<bool(std::size_t bytes)> hold_memory;
};

// Decodes, reads, counts and audits a fetched page; `robots` is what the site's robots.txt
// says of it, where the service has the file. An analysis that has spent its CPU time
// (analysis_cpu_time()) by the end of a step gives up the page as too complex. Throws
// ServiceBusy when stopped or short of memory.
PageReport make_report(const FetchResult &fetched, const RobotsJudgement *robots, const Language &language,
                       const AnalysisBounds &bounds = {});

// CPU time a whole analysis may take: twice what the parse alone may.
std::chrono::milliseconds analysis_cpu_time(std::size_t body_bytes);

// What a report holds in memory while it is kept, in bytes.
std::size_t resident_bytes(const PageReport &report);

} // namespace seo
