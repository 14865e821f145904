#include "crawl/crawler.h"

#include "base/memory_budget.h"
#include "crawl/crawl_report.h"
#include "crawl/page_facts.h"
#include "crawl/sitemap.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace seo {
namespace {

constexpr std::size_t kMaxSitemaps = 100; // files, sitemap indexes included
// A host that says it is overloaded (429, 503) without saying for how long waits this at
// first, twice as long each time it says so again, up to the longest Crawl-delay.
constexpr std::chrono::milliseconds kFirstBackoff{1000};
// Progress is counted in the store, over all its pages: a few times a second is enough.
constexpr std::chrono::milliseconds kProgressInterval{250};
// Leases are renewed well before they run out; the counts that limits go by are read again
// then too, as other workers sharing the crawl add to them.
constexpr std::chrono::milliseconds kRenewInterval{CrawlStore::kLeaseMs / 3};
// How often a worker with nothing to claim looks again while others still fetch pages that
// may lead to more, or come back to the queue when their lease runs out.
constexpr std::chrono::milliseconds kOthersPoll{500};
constexpr std::chrono::milliseconds kTurnPoll{50};
constexpr int kMaxSitemapNesting = 2; // an index of indexes at most
constexpr std::size_t kMaxSitemapDownload = 16 * 1024 * 1024; // gzipped or not

Url parsed(const std::string &address)
{
    std::optional<Url> url = Url::parse(address);
    if (!url)
        throw std::invalid_argument("not a web address: " + address);
    return *url;
}

// A page that could not be had at all, as the crawl keeps it.
PageFacts failed(std::string reason)
{
    PageFacts facts;
    facts.failure = std::move(reason);
    return facts;
}

PageFacts status_facts(const FetchResult &checked)
{
    PageFacts facts;
    facts.final_url = checked.hops.empty() ? std::string() : checked.hops.back().url;
    if (!checked.hops.empty())
        facts.status = int(checked.hops.back().status);
    facts.failure = checked.failure;
    facts.content_type = checked.content_type;
    facts.response_ms = checked.elapsed.count();
    return facts;
}

} // namespace

Crawler::Crawler(CrawlStore &store, ReportSource &pages, FetchLimits limits, std::int64_t crawl,
                 CrawlSettings settings)
    : store_(store)
    , pages_(pages)
    , limits_(limits)
    , crawl_(crawl)
    , settings_(std::move(settings))
    , start_(parsed(settings_.start_url))
    , scope_(start_, settings_.subdomains)
{
    for (int i = 0; i < std::max(1, settings_.in_flight); ++i)
        workers_.emplace_back([this](const std::stop_token &stop) { work(stop); });
}

Crawler::~Crawler() = default;

bool Crawler::run(const std::stop_token &stop, const Progress &progress)
{
    run_stop_ = stop;
    store_.wait_when_unreachable(stop);
    if (store_.progress(crawl_).done == 0 && store_.add(crawl_, {found(start_, 0, false)}) > 0)
        seed(stop);
    count_known();
    bool out_of_bytes = bytes_ >= settings_.max_bytes;
    bool ended_elsewhere = false; // another worker stopped the crawl, or it was stopped by hand
    Clock::time_point last_progress;
    Clock::time_point last_renewal = Clock::now();
    for (;;) {
        if (Clock::now() - last_renewal >= kRenewInterval) {
            last_renewal = Clock::now();
            store_.renew(crawl_);
            store_.requeue_expired(crawl_);
            count_known();
            const std::optional<CrawlRow> row = store_.crawl(crawl_);
            ended_elsewhere = !row || row->state != "running";
        }
        const bool claiming = !stop.stop_requested() && !out_of_bytes && !ended_elsewhere;
        const std::size_t wanted = 2 * std::size_t(std::max(1, settings_.in_flight));
        if (claiming && ready_.size() < wanted)
            for (QueuedPage &page : store_.claim(crawl_, wanted - ready_.size()))
                ready_.push_back({page, parsed(page.url).origin()});
        const Clock::time_point wake = claiming ? dispatch_ready() : Clock::now() + std::chrono::seconds(1);
        if (in_flight_ == 0 && (ready_.empty() || !claiming)) {
            if (!claiming)
                break;
            // Nothing to claim a moment ago: done, unless other workers still hold pages
            // or have just queued more.
            const CrawlProgress others = store_.progress(crawl_);
            if (others.fetching == 0 && others.queued == 0)
                break;
            if (others.queued == 0) {
                store_.requeue_expired(crawl_);
                std::unique_lock lock(mutex_);
                changed_.wait_until(lock, stop, Clock::now() + kOthersPoll, [] { return false; });
            }
            continue;
        }

        std::deque<Done> done;
        {
            std::unique_lock lock(mutex_);
            const auto any_done = [this] { return !done_.empty(); };
            // Once stopping, only for the pages under way.
            if (stop.stop_requested())
                changed_.wait_until(lock, wake, any_done);
            else
                changed_.wait_until(lock, stop, wake, any_done);
            done.swap(done_);
        }
        for (const Done &one : done) {
            --in_flight_;
            Host &host = hosts_[one.job.origin];
            --host.in_flight;
            if (one.crawl_delay) {
                host.robots_read = true;
                host.robots_delay = *one.crawl_delay;
            }
            if (one.asked_to_wait)
                host.backoff = std::clamp<std::chrono::milliseconds>(
                    std::max<std::chrono::milliseconds>(
                        {*one.asked_to_wait, 2 * host.backoff, kFirstBackoff}),
                    kFirstBackoff, RobotsTxt::kMaxCrawlDelay);
            store_.give_back_turn(crawl_, one.job.origin, one.job.turn, host.delay().count());
            host.resting_until = {}; // the turn given back may be the one to take next
            if (one.facts)
                record(one);
            else if (!stop.stop_requested())
                ready_.push_back(one.job); // the service was busy: again later
        }
        out_of_bytes = bytes_ >= settings_.max_bytes;
        if (progress && !done.empty() && Clock::now() - last_progress >= kProgressInterval) {
            last_progress = Clock::now();
            progress(store_.progress(crawl_));
        }
    }
    // Claimed and not done: back to the queue, for another worker or a resumed crawl.
    store_.release(crawl_);
    const CrawlProgress left = store_.progress(crawl_);
    // Nothing left for any worker: the crawl is done, whoever saw it first. The last
    // worker out marks it finished and keeps its report once. A limit reached stops the
    // crawl for every worker; a worker told to stop only leaves it, for the others or a
    // later one to go on with.
    const bool finished = left.queued == 0 && left.fetching == 0 && !stop.stop_requested();
    if (finished && store_.finish(crawl_))
        store_.patiently([this] { keep_report(store_.database(), crawl_); });
    else if (!finished && out_of_bytes && !stop.stop_requested())
        store_.set_state(crawl_, "stopped");
    return finished;
}

