// The crawl store: each address once, claimed once, shallowest first; a page recorded whole
// or not at all, even when the crawl is killed in the middle; crawls apart in one file.
#include "crawl/crawl_store.h"

#include "service/scratch_postgres.h"
#include "store/sqlite_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

const std::string kSite = "https://a.test/";

std::string sqlite_store(const std::string &name)
{
    // A folder each, made by the store: a write-ahead log left by another run stays out.
    const auto folder = std::filesystem::path(testing::TempDir()) / ("crawl_store_" + name);
    std::filesystem::remove_all(folder);
    return (folder / "crawl.sqlite").string();
}

// The same cases on an SQLite file and on a PostgreSQL server.
class CrawlStore : public testing::TestWithParam<seo::sql::Engine>
{
protected:
    static std::string fresh_store(const std::string &name)
    {
        return GetParam() == seo::sql::Engine::sqlite ? sqlite_store(name)
                                                      : ScratchPostgres::shared().fresh_database(name);
    }
};

seo::FoundAddress address(const std::string &page, int depth = 0, bool in_sitemap = false,
                          const std::string &skipped_by = {})
{
    return {kSite + page, kSite + page.substr(0, page.find('?')), depth, false, in_sitemap, skipped_by};
}

std::vector<std::string> rows(seo::CrawlStore &store, const std::string &sql)
{
    seo::sql::Statement query(store.database(), sql);
    std::vector<std::string> texts;
    while (query.step())
        texts.push_back(query.text(0));
    return texts;
}

std::vector<std::string> urls(const std::vector<seo::QueuedPage> &pages)
{
    std::vector<std::string> texts;
    for (const auto &page : pages)
        texts.push_back(page.url.substr(kSite.size()));
    return texts;
}

using Texts = std::vector<std::string>;

seo::PageFacts answered(std::optional<int> status, bool blocked = false)
{
    seo::PageFacts facts;
    facts.status = status;
    facts.bytes = 10;
    facts.blocked = blocked;
    return facts;
}

TEST_P(CrawlStore, AddsEachAddressOnceToItsCrawlAndMarksItInASitemapLater)
{
    seo::CrawlStore store(fresh_store("add"));
    const auto crawl = store.begin_crawl(kSite, "{}");
    EXPECT_EQ(
        store.add(crawl,
                  {address("a"), address("a", 3), address("b", 1, true), address("c", 9, false, "depth")}),
        3u);
    // c, too deep at first, is found again within the depth limit.
    EXPECT_EQ(store.add(crawl, {address("a", 2, true), address("b", 1), address("c", 1)}), 1u);
    EXPECT_EQ(rows(store,
                   "SELECT url || ' ' || depth || ' ' || in_sitemap || ' ' || state || ' ' "
                   "|| coalesce(skipped_by, '-') FROM pages ORDER BY id"),
              (Texts{kSite + "a 0 1 queued -", kSite + "b 1 1 queued -", kSite + "c 1 0 queued -"}));

    // Another crawl in the same file keeps to its own pages.
    const auto two = store.begin_crawl(kSite, "{}");
    EXPECT_EQ(store.add(crawl, {address("p?x=1"), address("p?x=2"), address("p"), address("q")}), 4u);
    EXPECT_EQ(store.add(two, {address("p?x=1")}), 1u);
    EXPECT_EQ(store.addresses_on_path(crawl, kSite + "p"), 3u);
    EXPECT_EQ(store.addresses_on_path(two, kSite + "p"), 1u);
    EXPECT_EQ(urls(store.claim(two, 9)), Texts{"p?x=1"});
    EXPECT_EQ(store.progress(crawl).queued, 7u);
    EXPECT_EQ((std::array{store.progress(crawl).fetching, store.progress(two).fetching}),
              (std::array{0ul, 1ul}));
    EXPECT_EQ(store.requeue_unfinished(crawl), 0u);
}

TEST_P(CrawlStore, ClaimsShallowestFirstOnceAndAgainAfterAKill)
{
    const auto file = fresh_store("claim");
    std::int64_t crawl = 0;
    {
        seo::CrawlStore store(file), other(file);
        crawl = store.begin_crawl(kSite, "{}");
        store.add(crawl,
                  {address("2", 2), address("0a"), address("s", 0, false, "pages"), address("1", 1),
                   address("0b")});
        EXPECT_EQ(urls(store.claim(crawl, 2)), (Texts{"0a", "0b"}));
        EXPECT_EQ(urls(other.claim(crawl, 9)), (Texts{"1", "2"}));
        EXPECT_TRUE(store.claim(crawl, 9).empty());
    } // killed before anything was recorded
    seo::CrawlStore store(file);
    EXPECT_EQ(store.requeue_unfinished(crawl), 4u);
    EXPECT_EQ(urls(store.claim(crawl, 9)), (Texts{"0a", "0b", "1", "2"}));
}

