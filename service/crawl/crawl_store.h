#pragma once

#include <SQLiteCpp/Database.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
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

struct CrawlProgress
{
    std::size_t done = 0, queued = 0, fetching = 0, skipped = 0;
    std::size_t failed = 0; // done without a 2xx answer, not blocked by robots.txt
    std::uint64_t bytes = 0;
};

// The crawls kept in one SQLite file (WAL): each crawl's queue and what it found. A page
// is claimed (queued → fetching) before it is fetched and recorded (→ done) in one
// transaction with its links and the addresses it led to, so a crawl killed at any
// moment resumes with nothing lost and nothing stored twice. One thread uses a store at a
// time; other threads and processes open their own.
class CrawlStore
{
public:
    explicit CrawlStore(const std::filesystem::path &file);

    std::int64_t begin_crawl(std::string_view start_url, std::string_view settings_json);
    std::optional<CrawlRow> crawl(std::int64_t id);
    std::vector<CrawlRow> crawls();
    // "stopped" or "finished" also sets ended_at; "running" clears it. Any other state throws
    // std::invalid_argument.
    void set_state(std::int64_t crawl, std::string_view state);

    // Adds the addresses the crawl does not know yet; an address already known keeps its
    // row, but is marked as in a sitemap when the new one is, and is queued after all when
    // the depth limit left it out and it is now found within it. The number added or queued.
    std::size_t add(std::int64_t crawl, const std::vector<FoundAddress> &found);
    // Up to `count` queued pages, shallowest first, now "fetching".
    std::vector<QueuedPage> claim(std::int64_t crawl, std::size_t count);
    // Pages left "fetching" by a crawl that was killed go back to the queue: for resuming,
    // while no crawler works on the crawl.
    std::size_t requeue_unfinished(std::int64_t crawl);
    // The page done, with its links and the addresses they led to, in one transaction. A page
    // already done is left as it is, so that a retried record stores nothing twice; a page
    // the store does not hold throws std::out_of_range.
    void record(std::int64_t page, const PageFacts &facts, const std::vector<FoundAddress> &found);

    CrawlProgress progress(std::int64_t crawl);
    // Addresses of the crawl on one path (any query), for the limit on query strings.
    std::size_t addresses_on_path(std::int64_t crawl, std::string_view path);

    SQLite::Database &database() { return database_; }

private:
    SQLite::Database database_;
};

// How far a crawl is, read from any connection to its store.
CrawlProgress crawl_progress(SQLite::Database &database, std::int64_t crawl);

} // namespace seo
