#include "crawl/crawl_store.h"

#include "crawl/crawl_schema.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <limits>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <tuple>
#include <unistd.h>

// The SQL is what both SQLite and PostgreSQL read (ON CONFLICT, RETURNING, FILTER, LIMIT);
// where they differ, the store layer says it (the clock, skipping locked rows).
namespace seo {
namespace {

constexpr const char *kSelectCrawls =
    "SELECT id, start_url, settings, state, started_at, ended_at FROM crawls";

// A name for this worker's leases, unique among the processes and threads sharing a store,
// that says which process holds a page.
std::string worker_name()
{
    std::random_device random;
    char text[48];
    std::snprintf(text, sizeof text, "%ld-%08x", static_cast<long>(getpid()),
                  static_cast<unsigned>(random()));
    return text;
}

std::string utc_now()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[sizeof "2026-12-07T14:05:02Z"];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// What a page did not give is NULL, so that reports ask one question for it ("IS NULL").
void bind_text(sql::Statement &statement, int index, const std::string &text)
{
    if (text.empty())
        statement.bind(index, nullptr);
    else
        statement.bind(index, text);
}

CrawlRow crawl_row(const sql::Statement &row)
{
    return {row.integer(0), row.text(1), row.text(2), row.text(3), row.text(4), row.text(5)};
}

// Rows written or looked up by one statement: few round trips to a server, and well
// under SQLite's limit on parameters.
constexpr std::size_t kRowsAtOnce = 200;

// "(?, ?), (?, ?)": `rows` rows of `columns` parameters each.
std::string parameter_rows(std::size_t rows, std::size_t columns)
{
    std::string row = "(?";
    for (std::size_t column = 1; column < columns; ++column)
        row += ", ?";
    row += ')';
    std::string text = row;
    for (std::size_t more = 1; more < rows; ++more)
        text += ", " + row;
    return text;
}

// Runs `sql` (ending in "url IN ") for these addresses of the crawl, after the leading
// parameters; the rows it changed.
std::size_t for_urls(sql::Database &database, const std::string &sql, const std::vector<sql::Value> &leading,
                     std::int64_t crawl, const std::vector<const FoundAddress *> &addresses)
{
    if (addresses.empty())
        return 0;
    sql::Statement statement(database, sql + parameter_rows(1, addresses.size()));
    int index = 1;
    for (const sql::Value &value : leading)
        std::visit([&](const auto &given) { statement.bind(index++, given); }, value);
    statement.bind(index++, crawl);
    for (const FoundAddress *address : addresses)
        statement.bind(index++, address->url);
    return statement.execute();
}

// Within the caller's transaction, a statement for each kind of change to many addresses.
std::size_t add_chunk(sql::Database &database, std::int64_t crawl,
                      const std::vector<const FoundAddress *> &chunk)
{
    // The sitemap mark is its own statement rather than a DO UPDATE of the insert: what
    // was inserted would not tell an address added from one marked.
    sql::Statement insert(database,
                          "INSERT INTO pages (crawl_id, url, path, depth, external, in_sitemap, state, "
                          "skipped_by) VALUES "
                              + parameter_rows(chunk.size(), 8)
                              + " ON CONFLICT (crawl_id, url) DO NOTHING RETURNING url");
    int index = 0;
    for (const FoundAddress *address : chunk) {
        insert.bind(++index, crawl);
        insert.bind(++index, address->url);
        insert.bind(++index, address->path);
        insert.bind(++index, address->depth);
        insert.bind(++index, int(address->external));
        insert.bind(++index, int(address->in_sitemap));
        insert.bind(++index, address->skipped_by.empty() ? "queued" : "skipped");
        bind_text(insert, ++index, address->skipped_by);
    }
    std::set<std::string> inserted;
    while (insert.step())
        inserted.insert(insert.text(0));

    std::vector<const FoundAddress *> in_sitemap;
    std::map<int, std::vector<const FoundAddress *>> reached, queued; // by depth
    for (const FoundAddress *address : chunk) {
        if (inserted.contains(address->url))
            continue;
        if (address->in_sitemap)
            in_sitemap.push_back(address);
        if (address->depth) {
            reached[*address->depth].push_back(address);
            if (address->skipped_by.empty())
                queued[*address->depth].push_back(address);
        }
    }
    std::size_t added = inserted.size();
    for_urls(database, "UPDATE pages SET in_sitemap = 1 WHERE in_sitemap = 0 AND crawl_id = ? AND url IN ",
             {}, crawl, in_sitemap);
    // A link to an address a sitemap listed gives it its depth.
    for (const auto &[depth, addresses] : reached)
        for_urls(database, "UPDATE pages SET depth = ? WHERE depth IS NULL AND crawl_id = ? AND url IN ",
                 {std::int64_t(depth)}, crawl, addresses);
    // Found too deep first, then within the depth limit by a shorter way: crawled after all.
    for (const auto &[depth, addresses] : queued)
        added += for_urls(
            database,
            "UPDATE pages SET depth = ?, state = 'queued', skipped_by = NULL WHERE state = 'skipped' "
            "AND skipped_by = 'depth' AND depth > ? AND crawl_id = ? AND url IN ",
            {std::int64_t(depth), std::int64_t(depth)}, crawl, addresses);
    return added;
}

std::size_t add_addresses(sql::Database &database, std::int64_t crawl, const std::vector<FoundAddress> &found)
{
    // In one order in every worker, so that two adding the same addresses at once wait for
    // each other instead of locking each other out; each address once.
    std::vector<const FoundAddress *> sorted;
    sorted.reserve(found.size());
    for (const FoundAddress &address : found)
        sorted.push_back(&address);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto *a, const auto *b) { return a->url < b->url; });
    sorted.erase(std::unique(sorted.begin(), sorted.end(),
                             [](const auto *a, const auto *b) { return a->url == b->url; }),
                 sorted.end());
    std::size_t added = 0;
    for (std::size_t at = 0; at < sorted.size(); at += kRowsAtOnce)
        added += add_chunk(database, crawl,
                           {sorted.begin() + std::ptrdiff_t(at),
                            sorted.begin() + std::ptrdiff_t(std::min(sorted.size(), at + kRowsAtOnce))});
    return added;
}

} // namespace

