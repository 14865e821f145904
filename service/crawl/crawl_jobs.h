#pragma once

#include "crawl/crawl_settings.h"
#include "reports/report_source.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <variant>

namespace seo {

// Why a crawl asked of the service was not started.
struct CrawlRefused
{
    bool busy = false; // as many crawls run as the service runs at once
    std::string reason; // short, in Chinese
};

// The crawls the service runs for its browser face and its API. They fetch and analyse
// through a ReportSource of their own, with budgets of its own, so that crawling a large
// site cannot take the memory and cores that the window's one-page queries need. On a
// server store, crawls that another instance started, or left when it died, are joined as
// they are found running: several services sharing one database share its crawls.
class CrawlJobs
{
public:
    static constexpr std::size_t kMaxRunning = 2;

    // How often the store is looked at for crawls to join.
    static constexpr std::chrono::seconds kJoinInterval{2};

    // `pages` are the service's one-page settings: the crawls keep its limits and guard,
    // on smaller budgets.
    CrawlJobs(std::string store, const ReportSettings &pages, const LanguageLoader &language);
    // Stops the crawls running; they keep what they crawled, to be resumed.
    ~CrawlJobs();
    CrawlJobs(const CrawlJobs &) = delete;
    CrawlJobs &operator=(const CrawlJobs &) = delete;

    // The new crawl's number; it runs from now on.
    std::variant<std::int64_t, CrawlRefused> start(CrawlSettings settings);

    // Ends the crawls' fetches at once and their crawls soon after; later starts are refused.
    void stop();

private:
    struct Job
    {
        std::int64_t crawl = 0;
        std::jthread thread;
        bool ended = false; // guarded by mutex_
    };
    // With mutex_ held.
    void launch(std::int64_t crawl, const CrawlSettings &settings);
    void run(Job &job, std::int64_t crawl, const CrawlSettings &settings, const std::stop_token &stop);
    std::size_t reap(); // joins ended jobs; the number still running
    void join_running(const std::stop_token &stop);

    std::string store_;
    FetchLimits limits_;
    ReportSource pages_;
    std::mutex mutex_;
    bool stopped_ = false;
    std::condition_variable_any stopping_;
    std::list<Job> jobs_; // their threads end before what they use goes
    std::jthread joiner_; // last: it starts jobs; only on a server store
};

} // namespace seo
