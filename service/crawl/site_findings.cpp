// Site-wide findings, read from the crawl store by SQL. The queries are plain SQL that a
// database server runs as well; what SQL cannot say portably (bits of a SimHash, JSON
// columns) is done here.
#include "crawl/site_findings.h"

#include "store/sql_database.h"
#include "words/page_fingerprint.h"
#include "words/page_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <map>
#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace seo {
namespace {

struct FindingText
{
    std::string_view id;
    Verdict verdict; // when it finds anything
    std::string_view title;
    std::string_view advice;
};

// clang-format off
constexpr std::array<FindingText, 25> kFindings = {{
    {"site.duplicate_titles", Verdict::warn, "标题重复", "为每个页面写独特的标题，说清本页的内容。"},
    {"site.duplicate_descriptions", Verdict::warn, "描述重复", "为每个页面单独写描述，概括本页的内容。"},
    {"site.duplicate_h1s", Verdict::warn, "H1 重复", "每个页面的 H1 写明本页的主题，不要几个页面共用一个。"},
    {"site.missing_titles", Verdict::fail, "没有标题的页面", "每个页面都应有标题，它是搜索结果里显示的内容。"},
    {"site.missing_descriptions", Verdict::warn, "没有描述的页面", "补上描述，否则搜索引擎会从正文里截取摘要。"},
    {"site.missing_h1s", Verdict::warn, "没有 H1 的页面", "每个页面用一个 H1 写明主题。"},
    {"site.exact_duplicates", Verdict::warn, "内容完全相同的页面", "只保留一个地址：其余的跳转到它，或用 canonical 指向它。"},
    {"site.near_duplicates", Verdict::warn, "内容几乎相同的页面", "合并内容相近的页面，或为每个页面写出它独有的内容。"},
    {"site.broken_internal_links", Verdict::fail, "站内死链", "修正或删除这些链接，或让失效的地址跳转到新页面。"},
    {"site.broken_external_links", Verdict::warn, "站外死链", "修正或删除指向失效站外页面的链接。"},
    {"site.redirect_chains", Verdict::warn, "多次跳转", "让旧地址一次跳转到最终地址，每多一跳蜘蛛就多一次请求。"},
    {"site.redirect_loops", Verdict::fail, "跳转循环或次数过多", "检查跳转规则，让地址最终落到一个能打开的页面。"},
    {"site.links_to_redirects", Verdict::warn, "链接指向跳转的地址", "把链接直接改成跳转后的地址。"},
    {"site.blocked_by_robots", Verdict::warn, "被 robots.txt 禁止抓取却有链接的页面", "要收录的页面就在 robots.txt 中放开；不要收录的，链接可以加 nofollow 或删去。"},
    {"site.noindex", Verdict::info, "禁止索引（noindex）的页面", "确认这些页面确实不需要收录。"},
    {"site.bad_canonicals", Verdict::warn, "canonical 指向有问题的地址", "canonical 应指向能正常打开、没有跳转、可以索引的地址。"},
    {"site.hreflang_no_return", Verdict::warn, "hreflang 没有回链", "各语言版本要互相列出对方，单向的 hreflang 会被搜索引擎忽略。"},
    {"site.orphans", Verdict::warn, "孤立页面（只在网站地图中，没有链接指向）", "从相关页面链接到它们，蜘蛛和访客才找得到。"},
    {"site.sitemap_problems", Verdict::warn, "网站地图中不该有的地址", "网站地图只列能正常打开、没有跳转、可以索引且 canonical 指向自己的地址。"},
    {"site.deep_pages", Verdict::warn, "离首页太远的页面", "从首页或栏目页链接重要的页面，让它们离首页更近。"},
    {"site.thin_pages", Verdict::warn, "内容过少的页面", "充实正文，或把几个内容单薄的页面合并成一个。"},
    {"site.slowest_pages", Verdict::info, "最慢的页面", "先从最慢的页面查起；响应慢会减少蜘蛛的抓取量。"},
    {"site.largest_pages", Verdict::info, "最大的页面", "HTML 过大时蜘蛛可能只抓取前面一部分。"},
    {"site.most_linked", Verdict::info, "站内链接最多的页面", "站内链接最多的页面应是最重要的页面。"},
    {"site.competing_keywords", Verdict::warn, "争同一个关键词的页面", "每个关键词选定一个页面，其余页面换用别的词，并链接到这个页面。"},
}};
// clang-format on

// Clicks from the start address beyond which spiders come seldom and visitors hardly ever.
constexpr std::int64_t kMaxClicks = 3;
// Words of text below which a page says too little to rank for anything (Chinese is
// counted by words, not characters).
constexpr std::int64_t kThinWords = 200;
// Bits of 64 in which the SimHashes of near-duplicate pages differ at most.
constexpr int kNearBits = 3;

// The queries name the page they report p. What they share is written in where they name
// it: {site} is p being one of the site's own pages that was fetched (or found blocked),
// not an address elsewhere that a link leads to, which is checked by its status only;
// {html} is p being one of its HTML pages that answered 200; {why} says why a done page t
// cannot be indexed at its own address, and is NULL when it can. The values they are given
// (:crawl, :limit, :max_clicks …) are bound by prepared().
constexpr std::string_view kSitePage = "p.crawl_id = :crawl AND p.state = 'done' AND p.external = 0";
constexpr std::string_view kHtmlPage =
    "{site} AND p.status = 200 AND (lower(p.content_type) LIKE 'text/html%' "
    "OR lower(p.content_type) LIKE 'application/xhtml+xml%')";
constexpr std::string_view kWhyUnindexable = R"sql(CASE
    WHEN t.blocked = 1 THEN 'robots.txt'
    WHEN t.status IS NULL THEN coalesce(t.failure, '')
    WHEN t.status <> 200 THEN CAST(t.status AS TEXT)
    WHEN t.redirects LIKE :redirected THEN '→ ' || coalesce(t.final_url, '')
    WHEN t.noindex = 1 THEN 'noindex' END)sql";

