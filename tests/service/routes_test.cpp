// What the HTTP routes add to the pages: the figures and markers themselves are read back
// by roundtrip_test and marker_forgery_test.
#include "running_site.h"
#include "target_server.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unicode/ustring.h>

#include <atomic>
#include <tuple>

namespace {

bool valid_utf8(const std::string &text)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8(nullptr, 0, &needed, text.data(), static_cast<int32_t>(text.size()), &status);
    return status != U_INVALID_CHAR_FOUND;
}

class RoutesTest : public testing::Test
{
protected:
    TargetServer target{[](httplib::Server &http) {
        http.Get("/page", [](auto &, auto &response) {
            response.set_content("<title>网站优化</title><p>网站优化需要耐心。SEO SEO</p>", "text/html");
        });
        http.Get("/logo.png", [](auto &, auto &response) {
            response.set_content(std::string("\x89PNG\r\n\x1a\n", 8), "image/png");
        });
    }};
    RunningSite site;
    const std::string page = percent_encoded(target.url("/page"));
};

// Each route's answer; only requests addressed to the site's own names are answered, other
// methods are refused, and every answer tells browsers to run no script, frame nothing and
// sniff no type. Scripts get JSON whatever goes wrong, with a code and a message.
TEST_F(RoutesTest, AnswersEachRouteAndHardensEveryAnswer)
{
    const std::string port = std::to_string(site.port());
    const std::string html = "text/html; charset=utf-8", text = "text/plain; charset=utf-8";
    const std::string json = "application/json; charset=utf-8";
    // A request's method, path and Host header (if not the library's own); the answer's status,
    // content type and a part of its body.
    const std::tuple<const char *, std::string, std::string, int, std::string, std::string> cases[] = {
        {"GET", "/veltro/shenji.txt", "", 200, text, "9.1\r\n"},
        {"GET", "/veltro", "", 200, html, "密度 = 出现次数 × 关键词长度 ÷ 页面文本总长度 × 100%"},
        {"GET", "/veltro/", "", 200, html, "网站优化分析助手 6.0"},
        {"GET", "/veltro", "", 200, html, "得分 = (通过项数 + 0.5 × 注意项数)"},
        {"GET", "/veltro", "", 200, html, "<code>links.crawlable</code>"},
        {"GET", "/veltro", "", 200, html, "“了解详情”、"},
        {"GET", "/Tools/Density.aspx?kw=&url=" + page, "", 200, html, "请输入要检测的关键字"},
        // an invalid byte in the request must not make the answer invalid UTF-8
        {"GET", "/Tools/Density.aspx?kw=%FF%E7%BD%91%E7%AB%99&url=" + page, "", 200, html,
         "<td>\xEF\xBF\xBD网站</td>"},
        {"GET", "/Tools/RobotXaspx", "", 404, html, "<!DOCTYPE html>"},
        {"GET", "/veltro/other.txt", "", 404, html, "<!DOCTYPE html>"},
        {"GET", "/?q=" + std::string(9000, 'a'), "", 414, html, "网址太长"},
        {"GET", "/api/nothing", "", 404, json, "\"code\":\"not_found\""},
        {"GET", "/api/analyze", "", 400, json, "\"code\":\"missing_url\""},
        {"GET", "/api/analyze?url=ftp%3A%2F%2Fexample.com%2F", "", 400, json, "\"code\":\"address_refused\""},
        {"GET", "/api/analyze?url=" + percent_encoded(target.url("/logo.png")), "", 422, json,
         "\"code\":\"page_unreadable\""},
        {"GET", "/api/analyze?url=" + percent_encoded(unreachable_url()), "", 502, json,
         "\"code\":\"fetch_failed\""},
        {"GET", "/veltro/shenji.txt", "localhost:" + port, 200, text, "9.1"},
        {"GET", "/veltro/shenji.txt", "LocalHost", 200, text, "9.1"},
        {"GET", "/veltro/shenji.txt", "[::1]:" + port, 200, text, "9.1"},
        // a web page's own name pointed at 127.0.0.1 (DNS rebinding) gets nothing
        {"GET", "/Tools/Robot.aspx?url=" + page, "attacker.example:" + port, 421, html, "拒绝访问"},
        {"GET", "/api/analyze?url=" + page, "127.0.0.1.nip.io:" + port, 421, json, "misdirected_request"},
        {"POST", "/api/analyze", "", 405, json, "method_not_allowed"},
        {"PUT", "/", "", 405, html, "GET"},
        {"DELETE", "/api/analyze", "", 405, json, "method_not_allowed"},
    };
    for (const auto &[method, path, host, status, content_type, part] : cases) {
        SCOPED_TRACE(std::string(method) + " " + path.substr(0, 60) + " Host: " + host);
        httplib::Client client("127.0.0.1", site.port());
        httplib::Request request;
        request.method = method;
        request.path = path;
        if (!host.empty())
            request.headers.emplace("Host", host);
        if (std::string_view(method) != "GET")
            request.body = "{\"url\": \"http://example.com/\"}";
        const auto result = client.send(request);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, status);
        EXPECT_EQ(result->get_header_value("Content-Type"), content_type);
        EXPECT_NE(result->body.find(part), std::string::npos) << result->body;
        EXPECT_TRUE(valid_utf8(result->body));
        if (content_type == json) {
            EXPECT_FALSE(nlohmann::json::parse(result->body)["error"]["message"].get<std::string>().empty());
        }
        if (status == 405) {
            EXPECT_EQ(result->get_header_value("Allow"), "GET, HEAD");
        }
        const std::string policy = result->get_header_value("Content-Security-Policy");
        EXPECT_NE(policy.find("default-src 'none'"), std::string::npos);
        EXPECT_NE(policy.find("frame-ancestors 'none'"), std::string::npos);
        EXPECT_EQ(result->get_header_value("X-Content-Type-Options"), "nosniff");
        EXPECT_EQ(result->get_header_value("Referrer-Policy"), "no-referrer");
        EXPECT_EQ(result->get_header_value("X-Frame-Options"), "DENY");
    }
}

TEST(RoutesSecurity, PublicServiceRefusesLoopbackTargets)
{
    std::atomic<int> hits{0};
    const TargetServer target{[&hits](httplib::Server &http) {
        http.Get("/", [&hits](auto &, auto &response) {
            ++hits;
            response.set_content("<title>内部页面</title>", "text/html");
        });
    }};
    seo::SiteSettings settings;
    settings.reports.limits.refuse_internal_targets = true; // as when listening beyond loopback
    const RunningSite site(settings);
    const auto result = get_local(site.port(), "/Tools/Robot.aspx?url=" + percent_encoded(target.url("/")));
    ASSERT_TRUE(result);
    EXPECT_NE(result->body.find("cols=\"20\">分析服务没有取得这个网页：目标地址属于本机或内网，拒绝访问"),
              std::string::npos);
    EXPECT_EQ(hits, 0);
}

} // namespace