void CrawlStore::wait_when_unreachable(std::stop_token stop)
{
    patience_ = std::move(stop);
}

bool CrawlStore::wait_for_store()
{
    if (!patience_ || patience_->stop_requested())
        return false;
    // A restart takes seconds: asked again each second, without keeping a stop waiting.
    std::mutex mutex;
    std::unique_lock lock(mutex);
    std::condition_variable_any().wait_for(lock, *patience_, std::chrono::seconds(1), [] { return false; });
    return !patience_->stop_requested();
}

CrawlStore::CrawlStore(const std::string &location)
    : database_(sql::open_database(location))
    , worker_(worker_name())
{
    migrate(*database_);
}

std::int64_t CrawlStore::begin_crawl(std::string_view start_url, std::string_view settings_json)
{
    sql::Statement insert(*database_,
                          "INSERT INTO crawls (start_url, settings, state, started_at) "
                          "VALUES (?, ?, 'running', ?) RETURNING id");
    insert.bind(1, start_url);
    insert.bind(2, settings_json);
    insert.bind(3, utc_now());
    insert.step();
    const std::int64_t id = insert.integer(0);
    // Run to its end, where the insert commits, so that a failure to commit is thrown here.
    insert.execute();
    return id;
}

std::optional<CrawlRow> CrawlStore::crawl(std::int64_t id)
{
    return patiently([&]() -> std::optional<CrawlRow> {
        sql::Statement query(*database_, std::string(kSelectCrawls) + " WHERE id = ?");
        query.bind(1, id);
        if (!query.step())
            return std::nullopt;
        return crawl_row(query);
    });
}

std::vector<CrawlRow> CrawlStore::crawls()
{
    sql::Statement query(*database_, std::string(kSelectCrawls) + " ORDER BY id");
    std::vector<CrawlRow> rows;
    while (query.step())
        rows.push_back(crawl_row(query));
    return rows;
}

std::vector<CrawlRow> CrawlStore::crawls_with_work()
{
    sql::Statement query(*database_,
                         std::string(kSelectCrawls)
                             + " c WHERE state = 'running' AND EXISTS (SELECT 1 FROM pages p WHERE "
                               "p.crawl_id = c.id AND p.state IN ('queued', 'fetching')) ORDER BY id");
    std::vector<CrawlRow> rows;
    while (query.step())
        rows.push_back(crawl_row(query));
    return rows;
}

