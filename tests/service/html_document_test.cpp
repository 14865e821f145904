#include "read/html_document.h"
#include "read/html_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

namespace {

seo::PageContent read(const std::string &html)
{
    auto read = seo::read_page(html, seo::ParseBudget::for_page(html.size()));
    if (const auto *unreadable = std::get_if<seo::Unreadable>(&read))
        ADD_FAILURE() << unreadable->reason;
    return std::get_if<seo::PageContent>(&read) ? std::get<seo::PageContent>(read) : seo::PageContent{};
}

std::string repeated(const std::string &piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(SpiderText, KeepsWhatAReaderSees)
{
    // What each shows, the body's markup and the text read from it.
    const std::tuple<const char *, std::string, std::string> cases[] = {
        {"blocks on their own lines", "<h1>标题</h1><p>第一段<b>加粗</b>文字</p><div>第二段</div>",
         "标题\n第一段加粗文字\n第二段"},
        {"white space collapsed", "  <p>  a \t\n  b&nbsp;&nbsp;c  </p>\n\n<p>d</p>  ", "a b c\nd"},
        {"line breaks", "一<br>二<br><br>三", "一\n二\n三"},
        {"code and styles dropped",
         "<script>var a = '<p>x</p>';</script><style>p{}</style><noscript>开启脚本</noscript>"
         "<template><p>模板</p></template>正文",
         "正文"},
        {"hidden elements dropped",
         "<div hidden>一</div><div style=\"color:red; DISPLAY : none\">二</div>"
         "<span style=\"visibility:hidden\">三</span><input type=\"hidden\" value=\"四\">可见",
         "可见"},
        {"image alt text kept", "图<img src=\"x.png\" alt=\"产品照片\">片", "图 产品照片 片"},
        {"table cells", "<table><tr><td>甲</td><td>乙</td></tr><tr><th>丙</th><td>丁</td></tr></table>",
         "甲 乙\n丙 丁"},
        {"list items", "<ul><li>one</li><li>two</li></ul>", "one\ntwo"},
        {"entities decoded", "<p>&lt;b&gt; &amp; &#x4E2D;&#25991;</p>", "<b> & 中文"},
        {"svg dropped, its title too", "<svg><title>图形说明</title><text>图形</text></svg>文字", "文字"},
        {"nesting within the limit", repeated("<span>", 1000) + "深处", "深处"},
        {"empty", "", ""},
    };
    for (const auto &[name, body_html, text] : cases) {
        const std::string html = "<!DOCTYPE html><html><head><title>t</title></head><body>" + body_html;
        EXPECT_EQ(read(html).text, text) << name;
    }
}

// The texts of the ranges, trimmed, joined by '|'.
std::string texts_of(const std::string &text, const std::vector<seo::TextRange> &ranges)
{
    std::string out;
    for (const seo::TextRange &range : ranges) {
        std::string piece = text.substr(range.begin, range.end - range.begin);
        piece.erase(0, piece.find_first_not_of("\n "));
        piece.erase(piece.find_last_not_of("\n ") + 1);
        out += (out.empty() ? "" : "|") + piece;
    }
    return out;
}

TEST(SiteFurniture, IsToldFromThePagesOwnContent)
{
    // What each shows, a page, and the texts of its furniture and of the links in it.
    const std::tuple<const char *, std::string, const char *, const char *> cases[] = {
        {"navigation and its links", "<nav><a href=/>首页</a> <a href=/c>手机</a></nav><p>正文</p>",
         "首页 手机", "首页 手机"}, // ranges that touch are one
        {"the site's header and footer, not an article's",
         "<header>优品商城</header><article><header><h1>标题</h1></header><p>正文</p><footer>作者</footer>"
         "</article><footer>版权所有</footer>",
         "优品商城|版权所有", ""},
        {"class names and ids, and roles; a restaurant's menu is content",
         "<div id=breadcrumb>首页 &gt; 手机</div><div class='side_nav hot'>热门</div>"
         "<div role=search>找</div><div class=menu>红烧肉</div><div class=navigator>正文</div>",
         "首页 > 手机\n热门\n找", ""},
        {"furniture within furniture",
         "<header><nav><a href=/>首页</a></nav><button>搜索</button></header>"
         "<p>正文</p><aside>热门</aside>",
         "首页\n搜索|热门", "首页"},
        {"controls", "<p>正文 <button>搜索</button> <select><option>北京</option></select></p>", "搜索\n北京",
         ""},
        {"short texts item after item, digits and labels' values aside",
         repeated("<div><p>颜色：黑色</p><p>这台手机很好用</p><a href=#>有用(3)</a></div>", 2)
             + "<div><p>颜色：白色</p><p>物流很快</p><a href=#>有用(12)</a></div>",
         "颜色：黑色|有用(3)|颜色：黑色|有用(3)|颜色：白色|有用(12)", "有用(3)|有用(3)|有用(12)"},
        {"labels in lines of them, item after item",
         "<p>楼主 发表于 2023-01-08 08:20 只看该作者</p><p>正文一</p>"
         "<p>沙发 发表于 2024-01-26 23:42 只看该作者</p><p>正文二</p>"
         "<p>板凳 发表于 2023-09-20 14:04 只看该作者</p><p>正文三</p>",
         "发表于|只看该作者|发表于|只看该作者|发表于|只看该作者", ""},
        {"sentences, with their inline elements, and headings repeat in documentation",
         repeated("<h4>Syntax</h4><p>选择「<span>编辑 - 数据库</span>」。</p><p><em>StDev</em> is the "
                  "deviation.</p>",
                  3),
         "", ""},
        {"twice is no pattern, nor a long text",
         repeated("<p>有用</p><p>这是一段足足超过二十四个字符的长句子，评论区里常见的那种文字</p>", 2)
             + "<p>这是一段足足超过二十四个字符的长句子，评论区里常见的那种文字</p>",
         "", ""},
    };
    for (const auto &[what, html, chrome, links] : cases) {
        const seo::PageContent content = read(html);
        EXPECT_EQ(texts_of(content.text, content.layout.chrome), chrome) << what;
        EXPECT_EQ(texts_of(content.text, content.layout.links), links) << what;
    }
}

TEST(MetaTags, ReadsTitleKeywordsAndDescription)
{
    const seo::PageContent content =
        read("<html><head><title>\n  网站 标题 \n</title>"
             "<META NAME=\"KeyWords\" CONTENT=\"seo, 优化\">"
             "<meta name=\"Description\" content=\"  一段\n描述  \">"
             "<meta name=\"description\" content=\"第二个描述被忽略\"></head><body>x</body></html>");
    EXPECT_EQ(content.title, "网站 标题");
    EXPECT_EQ(content.keywords, "seo, 优化");
    EXPECT_EQ(content.description, "一段 描述");

    // Missing tags give empty texts; an SVG's title is not the page's.
    const seo::PageContent bare = read("<svg><title>图形说明</title></svg><p>only text</p>");
    EXPECT_EQ(bare.title + bare.keywords + bare.description, "");
}

// Headings, links and paragraphs nested in one another each keep an excerpt of what they
// hold, not a copy of it: the texts read from a page stay within a bound of their own.
TEST(PageParts, KeepExcerptsNotCopies)
{
    const std::string text = repeated("搜索引擎优化", 20'000); // 360 KB
    // What holds the text: its opening and its closing markup.
    const std::tuple<const char *, std::string, std::string> cases[] = {
        {"headings nested 40 deep", repeated("<h1><span>", 40), repeated("</span></h1>", 40)},
        {"links nested in headings", repeated("<h2><a href=\"/x\">", 40), repeated("</a></h2>", 40)},
        {"a paragraph", "<p>", "</p>"},
        {"an image's alternative text", "<img alt=\"", "\">"},
    };
    for (const auto &[name, open, close] : cases) {
        SCOPED_TRACE(name);
        const seo::PageContent content = read("<html><body>" + open + text + close + "</body></html>");
        std::size_t excerpts = content.first_paragraph.size();
        for (const auto &heading : content.headings)
            excerpts += heading.text.size();
        for (const auto &link : content.links)
            excerpts += link.text.size();
        for (const auto &image : content.images)
            excerpts += image.alt.size();
        EXPECT_GT(excerpts, 0u);
        EXPECT_LE(excerpts, 80 * seo::PageContent::kMaxExcerptBytes);
        // Cut where a character begins: the excerpt is a beginning of the text.
        const std::string first = !content.headings.empty() ? content.headings.front().text
            : !content.images.empty()                       ? content.images.front().alt
                                                            : content.first_paragraph;
        EXPECT_TRUE(text.starts_with(first)) << first.size();
        EXPECT_EQ(content.text.size(), text.size());
    }
}

// A CPU-time budget that runs out as the parse ends gives either the tree or a refusal,
// never a jump into a parse that has returned. The budgets are spread around what the
// page takes on this machine, so that some run out before the end and some after.
TEST(HtmlTree, ABudgetRunningOutAsTheParseEndsIsSafe)
{
    const std::string html = "<html><body>" + repeated("<p>文字 <b>text</b></p>", 10000);
    const auto cpu_now = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    };
    const auto before = cpu_now();
    ASSERT_TRUE(std::holds_alternative<seo::HtmlTree>(
        seo::HtmlTree::parse(html, {std::chrono::seconds(60), 1 << 30})));
    const auto took = std::chrono::ceil<std::chrono::milliseconds>(cpu_now() - before);
    std::size_t trees = 0, overruns = 0;
    for (auto budget = took / 4 + std::chrono::milliseconds(1); budget <= 4 * took;
         budget += took / 8 + std::chrono::milliseconds(1)) {
        auto parsed = seo::HtmlTree::parse(html, {budget, 1 << 30});
        if (const auto *tree = std::get_if<seo::HtmlTree>(&parsed)) {
            ASSERT_NE(tree->root(), nullptr);
            ++trees;
        } else {
            ++overruns;
        }
    }
    EXPECT_GT(trees, 0u);
    EXPECT_GT(overruns, 0u);
}

// Markup-dense pages that browsers render in well under a second are read, not refused as
// too complex; pages built to make the parser crash, spin or swell are refused with a
// reason, each within its budget, and the process lives on.
TEST(HtmlDocument, ReadsDensePagesAndRefusesHostileOnes)
{
    const std::string body = "<html><body>";
    const auto sized = [&body](const std::string &piece, std::size_t bytes) {
        std::string html = body;
        while (html.size() < bytes)
            html += piece;
        return html + "</body></html>";
    };
    const std::size_t kib = 1024;
    std::string attributes = "<p";
    for (int i = 0; i < 100'000; ++i)
        attributes += " a" + std::to_string(i);
    // A page, and the outcomes it may have: "read", or a part of the reason it was refused.
    const std::tuple<const char *, std::string, std::vector<std::string>> cases[] = {
        {"a 1 MiB table", sized("<tr><td>1</td><td>22</td><td>333</td></tr>\n", 1024 * kib), {"read"}},
        {"a 512 KiB list", sized("<li>item</li>\n", 512 * kib), {"read"}},
        {"741 KiB of highlighted source",
         sized("<span class=\"kw\">fn</span> <span class=\"ident\">main</span>() {}\n", 741 * kib),
         {"read"}},
        {"256 KiB of line breaks", sized("a<br>", 256 * kib), {"read"}},
        // gumbo's own release of this tree recurses 300,000 levels deep. A slow machine
        // (a sanitizer build beside other work) may spend the parse's time on it first.
        {"unclosed elements, deeper than a stack", body + repeated("<q/>", 300'000), {"嵌套过深", "超时"}},
        {"upper-case raw text does not hide depth",
         "<SCRIPT>x</SCRIPT><Title>t</Title>" + repeated("<rt>", 2000),
         {"嵌套过深"}},
        {"unmatched end tags do not lower depth", body + repeated("<span></zz>", 2000), {"嵌套过深"}},
        {"one element, 100,000 attributes", body + attributes + ">", {"超时"}},
        {"nested blocks, quadratic scope checks", body + repeated("<div/>", 40'000), {"超时"}},
        // no memory is asked for while the parser scans 20,000 open elements per letter
        {"formatting element under deep nesting, then text",
         body + repeated("<q/>", 20'000) + "<b>" + std::string(1'000'000, 'x'),
         {"超时"}},
    };
    for (const auto &[name, html, outcomes] : cases) {
        auto read = seo::read_page(html, seo::ParseBudget::for_page(html.size()));
        const auto *unreadable = std::get_if<seo::Unreadable>(&read);
        const std::string outcome = unreadable ? unreadable->reason : "read";
        EXPECT_TRUE(std::ranges::any_of(
            outcomes, [&](const std::string &part) { return outcome.find(part) != std::string::npos; }))
            << name << ": " << outcome;
    }
}

} // namespace
