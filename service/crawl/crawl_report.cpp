#include "crawl/crawl_report.h"

#include "audit/audit.h"
#include "crawl/crawl_store.h"
#include "crawl/site_findings.h"
#include "store/sql_database.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

namespace seo {
namespace {

// The site's keyword table: as long as a page's.
constexpr std::size_t kSiteKeywords = 30;

// Columns whose text is JSON, given as JSON rather than as a string of it.
const std::set<std::string> kJsonColumns = {"redirects", "verdicts", "keywords"};

nlohmann::ordered_json column_value(const sql::Statement &row, int column)
{
    switch (row.kind(column)) {
    case sql::Kind::null:
        return nullptr;
    case sql::Kind::integer:
        return row.integer(column);
    case sql::Kind::real:
        return row.real(column);
    case sql::Kind::text:
        break;
    }
    if (kJsonColumns.contains(row.column_name(column)))
        return nlohmann::ordered_json::parse(row.text(column), nullptr, false);
    return row.text(column);
}

nlohmann::ordered_json rows(sql::Statement &query)
{
    auto rows = nlohmann::ordered_json::array();
    while (query.step()) {
        nlohmann::ordered_json row;
        for (int i = 0; i < query.columns(); ++i)
            row[query.column_name(i)] = column_value(query, i);
        rows.push_back(std::move(row));
    }
    return rows;
}

// What a page's row says, without the worker's lease on it.
constexpr std::string_view kPageColumns =
    "id, crawl_id, url, path, depth, external, in_sitemap, state, skipped_by, final_url, status, failure, "
    "redirects, content_type, bytes, response_ms, title, description, h1, h1_count, canonical, robots, "
    "noindex, "
    "blocked, text_chars, text_words, content_hash, simhash, score, verdicts, keywords";

sql::Statement pages_query(sql::Database &database, std::int64_t crawl)
{
    sql::Statement query(
        database, "SELECT " + std::string(kPageColumns) + " FROM pages WHERE crawl_id = ? ORDER BY id");
    query.bind(1, crawl);
    return query;
}

constexpr std::string_view kLinks =
    "SELECT p.url AS from_url, l.to_url, l.kind, l.hreflang, l.anchor, l.nofollow "
    "FROM links l JOIN pages p ON p.id = l.from_page "
    "WHERE l.crawl_id = :crawl ORDER BY l.from_page, l.rowid";

sql::Statement links_query(sql::Database &database, std::int64_t crawl)
{
    sql::Statement query(database, std::string(kLinks));
    query.bind(":crawl", crawl);
    return query;
}

std::int64_t count_of(sql::Database &database, std::string_view table, std::int64_t crawl)
{
    sql::Statement count(database, "SELECT count(*) FROM " + std::string(table) + " WHERE crawl_id = ?");
    count.bind(1, crawl);
    count.step();
    return count.integer(0);
}

nlohmann::ordered_json finding_json(const SiteFinding &finding)
{
    auto items = nlohmann::ordered_json::array();
    for (const SiteFindingItem &item : finding.items)
        items.push_back({{"url", item.url}, {"detail", item.detail}});
    return {{"id", finding.id},       {"verdict", verdict_name(finding.verdict)},
            {"title", finding.title}, {"advice", finding.advice},
            {"count", finding.count}, {"items", std::move(items)}};
}

nlohmann::ordered_json findings_json(sql::Database &database, std::int64_t crawl,
                                     std::size_t items = kMaxItems)
{
    auto findings = nlohmann::ordered_json::array();
    for (const SiteFinding &finding : site_findings(database, crawl, items))
        findings.push_back(finding_json(finding));
    return findings;
}

nlohmann::ordered_json crawl_row(sql::Database &database, std::int64_t crawl)
{
    sql::Statement query(database, "SELECT * FROM crawls WHERE id = ?");
    query.bind(1, crawl);
    nlohmann::ordered_json crawls = rows(query);
    if (crawls.empty())
        throw std::invalid_argument("no crawl " + std::to_string(crawl));
    nlohmann::ordered_json result = std::move(crawls.front());
    result["settings"] = nlohmann::ordered_json::parse(result["settings"].get<std::string>(), nullptr, false);
    auto limits = nlohmann::ordered_json::object();
    for (const auto &[limit, count] : limits_reached(database, crawl))
        limits[limit] = count;
    result["limits_reached"] = std::move(limits);
    return result;
}

nlohmann::ordered_json keywords_json(sql::Database &database, std::int64_t crawl)
{
    auto keywords = nlohmann::ordered_json::array();
    for (const SiteKeyword &keyword : site_keywords(database, crawl, kSiteKeywords))
        keywords.push_back(
            {{"word", keyword.word}, {"pages", keyword.pages}, {"occurrences", keyword.occurrences}});
    return keywords;
}

// The site's own pages done, by clicks from the start (-1: only in a sitemap; deeper than
// kDeepestRow share a row), and how they answered.
nlohmann::ordered_json depths_json(sql::Database &database, std::int64_t crawl)
{
    sql::Statement query(database, R"sql(
SELECT CASE WHEN depth IS NULL THEN -1 WHEN depth > :deepest THEN :deepest + 1 ELSE depth END AS depth,
       count(*) FILTER (WHERE status BETWEEN 200 AND 299 AND coalesce(redirects, '') NOT LIKE '%[%[%') AS ok,
       count(*) FILTER (WHERE status BETWEEN 200 AND 299 AND redirects LIKE '%[%[%') AS redirected,
       count(*) FILTER (WHERE status IS NULL OR status NOT BETWEEN 200 AND 299) AS broken
FROM pages WHERE crawl_id = :crawl AND state = 'done' AND external = 0
GROUP BY 1 ORDER BY 1)sql");
    query.bind(":crawl", crawl);
    query.bind(":deepest", kDeepestRow);
    return rows(query);
}

// The site as its links lay it out: the pages one click from the start are its sections,
// and every deeper page belongs to the section it was first reached through (by its
// linking page one click nearer the start with the lowest number). The largest sections
// first; the rest are counted together.
constexpr std::size_t kSectionsShown = 12;
nlohmann::ordered_json sections_json(sql::Database &database, std::int64_t crawl)
{
    sql::Statement query(database, R"sql(
SELECT t.id, t.url, coalesce(t.title, ''), t.depth, min(p.id)
FROM pages t
LEFT JOIN links l ON l.crawl_id = t.crawl_id AND l.to_url = t.url AND t.depth > 1
LEFT JOIN pages p ON p.id = l.from_page AND p.depth = t.depth - 1
WHERE t.crawl_id = :crawl AND t.state = 'done' AND t.external = 0 AND t.depth > 0
GROUP BY t.id, t.url, t.title, t.depth ORDER BY t.depth, t.id)sql");
    query.bind(":crawl", crawl);
    struct Section
    {
        std::string url, title;
        std::size_t pages = 0;
        std::vector<std::size_t> by_depth; // pages one, two, … clicks below the section's page
    };
    std::map<std::int64_t, std::size_t> section_of; // page → its section's index
    std::vector<Section> sections;
    while (query.step()) {
        const std::int64_t page = query.integer(0);
        const int depth = int(query.integer(3));
        std::size_t section = 0;
        if (depth == 1) {
            section = sections.size();
            sections.push_back({query.text(1), query.text(2), 0, {}});
        } else {
            const auto parent = section_of.find(query.integer(4));
            if (parent == section_of.end())
                continue; // reached only through a page the crawl did not record
            section = parent->second;
            Section &in = sections[section];
            in.by_depth.resize(std::max(in.by_depth.size(), std::size_t(depth - 1)));
            ++in.by_depth[std::size_t(depth - 2)];
        }
        ++sections[section].pages;
        section_of.emplace(page, section);
    }
    std::ranges::stable_sort(sections, std::greater{}, &Section::pages);
    auto shown = nlohmann::ordered_json::array();
    std::size_t other_pages = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (i >= kSectionsShown) {
            other_pages += sections[i].pages;
            continue;
        }
        shown.push_back({{"url", sections[i].url},
                         {"title", sections[i].title},
                         {"pages", sections[i].pages},
                         {"below", sections[i].by_depth}});
    }
    const std::size_t others = sections.size() - shown.size();
    return {{"sections", std::move(shown)}, {"other_sections", others}, {"other_pages", other_pages}};
}

// A finding's items in the order asked for, a slice of them.
std::optional<nlohmann::ordered_json> finding_slice(sql::Database &database, std::int64_t crawl,
                                                    const PageSlice &slice)
{
    if (!slice.sort.empty() && slice.sort != "url" && slice.sort != "detail")
        return std::nullopt;
    std::optional<SiteFinding> finding = site_finding(database, crawl, slice.finding);
    if (!finding)
        return std::nullopt;
    std::vector<SiteFindingItem> &items = finding->items;
    if (!slice.sort.empty())
        std::ranges::stable_sort(items, [&slice](const SiteFindingItem &a, const SiteFindingItem &b) {
            const auto &first = slice.descending ? b : a, &second = slice.descending ? a : b;
            return slice.sort == "url" ? first.url < second.url : first.detail < second.detail;
        });
    const std::size_t begin = std::min(slice.offset, items.size());
    const std::size_t end = begin + std::min(slice.limit, items.size() - begin);
    items = std::vector<SiteFindingItem>(std::make_move_iterator(items.begin() + std::ptrdiff_t(begin)),
                                         std::make_move_iterator(items.begin() + std::ptrdiff_t(end)));
    nlohmann::ordered_json result = finding_json(*finding);
    return nlohmann::ordered_json{{"total", finding->count},
                                  {"offset", slice.offset},
                                  {"finding", result},
                                  {"items", std::move(result["items"])}};
}

// A CSV field (RFC 4180). A text that a spreadsheet would take for a formula is kept a
// text: a page's title is the site owner's to write, not to run on the reader's machine.
std::string csv_field(std::string text)
{
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        text.insert(0, "'");
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

void write_csv(const std::filesystem::path &file, const nlohmann::ordered_json &rows)
{
    std::ofstream out(file, std::ios::binary);
    out << "\xEF\xBB\xBF";
    bool header = true;
    for (const auto &row : rows) {
        if (header) {
            std::string separator;
            for (const auto &[name, value] : row.items())
                out << std::exchange(separator, ",") << csv_field(name);
            out << "\r\n";
            header = false;
        }
        std::string separator;
        for (const auto &[name, value] : row.items())
            out << std::exchange(separator, ",")
                << csv_field(value.is_null()         ? std::string()
                                 : value.is_string() ? value.get<std::string>()
                                                     : value.dump());
        out << "\r\n";
    }
    if (!out.flush())
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace

std::vector<std::pair<std::string, std::size_t>> limits_reached(sql::Database &database, std::int64_t crawl)
{
    sql::Statement query(database,
                         "SELECT skipped_by, count(*) AS n FROM pages WHERE crawl_id = ? "
                         "AND state = 'skipped' GROUP BY skipped_by ORDER BY n DESC, skipped_by");
    query.bind(1, crawl);
    std::vector<std::pair<std::string, std::size_t>> reached;
    while (query.step())
        reached.emplace_back(query.text(0), std::size_t(query.integer(1)));
    return reached;
}

nlohmann::ordered_json crawl_json(sql::Database &database, std::int64_t crawl, bool with_links)
{
    nlohmann::ordered_json result = crawl_row(database, crawl);
    result.erase("report"); // what follows holds it all
    sql::Statement pages = pages_query(database, crawl);
    result["pages"] = rows(pages);
    if (with_links) {
        sql::Statement links = links_query(database, crawl);
        result["links"] = rows(links);
    }
    result["findings"] = findings_json(database, crawl);
    result["keywords"] = keywords_json(database, crawl);
    return result;
}

nlohmann::ordered_json crawl_summary_json(sql::Database &database, std::int64_t crawl)
{
    nlohmann::ordered_json result = crawl_row(database, crawl);
    if (result["state"] == "finished" && result["report"].is_string())
        return nlohmann::ordered_json::parse(result["report"].get<std::string>());
    result.erase("report");
    const CrawlProgress progress = crawl_progress(database, crawl);
    result["progress"] = {{"done", progress.done},
                          {"failed", progress.failed},
                          {"queued", progress.queued},
                          {"fetching", progress.fetching},
                          {"skipped", progress.skipped},
                          {"bytes", progress.bytes},
                          {"links", count_of(database, "links", crawl)}};
    result["depths"] = depths_json(database, crawl);
    // Worked out from every page and link: not again and again while the crawl adds to them.
    if (result["state"] == "running")
        return result;
    result["structure"] = sections_json(database, crawl);
    result["findings"] = findings_json(database, crawl, kSummaryItems);
    result["keywords"] = keywords_json(database, crawl);
    return result;
}

void keep_report(sql::Database &database, std::int64_t crawl)
{
    database.execute_script("ANALYZE"); // the planner's statistics, for the lists' queries
    const nlohmann::ordered_json report = crawl_summary_json(database, crawl);
    sql::Statement keep(database, "UPDATE crawls SET report = ? WHERE id = ?");
    keep.bind(1, report.dump());
    keep.bind(2, crawl);
    keep.execute();
}

std::optional<nlohmann::ordered_json> crawl_pages_json(sql::Database &database, std::int64_t crawl,
                                                       const PageSlice &slice)
{
    if (!slice.finding.empty())
        return finding_slice(database, crawl, slice);
    if (!slice.sort.empty()
        && std::ranges::find(kSortablePageColumns, slice.sort) == std::end(kSortablePageColumns))
        return std::nullopt;
    // Pages without the figure go last either way, as in both SQLite and PostgreSQL.
    const std::string order = slice.sort.empty()
        ? std::string("id")
        : slice.sort + " IS NULL, " + slice.sort + (slice.descending ? " DESC" : "") + ", id";
    sql::Statement query(database,
                         "SELECT " + std::string(kPageColumns) + " FROM pages WHERE crawl_id = ? ORDER BY "
                             + order + " LIMIT ? OFFSET ?");
    query.bind(1, crawl);
    query.bind(2, std::int64_t(slice.limit));
    query.bind(3, std::int64_t(slice.offset));
    return nlohmann::ordered_json{
        {"total", count_of(database, "pages", crawl)}, {"offset", slice.offset}, {"items", rows(query)}};
}

nlohmann::ordered_json crawl_links_json(sql::Database &database, std::int64_t crawl, std::size_t offset,
                                        std::size_t limit)
{
    sql::Statement query(database, std::string(kLinks) + " LIMIT :limit OFFSET :offset");
    query.bind(":crawl", crawl);
    query.bind(":limit", std::int64_t(limit));
    query.bind(":offset", std::int64_t(offset));
    return {{"total", count_of(database, "links", crawl)}, {"offset", offset}, {"items", rows(query)}};
}

nlohmann::ordered_json crawls_json(sql::Database &database)
{
    sql::Statement query(database, R"sql(
SELECT c.id, c.start_url, c.state, c.started_at, c.ended_at,
       count(p.id) FILTER (WHERE p.state = 'done') AS done,
       count(p.id) FILTER (WHERE p.state = 'done' AND p.blocked = 0
                           AND (p.status IS NULL OR p.status NOT BETWEEN 200 AND 299)) AS failed,
       count(p.id) FILTER (WHERE p.state IN ('queued', 'fetching')) AS queued
FROM crawls c LEFT JOIN pages p ON p.crawl_id = c.id
GROUP BY c.id, c.start_url, c.state, c.started_at, c.ended_at ORDER BY c.id DESC)sql");
    return rows(query);
}

void write_crawl_csv(sql::Database &database, std::int64_t crawl, const std::filesystem::path &folder)
{
    std::filesystem::create_directories(folder);
    sql::Statement pages = pages_query(database, crawl);
    write_csv(folder / "pages.csv", rows(pages));
    sql::Statement links = links_query(database, crawl);
    write_csv(folder / "links.csv", rows(links));
    auto findings = nlohmann::ordered_json::array();
    for (const auto &finding : findings_json(database, crawl))
        for (const auto &item : finding["items"].empty()
                 ? nlohmann::ordered_json::array({nlohmann::ordered_json::object()})
                 : finding["items"])
            findings.push_back({{"id", finding["id"]},
                                {"verdict", finding["verdict"]},
                                {"title", finding["title"]},
                                {"count", finding["count"]},
                                {"url", item.value("url", "")},
                                {"detail", item.value("detail", "")},
                                {"advice", finding["advice"]}});
    write_csv(folder / "findings.csv", findings);
}

} // namespace seo
