#include "render/crawl_pages.h"

#include "base/percent_encoding.h"
#include "crawl/crawl_options.h"
#include "render/audit_pages.h"
#include "render/page_frame.h"
#include "render/shown_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <map>

namespace seo {
namespace {

using Json = nlohmann::ordered_json;

long number(const Json &value)
{
    return value.is_number() ? value.get<long>() : 0;
}

std::string text_of(const Json &value)
{
    if (value.is_null())
        return {};
    return value.is_string() ? value.get<std::string>() : value.dump();
}

std::string cell(const Json &value)
{
    return "<td>" + html_escaped(text_of(value)) + "</td>";
}

// A page of the site, linked to its one-page audit; other sites' pages, and addresses not
// fetched, are only named.
std::string audit_link(const std::string &url, bool linked)
{
    if (!linked)
        return "<td>" + html_escaped(url) + "</td>";
    return "<td><a href=\"" + std::string(browser::kOverviewPath) + "?" + std::string(browser::kAddressKey)
        + "=" + percent_encoded(url) + "#audit\">" + html_escaped(url) + "</a></td>";
}

std::string crawl_link(const Json &crawl)
{
    const std::string id = text_of(crawl["id"]);
    return "<a href=\"" + std::string(crawl_routes::kCrawlPath) + "?id=" + id + "\">" + id + "</a>";
}

std::string state_named(const Json &state)
{
    static const std::map<std::string, std::string> names = {
        {"running", "抓取中"}, {"stopped", "已停止（可继续）"}, {"finished", "已完成"}};
    const auto found = names.find(text_of(state));
    return found == names.end() ? html_escaped(text_of(state)) : found->second;
}

Verdict verdict_named(const std::string &name)
{
    static const std::map<std::string, Verdict> verdicts = {
        {"pass", Verdict::pass}, {"warn", Verdict::warn}, {"fail", Verdict::fail}};
    const auto found = verdicts.find(name);
    return found == verdicts.end() ? Verdict::info : found->second;
}

const std::map<std::string, std::string> kLimitNames = {
    {"pages", "页数上限"},      {"depth", "深度上限"},
    {"length", "网址长度上限"}, {"queries", "同一路径的查询参数上限"},
    {"bytes", "总字节上限"},    {"external", "不检查站外链接"},
};

std::string list_path(const std::string &crawl, const std::string &finding)
{
    return std::string(crawl_routes::kCrawlListPath) + "?id=" + crawl
        + (finding.empty() ? "" : "&amp;finding=" + percent_encoded(finding));
}

std::string findings_section(const std::string &crawl, const Json &findings)
{
    std::string html =
        "<section class=\"audit\">\n<h2>全站体检</h2>\n<div class=\"wide\"><table class=\"findings\">\n";
    for (const Json &finding : findings) {
        const std::string verdict = text_of(finding["verdict"]), id = text_of(finding["id"]);
        html += "<tr class=\"" + html_escaped(verdict) + "\" data-check=\"" + html_escaped(id)
            + "\"><td class=\"verdict\">" + std::string(verdict_label(verdict_named(verdict)))
            + "</td><td class=\"check\">" + html_escaped(text_of(finding["title"])) + "</td><td>"
            + text_of(finding["count"]);
        if (!text_of(finding["advice"]).empty() && verdict != "pass")
            html += "<div class=\"advice\">" + html_escaped(text_of(finding["advice"])) + "</div>";
        if (!finding["items"].empty()) {
            html += "<ul>";
            for (const Json &item : finding["items"])
                html += "<li>" + html_escaped(text_of(item["url"])) + " "
                    + html_escaped(text_of(item["detail"])) + "</li>";
            html += "</ul>";
        }
        if (number(finding["count"]) > long(finding["items"].size()))
            html += "<a href=\"" + list_path(crawl, id) + "\">全部 " + text_of(finding["count"]) + " 项</a>";
        html += "</td></tr>\n";
    }
    return html + "</table></div>\n</section>\n";
}

// Pages by clicks from the start, each bar split by how they answered: where a site is
// deep or broken shows at a glance.
std::string depth_chart(const Json &depths)
{
    if (depths.empty())
        return {};
    long most = 1;
    for (const Json &row : depths)
        most = std::max(most, number(row["ok"]) + number(row["redirected"]) + number(row["broken"]));
    constexpr int kLeft = 110, kWidth = 560, kRow = 24;
    static constexpr const char *kColours[] = {"#2e7d32", "#2a6ebb", "#c62828"};
    std::string svg = "<figure class=\"chart\">\n<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 "
        + std::to_string(kLeft + kWidth + 60) + " " + std::to_string(kRow * int(depths.size()) + 8)
        + "\" role=\"img\" aria-label=\"各层页面数\">\n";
    int y = 4;
    for (const Json &row : depths) {
        const long depth = number(row["depth"]);
        svg += "<text x=\"" + std::to_string(kLeft - 8) + "\" y=\"" + std::to_string(y + 15)
            + "\" font-size=\"13\" text-anchor=\"end\">"
            + (depth < 0                 ? std::string("只在网站地图中")
                   : depth > kDeepestRow ? "更深"
                                         : std::to_string(depth) + " 次点击")
            + "</text>\n";
        long x = kLeft, total = 0;
        const long counts[] = {number(row["ok"]), number(row["redirected"]), number(row["broken"])};
        for (std::size_t kind = 0; kind < std::size(counts); ++kind) {
            const long width = kWidth * counts[kind] / most;
            svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y + 2) + "\" width=\""
                + std::to_string(width) + "\" height=\"18\" fill=\"" + kColours[kind] + "\"/>\n";
            x += width;
            total += counts[kind];
        }
        svg += "<text x=\"" + std::to_string(x + 4) + "\" y=\"" + std::to_string(y + 15)
            + "\" font-size=\"12\">" + std::to_string(total) + "</text>\n";
        y += kRow;
    }
    return "<h2>页面的深度</h2>\n" + svg
        + "</svg>\n<figcaption>绿色：正常打开；蓝色：跳转；红色：出错或打不开。</figcaption>\n</figure>\n";
}

// At most `width` columns of a text (a Chinese character takes two), with "…" when cut.
std::string shortened(const std::string &text, std::size_t width)
{
    if (display_width(text) <= width)
        return text;
    std::size_t used = 0, end = 0;
    for_each_code_point(text, [&](char32_t, std::size_t, std::size_t stop) {
        used += display_width(std::string_view(text).substr(end, stop - end));
        if (used < width)
            end = stop;
    });
    return text.substr(0, end) + "…";
}

// The start page, the sections one click from it with the pages reached through each, in
// shades from near (dark) to deep (light): which parts of the site hold its pages, and how
// deep they bury them.
std::string structure_chart(const Json &crawl)
{
    const Json &structure = crawl["structure"];
    const Json &sections = structure["sections"];
    if (sections.empty())
        return {};
    long most = 1;
    for (const Json &section : sections)
        most = std::max(most, number(section["pages"]));
    most = std::max(most, number(structure["other_pages"]));
    std::string start = text_of(crawl["start_url"]);
    start.erase(0, start.find("://") == std::string::npos ? 0 : start.find("://") + 3);
    constexpr int kRow = 26, kRootWidth = 150, kLabelX = 200, kBarX = 420, kBarWidth = 300;
    static constexpr const char *kShades[] = {"#0d47a1", "#1976d2", "#42a5f5", "#90caf9", "#bbdefb"};
    const int rows = int(sections.size()) + (number(structure["other_sections"]) > 0 ? 1 : 0);
    const int height = rows * kRow + 10, middle = height / 2;
    std::string svg = "<figure class=\"chart\">\n<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 "
        + std::to_string(kBarX + kBarWidth + 60) + " " + std::to_string(height)
        + "\" role=\"img\" aria-label=\"网站结构\">\n<rect x=\"4\" y=\"" + std::to_string(middle - 14)
        + "\" width=\"" + std::to_string(kRootWidth)
        + "\" height=\"28\" rx=\"6\" fill=\"#fff3e0\" "
          "stroke=\"#e65100\"/>\n<text x=\"12\" y=\""
        + std::to_string(middle + 5) + "\" font-size=\"13\">" + html_escaped(shortened(start, 20))
        + "</text>\n";
    int y = 5;
    const auto row = [&](const std::string &label, const std::vector<long> &counts, long pages) {
        const int centre = y + kRow / 2;
        svg += "<path d=\"M" + std::to_string(4 + kRootWidth) + " " + std::to_string(middle) + " C "
            + std::to_string(kLabelX - 20) + " " + std::to_string(middle) + ", "
            + std::to_string(kLabelX - 40) + " " + std::to_string(centre) + ", " + std::to_string(kLabelX - 4)
            + " " + std::to_string(centre) + "\" fill=\"none\" stroke=\"#999\"/>\n<text x=\""
            + std::to_string(kLabelX) + "\" y=\"" + std::to_string(centre + 5) + "\" font-size=\"13\">"
            + html_escaped(shortened(label, 28)) + "</text>\n";
        long x = kBarX;
        for (std::size_t level = 0; level < counts.size(); ++level) {
            // A page or two of a section beside hundreds elsewhere still shows.
            const long width = counts[level] > 0 ? std::max(3L, kBarWidth * counts[level] / most) : 0;
            svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(centre - 9) + "\" width=\""
                + std::to_string(width) + "\" height=\"18\" fill=\""
                + kShades[std::min(level, std::size(kShades) - 1)] + "\"/>\n";
            x += width;
        }
        svg += "<text x=\"" + std::to_string(x + 4) + "\" y=\"" + std::to_string(centre + 5)
            + "\" font-size=\"12\">" + std::to_string(pages) + "</text>\n";
        y += kRow;
    };
    for (const Json &section : sections) {
        std::vector<long> counts = {1}; // the section's own page
        for (const Json &below : section["below"])
            counts.push_back(number(below));
        const std::string title = text_of(section["title"]);
        row(title.empty() ? text_of(section["url"]) : title, counts, number(section["pages"]));
    }
    if (number(structure["other_sections"]) > 0)
        row("其他 " + text_of(structure["other_sections"]) + " 个栏目", {number(structure["other_pages"])},
            number(structure["other_pages"]));
    return "<h2>网站结构</h2>\n" + svg
        + "</"
          "svg>\n<figcaption>左边是起始页，右边是从它点击一次到达的栏目页，条的长短是经由该栏目到达的页面数，"
          "颜色由深到浅是离栏目页一次、两次、三次……点击。</figcaption>\n</figure>\n";
}

std::string keywords_section(const Json &keywords)
{
    if (keywords.empty())
        return {};
    std::string html = "<section>\n<h2>全站关键词</h2>\n<table class=\"keywords\">\n<tr><th>关键词</th>"
                       "<th>以它为主要关键词的页面</th><th>出现次数</th></tr>\n";
    for (const Json &keyword : keywords)
        html += "<tr>" + cell(keyword["word"]) + cell(keyword["pages"]) + cell(keyword["occurrences"])
            + "</tr>\n";
    return html + "</table>\n</section>\n";
}

std::string page_note(const Json &page)
{
    const std::string skipped = text_of(page["skipped_by"]);
    const auto limit = kLimitNames.find(skipped);
    return !skipped.empty() ? "未抓取：" + (limit == kLimitNames.end() ? skipped : limit->second)
        : text_of(page["external"]) == "1" ? "站外链接，只查状态"
                                           : text_of(page["failure"]);
}

// A column's heading, a link that sorts the list by it: ascending first, and the other
// way round when it is sorted so already.
std::string sort_heading(const std::string &base, const PageSlice &slice, std::string_view column,
                         std::string_view label)
{
    const bool sorted = slice.sort == column;
    const bool descending = sorted && !slice.descending;
    return "<th><a href=\"" + base + "&amp;sort=" + std::string(column)
        + (descending ? "&amp;order=desc" : "") + "\">" + std::string(label)
        + (sorted ? (slice.descending ? " ▼" : " ▲") : "") + "</a></th>";
}

std::string pager(const std::string &base, const PageSlice &slice, std::size_t total)
{
    const std::size_t pages = std::max<std::size_t>(1, (total + slice.limit - 1) / slice.limit);
    const std::size_t page = slice.offset / slice.limit + 1;
    const std::string sorted =
        slice.sort.empty() ? "" : "&amp;sort=" + slice.sort + (slice.descending ? "&amp;order=desc" : "");
    const auto link = [&](std::size_t to, std::string_view label) {
        return "<a href=\"" + base + sorted + "&amp;page=" + std::to_string(to) + "\">" + std::string(label)
            + "</a>";
    };
    return "<p class=\"pager\">" + (page > 1 ? link(page - 1, "上一页") + " " : "") + "第 "
        + std::to_string(page) + " / " + std::to_string(pages) + " 页，共 " + std::to_string(total) + " 项"
        + (page < pages ? " " + link(page + 1, "下一页") : "") + "</p>\n";
}

} // namespace