void Crawler::seed(const std::stop_token &stop)
{
    std::vector<std::string> sitemaps{start_.origin() + "/sitemap.xml"};
    const RobotsFiles::File robots = pages_.robots_file(start_);
    if (robots->rules)
        for (const std::string &listed : robots->rules->sitemaps())
            sitemaps.push_back(listed);
    for (const std::string &address : sitemaps)
        if (const std::optional<Url> sitemap = Url::parse(address); sitemap && !stop.stop_requested())
            add_sitemap_pages(*sitemap, 0, stop);
}

void Crawler::add_sitemap_pages(const Url &sitemap, int nesting, const std::stop_token &stop)
{
    if (++sitemaps_read_ > kMaxSitemaps)
        return;
    FetchLimits limits = limits_;
    limits.max_body_bytes = kMaxSitemapDownload;
    const FetchResult fetched = fetch_page(sitemap, limits, stop);
    if (!fetched.ok())
        return;
    const SitemapReading reading = read_sitemap(fetched.body);
    count_known();
    std::vector<FoundAddress> listed;
    for (const std::string &address : reading.pages)
        if (const std::optional<Url> url = Url::parse(address); url && scope_.internal(*url)) {
            listed.push_back(found(*url, std::nullopt, true));
            if (listed.back().skipped_by.empty())
                ++known_internal_; // so that the page limit holds within one file
        }
    store_.add(crawl_, listed);
    count_known(); // those already known were counted twice
    if (nesting < kMaxSitemapNesting)
        for (const std::string &address : reading.sitemaps)
            if (const std::optional<Url> child = Url::parse(address); child && !stop.stop_requested())
                add_sitemap_pages(*child, nesting + 1, stop);
}

Crawler::Clock::time_point Crawler::dispatch_ready()
{
    const Clock::time_point now = Clock::now();
    Clock::time_point wake = now + std::chrono::seconds(1);
    // Long enough for the slowest page (its robots.txt and itself), so that a turn held by
    // a worker that died frees itself.
    const std::int64_t hold_ms = (2 * limits_.total_timeout + std::chrono::seconds(15)).count();
    for (auto job = ready_.begin(); job != ready_.end() && in_flight_ < settings_.in_flight;) {
        Host &host = hosts_[job->origin];
        const int turns = host.turns(settings_.per_host);
        if (host.in_flight >= turns || host.resting_until > now) {
            if (host.resting_until > now)
                wake = std::min(wake, host.resting_until);
            ++job;
            continue;
        }
        const HostTurn turn = store_.take_turn(crawl_, job->origin, turns, hold_ms);
        if (!turn.turn) {
            // A turn resting ends when it says; one held by another worker ends when its
            // page is done, which only that worker knows: asked again soon.
            host.resting_until = now + std::min(std::chrono::milliseconds(turn.wait_ms), kTurnPoll);
            wake = std::min(wake, host.resting_until);
            ++job;
            continue;
        }
        job->turn = *turn.turn;
        ++host.in_flight;
        ++in_flight_;
        {
            const std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(*job));
        }
        changed_.notify_all();
        job = ready_.erase(job);
    }
    return wake;
}