// Each query lists the url and detail of its items, worst first, and how many there are in all.

// 200 pages that share a non-empty {column}, the largest groups first, each shown with {shown}.
constexpr std::string_view kSharing = R"sql(
SELECT url, shown, count(*) OVER () FROM (
    SELECT p.url, {shown} AS shown, count(*) OVER (PARTITION BY p.{column}) AS pages_sharing
    FROM pages p WHERE {site} AND p.status = 200 AND p.{column} <> ''
) same
WHERE pages_sharing > 1 ORDER BY pages_sharing DESC, shown, url)sql";

// HTML pages without a {column}, the shallowest first.
constexpr std::string_view kMissing = R"sql(
SELECT p.url, '', count(*) OVER () FROM pages p
WHERE {html} AND coalesce(p.{column}, '') = '' ORDER BY p.depth, p.url)sql";

// Links to done pages t that are {target}: one item per linking page and target, with the
// link's text, the target and what {shown} says of it.
constexpr std::string_view kLinksTo = R"sql(
SELECT p.url, coalesce(min(l.anchor), '') || ' → ' || t.url || ' ' || {shown}, count(*) OVER ()
FROM links l
JOIN pages p ON p.id = l.from_page
JOIN pages t ON t.crawl_id = l.crawl_id AND t.url = l.to_url
WHERE {site} AND l.kind = 'a' AND t.state = 'done' AND {target}
GROUP BY p.id, p.url, p.depth, t.id, t.url, t.status, t.failure, t.final_url
ORDER BY p.depth, p.url, t.url)sql";
// A bad answer or none; a page robots.txt kept the crawler from is no broken page.
constexpr std::string_view kBrokenInternal =
    "t.external = 0 AND t.blocked = 0 AND (t.status >= 400 OR t.status IS NULL)";
constexpr std::string_view kBrokenExternal =
    "t.external = 1 AND t.blocked = 0 AND (t.status >= 400 OR t.status IS NULL)";
constexpr std::string_view kStatus = "coalesce(CAST(t.status AS TEXT), t.failure, '')";

// Pages that are {page} and that other pages link to, the most linked first.
constexpr std::string_view kLinked = R"sql(
SELECT p.url, CAST(count(DISTINCT l.from_page) AS TEXT) || ' 个页面链接到这里', count(*) OVER ()
FROM pages p JOIN links l ON l.crawl_id = p.crawl_id AND l.to_url = p.url AND l.kind = 'a'
WHERE {site} AND {page} AND l.from_page <> p.id
GROUP BY p.id, p.url ORDER BY count(DISTINCT l.from_page) DESC, p.url)sql";

