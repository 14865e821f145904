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
            [this](const std::string& url) {
                ++fetches;
                std::this_thread::sleep_for(50ms);  // long enough for the others to arrive
                seo::FetchResult result;
                if (fail)
                    result.failure = "无法连接到服务器";
                else
                    result.body = "page of " + url;
                return result;
            },
            bounds);
    }
};

TEST_F(PageCacheTest, ParallelRequestsShareOneFetch)
{
    seo::PageCache cache = make();
    std::vector<std::thread> threads;
    std::vector<seo::PageCache::Page> pages(8);
    for (auto& page : pages)
        threads.emplace_back([&cache, &page] { page = cache.get("http://a/"); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(fetches, 1);
    for (const auto& page : pages)
        EXPECT_EQ(page->body, "page of http://a/");
}

TEST_F(PageCacheTest, KeepsPagesForTheirTimeToLive)
{
    seo::PageCache cache = make({.time_to_live = 200ms});
    cache.get("http://a/");
    cache.get("http://a/");
    cache.get("http://b/");
    EXPECT_EQ(fetches, 2);
    std::this_thread::sleep_for(250ms);
    cache.get("http://a/");
    EXPECT_EQ(fetches, 3);
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

TEST_F(PageCacheTest, EvictsTheOldestBeyondItsBounds)
{
    seo::PageCache cache = make({.max_entries = 2});
    cache.get("http://a/");
    cache.get("http://b/");
    cache.get("http://c/");  // evicts a
    cache.get("http://c/");
    cache.get("http://a/");
    EXPECT_EQ(fetches, 4);
}

TEST_F(PageCacheTest, EvictsByBytes)
{
    seo::PageCache cache = make({.max_bytes = 30});  // one page of 17 bytes fits, two do not
    cache.get("http://a/");
    cache.get("http://b/");
    cache.get("http://b/");
    cache.get("http://a/");
    EXPECT_EQ(fetches, 3);
}

}  // namespace
