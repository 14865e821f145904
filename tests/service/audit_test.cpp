// The audit as scripts get it, through GET /api/analyze, on pages held back for these
// tests: each check passing and failing, in Chinese and English, in UTF-8 and GBK, and the
// cases where the usual SEO tools go wrong on Chinese.
#include "running_site.h"
#include "target_server.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace {

using nlohmann::json;

// Passes every check that needs no keyword; `host` is the address it is served from.
std::string good_page(const std::string &host)
{
    std::string page = R"(<!DOCTYPE html><html lang="zh-CN"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>二手房交易流程：看房、签约、贷款与过户全攻略</title>
<meta name="description" content="二手房交易要经过看房、签约、贷款、过户和交房五个环节。本文逐一说明每个环节要准备的材料、常见的风险和费用，帮助买卖双方顺利成交。">
<meta name="keywords" content="二手房,过户,贷款">
<link rel="canonical" href="http://HOST/good">
<link rel="alternate" hreflang="zh-CN" href="http://HOST/good">
<link rel="alternate" hreflang="en" href="http://HOST/en">
<meta property="og:title" content="二手房交易流程"><meta property="og:description" content="五个环节">
<meta property="og:image" content="http://HOST/a.png"><meta property="og:url" content="http://HOST/good">
<meta property="og:type" content="article">
<script type="application/ld+json">{"@context":"https://schema.org","@graph":[{"@type":"Article"},{"@type":"BreadcrumbList"}]}</script>
</head><body><h1>二手房交易流程</h1>
<p>买二手房之前，先了解二手房交易的五个环节。</p>
<h2>看房</h2><p>看房时核实产权。<img src="house.jpg" alt="二手房客厅"></p>
<h2>贷款与过户</h2><p>贷款审批通过后办理过户。</p>
<a href="/loan">二手房贷款办理指南</a> <a href="http://other.example/">房产税计算器</a>
</body></html>)";
    for (auto at = page.find("HOST"); at != std::string::npos; at = page.find("HOST", at))
        page.replace(at, 4, host);
    return page;
}

// Fails what a page can fail: no title, a description twice, noindex for Baidu in the
// header, nofollow for Google in the page, a canonical elsewhere, an invalid lang, no h1,
// skipped levels, images without alt, vague link texts (the ones Lighthouse knows too, and
// traditional ones), links only a script follows (a button is none), broken JSON-LD.
const char *const kBadPage = R"html(<html lang="zh_CN"><head><meta charset="utf-8">
<meta name="description" content="短"><meta name="description" content="另一个描述">
<meta name="googlebot" content="nofollow">
<meta name="keywords" content="二手房,火星探测">
<link rel="canonical" href="http://example.com/elsewhere">
<meta property="og:title" content="只有标题">
<script type="application/ld+json">{"@type": "Article",}</script>
</head><body><h2>二手房</h2><h4>细节</h4>
<p>二手房。</p><img src="a.png"><img src="b.png" alt="">
<a href="/x">点击这里</a> <a href="/y">更多&gt;&gt;</a> <a href="/z">[详情]</a> <a href="/w">更多</a>
<a href="/a">click here</a> <a href="/b">Read more…</a>
<a href="/c">點擊這裡</a> <a href="/d">了解詳情</a> <a href="/e">See more »</a> <a href="/f">ＧＯ</a>
<a href="javascript:void(0)">登录</a> <a href=" # ">返回顶部</a> <a onclick="next()">下一页</a>
<a href="#" role="button">菜单</a>
</body></html>)html";

// In GBK, declared only in the page, on a site whose robots.txt keeps Baiduspider out of /private/.
const std::string kGbkPage =
    encoded(R"(<html lang="zh-CN"><head><meta http-equiv="Content-Type" content="text/html; charset=gb2312">
<title>北京二手房价格走势与购房建议（2026年）</title></head><body><h1>北京二手房</h1><p>北京二手房价格回稳。二手房成交量上升，二手房贷款利率下降。</p></body></html>)",
            "GBK");

