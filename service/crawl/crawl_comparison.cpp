#include "crawl/crawl_comparison.h"

#include "store/sql_database.h"

#include <string_view>
#include <utility>

namespace seo {
namespace {

// Each query gives rows of (url, before, after) for the crawls :before and :after; a page
// counts once the crawl got to it, and only the site's own pages do.
constexpr std::string_view kNew = R"sql(
SELECT a.url, '', coalesce(CAST(a.status AS TEXT), a.failure, '') FROM pages a
WHERE a.crawl_id = :after AND a.external = 0 AND a.state = 'done'
  AND NOT EXISTS (SELECT 1 FROM pages b WHERE b.crawl_id = :before AND b.url = a.url AND b.state = 'done'))sql";

constexpr std::string_view kGone = R"sql(
SELECT b.url, coalesce(CAST(b.status AS TEXT), b.failure, ''), '' FROM pages b
WHERE b.crawl_id = :before AND b.external = 0 AND b.state = 'done'
  AND NOT EXISTS (SELECT 1 FROM pages a WHERE a.crawl_id = :after AND a.url = b.url AND a.state = 'done'))sql";

// A page of both crawls whose {value} of x differs; texts only where both were pages,
// so that a page gone missing is a change of status and not of its title too.
constexpr std::string_view kChanged = R"sql(
SELECT a.url, {value_b}, {value_a} FROM pages a
JOIN pages b ON b.crawl_id = :before AND b.url = a.url AND b.state = 'done'
WHERE a.crawl_id = :after AND a.external = 0 AND a.state = 'done' AND {value_b} <> {value_a})sql";
constexpr std::string_view kBothPages = " AND a.status BETWEEN 200 AND 299 AND b.status BETWEEN 200 AND 299";

// A link of the later crawl to a page of the site that is broken now and was not before.
constexpr std::string_view kBrokenLinks = R"sql(
SELECT DISTINCT p.url, coalesce(CAST(tb.status AS TEXT), ''),
       t.url || ' ' || coalesce(CAST(t.status AS TEXT), t.failure, '')
FROM links l
JOIN pages p ON p.id = l.from_page
JOIN pages t ON t.crawl_id = l.crawl_id AND t.url = l.to_url
LEFT JOIN pages tb ON tb.crawl_id = :before AND tb.url = t.url AND tb.state = 'done'
WHERE l.crawl_id = :after AND l.kind = 'a' AND t.external = 0 AND t.state = 'done' AND t.blocked = 0
  AND (t.status >= 400 OR t.status IS NULL) AND (tb.id IS NULL OR tb.status < 400))sql";

// A page whose text is now the same as another page's, and was not before.
constexpr std::string_view kDuplicates = R"sql(
SELECT a.url, '', d.url FROM pages a
JOIN pages d ON d.crawl_id = a.crawl_id AND d.content_hash = a.content_hash AND d.url <> a.url
WHERE a.crawl_id = :after AND a.external = 0 AND a.state = 'done' AND d.external = 0 AND d.state = 'done'
  AND NOT EXISTS (SELECT 1 FROM pages b JOIN pages e ON e.crawl_id = b.crawl_id AND e.content_hash = b.content_hash
                  WHERE b.crawl_id = :before AND b.url = a.url AND e.url = d.url))sql";

std::string changed(std::string_view column_of_x)
{
    std::string sql(kChanged);
    for (const auto &[name, page] : {std::pair{"{value_a}", "a"}, std::pair{"{value_b}", "b"}}) {
        std::string value(column_of_x);
        for (auto at = value.find("x."); at != std::string::npos; at = value.find("x.", at))
            value.replace(at, 1, page);
        for (auto at = sql.find(name); at != std::string::npos; at = sql.find(name))
            sql.replace(at, std::string_view(name).size(), value);
    }
    return sql;
}

} // namespace

std::vector<CrawlChange> compare_crawls(sql::Database &database, std::int64_t before, std::int64_t after)
{
    const std::pair<std::string_view, std::string> comparisons[] = {
        {"new", std::string(kNew)},
        {"gone", std::string(kGone)},
        {"status", changed("coalesce(CAST(x.status AS TEXT), x.failure, '')")},
        {"title", changed("coalesce(x.title, '')") + std::string(kBothPages)},
        {"description", changed("coalesce(x.description, '')") + std::string(kBothPages)},
        {"h1", changed("coalesce(x.h1, '')") + std::string(kBothPages)},
        {"broken_link", std::string(kBrokenLinks)},
        {"duplicate", std::string(kDuplicates)},
    };
    std::vector<CrawlChange> changes;
    for (const auto &[kind, sql] : comparisons) {
        sql::Statement rows(database, sql + " ORDER BY 1, 3");
        rows.bind(":before", before);
        rows.bind(":after", after);
        while (rows.step())
            changes.push_back({std::string(kind), rows.text(0), rows.text(1), rows.text(2)});
    }
    return changes;
}

} // namespace seo