std::string crawl_form()
{
    return "<form method=\"post\" action=\"" + std::string(crawl_routes::kCrawlsPath)
        + "\" class=\"query crawl\">\n<label>整站网址 <input name=\"url\" type=\"url\" required "
          "placeholder=\"https://www.example.com/\"></label>\n"
          "<label>页数上限 <input name=\"max_pages\" type=\"number\" min=\"1\" max=\""
        + std::to_string(kMaxServicePages)
        + "\" placeholder=\"500\"></label>\n"
          "<label>深度上限 <input name=\"depth\" type=\"number\" min=\"0\" max=\"1000\" "
          "placeholder=\"10\"></label>\n<button type=\"submit\">开始抓取</button>\n</form>\n";
}

std::string crawls_page(const Json &crawls)
{
    std::string html = page_start("全站抓取");
    html += "<h1>全站抓取</h1>\n" + crawl_form()
        + "<p>抓取遵守 robots.txt（按 VeltroSpider 的规则）和 Crawl-delay，同一网站同时最多 2 个请求；"
          "也可以在命令行抓取：<code>seo-site crawl 网址</code>，或由程序 <code>POST "
        + std::string(crawl_routes::kCrawlsApiPath) + "</code>（字段 url、max_pages、depth）。</p>\n";
    if (crawls.empty())
        return html + "<p>还没有抓取记录。</p>\n" + page_end();
    html += "<div class=\"wide\"><table class=\"crawls\">\n<tr><th>编号</th><th>起始地址</th><th>状态</th>"
            "<th>开始</th><th>结束</th><th>已抓取</th><th>出错</th><th>待抓取</th></tr>\n";
    for (const Json &crawl : crawls)
        html += "<tr><td>" + crawl_link(crawl) + "</td>" + cell(crawl["start_url"]) + "<td>"
            + state_named(crawl["state"]) + "</td>" + cell(crawl["started_at"]) + cell(crawl["ended_at"])
            + cell(crawl["done"]) + cell(crawl["failed"]) + cell(crawl["queued"]) + "</tr>\n";
    return html + "</table></div>\n" + page_end();
}

