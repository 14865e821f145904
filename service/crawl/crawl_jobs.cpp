#include "crawl/crawl_jobs.h"

#include "crawl/crawl_store.h"
#include "crawl/crawler.h"
#include "fetch/target_address.h"

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

CrawlJobs::CrawlJobs(std::filesystem::path store, const ReportSettings &pages, const LanguageLoader &language)
    : store_(std::move(store))
    , limits_(pages.limits)
    , pages_(crawl_page_settings(pages), language)
{}

CrawlJobs::~CrawlJobs()
{
    stop();
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
    Job &job = jobs_.emplace_back();
    job.thread = std::jthread(
        [this, &job, crawl, settings](const std::stop_token &stop) { run(job, crawl, settings, stop); });
    return crawl;
}

void CrawlJobs::run(Job &job, std::int64_t crawl, const CrawlSettings &settings, const std::stop_token &stop)
{
    try {
        CrawlStore store(store_);
        Crawler(store, pages_, limits_, crawl, settings).run(stop);
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
    pages_.stop();
}

} // namespace seo
