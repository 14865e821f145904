#include "render/tool_pages.h"

#include "base/joined.h"
#include "base/unicode_text.h"
#include "render/page_frame.h"
#include "render/shown_text.h"

#include <contract/site_contract.h>

namespace seo {
namespace {

namespace contract = site_contract;

// A text from the target page or the request, as the reader must get it.
std::string for_reader(Reader reader, std::string_view text)
{
    return reader == Reader::tool ? shown_text(text) : html_escaped(text);
}

std::string full_reason(const PageReading &analysis)
{
    if (analysis.failure_detail.empty())
        return analysis.failure;
    return analysis.failure + " (" + analysis.failure_detail + ")";
}

// What the spider view says when the page could not be had: the tool replaces the site's
// connection-failure words by advice of its own, so they name a failed connection only;
// every other reason is written out, for the tool to show as it is.
std::string failure_text(const PageReading &analysis)
{
    if (analysis.fetch_failure == FetchResult::Failure::connection)
        return joined({contract::spider::kSiteFailure, "：", full_reason(analysis)});
    const bool fetched = analysis.fetch_failure == FetchResult::Failure::none;
    return joined(
        {fetched ? "分析服务无法分析这个网页：" : "分析服务没有取得这个网页：", full_reason(analysis)});
}

std::string failure_paragraph(Reader reader, std::string_view what, std::string_view reason)
{
    return joined({"<p class=\"failure\">", what, "</p>\n<p>原因 ", for_reader(reader, reason), "</p>\n"});
}

std::string address_line(Reader reader, std::string_view url)
{
    return joined({"<p>查询网址 <b>", for_reader(reader, url), "</b></p>\n"});
}

std::string meta_row(Reader reader, std::string_view open, std::string_view text, std::string_view advice)
{
    return joined({open, std::to_string(code_point_count(text)), contract::meta::kLengthClose,
                   for_reader(reader, text), contract::meta::kTextClose, advice, "\n"});
}

std::string meta_section(Reader reader, const PageContent &content)
{
    using namespace contract::meta;
    constexpr std::string_view heading =
        "<h2>网页标签（META）信息</h2>\n<table>\n"
        "<tr class=\"head\"><td>标签</td><td>长度</td><td>内容</td><td>优化建议</td></tr>\n";
    return joined({heading, meta_row(reader, kTitleRowOpen, content.title, kTitleAdvice),
                   meta_row(reader, kKeywordsRowOpen, content.keywords, kKeywordsAdvice),
                   meta_row(reader, kDescriptionRowOpen, content.description, kDescriptionAdvice),
                   "</table>\n"});
}

std::string keyword_section(Reader reader, const std::vector<KeywordRow> &keywords)
{
    using namespace contract::keywords;
    std::string html = joined({"<h2>页面关键词</h2>\n<table>\n", kHeadingRow, "\n"});
    const auto cell = [&html](std::string_view text) { html += joined({kCellStart, text, kCellEnd}); };
    for (const KeywordRow &row : keywords) {
        html += kRowOpen;
        cell(for_reader(reader, row.word));
        cell(std::to_string(row.occurrences));
        cell(format_percent(row.density));
        cell("-");
        cell("-");
        cell(row.in_title && row.in_h1 ? "标题、H1" : row.in_title ? "标题" : row.in_h1 ? "H1" : "");
        html += joined({kRowClose, "\n"});
    }
    html += joined({kTableEnd, "\n<p class=\"note\">排名一栏不查询搜索引擎，显示为 -。</p>\n"});
    return html;
}

} // namespace

std::string spider_page(std::string_view url, const PageReading &analysis, std::string_view after,
                        Reader reader)
{
    const std::string text = analysis.ok()
        ? (reader == Reader::tool ? spider_text(analysis.content.text) : html_escaped(analysis.content.text))
        : for_reader(reader, failure_text(analysis));
    return joined({page_start("搜索蜘蛛模拟抓取"), "<h1>搜索蜘蛛模拟抓取</h1>\n", address_line(reader, url),
                   "<p class=\"note\">下面是搜索引擎蜘蛛看到的页面文字。</p>\n",
                   contract::spider::kTextAreaOpen, text, contract::spider::kTextEnd, "\n", after,
                   page_end()});
}

std::string overview_page(std::string_view url, const PageReading &analysis,
                          const std::vector<KeywordRow> &keywords, std::string_view before,
                          std::string_view after, Reader reader)
{
    std::string html = page_start("SEO综合查询") + "<h1>SEO综合查询</h1>\n" + std::string(before)
        + address_line(reader, url);
    if (!analysis.ok())
        return html
            + failure_paragraph(reader, "无法获取该网址的页面，没有可显示的分析结果。", full_reason(analysis))
            + std::string(after) + page_end();
    return html + meta_section(reader, analysis.content) + keyword_section(reader, keywords)
        + std::string(after) + page_end();
}

std::string density_page(std::string_view url, std::string_view keyword, const PageReading &analysis,
                         const std::optional<DensityFigures> &figures, std::string_view after, Reader reader)
{
    using namespace contract::density;
    // The figures' captions hold no character that shown_text() replaces, so texts from
    // the request or libcurl (which may quote the address) are only shown after the
    // figures, and not at all when there are none: otherwise they could pose as figures.
    std::string html = page_start("关键词密度检测") + "<h1>关键词密度检测</h1>\n";
    if (!analysis.ok())
        return html + failure_paragraph(reader, "无法获取该网址的页面，无法计算密度。", analysis.failure)
            + page_end();
    if (!figures)
        return html + "<p class=\"failure\">请输入要检测的关键字。</p>\n" + page_end();
    const auto item = [&html](std::string_view caption, const std::string &value) {
        html += joined({"<li>", caption, value, "</li>\n"}); // the closing tag ends the value
    };
    html += "<ul>\n";
    item(kTextLengthCaption, std::to_string(figures->text_length));
    item(kKeywordLengthCaption, std::to_string(figures->keyword_length));
    item(kOccurrencesCaption, std::to_string(figures->occurrences));
    item(kKeywordCharactersCaption, std::to_string(figures->keyword_characters));
    item(kDensityCaption, format_percent(figures->percent));
    html += joined({"</ul>\n<p>", kAdvice, "</p>\n"});
    html += joined({"<table>\n<tr><th>关键字</th><td>", for_reader(reader, keyword),
                    "</td></tr>\n<tr><th>网址</th><td>", for_reader(reader, url), "</td></tr>\n</table>\n",
                    after});
    return html + page_end();
}

} // namespace seo
