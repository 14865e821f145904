// Site-wide findings: a made-up site with one of each fault finds each once, and the same
// site without them (another crawl in the same store) passes everything it checks.
#include "crawl/crawl_schema.h"
#include "crawl/site_findings.h"

#include "service/scratch_postgres.h"
#include "store/sql_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

// clang-format off
const char *const kPaths[] = {
    "/", "/a", "/b", "/c", "/no-title", "/no-description", "/no-h1", "/copy-1", "/copy-2", "/near-1", "/near-2",
    "/near-far", "/chain", "/noindex", "/canonicalised", "/en", "/zh", "/orphan", "/deep", "/thin", "/slow", "/big",
    "/competing-1", "/competing-2", "/competing-3"};
// clang-format on
constexpr std::size_t kPages = std::size(kPaths);

// Every page answers 200 with its own texts, is in the sitemap, links home and is linked
// from there; its first keyword is in its title. /en and /zh are alternates of each other.
void add_clean_site(seo::sql::Database &database, std::int64_t crawl)
{
    seo::sql::Statement page(database, R"sql(
        INSERT INTO pages (crawl_id, url, path, depth, in_sitemap, state, final_url, status, content_type,
            bytes, response_ms, title, description, h1, canonical, noindex, text_words, content_hash, simhash,
            keywords)
        SELECT :crawl, url, url, CASE WHEN :i < 1 THEN :i ELSE 1 END, 1, 'done', url, 200, 'text/html; charset=utf-8', 20000 + 1000 * :i,
            100 + 10 * :i, '标题 ' || :path, '描述 ' || :path, 'H1 ' || :path, url, 0, 500, :path, :simhash,
            '[["' || :path || '", 5, 1.5], ["通用", 3, 1.0]]'
        FROM (SELECT 'https://s.cn' || :path AS url) AS page)sql");
    for (std::size_t i = 0; i < kPages; ++i) {
        page.bind(":crawl", crawl);
        page.bind(":i", std::int64_t(i));
        page.bind(":path", kPaths[i]);
        page.bind(":simhash", std::int64_t(std::mt19937_64(crawl * 1000 + i)())); // far apart
        page.execute();
        page.reset();
    }
    for (const char *sql : {
             R"sql(INSERT INTO links (crawl_id, from_page, to_url, kind, anchor)
                 SELECT h.crawl_id, h.id, p.url, 'a', p.title FROM pages h JOIN pages p ON p.crawl_id = h.crawl_id
                 WHERE h.crawl_id = :crawl AND h.url = 'https://s.cn/' AND p.id <> h.id
                 UNION ALL SELECT crawl_id, id, 'https://s.cn/', 'a', '首页' FROM pages
                 WHERE crawl_id = :crawl AND url <> 'https://s.cn/')sql",
             R"sql(INSERT INTO links (crawl_id, from_page, to_url, kind, hreflang)
                 SELECT crawl_id, id, CASE url WHEN 'https://s.cn/en' THEN 'https://s.cn/zh' ELSE 'https://s.cn/en' END,
                     'alternate', 'x'
                 FROM pages WHERE crawl_id = :crawl AND url IN ('https://s.cn/en', 'https://s.cn/zh'))sql",
             R"sql(INSERT INTO pages (crawl_id, url, path, depth, external, state, status)
                 VALUES (:crawl, 'https://elsewhere.cn/', '', 1, 1, 'done', 200))sql",
             R"sql(INSERT INTO links (crawl_id, from_page, to_url, kind, anchor)
                 SELECT crawl_id, id, 'https://elsewhere.cn/', 'a', '友情链接' FROM pages
                 WHERE crawl_id = :crawl AND url = 'https://s.cn/')sql",
         }) {
        seo::sql::Statement statement(database, sql);
        statement.bind(":crawl", crawl);
        statement.execute();
    }
}

