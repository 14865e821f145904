#include "site/analysis_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class AnalysisCacheTest : public testing::Test
{
protected:
    std::atomic<int> analyses{0};
    seo::AnalysisCache cache{[this](const seo::FetchResult& fetched) {
                                 ++analyses;
                                 std::this_thread::sleep_for(30ms);  // lets the others arrive
                                 seo::PageReport report;
                                 report.analysis.content.text = fetched.body;
                                 return report;
                             },
                             2};

    static seo::PageCache::Page page(const std::string& body)
    {
        seo::FetchResult fetched;
        fetched.body = body;
        return std::make_shared<const seo::FetchResult>(std::move(fetched));
    }
};

TEST_F(AnalysisCacheTest, OnePageIsAnalysedOnceForParallelAndLaterRequests)
{
    const auto fetched = page("text");
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&] { EXPECT_EQ(cache.get("u", fetched)->analysis.content.text, "text"); });
    for (std::thread& thread : threads)
        thread.join();
    cache.get("u", fetched);
    EXPECT_EQ(analyses, 1);
}

TEST_F(AnalysisCacheTest, ANewlyFetchedPageIsAnalysedAgain)
{
    const auto first = page("one");
    cache.get("u", first);
    const auto second = page("two");
    EXPECT_EQ(cache.get("u", second)->analysis.content.text, "two");
    EXPECT_EQ(analyses, 2);
}

TEST_F(AnalysisCacheTest, FailedFetchesAndEvictedPagesAreNotKept)
{
    seo::FetchResult failed;
    failed.failure = "无法连接到服务器";
    const auto failure = std::make_shared<const seo::FetchResult>(failed);
    cache.get("bad", failure);
    cache.get("bad", failure);
    EXPECT_EQ(analyses, 2);

    const auto a = page("a");
    const auto b = page("b");
    const auto c = page("c");
    cache.get("a", a);
    cache.get("b", b);
    cache.get("c", c);  // two entries at most: "a" goes
    cache.get("a", a);
    EXPECT_EQ(analyses, 6);
}

}  // namespace