std::string crawl_page(const Json &crawl)
{
    const std::string id = text_of(crawl["id"]);
    // While it runs the page shows its progress by reloading itself: the site has no scripts.
    const bool running = text_of(crawl["state"]) == "running";
    std::string html =
        page_start("全站抓取 " + id, running ? "<meta http-equiv=\"refresh\" content=\"5\">" : "");
    const Json &progress = crawl["progress"];
    html += "<h1>全站抓取 " + id + "：" + html_escaped(text_of(crawl["start_url"])) + "</h1>\n";
    html += "<p class=\"summary\">" + state_named(crawl["state"]) + "，开始于 "
        + html_escaped(text_of(crawl["started_at"])) + "。已抓取 " + text_of(progress["done"])
        + " 个地址，出错 " + text_of(progress["failed"]) + " 个，待抓取 "
        + std::to_string(number(progress["queued"]) + number(progress["fetching"])) + " 个，链接 "
        + text_of(progress["links"]) + " 条。</p>\n<p><a href=\"" + list_path(id, "")
        + "\">全部地址</a> · <a href=\"" + std::string(crawl_routes::kCrawlApiPath) + "?id=" + id
        + "\">JSON</a> · <a href=\"" + std::string(crawl_routes::kCrawlsPath) + "\">全部抓取</a></p>\n";
    if (!crawl["limits_reached"].empty()) {
        html += "<p class=\"note\">因上限未抓取：";
        for (const auto &[limit, count] : crawl["limits_reached"].items()) {
            const auto name = kLimitNames.find(limit);
            html += html_escaped(name == kLimitNames.end() ? limit : name->second) + " " + text_of(count)
                + " 个；";
        }
        html += "</p>\n";
    }
    if (!crawl.contains("findings"))
        return html + depth_chart(crawl["depths"])
            + "<p class=\"note\">网站结构、全站体检和全站关键词在抓取结束后列出。</p>\n" + page_end();
    return html + depth_chart(crawl["depths"]) + structure_chart(crawl)
        + findings_section(id, crawl["findings"]) + keywords_section(crawl["keywords"]) + page_end();
}

