#pragma once

#include "site/fetcher.h"
#include "site/page_analysis.h"
#include "site/page_cache.h"
#include "site/segmenter.h"

#include <string>
#include <string_view>

namespace seo {

struct SiteSettings
{
    std::string newest_version = "9.1";
    FetchLimits limits;
    PageCache::Bounds cache;
};

// Everything the site answers, independent of the HTTP server: each call takes the
// decoded query values (any bytes) and gives the page to send.
class SiteService
{
public:
    SiteService(SiteSettings settings, const Segmenter& segmenter);

    std::string spider(std::string_view raw_url);
    std::string overview(std::string_view raw_url);
    std::string density(std::string_view raw_keyword, std::string_view raw_url);
    std::string version() const;

private:
    PageAnalysis analyse(std::string_view typed_url);

    SiteSettings settings_;
    const Segmenter& segmenter_;
    PageCache cache_;
};

}  // namespace seo
