// What the store costs a crawl per page, on an SQLite file and on a PostgreSQL server
// started for the benchmark: a page claimed, its host's turn taken and given back, and the
// page recorded with its 40 links and the addresses they lead to (already known, as most
// are), as the crawler does it, on a site of 30,000 queued pages. With 3 threads, three
// workers share the crawl, each with its own connection.
#include "crawl/crawl_store.h"
#include "service/scratch_postgres.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <mutex>

namespace {

constexpr int kPages = 30'000, kLinks = 40;
const std::string kSite = "https://www.example.cn";

std::string page_url(int n)
{
    return kSite + "/news/2026/12/" + std::to_string(n) + ".html";
}

seo::FoundAddress found(int n)
{
    return {page_url(n), page_url(n), 1, false, false, {}};
}

// A page as a real one fills its row: texts, the audit's verdicts and the keyword table.
seo::PageFacts facts_of(int n)
{
    seo::PageFacts facts;
    facts.final_url = page_url(n);
    facts.status = 200;
    facts.content_type = "text/html; charset=utf-8";
    facts.bytes = 48'000;
    facts.response_ms = 35;
    facts.title = "二手房交易指南：如何选择合适的房源 - 示例网";
    facts.description = "本文介绍二手房交易中需要注意的问题，包括房源选择、价格谈判和过户手续。";
    facts.h1 = "二手房交易指南";
    facts.h1_count = 1;
    facts.canonical = page_url(n);
    facts.noindex = false;
    facts.text_chars = 3200;
    facts.text_words = 1400;
    facts.content_hash = "9f86d081884c7d659a2feaa0c55ad015";
    facts.simhash = 0x1234'5678'9abc'def0LL + n;
    facts.score = 87;
    facts.redirects = "[]";
    facts.verdicts = R"({"title.length":"pass","description.length":"pass","h1.count":"pass",)"
                     R"("images.alt":"warn","links.vague":"pass","canonical.present":"pass","lang":"pass"})";
    facts.keywords = R"([["二手房",12,2.4],["房源",9,1.8],["交易",8,1.6],["过户",6,1.2],)"
                     R"(["价格",5,1.0],["中介",5,1.0],["贷款",4,0.8],["税费",4,0.8]])";
    for (int link = 0; link < kLinks; ++link)
        facts.links.push_back(
            {page_url((n + link * 7919) % kPages), "a", "", "相关新闻 " + std::to_string(link), false});
    return facts;
}

std::string fresh_store(seo::sql::Engine engine)
{
    if (engine == seo::sql::Engine::postgresql)
        return ScratchPostgres::shared().fresh_database("store_bench");
    const auto folder = std::filesystem::temp_directory_path() / "crawl_store_bench";
    std::filesystem::remove_all(folder);
    return (folder / "crawls.sqlite").string();
}

template<seo::sql::Engine engine>
void store_per_page(benchmark::State &state)
{
    static std::string location;
    static std::int64_t crawl = 0;
    static std::once_flag made;
    std::call_once(made, [] {
        location = fresh_store(engine);
        seo::CrawlStore store(location);
        crawl = store.begin_crawl(kSite + "/", "{}");
        std::vector<seo::FoundAddress> site;
        for (int n = 0; n < kPages; ++n)
            site.push_back(found(n));
        store.add(crawl, site);
        // As the server's autovacuum does for a table that grew: plans for its real size.
        store.database().execute_script("ANALYZE");
    });
    seo::CrawlStore store(location);
    for (auto _ : state) {
        const std::vector<seo::QueuedPage> claimed = store.claim(crawl, 1);
        if (claimed.empty()) {
            state.SkipWithError("the site ran out of queued pages");
            break;
        }
        const int n = int(claimed.front().id % kPages);
        const seo::HostTurn turn = store.take_turn(crawl, kSite, 16, 45'000);
        seo::PageFacts facts = facts_of(n);
        std::vector<seo::FoundAddress> led_to;
        for (const seo::StoredLink &link : facts.links)
            led_to.push_back({link.to_url, link.to_url, 2, false, false, {}});
        store.record(claimed.front().id, facts, led_to);
        if (turn.turn)
            store.give_back_turn(crawl, kSite, *turn.turn, 0);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_TEMPLATE(store_per_page, seo::sql::Engine::sqlite)
    ->Name("store_per_page/sqlite")
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(store_per_page, seo::sql::Engine::postgresql)
    ->Name("store_per_page/postgresql")
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(store_per_page, seo::sql::Engine::postgresql)
    ->Name("store_per_page/postgresql/3_workers")
    ->Iterations(2000)
    ->Threads(3)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace
