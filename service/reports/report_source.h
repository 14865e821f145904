#pragma once

#include "base/memory_budget.h"
#include "base/memory_cost.h"
#include "fetch/fetcher.h"
#include "fetch/robots_files.h"
#include "reports/page_cache.h"
#include "reports/page_report.h"
#include "reports/report_cache.h"
#include "words/language.h"

#include <algorithm>
#include <cstddef>
#include <semaphore>
#include <stop_token>
#include <string_view>
#include <thread>

namespace seo {

struct ReportSettings
{
    FetchLimits limits;
    PageCache::Bounds cache;
    // Reports kept, beside their pages in the page cache.
    std::size_t report_cache_bytes = 48 * 1024 * 1024;
    // Bodies of target pages being fetched, as they come, and of pages fetched and not yet
    // analysed: a fetch holds a step at first, and asks for all its page may take once it
    // needs more. Analysed pages count against the page cache's bound instead.
    std::size_t fetch_memory = 64 * 1024 * 1024;
    std::size_t fetch_step = memory_cost::kFetchStep;
    // Pages being analysed, each holding what its analysis takes (memory_cost::analysis(), and
    // more for denser pages).
    std::size_t analysis_memory = 192 * 1024 * 1024;
    // Analyses at once: each keeps a core busy, so one a core, and at least two. Pages
    // larger than `large_page_bytes` take one fewer, which is kept for small pages.
    std::ptrdiff_t parallel_analyses = std::max<std::ptrdiff_t>(2, std::thread::hardware_concurrency());
    std::size_t large_page_bytes = 1024 * 1024;
    // How long a request waits for memory before the service calls itself busy.
    std::chrono::seconds memory_patience{20};
};

// The reports of the pages users ask about. A page is fetched once for all the requests
// of one query and analysed once while it is cached; fetching and analysing are bounded
// by memory (bytes, not only counts) and analyses also by cores.
class ReportSource
{
public:
    using Report = ReportCache::Report;

    ReportSource(ReportSettings settings, const LanguageLoader &language);

    // The report for an address as the user typed it: a refused address or a page that
    // could not be had gives a report that says why. Throws ServiceBusy.
    Report get(std::string_view typed_url);

    // What the robots.txt of the site `page` is on says, as the audit reads it.
    RobotsFiles::File robots_file(const Url &page) { return robots_files_.for_page(page); }

    // Ends the fetches and analyses under way at once; later ones fail as well.
    void stop();

    // Lets go of pages and reports older than the cache's time to live: without requests
    // nothing else would.
    void forget_expired();

private:
    PageCache::Page fetch(const Url &url);
    FetchResult fetch_robots_txt(const Url &url);
    PageReport analyse(const FetchResult &page);
    std::chrono::steady_clock::time_point patience() const;

    ReportSettings settings_;
    const LanguageLoader &language_;
    std::stop_source stopping_;
    MemoryBudget fetch_memory_;
    MemoryBudget analysis_memory_;
    // robots.txt fetches have their own: a page waiting for its analysis holds fetch
    // memory, and its robots.txt must not queue behind fetches that wait for that memory.
    MemoryBudget robots_memory_;
    std::counting_semaphore<> analysis_slots_;
    std::counting_semaphore<> large_analysis_slots_;
    PageCache pages_;
    RobotsFiles robots_files_;
    ReportCache reports_;
};

} // namespace seo