void serve_held_back_pages(httplib::Server &http)
{
    http.Get("/good", [](auto &request, auto &response) {
        response.set_content(good_page(request.get_header_value("Host")), "text/html; charset=utf-8");
    });
    http.Get("/bad", [](auto &, auto &response) {
        response.set_header("X-Robots-Tag", "baiduspider: noindex");
        response.set_content(kBadPage, "text/html");
    });
    http.Get("/private/gbk", [](auto &, auto &response) { response.set_content(kGbkPage, "text/html"); });
    http.Get("/moved", [](auto &, auto &response) { response.set_redirect("/good", 302); });
    // Addresses spelt two ways, a Chinese path kept from Googlebot, two X-Robots-Tag
    // headers and a charset declared twice in different spellings.
    http.Get("/café", [](auto &request, auto &response) {
        const std::string self = "http://" + request.get_header_value("Host") + "/caf%c3%a9";
        response.set_content(
            "<html lang=\"en\"><head><link rel=\"canonical\" href=\"" + self
                + "\"><link rel=\"alternate\" hreflang=\"zh\" href=\"" + self
                + "\"><link rel=\"alternate\" hreflang=\"en\" href=\"/en\"></head><body>Coffee</body></html>",
            "text/html; charset=utf-8");
    });
    http.Get("/中文/page", [](auto &, auto &response) {
        response.set_content("<html><body>中文页面</body></html>", "text/html; charset=utf-8");
    });
    http.Get("/headers", [](auto &, auto &response) {
        response.set_header("X-Robots-Tag", "googlebot: nofollow");
        response.set_header("X-Robots-Tag", "noindex");
        response.set_content("<html><head><meta charset=\"utf8\"></head><body>页面</body></html>",
                             "text/html; charset=UTF-8");
    });
    http.Get("/robots.txt", [](auto &, auto &response) {
        response.set_content("User-agent: Baiduspider\nDisallow: /private/\n\nUser-agent: Googlebot/2.1\n"
                             "Disallow: /中文/\n\nUser-agent: *\nAllow: /\n",
                             "text/plain");
    });
}

class AuditTest : public testing::Test
{
protected:
    // One site and one set of pages for all the cases: the answers are cached by query.
    static void SetUpTestSuite()
    {
        target_server = std::make_unique<TargetServer>(serve_held_back_pages);
        running_site = std::make_unique<RunningSite>();
    }
    static void TearDownTestSuite()
    {
        running_site.reset();
        target_server.reset();
    }
    static inline std::unique_ptr<TargetServer> target_server;
    static inline std::unique_ptr<RunningSite> running_site;

    // The answer for a page and keyword, asked once per test run.
    static const json &analysis(const std::string &path, const std::string &keyword = "")
    {
        static std::map<std::string, json> answers;
        const std::string query = "/api/analyze?url=" + percent_encoded(target_server->url(path))
            + "&kw=" + percent_encoded(keyword);
        auto [known, added] = answers.try_emplace(query);
        if (added) {
            const auto result = get_local(running_site->port(), query);
            EXPECT_TRUE(result && result->status == 200) << query;
            known->second = result ? json::parse(result->body) : json();
        }
        return known->second;
    }

    static json finding(const json &answer, const std::string &id)
    {
        for (const json &found : answer["audit"]["findings"])
            if (found["id"] == id)
                return found;
        return json();
    }
};

