#include "site/html_document.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>

namespace {

struct TextCase
{
    friend void PrintTo(const TextCase& c, std::ostream* out) { *out << c.name; }

    const char* name;
    std::string body_html;
    std::string expected_text;
};

class SpiderTextTest : public testing::TestWithParam<TextCase>
{
};

TEST_P(SpiderTextTest, KeepsWhatAReaderSees)
{
    const TextCase& c = GetParam();
    const seo::PageContent content =
        seo::read_page("<!DOCTYPE html><html><head><title>t</title></head><body>" + c.body_html +
                       "</body></html>");
    EXPECT_EQ(content.text, c.expected_text);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, SpiderTextTest,
    testing::Values(
        TextCase{"BlocksOnTheirOwnLines", "<h1>标题</h1><p>第一段<b>加粗</b>文字</p><div>第二段</div>",
                 "标题\n第一段加粗文字\n第二段"},
        TextCase{"WhiteSpaceCollapsed", "  <p>  a \t\n  b&nbsp;&nbsp;c  </p>\n\n<p>d</p>  ", "a b c\nd"},
        TextCase{"LineBreaks", "一<br>二<br><br>三", "一\n二\n三"},
        TextCase{"CodeAndStylesDropped",
                 "<script>var a = '<p>x</p>';</script><style>p{}</style><noscript>开启脚本</noscript>"
                 "<template><p>模板</p></template>正文",
                 "正文"},
        TextCase{"HiddenElementsDropped",
                 "<div hidden>一</div><div style=\"color:red; DISPLAY : none\">二</div>"
                 "<span style=\"visibility:hidden\">三</span><input type=\"hidden\" value=\"四\">可见",
                 "可见"},
        TextCase{"ImageAltTextKept", "图<img src=\"x.png\" alt=\"产品照片\">片", "图 产品照片 片"},
        TextCase{"TableCellsSeparated",
                 "<table><tr><td>甲</td><td>乙</td></tr><tr><th>丙</th><td>丁</td></tr></table>",
                 "甲 乙\n丙 丁"},
        TextCase{"ListItems", "<ul><li>one</li><li>two</li></ul>", "one\ntwo"},
        TextCase{"EntitiesDecoded", "<p>&lt;b&gt; &amp; &#x4E2D;&#25991;</p>", "<b> & 中文"},
        TextCase{"SvgTextDropped", "<svg><text>图形</text></svg>文字", "文字"},
        TextCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST(MetaTags, ReadsTitleKeywordsAndDescription)
{
    const seo::PageContent content = seo::read_page(
        "<html><head><title>\n  网站 标题 \n</title>"
        "<META NAME=\"KeyWords\" CONTENT=\"seo, 优化\">"
        "<meta name=\"Description\" content=\"  一段\n描述  \">"
        "<meta name=\"description\" content=\"第二个描述被忽略\"></head><body>x</body></html>");
    EXPECT_EQ(content.title, "网站 标题");
    EXPECT_EQ(content.keywords, "seo, 优化");
    EXPECT_EQ(content.description, "一段 描述");
}

TEST(MetaTags, MissingTagsGiveEmptyTexts)
{
    const seo::PageContent content = seo::read_page("<p>only text</p>");
    EXPECT_EQ(content.title, "");
    EXPECT_EQ(content.keywords, "");
    EXPECT_EQ(content.description, "");
    EXPECT_EQ(content.text, "only text");
}

TEST(MetaTags, TitleOfSvgIsNotThePageTitle)
{
    const seo::PageContent content =
        seo::read_page("<body><svg><title>图形说明</title></svg><p>x</p></body>");
    EXPECT_EQ(content.title, "");
}

TEST(SpiderText, NestingWithinTheLimitDoesNotExhaustTheStack)
{
    std::string html;
    for (int i = 0; i < 1000; ++i)
        html += "<span>";
    html += "深处";
    const seo::PageContent content = seo::read_page(html);
    EXPECT_EQ(content.text, "深处");
}

}  // namespace
