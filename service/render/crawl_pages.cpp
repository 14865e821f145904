#include "render/crawl_pages.h"

#include "base/percent_encoding.h"
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

// A page of the site, linked to its one-page audit; other sites' pages are only named.
std::string audit_link(const Json &page)
{
    const std::string url = text_of(page["url"]);
    if (text_of(page["external"]) == "1" || text_of(page["state"]) != "done")
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
    {"bytes", "总字节上限"},
};

std::string findings_section(const Json &findings)
{
    std::string html =
        "<section class=\"audit\">\n<h2>全站体检</h2>\n<div class=\"wide\"><table class=\"findings\">\n";
    for (const Json &finding : findings) {
        const std::string verdict = text_of(finding["verdict"]);
        html += "<tr class=\"" + html_escaped(verdict) + "\" data-check=\""
            + html_escaped(text_of(finding["id"])) + "\"><td class=\"verdict\">"
            + std::string(verdict_label(verdict_named(verdict))) + "</td><td class=\"check\">"
            + html_escaped(text_of(finding["title"])) + "</td><td>" + text_of(finding["count"]);
        if (!text_of(finding["advice"]).empty() && verdict != "pass")
            html += "<div class=\"advice\">" + html_escaped(text_of(finding["advice"])) + "</div>";
        if (!finding["items"].empty()) {
            html += "<ul>";
            for (const Json &item : finding["items"])
                html += "<li>" + html_escaped(text_of(item["url"])) + " "
                    + html_escaped(text_of(item["detail"])) + "</li>";
            html += "</ul>";
        }
        html += "</td></tr>\n";
    }
    return html + "</table></div>\n</section>\n";
}

// Pages by clicks from the start, each bar split by how they answered: where a site is
// deep or broken shows at a glance.
std::string depth_chart(const Json &pages)
{
    constexpr long kDeepest = 10; // a row each; deeper pages share one
    std::map<long, std::array<int, 3>> rows; // depth (-1: only in a sitemap) → ok, redirected, broken
    for (const Json &page : pages) {
        if (text_of(page["state"]) != "done" || text_of(page["external"]) == "1")
            continue;
        const long status = page["status"].is_number() ? page["status"].get<long>() : 0;
        const bool redirected = page["redirects"].is_array() && !page["redirects"].empty();
        const int kind = status < 200 || status >= 300 ? 2 : redirected ? 1 : 0;
        const long depth = page["depth"].is_number() ? std::min(page["depth"].get<long>(), kDeepest + 1) : -1;
        ++rows[depth][std::size_t(kind)];
    }
    if (rows.empty())
        return {};
    int most = 1;
    for (const auto &[depth, counts] : rows)
        most = std::max(most, counts[0] + counts[1] + counts[2]);
    constexpr int kLeft = 110, kWidth = 560, kRow = 24;
    static constexpr const char *kColours[] = {"#2e7d32", "#2a6ebb", "#c62828"};
    std::string svg = "<figure class=\"chart\">\n<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 "
        + std::to_string(kLeft + kWidth + 60) + " " + std::to_string(kRow * int(rows.size()) + 8)
        + "\" role=\"img\" aria-label=\"各层页面数\">\n";
    int y = 4;
    for (const auto &[depth, counts] : rows) {
        svg += "<text x=\"" + std::to_string(kLeft - 8) + "\" y=\"" + std::to_string(y + 15)
            + "\" font-size=\"13\" text-anchor=\"end\">"
            + (depth < 0              ? std::string("只在网站地图中")
                   : depth > kDeepest ? "更深"
                                      : std::to_string(depth) + " 次点击")
            + "</text>\n";
        int x = kLeft;
        for (std::size_t kind = 0; kind < counts.size(); ++kind) {
            const int width = kWidth * counts[kind] / most;
            svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y + 2) + "\" width=\""
                + std::to_string(width) + "\" height=\"18\" fill=\"" + kColours[kind] + "\"/>\n";
            x += width;
        }
        svg += "<text x=\"" + std::to_string(x + 4) + "\" y=\"" + std::to_string(y + 15)
            + "\" font-size=\"12\">" + std::to_string(counts[0] + counts[1] + counts[2]) + "</text>\n";
        y += kRow;
    }
    return "<h2>页面的深度</h2>\n" + svg
        + "</svg>\n<figcaption>绿色：正常打开；蓝色：跳转；红色：出错或打不开。</figcaption>\n</figure>\n";
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

std::string pages_section(const Json &pages)
{
    std::string html = "<section>\n<h2>页面</h2>\n";
    if (pages.size() > kCrawlPagesShown)
        html += "<p class=\"note\">只列出前 " + std::to_string(kCrawlPagesShown) + " 个地址，共 "
            + std::to_string(pages.size()) + " 个；全部见 JSON。</p>\n";
    html += "<div class=\"wide\"><table class=\"pages\">\n<tr><th>地址</th><th>状态</th><th>深度</th>"
            "<th>标题</th><th>词数</th><th>得分</th><th>说明</th></tr>\n";
    std::size_t shown = 0;
    for (const Json &page : pages) {
        if (++shown > kCrawlPagesShown)
            break;
        const std::string skipped = text_of(page["skipped_by"]);
        const auto limit = kLimitNames.find(skipped);
        const std::string note = !skipped.empty()
            ? "未抓取：" + (limit == kLimitNames.end() ? skipped : limit->second)
            : text_of(page["external"]) == "1" ? "站外链接，只查状态"
                                               : text_of(page["failure"]);
        html += "<tr>" + audit_link(page) + cell(page["status"]) + cell(page["depth"]) + cell(page["title"])
            + cell(page["text_words"]) + cell(page["score"]) + "<td>" + html_escaped(note) + "</td></tr>\n";
    }
    return html + "</table></div>\n</section>\n";
}

} // namespace

std::string crawls_page(const Json &crawls)
{
    std::string html = page_start("全站抓取");
    html += "<h1>全站抓取</h1>\n<p>在命令行开始一次抓取：<code>seo-site crawl 网址</code>，"
            "选项有 <code>--max-pages</code>、<code>--depth</code>、<code>--per-host</code> 等。</p>\n";
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
    html += "<h1>全站抓取 " + id + "：" + html_escaped(text_of(crawl["start_url"])) + "</h1>\n";
    html += "<p class=\"summary\">" + state_named(crawl["state"]) + "，开始于 "
        + html_escaped(text_of(crawl["started_at"])) + "。<a href=\""
        + std::string(crawl_routes::kCrawlApiPath) + "?id=" + id + "\">JSON</a> · <a href=\""
        + std::string(crawl_routes::kCrawlsPath) + "\">全部抓取</a></p>\n";
    if (!crawl["limits_reached"].empty()) {
        html += "<p class=\"note\">因上限未抓取：";
        for (const auto &[limit, count] : crawl["limits_reached"].items()) {
            const auto name = kLimitNames.find(limit);
            html += html_escaped(name == kLimitNames.end() ? limit : name->second) + " " + text_of(count)
                + " 个；";
        }
        html += "</p>\n";
    }
    return html + depth_chart(crawl["pages"]) + findings_section(crawl["findings"])
        + keywords_section(crawl["keywords"]) + pages_section(crawl["pages"]) + page_end();
}

} // namespace seo
