#include "crawl/crawl_schema.h"

#include <array>
#include <stdexcept>
#include <string>

namespace seo {
namespace {

// Each entry takes the schema from the version before it to its own, in SQLite's words;
// server_dialect() says the same to PostgreSQL.
constexpr std::array<const char *, kCrawlSchemaVersion> kMigrations = {
    R"sql(
CREATE TABLE crawls (
    id INTEGER PRIMARY KEY,
    start_url TEXT NOT NULL,
    settings TEXT NOT NULL,            -- the crawl's limits, JSON
    state TEXT NOT NULL,               -- 'running', 'stopped', 'finished'
    started_at TEXT NOT NULL,          -- UTC, ISO 8601
    ended_at TEXT
);

-- One row per address of a crawl: its place in the queue until it is done, then what
-- was found there.
CREATE TABLE pages (
    id INTEGER PRIMARY KEY,
    crawl_id INTEGER NOT NULL REFERENCES crawls (id),
    url TEXT NOT NULL,                 -- normalised: one page, one row
    path TEXT NOT NULL,                -- origin and path without the query
    depth INTEGER,                     -- clicks from the start; NULL when only a sitemap lists it
    external INTEGER NOT NULL DEFAULT 0,   -- checked by its status only
    in_sitemap INTEGER NOT NULL DEFAULT 0,
    state TEXT NOT NULL,               -- 'queued', 'fetching', 'done', 'skipped'
    skipped_by TEXT,                   -- 'pages', 'depth', 'length', 'queries', 'bytes'
    final_url TEXT,
    status INTEGER,                    -- of the last answer; NULL when none came
    failure TEXT,                      -- why it could not be had or read
    redirects TEXT,                    -- JSON [[url, status], ...] before the last answer
    content_type TEXT,
    bytes INTEGER,
    response_ms INTEGER,
    title TEXT,
    description TEXT,
    h1 TEXT,                           -- the first
    h1_count INTEGER,
    canonical TEXT,                    -- resolved
    robots TEXT,                       -- meta robots and X-Robots-Tag, as read
    noindex INTEGER,
    blocked INTEGER NOT NULL DEFAULT 0,    -- by robots.txt, for this crawler
    text_chars INTEGER,
    text_words INTEGER,
    content_hash TEXT,                 -- of the text: exact duplicates
    simhash INTEGER,                   -- 64 bits over words, as a signed integer
    score INTEGER,                     -- the audit's
    verdicts TEXT,                     -- JSON {check id: verdict}
    keywords TEXT,                     -- JSON [[word, occurrences, density], ...]
    UNIQUE (crawl_id, url)
);
CREATE INDEX pages_queue ON pages (crawl_id, state, depth, id);
CREATE INDEX pages_path ON pages (crawl_id, path);

-- Links, canonicals, rel=next/prev and hreflang alternates of done pages.
CREATE TABLE links (
    crawl_id INTEGER NOT NULL REFERENCES crawls (id),
    from_page INTEGER NOT NULL REFERENCES pages (id),
    to_url TEXT NOT NULL,              -- resolved and normalised
    kind TEXT NOT NULL,                -- 'a', 'canonical', 'next', 'prev', 'alternate'
    hreflang TEXT,
    anchor TEXT,
    nofollow INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX links_to ON links (crawl_id, to_url);
CREATE INDEX links_from ON links (from_page);
)sql",
    R"sql(
-- What a finished crawl found, as its page shows it (JSON): read from one row instead of
-- worked out from every page and link each time the page is shown.
ALTER TABLE crawls ADD COLUMN report TEXT;
)sql",
    R"sql(
-- Several workers share a crawl. A page being fetched is leased to one of them until a
-- moment on the database's clock (milliseconds since 1970), renewed while the worker
-- lives; a lease that runs out puts the page back in the queue.
ALTER TABLE pages ADD COLUMN worker TEXT;
ALTER TABLE pages ADD COLUMN lease_until INTEGER;
CREATE INDEX pages_leases ON pages (crawl_id, lease_until) WHERE state = 'fetching';
-- Politeness across workers: a host's requests go by turns, one turn per request it may
-- have in flight, each free again from a moment on the database's clock.
CREATE TABLE host_turns (
    crawl_id INTEGER NOT NULL REFERENCES crawls (id),
    origin TEXT NOT NULL,
    turn INTEGER NOT NULL,
    free_at INTEGER NOT NULL,
    PRIMARY KEY (crawl_id, origin, turn)
);
)sql",
};

// PostgreSQL's integers are 32 bits unless asked for more, and its row numbers are
// identity columns. Links are kept in the order they were found; SQLite's rowid says it,
// and the server gets a column of that name.
std::string server_dialect(int version, std::string sql)
{
    const auto replace_all = [&sql](std::string_view from, std::string_view to) {
        for (std::size_t at = sql.find(from); at != std::string::npos; at = sql.find(from, at + to.size()))
            sql.replace(at, from.size(), to);
    };
    replace_all("INTEGER PRIMARY KEY", "BIGSERIAL PRIMARY KEY");
    replace_all("INTEGER", "BIGINT");
    if (version == 0)
        sql += "ALTER TABLE links ADD COLUMN rowid BIGSERIAL;\n";
    return sql;
}

int stored_version(sql::Database &database)
{
    if (!database.has_table("schema_version"))
        return 0;
    return int(sql::integer_of(database, "SELECT version FROM schema_version"));
}

} // namespace

void migrate(sql::Database &database)
{
    const bool server = database.engine() == sql::Engine::postgresql;
    for (;;) {
        sql::Transaction step(database);
        if (server) // instances that start together take their turns
            database.execute_script("SELECT pg_advisory_xact_lock(7243001)");
        const int version = stored_version(database);
        if (version > kCrawlSchemaVersion)
            throw std::runtime_error("the crawl store was written by a newer seo-site (schema version "
                                     + std::to_string(version) + ")");
        if (version == kCrawlSchemaVersion)
            return;
        if (version == 0)
            database.execute_script("CREATE TABLE schema_version (version INTEGER NOT NULL);"
                                    "INSERT INTO schema_version VALUES (0)");
        const std::string sql = kMigrations[std::size_t(version)];
        database.execute_script(server ? server_dialect(version, sql) : sql);
        database.execute_script("UPDATE schema_version SET version = " + std::to_string(version + 1));
        step.commit();
    }
}

} // namespace seo