// One fault of each kind, on the pages named after them, made while the faulty crawl is
// the only one. /c sits at the limits of depth and words, /near-far four bits from /near-1,
// and /private-2 is blocked but linked from nowhere.
constexpr const char *kFaults = R"sql(
UPDATE pages SET title = '标题 /a' WHERE url = 'https://s.cn/b';
UPDATE pages SET description = '描述 /b', h1 = 'H1 /a', depth = 3, text_words = 200 WHERE url = 'https://s.cn/c';
UPDATE pages SET title = '' WHERE url = 'https://s.cn/no-title';
UPDATE pages SET description = NULL WHERE url = 'https://s.cn/no-description';
UPDATE pages SET h1 = '' WHERE url = 'https://s.cn/no-h1';
UPDATE pages SET content_hash = '/copy-1', simhash = 7 WHERE url IN ('https://s.cn/copy-1', 'https://s.cn/copy-2');
UPDATE pages SET simhash = 1229782938247303441 WHERE url = 'https://s.cn/near-1';
UPDATE pages SET simhash = 1229782938247303446 WHERE url = 'https://s.cn/near-2';
UPDATE pages SET simhash = 1229782938247303649 WHERE url = 'https://s.cn/near-far';
UPDATE pages SET redirects = '[["https://s.cn/chain", 301], ["https://s.cn/chain/", 301]]',
    final_url = 'https://s.cn/chain/end' WHERE url = 'https://s.cn/chain';
UPDATE pages SET noindex = 1, robots = 'noindex' WHERE url = 'https://s.cn/noindex';
UPDATE pages SET canonical = 'https://s.cn/noindex' WHERE url = 'https://s.cn/canonicalised';
UPDATE pages SET depth = 4 WHERE url = 'https://s.cn/deep';
UPDATE pages SET text_words = 199 WHERE url = 'https://s.cn/thin';
UPDATE pages SET response_ms = 5000 WHERE url = 'https://s.cn/slow';
UPDATE pages SET bytes = 3000000 WHERE url = 'https://s.cn/big';
UPDATE pages SET keywords = '[["跑鞋", 9, 3.0]]', title = '跑鞋推荐' WHERE url = 'https://s.cn/competing-1';
UPDATE pages SET keywords = '[["跑鞋", 7, 2.5]]', title = '越野跑鞋怎么选' WHERE url = 'https://s.cn/competing-2';
UPDATE pages SET keywords = '[["跑鞋", 4, 1.0]]' WHERE url = 'https://s.cn/competing-3';
DELETE FROM links WHERE to_url = 'https://s.cn/orphan';
DELETE FROM links WHERE kind = 'alternate' AND to_url = 'https://s.cn/en';
INSERT INTO pages (crawl_id, url, path, depth, external, state, status, failure, redirects, blocked) VALUES
    (2, 'https://s.cn/gone', '', 2, 0, 'done', 404, 'HTTP 404', NULL, 0),
    (2, 'https://s.cn/loop', '', 1, 0, 'done', 301, '重定向次数过多',
        '[["https://s.cn/loop", 301], ["https://s.cn/loop/", 301], ["https://s.cn/loop", 301]]', 0),
    (2, 'https://s.cn/private', '', 2, 0, 'done', NULL, NULL, NULL, 1),
    (2, 'https://s.cn/private-2', '', 2, 0, 'done', NULL, NULL, NULL, 1),
    (2, 'https://elsewhere.cn/gone', '', 2, 1, 'done', 500, 'HTTP 500', NULL, 0);
INSERT INTO links (crawl_id, from_page, to_url, kind, anchor)
    SELECT 2, id, 'https://s.cn/gone', 'a', '旧文章' FROM pages WHERE crawl_id = 2 AND url = 'https://s.cn/c'
    UNION ALL SELECT 2, id, 'https://elsewhere.cn/gone', 'a', '参考' FROM pages WHERE crawl_id = 2 AND url = 'https://s.cn/b'
    UNION ALL SELECT 2, id, 'https://s.cn/private', 'a', '后台' FROM pages WHERE crawl_id = 2 AND url = 'https://s.cn/a'
    UNION ALL SELECT 2, id, url, 'a', '本页' FROM pages WHERE crawl_id = 2 AND url = 'https://s.cn/orphan';
)sql";

class SiteFindings : public testing::TestWithParam<seo::sql::Engine>
{
protected:
    // The faulty site is the second crawl; the clean one, added after the faults, the first.
    void SetUp() override
    {
        database_ = seo::sql::open_database(GetParam() == seo::sql::Engine::sqlite
                                                ? ":memory:"
                                                : ScratchPostgres::shared().fresh_database("findings"));
        seo::migrate(*database_);
        seo::sql::Transaction site(*database_);
        for (const std::int64_t crawl : {2, 1}) {
            database_->execute_script(
                "INSERT INTO crawls (id, start_url, settings, state, started_at) VALUES ("
                + std::to_string(crawl) + ", 'https://s.cn/', '{}', 'finished', 't')");
            add_clean_site(*database_, crawl);
            if (crawl == 2)
                database_->execute_script(kFaults);
        }
        site.commit();
    }

    std::unique_ptr<seo::sql::Database> database_;
};

