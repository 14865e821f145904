#pragma once

#include "store/sql_database.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

struct CrawlRow
{
    std::int64_t id = 0;
    std::string start_url;
    std::string settings; // JSON
    std::string state; // "running", "stopped", "finished"
    std::string started_at, ended_at; // UTC, ISO 8601; ended_at empty while running
};

// An address found by the crawl, to be queued, or recorded as stopped by a limit.
struct FoundAddress
{
    std::string url; // normalised
    std::string path; // origin and path without the query
    std::optional<int> depth; // none for an address only a sitemap lists
    bool external = false;
    bool in_sitemap = false;
    std::string skipped_by; // empty to queue it; else the limit that stopped it
};

struct QueuedPage
{
    std::int64_t id = 0;
    std::string url;
    std::optional<int> depth; // none for an address only a sitemap lists
    bool external = false;
};

struct StoredLink
{
    std::string to_url; // resolved and normalised
    std::string kind; // "a", "canonical", "next", "prev", "alternate"
    std::string hreflang;
    std::string anchor;
    bool nofollow = false;
};

// What a done page's row holds; optional figures, and texts left empty, are NULL when the
// page did not give them.
struct PageFacts
{
    std::string final_url;
    std::optional<int> status;
    std::string failure;
    std::string redirects; // JSON
    std::string content_type;
    std::optional<std::int64_t> bytes, response_ms;
    std::string title, description, h1;
    std::optional<int> h1_count;
    std::string canonical, robots;
    std::optional<bool> noindex;
    bool blocked = false;
    std::optional<std::int64_t> text_chars, text_words;
    std::string content_hash;
    std::optional<std::int64_t> simhash;
    std::optional<int> score;
    std::string verdicts, keywords; // JSON
    std::vector<StoredLink> links;
};

// A turn at a host's requests, taken in the store so that every worker of a crawl keeps
// one host's limits together.
struct HostTurn
{
    std::optional<int> turn; // the turn taken; none when all are busy or resting
    std::int64_t wait_ms = 0; // without a turn: until the first one is free again
};

struct CrawlProgress
{
    std::size_t done = 0, queued = 0, fetching = 0, skipped = 0;
    std::size_t failed = 0; // done without a 2xx answer, not blocked by robots.txt
    std::uint64_t bytes = 0;
};

// The crawls kept in one store, an SQLite file or a PostgreSQL database: each crawl's queue
// and what it found. A page is claimed (queued → fetching) before it is fetched and
// recorded (→ done) in one transaction with its links and the addresses it led to, so a
// crawl killed at any moment resumes with nothing lost and nothing stored twice. Several
// workers, each with its own store object, may share a crawl: a claim is a lease on the
// database's clock, renewed while the worker lives and given back to the queue when it
// runs out. One thread uses a store object at a time.
class CrawlStore
{
public:
    // A file path, or a postgresql:// address.
    explicit CrawlStore(const std::string &location);

    // How long a claim holds without being renewed.
    static constexpr std::int64_t kLeaseMs = 30'000;

    std::int64_t begin_crawl(std::string_view start_url, std::string_view settings_json);
    std::optional<CrawlRow> crawl(std::int64_t id);
    std::vector<CrawlRow> crawls();
    // Running crawls with pages left to fetch (queued, or claimed by a worker that may have
    // died), oldest first.
    std::vector<CrawlRow> crawls_with_work();
    // "stopped" or "finished" also sets ended_at; "running" clears it. Any other state throws
    // std::invalid_argument.
    void set_state(std::int64_t crawl, std::string_view state);
    // Marks the crawl finished; whether this call did, rather than another worker's before.
    bool finish(std::int64_t crawl);

    // Adds the addresses the crawl does not know yet; an address already known keeps its
    // row, but is marked as in a sitemap when the new one is, and is queued after all when
    // the depth limit left it out and it is now found within it. The number added or queued.
    std::size_t add(std::int64_t crawl, const std::vector<FoundAddress> &found);
    // Up to `count` queued pages, shallowest first, now "fetching" and leased to this worker.
    std::vector<QueuedPage> claim(std::int64_t crawl, std::size_t count);
    // Pages whose lease ran out (their worker died, or lost the store) back to the queue.
    std::size_t requeue_expired(std::int64_t crawl);
    // This worker's leases on the crawl, made kLeaseMs long again.
    void renew(std::int64_t crawl);
    // This worker's pages that are still being fetched back to the queue, for whichever
    // worker claims next. The number given back.
    std::size_t release(std::int64_t crawl);
    // Every worker's pages that are being fetched back to the queue: for resuming a crawl
    // that no worker runs any more, without waiting for their leases to run out.
    std::size_t requeue_unfinished(std::int64_t crawl);
    // The page done, with its links and the addresses they led to, in one transaction. A page
    // already done is left as it is, so that a retried record stores nothing twice; a page
    // the store does not hold throws std::out_of_range.
    void record(std::int64_t page, const PageFacts &facts, const std::vector<FoundAddress> &found);

    // One of the host's first `turns` turns, if one is free: held for `hold_ms` (a dead
    // worker's turn frees itself then) or until given back.
    HostTurn take_turn(std::int64_t crawl, std::string_view origin, int turns, std::int64_t hold_ms);
    // The turn free again after the host's `rest_ms` (its Crawl-delay, or how long it asked
    // to be left alone).
    void give_back_turn(std::int64_t crawl, std::string_view origin, int turn, std::int64_t rest_ms);

    CrawlProgress progress(std::int64_t crawl);
    // What kept an address the crawl knows out of it ("" if nothing); none if it is new.
    std::optional<std::string> skipped_by(std::int64_t crawl, const std::string &url);
    // Addresses the crawl has or will have fetched: its own site's and others'.
    std::pair<std::size_t, std::size_t> known_counts(std::int64_t crawl);
    // Addresses of the crawl on one path (any query), for the limit on query strings.
    std::size_t addresses_on_path(std::int64_t crawl, std::string_view path);

    // From now on, a store that cannot be reached is waited for, each call tried again
    // until it goes through or `stop` is asked for (then it throws sql::Unreachable). Each
    // call is one transaction, and one that went through before the connection broke is
    // harmless to repeat: a page recorded twice is kept once, a claim lost runs out.
    void wait_when_unreachable(std::stop_token stop);
    template<typename Call>
    auto patiently(Call &&call)
    {
        for (;;) {
            try {
                return call();
            } catch (const sql::Unreachable &) {
                if (!wait_for_store())
                    throw;
            }
        }
    }

    sql::Database &database() { return *database_; }
    const std::string &worker() const { return worker_; }

private:
    bool wait_for_store(); // whether to try again

    std::unique_ptr<sql::Database> database_;
    std::optional<std::stop_token> patience_;
    std::string worker_; // this object's name on its leases
    std::map<std::pair<std::int64_t, std::string>, int> turns_made_; // per crawl and host
};

// How far a crawl is, read from any connection to its store.
CrawlProgress crawl_progress(sql::Database &database, std::int64_t crawl);

} // namespace seo