TEST_P(CrawlStore, RecordsAPageWithItsLinksAndAddressesOnce)
{
    seo::CrawlStore store(fresh_store("record"));
    const auto crawl = store.begin_crawl(kSite, "{}");
    store.add(crawl, {address("")});
    const auto page = store.claim(crawl, 1).at(0).id;
    auto facts = answered(200);
    facts.title = "Home";
    facts.links = {{kSite + "x", "a", "", "x", false}, {kSite, "canonical", "", "", false}};
    store.record(page, facts, {address("x", 1), address("", 1)});
    facts.title = "Again";
    store.record(page, facts, {address("y", 1)});
    EXPECT_EQ(rows(store, "SELECT url || ' ' || state || ' ' || coalesce(title, '-') FROM pages ORDER BY id"),
              (Texts{kSite + " done Home", kSite + "x queued -"}));
    EXPECT_EQ(rows(store, "SELECT kind || ' ' || coalesce(anchor, '-') FROM links ORDER BY kind"),
              (Texts{"a x", "canonical -"}));
    EXPECT_THROW(store.record(page + 9, facts, {}), std::out_of_range);
}

TEST_P(CrawlStore, LeasesClaimsByTheDatabasesClockAndRecordsAPageOnce)
{
    const auto location = fresh_store("lease");
    seo::CrawlStore one(location), two(location);
    const auto crawl = one.begin_crawl(kSite, "{}");
    one.add(crawl, {address("a"), address("b"), address("c")});
    const auto held = one.claim(crawl, 2);
    ASSERT_EQ(urls(held), (Texts{"a", "b"}));
    EXPECT_EQ(urls(two.claim(crawl, 9)), Texts{"c"});
    // Time passes on the database's clock only: whatever a worker's own clock says, leases
    // run out by this one.
    const auto later = [&] {
        rows(one,
             "UPDATE pages SET lease_until = lease_until - 2 * " + std::to_string(seo::CrawlStore::kLeaseMs));
    };
    EXPECT_EQ(two.requeue_expired(crawl), 0u);
    later();
    one.renew(crawl); // a and b held again; c, not renewed by its worker, goes back
    EXPECT_EQ(two.requeue_expired(crawl), 1u);
    EXPECT_EQ(urls(one.claim(crawl, 9)), Texts{"c"});
    EXPECT_EQ(two.release(crawl), 0u);
    later();
    EXPECT_EQ(two.requeue_expired(crawl), 3u); // one stalled: all of them move
    EXPECT_EQ(urls(two.claim(crawl, 9)), (Texts{"a", "b", "c"}));
    // Both record a: the first record stands, its links stored once.
    auto facts = answered(200);
    facts.title = "first";
    facts.links = {{kSite + "x", "a", "", "x", false}};
    one.record(held.at(0).id, facts, {address("x", 1)});
    facts.title = "second";
    two.record(held.at(0).id, facts, {address("x", 1)});
    EXPECT_EQ(rows(one, "SELECT coalesce(title, '-') || ' ' || state FROM pages ORDER BY id"),
              (Texts{"first done", "- fetching", "- fetching", "- queued"}));
    EXPECT_EQ(rows(one, "SELECT count(*) FROM links"), Texts{"1"});
    EXPECT_EQ(two.release(crawl), 2u);
    EXPECT_EQ(one.progress(crawl).queued, 3u);
}

// A host's turns are shared by every worker, and a turn given back with a rest is taken
// again only once the rest has fully passed: no site gets a request early.
TEST_P(CrawlStore, HandsOutAHostsTurnsOnlyAfterTheirRest)
{
    const auto location = fresh_store("turns");
    seo::CrawlStore one(location), two(location);
    const auto crawl = one.begin_crawl(kSite, "{}");
    constexpr std::int64_t kHold = 60'000, kRest = 30;
    const seo::HostTurn first = one.take_turn(crawl, kSite, 2, kHold);
    const seo::HostTurn second = two.take_turn(crawl, kSite, 2, kHold);
    ASSERT_TRUE(first.turn && second.turn);
    EXPECT_NE(*first.turn, *second.turn);
    const seo::HostTurn none = two.take_turn(crawl, kSite, 2, kHold);
    EXPECT_FALSE(none.turn);
    EXPECT_GT(none.wait_ms, kHold / 2);
    // The store's clock counts whole milliseconds: a rest rounded short shows in a few rounds.
    for (int round = 0; round < 10; ++round) {
        const auto given_back = std::chrono::steady_clock::now();
        one.give_back_turn(crawl, kSite, *first.turn, kRest);
        std::optional<int> again;
        while (!(again = two.take_turn(crawl, kSite, 2, kHold).turn))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        EXPECT_EQ(again, first.turn);
        EXPECT_GE(std::chrono::steady_clock::now() - given_back, std::chrono::milliseconds(kRest));
    }
}

