#include "reports/report_source.h"

#include "base/memory_cost.h"
#include "fetch/target_address.h"
#include "read/html_tree.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace seo {
namespace {

// The memory a fetched body is counted with, from its first byte until its page has been
// analysed (or let go before): pages waiting for their analysis hold it, so that their
// number is bounded; an analysed page counts only against the page cache's own bound.
// It is the page's deleter, so that it lives as long as the page at most.
class BodyHold
{
public:
    BodyHold()
        : memory_(std::make_shared<Held>())
    {}
    void operator()(const FetchResult *page) const { delete page; }

    MemoryBudget::Reservation &reservation() const { return memory_->reservation; }
    void release() const
    {
        const std::lock_guard lock(memory_->mutex);
        memory_->reservation = {};
    }

private:
    struct Held
    {
        std::mutex mutex;
        MemoryBudget::Reservation reservation;
    };
    std::shared_ptr<Held> memory_;
};

// Holds one of a bounded number of slots for as long as it lives.
class Slot
{
public:
    explicit Slot(std::counting_semaphore<> *slots)
        : slots_(slots)
    {
        if (slots_)
            slots_->acquire();
    }
    ~Slot()
    {
        if (slots_)
            slots_->release();
    }
    Slot(const Slot &) = delete;
    Slot &operator=(const Slot &) = delete;

private:
    std::counting_semaphore<> *slots_;
};

} // namespace

ReportSource::ReportSource(ReportSettings settings, const LanguageLoader &language)
    : settings_(settings)
    , language_(language)
    , fetch_memory_(settings_.fetch_memory)
    , analysis_memory_(settings_.analysis_memory)
    , robots_memory_(8 * RobotsFiles::kMaxBytes)
    , analysis_slots_(settings_.parallel_analyses)
    , large_analysis_slots_(std::max<std::ptrdiff_t>(1, settings_.parallel_analyses - 1))
    , pages_([this](const Url &url) { return fetch(url); }, settings_.cache)
    , robots_files_([this](const Url &url) { return fetch_robots_txt(url); }, settings_.cache.time_to_live)
    , reports_([this](const FetchResult &page) { return analyse(page); }, settings_.cache.max_entries,
               settings_.report_cache_bytes)
{}

ReportSource::Report ReportSource::get(std::string_view typed_url)
{
    const TargetAddress target = target_address(typed_url);
    if (!target.ok()) {
        PageReport refused;
        refused.analysis.failure = target.refusal;
        refused.analysis.fetch_failure = FetchResult::Failure::refused;
        refused.address_refused = true;
        return std::make_shared<const PageReport>(std::move(refused));
    }
    const PageCache::Page page = pages_.get(*target.url);
    Report report = reports_.get(target.url->text(), page);
    if (const BodyHold *hold = std::get_deleter<BodyHold>(page))
        hold->release();
    return report;
}

void ReportSource::stop()
{
    stopping_.request_stop();
    abort_parses();
}

PageCache::Page ReportSource::fetch(const Url &url)
{
    // The body's memory is held as it comes: a step at first, so that targets that are
    // slow or small hold little; once a body needs more, all it may come to, at once, so
    // that fetches never wait for one another's growth. What the body did not take is
    // given back once it is in.
    const BodyHold hold;
    MemoryBudget::Reservation &memory = hold.reservation();
    const BodyMemory body_memory = [&](std::size_t needed, std::size_t announced) {
        std::size_t wanted = settings_.fetch_step;
        if (needed > wanted)
            wanted = std::min(settings_.limits.max_body_bytes,
                              std::max(needed, announced > 0 ? announced : SIZE_MAX));
        return fetch_memory_.grow(memory, std::max(wanted, needed), patience()) ? memory.bytes() : 0;
    };
    FetchResult fetched = fetch_page(url, settings_.limits, stopping_.get_token(), body_memory);
    if (fetched.kind == FetchResult::Failure::busy || fetched.kind == FetchResult::Failure::stopping)
        throw ServiceBusy();
    memory.shrink_to(fetched.body.capacity());
    return PageCache::Page(new FetchResult(std::move(fetched)), hold);
}

FetchResult ReportSource::fetch_robots_txt(const Url &url)
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

PageReport ReportSource::analyse(const FetchResult &page)
{
    if (!page.ok())
        return make_report(page, nullptr, language_.get());
    // The robots.txt of the site the page was found on, after its redirects; matching it
    // may take a while, so it is done before the analysis takes memory and a core.
    const std::optional<Url> final_url = page.hops.empty() ? std::nullopt : Url::parse(page.hops.back().url);
    const RobotsJudgement robots = final_url ? judge_page(robots_files_.for_page(*final_url), *final_url)
                                             : RobotsJudgement{nullptr, "/", {}};
    const std::size_t granted = memory_cost::analysis(page.body.size());
    std::optional<MemoryBudget::Reservation> memory = analysis_memory_.reserve(granted, patience());
    if (!memory)
        throw ServiceBusy();
    const bool large = page.body.size() > settings_.large_page_bytes;
    const Slot large_slot(large ? &large_analysis_slots_ : nullptr);
    const Slot core(&analysis_slots_);
    AnalysisBounds bounds;
    bounds.stop = stopping_.get_token();
    bounds.memory_granted = granted;
    bounds.hold_memory = [this, &memory](std::size_t bytes) {
        return analysis_memory_.try_grow(*memory, bytes);
    };
    return make_report(page, &robots, language_.get(), bounds);
}

void ReportSource::forget_expired()
{
    pages_.evict_expired();
    reports_.forget_released();
}

std::chrono::steady_clock::time_point ReportSource::patience() const
{
    return std::chrono::steady_clock::now() + settings_.memory_patience;
}

} // namespace seo
