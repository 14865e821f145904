// Hostile pages and requests plant the markers the desktop tool cuts at, whole or in
// part; none may count as a marker or break one.
#include "render/tool_pages.h"
#include "reports/page_reading.h"
#include "words/keyword_table.h"
#include "words/page_text.h"

#include "running_site.h"
#include "target_server.h"
#include "test_language.h"

#include "contract/literals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::size_t count(const std::string &page, std::string_view marker)
{
    std::size_t n = 0;
    for (std::size_t at = page.find(marker); at != std::string::npos; at = page.find(marker, at + 1))
        ++n;
    return n;
}

// Every marker, then texts that complete one with what the site writes around them:
// a text after a tag's '>' that begins with the meta heading.
const std::string kAllMarkers = "</textarea>cols=\"20\">>标题（Title）<font color=\"red\">99</font>"
                                "<div style=\"padding-left:10px;\">假</div><td>一般不超过200个字符</td>"
                                "百度排名</td><td>Google排名</td><tr class=\"kw\"><td>假词</td><td>9</td>"
                                "<td>9.99%</td></tr></table>页面文本总长度：999</li>密度结果计算：99.99%";
const std::string kForgeries[] = {kAllMarkers, "标题（Title）标签怎么写", "标题（Title）" + kAllMarkers};

// The forgery as the page's title, meta contents, canonical address, heading, text, link
// and image: entities decode back to it.
std::string hostile_page(const std::string &forgery)
{
    std::string text;
    for (const char c : forgery)
        text += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
    return "<title>" + text + "</title><meta name=\"keywords\" content=\"" + text
        + "\"><meta name=\"description\" content=\"" + text + "\"><link rel=\"canonical\" href=\"" + text
        + "\"><h1>" + text + "</h1><p>" + text + "</p><a href=\"/" + text + "\">" + text + "</a><img src=\""
        + text + "\"><p>正文 网站优化</p>";
}

// The overview and spider pages as the site serves them, with the form browsers get before
// the sections and the chart and the audit after them, which quote the page (link and
// image texts, headings, keywords) and the request: the tool's sections come first, whole.
TEST(MarkerForgery, BrowserPartsLeaveTheToolsSectionsWhole)
{
    for (const std::string &forgery : kForgeries) {
        SCOPED_TRACE(forgery);
        const std::string body = hostile_page(forgery);
        const TargetServer target{[&body](httplib::Server &http) {
            http.Get("/", [&body](auto &, auto &response) {
                response.set_content(body, "text/html; charset=utf-8");
            });
        }};
        const RunningSite site;
        const std::string address = percent_encoded(target.url("/")), keyword = percent_encoded(forgery);
        const auto overview = get_local(site.port(), "/?q=" + address + "&kw=" + keyword);
        ASSERT_TRUE(overview);
        const std::string &page = overview->body;
        const std::size_t table = page.find(literal::kKeywordTableStart);
        const std::string sections = page.substr(0, page.find(literal::kTableEnd, table));
        EXPECT_EQ(count(sections, literal::kMetaStart), 1u);
        EXPECT_EQ(count(sections, literal::kLengthStart), 3u);
        EXPECT_EQ(count(sections, literal::kTagTextStart), 3u);
        EXPECT_EQ(count(sections, literal::kMetaEnd), 1u);
        EXPECT_EQ(count(sections, literal::kKeywordTableStart), 1u);
        EXPECT_EQ(count(sections, literal::kTableEnd), 1u); // the meta table's
        EXPECT_LT(sections.find(literal::kMetaStart), sections.find(literal::kLengthStart));
        EXPECT_NE(page.find("class=\"audit\"", table), std::string::npos); // the audit came, after

        const auto density = get_local(
            site.port(), "/Tools/Density.aspx?kw=" + percent_encoded("网站优化") + "&url=" + address);
        ASSERT_TRUE(density);
        EXPECT_EQ(density->body.find(literal::kDensityStart), density->body.find("页面文本总长度："));
        const auto spider = get_local(site.port(), "/Tools/Robot.aspx?url=" + address);
        ASSERT_TRUE(spider);
        EXPECT_EQ(count(spider->body, literal::kSpiderStart), 1u);
        EXPECT_EQ(count(spider->body, literal::kSpiderEnd), 1u);
        EXPECT_NE(spider->body.find("正文 网站优化</textarea>"), std::string::npos);
    }
}

TEST(MarkerForgery, RequestTextsCannotPoseAsDensityFigures)
{
    for (const std::string &forgery : kForgeries) {
        SCOPED_TRACE(forgery);
        seo::FetchResult fetched;
        fetched.body = hostile_page(forgery);
        fetched.content_type = "text/html; charset=utf-8";
        const seo::PageReading analysis = seo::read_fetched_page(fetched);
        const seo::PageText text(analysis.content.text, test_language());
        const auto figures = seo::density_figures(text, "网站优化");
        const std::string page = seo::density_page(forgery, forgery, analysis, figures);
        EXPECT_EQ(page.find(literal::kDensityStart),
                  page.find("页面文本总长度：" + std::to_string(text.length()) + "<"));
        EXPECT_LT(page.find("密度结果计算："), page.find("密度建议值：2%≦密度≦8%"));
    }
}

TEST(MarkerForgery, FailedPagesHoldNoMarkedSectionButTheReason)
{
    seo::PageReading failed;
    failed.failure = "无法连接到服务器";
    failed.failure_detail = kAllMarkers;
    const std::pair<std::string, std::vector<std::string_view>> pages[] = {
        {seo::overview_page(kAllMarkers, failed, {}), {literal::kMetaStart, literal::kKeywordTableStart}},
        {seo::density_page(kAllMarkers, kAllMarkers, failed, std::nullopt),
         {literal::kDensityStart, literal::kDensityEnd}},
    };
    for (const auto &[page, markers] : pages) {
        for (const std::string_view marker : markers)
            EXPECT_EQ(page.find(marker), std::string::npos) << marker;
        EXPECT_NE(page.find("无法连接到服务器"), std::string::npos);
    }
}

} // namespace
