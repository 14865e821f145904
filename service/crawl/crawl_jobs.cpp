#include "crawl/crawl_jobs.h"

#include "crawl/crawl_store.h"
#include "crawl/crawler.h"
#include "fetch/target_address.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace seo {
namespace {

// The budgets of a crawl's pages, from the service's one-page settings.
ReportSettings crawl_page_settings(const ReportSettings &pages)
{
    ReportSettings crawl = pages;
    // A crawl reads each page once: nothing to keep beyond the page being recorded.
    crawl.cache.max_entries = 4;
    crawl.cache.max_bytes = 8 * 1024 * 1024;
    crawl.report_cache_bytes = 4 * 1024 * 1024;
    crawl.fetch_memory = pages.fetch_memory / 2;
    crawl.analysis_memory = pages.analysis_memory / 2;
    // Half the cores at most: the rest stay free for the window's queries.
    crawl.parallel_analyses = std::max<std::ptrdiff_t>(1, pages.parallel_analyses / 2);
    return crawl;
}

} // namespace

CrawlJobs::CrawlJobs(std::string store, const ReportSettings &pages, const LanguageLoader &language)
    : store_(std::move(store))
    , limits_(pages.limits)
    , pages_(crawl_page_settings(pages), language)
{
    if (sql::is_server_address(store_))
        joiner_ = std::jthread([this](const std::stop_token &stop) { join_running(stop); });
}

CrawlJobs::~CrawlJobs()
{
    stop();
    joiner_ = {};
    jobs_.clear(); // joins: each thread asked to stop puts its pages under way back
}

std::variant<std::int64_t, CrawlRefused> CrawlJobs::start(CrawlSettings settings)
{
    const TargetAddress start = target_address(settings.start_url);
    if (!start.ok())
        return CrawlRefused{false, start.refusal};
    settings.start_url = start.url->text();
    std::lock_guard lock(mutex_);
    if (stopped_ || reap() >= kMaxRunning)
        return CrawlRefused{
            true, "已有 " + std::to_string(kMaxRunning) + " 个抓取在进行，请等其中一个结束后再开始。"};
    const std::int64_t crawl = CrawlStore(store_).begin_crawl(settings.start_url, settings_json(settings));
    launch(crawl, settings);
    return crawl;
}

void CrawlJobs::launch(std::int64_t crawl, const CrawlSettings &settings)
{
    Job &job = jobs_.emplace_back();
    job.crawl = crawl;
    job.thread = std::jthread(
        [this, &job, crawl, settings](const std::stop_token &stop) { run(job, crawl, settings, stop); });
}

void CrawlJobs::join_running(const std::stop_token &stop)
{
    std::mutex waiting;
    while (!stop.stop_requested()) {
        try {
            CrawlStore store(store_);
            for (const CrawlRow &row : store.crawls_with_work()) {
                const auto settings = settings_from_json(row.settings);
                std::lock_guard lock(mutex_);
                if (stopped_ || reap() >= kMaxRunning)
                    break;
                if (std::holds_alternative<CrawlSettings>(settings)
                    && std::ranges::none_of(jobs_, [&](const Job &job) { return job.crawl == row.id; }))
                    launch(row.id, std::get<CrawlSettings>(settings));
            }
        } catch (const std::exception &) { // the store unreachable for now: looked at again later
        }
        std::unique_lock lock(waiting);
        stopping_.wait_for(lock, stop, kJoinInterval, [] { return false; });
    }
}

void CrawlJobs::run(Job &job, std::int64_t crawl, const CrawlSettings &settings, const std::stop_token &stop)
{
    try {
        CrawlStore store(store_);
        const bool finished = Crawler(store, pages_, limits_, crawl, settings).run(stop);
        // A file store has no other instance to go on with the crawl: it waits, stopped, to
        // be resumed. On a server, the instances still running go on with it.
        if (!finished && stop.stop_requested() && !sql::is_server_address(store_))
            store.set_state(crawl, "stopped");
    } catch (const sql::Unreachable &) {
        // Stopping while the store was away: the crawl goes on when a worker next finds it.
    } catch (const std::exception &error) {
        // The store itself failed (disk full, read-only): the crawl keeps what it recorded,
        // to be resumed from the command line, and is marked stopped if the store lets it.
        std::fprintf(stderr, "seo-site: crawl %lld stopped: %s\n", static_cast<long long>(crawl),
                     error.what());
        try {
            CrawlStore(store_).set_state(crawl, "stopped");
        } catch (const std::exception &) { // the store is still unwritable: it shows as running
        }
    }
    std::lock_guard lock(mutex_);
    job.ended = true;
}

std::size_t CrawlJobs::reap()
{
    std::erase_if(jobs_, [](const Job &job) { return job.ended; });
    return jobs_.size();
}

void CrawlJobs::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        for (Job &job : jobs_)
            job.thread.request_stop();
    }
    joiner_.request_stop();
    pages_.stop();
}

} // namespace seo