constexpr std::string_view kRedirectLoops = R"sql(
SELECT p.url, p.failure, count(*) OVER () FROM pages p
WHERE {site} AND p.failure LIKE :too_many_redirects ORDER BY p.depth, p.url)sql";

constexpr std::string_view kNoindex = R"sql(
SELECT p.url, coalesce(p.robots, ''), count(*) OVER () FROM pages p
WHERE {site} AND p.noindex = 1 ORDER BY p.depth, p.url)sql";

// A canonical elsewhere than the page itself, at an address that cannot be indexed.
constexpr std::string_view kBadCanonicals = R"sql(
SELECT p.url, t.url || ' ' || {why}, count(*) OVER ()
FROM pages p JOIN pages t ON t.crawl_id = p.crawl_id AND t.url = p.canonical
WHERE {site} AND p.status = 200 AND t.state = 'done' AND t.id <> p.id AND {why} IS NOT NULL
ORDER BY p.depth, p.url)sql";

// An alternate whose target does not list the page back, at either of its addresses.
constexpr std::string_view kHreflangNoReturn = R"sql(
SELECT p.url, t.url, count(*) OVER ()
FROM links l
JOIN pages p ON p.id = l.from_page
JOIN pages t ON t.crawl_id = l.crawl_id AND t.url = l.to_url
WHERE {site} AND l.kind = 'alternate' AND t.state = 'done' AND t.external = 0
  AND NOT EXISTS (SELECT 1 FROM links r
                  WHERE r.from_page = t.id AND r.kind = 'alternate' AND r.to_url IN (p.url, p.final_url))
GROUP BY p.id, p.url, p.depth, t.url ORDER BY p.depth, p.url, t.url)sql";

constexpr std::string_view kOrphans = R"sql(
SELECT p.url, '', count(*) OVER () FROM pages p
WHERE {site} AND p.in_sitemap = 1 AND NOT EXISTS (
    SELECT 1 FROM links l WHERE l.crawl_id = p.crawl_id AND l.to_url = p.url AND l.kind = 'a' AND l.from_page <> p.id)
ORDER BY p.url)sql";

// Sitemap entries that cannot be indexed, or whose canonical is another address.
constexpr std::string_view kSitemapProblems = R"sql(
SELECT url, why, count(*) OVER () FROM (
    SELECT t.url, t.depth, coalesce({why}, CASE WHEN t.canonical <> '' AND t.canonical <> t.url
                                                THEN 'canonical → ' || t.canonical END) AS why
    FROM pages t WHERE t.crawl_id = :crawl AND t.state = 'done' AND t.external = 0 AND t.in_sitemap = 1
) entries
WHERE why IS NOT NULL ORDER BY depth, url)sql";

constexpr std::string_view kDeepPages = R"sql(
SELECT p.url, CAST(p.depth AS TEXT) || ' 次点击', count(*) OVER () FROM pages p
WHERE {site} AND p.status = 200 AND p.depth > :max_clicks ORDER BY p.depth DESC, p.url)sql";

constexpr std::string_view kThinPages = R"sql(
SELECT p.url, CAST(p.text_words AS TEXT) || ' 个词', count(*) OVER () FROM pages p
WHERE {html} AND p.text_words < :thin_words ORDER BY p.text_words, p.url)sql";

constexpr std::string_view kSlowestPages = R"sql(
SELECT p.url, CAST(p.response_ms AS TEXT) || ' 毫秒', count(*) OVER () FROM pages p
WHERE {site} AND p.response_ms IS NOT NULL ORDER BY p.response_ms DESC, p.url)sql";

constexpr std::string_view kLargestPages = R"sql(
SELECT p.url, CAST((p.bytes + 1023) / 1024 AS TEXT) || ' KiB', count(*) OVER () FROM pages p
WHERE {site} AND p.bytes IS NOT NULL ORDER BY p.bytes DESC, p.url)sql";

// The queries whose items are made here.
constexpr std::string_view kRedirected = R"sql(
SELECT p.url, p.redirects, coalesce(p.final_url, '') FROM pages p
WHERE {site} AND p.redirects LIKE :redirected AND coalesce(p.failure, '') NOT LIKE :too_many_redirects
ORDER BY p.depth, p.url)sql";
constexpr std::string_view kFingerprints = R"sql(
SELECT p.url, coalesce(p.content_hash, ''), p.simhash FROM pages p
WHERE {site} AND p.status = 200 AND p.simhash IS NOT NULL ORDER BY p.url)sql";
constexpr std::string_view kKeywords = R"sql(
SELECT p.url, p.title, p.keywords FROM pages p
WHERE {html} AND p.keywords IS NOT NULL ORDER BY p.url)sql";

