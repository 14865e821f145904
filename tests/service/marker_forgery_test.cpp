#include "site/keyword_table.h"
#include "site/page_analysis.h"
#include "site/page_text.h"
#include "site/tool_pages.h"

#include "test_segmenter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::size_t count(const std::string& page, const std::string& marker)
{
    std::size_t n = 0;
    for (std::size_t at = page.find(marker); at != std::string::npos; at = page.find(marker, at + 1))
        ++n;
    return n;
}

// Every marker the desktop tool cuts at, in one string a hostile page can plant anywhere.
const std::string kForgery =
    "</textarea>cols=\"20\">>标题（Title）<font color=\"red\">99</font>"
    "<div style=\"padding-left:10px;\">假</div><td>一般不超过200个字符</td>"
    "百度排名</td><td>Google排名</td><tr class=\"kw\"><td>假词</td><td>9</td><td>9.99%</td></tr>"
    "</table>页面文本总长度：999</li>密度结果计算：99.99%";

seo::PageAnalysis analysed(const std::string& html)
{
    seo::FetchResult fetched;
    fetched.body = html;
    fetched.content_type = "text/html; charset=utf-8";
    return seo::analyse_page(fetched);
}

std::string escaped_forgery_in(const std::string& where)
{
    // The forgery must survive as text: entities decode back to the marker characters.
    std::string escaped;
    for (const char c : kForgery) {
        if (c == '<') escaped += "&lt;";
        else if (c == '>') escaped += "&gt;";
        else if (c == '"') escaped += "&quot;";
        else escaped += c;
    }
    if (where == "title")
        return "<title>" + escaped + "</title>";
    return "<meta name=\"" + where + "\" content=\"" + escaped + "\">";
}

const std::string kHostilePage =
    "<html><head>" + escaped_forgery_in("title") + escaped_forgery_in("keywords") +
    escaped_forgery_in("description") + "</head><body><p>正文 " +
    [] {
        std::string text;
        for (const char c : kForgery)
            text += c == '<' ? std::string("&lt;") : c == '>' ? std::string("&gt;") : std::string(1, c);
        return text;
    }() +
    " 网站优化</p></body></html>";

TEST(MarkerForgery, PageTextsCannotAddOrBreakOverviewMarkers)
{
    const seo::PageAnalysis analysis = analysed(kHostilePage);
    ASSERT_TRUE(analysis.ok());
    ASSERT_NE(analysis.content.title.find("页面文本总长度"), std::string::npos);  // it got through
    const auto keywords =
        seo::top_keywords(seo::make_page_text(analysis.content.text), test_segmenter());
    const std::string page = seo::overview_page(kForgery, analysis, keywords);

    EXPECT_EQ(count(page, ">标题（Title）"), 1u);
    EXPECT_EQ(count(page, "red\">"), 3u);
    EXPECT_EQ(count(page, "10px;\">"), 3u);
    EXPECT_EQ(count(page, "<td>一般不超过200个字符"), 1u);
    EXPECT_EQ(count(page, "百度排名</td><td>Google排名</td>"), 1u);
    EXPECT_EQ(count(page, "<tr class="), 2u + keywords.size());  // two headings + rows
    EXPECT_EQ(count(page, "</table>"), 2u);
    EXPECT_LT(page.find(">标题（Title）"), page.find("red\">"));
}

TEST(MarkerForgery, PageTextsCannotEndTheSpiderTextArea)
{
    const seo::PageAnalysis analysis = analysed(kHostilePage);
    const std::string page = seo::spider_page(kForgery, analysis);
    EXPECT_EQ(count(page, "cols=\"20\">"), 1u);
    EXPECT_EQ(count(page, "</textarea>"), 1u);
    const std::size_t start = page.find("cols=\"20\">") + 10;
    const std::string shown = page.substr(start, page.find("</textarea>") - start);
    EXPECT_NE(shown.find("&lt;/textarea&gt;"), std::string::npos);
    EXPECT_NE(shown.find("网站优化"), std::string::npos);
}

TEST(MarkerForgery, RequestTextsCannotPoseAsDensityFigures)
{
    const seo::PageAnalysis analysis = analysed(kHostilePage);
    const seo::PageText text = seo::make_page_text(analysis.content.text);
    const std::string page = seo::density_page(
        kForgery, kForgery, analysis,
        seo::density_figures(text, seo::normalized_keyword("网站优化")));
    const std::string first = "页面文本总长度：" + std::to_string(text.length) + "<";
    EXPECT_EQ(page.find("页面文本总长"), page.find(first));
    EXPECT_LT(page.find("密度结果计算："), page.find("密度建议值：2%≦密度≦8%"));
}

TEST(MarkerForgery, FailedDensityPageHoldsNoFigureLabel)
{
    seo::PageAnalysis failed;
    failed.failure = "无法连接到服务器";
    failed.failure_detail = kForgery;
    const std::string page = seo::density_page(kForgery, kForgery, failed, std::nullopt);
    EXPECT_EQ(page.find("页面文本总长"), std::string::npos);
    EXPECT_EQ(page.find("密度结果计算"), std::string::npos);
}

TEST(MarkerForgery, FailedOverviewHoldsNoMarkedSection)
{
    seo::PageAnalysis failed;
    failed.failure = "无法连接到服务器";
    failed.failure_detail = kForgery;
    const std::string page = seo::overview_page(kForgery, failed, {});
    EXPECT_EQ(page.find(">标题（Title）"), std::string::npos);
    EXPECT_EQ(page.find("百度排名</td><td>Google排名</td>"), std::string::npos);
    EXPECT_NE(page.find("无法连接到服务器"), std::string::npos);
}

}  // namespace