void CrawlStore::set_state(std::int64_t crawl, std::string_view state)
{
    return patiently([&] {
        if (state != "running" && state != "stopped" && state != "finished")
            throw std::invalid_argument("no crawl state \"" + std::string(state) + "\"");
        sql::Statement update(*database_, "UPDATE crawls SET state = ?, ended_at = ? WHERE id = ?");
        update.bind(1, state);
        if (state == "running")
            update.bind(2, nullptr);
        else
            update.bind(2, utc_now());
        update.bind(3, crawl);
        update.execute();
    });
}

bool CrawlStore::finish(std::int64_t crawl)
{
    return patiently([&] {
        sql::Statement update(
            *database_,
            "UPDATE crawls SET state = 'finished', ended_at = ? WHERE id = ? AND state <> 'finished'");
        update.bind(1, utc_now());
        update.bind(2, crawl);
        return update.execute() == 1;
    });
}

std::size_t CrawlStore::add(std::int64_t crawl, const std::vector<FoundAddress> &found)
{
    return patiently([&] {
        sql::Transaction transaction(*database_);
        const std::size_t added = add_addresses(*database_, crawl, found);
        transaction.commit();
        return added;
    });
}

std::vector<QueuedPage> CrawlStore::claim(std::int64_t crawl, std::size_t count)
{
    return patiently([&] {
        const sql::Engine engine = database_->engine();
        const std::string now = sql::now_ms(engine);
        sql::Transaction transaction(*database_);
        // Another worker claiming at the same time passes over the rows this one locks, and
        // takes the next ones (SQLite: waits for the write lock, then sees these taken). In
        // the order of the queue's index, linked pages by depth, then those only a sitemap
        // lists: a sort of the whole queue at every claim would cost more than the page.
        std::vector<QueuedPage> pages;
        for (const char *which : {"depth IS NOT NULL ORDER BY depth, id", "depth IS NULL ORDER BY id"}) {
            if (pages.size() >= count)
                break;
            sql::Statement claimed(*database_,
                                   "UPDATE pages SET state = 'fetching', worker = ?, lease_until = " + now
                                       + " + ? WHERE id IN (SELECT id FROM pages WHERE crawl_id = ? "
                                         "AND state = 'queued' AND "
                                       + which + " LIMIT ?" + sql::skip_locked(engine)
                                       + ") RETURNING id, url, depth, external");
            claimed.bind(1, worker_);
            claimed.bind(2, kLeaseMs);
            claimed.bind(3, crawl);
            claimed.bind(4,
                         std::int64_t(std::min<std::uint64_t>(count - pages.size(),
                                                              std::numeric_limits<std::int64_t>::max())));
            while (claimed.step())
                pages.push_back({claimed.integer(0), claimed.text(1),
                                 claimed.is_null(2) ? std::nullopt : std::optional(int(claimed.integer(2))),
                                 claimed.integer(3) != 0});
        }
        transaction.commit();
        // RETURNING keeps no order.
        std::sort(pages.begin(), pages.end(), [](const QueuedPage &a, const QueuedPage &b) {
            return std::tuple(!a.depth, a.depth.value_or(0), a.id)
                < std::tuple(!b.depth, b.depth.value_or(0), b.id);
        });
        return pages;
    });
}

std::size_t CrawlStore::requeue_expired(std::int64_t crawl)
{
    return patiently([&] {
        sql::Statement expired(*database_,
                               "UPDATE pages SET state = 'queued', worker = NULL, lease_until = NULL "
                               "WHERE crawl_id = ? AND state = 'fetching' AND (lease_until IS NULL "
                               "OR lease_until < "
                                   + std::string(sql::now_ms(database_->engine())) + ")");
        expired.bind(1, crawl);
        return expired.execute();
    });
}

void CrawlStore::renew(std::int64_t crawl)
{
    return patiently([&] {
        sql::Statement renewed(*database_,
                               "UPDATE pages SET lease_until = "
                                   + std::string(sql::now_ms(database_->engine()))
                                   + " + ? WHERE crawl_id = ? AND state = 'fetching' AND worker = ?");
        renewed.bind(1, kLeaseMs);
        renewed.bind(2, crawl);
        renewed.bind(3, worker_);
        renewed.execute();
    });
}

std::size_t CrawlStore::release(std::int64_t crawl)
{
    return patiently([&] {
        sql::Statement released(*database_,
                                "UPDATE pages SET state = 'queued', worker = NULL, lease_until = NULL "
                                "WHERE crawl_id = ? AND state = 'fetching' AND worker = ?");
        released.bind(1, crawl);
        released.bind(2, worker_);
        return released.execute();
    });
}

