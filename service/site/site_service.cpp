#include "site/site_service.h"

#include "site/charset.h"
#include "site/keyword_table.h"
#include "site/page_text.h"
#include "site/product_pages.h"
#include "site/tool_pages.h"

namespace seo {

SiteService::SiteService(SiteSettings settings, const Segmenter& segmenter)
    : settings_(std::move(settings))
    , segmenter_(segmenter)
    , cache_([limits = settings_.limits](const std::string& url) { return fetch_page(url, limits); },
             settings_.cache)
{
}

PageAnalysis SiteService::analyse(std::string_view typed_url)
{
    const std::optional<std::string> url = target_url(typed_url);
    if (!url) {
        PageAnalysis refused;
        const bool blank = typed_url.find_first_not_of(" \t\r\n") == std::string_view::npos;
        refused.failure = blank ? "没有输入网址" : "只支持 http 和 https 网址";
        return refused;
    }
    return analyse_page(*cache_.get(*url));
}

namespace {

// Query values are shown on the pages, which must stay valid UTF-8 whatever was sent.
std::string valid_utf8(std::string_view value)
{
    return decode_to_utf8(value, "UTF-8");
}

}  // namespace

std::string SiteService::spider(std::string_view raw_url)
{
    const std::string url = valid_utf8(raw_url);
    return spider_page(url, analyse(url));
}

std::string SiteService::overview(std::string_view raw_url)
{
    const std::string url = valid_utf8(raw_url);
    const PageAnalysis analysis = analyse(url);
    std::vector<KeywordRow> keywords;
    if (analysis.ok())
        keywords = top_keywords(make_page_text(analysis.content.text), segmenter_);
    return overview_page(url, analysis, keywords);
}

std::string SiteService::density(std::string_view raw_keyword, std::string_view raw_url)
{
    const std::string keyword = valid_utf8(raw_keyword);
    const std::string url = valid_utf8(raw_url);
    const std::string normalized = normalized_keyword(keyword);
    if (normalized.empty())
        return density_page(url, keyword, PageAnalysis{}, std::nullopt);
    const PageAnalysis analysis = analyse(url);
    std::optional<DensityFigures> figures;
    if (analysis.ok())
        figures = density_figures(make_page_text(analysis.content.text), normalized);
    return density_page(url, keyword, analysis, figures);
}

std::string SiteService::version() const
{
    return version_file(settings_.newest_version);
}

}  // namespace seo
