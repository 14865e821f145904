#pragma once

#include "site/analysis_cache.h"
#include "site/fetcher.h"
#include "site/page_analysis.h"
#include "site/page_cache.h"
#include "site/segmenter.h"

#include <cstddef>
#include <semaphore>
#include <string>
#include <string_view>

namespace seo {

struct SiteSettings
{
    std::string newest_version = "9.1";
    FetchLimits limits;
    PageCache::Bounds cache;
    // Fetches and analyses running at once, whatever the number of connections: a fetch
    // holds up to a page limit of memory, an analysis a core and a few times its page.
    std::ptrdiff_t parallel_fetches = 16;
    std::ptrdiff_t parallel_analyses = 4;
};

// Everything the site answers, independent of the HTTP server: each call takes the
// decoded query values (any bytes) and gives the page to send.
class SiteService
{
public:
    SiteService(SiteSettings settings, const Segmenter &segmenter);

    std::string spider(std::string_view raw_url);
    std::string overview(std::string_view raw_url);
    std::string density(std::string_view raw_keyword, std::string_view raw_url);
    std::string version() const;

private:
    AnalysisCache::Report report(std::string_view typed_url);
    PageReport analyse(const FetchResult &fetched);

    SiteSettings settings_;
    const Segmenter &segmenter_;
    std::counting_semaphore<> fetch_slots_;
    std::counting_semaphore<> analysis_slots_;
    PageCache cache_;
    AnalysisCache reports_;
};

} // namespace seo
