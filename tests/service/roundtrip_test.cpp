// The service's pages read back by the desktop tool's own parsers.
#include "running_site.h"
#include "target_server.h"
#include "test_language.h"

#include "queries/densityfigures.h"
#include "queries/keywordtable.h"
#include "queries/metatags.h"
#include "queries/spidertext.h"
#include "update/updateversion.h"

#include "base/unicode_text.h"
#include "reports/page_reading.h"
#include "words/keyword_table.h"
#include "words/page_text.h"

#include <gtest/gtest.h>

#include <QString>

#include <map>
#include <tuple>
#include <utility>

namespace {

QString q(const std::string &utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// path: body, content type
const std::map<std::string, std::pair<std::string, std::string>> kTargetPages = {
    {"/chinese",
     {"<html><head><meta charset=\"utf-8\"><title>数据库服务器性能优化指南</title>"
      "<meta name=\"keywords\" content=\"数据库,服务器,优化\">"
      "<meta name=\"description\" content=\"介绍数据库服务器的性能优化方法。\"></head>"
      "<body><h1>数据库优化</h1><p>数据库服务器的性能优化是管理员的重要工作。</p>"
      "<ul><li>索引优化</li><li>查询优化</li><li>服务器配置</li></ul></body></html>",
      "text/html; charset=utf-8"}},
    {"/mixed",
     {"<html><head><title>SEO优化教程 | Google排名</title></head><body>"
      "<p>SEO是搜索引擎优化的缩写。Google和百度都重视原创内容。</p>"
      "<p>Keyword density 关键词密度 should stay between 2% and 8%. SEO SEO</p>"
      "</body></html>",
      "text/html; charset=UTF-8"}},
};

class RoundTrip : public testing::Test
{
protected:
    TargetServer target{[](httplib::Server &http) {
        for (const auto &[path, page] : kTargetPages)
            http.Get(path,
                     [&page](auto &, auto &response) { response.set_content(page.first, page.second); });
        // Pages that cannot be analysed; targets that cannot be fetched are one case here,
        // their reasons are fetcher_test's.
        http.Get("/binary", [](auto &, auto &response) {
            response.set_content(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xFF\xFE<title>x", 24),
                                 "text/html");
        });
        http.Get("/empty", [](auto &, auto &response) { response.set_content("", "text/html"); });
        http.Get("/missing", [](auto &, auto &response) { response.status = 404; });
    }};
    RunningSite site;

    QString page(const std::string &path)
    {
        const auto result = get_local(site.port(), path);
        EXPECT_TRUE(result);
        return result ? q(result->body) : QString();
    }

    QString overview(const std::string &url) { return page("/?q=" + percent_encoded(url)); }
    QString spider(const std::string &url) { return page("/Tools/Robot.aspx?url=" + percent_encoded(url)); }
    QString density(const std::string &kw, const std::string &url)
    {
        return page("/Tools/Density.aspx?kw=" + percent_encoded(kw) + "&url=" + percent_encoded(url));
    }
};

TEST_F(RoundTrip, ToolReadsTheFiguresTheServiceComputedAndTheNewestVersion)
{
    EXPECT_EQ(parseUpdateVersion(page("/veltro/shenji.txt")), QStringLiteral("9.1"));
    for (const auto &[path, served] : kTargetPages) {
        SCOPED_TRACE(path);
        const std::string url = target.url(path);
        // What the service should compute, straight from the library.
        seo::FetchResult fetched;
        std::tie(fetched.body, fetched.content_type) = served;
        const seo::PageReading analysis = seo::read_fetched_page(fetched);
        ASSERT_TRUE(analysis.ok());
        const seo::PageContent &content = analysis.content;
        const seo::PageText text(content.text, test_language());
        const auto keywords = seo::top_keywords(text, test_language());
        ASSERT_FALSE(keywords.empty());

        const QString overview_page = overview(url);
        const MetaTags meta = parseMetaTags(overview_page);
        ASSERT_EQ(meta.lengths.size(), 4);
        int slot = 1;
        for (const std::string *field : {&content.title, &content.keywords, &content.description}) {
            EXPECT_EQ(meta.lengths[slot], QString::number(seo::code_point_count(*field)));
            EXPECT_EQ(meta.texts[slot], q(*field)); // as the page has it, no entities
            ++slot;
        }

        const QList<KeywordRow> rows = parseKeywordTable(overview_page);
        ASSERT_EQ(rows.size(), static_cast<qsizetype>(keywords.size()));
        for (std::size_t i = 0; i < keywords.size(); ++i) {
            const auto at = static_cast<qsizetype>(i);
            EXPECT_EQ(rows[at].keyword, q(keywords[i].word));
            EXPECT_EQ(rows[at].occurrences, QString::number(keywords[i].occurrences));
            EXPECT_EQ(rows[at].density, q(seo::format_percent(keywords[i].density)));
        }

        EXPECT_EQ(parseSpiderText(spider(url)), q(content.text));

        const seo::KeywordRow &top = keywords.front();
        const QStringList figures = parseDensityFigures(density(top.word, url));
        ASSERT_EQ(figures.size(), 6);
        EXPECT_EQ(figures[1], QString::number(text.length()));
        EXPECT_EQ(figures[2], QString::number(seo::code_point_count(top.word)));
        EXPECT_EQ(figures[3], QString::number(top.occurrences));
        EXPECT_EQ(figures[4], QString::number(top.occurrences * seo::code_point_count(top.word)));
        EXPECT_EQ(figures[5], q(seo::format_percent(top.density))); // agrees with the table
    }
}

// The tool shows cut texts raw: the site writes entities as the characters they stand
// for, and only replaces what would cut a text short, forge a marker or pose as the site's
// words for a failed connection, one character by one, so the length the site gives
// matches what the tool shows.
TEST_F(RoundTrip, ToolShowsPageTextsAsReadersSeeThem)
{
    // A path, its page, and the title, the description and the spider view shown.
    const std::tuple<const char *, const char *, QString, QString, QString> cases[] = {
        {"/entities",
         "<title>Tom &amp; Jerry &lt;3</title><meta name=\"description\" content=\"标题（Title）标签怎么写\">"
         "<p>&lt;b&gt;粗体&lt;/b&gt; &amp; more</p>",
         QStringLiteral("Tom & Jerry ＜3"), QStringLiteral("标题(Title)标签怎么写"),
         QStringLiteral("＜b＞粗体＜/b＞ & more")},
        // The page the browser test opens in Chromium: text that would be markup to a browser.
        {"/hostile", "<title>&lt;b&gt; &amp;copy; 价格</title><p>前文 &lt;/textarea&gt; 后文 &amp;lt;</p>",
         QStringLiteral("＜b＞ &copy; 价格"), QString(), QStringLiteral("前文 ＜/textarea＞ 后文 &lt;")},
        // A page quoting the site's words for a failure is still a page: its text is shown.
        {"/quote", "<p>出错提示“基础连接已经关闭：连接被意外关闭”的解决办法</p>", QString(), QString(),
         QStringLiteral("出错提示“基\u2060础连接已经关闭：连接被意外关闭”的解决办法")},
    };
    const TargetServer pages{[&cases](httplib::Server &http) {
        for (const auto &[path, html, title, description, spider_text] : cases)
            http.Get(path, [html](auto &, auto &response) {
                response.set_content(html, "text/html; charset=utf-8");
            });
    }};
    for (const auto &[path, html, title, description, spider_text] : cases) {
        SCOPED_TRACE(path);
        const MetaTags meta = parseMetaTags(overview(pages.url(path)));
        ASSERT_EQ(meta.lengths.size(), 4);
        EXPECT_EQ(meta.texts[1], title);
        EXPECT_EQ(meta.lengths[1], QString::number(title.toUcs4().size()));
        EXPECT_EQ(meta.texts[3], description);
        EXPECT_EQ(meta.lengths[3], QString::number(description.toUcs4().size()));
        EXPECT_EQ(parseSpiderText(spider(pages.url(path))), spider_text);
    }
}

// A failure leaves no figure to read, and the spider view says why: the site's words for
// a failed connection (which the tool turns into its own advice) only for a failed
// connection, the precise reason for any other failure.
TEST_F(RoundTrip, FailuresLeaveTheToolNothingToReadButTheReason)
{
    // An address, and what the spider view says.
    const std::pair<std::string, QString> cases[] = {
        {unreachable_url(), QStringLiteral("请检查网站是否能正常打开")},
        {target.url("/missing"), QStringLiteral("分析服务没有取得这个网页：服务器返回错误状态 HTTP 404")},
        {target.url("/binary"), QStringLiteral("分析服务无法分析这个网页：页面内容不是文本")},
        {target.url("/empty"), QStringLiteral("分析服务无法分析这个网页：页面内容为空")},
        {"ftp://example.com/", QStringLiteral("分析服务没有取得这个网页：只支持 http 和 https 网址")},
    };
    for (const auto &[url, spider_view] : cases) {
        SCOPED_TRACE(url);
        const QString overview_page = overview(url);
        EXPECT_TRUE(overview_page.startsWith(QStringLiteral("<!DOCTYPE html>")));
        EXPECT_TRUE(parseMetaTags(overview_page).isEmpty());
        EXPECT_TRUE(parseKeywordTable(overview_page).isEmpty());
        EXPECT_TRUE(parseDensityFigures(density("网站", url)).isEmpty());
        EXPECT_EQ(parseSpiderText(spider(url)), spider_view);
    }
}

} // namespace
