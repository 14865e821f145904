#include "running_site.h"
#include "target_server.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::string gbk(const std::string& utf8)
{
    std::string out(utf8.size() * 2 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_convert("GBK", "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                                        utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

const std::string kPage =
    "<html><head><title>网站优化教程</title><meta name=\"keywords\" content=\"优化,教程\">"
    "<meta name=\"description\" content=\"讲解网站优化。\"></head>"
    "<body><h1>网站优化</h1><p>网站优化需要耐心。SEO SEO</p></body></html>";

class RoutesTest : public testing::Test
{
protected:
    std::atomic<int> page_hits{0};
    TargetServer target{[this](httplib::Server& http) {
        http.Get("/page", [this](const httplib::Request&, httplib::Response& response) {
            ++page_hits;
            std::this_thread::sleep_for(30ms);  // lets parallel queries overlap
            response.set_content(kPage, "text/html; charset=utf-8");
        });
        http.Get("/gbk", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(gbk("<title>中文编码页面</title><p>简体中文</p>"), "text/html");
        });
    }};
    RunningSite site;

    std::string page_url() const { return target.url("/page"); }
    std::string unreachable_url() const { return "http://127.0.0.1:1/"; }

    std::string get_ok(const std::string& path)
    {
        const auto result = get_local(site.port(), path);
        EXPECT_TRUE(result);
        if (!result)
            return {};
        EXPECT_EQ(result->status, 200) << path;
        return result->body;
    }
};

void expect_html(const std::string& page)
{
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
}

TEST_F(RoutesTest, OverviewCarriesTheMetaAndKeywordTables)
{
    const std::string page = get_ok("/?q=" + percent_encoded(page_url()));
    expect_html(page);
    EXPECT_NE(page.find(">标题（Title）</td><td><font color=\"red\">6</font> 个字符</td>"
                       "<td><div style=\"padding-left:10px;\">网站优化教程</div>"),
              std::string::npos);
    EXPECT_NE(page.find("<td>一般不超过200个字符</td>"), std::string::npos);
    EXPECT_NE(page.find("百度排名</td><td>Google排名</td>"), std::string::npos);
    // page text "网站优化\n网站优化需要耐心。SEO SEO": 21 characters
    EXPECT_NE(page.find("<tr class=\"kw\"><td>网站</td><td>2</td><td>19.05%</td><td>-</td><td>-</td></tr>"),
              std::string::npos);
    EXPECT_NE(page.find("<tr class=\"kw\"><td>seo</td><td>2</td><td>28.57%</td>"), std::string::npos);
}

TEST_F(RoutesTest, OverviewOfAGbkPage)
{
    const std::string page = get_ok("/?q=" + percent_encoded(target.url("/gbk")));
    EXPECT_NE(page.find("10px;\">中文编码页面</div>"), std::string::npos);
    EXPECT_NE(page.find("中文</td><td>1</td>"), std::string::npos);
}

TEST_F(RoutesTest, SpiderTextInTheTextArea)
{
    const std::string page = get_ok("/Tools/Robot.aspx?url=" + percent_encoded(page_url()));
    expect_html(page);
    EXPECT_NE(page.find("cols=\"20\">网站优化\n网站优化需要耐心。SEO SEO</textarea>"), std::string::npos);
}

TEST_F(RoutesTest, DensityFigures)
{
    const std::string page = get_ok("/Tools/Density.aspx?kw=" + percent_encoded("网站") +
                                    "&url=" + percent_encoded(page_url()));
    expect_html(page);
    EXPECT_NE(page.find("页面文本总长度：21<"), std::string::npos);
    EXPECT_NE(page.find("关键字符串长度：2<"), std::string::npos);
    EXPECT_NE(page.find("关键字出现频率：2<"), std::string::npos);
    EXPECT_NE(page.find("关键字符总长度：4<"), std::string::npos);
    EXPECT_NE(page.find("密度结果计算：19.05%<"), std::string::npos);
    EXPECT_NE(page.find("密度建议值：2%≦密度≦8%"), std::string::npos);
}

TEST_F(RoutesTest, DensityWithoutKeywordAsksForOne)
{
    const std::string page = get_ok("/Tools/Density.aspx?kw=&url=" + percent_encoded(page_url()));
    EXPECT_EQ(page.find("页面文本总长"), std::string::npos);
    EXPECT_NE(page.find("请输入要检测的关键字"), std::string::npos);
}

TEST_F(RoutesTest, UnreachableTargetLeavesTheMarkedSectionsOut)
{
    const std::string encoded = percent_encoded(unreachable_url());
    const std::string overview = get_ok("/?q=" + encoded);
    EXPECT_EQ(overview.find(">标题（Title）"), std::string::npos);
    EXPECT_EQ(overview.find("百度排名</td><td>Google排名</td>"), std::string::npos);
    EXPECT_NE(overview.find("无法连接到服务器"), std::string::npos);

    const std::string spider = get_ok("/Tools/Robot.aspx?url=" + encoded);
    EXPECT_NE(spider.find("cols=\"20\">基础连接已经关闭：无法连接到服务器 ("), std::string::npos);

    const std::string density = get_ok("/Tools/Density.aspx?kw=a&url=" + encoded);
    EXPECT_EQ(density.find("页面文本总长"), std::string::npos);
    EXPECT_NE(density.find("无法连接到服务器"), std::string::npos);
}

TEST_F(RoutesTest, OneQueryFetchesTheTargetOnce)
{
    const std::string encoded = percent_encoded(page_url());
    std::vector<std::future<std::string>> answers;
    for (int i = 0; i < 3; ++i) {
        answers.push_back(std::async(std::launch::async, [&] { return get_ok("/?q=" + encoded); }));
        answers.push_back(std::async(std::launch::async,
                                     [&] { return get_ok("/Tools/Robot.aspx?url=" + encoded); }));
    }
    for (auto& answer : answers)
        EXPECT_NE(answer.get().find("网站优化"), std::string::npos);
    get_ok("/Tools/Density.aspx?kw=seo&url=" + encoded);
    EXPECT_EQ(page_hits, 1);
}

TEST_F(RoutesTest, InvalidUtf8InTheQueryStaysOutOfThePage)
{
    const std::string page = get_ok("/Tools/Density.aspx?kw=%FF%E7%BD%91%E7%AB%99&url=" +
                                    percent_encoded(page_url()));
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8(nullptr, 0, &needed, page.data(), static_cast<int32_t>(page.size()), &status);
    EXPECT_NE(status, U_INVALID_CHAR_FOUND);
    EXPECT_NE(page.find("<td>\xEF\xBF\xBD网站</td>"), std::string::npos);
}

TEST_F(RoutesTest, VersionFile)
{
    const auto result = get_local(site.port(), "/veltro/shenji.txt");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, "9.1\r\n");
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain; charset=utf-8");
}

TEST_F(RoutesTest, ProductHomePage)
{
    for (const char* path : {"/veltro", "/veltro/"}) {
        const std::string page = get_ok(path);
        expect_html(page);
        EXPECT_NE(page.find("网站优化分析助手"), std::string::npos);
        EXPECT_NE(page.find("6.0"), std::string::npos);
        EXPECT_NE(page.find("密度 = 出现次数 × 关键词长度 ÷ 页面文本总长度 × 100%"), std::string::npos);
    }
}

TEST_F(RoutesTest, UnknownRoutesAreNotFound)
{
    for (const char* path : {"/nothing", "/Tools/RobotXaspx", "/veltro/other.txt"}) {
        const auto result = get_local(site.port(), path);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 404) << path;
        expect_html(result->body);
    }
}