// A child process records page after page and is killed at its nth row change, made
// inside a record's transaction: the page row, one of its links or the address it found.
constexpr int kPages = 20, kLinks = 4, kChangesPerRecord = 1 + kLinks + 1;

class CrawlKilledInRecord : public testing::TestWithParam<int>
{};

TEST_P(CrawlKilledInRecord, LeavesEachPageDoneWithAllItsLinksOrClaimable)
{
    const int kill_at = GetParam();
    const auto file = sqlite_store("killed" + std::to_string(kill_at));
    const pid_t child = fork();
    if (child == 0) {
        try { // whatever happens, the child never returns into the test runner
            seo::CrawlStore store(file);
            const auto crawl = store.begin_crawl(kSite, "{}");
            for (int page = 0; page < kPages; ++page)
                store.add(crawl, {address(std::to_string(page))});
            const auto pages = store.claim(crawl, kPages);
            auto facts = answered(200);
            facts.links.assign(kLinks, {kSite, "a", "", "", false});
            int changes_left = kill_at;
            sqlite3_update_hook(
                dynamic_cast<seo::sql::SqliteDatabase &>(store.database()).handle(),
                [](void *left, int, const char *, const char *, sqlite3_int64) {
                    if (--*static_cast<int *>(left) == 0)
                        kill(getpid(), SIGKILL);
                },
                &changes_left);
            for (const auto &page : pages)
                store.record(page.id, facts, {address(page.url.substr(kSite.size()) + "/next", 1)});
        } catch (...) {}
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    seo::CrawlStore store(file);
    const auto crawl = store.crawls().at(0).id;
    const int recorded = (kill_at - 1) / kChangesPerRecord;
    Texts pages(recorded, "done " + std::to_string(kLinks));
    pages.resize(kPages, "fetching 0");
    EXPECT_EQ(rows(store,
                   "SELECT state || ' ' || count(links.from_page) FROM pages LEFT JOIN links ON from_page = "
                   "pages.id WHERE depth = 0 GROUP BY pages.id ORDER BY pages.id"),
              pages);
    EXPECT_EQ(rows(store, "SELECT count(*) FROM pages WHERE depth = 1"), Texts{std::to_string(recorded)});
    EXPECT_EQ(store.requeue_unfinished(crawl), std::size_t(kPages - recorded));
}

// At the first page row, amid the second page's links, at the fourth page's found address.
INSTANTIATE_TEST_SUITE_P(Changes, CrawlKilledInRecord,
                         testing::Values(1, kChangesPerRecord + 3, 4 * kChangesPerRecord));

TEST_P(CrawlStore, CountsProgressAndFailuresButNotBlockedPages)
{
    // The status of the last answer, whether robots.txt blocked the page, and whether it failed.
    const std::tuple<std::optional<int>, bool, bool> outcomes[] = {
        {200, false, false}, {299, false, false}, {199, false, true}, {300, false, true},
        {404, false, true},  {{}, false, true},   {{}, true, false}};
    seo::CrawlStore store(fresh_store("progress"));
    const auto crawl = store.begin_crawl(kSite, "{}");
    std::size_t page = 0, failed = 0;
    for (const auto &[status, blocked, fails] : outcomes) {
        store.add(crawl, {address(std::to_string(page++))});
        store.record(store.claim(crawl, 1).at(0).id, answered(status, blocked), {});
        failed += fails;
    }
    store.add(crawl, {address("f"), address("q"), address("s", 0, false, "bytes")});
    store.claim(crawl, 1);
    const auto progress = store.progress(crawl);
    EXPECT_EQ(progress.done, std::size(outcomes));
    EXPECT_EQ(progress.failed, failed);
    EXPECT_EQ(progress.bytes, 10 * std::size(outcomes));
    EXPECT_EQ((std::array{progress.queued, progress.fetching, progress.skipped}),
              (std::array<std::size_t, 3>{1, 1, 1}));
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Engines, CrawlStore,
                         testing::Values(seo::sql::Engine::sqlite, seo::sql::Engine::postgresql),
                         [](const auto &engine) {
                             return engine.param == seo::sql::Engine::sqlite ? "sqlite" : "postgresql";
                         });