std::size_t CrawlStore::requeue_unfinished(std::int64_t crawl)
{
    sql::Statement requeue(*database_,
                           "UPDATE pages SET state = 'queued', worker = NULL, lease_until = NULL "
                           "WHERE crawl_id = ? AND state = 'fetching'");
    requeue.bind(1, crawl);
    return requeue.execute();
}

void CrawlStore::record(std::int64_t page, const PageFacts &facts, const std::vector<FoundAddress> &found)
{
    return patiently([&] {
        sql::Transaction transaction(*database_);
        std::int64_t crawl = 0;
        {
            // Locked, so that two workers recording the same page (one whose lease ran out)
            // store it once.
            sql::Statement row(*database_,
                               std::string("SELECT crawl_id, state FROM pages WHERE id = ?")
                                   + (database_->engine() == sql::Engine::postgresql ? " FOR UPDATE" : ""));
            row.bind(1, page);
            if (!row.step())
                throw std::out_of_range("no page " + std::to_string(page) + " in the crawl store");
            if (row.text(1) == "done")
                return;
            crawl = row.integer(0);
        }

        sql::Statement update(
            *database_,
            "UPDATE pages SET state = 'done', worker = NULL, lease_until = NULL, final_url = ?, status = ?, "
            "failure = ?, "
            "redirects = ?, content_type = ?, bytes = ?, response_ms = ?, title = ?, "
            "description = ?, h1 = ?, h1_count = ?, canonical = ?, robots = ?, noindex = ?, "
            "blocked = ?, text_chars = ?, text_words = ?, content_hash = ?, simhash = ?, "
            "score = ?, verdicts = ?, keywords = ? WHERE id = ?");
        int column = 1;
        bind_text(update, column++, facts.final_url);
        update.bind(column++, facts.status);
        bind_text(update, column++, facts.failure);
        bind_text(update, column++, facts.redirects);
        bind_text(update, column++, facts.content_type);
        update.bind(column++, facts.bytes);
        update.bind(column++, facts.response_ms);
        bind_text(update, column++, facts.title);
        bind_text(update, column++, facts.description);
        bind_text(update, column++, facts.h1);
        update.bind(column++, facts.h1_count);
        bind_text(update, column++, facts.canonical);
        bind_text(update, column++, facts.robots);
        update.bind(column++, facts.noindex);
        update.bind(column++, int(facts.blocked));
        update.bind(column++, facts.text_chars);
        update.bind(column++, facts.text_words);
        bind_text(update, column++, facts.content_hash);
        update.bind(column++, facts.simhash);
        update.bind(column++, facts.score);
        bind_text(update, column++, facts.verdicts);
        bind_text(update, column++, facts.keywords);
        update.bind(column, page);
        update.execute();

        for (std::size_t at = 0; at < facts.links.size(); at += kRowsAtOnce) {
            const std::size_t rows = std::min(kRowsAtOnce, facts.links.size() - at);
            sql::Statement links(*database_,
                                 "INSERT INTO links (crawl_id, from_page, to_url, kind, hreflang, "
                                 "anchor, nofollow) VALUES "
                                     + parameter_rows(rows, 7));
            int index = 0;
            for (std::size_t row = at; row < at + rows; ++row) {
                const StoredLink &stored = facts.links[row];
                links.bind(++index, crawl);
                links.bind(++index, page);
                links.bind(++index, stored.to_url);
                links.bind(++index, stored.kind);
                bind_text(links, ++index, stored.hreflang);
                bind_text(links, ++index, stored.anchor);
                links.bind(++index, int(stored.nofollow));
            }
            links.execute();
        }
        add_addresses(*database_, crawl, found);
        transaction.commit();
    });
}