using Names = std::initializer_list<std::pair<std::string_view, std::string_view>>;

// A query with what it names written in, and given the values it names.
sql::Statement prepared(sql::Database &database, std::int64_t crawl, std::string_view sql, Names names = {},
                        std::size_t items = kMaxItems)
{
    std::string text(sql);
    const auto write_in = [&text](std::string_view name, std::string_view value) {
        for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
            text.replace(at, name.size(), value);
    };
    for (const auto &[name, value] : names)
        write_in(name, value);
    write_in("{html}", kHtmlPage);
    write_in("{site}", kSitePage);
    write_in("{why}", kWhyUnindexable);
    sql::Statement query(database, text);
    const std::pair<const char *, std::int64_t> numbers[] = {{":crawl", crawl},
                                                             {":limit", std::int64_t(items)},
                                                             {":max_clicks", kMaxClicks},
                                                             {":thin_words", kThinWords}};
    for (const auto &[name, number] : numbers)
        if (query.has_parameter(name))
            query.bind(name, number);
    // At least one hop before the last answer: "[]" has one bracket, [["…", 301]] more. And
    // what the fetcher answers when it gives up following redirects.
    const std::pair<const char *, const char *> patterns[] = {{":redirected", "%[%[%"},
                                                              {":too_many_redirects", "%重定向次数过多%"}};
    for (const auto &[name, pattern] : patterns)
        if (query.has_parameter(name))
            query.bind(name, pattern);
    return query;
}

const FindingText &text_of(std::string_view id)
{
    const auto found = std::ranges::find(kFindings, id, &FindingText::id);
    if (found == kFindings.end())
        throw std::logic_error("no site finding " + std::string(id));
    return *found;
}

SiteFinding judged(std::string_view id, std::size_t count, std::vector<SiteFindingItem> items,
                   std::size_t limit)
{
    const FindingText &text = text_of(id);
    if (items.size() > limit)
        items.resize(limit);
    return {.id = std::string(id),
            .verdict = count == 0 ? Verdict::pass : text.verdict,
            .title = std::string(text.title),
            .advice = std::string(count == 0 ? "" : text.advice),
            .count = count,
            .items = std::move(items)};
}

// A finding whose items are all the query's.
SiteFinding listed(sql::Database &database, std::int64_t crawl, std::size_t limit, std::string_view id,
                   std::string_view sql, Names names = {})
{
    sql::Statement query = prepared(database, crawl, std::string(sql) + " LIMIT :limit", names, limit);
    std::vector<SiteFindingItem> items;
    std::size_t count = 0;
    while (query.step()) {
        items.push_back({query.text(0), query.text(1)});
        count = std::size_t(query.integer(2));
    }
    return judged(id, count, std::move(items), limit);
}

// Pages in groups, the largest groups first, each page shown with its group's key.
SiteFinding grouped(std::string_view id, std::map<std::string, std::vector<std::string>> groups,
                    std::size_t limit)
{
    std::erase_if(groups, [](const auto &group) { return group.second.size() < 2; });
    std::vector<const std::pair<const std::string, std::vector<std::string>> *> order;
    order.reserve(groups.size());
    for (const auto &group : groups)
        order.push_back(&group);
    std::ranges::stable_sort(order, std::greater{}, [](const auto *group) { return group->second.size(); });
    std::vector<SiteFindingItem> items;
    for (const auto *group : order)
        for (const std::string &url : group->second)
            items.push_back({url, group->first});
    const std::size_t count = items.size();
    return judged(id, count, std::move(items), limit);
}

