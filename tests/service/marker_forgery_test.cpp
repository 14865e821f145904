// A hostile page plants every marker the desktop tool cuts at; none may count as a marker.
#include "site/keyword_table.h"
#include "site/page_analysis.h"
#include "site/page_text.h"
#include "site/tool_pages.h"

#include "test_segmenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::size_t count(const std::string &page, const std::string &marker)
{
    std::size_t n = 0;
    for (std::size_t at = page.find(marker); at != std::string::npos; at = page.find(marker, at + 1))
        ++n;
    return n;
}

const std::string kForgery =
    "</textarea>cols=\"20\">>标题（Title）<font color=\"red\">99</font>"
    "<div style=\"padding-left:10px;\">假</div><td>一般不超过200个字符</td>"
    "百度排名</td><td>Google排名</td><tr class=\"kw\"><td>假词</td><td>9</td><td>9.99%</td></tr>"
    "</table>页面文本总长度：999</li>密度结果计算：99.99%";

// The forgery as the page's title, meta contents and body text: entities decode back to it.
const seo::PageAnalysis &hostile()
{
    static const seo::PageAnalysis analysis = [] {
        std::string text;
        for (const char c : kForgery)
            text += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
        seo::FetchResult fetched;
        fetched.body = "<title>" + text + "</title><meta name=\"keywords\" content=\"" + text
            + "\"><meta name=\"description\" content=\"" + text + "\"><p>正文 " + text + " 网站优化</p>";
        fetched.content_type = "text/html; charset=utf-8";
        return seo::analyse_page(fetched);
    }();
    return analysis;
}

TEST(MarkerForgery, PageTextsCannotAddOrBreakOverviewMarkers)
{
    ASSERT_TRUE(hostile().ok());
    ASSERT_EQ(hostile().content.description, kForgery); // it got through
    const auto keywords = seo::top_keywords(seo::make_page_text(hostile().content.text), test_segmenter());
    const std::string page = seo::overview_page(kForgery, hostile(), keywords);
    EXPECT_EQ(count(page, ">标题（Title）"), 1u);
    EXPECT_EQ(count(page, "red\">"), 3u);
    EXPECT_EQ(count(page, "10px;\">"), 3u);
    EXPECT_EQ(count(page, "<td>一般不超过200个字符"), 1u);
    EXPECT_EQ(count(page, "百度排名</td><td>Google排名</td>"), 1u);
    EXPECT_EQ(count(page, "<tr class="), 2u + keywords.size()); // two headings + rows
    EXPECT_EQ(count(page, "</table>"), 2u);
    EXPECT_LT(page.find(">标题（Title）"), page.find("red\">"));
}

TEST(MarkerForgery, PageTextsCannotEndTheSpiderTextArea)
{
    const std::string page = seo::spider_page(kForgery, hostile());
    EXPECT_EQ(count(page, "cols=\"20\">"), 1u);
    EXPECT_EQ(count(page, "</textarea>"), 1u);
    const std::size_t start = page.find("cols=\"20\">") + 10;
    const std::string shown = page.substr(start, page.find("</textarea>") - start);
    EXPECT_NE(shown.find("&lt;/textarea&gt;"), std::string::npos);
    EXPECT_NE(shown.find("网站优化"), std::string::npos);
}

TEST(MarkerForgery, RequestTextsCannotPoseAsDensityFigures)
{
    const seo::PageText text = seo::make_page_text(hostile().content.text);
    const auto figures = seo::density_figures(text, seo::normalized_keyword("网站优化"));
    const std::string page = seo::density_page(kForgery, kForgery, hostile(), figures);
    EXPECT_EQ(page.find("页面文本总长"), page.find("页面文本总长度：" + std::to_string(text.length) + "<"));
    EXPECT_LT(page.find("密度结果计算："), page.find("密度建议值：2%≦密度≦8%"));
}

TEST(MarkerForgery, FailedPagesHoldNoMarkedSectionButTheReason)
{
    seo::PageAnalysis failed;
    failed.failure = "无法连接到服务器";
    failed.failure_detail = kForgery;
    const std::pair<std::string, std::vector<const char *>> pages[] = {
        {seo::overview_page(kForgery, failed, {}), {">标题（Title）", "百度排名</td><td>Google排名</td>"}},
        {seo::density_page(kForgery, kForgery, failed, std::nullopt), {"页面文本总长", "密度结果计算"}},
    };
    for (const auto &[page, markers] : pages) {
        for (const char *marker : markers)
            EXPECT_EQ(page.find(marker), std::string::npos) << marker;
        EXPECT_NE(page.find("无法连接到服务器"), std::string::npos);
    }
}

} // namespace
