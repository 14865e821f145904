#include "fetch/fetcher.h"
#include "fetch/target_address.h"

#include "target_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

// "<p>你好</p>" as gzip writes it.
const std::string kGzipped("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\xB3\x29\xB0\x7B\xB2\x77\xC1\xD3\xA5\x7B"
                           "\x6D\xF4\x0B\xEC\x00\x24\x79\x22\x76\x0D\x00\x00\x00",
                           33);

class FetcherTest : public testing::Test
{
protected:
    std::atomic<int> loop_hits{0};
    std::atomic<bool> release_slow{false};
    std::atomic<bool> spider_agent{false};
    std::mutex asked_mutex;
    std::string asked; // "HEAD /page GET /page " as the server saw them

    // Get routes answer HEAD too.
    TargetServer target{[this](httplib::Server &http) {
        http.set_pre_routing_handler([this](auto &request, auto &) {
            const std::lock_guard lock(asked_mutex);
            asked += request.method + " " + request.path + " ";
            return httplib::Server::HandlerResponse::Unhandled;
        });
        http.Get("/page", [this](auto &request, auto &response) {
            spider_agent =
                request.get_header_value("User-Agent").find(std::string(seo::kCrawlerToken) + "/1.0")
                != std::string::npos;
            response.set_content("<p>你好</p>", "text/html; charset=utf-8");
        });
        http.Get("/hop1", [](auto &, auto &response) { response.set_redirect("/hop2"); });
        http.Get("/hop2", [](auto &, auto &response) { response.set_redirect("/page", 301); });
        // A server that refuses HEAD, with a body over the size limit of the status check below.
        http.Get("/no-head", [](auto &request, auto &response) {
            if (request.method == "HEAD")
                response.status = 405;
            else
                response.set_content(std::string(1024 * 1024, 'z'), "application/x-test");
        });
        http.Get("/loop", [this](auto &, auto &response) {
            ++loop_hits;
            response.set_redirect("/loop");
        });
        http.Get("/missing", [](auto &, auto &response) { response.status = 404; });
        // A type the library does not compress, so that the length is announced.
        http.Get("/big-announced", [](auto &, auto &response) {
            response.set_content(std::string(8 * 1024 * 1024 + 1, 'x'), "application/x-test");
        });
        http.Get("/big-streamed", [](auto &, auto &response) {
            response.set_chunked_content_provider("text/html", [](size_t, httplib::DataSink &sink) {
                const std::string chunk(16 * 1024, 'y');
                for (int i = 0; i < 8 && sink.is_writable(); ++i)
                    sink.write(chunk.data(), chunk.size());
                sink.done();
                return true;
            });
        });
        http.Get("/gzip", [](auto &request, auto &response) {
            if (request.get_header_value("Accept-Encoding").find("gzip") == std::string::npos)
                return; // an empty page fails the test
            response.set_header("Content-Encoding", "gzip");
            response.set_content(kGzipped, "application/x-test-gzipped");
        });
        http.Get("/slow", [this](auto &, auto &response) {
            for (int i = 0; i < 1000 && !release_slow; ++i)
                std::this_thread::sleep_for(20ms);
            response.set_content("late", "text/html");
        });
    }};

    void TearDown() override { release_slow = true; }

    seo::FetchResult fetch(const std::string &url, std::size_t max_body_bytes = 64 * 1024,
                           const seo::BodyMemory &memory = {})
    {
        // Only /slow takes two seconds.
        const seo::FetchLimits limits{
            .connect_timeout = 2000ms, .total_timeout = 2000ms, .max_body_bytes = max_body_bytes};
        return seo::fetch_page(seo::Url::parse(url).value(), limits, {}, memory);
    }
};

TEST_F(FetcherTest, FetchesAsASpiderThroughRedirectsAndGzip)
{
    for (const char *path : {"/page", "/hop1", "/gzip"}) {
        const seo::FetchResult result = fetch(target.url(path));
        ASSERT_TRUE(result.ok()) << path << ": " << result.failure;
        EXPECT_EQ(result.body, "<p>你好</p>") << path;
    }
    EXPECT_TRUE(spider_agent);
}

TEST_F(FetcherTest, ReportsWhyAFetchFailed)
{
    const std::string unreachable = unreachable_url();
    using Failure = seo::FetchResult::Failure;
    const std::size_t small = 64 * 1024, large = 8 * 1024 * 1024;
    // An address and the bound on its body; why its fetch failed, in words and in kind.
    const std::tuple<std::string, std::size_t, const char *, Failure> cases[] = {
        {target.url("/missing"), small, "服务器返回错误状态 HTTP 404", Failure::answer},
        {target.url("/big-announced"), small, "页面过大（超过 65536 字节）", Failure::too_large},
        {target.url("/big-announced"), large, "页面过大（超过 8 MiB）", Failure::too_large},
        {target.url("/big-streamed"), small, "页面过大（超过 65536 字节）", Failure::too_large},
        {target.url("/slow"), small, "连接或读取超时", Failure::timed_out},
        {target.url("/loop"), small, "重定向次数过多", Failure::answer},
        {unreachable, small, "无法连接到服务器", Failure::connection},
    };
    for (const auto &[url, max_body_bytes, failure, kind] : cases) {
        const seo::FetchResult result = fetch(url, max_body_bytes);
        EXPECT_EQ(result.failure, failure) << url;
        EXPECT_EQ(result.kind, kind) << url;
        EXPECT_TRUE(result.body.empty()) << url;
    }
    EXPECT_EQ(loop_hits, 6); // the first request and five redirects
    EXPECT_FALSE(fetch(unreachable).failure_detail.empty()); // libcurl's own words
}