// The lists (of all pages) are the only findings of the clean crawl.
TEST_P(SiteFindings, FindEachFaultOnceAndNothingOnTheCleanCrawl)
{
    using enum seo::Verdict;
    // Each finding's id, verdict, count and the paths of its first items, the worst first.
    const std::tuple<const char *, seo::Verdict, std::size_t, std::vector<std::string>> expected[] = {
        {"site.duplicate_titles", warn, 2, {"/a", "/b"}},
        {"site.duplicate_descriptions", warn, 2, {"/b", "/c"}},
        {"site.duplicate_h1s", warn, 2, {"/a", "/c"}},
        {"site.missing_titles", fail, 1, {"/no-title"}},
        {"site.missing_descriptions", warn, 1, {"/no-description"}},
        {"site.missing_h1s", warn, 1, {"/no-h1"}},
        {"site.exact_duplicates", warn, 2, {"/copy-1", "/copy-2"}},
        {"site.near_duplicates", warn, 2, {"/near-1", "/near-2"}},
        {"site.broken_internal_links", fail, 1, {"/c"}},
        {"site.broken_external_links", warn, 1, {"/b"}},
        {"site.redirect_chains", warn, 1, {"/chain"}},
        {"site.redirect_loops", fail, 1, {"/loop"}},
        {"site.links_to_redirects", warn, 1, {"/"}},
        {"site.blocked_by_robots", warn, 1, {"/private"}},
        {"site.noindex", info, 1, {"/noindex"}},
        {"site.bad_canonicals", warn, 1, {"/canonicalised"}},
        {"site.hreflang_no_return", warn, 1, {"/en"}},
        {"site.orphans", warn, 1, {"/orphan"}},
        {"site.sitemap_problems", warn, 3, {"/canonicalised", "/chain", "/noindex"}},
        {"site.deep_pages", warn, 1, {"/deep"}},
        {"site.thin_pages", warn, 1, {"/thin"}},
        {"site.slowest_pages", info, kPages, {"/slow"}},
        {"site.largest_pages", info, kPages, {"/big"}},
        {"site.most_linked", info, kPages - 1, {"/"}}, // all but the orphan
        {"site.competing_keywords", warn, 2, {"/competing-1", "/competing-2"}},
    };
    const std::vector<seo::SiteFinding> findings = seo::site_findings(*database_, 2),
                                        clean = seo::site_findings(*database_, 1);
    ASSERT_EQ(findings.size(), std::size(expected));
    ASSERT_EQ(clean.size(), std::size(expected));
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const seo::SiteFinding &found = findings[i];
        const auto &[id, verdict, count, first_paths] = expected[i];
        EXPECT_EQ(found.id, id);
        EXPECT_EQ(found.verdict, verdict) << id;
        EXPECT_EQ(found.count, count) << id;
        EXPECT_EQ(found.items.size(), count) << id; // all within kMaxItems
        for (std::size_t item = 0; item < std::min(first_paths.size(), found.items.size()); ++item)
            EXPECT_EQ(found.items[item].url, "https://s.cn" + first_paths[item]) << id;
        const bool listed = count >= kPages - 1;
        EXPECT_EQ(clean[i].verdict, listed ? info : pass) << id;
        EXPECT_EQ(clean[i].count, listed ? kPages : 0) << id;
        EXPECT_EQ(clean[i].advice.empty(), !listed) << id;
    }
    // A broken link is listed at the page it is on, and says where it leads.
    EXPECT_NE(findings[8].items.at(0).detail.find("https://s.cn/gone 404"), std::string::npos);
}

TEST_P(SiteFindings, KeywordsRankByPagesThenOccurrences)
{
    std::vector<std::tuple<std::string, std::size_t, std::size_t>> words;
    for (const seo::SiteKeyword &word : seo::site_keywords(*database_, 2, 2))
        words.emplace_back(word.word, word.pages, word.occurrences);
    // 通用 is every page's second keyword, but on the three pages whose only keyword is 跑鞋.
    const std::vector<std::tuple<std::string, std::size_t, std::size_t>> expected = {
        {"通用", kPages - 3, 3 * (kPages - 3)}, {"跑鞋", 3, 9 + 7 + 4}};
    EXPECT_EQ(words, expected);
}

INSTANTIATE_TEST_SUITE_P(Engines, SiteFindings,
                         testing::Values(seo::sql::Engine::sqlite, seo::sql::Engine::postgresql),
                         [](const auto &engine) {
                             return engine.param == seo::sql::Engine::sqlite ? "sqlite" : "postgresql";
                         });

} // namespace
