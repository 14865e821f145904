#include "site/site_service.h"

#include "site/charset.h"
#include "site/page_text.h"
#include "site/product_pages.h"
#include "site/tool_pages.h"

namespace seo {
namespace {

// Holds one of a bounded number of slots for as long as it lives.
class Slot
{
public:
    explicit Slot(std::counting_semaphore<> &slots)
        : slots_(slots)
    {
        slots_.acquire();
    }
    ~Slot() { slots_.release(); }
    Slot(const Slot &) = delete;
    Slot &operator=(const Slot &) = delete;

private:
    std::counting_semaphore<> &slots_;
};

} // namespace

SiteService::SiteService(SiteSettings settings, const Segmenter &segmenter)
    : settings_(std::move(settings))
    , segmenter_(segmenter)
    , fetch_slots_(settings_.parallel_fetches)
    , analysis_slots_(settings_.parallel_analyses)
    , cache_(
          [this](const std::string &url) {
              const Slot slot(fetch_slots_);
              return fetch_page(url, settings_.limits);
          },
          settings_.cache)
    , reports_([this](const FetchResult &fetched) { return analyse(fetched); }, settings_.cache.max_entries)
{}

AnalysisCache::Report SiteService::report(std::string_view typed_url)
{
    const std::optional<std::string> url = target_url(typed_url);
    if (!url) {
        PageReport refused;
        const bool blank = typed_url.find_first_not_of(" \t\r\n") == std::string_view::npos;
        refused.analysis.failure = blank ? "没有输入网址" : "只支持 http 和 https 网址";
        return std::make_shared<const PageReport>(std::move(refused));
    }
    return reports_.get(*url, cache_.get(*url));
}

PageReport SiteService::analyse(const FetchResult &fetched)
{
    const Slot slot(analysis_slots_);
    return make_report(fetched, segmenter_);
}

namespace {

// Query values are shown on the pages, which must stay valid UTF-8 whatever was sent.
std::string valid_utf8(std::string_view value)
{
    return decode_to_utf8(value, "UTF-8");
}

} // namespace

std::string SiteService::spider(std::string_view raw_url)
{
    const std::string url = valid_utf8(raw_url);
    return spider_page(url, report(url)->analysis);
}

std::string SiteService::overview(std::string_view raw_url)
{
    const std::string url = valid_utf8(raw_url);
    const AnalysisCache::Report page = report(url);
    return overview_page(url, page->analysis, page->keywords);
}

std::string SiteService::density(std::string_view raw_keyword, std::string_view raw_url)
{
    const std::string keyword = valid_utf8(raw_keyword);
    const std::string url = valid_utf8(raw_url);
    const std::string normalized = normalized_keyword(keyword);
    if (normalized.empty())
        return density_page(url, keyword, PageAnalysis{}, std::nullopt);
    const AnalysisCache::Report page = report(url);
    std::optional<DensityFigures> figures;
    if (page->analysis.ok())
        figures = density_figures(page->text, normalized);
    return density_page(url, keyword, page->analysis, figures);
}

std::string SiteService::version() const
{
    return version_file(settings_.newest_version);
}

} // namespace seo
