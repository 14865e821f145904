#include "site/page_reports.h"

#include "site/target_address.h"

#include <algorithm>
#include <memory>

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

// A fetched page and the memory it is counted against, given back with the page.
struct HeldPage
{
    FetchResult page;
    MemoryBudget::Reservation memory;
};

} // namespace

PageReports::PageReports(ReportSettings settings, const LanguageLoader &language)
    : settings_(settings)
    , language_(language)
    , fetch_memory_(settings_.fetch_memory)
    , analysis_memory_(settings_.analysis_memory)
    , robots_memory_(8 * RobotsFiles::kMaxBytes)
    , analysis_slots_(settings_.parallel_analyses)
    , pages_([this](const std::string &url) { return fetch(url); }, settings_.cache)
    , robots_files_([this](const std::string &url) { return fetch_robots_txt(url); },
                    settings_.cache.time_to_live)
    , reports_([this](const FetchResult &page) { return analyse(page); }, settings_.cache.max_entries)
{}

PageReports::Report PageReports::get(std::string_view typed_url)
{
    const TargetAddress target = target_address(typed_url);
    if (!target.ok()) {
        PageReport refused;
        refused.analysis.failure = target.refusal;
        refused.address_refused = true;
        return std::make_shared<const PageReport>(std::move(refused));
    }
    return reports_.get(target.url, pages_.get(target.url));
}

PageCache::Page PageReports::fetch(const std::string &url)
{
    std::optional<MemoryBudget::Reservation> memory =
        fetch_memory_.reserve(settings_.limits.max_body_bytes, patience());
    if (!memory)
        throw ServiceBusy();
    auto held = std::make_shared<HeldPage>();
    held->page = fetch_page(url, settings_.limits, stopping_.get_token());
    memory->shrink_to(held->page.body.size());
    held->memory = std::move(*memory);
    return PageCache::Page(held, &held->page);
}

FetchResult PageReports::fetch_robots_txt(const std::string &url)
{
    FetchLimits limits = settings_.limits;
    limits.max_body_bytes = RobotsFiles::kMaxBytes;
    // A robots.txt that never ends holds up the page's first report: not for long.
    limits.total_timeout = std::min(limits.total_timeout, std::chrono::milliseconds(5000));
    std::optional<MemoryBudget::Reservation> memory =
        robots_memory_.reserve(limits.max_body_bytes, patience());
    if (!memory)
        throw ServiceBusy();
    return fetch_page(url, limits, stopping_.get_token());
}

PageReport PageReports::analyse(const FetchResult &page)
{
    if (!page.ok())
        return make_report(page, nullptr, language_.get());
    // The robots.txt of the site the page was found on, after its redirects.
    const std::string final_url = page.hops.empty() ? "" : page.hops.back().url;
    const RobotsJudgement robots = judge_page(robots_files_.for_page(final_url), final_url);
    const std::optional<MemoryBudget::Reservation> memory =
        analysis_memory_.reserve(report_memory(page.body.size()), patience());
    if (!memory)
        throw ServiceBusy();
    const Slot core(analysis_slots_);
    return make_report(page, &robots, language_.get());
}

void PageReports::forget_expired()
{
    pages_.evict_expired();
    reports_.forget_released();
}

std::chrono::steady_clock::time_point PageReports::patience() const
{
    return std::chrono::steady_clock::now() + settings_.memory_patience;
}

} // namespace seo