TEST_F(AuditTest, JudgesEachCheckOnPagesThatPassAndFail)
{
    // A page and a keyword; a check, its verdict and a part of its detail.
    const std::tuple<const char *, const char *, const char *, const char *, const char *> cases[] = {
        // That the good page passes the rest is its summary's to show, below.
        {"/good", "", "snippet.keywords", "pass", "3 个词"},
        {"/good", "", "links.count", "info", "站内 1，站外 1"},
        {"/good", "", "shared.json_ld", "pass", "Article、BreadcrumbList"},
        {"/good", "", "technical.charset", "pass", "HTTP 头 utf-8"},
        {"/bad", "", "indexing.noindex", "fail", "baiduspider"},
        {"/bad", "", "indexing.nofollow", "warn", "googlebot"},
        {"/bad", "", "indexing.canonical", "warn", "http://example.com/elsewhere"},
        {"/bad", "", "indexing.lang", "fail", "zh_CN"},
        {"/bad", "", "snippet.description_count", "warn", "2 个描述"},
        {"/bad", "", "snippet.keywords", "warn", "火星探测"},
        {"/bad", "", "structure.h1", "fail", ""},
        {"/bad", "", "structure.outline", "warn", "H2 之后直接是 H4"},
        {"/bad", "", "structure.viewport", "warn", ""},
        {"/bad", "", "links.vague", "warn", "10 个链接"},
        {"/bad", "", "links.crawlable", "warn", "3 个链接蜘蛛无法跟踪：“登录”（javascript:void(0)）"},
        {"/good", "", "links.vague", "pass", ""},
        {"/good", "", "links.crawlable", "pass", ""},
        {"/good", "", "indexing.canonical", "pass", "指向本页"},
        {"/headers", "", "indexing.canonical", "info", "没有 canonical"}, // recommended, not a fault
        {"/good", "", "indexing.hreflang", "pass", "含指向本页"},
        {"/café", "", "indexing.hreflang", "warn", "不是完整网址的：en → /en"},
        {"/good", "", "indexing.robots_syntax", "pass", ""},
        {"/bad", "", "images.alt", "warn", "1 张图片没有 alt"}, // alt="" is decorative, not missing
        {"/bad", "", "shared.open_graph", "warn", "og:image"},
        {"/bad", "", "shared.json_ld", "fail", "不是有效的 JSON"},
        {"/private/gbk", "", "indexing.robots_txt", "fail", "Baiduspider（Disallow: /private/）"},
        {"/private/gbk", "", "technical.charset", "pass", "<meta> GB18030"},
        {"/café", "", "indexing.canonical", "pass", "指向本页"}, // %c3%a9 is %C3%A9
        {"/café", "", "indexing.lang", "pass", "en"},
        {"/中文/page", "", "indexing.robots_txt", "fail", "Googlebot（Disallow: /中文/）"},
        {"/headers", "", "indexing.noindex", "fail", "noindex）：所有搜索引擎"}, // not googlebot's
        {"/headers", "", "indexing.nofollow", "warn", "googlebot"},
        {"/headers", "", "technical.charset", "pass", ""}, // UTF-8 and utf8 agree
        // where a Chinese keyword appears, found without spaces
        {"/good", "二手房", "keyword.title", "pass", ""},
        {"/good", "二手房", "keyword.description", "pass", ""},
        {"/good", "二手房", "keyword.h1", "pass", ""},
        {"/good", "二手房", "keyword.first_paragraph", "pass", ""},
        {"/good", "二手房", "keyword.image_alt", "pass", "1 张"},
        {"/good", "二手房", "keyword.link_text", "pass", "1 个"},
        {"/good", "过户", "keyword.title", "pass", ""},
        {"/good", "过户", "keyword.h1", "warn", ""},
        {"/private/gbk", "二手房", "keyword.density", "warn", "出现 4 次"},
        {"/private/gbk", "二手房", "keyword.description", "warn", ""},
    };
    for (const auto &[path, keyword, id, verdict, detail] : cases) {
        SCOPED_TRACE(std::string(path) + " " + keyword + " " + id);
        const json found = finding(analysis(path, keyword), id);
        ASSERT_FALSE(found.is_null());
        EXPECT_EQ(found["verdict"], verdict);
        EXPECT_NE(found["detail"].get<std::string>().find(detail), std::string::npos) << found["detail"];
    }
}

TEST_F(AuditTest, ReportsEveryFigureOfThePage)
{
    const json &gbk = analysis("/private/gbk", "二手房");
    EXPECT_EQ(gbk["meta"]["title"]["text"], "北京二手房价格走势与购房建议（2026年）");
    EXPECT_EQ(gbk["meta"]["title"]["length"], 21);
    EXPECT_EQ(gbk["meta"]["title"]["width"], 38);
    EXPECT_EQ(gbk["charset"]["used"], "GB18030");
    EXPECT_TRUE(gbk["keyword"]["in_title"]);
    EXPECT_EQ(gbk["keywords"][0]["word"], "二手房");
    EXPECT_EQ(gbk["keywords"][0]["occurrences"], 4);

    const json &moved = analysis("/moved");
    EXPECT_EQ(moved["final_url"], target_server->url("/good"));
    ASSERT_EQ(moved["fetch"]["redirects"].size(), 1u);
    EXPECT_EQ(moved["fetch"]["redirects"][0]["status"], 302);

    const json &good = analysis("/good");
    EXPECT_EQ(good["headings"].size(), 3u);
    EXPECT_EQ(good["images"]["count"], 1);
    // The page made to pass passes everything it is judged on.
    EXPECT_EQ(good["audit"]["summary"]["warn"], 0) << good["audit"].dump();
    EXPECT_EQ(good["audit"]["summary"]["fail"], 0);
    EXPECT_EQ(good["audit"]["summary"]["score"], 100);
}