TEST_F(FetcherTest, ChecksAStatusByHeadOrElseByGetKeepingNoBody)
{
    // A path; each hop's path and status; the requests the server saw; the failure.
    const std::tuple<const char *, std::vector<std::string>, const char *, const char *> cases[] = {
        {"/page", {"/page 200"}, "HEAD /page ", ""},
        {"/hop1", {"/hop1 302", "/hop2 301", "/page 200"}, "HEAD /hop1 HEAD /hop2 HEAD /page ", ""},
        {"/no-head", {"/no-head 200"}, "HEAD /no-head GET /no-head ", ""},
        {"/missing", {"/missing 404"}, "HEAD /missing GET /missing ", "服务器返回错误状态 HTTP 404"},
    };
    const seo::FetchLimits limits{.connect_timeout = 2000ms, .total_timeout = 2000ms, .max_body_bytes = 1024};
    for (const auto &[path, expected_hops, requests, failure] : cases) {
        const seo::FetchResult result = seo::check_status(seo::Url::parse(target.url(path)).value(), limits);
        EXPECT_EQ(result.failure, failure) << path;
        std::vector<std::string> hops;
        for (const seo::FetchHop &hop : result.hops)
            hops.push_back(hop.url.substr(target.url("").size()) + " " + std::to_string(hop.status));
        EXPECT_EQ(hops, expected_hops) << path;
        const std::lock_guard lock(asked_mutex);
        EXPECT_EQ(std::exchange(asked, {}), requests);
        EXPECT_TRUE(result.body.empty()) << path;
    }
}

// The body's memory is asked for as it comes, and a fetch that cannot have it is given up
// as the service being busy, not as a fault of the page.
TEST_F(FetcherTest, AsksForTheBodysMemoryAsItComes)
{
    std::vector<std::pair<std::size_t, std::size_t>> asked; // needed, announced
    const seo::BodyMemory in_steps = [&asked](std::size_t needed, std::size_t announced) {
        asked.emplace_back(needed, announced);
        return (needed + 4095) / 4096 * 4096;
    };
    const seo::FetchResult streamed = fetch(target.url("/big-streamed"), 1024 * 1024, in_steps);
    ASSERT_TRUE(streamed.ok()) << streamed.failure;
    EXPECT_EQ(streamed.body.size(), 8u * 16 * 1024);
    ASSERT_FALSE(asked.empty());
    EXPECT_LE(asked.front().first, 16u * 1024); // nothing asked for before bytes came
    EXPECT_EQ(asked.front().second, 0u); // chunked: no length announced

    asked.clear();
    const seo::FetchResult announced = fetch(target.url("/big-announced"), 9 * 1024 * 1024, in_steps);
    ASSERT_TRUE(announced.ok()) << announced.failure;
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front().second, 8u * 1024 * 1024 + 1);

    const seo::FetchResult refused = fetch(target.url("/big-streamed"), 1024 * 1024,
                                           [](std::size_t, std::size_t) { return std::size_t(0); });
    EXPECT_EQ(refused.kind, seo::FetchResult::Failure::busy);
    EXPECT_TRUE(refused.body.empty());
}

TEST(TargetAddress, IsWhatABrowserWouldFetch)
{
    // As typed; the address fetched, or else why it is refused.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"  example.com/a?b=1 ", "http://example.com/a?b=1", ""},
        {"HTTPS://example.com", "https://example.com/", ""},
        {"example.com/a?next=https://x", "http://example.com/a?next=https://x", ""},
        {"http://中文.测试/路径 a", "http://xn--fiq228c.xn--0zwm56d/%E8%B7%AF%E5%BE%84%20a", ""},
        {"ftp://example.com", "", "只支持 http 和 https 网址"},
        {"file:///etc/passwd", "", "只支持 http 和 https 网址"},
        {"   ", "", "没有输入网址"},
        {std::string("example.com/\0x", 14), "", "网址格式不正确"},
        {"http://中文..测试/", "", "网址中的域名无效"},
    };
    for (const auto &[typed, url, refusal] : cases) {
        const seo::TargetAddress target = seo::target_address(typed);
        EXPECT_EQ(target.url ? target.url->text() : "", url) << typed;
        EXPECT_EQ(target.refusal, refusal) << typed;
    }
}

} // namespace
