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
    seo::AnalysisCache cache{[this](const seo::FetchResult &fetched) {
                                 ++analyses;
                                 std::this_thread::sleep_for(30ms); // lets the others arrive
                                 seo::PageReport report;
                                 report.analysis.content.text = fetched.body;
                                 return report;
                             },
                             2};

    static seo::PageCache::Page page(const std::string &body, const std::string &failure = "")
    {
        seo::FetchResult fetched;
        fetched.body = body;
        fetched.failure = failure;
        return std::make_shared<const seo::FetchResult>(std::move(fetched));
    }
};

TEST_F(AnalysisCacheTest, OnePageIsAnalysedOnceForParallelAndLaterRequests)
{
    const auto fetched = page("text");
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < 6; ++i)
            threads.emplace_back([&] { EXPECT_EQ(cache.get("u", fetched)->analysis.content.text, "text"); });
    }
    cache.get("u", fetched);
    EXPECT_EQ(analyses, 1);
    EXPECT_EQ(cache.get("u", page("newly fetched"))->analysis.content.text, "newly fetched");
    EXPECT_EQ(analyses, 2);
}

TEST_F(AnalysisCacheTest, FailedFetchesAndEvictedPagesAreNotKept)
{
    const auto failure = page("", "无法连接到服务器");
    cache.get("bad", failure);
    cache.get("bad", failure);
    EXPECT_EQ(analyses, 2);

    const auto a = page("a");
    const auto b = page("b");
    const auto c = page("c");
    cache.get("a", a);
    cache.get("b", b);
    cache.get("c", c); // two entries at most: "a" goes
    cache.get("a", a);
    EXPECT_EQ(analyses, 6);
}

} // namespace