void Crawler::work(const std::stop_token &stop)
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait(lock, stop, [this] { return !jobs_.empty(); }))
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        Done done = crawl_page(job);
        {
            const std::lock_guard lock(mutex_);
            done_.push_back(std::move(done));
        }
        changed_.notify_all();
    }
}

Crawler::Done Crawler::crawl_page(const Job &job)
{
    Done done;
    done.job = job;
    const Url url = parsed(job.page.url);
    try {
        if (job.page.external) {
            FetchResult checked = check_status(url, limits_, run_stop_);
            if (checked.kind != FetchResult::Failure::stopping)
                done.facts = status_facts(checked);
            done.crawl_delay = std::chrono::milliseconds(0);
            return done;
        }
        const RobotsFiles::File robots = pages_.robots_file(url);
        done.crawl_delay = std::chrono::milliseconds(0);
        if (robots->state == RobotsFile::State::unreadable) {
            // Unreachable rules forbid everything until they can be read (RFC 9309).
            done.facts = failed("robots.txt 无法读取，按规定不抓取：" + robots->reason);
            done.facts->blocked = true;
            return done;
        }
        if (robots->rules) {
            done.crawl_delay =
                robots->rules->crawl_delay(kCrawlerToken).value_or(std::chrono::milliseconds(0));
            const RobotsTxt::Decision decision = robots->rules->decide(kCrawlerToken, url.target());
            if (!decision.allowed) {
                done.facts = failed("robots.txt 禁止抓取（" + decision.rule + "）");
                done.facts->blocked = true;
                return done;
            }
        }
        const ReportSource::Report report = pages_.get(url.text());
        done.facts = facts_of(*report);
        if (const int status = done.facts->status.value_or(0); status == 429 || status == 503)
            done.asked_to_wait = report->fetch.retry_after;
    } catch (const ServiceBusy &) {
        // Not had this time; the page stays claimed and is dispatched again.
    }
    return done;
}

void Crawler::record(const Done &done)
{
    const QueuedPage &page = done.job.page;
    store_.record(page.id, *done.facts, found_on(page, *done.facts));
    // Counted as they go, not by a query a page: that would make a crawl quadratic.
    bytes_ += std::uint64_t(done.facts->bytes.value_or(0));
}

std::vector<FoundAddress> Crawler::found_on(const QueuedPage &page, const PageFacts &facts)
{
    std::vector<FoundAddress> found_here;
    if (page.external || facts.blocked)
        return found_here;
    const std::optional<int> depth = page.depth ? std::optional(*page.depth + 1) : std::nullopt;
    std::map<std::string, std::size_t> on_path; // queries on one path among these
    for (const Url &target : targets_of(facts, parsed(page.url))) {
        if (const std::optional<std::string> skipped_by = known(target.text())) {
            // Counted already; added again only to give it a depth if a sitemap gave none, or
            // to queue it after all if it was too deep before and no longer is.
            FoundAddress again{
                target.text(), CrawlScope::path_of(target), depth, !scope_.internal(target), false, {}};
            if (*skipped_by == "depth") {
                if (!depth || *depth > settings_.max_depth || known_internal_ >= settings_.max_pages)
                    again.skipped_by = "depth";
                else
                    ++known_internal_;
            }
            found_here.push_back(std::move(again));
            continue;
        }
        FoundAddress address = found(target, depth, false);
        if (address.skipped_by.empty() && !address.external
            && target.target().find('?') != std::string::npos) {
            const std::size_t queries =
                store_.addresses_on_path(crawl_, address.path) + on_path[address.path]++;
            if (queries >= settings_.max_queries_per_path)
                address.skipped_by = "queries";
        }
        if (address.skipped_by.empty())
            ++(address.external ? known_external_ : known_internal_); // the limits count these already
        found_here.push_back(std::move(address));
    }
    return found_here;
}

FoundAddress Crawler::found(const Url &url, std::optional<int> depth, bool in_sitemap)
{
    FoundAddress address{url.text(), CrawlScope::path_of(url), depth, !scope_.internal(url), in_sitemap, {}};
    if (address.external && !settings_.check_external)
        address.skipped_by = "external";
    else if (address.url.size() > settings_.max_url_bytes)
        address.skipped_by = "length";
    else if (bytes_ >= settings_.max_bytes)
        address.skipped_by = "bytes";
    else if ((address.external ? known_external_ : known_internal_) >= settings_.max_pages)
        address.skipped_by = "pages";
    else if (!address.external && depth && *depth > settings_.max_depth)
        address.skipped_by = "depth";
    return address;
}

std::optional<std::string> Crawler::known(const std::string &url)
{
    return store_.skipped_by(crawl_, url);
}

void Crawler::count_known()
{
    std::tie(known_internal_, known_external_) = store_.known_counts(crawl_);
    bytes_ = store_.progress(crawl_).bytes;
}

} // namespace seo
