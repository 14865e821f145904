#include "site/site_service.h"

#include "site/charset.h"
#include "site/page_text.h"
#include "site/product_pages.h"
#include "site/tool_pages.h"

#include <malloc.h>

#include <condition_variable>
#include <mutex>

namespace seo {
namespace {

constexpr const char *kHtml = "text/html; charset=utf-8";
// Room for a page's fixed parts; what it shows of the request or the target comes on
// top, three times over since a replaced '<' or '>' takes three bytes.
constexpr std::size_t kPageFrameBytes = 16 * 1024;

// Query values are shown on the pages, which must stay valid UTF-8 whatever was sent.
std::string valid_utf8(std::string_view value)
{
    return decode_to_utf8(value, "UTF-8");
}

Answer html(int status, std::string body)
{
    return {status, kHtml, std::move(body), {}};
}

} // namespace

SiteService::SiteService(SiteSettings settings, const LanguageLoader &language)
    : settings_(std::move(settings))
    , reports_(settings_.reports, language)
    , answers_(settings_.answer_memory)
    , housekeeping_([this](const std::stop_token &stop) { keep_house(stop); })
{}

void SiteService::keep_house(const std::stop_token &stop)
{
    std::mutex mutex;
    std::condition_variable_any tick;
    std::unique_lock lock(mutex);
    while (!stop.stop_requested()) {
        tick.wait_for(lock, stop, settings_.housekeeping_interval, [] { return false; });
        if (stop.stop_requested())
            return;
        reports_.forget_expired();
        // An idle service holds no more than it needs: blocks freed in the heaps go back
        // to the system too, not only the large ones.
        malloc_trim(0);
    }
}

Answer SiteService::spider(std::string_view raw_url)
{
    const std::string url = valid_utf8(raw_url);
    const PageReports::Report report = reports_.get(url);
    MemoryBudget::Reservation memory =
        answer_memory(kPageFrameBytes + 3 * (url.size() + report->analysis.content.text.size()));
    Answer answer = html(200, spider_page(url, report->analysis));
    memory.shrink_to(answer.body.size());
    answer.memory = std::move(memory);
    return answer;
}

Answer SiteService::overview(std::string_view raw_url)
{
    const std::string url = valid_utf8(raw_url);
    const PageReports::Report report = reports_.get(url);
    const PageContent &content = report->analysis.content;
    MemoryBudget::Reservation memory = answer_memory(
        kPageFrameBytes
        + 3 * (url.size() + content.title.size() + content.keywords.size() + content.description.size()));
    Answer answer = html(200, overview_page(url, report->analysis, report->keywords));
    memory.shrink_to(answer.body.size());
    answer.memory = std::move(memory);
    return answer;
}

Answer SiteService::density(std::string_view raw_keyword, std::string_view raw_url)
{
    const std::string keyword = valid_utf8(raw_keyword);
    const std::string url = valid_utf8(raw_url);
    MemoryBudget::Reservation memory = answer_memory(kPageFrameBytes + 3 * (url.size() + keyword.size()));
    if (typed_keyword(keyword).empty())
        return html(200, density_page(url, keyword, PageAnalysis{}, std::nullopt));
    const PageReports::Report report = reports_.get(url);
    std::optional<DensityFigures> figures;
    if (report->analysis.ok())
        figures = density_figures(report->text, keyword);
    Answer answer = html(200, density_page(url, keyword, report->analysis, figures));
    answer.memory = std::move(memory);
    return answer;
}

Answer SiteService::home() const
{
    return html(200, product_home_page());
}

Answer SiteService::version() const
{
    return {200, "text/plain; charset=utf-8", version_file(settings_.newest_version), {}};
}

Answer SiteService::not_found() const
{
    return html(404, not_found_page());
}

Answer SiteService::busy() const
{
    return html(503, busy_page());
}

MemoryBudget::Reservation SiteService::answer_memory(std::size_t bytes)
{
    std::optional<MemoryBudget::Reservation> memory =
        answers_.reserve(bytes, std::chrono::steady_clock::now() + settings_.reports.memory_patience);
    if (!memory)
        throw ServiceBusy();
    return std::move(*memory);
}

} // namespace seo
