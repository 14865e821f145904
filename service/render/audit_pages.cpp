#include "render/audit_pages.h"

#include "base/percent_encoding.h"
#include "base/unicode_text.h"
#include "render/crawl_pages.h"
#include "render/page_frame.h"
#include "render/shown_text.h"

#include <contract/site_contract.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace seo {
namespace {

namespace contract = site_contract;
using Verdict = Finding::Verdict;

std::string fixed(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::string_view verdict_label(Verdict verdict)
{
    switch (verdict) {
    case Verdict::pass:
        return "通过";
    case Verdict::warn:
        return "注意";
    case Verdict::fail:
        return "问题";
    case Verdict::info:
        break;
    }
    return "信息";
}

std::string query_form(std::string_view action, std::string_view url, std::string_view keyword,
                       bool keyword_required)
{
    std::string html = "<form class=\"query\" method=\"get\" action=\"" + html_escaped(action) + "\">\n";
    html += "<label>网址 <input type=\"text\" name=\"" + std::string(browser::kAddressKey) + "\" value=\""
        + html_escaped(url) + "\" placeholder=\"例如 www.example.com\" required></label>\n";
    html += "<label>关键词 <input type=\"text\" name=\"" + std::string(browser::kKeywordKey) + "\" value=\""
        + html_escaped(keyword) + "\"" + (keyword_required ? " required" : " placeholder=\"可选\"")
        + "></label>\n";
    html += "<button type=\"submit\">查询</button>\n</form>\n";
    return html;
}

std::string audit_section(const std::vector<Finding> &findings)
{
    const AuditSummary summary = summarise(findings);
    std::string html = "<section class=\"audit\" id=\"audit\">\n<h2>网页体检</h2>\n";
    html += "<p class=\"summary\"><span class=\"score\">" + std::to_string(summary.score) + " 分</span> 通过 "
        + std::to_string(summary.passed) + " 项，注意 " + std::to_string(summary.warnings) + " 项，问题 "
        + std::to_string(summary.failures) + " 项，信息 " + std::to_string(summary.notes) + " 项</p>\n";
    html += "<p class=\"note\">得分 = (通过项数 + 0.5 × 注意项数) ÷ (通过、注意、问题项数之和) × "
            "100，四舍五入；信息项不计分。</p>\n";
    // Groups in the order the checks first name them.
    std::vector<std::string> groups;
    for (const Finding &finding : findings)
        if (std::find(groups.begin(), groups.end(), finding.group) == groups.end())
            groups.push_back(finding.group);
    for (const std::string &group : groups) {
        html += "<h3>" + html_escaped(group) + "</h3>\n<div class=\"wide\"><table class=\"findings\">\n";
        for (const Finding &finding : findings) {
            if (finding.group != group)
                continue;
            html += "<tr class=\"" + std::string(verdict_name(finding.verdict)) + "\" data-check=\""
                + html_escaped(finding.id) + "\"><td class=\"verdict\">"
                + std::string(verdict_label(finding.verdict)) + "</td><td class=\"check\">"
                + html_escaped(finding.check) + "</td><td>" + html_escaped(finding.detail);
            if (!finding.advice.empty())
                html += "<div class=\"advice\">" + html_escaped(finding.advice) + "</div>";
            html += "</td></tr>\n";
        }
        html += "</table></div>\n";
    }
    return html + "</section>\n";
}

std::string density_chart(const std::vector<KeywordRow> &keywords)
{
    const std::size_t bars = std::min<std::size_t>(keywords.size(), 10);
    if (bars == 0)
        return {};
    double top = 10;
    for (std::size_t i = 0; i < bars; ++i)
        top = std::max(top, keywords[i].density * 1.1);
    constexpr double kLeft = 130, kWidth = 600, kRight = 60, kRow = 26, kTop = 24;
    const CheckSpec &density = check_spec("keyword.density"); // its band is drawn
    const double height = kTop + kRow * double(bars) + 24;
    const auto x = [&](double percent) { return kLeft + kWidth * percent / top; };
    std::string svg = "<figure class=\"chart\">\n<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 "
        + fixed(kLeft + kWidth + kRight, 0) + " " + fixed(height, 0) + "\" role=\"img\" aria-label=\"前 "
        + std::to_string(bars) + " 个关键词的密度\">\n";
    // The advised band, 2 % to 8 %.
    svg += "<rect class=\"band\" x=\"" + fixed(x(density.low), 1) + "\" y=\"" + fixed(kTop - 6, 0)
        + "\" width=\"" + fixed(x(density.high) - x(density.low), 1) + "\" height=\""
        + fixed(kRow * double(bars) + 6, 0) + "\" fill=\"#dff3e3\"/>\n";
    svg += "<text x=\"" + fixed(x(density.low), 1) + "\" y=\"14\" font-size=\"12\" fill=\"#2e7d32\">"
        + "建议 2%–8%</text>\n";
    for (std::size_t i = 0; i < bars; ++i) {
        const KeywordRow &row = keywords[i];
        const double y = kTop + kRow * double(i);
        const bool inside = row.density >= density.low && row.density <= density.high;
        svg += "<text x=\"" + fixed(kLeft - 8, 0) + "\" y=\"" + fixed(y + 15, 0)
            + "\" font-size=\"13\" text-anchor=\"end\">" + html_escaped(row.word) + "</text>\n";
        svg += "<rect x=\"" + fixed(kLeft, 0) + "\" y=\"" + fixed(y + 3, 0) + "\" width=\""
            + fixed(std::max(1.0, x(row.density) - kLeft), 1) + "\" height=\"16\" fill=\""
            + (inside ? "#2e7d32" : "#2a6ebb") + "\"/>\n";
        svg += "<text x=\"" + fixed(x(row.density) + 4, 1) + "\" y=\"" + fixed(y + 15, 0)
            + "\" font-size=\"12\">" + format_percent(row.density) + "</text>\n";
    }
    svg += "<line x1=\"" + fixed(kLeft, 0) + "\" y1=\"" + fixed(kTop - 6, 0) + "\" x2=\"" + fixed(kLeft, 0)
        + "\" y2=\"" + fixed(kTop + kRow * double(bars), 0) + "\" stroke=\"#666\"/>\n";
    svg += "</svg>\n<figcaption>前 " + std::to_string(bars)
        + " 个关键词的密度；绿色区域为建议的 2%–8%。</figcaption>\n</figure>\n";
    return "<h2>关键词密度图</h2>\n" + svg;
}

std::string tool_links(std::string_view url, std::string_view keyword)
{
    const std::string address = std::string(browser::kAddressKey) + "=" + percent_encoded(url);
    std::string html = "<p class=\"tools\">同一网址：<a href=\"" + std::string(browser::kOverviewPath) + "?"
        + address + "\">SEO综合查询</a> · <a href=\"" + std::string(browser::kSpiderPath) + "?" + address
        + "\">搜索蜘蛛模拟抓取</a>";
    if (!keyword.empty())
        html += " · <a href=\"" + std::string(browser::kDensityPath) + "?" + address + "&amp;"
            + std::string(browser::kKeywordKey) + "=" + percent_encoded(keyword) + "\">关键词密度检测</a>";
    return html + "</p>\n";
}

std::string tools_home_page()
{
    return page_start("SEO综合查询") + "<h1>SEO综合查询</h1>\n"
        + query_form(browser::kOverviewPath, "", "", false) +
        R"(<p>输入网址即可查看网页的标题、关键词和描述，页面关键词及其密度，以及一份网页体检报告：
收录与抓取（状态码、跳转、robots 指令、robots.txt、canonical、语言与 hreflang）、标题与描述的显示宽度、
页面结构、链接与图片、分享与结构化数据、页面大小、响应时间和字符集。填写关键词时，还会检查关键词出现在标题、描述、
H1、第一段、网址、图片 alt 和链接文字中的情况。中文按词语计数，不按空格分词。</p>
<p>程序也可以取得同样的结果：<code>GET /api/analyze?url=网址&amp;kw=关键词</code> 返回 JSON。
各项检查的标准和来源见 <a href="/veltro">使用帮助</a>。</p>
<h2>全站抓取</h2>
<p>抓取整个网站，找出重复的标题、死链、跳转链、孤立页面等全站问题（<a href="/crawls">全部抓取</a>）。</p>
)" + crawl_form()
        + page_end();
}

} // namespace seo