TEST_F(RoutesTest, OverlongRequestsAreRefused)
{
    const auto result = get_local(site.port(), "/?q=" + std::string(9000, 'a'));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 414);
}

TEST(RoutesSecurity, PublicServiceRefusesLoopbackTargets)
{
    std::atomic<int> hits{0};
    const TargetServer target{[&hits](httplib::Server& http) {
        http.Get("/", [&hits](const httplib::Request&, httplib::Response& response) {
            ++hits;
            response.set_content("<title>内部页面</title>", "text/html");
        });
    }};
    seo::SiteSettings settings;
    settings.limits.refuse_internal_targets = true;  // as when listening beyond loopback
    const RunningSite site(settings);
    const auto result =
        get_local(site.port(), "/Tools/Robot.aspx?url=" + percent_encoded(target.url("/")));
    ASSERT_TRUE(result);
    EXPECT_NE(result->body.find("cols=\"20\">基础连接已经关闭：目标地址属于本机或内网，拒绝访问"),
              std::string::npos);
    EXPECT_EQ(hits, 0);
}

TEST(RoutesVersion, NewestVersionIsConfigurable)
{
    seo::SiteSettings settings;
    settings.newest_version = "9.3";
    const RunningSite site(settings);
    const auto result = get_local(site.port(), "/veltro/shenji.txt");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, "9.3\r\n");
}

}  // namespace
