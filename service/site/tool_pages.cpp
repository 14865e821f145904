#include "site/tool_pages.h"

#include "site/page_layout.h"
#include "site/unicode_text.h"

namespace seo {
namespace {

std::string full_reason(const PageAnalysis &analysis)
{
    if (analysis.failure_detail.empty())
        return analysis.failure;
    return analysis.failure + " (" + analysis.failure_detail + ")";
}

std::string failure_paragraph(std::string_view what, std::string_view reason)
{
    return "<p class=\"failure\">" + std::string(what) + "</p>\n<p>原因 " + html_escape(reason) + "</p>\n";
}

std::string address_line(std::string_view url)
{
    return "<p>查询网址 <b>" + html_escape(url) + "</b></p>\n";
}

std::string meta_row(std::string_view label, std::string_view text, std::string_view advice)
{
    return "<tr><td>" + std::string(label) + "</td><td><font color=\"red\">"
        + std::to_string(code_point_count(text)) + "</font> 个字符</td><td><div style=\"padding-left:10px;\">"
        + html_escape(text) + "</div></td><td>" + std::string(advice) + "</td></tr>\n";
}

std::string meta_section(const PageContent &content)
{
    return "<h2>网页标签（META）信息</h2>\n<table>\n"
           "<tr class=\"head\"><td>标签</td><td>长度</td><td>内容</td><td>优化建议</td></tr>\n"
        + meta_row("标题（Title）", content.title, "一般不超过80个字符")
        + meta_row("关键词（KeyWords）", content.keywords, "一般不超过100个字符")
        + meta_row("描述（Description）", content.description, "一般不超过200个字符") + "</table>\n";
}

std::string keyword_section(const std::vector<KeywordRow> &keywords)
{
    std::string html = "<h2>页面关键词</h2>\n<table>\n"
                       "<tr class=\"head\"><td>关键词</td><td>出现次数</td><td>密度</td>"
                       "<td>百度排名</td><td>Google排名</td></tr>\n";
    for (const KeywordRow &row : keywords) {
        html += "<tr class=\"kw\"><td>" + html_escape(row.word) + "</td><td>"
            + std::to_string(row.occurrences) + "</td><td>" + format_percent(row.density)
            + "</td><td>-</td><td>-</td></tr>\n";
    }
    html += "</table>\n<p class=\"note\">排名一栏不查询搜索引擎，显示为 -。</p>\n";
    return html;
}

} // namespace

std::string spider_page(std::string_view url, const PageAnalysis &analysis)
{
    const std::string text =
        analysis.ok() ? analysis.content.text : "基础连接已经关闭：" + full_reason(analysis);
    return page_start("搜索蜘蛛模拟抓取") + "<h1>搜索蜘蛛模拟抓取</h1>\n" + address_line(url)
        + "<p class=\"note\">下面是搜索引擎蜘蛛看到的页面文字。</p>\n"
          "<textarea readonly rows=\"30\" cols=\"20\">"
        + html_escape(text) + "</textarea>\n" + page_end();
}

std::string overview_page(std::string_view url, const PageAnalysis &analysis,
                          const std::vector<KeywordRow> &keywords)
{
    std::string html = page_start("SEO综合查询") + "<h1>SEO综合查询</h1>\n" + address_line(url);
    if (!analysis.ok())
        return html + failure_paragraph("无法获取该网址的页面，没有可显示的分析结果。", full_reason(analysis))
            + page_end();
    return html + meta_section(analysis.content) + keyword_section(keywords) + page_end();
}

std::string density_page(std::string_view url, std::string_view keyword, const PageAnalysis &analysis,
                         const std::optional<DensityFigures> &figures)
{
    // The figures' labels hold no character that escaping changes, so texts from the
    // request or libcurl (which may quote the address) are only shown after the figures,
    // and not at all when there are none: otherwise they could pose as figures.
    std::string html = page_start("关键词密度检测") + "<h1>关键词密度检测</h1>\n";
    if (!analysis.ok())
        return html + failure_paragraph("无法获取该网址的页面，无法计算密度。", analysis.failure)
            + page_end();
    if (!figures)
        return html + "<p class=\"failure\">请输入要检测的关键字。</p>\n" + page_end();
    html += "<ul>\n<li>页面文本总长度：" + std::to_string(figures->text_length)
        + "</li>\n<li>关键字符串长度：" + std::to_string(figures->keyword_length)
        + "</li>\n<li>关键字出现频率：" + std::to_string(figures->occurrences) + "</li>\n<li>关键字符总长度："
        + std::to_string(figures->keyword_characters) + "</li>\n<li>密度结果计算："
        + format_percent(figures->percent) + "</li>\n</ul>\n<p>密度建议值：2%≦密度≦8%</p>\n";
    html += "<table>\n<tr><th>关键字</th><td>" + html_escape(keyword) + "</td></tr>\n<tr><th>网址</th><td>"
        + html_escape(url) + "</td></tr>\n</table>\n";
    return html + page_end();
}

} // namespace seo
