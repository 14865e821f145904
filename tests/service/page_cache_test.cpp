#include "site/page_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

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
                std::this_thread::sleep_for(50ms); // long enough for the others to arrive
                seo::FetchResult result;
                (fail ? result.failure : result.body) = "page of " + url; // 17 bytes
                return std::make_shared<const seo::FetchResult>(std::move(result));
            },
            bounds);
    }
};

TEST_F(PageCacheTest, ParallelRequestsShareOneFetch)
{
    seo::PageCache cache = make();
    std::vector<seo::PageCache::Page> pages(8);
    {
        std::vector<std::jthread> threads;
        for (auto &page : pages)
            threads.emplace_back([&cache, &page] { page = cache.get("http://a/"); });
    }
    EXPECT_EQ(fetches, 1);
    for (const auto &page : pages)
        EXPECT_EQ(page->body, "page of http://a/");
}

TEST_F(PageCacheTest, ForgetsFailures)
{
    seo::PageCache cache = make();
    fail = true;
    EXPECT_FALSE(cache.get("http://a/")->ok());
    fail = false;
    EXPECT_TRUE(cache.get("http://a/")->ok());
    EXPECT_EQ(fetches, 2);
}

TEST_F(PageCacheTest, KeepsPagesWithinItsBounds)
{
    const struct
    {
        const char *name;
        seo::PageCache::Bounds bounds;
        std::vector<const char *> urls; // "wait" lets the time to live pass
        int fetches;
    } cases[] = {
        {"time to live", {.time_to_live = 200ms}, {"a", "a", "b", "wait", "a"}, 3},
        {"entries, oldest out", {.max_entries = 2}, {"a", "b", "c", "c", "a"}, 4},
        {"bytes: one page fits", {.max_bytes = 30}, {"a", "b", "b", "a"}, 3},
    };
    for (const auto &c : cases) {
        fetches = 0;
        seo::PageCache cache = make(c.bounds);
        for (const std::string url : c.urls) {
            if (url == "wait")
                std::this_thread::sleep_for(250ms);
            else
                cache.get("http://" + url + "/");
        }
        EXPECT_EQ(fetches, c.fetches) << c.name;
    }
}

} // namespace
