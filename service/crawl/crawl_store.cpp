#include "crawl/crawl_store.h"

#include "crawl/crawl_schema.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <ctime>
#include <limits>
#include <stdexcept>

// The SQL is what a PostgreSQL server reads as well (ON CONFLICT, RETURNING, FILTER,
// LIMIT), but for the pragmas and the write lock a transaction takes as it begins (BEGIN
// IMMEDIATE), which are SQLite's own.
namespace seo {
namespace {

// Long enough for the other process's transaction (a claim or a record) to end.
constexpr int kBusyTimeoutMs = 5000;

constexpr auto kWriting = SQLite::TransactionBehavior::IMMEDIATE;

constexpr const char *kSelectCrawls =
    "SELECT id, start_url, settings, state, started_at, ended_at FROM crawls";

SQLite::Database opened(const std::filesystem::path &file)
{
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    return SQLite::Database(file.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE, kBusyTimeoutMs);
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
void bind_text(SQLite::Statement &statement, int index, const std::string &text)
{
    if (text.empty())
        statement.bind(index);
    else
        statement.bind(index, text);
}

template<typename Figure>
void bind_figure(SQLite::Statement &statement, int index, const std::optional<Figure> &figure)
{
    if (figure)
        statement.bind(index, static_cast<std::int64_t>(*figure));
    else
        statement.bind(index);
}

CrawlRow crawl_row(const SQLite::Statement &row)
{
    return {row.getColumn(0).getInt64(),  row.getColumn(1).getString(), row.getColumn(2).getString(),
            row.getColumn(3).getString(), row.getColumn(4).getString(), row.getColumn(5).getString()};
}

// Within the caller's transaction, each statement prepared once for the whole list.
std::size_t add_addresses(SQLite::Database &database, std::int64_t crawl,
                          const std::vector<FoundAddress> &found)
{
    // The sitemap mark is its own statement rather than a DO UPDATE of the insert: the
    // count of changes would not tell an address added from one marked.
    SQLite::Statement insert(
        database,
        "INSERT INTO pages (crawl_id, url, path, depth, external, in_sitemap, state, "
        "skipped_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (crawl_id, url) DO NOTHING");
    SQLite::Statement mark(
        database, "UPDATE pages SET in_sitemap = 1 WHERE crawl_id = ? AND url = ? AND in_sitemap = 0");
    // A link to an address a sitemap listed gives it its depth.
    SQLite::Statement reach(database,
                            "UPDATE pages SET depth = ? WHERE crawl_id = ? AND url = ? AND depth IS NULL");
    // Found too deep first, then within the depth limit by a shorter way: crawled after all.
    SQLite::Statement nearer(
        database,
        "UPDATE pages SET depth = ?, state = 'queued', skipped_by = NULL WHERE crawl_id = ? "
        "AND url = ? AND state = 'skipped' AND skipped_by = 'depth' AND depth > ?");
    std::size_t added = 0;
    for (const FoundAddress &address : found) {
        insert.reset();
        insert.bind(1, crawl);
        insert.bind(2, address.url);
        insert.bind(3, address.path);
        if (address.depth)
            insert.bind(4, *address.depth);
        else
            insert.bind(4);
        insert.bind(5, int(address.external));
        insert.bind(6, int(address.in_sitemap));
        insert.bind(7, address.skipped_by.empty() ? "queued" : "skipped");
        bind_text(insert, 8, address.skipped_by);
        if (insert.exec() > 0) {
            ++added;
            continue;
        }
        if (address.in_sitemap) {
            mark.reset();
            mark.bind(1, crawl);
            mark.bind(2, address.url);
            mark.exec();
        }
        if (address.depth) {
            reach.reset();
            reach.bind(1, *address.depth);
            reach.bind(2, crawl);
            reach.bind(3, address.url);
            reach.exec();
        }
        if (address.depth && address.skipped_by.empty()) {
            nearer.reset();
            nearer.bind(1, *address.depth);
            nearer.bind(2, crawl);
            nearer.bind(3, address.url);
            nearer.bind(4, *address.depth);
            added += std::size_t(nearer.exec());
        }
    }
    return added;
}

} // namespace

CrawlStore::CrawlStore(const std::filesystem::path &file)
    : database_(opened(file))
{
    // WAL lets a report read while a crawl writes. NORMAL loses nothing committed when the
    // program is killed, only the last commits on a power cut, and those pages are fetched again.
    database_.exec("PRAGMA journal_mode = WAL");
    database_.exec("PRAGMA synchronous = NORMAL");
    database_.exec("PRAGMA foreign_keys = ON");
    migrate(database_);
}

std::int64_t CrawlStore::begin_crawl(std::string_view start_url, std::string_view settings_json)
{
    SQLite::Statement insert(database_,
                             "INSERT INTO crawls (start_url, settings, state, started_at) "
                             "VALUES (?, ?, 'running', ?) RETURNING id");
    insert.bind(1, std::string(start_url));
    insert.bind(2, std::string(settings_json));
    insert.bind(3, utc_now());
    insert.executeStep();
    const std::int64_t id = insert.getColumn(0).getInt64();
    // Run to its end, where the insert commits, so that a failure to commit is thrown here.
    insert.executeStep();
    return id;
}

std::optional<CrawlRow> CrawlStore::crawl(std::int64_t id)
{
    SQLite::Statement query(database_, std::string(kSelectCrawls) + " WHERE id = ?");
    query.bind(1, id);
    if (!query.executeStep())
        return std::nullopt;
    return crawl_row(query);
}

std::vector<CrawlRow> CrawlStore::crawls()
{
    SQLite::Statement query(database_, std::string(kSelectCrawls) + " ORDER BY id");
    std::vector<CrawlRow> rows;
    while (query.executeStep())
        rows.push_back(crawl_row(query));
    return rows;
}

void CrawlStore::set_state(std::int64_t crawl, std::string_view state)
{
    if (state != "running" && state != "stopped" && state != "finished")
        throw std::invalid_argument("no crawl state \"" + std::string(state) + "\"");
    SQLite::Statement update(database_, "UPDATE crawls SET state = ?, ended_at = ? WHERE id = ?");
    update.bind(1, std::string(state));
    if (state == "running")
        update.bind(2);
    else
        update.bind(2, utc_now());
    update.bind(3, crawl);
    update.exec();
}

std::size_t CrawlStore::add(std::int64_t crawl, const std::vector<FoundAddress> &found)
{
    SQLite::Transaction transaction(database_, kWriting);
    const std::size_t added = add_addresses(database_, crawl, found);
    transaction.commit();
    return added;
}

std::vector<QueuedPage> CrawlStore::claim(std::int64_t crawl, std::size_t count)
{
    // The write lock is taken before the select, so that another process claiming at the
    // same time waits and then sees these pages taken. A server database would lock the
    // rows instead (SELECT … FOR UPDATE SKIP LOCKED).
    SQLite::Transaction transaction(database_, kWriting);
    SQLite::Statement queued(
        database_,
        "SELECT id, url, depth, external FROM pages "
        "WHERE crawl_id = ? AND state = 'queued' ORDER BY depth IS NULL, depth, id LIMIT ?");
    queued.bind(1, crawl);
    queued.bind(2, std::int64_t(std::min<std::uint64_t>(count, std::numeric_limits<std::int64_t>::max())));
    std::vector<QueuedPage> pages;
    while (queued.executeStep())
        pages.push_back(
            {queued.getColumn(0).getInt64(), queued.getColumn(1).getString(),
             queued.getColumn(2).isNull() ? std::nullopt : std::optional(queued.getColumn(2).getInt()),
             queued.getColumn(3).getInt() != 0});
    SQLite::Statement fetching(database_, "UPDATE pages SET state = 'fetching' WHERE id = ?");
    for (const QueuedPage &page : pages) {
        fetching.reset();
        fetching.bind(1, page.id);
        fetching.exec();
    }
    transaction.commit();
    return pages;
}

std::size_t CrawlStore::requeue_unfinished(std::int64_t crawl)
{
    SQLite::Statement requeue(database_,
                              "UPDATE pages SET state = 'queued' WHERE crawl_id = ? AND state = 'fetching'");
    requeue.bind(1, crawl);
    return static_cast<std::size_t>(requeue.exec());
}

void CrawlStore::record(std::int64_t page, const PageFacts &facts, const std::vector<FoundAddress> &found)
{
    SQLite::Transaction transaction(database_, kWriting);
    std::int64_t crawl = 0;
    {
        SQLite::Statement row(database_, "SELECT crawl_id, state FROM pages WHERE id = ?");
        row.bind(1, page);
        if (!row.executeStep())
            throw std::out_of_range("no page " + std::to_string(page) + " in the crawl store");
        if (row.getColumn(1).getString() == "done")
            return;
        crawl = row.getColumn(0).getInt64();
    }

    SQLite::Statement update(database_,
                             "UPDATE pages SET state = 'done', final_url = ?, status = ?, failure = ?, "
                             "redirects = ?, content_type = ?, bytes = ?, response_ms = ?, title = ?, "
                             "description = ?, h1 = ?, h1_count = ?, canonical = ?, robots = ?, noindex = ?, "
                             "blocked = ?, text_chars = ?, text_words = ?, content_hash = ?, simhash = ?, "
                             "score = ?, verdicts = ?, keywords = ? WHERE id = ?");
    int column = 1;
    bind_text(update, column++, facts.final_url);
    bind_figure(update, column++, facts.status);
    bind_text(update, column++, facts.failure);
    bind_text(update, column++, facts.redirects);
    bind_text(update, column++, facts.content_type);
    bind_figure(update, column++, facts.bytes);
    bind_figure(update, column++, facts.response_ms);
    bind_text(update, column++, facts.title);
    bind_text(update, column++, facts.description);
    bind_text(update, column++, facts.h1);
    bind_figure(update, column++, facts.h1_count);
    bind_text(update, column++, facts.canonical);
    bind_text(update, column++, facts.robots);
    bind_figure(update, column++, facts.noindex);
    update.bind(column++, int(facts.blocked));
    bind_figure(update, column++, facts.text_chars);
    bind_figure(update, column++, facts.text_words);
    bind_text(update, column++, facts.content_hash);
    bind_figure(update, column++, facts.simhash);
    bind_figure(update, column++, facts.score);
    bind_text(update, column++, facts.verdicts);
    bind_text(update, column++, facts.keywords);
    update.bind(column, page);
    update.exec();

    SQLite::Statement link(database_,
                           "INSERT INTO links (crawl_id, from_page, to_url, kind, hreflang, anchor, "
                           "nofollow) VALUES (?, ?, ?, ?, ?, ?, ?)");
    for (const StoredLink &stored : facts.links) {
        link.reset();
        link.bind(1, crawl);
        link.bind(2, page);
        link.bind(3, stored.to_url);
        link.bind(4, stored.kind);
        bind_text(link, 5, stored.hreflang);
        bind_text(link, 6, stored.anchor);
        link.bind(7, int(stored.nofollow));
        link.exec();
    }
    add_addresses(database_, crawl, found);
    transaction.commit();
}

CrawlProgress CrawlStore::progress(std::int64_t crawl)
{
    return crawl_progress(database_, crawl);
}

CrawlProgress crawl_progress(SQLite::Database &database, std::int64_t crawl)
{
    SQLite::Statement query(database,
                            "SELECT count(*) FILTER (WHERE state = 'done'), "
                            "count(*) FILTER (WHERE state = 'queued'), "
                            "count(*) FILTER (WHERE state = 'fetching'), "
                            "count(*) FILTER (WHERE state = 'skipped'), "
                            "count(*) FILTER (WHERE state = 'done' AND blocked = 0 "
                            "AND (status IS NULL OR status NOT BETWEEN 200 AND 299)), "
                            "coalesce(sum(bytes), 0) FROM pages WHERE crawl_id = ?");
    query.bind(1, crawl);
    query.executeStep();
    const auto column = [&](int index) {
        return static_cast<std::size_t>(query.getColumn(index).getInt64());
    };
    return {column(0), column(1), column(2),
            column(3), column(4), std::uint64_t(query.getColumn(5).getInt64())};
}

std::size_t CrawlStore::addresses_on_path(std::int64_t crawl, std::string_view path)
{
    SQLite::Statement query(database_, "SELECT count(*) FROM pages WHERE crawl_id = ? AND path = ?");
    query.bind(1, crawl);
    query.bind(2, std::string(path));
    query.executeStep();
    return static_cast<std::size_t>(query.getColumn(0).getInt64());
}

} // namespace seo
