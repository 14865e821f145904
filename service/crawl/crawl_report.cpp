#include "crawl/crawl_report.h"

#include "audit/audit.h"
#include "crawl/site_findings.h"

#include <SQLiteCpp/Statement.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <set>
#include <stdexcept>

namespace seo {
namespace {

// The site's keyword table: as long as a page's.
constexpr std::size_t kSiteKeywords = 30;

// Columns whose text is JSON, given as JSON rather than as a string of it.
const std::set<std::string> kJsonColumns = {"redirects", "verdicts", "keywords"};

nlohmann::ordered_json column_value(const SQLite::Column &column)
{
    if (column.isNull())
        return nullptr;
    if (column.isInteger())
        return column.getInt64();
    if (column.isFloat())
        return column.getDouble();
    if (kJsonColumns.contains(column.getName()))
        return nlohmann::ordered_json::parse(column.getString(), nullptr, false);
    return column.getString();
}

nlohmann::ordered_json rows(SQLite::Statement &query)
{
    auto rows = nlohmann::ordered_json::array();
    while (query.executeStep()) {
        nlohmann::ordered_json row;
        for (int i = 0; i < query.getColumnCount(); ++i)
            row[query.getColumnName(i)] = column_value(query.getColumn(i));
        rows.push_back(std::move(row));
    }
    return rows;
}

SQLite::Statement pages_query(SQLite::Database &database, std::int64_t crawl)
{
    SQLite::Statement query(database, "SELECT * FROM pages WHERE crawl_id = ? ORDER BY id");
    query.bind(1, crawl);
    return query;
}

SQLite::Statement links_query(SQLite::Database &database, std::int64_t crawl)
{
    SQLite::Statement query(database,
                            "SELECT p.url AS from_url, l.to_url, l.kind, l.hreflang, l.anchor, l.nofollow "
                            "FROM links l JOIN pages p ON p.id = l.from_page "
                            "WHERE l.crawl_id = ? ORDER BY l.from_page, l.rowid");
    query.bind(1, crawl);
    return query;
}

nlohmann::ordered_json findings_json(SQLite::Database &database, std::int64_t crawl)
{
    auto findings = nlohmann::ordered_json::array();
    for (const SiteFinding &finding : site_findings(database, crawl)) {
        auto items = nlohmann::ordered_json::array();
        for (const SiteFindingItem &item : finding.items)
            items.push_back({{"url", item.url}, {"detail", item.detail}});
        findings.push_back({{"id", finding.id},
                            {"verdict", verdict_name(finding.verdict)},
                            {"title", finding.title},
                            {"advice", finding.advice},
                            {"count", finding.count},
                            {"items", std::move(items)}});
    }
    return findings;
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

std::vector<std::pair<std::string, std::size_t>> limits_reached(SQLite::Database &database,
                                                                std::int64_t crawl)
{
    SQLite::Statement query(database,
                            "SELECT skipped_by, count(*) AS n FROM pages WHERE crawl_id = ? "
                            "AND state = 'skipped' GROUP BY skipped_by ORDER BY n DESC, skipped_by");
    query.bind(1, crawl);
    std::vector<std::pair<std::string, std::size_t>> reached;
    while (query.executeStep())
        reached.emplace_back(query.getColumn(0).getString(), std::size_t(query.getColumn(1).getInt64()));
    return reached;
}

nlohmann::ordered_json crawl_json(SQLite::Database &database, std::int64_t crawl, bool with_links)
{
    SQLite::Statement crawl_row(database, "SELECT * FROM crawls WHERE id = ?");
    crawl_row.bind(1, crawl);
    nlohmann::ordered_json crawls = rows(crawl_row);
    if (crawls.empty())
        throw std::invalid_argument("no crawl " + std::to_string(crawl));
    nlohmann::ordered_json result = std::move(crawls.front());
    result["settings"] = nlohmann::ordered_json::parse(result["settings"].get<std::string>(), nullptr, false);
    auto limits = nlohmann::ordered_json::object();
    for (const auto &[limit, count] : limits_reached(database, crawl))
        limits[limit] = count;
    result["limits_reached"] = std::move(limits);
    SQLite::Statement pages = pages_query(database, crawl);
    result["pages"] = rows(pages);
    if (with_links) {
        SQLite::Statement links = links_query(database, crawl);
        result["links"] = rows(links);
    }
    result["findings"] = findings_json(database, crawl);
    auto keywords = nlohmann::ordered_json::array();
    for (const SiteKeyword &keyword : site_keywords(database, crawl, kSiteKeywords))
        keywords.push_back(
            {{"word", keyword.word}, {"pages", keyword.pages}, {"occurrences", keyword.occurrences}});
    result["keywords"] = std::move(keywords);
    return result;
}

nlohmann::ordered_json crawls_json(SQLite::Database &database)
{
    SQLite::Statement query(database, R"sql(
SELECT c.id, c.start_url, c.state, c.started_at, c.ended_at,
       count(p.id) FILTER (WHERE p.state = 'done') AS done,
       count(p.id) FILTER (WHERE p.state = 'done' AND p.blocked = 0
                           AND (p.status IS NULL OR p.status NOT BETWEEN 200 AND 299)) AS failed,
       count(p.id) FILTER (WHERE p.state IN ('queued', 'fetching')) AS queued
FROM crawls c LEFT JOIN pages p ON p.crawl_id = c.id
GROUP BY c.id, c.start_url, c.state, c.started_at, c.ended_at ORDER BY c.id DESC)sql");
    return rows(query);
}

void write_crawl_csv(SQLite::Database &database, std::int64_t crawl, const std::filesystem::path &folder)
{
    std::filesystem::create_directories(folder);
    SQLite::Statement pages = pages_query(database, crawl);
    write_csv(folder / "pages.csv", rows(pages));
    SQLite::Statement links = links_query(database, crawl);
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