SiteFinding redirect_chains(sql::Database &database, std::int64_t crawl, std::size_t limit)
{
    sql::Statement query = prepared(database, crawl, kRedirected);
    std::vector<std::pair<std::size_t, SiteFindingItem>> chains; // hops, item
    while (query.step()) {
        const nlohmann::json hops = nlohmann::json::parse(query.text(1), nullptr, false);
        if (!hops.is_array() || hops.size() < 2)
            continue;
        std::string detail;
        for (const nlohmann::json &hop : hops)
            detail += (hop.is_array() && hop.size() == 2 ? hop[1].dump() : "?") + " → ";
        chains.emplace_back(hops.size(), SiteFindingItem{query.text(0), detail + query.text(2)});
    }
    std::ranges::stable_sort(chains, std::greater{}, &std::pair<std::size_t, SiteFindingItem>::first);
    std::vector<SiteFindingItem> items;
    items.reserve(chains.size());
    for (auto &chain : chains)
        items.push_back(std::move(chain.second));
    const std::size_t count = items.size();
    return judged("site.redirect_chains", count, std::move(items), limit);
}

// Pages within kNearBits of each other, but for those of the same text, grouped under the
// first address of their group.
SiteFinding near_duplicates(sql::Database &database, std::int64_t crawl, std::size_t limit)
{
    struct Fingerprint
    {
        std::string url, hash;
        std::int64_t simhash;
    };
    std::vector<Fingerprint> pages;
    sql::Statement query = prepared(database, crawl, kFingerprints);
    while (query.step())
        pages.push_back({query.text(0), query.text(1), query.integer(2)});

    std::vector<std::size_t> group(pages.size());
    std::iota(group.begin(), group.end(), 0);
    const auto root = [&group](std::size_t page) {
        while (group[page] != page)
            page = group[page] = group[group[page]];
        return page;
    };
    // Two fingerprints within kNearBits agree in at least one of kNearBits + 1 bands of
    // bits: only pages that share a band are compared, not every page with every other.
    constexpr int kBands = kNearBits + 1, kBandBits = 64 / kBands;
    std::vector<std::size_t> order(pages.size());
    for (int band = 0; band < kBands; ++band) {
        const auto key = [&pages, band](std::size_t page) {
            const auto bits = std::bit_cast<std::uint64_t>(pages[page].simhash);
            return (bits >> (band * kBandBits)) & ((std::uint64_t(1) << kBandBits) - 1);
        };
        std::iota(order.begin(), order.end(), 0);
        std::ranges::sort(order, {}, key);
        for (std::size_t begin = 0, end = 0; begin < order.size(); begin = end) {
            for (end = begin + 1; end < order.size() && key(order[end]) == key(order[begin]);)
                ++end;
            for (std::size_t i = begin; i < end; ++i)
                for (std::size_t j = i + 1; j < end; ++j) {
                    const Fingerprint &a = pages[order[i]], &b = pages[order[j]];
                    if (a.hash != b.hash && hamming_distance(a.simhash, b.simhash) <= kNearBits)
                        group[root(order[i])] = root(order[j]);
                }
        }
    }
    // Pages come in order of address: a group's first page is its key.
    std::map<std::size_t, std::string> first_of;
    std::map<std::string, std::vector<std::string>> groups;
    for (std::size_t page = 0; page < pages.size(); ++page) {
        const std::string &first = first_of.try_emplace(root(page), pages[page].url).first->second;
        groups[first].push_back(pages[page].url);
    }
    return grouped("site.near_duplicates", std::move(groups), limit);
}

// A page's keywords as the store keeps them, [[word, occurrences, density], ...], most
// frequent first; rows of another shape are passed over.
std::vector<std::pair<std::string, std::size_t>> keywords_of(const std::string &column)
{
    std::vector<std::pair<std::string, std::size_t>> rows;
    const nlohmann::json table = nlohmann::json::parse(column, nullptr, false);
    if (!table.is_array())
        return rows;
    for (const nlohmann::json &row : table)
        if (row.is_array() && row.size() >= 2 && row[0].is_string() && row[1].is_number_unsigned())
            rows.emplace_back(row[0].get<std::string>(), row[1].get<std::size_t>());
    return rows;
}

// Pages whose most frequent keyword is in their title, grouped by that keyword.
SiteFinding competing_keywords(sql::Database &database, std::int64_t crawl, std::size_t limit)
{
    sql::Statement query = prepared(database, crawl, kKeywords);
    std::map<std::string, std::vector<std::string>> groups;
    while (query.step()) {
        const auto keywords = keywords_of(query.text(2));
        if (keywords.empty())
            continue;
        const std::string word = typed_keyword(keywords.front().first);
        if (typed_keyword(query.text(1)).find(word) != std::string::npos)
            groups[word].push_back(query.text(0));
    }
    return grouped("site.competing_keywords", std::move(groups), limit);
}