std::string crawl_list_page(const Json &crawl, const Json &list, const PageSlice &slice)
{
    const std::string id = text_of(crawl["id"]);
    const bool finding = !slice.finding.empty();
    const std::string title = finding ? text_of(list["finding"]["title"]) : std::string("全部地址");
    std::string html = page_start("全站抓取 " + id + "：" + title);
    html += "<h1>" + html_escaped(title) + "</h1>\n<p class=\"summary\"><a href=\""
        + std::string(crawl_routes::kCrawlPath) + "?id=" + id + "\">全站抓取 " + id + "</a>："
        + html_escaped(text_of(crawl["start_url"])) + "</p>\n";
    if (finding && !text_of(list["finding"]["advice"]).empty())
        html += "<p class=\"advice\">" + html_escaped(text_of(list["finding"]["advice"])) + "</p>\n";
    const std::string base = list_path(id, slice.finding);
    const std::size_t total = std::size_t(number(list["total"]));
    html += pager(base, slice, total) + "<div class=\"wide\"><table class=\"pages\">\n<tr>";
    if (finding) {
        html += sort_heading(base, slice, "url", "地址") + sort_heading(base, slice, "detail", "说明")
            + "</tr>\n";
        for (const Json &item : list["items"])
            html += "<tr>" + audit_link(text_of(item["url"]), true) + cell(item["detail"]) + "</tr>\n";
    } else {
        html += sort_heading(base, slice, "url", "地址") + sort_heading(base, slice, "status", "状态")
            + sort_heading(base, slice, "depth", "深度") + sort_heading(base, slice, "title", "标题")
            + sort_heading(base, slice, "text_words", "词数") + sort_heading(base, slice, "score", "得分")
            + sort_heading(base, slice, "response_ms", "用时（毫秒）")
            + sort_heading(base, slice, "bytes", "字节") + "<th>说明</th></tr>\n";
        for (const Json &page : list["items"])
            html += "<tr>"
                + audit_link(text_of(page["url"]),
                             text_of(page["external"]) != "1" && text_of(page["state"]) == "done")
                + cell(page["status"]) + cell(page["depth"]) + cell(page["title"]) + cell(page["text_words"])
                + cell(page["score"]) + cell(page["response_ms"]) + cell(page["bytes"]) + "<td>"
                + html_escaped(page_note(page)) + "</td></tr>\n";
    }
    return html + "</table></div>\n" + pager(base, slice, total) + page_end();
}

} // namespace seo
