// The caches that let one query cost one fetch and one analysis of its page, and the
// memory the report source reserves for them.
#include "base/memory_cost.h"
#include "reports/page_cache.h"
#include "reports/report_cache.h"
#include "reports/report_source.h"
#include "target_server.h"
#include "test_language.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using namespace std::chrono_literals;

using Failure = seo::FetchResult::Failure;

seo::PageCache::Page page(const std::string &body, const std::string &failure = {},
                          Failure kind = Failure::none)
{
    seo::FetchResult fetched;
    fetched.body = body;
    fetched.failure = failure;
    fetched.kind = failure.empty() ? Failure::none : kind == Failure::none ? Failure::connection : kind;
    return std::make_shared<const seo::FetchResult>(std::move(fetched));
}

class PageCacheTest : public testing::Test
{
protected:
    std::atomic<int> fetches{0};
    std::atomic<Failure> failing{Failure::none};

    seo::PageCache make(seo::PageCache::Bounds bounds = {})
    {
        return seo::PageCache(
            [this](const seo::Url &url) {
                ++fetches;
                return failing != Failure::none ? page({}, "失败", failing)
                                                : page("page of " + url.text()); // 17 bytes
            },
            bounds);
    }
};

// However the requests interleave, one fetch serves them: a request that comes while the
// page is fetched waits for that fetch, one that comes later finds it kept.
TEST_F(PageCacheTest, ParallelRequestsShareOneFetch)
{
    seo::PageCache cache = make();
    std::vector<seo::PageCache::Page> pages(8);
    {
        std::vector<std::jthread> threads;
        for (auto &got : pages)
            threads.emplace_back([&cache, &got] { got = cache.get(*seo::Url::parse("http://a/")); });
    }
    EXPECT_EQ(fetches, 1);
    for (const auto &got : pages)
        EXPECT_EQ(got->body, "page of http://a/");
}

// A page is kept within the cache's bounds. A page that cannot be had is kept briefly, so
// that it is asked for once per query, not once per request; the service's own failures
// are not the page's, and are not kept.
TEST_F(PageCacheTest, KeepsPagesAndFailuresWithinItsBounds)
{
    // What each shows; the bounds; how the first fetch fails (the target has recovered for the
    // others); the hosts asked for in turn, and the fetches they cost.
    using Case = std::tuple<const char *, seo::PageCache::Bounds, Failure, std::vector<const char *>, int>;
    const Case cases[] = {
        {"kept while young", {.time_to_live = 1min}, Failure::none, {"a", "a", "b", "a"}, 2},
        {"gone once old", {.time_to_live = 0ms}, Failure::none, {"a", "a"}, 2},
        {"entries, oldest out", {.max_entries = 2}, Failure::none, {"a", "b", "c", "c", "a"}, 4},
        {"bytes: one page fits", {.max_bytes = 30}, Failure::none, {"a", "b", "b", "a"}, 3},
        {"a target that cannot be reached", {}, Failure::connection, {"b", "b"}, 1},
        {"a target that timed out", {}, Failure::timed_out, {"b", "b"}, 1},
        {"a failure once old", {.failure_time_to_live = 0ms}, Failure::timed_out, {"b", "b"}, 2},
        {"a service too busy", {}, Failure::busy, {"b", "b"}, 2},
        {"a service stopping", {}, Failure::stopping, {"b", "b"}, 2},
    };
    for (const auto &[name, bounds, first, urls, expected_fetches] : cases) {
        SCOPED_TRACE(name);
        fetches = 0;
        seo::PageCache cache = make(bounds);
        failing = first;
        seo::PageCache::Page last;
        for (const std::string url : urls) {
            last = cache.get(*seo::Url::parse("http://" + url + "/"));
            failing = Failure::none;
        }
        EXPECT_EQ(fetches, expected_fetches);
        // A failure kept is what the last request got.
        EXPECT_EQ(last->ok(), first == Failure::none || expected_fetches == int(urls.size()));
    }
}

// A page is analysed once while its report is kept: for two pages and 32 KiB at most, and
// never a failure.
TEST(ReportCache, AnalysesAPageOnceWhileItIsCached)
{
    std::atomic<int> analyses{0};
    seo::ReportCache cache(
        [&analyses](const seo::FetchResult &fetched) {
            ++analyses;
            seo::PageReport report;
            report.analysis.content.text = fetched.body;
            return report;
        },
        2, 32 * 1024);
    const auto fetched = page("text");
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < 6; ++i)
            threads.emplace_back([&] { EXPECT_EQ(cache.get("u", fetched)->analysis.content.text, "text"); });
    }
    EXPECT_EQ(analyses, 1);
    EXPECT_EQ(cache.get("u", page("fetched again"))->analysis.content.text, "fetched again");
    EXPECT_EQ(analyses, 2);

    const auto failure = page({}, "无法连接到服务器");
    cache.get("bad", failure);
    cache.get("bad", failure); // failures are not kept
    const auto a = page("a"), b = page("b"), c = page("c");
    cache.get("a", a);
    cache.get("b", b);
    cache.get("c", c); // two entries at most: "a" goes
    cache.get("a", a);
    EXPECT_EQ(analyses, 8);
    const auto large = page(std::string(64 * 1024, 'x'));
    cache.get("large", large); // more than the cache may keep
    cache.get("large", large);
    EXPECT_EQ(analyses, 10);
}

// An analysis starts only once its page's cost is reserved: with memory for one page,
// pages asked for at once are analysed one at a time, and those that cannot wait are
// turned away as busy instead of analysed beyond the bound.
TEST(ReportSource, AnalysesOnlyWithThePagesCostReserved)
{
    const std::string body = "<title>页面</title><p>" + std::string(768 * 1024, 'x') + "</p>";
    const TargetServer target([&body](httplib::Server &http) {
        http.Get(R"(/page/\d+)",
                 [&body](auto &, auto &response) { response.set_content(body, "text/html"); });
    });
    seo::ReportSettings settings;
    settings.analysis_memory = seo::memory_cost::analysis(body.size());
    settings.parallel_analyses = 8; // cores do not bound them here: only memory does
    settings.memory_patience = 0s;
    seo::ReportSource reports(settings, test_language_loader());
    EXPECT_TRUE(reports.get(target.url("/page/0"))->analysis.ok());

    std::atomic<int> analysed{0}, busy{0};
    std::vector<std::thread> requests;
    for (int i = 1; i <= 6; ++i)
        requests.emplace_back([&, i] {
            try {
                analysed += reports.get(target.url("/page/" + std::to_string(i)))->analysis.ok();
            } catch (const seo::ServiceBusy &) {
                ++busy;
            }
        });
    for (std::thread &request : requests)
        request.join();
    EXPECT_GE(analysed, 1);
    EXPECT_GE(busy, 1);
    EXPECT_EQ(analysed + busy, 6);
}

} // namespace