// The findings `only` names (all when empty), in their order, with `limit` items each.
std::vector<SiteFinding> findings(sql::Database &database, std::int64_t crawl, std::size_t limit,
                                  std::string_view only)
{
    std::vector<SiteFinding> found;
    const auto wanted = [only](std::string_view id) { return only.empty() || only == id; };
    const auto list = [&](std::string_view id, std::string_view sql, Names names = {}) {
        if (wanted(id))
            found.push_back(listed(database, crawl, limit, id, sql, names));
    };
    const auto computed = [&](std::string_view id, auto find) {
        if (wanted(id))
            found.push_back(find(database, crawl, limit));
    };
    list("site.duplicate_titles", kSharing, {{"{column}", "title"}, {"{shown}", "p.title"}});
    list("site.duplicate_descriptions", kSharing,
         {{"{column}", "description"}, {"{shown}", "p.description"}});
    list("site.duplicate_h1s", kSharing, {{"{column}", "h1"}, {"{shown}", "p.h1"}});
    list("site.missing_titles", kMissing, {{"{column}", "title"}});
    list("site.missing_descriptions", kMissing, {{"{column}", "description"}});
    list("site.missing_h1s", kMissing, {{"{column}", "h1"}});
    // Each page shown with the first address of its group.
    list("site.exact_duplicates", kSharing,
         {{"{column}", "content_hash"}, {"{shown}", "min(p.url) OVER (PARTITION BY p.content_hash)"}});
    computed("site.near_duplicates", near_duplicates);
    list("site.broken_internal_links", kLinksTo, {{"{target}", kBrokenInternal}, {"{shown}", kStatus}});
    list("site.broken_external_links", kLinksTo, {{"{target}", kBrokenExternal}, {"{shown}", kStatus}});
    computed("site.redirect_chains", redirect_chains);
    list("site.redirect_loops", kRedirectLoops);
    list("site.links_to_redirects", kLinksTo,
         {{"{target}", "t.external = 0 AND t.redirects LIKE :redirected"},
          {"{shown}", "'→ ' || coalesce(t.final_url, '')"}});
    list("site.blocked_by_robots", kLinked, {{"{page}", "p.blocked = 1"}});
    list("site.noindex", kNoindex);
    list("site.bad_canonicals", kBadCanonicals);
    list("site.hreflang_no_return", kHreflangNoReturn);
    list("site.orphans", kOrphans);
    list("site.sitemap_problems", kSitemapProblems);
    list("site.deep_pages", kDeepPages);
    list("site.thin_pages", kThinPages);
    list("site.slowest_pages", kSlowestPages);
    list("site.largest_pages", kLargestPages);
    list("site.most_linked", kLinked, {{"{page}", "p.status = 200"}});
    computed("site.competing_keywords", competing_keywords);
    return found;
}

} // namespace

std::vector<SiteFinding> site_findings(sql::Database &database, std::int64_t crawl, std::size_t items)
{
    return findings(database, crawl, items, {});
}

std::optional<SiteFinding> site_finding(sql::Database &database, std::int64_t crawl, std::string_view id)
{
    if (std::ranges::find(kFindings, id, &FindingText::id) == kFindings.end())
        return std::nullopt;
    std::vector<SiteFinding> found =
        findings(database, crawl, std::size_t(std::numeric_limits<std::int64_t>::max()), id);
    return std::move(found.front());
}

std::vector<SiteKeyword> site_keywords(sql::Database &database, std::int64_t crawl, std::size_t top)
{
    sql::Statement query = prepared(database, crawl, kKeywords);
    std::map<std::string, SiteKeyword> words;
    while (query.step())
        for (auto &[word, occurrences] : keywords_of(query.text(2))) {
            SiteKeyword &row = words[word];
            row.word = word;
            ++row.pages;
            row.occurrences += occurrences;
        }
    std::vector<SiteKeyword> table;
    table.reserve(words.size());
    for (auto &entry : words)
        table.push_back(std::move(entry.second));
    std::ranges::stable_sort(table, [](const SiteKeyword &a, const SiteKeyword &b) {
        return std::tie(a.pages, a.occurrences) > std::tie(b.pages, b.occurrences);
    });
    if (table.size() > top)
        table.resize(top);
    return table;
}

} // namespace seo
