// The caches that let one query cost one fetch and one analysis of its page.
#include "site/analysis_cache.h"
#include "site/page_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

seo::PageCache::Page page(const std::string &body, const std::string &failure = {})
{
    seo::FetchResult fetched;
    fetched.body = body;
    fetched.failure = failure;
    return std::make_shared<const seo::FetchResult>(std::move(fetched));
}

class PageCacheTest : public testing::Test
{
protected:
    std::atomic<int> fetches{0};
    std::atomic<bool> fail{false};

    seo::PageCache make(seo::PageCache::Bounds bounds = {})
    {
        return seo::PageCache(
            [this](const std::string &url) {
                ++fetches;
                std::this_thread::sleep_for(20ms); // the other requests arrive meanwhile
                return fail ? page({}, "无法连接到服务器") : page("page of " + url); // 17 bytes
            },
            bounds);
    }
};

TEST_F(PageCacheTest, ParallelRequestsShareOneFetchAndFailuresAreNotKept)
{
    seo::PageCache cache = make();
    std::vector<seo::PageCache::Page> pages(8);
    {
        std::vector<std::jthread> threads;
        for (auto &got : pages)
            threads.emplace_back([&cache, &got] { got = cache.get("http://a/"); });
    }
    EXPECT_EQ(fetches, 1);
    for (const auto &got : pages)
        EXPECT_EQ(got->body, "page of http://a/");

    fail = true;
    EXPECT_FALSE(cache.get("http://b/")->ok());
    fail = false;
    EXPECT_TRUE(cache.get("http://b/")->ok());
    EXPECT_EQ(fetches, 3);
}

TEST_F(PageCacheTest, KeepsPagesWithinItsBounds)
{
    const struct
    {
        const char *name;
        seo::PageCache::Bounds bounds;
        std::vector<const char *> urls;
        int fetches;
    } cases[] = {
        {"kept while young", {.time_to_live = 1min}, {"a", "a", "b", "a"}, 2},
        {"gone once old", {.time_to_live = 0ms}, {"a", "a"}, 2},
        {"entries, oldest out", {.max_entries = 2}, {"a", "b", "c", "c", "a"}, 4},
        {"bytes: one page fits", {.max_bytes = 30}, {"a", "b", "b", "a"}, 3},
    };
    for (const auto &c : cases) {
        fetches = 0;
        seo::PageCache cache = make(c.bounds);
        for (const std::string url : c.urls)
            cache.get("http://" + url + "/");
        EXPECT_EQ(fetches, c.fetches) << c.name;
    }
}

TEST(AnalysisCache, AnalysesAPageOnceWhileItIsCached)
{
    std::atomic<int> analyses{0};
    seo::AnalysisCache cache(
        [&analyses](const seo::FetchResult &fetched) {
            ++analyses;
            std::this_thread::sleep_for(20ms); // the other requests arrive meanwhile
            seo::PageReport report;
            report.analysis.content.text = fetched.body;
            return report;
        },
        2);
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
}

} // namespace
