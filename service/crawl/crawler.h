#pragma once

#include "crawl/crawl_scope.h"
#include "crawl/crawl_settings.h"
#include "crawl/crawl_store.h"
#include "reports/report_source.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace seo {

// Crawls one site into the store: the site's pages through the same fetch, analysis and
// audit as a page asked for by the tool or the browser, links to other sites checked by
// their status only. Polite: robots.txt is obeyed for kCrawlerToken, with its
// Crawl-delay, and no more than `per_host` requests are in flight to one host. Only the
// thread that runs it uses the store; the queue lives there, so the crawl's memory does
// not grow with the site. Any number of crawlers, in this process or others, may work on
// one crawl together: they take pages and turns at each host from the store, so the
// host's limits hold for all of them at once.
class Crawler
{
public:
    using Progress = std::function<void(const CrawlProgress &)>;

    // `pages` does the site's pages; `limits` are for the status checks of other sites.
    Crawler(CrawlStore &store, ReportSource &pages, FetchLimits limits, std::int64_t crawl,
            CrawlSettings settings);
    ~Crawler();
    Crawler(const Crawler &) = delete;
    Crawler &operator=(const Crawler &) = delete;

    // Until nothing is left to crawl, a limit ends it, the crawl is stopped in the store or
    // `stop` is asked for: pages under way then go back to the queue unrecorded, for
    // another worker or a resumed crawl to take up. `stop` leaves the crawl's state as it
    // is (running, for others to go on with). Whether the crawl finished.
    // `progress` is told a few times a second.
    bool run(const std::stop_token &stop, const Progress &progress = {});

private:
    struct Job
    {
        QueuedPage page;
        std::string origin;
        int turn = 0; // at its host, taken in the store
    };
    struct Done
    {
        Job job;
        std::optional<PageFacts> facts; // none: not had this time (the service is stopping or busy)
        std::optional<std::chrono::milliseconds> crawl_delay; // once the host's robots.txt is read
        // The host answered 429 or 503, with how long it asked to be left alone (or 0).
        std::optional<std::chrono::seconds> asked_to_wait;
    };
    struct Host
    {
        int in_flight = 0;
        bool robots_read = false; // until then one request at a time, as its Crawl-delay is unknown
        std::chrono::milliseconds robots_delay{0}; // its Crawl-delay
        std::chrono::milliseconds backoff{0}; // since it said it was overloaded
        // No turn was free in the store: not asked again before this.
        std::chrono::steady_clock::time_point resting_until;

        std::chrono::milliseconds delay() const { return std::max(robots_delay, backoff); }
        // Requests it may have in flight, from all the crawl's workers together.
        int turns(int per_host) const { return robots_read && delay().count() == 0 ? per_host : 1; }
    };
    using Clock = std::chrono::steady_clock;

    void seed(const std::stop_token &stop);
    void add_sitemap_pages(const Url &sitemap, int nesting, const std::stop_token &stop);
    Clock::time_point dispatch_ready();
    void work(const std::stop_token &stop);
    // What kept an address the crawl knows out of it ("" if nothing); none if it is new.
    std::optional<std::string> known(const std::string &url);
    Done crawl_page(const Job &job);
    void record(const Done &done);
    std::vector<FoundAddress> found_on(const QueuedPage &page, const PageFacts &facts);
    FoundAddress found(const Url &url, std::optional<int> depth, bool in_sitemap);
    void count_known();

    CrawlStore &store_;
    ReportSource &pages_;
    FetchLimits limits_;
    std::int64_t crawl_;
    CrawlSettings settings_;
    Url start_;
    CrawlScope scope_;
    std::size_t known_internal_ = 0, known_external_ = 0;
    std::uint64_t bytes_ = 0;
    std::size_t sitemaps_read_ = 0;

    std::deque<Job> ready_; // claimed, waiting for their host
    std::map<std::string, Host> hosts_;
    int in_flight_ = 0;

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<Job> jobs_;
    std::deque<Done> done_;
    std::stop_token run_stop_; // set before the first job is handed out
    std::vector<std::jthread> workers_; // last: they go before what they use
};

} // namespace seo