// A site's robots.txt that is huge, binary or never ends changes its own finding only.
TEST_F(AuditTest, HostileRobotsFilesChangeNothingButTheirFinding)
{
    // The verdicts on the good page, served by a site whose robots.txt `robots` writes, if any.
    const auto findings_with = [](const std::function<void(httplib::Response &)> &robots) {
        const std::string page = good_page("example.com");
        const TargetServer server{[&](httplib::Server &http) {
            http.Get("/good", [&page](auto &, auto &response) {
                response.set_content(page, "text/html; charset=utf-8");
            });
            if (robots)
                http.Get("/robots.txt", [&robots](auto &, auto &response) { robots(response); });
        }};
        const auto result =
            get_local(running_site->port(), "/api/analyze?url=" + percent_encoded(server.url("/good")));
        EXPECT_TRUE(result && result->status == 200);
        const json answer = json::parse(result ? result->body : "{}");
        std::map<std::string, std::string> verdicts;
        for (const json &found : answer["audit"]["findings"])
            verdicts[found["id"]] = found["verdict"];
        return verdicts;
    };
    const std::map<std::string, std::string> expected = findings_with(nullptr);
    EXPECT_EQ(expected.at("indexing.robots_txt"), "pass");
    std::map<std::string, std::string> endless = findings_with([](httplib::Response &response) {
        response.set_content_provider("text/plain", [](std::size_t, httplib::DataSink &sink) {
            const std::string chunk(64 * 1024, 'D'); // no line ends: a file that never ends
            return sink.write(chunk.data(), chunk.size());
        });
    });
    EXPECT_EQ(endless["indexing.robots_txt"], "warn");
    endless["indexing.robots_txt"] = "pass";
    EXPECT_EQ(endless, expected);
    const auto binary = [](httplib::Response &response) { // no rule can be read from it: all allowed
        static constexpr char kBytes[] = "\0\xff\xfeUser-agent: *\0Disallow\x80: /\n";
        response.set_content(std::string(kBytes, sizeof kBytes - 1), "text/plain");
    };
    std::map<std::string, std::string> unreadable = findings_with(binary);
    EXPECT_EQ(unreadable["indexing.robots_syntax"], "warn");
    unreadable.erase("indexing.robots_syntax");
    EXPECT_EQ(unreadable, expected);
}

// Lines crawlers skip are reported with their numbers, and the valid rules around them
// still decide.
TEST_F(AuditTest, ReportsRobotsLinesThatCrawlersSkip)
{
    const TargetServer server{[](httplib::Server &http) {
        http.Get("/page", [](auto &, auto &response) {
            response.set_content("<html><body>页面</body></html>", "text/html; charset=utf-8");
        });
        http.Get("/robots.txt", [](auto &, auto &response) {
            response.set_content("User-agent: *\nDisalow: /\nDisallow: private/\nDisallow: /page\n",
                                 "text/plain");
        });
    }};
    const auto result =
        get_local(running_site->port(), "/api/analyze?url=" + percent_encoded(server.url("/page")));
    ASSERT_TRUE(result && result->status == 200);
    const json answer = json::parse(result->body);
    EXPECT_EQ(finding(answer, "indexing.robots_txt")["verdict"], "fail");
    const json syntax = finding(answer, "indexing.robots_syntax");
    EXPECT_EQ(syntax["verdict"], "warn");
    EXPECT_NE(
        syntax["detail"].get<std::string>().find("2 行蜘蛛无法识别：第 2 行 “Disalow: /”：无法识别的指令；第 "
                                                 "3 行 “Disallow: private/”：路径应以 / 或 * 开头"),
        std::string::npos)
        << syntax["detail"];
}

} // namespace
