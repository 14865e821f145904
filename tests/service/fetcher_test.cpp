#include "site/fetcher.h"

#include "target_server.h"

#include <gtest/gtest.h>

#include <ostream>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

seo::FetchLimits quick_limits()
{
    seo::FetchLimits limits;
    limits.connect_timeout = 1000ms;
    limits.total_timeout = 700ms;
    limits.max_body_bytes = 64 * 1024;
    return limits;
}

std::string gzipped(const std::string& text)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

class FetcherTest : public testing::Test
{
protected:
    std::atomic<int> loop_hits{0};
    std::atomic<bool> release_slow{false};
    std::atomic<int> page_hits{0};
    std::atomic<bool> spider_agent{false};

    TargetServer target{[this](httplib::Server& http) {
        http.Get("/page", [this](const httplib::Request& request, httplib::Response& response) {
            ++page_hits;
            spider_agent = request.get_header_value("User-Agent").find("Spider") != std::string::npos;
            response.set_content("<p>你好</p>", "text/html; charset=utf-8");
        });
        http.Get("/hop1", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/hop2");
        });
        http.Get("/hop2", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/page", 301);
        });
        http.Get("/loop", [this](const httplib::Request&, httplib::Response& response) {
            ++loop_hits;
            response.set_redirect("/loop");
        });
        http.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("not here", "text/plain");
        });
        http.Get("/big-announced", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(100 * 1024, 'x'), "text/html");
        });
        http.Get("/big-streamed", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/html", [](size_t, httplib::DataSink& sink) {
                const std::string chunk(16 * 1024, 'y');
                for (int i = 0; i < 8 && sink.is_writable(); ++i)
                    sink.write(chunk.data(), chunk.size());
                sink.done();
                return true;
            });
        });
        http.Get("/gzip", [](const httplib::Request& request, httplib::Response& response) {
            if (request.get_header_value("Accept-Encoding").find("gzip") == std::string::npos) {
                response.status = 406;
                return;
            }
            response.set_header("Content-Encoding", "gzip");
            response.set_content(gzipped("<title>压缩页面</title>"), "application/x-test-gzipped");
        });
        http.Get("/slow", [this](const httplib::Request&, httplib::Response& response) {
            for (int i = 0; i < 100 && !release_slow; ++i)
                std::this_thread::sleep_for(20ms);
            response.set_content("late", "text/html");
        });
    }};

    void TearDown() override { release_slow = true; }
};

TEST_F(FetcherTest, FetchesAPageAsASpider)
{
    const seo::FetchResult result = seo::fetch_page(target.url("/page"), quick_limits());
    ASSERT_TRUE(result.ok()) << result.failure;
    EXPECT_EQ(result.body, "<p>你好</p>");
    EXPECT_EQ(result.content_type, "text/html; charset=utf-8");
    EXPECT_TRUE(spider_agent);
}

TEST_F(FetcherTest, FollowsRedirects)
{
    const seo::FetchResult result = seo::fetch_page(target.url("/hop1"), quick_limits());
    ASSERT_TRUE(result.ok()) << result.failure;
    EXPECT_EQ(result.body, "<p>你好</p>");
}

TEST_F(FetcherTest, GivesUpOnARedirectLoop)
{
    const seo::FetchResult result = seo::fetch_page(target.url("/loop"), quick_limits());
    EXPECT_EQ(result.failure, "重定向次数过多");
    EXPECT_EQ(loop_hits, 6);  // the first request and five redirects
}

TEST_F(FetcherTest, DecodesGzip)
{
    const seo::FetchResult result = seo::fetch_page(target.url("/gzip"), quick_limits());
    ASSERT_TRUE(result.ok()) << result.failure;
    EXPECT_EQ(result.body, "<title>压缩页面</title>");
}

struct FailureCase
{
    friend void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.path; }

    const char* path;
    const char* failure;
};

class FetcherFailure : public FetcherTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(FetcherFailure, ReportsWhy)
{
    const seo::FetchResult result = seo::fetch_page(target.url(GetParam().path), quick_limits());
    EXPECT_EQ(result.failure, GetParam().failure);
    EXPECT_TRUE(result.body.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FetcherFailure,
    testing::Values(FailureCase{"/missing", "服务器返回错误状态 HTTP 404"},
                    FailureCase{"/big-announced", "页面过大（超过 65536 字节）"},
                    FailureCase{"/big-streamed", "页面过大（超过 65536 字节）"},
                    FailureCase{"/slow", "连接或读取超时"}));

TEST(Fetcher, ReportsAnUnreachablePort)
{
    int closed_port = 0;
    {
        const TargetServer gone{[](httplib::Server&) {}};
        closed_port = gone.port();
    }
    const seo::FetchResult result = seo::fetch_page(
        "http://127.0.0.1:" + std::to_string(closed_port) + "/", quick_limits());
    EXPECT_EQ(result.failure, "无法连接到服务器");
    EXPECT_FALSE(result.failure_detail.empty());
}

TEST(Fetcher, SaysOversizeInMebibytesForTheDefaultLimit)
{
    const TargetServer big{[](httplib::Server& http) {
        http.Get("/", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(8 * 1024 * 1024 + 1, 'z'), "text/html");
        });
    }};
    const seo::FetchResult result = seo::fetch_page(big.url("/"), seo::FetchLimits{});
    EXPECT_EQ(result.failure, "页面过大（超过 8 MiB）");
}

TEST_F(FetcherTest, RefusesInternalAddressesWhenAskedTo)
{
    seo::FetchLimits limits = quick_limits();
    limits.refuse_internal_targets = true;
    const seo::FetchResult result = seo::fetch_page(target.url("/page"), limits);
    EXPECT_EQ(result.failure, "目标地址属于本机或内网，拒绝访问");
    EXPECT_EQ(page_hits, 0);  // nothing reached the target
}

struct AddressCase
{
    friend void PrintTo(const AddressCase& c, std::ostream* out) { *out << c.typed; }

    const char* typed;
    std::optional<std::string> url;
};

class TargetUrl : public testing::TestWithParam<AddressCase>
{
};

TEST_P(TargetUrl, AddsHttpAndRefusesOtherSchemes)
{
    EXPECT_EQ(seo::target_url(GetParam().typed), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, TargetUrl,
    testing::Values(AddressCase{"www.example.com", "http://www.example.com"},
                    AddressCase{"  example.com/a?b=1 ", "http://example.com/a?b=1"},
                    AddressCase{"HTTPS://example.com", "HTTPS://example.com"},
                    AddressCase{"http://127.0.0.1:8080/", "http://127.0.0.1:8080/"},
                    AddressCase{"ftp://example.com", std::nullopt},
                    AddressCase{"file:///etc/passwd", std::nullopt},
                    AddressCase{"   ", std::nullopt}));

}  // namespace
