#include "http/site_service.h"

#include "base/memory_cost.h"
#include "read/charset.h"
#include "render/audit_pages.h"
#include "render/product_pages.h"
#include "render/report_json.h"
#include "render/tool_pages.h"
#include "words/page_text.h"

#include <malloc.h>

#include <contract/site_contract.h>

#include <condition_variable>
#include <mutex>

namespace seo {
namespace {

constexpr const char *kHtml = "text/html; charset=utf-8";

// Query values are shown on the pages, which must stay valid UTF-8 whatever was sent.
std::string valid_utf8(std::string_view value)
{
    return decode_to_utf8(value, "UTF-8");
}

Answer html(int status, std::string body)
{
    return {status, kHtml, std::move(body), {}};
}

// The answer, holding what it was given of the memory it was reserved.
Answer holding(Answer answer, MemoryBudget::Reservation memory)
{
    memory.shrink_to(answer.body.size());
    answer.memory = std::move(memory);
    return answer;
}

} // namespace

SiteService::SiteService(SiteSettings settings, const LanguageLoader &language)
    : settings_(std::move(settings))
    , reports_(settings_.reports, language)
    , crawl_jobs_(settings_.crawl_store, settings_.reports, language)
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

Answer SiteService::spider(std::string_view raw_url, Reader reader)
{
    const std::string url = valid_utf8(raw_url);
    const ReportSource::Report report = reports_.get(url);
    MemoryBudget::Reservation memory =
        answer_memory(memory_cost::answer(url.size() + report->analysis.content.text.size()));
    const std::string after = query_form(browser::kSpiderPath, url, "", false) + tool_links(url, "");
    return holding(html(200, spider_page(url, report->analysis, after, reader)), std::move(memory));
}

Answer SiteService::overview(std::string_view raw_url, std::string_view raw_keyword, Reader reader)
{
    const std::string url = valid_utf8(raw_url);
    const std::string keyword = valid_utf8(raw_keyword);
    const ReportSource::Report report = reports_.get(url);
    MemoryBudget::Reservation memory = report_answer_memory(*report, url, keyword);
    const std::string before = query_form(browser::kOverviewPath, url, keyword, false);
    std::string after;
    if (report->analysis.ok())
        after = density_chart(report->keywords)
            + audit_section(with_placement(report->findings, placement(*report, keyword)));
    after += tool_links(url, keyword);
    return holding(html(200, overview_page(url, report->analysis, report->keywords, before, after, reader)),
                   std::move(memory));
}

Answer SiteService::density(std::string_view raw_keyword, std::string_view raw_url, Reader reader)
{
    const std::string keyword = valid_utf8(raw_keyword);
    const std::string url = valid_utf8(raw_url);
    if (typed_keyword(keyword).empty())
        return html(200, density_page(url, keyword, PageReading{}, std::nullopt, {}, reader));
    const ReportSource::Report report = reports_.get(url);
    // Taken after the fetch and the analysis, as every answer's is.
    MemoryBudget::Reservation memory =
        answer_memory(memory_cost::answer(url.size() + keyword.size()) + 64 * 1024);
    if (!report->analysis.ok())
        return html(200, density_page(url, keyword, report->analysis, std::nullopt, {}, reader));
    const KeywordPlacement placed = *placement(*report, keyword);
    const std::string after = query_form(browser::kDensityPath, url, keyword, true)
        + audit_section(placement_findings(placed)) + tool_links(url, keyword);
    return holding(html(200, density_page(url, keyword, report->analysis, placed.density, after, reader)),
                   std::move(memory));
}

Answer SiteService::tools_home() const
{
    return html(200, tools_home_page());
}

Answer SiteService::analyze(std::string_view raw_url, std::string_view raw_keyword)
{
    const auto started = std::chrono::steady_clock::now();
    const std::string url = valid_utf8(raw_url);
    const std::string keyword = valid_utf8(raw_keyword);
    constexpr const char *kJson = "application/json; charset=utf-8";
    if (url.empty())
        return {400, kJson, error_json("missing_url", "请用 url 参数给出要分析的网址"), {}};
    const ReportSource::Report report = reports_.get(url);
    const PageReading &analysis = report->analysis;
    if (!analysis.ok()) {
        // Refused before any fetch, not had from the site, or had but not readable.
        const bool fetched = !report->fetch.hops.empty() && report->fetch.hops.back().status / 100 == 2;
        const bool refused = report->address_refused;
        const int status = refused ? 400 : fetched ? 422 : 502;
        const char *code = refused ? "address_refused" : fetched ? "page_unreadable" : "fetch_failed";
        return {status, kJson, error_json(code, analysis.failure, analysis.failure_detail), {}};
    }
    MemoryBudget::Reservation memory = report_answer_memory(*report, url, keyword);
    const std::optional<KeywordPlacement> placed = placement(*report, keyword);
    const double answer_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    return holding({200, kJson, report_json(url, *report, placed, answer_ms), {}}, std::move(memory));
}

Answer SiteService::home() const
{
    return html(200, product_home_page());
}

Answer SiteService::version() const
{
    return {200, "text/plain; charset=utf-8", version_file(settings_.newest_version), {}};
}

Answer SiteService::error(HttpError error, bool for_scripts) const
{
    struct Refusal
    {
        int status;
        const char *code;
        const char *title;
        const char *message;
    };
    static constexpr Refusal kRefusals[] = {
        {400, "bad_request", "请求格式不正确", "请求格式不正确。"},
        {403, "forbidden", "拒绝访问", "只能从分析服务自己的页面提交。"},
        {404, "not_found", "页面不存在", "您访问的页面不存在。"},
        {405, "method_not_allowed", "不支持的请求方法", "这里只回应 GET 请求。"},
        {414, "uri_too_long", "网址太长", "请求的网址太长，请缩短后再试。"},
        {421, "misdirected_request", "拒绝访问", "分析服务只回应发给它自己的地址的请求。"},
        {500, "internal_error", "分析服务内部错误", "分析服务内部错误，请稍后再试。"},
        {503, "busy", "服务繁忙", "分析服务繁忙，请稍后再试。"},
    };
    static_assert(std::size(kRefusals) == static_cast<std::size_t>(HttpError::busy) + 1);
    const Refusal &refusal = kRefusals[static_cast<std::size_t>(error)];
    return refused(refusal.status, refusal.code, refusal.title, refusal.message, for_scripts);
}

Answer SiteService::refused(int status, const char *code, std::string_view title, std::string_view message,
                            bool for_scripts)
{
    if (for_scripts)
        return {status, "application/json; charset=utf-8", error_json(code, message), {}};
    return html(status, error_page(title, message));
}

MemoryBudget::Reservation SiteService::report_answer_memory(const PageReport &report, std::string_view url,
                                                            std::string_view keyword)
{
    const PageContent &content = report.analysis.content;
    return answer_memory(memory_cost::answer(url.size() + keyword.size() + content.title.size()
                                                 + content.keywords.size() + content.description.size(),
                                             report.findings.size(), content.headings.size()));
}

std::optional<KeywordPlacement> SiteService::placement(const PageReport &report,
                                                       std::string_view keyword) const
{
    if (typed_keyword(keyword).empty())
        return std::nullopt;
    return keyword_placement(report.places, report.text, keyword);
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