HostTurn CrawlStore::take_turn(std::int64_t crawl, std::string_view origin, int turns, std::int64_t hold_ms)
{
    return patiently([&]() -> HostTurn {
        const sql::Engine engine = database_->engine();
        const std::string now = sql::now_ms(engine);
        int &made = turns_made_[{crawl, std::string(origin)}];
        if (made < turns) {
            sql::Statement make(*database_,
                                "INSERT INTO host_turns (crawl_id, origin, turn, free_at) "
                                "VALUES (?, ?, ?, 0) ON CONFLICT DO NOTHING");
            for (; made < turns; ++made) {
                make.reset();
                make.bind(1, crawl).bind(2, origin).bind(3, made);
                make.execute();
            }
        }
        // Two workers after the same host: the one that locks a free turn first has it, the
        // other takes the next free one or none. Free only once the clock is past free_at:
        // both count whole milliseconds down, so a rest has fully passed only then.
        sql::Statement take(*database_,
                            "UPDATE host_turns SET free_at = " + now
                                + " + ? WHERE crawl_id = ? "
                                  "AND origin = ? AND turn = (SELECT turn FROM host_turns WHERE crawl_id = ? "
                                  "AND origin = ? AND turn < ? AND free_at < "
                                + now + " ORDER BY turn LIMIT 1" + sql::skip_locked(engine)
                                + ") RETURNING turn");
        take.bind(1, hold_ms).bind(2, crawl).bind(3, origin).bind(4, crawl).bind(5, origin).bind(6, turns);
        if (take.step())
            return {int(take.integer(0)), 0};
        sql::Statement first_free(*database_,
                                  "SELECT min(free_at) - " + now
                                      + " FROM host_turns WHERE crawl_id = ? AND origin = ? AND turn < ?");
        first_free.bind(1, crawl).bind(2, origin).bind(3, turns);
        first_free.step();
        return {std::nullopt, std::max<std::int64_t>(1, first_free.optional_integer(0).value_or(1))};
    });
}

void CrawlStore::give_back_turn(std::int64_t crawl, std::string_view origin, int turn, std::int64_t rest_ms)
{
    return patiently([&] {
        sql::Statement give_back(*database_,
                                 "UPDATE host_turns SET free_at = "
                                     + std::string(sql::now_ms(database_->engine()))
                                     + " + ? WHERE crawl_id = ? AND origin = ? AND turn = ?");
        give_back.bind(1, rest_ms).bind(2, crawl).bind(3, origin).bind(4, turn);
        give_back.execute();
    });
}

CrawlProgress CrawlStore::progress(std::int64_t crawl)
{
    return patiently([&] { return crawl_progress(*database_, crawl); });
}

CrawlProgress crawl_progress(sql::Database &database, std::int64_t crawl)
{
    sql::Statement query(database,
                         "SELECT count(*) FILTER (WHERE state = 'done'), "
                         "count(*) FILTER (WHERE state = 'queued'), "
                         "count(*) FILTER (WHERE state = 'fetching'), "
                         "count(*) FILTER (WHERE state = 'skipped'), "
                         "count(*) FILTER (WHERE state = 'done' AND blocked = 0 "
                         "AND (status IS NULL OR status NOT BETWEEN 200 AND 299)), "
                         "coalesce(sum(bytes), 0) FROM pages WHERE crawl_id = ?");
    query.bind(1, crawl);
    query.step();
    const auto column = [&](int index) { return static_cast<std::size_t>(query.integer(index)); };
    return {column(0), column(1), column(2), column(3), column(4), std::uint64_t(query.integer(5))};
}

std::optional<std::string> CrawlStore::skipped_by(std::int64_t crawl, const std::string &url)
{
    return patiently([&]() -> std::optional<std::string> {
        sql::Statement row(*database_,
                           "SELECT coalesce(skipped_by, '') FROM pages WHERE crawl_id = ? AND url = ?");
        row.bind(1, crawl).bind(2, url);
        if (!row.step())
            return std::nullopt;
        return row.text(0);
    });
}

std::pair<std::size_t, std::size_t> CrawlStore::known_counts(std::int64_t crawl)
{
    return patiently([&] {
        sql::Statement count(*database_,
                             "SELECT external, count(*) FROM pages WHERE crawl_id = ? "
                             "AND state <> 'skipped' GROUP BY external");
        count.bind(1, crawl);
        std::pair<std::size_t, std::size_t> known;
        while (count.step())
            (count.integer(0) ? known.second : known.first) = std::size_t(count.integer(1));
        return known;
    });
}

std::size_t CrawlStore::addresses_on_path(std::int64_t crawl, std::string_view path)
{
    return patiently([&] {
        sql::Statement query(*database_, "SELECT count(*) FROM pages WHERE crawl_id = ? AND path = ?");
        query.bind(1, crawl);
        query.bind(2, path);
        query.step();
        return static_cast<std::size_t>(query.integer(0));
    });
}

} // namespace seo
