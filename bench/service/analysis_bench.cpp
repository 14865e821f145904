#include "audit/audit.h"
#include "base/unicode_text.h"
#include "read/html_tree.h"
#include "render/audit_pages.h"
#include "render/tool_pages.h"
#include "reports/page_reading.h"
#include "reports/page_report.h"
#include "words/keyword_table.h"
#include "words/language.h"
#include "words/page_text.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const seo::Language &language()
{
    static const auto language = seo::load_language({});
    return *language;
}

// The overview as browsers get it: the tool's sections, then the chart and the audit.
std::string overview_with_audit(std::string_view url, const seo::PageReport &report)
{
    return seo::overview_page(url, report.analysis, report.keywords, {},
                              seo::density_chart(report.keywords) + seo::audit_section(report.findings));
}

// A mixed Chinese / English page of about 1 MiB, varied enough that segmentation and
// counting see many distinct words.
std::string mixed_page()
{
    static constexpr std::array<const char *, 8> kChinese = {
        "搜索引擎优化是提高网站在搜索结果中排名的方法，",
        "数据库服务器的性能直接影响页面的加载速度。",
        "高质量的原创内容能够吸引更多的用户访问，",
        "合理设置标题和描述标签有助于提高点击率。",
        "网站结构清晰，内部链接完善，搜索蜘蛛更容易抓取页面。",
        "移动设备访问量持续增长，响应式设计非常重要。",
        "关键词密度过高可能被认为是作弊行为，",
        "外部链接的数量和质量是排名的重要因素之一。"};
    static constexpr std::array<const char *, 6> kEnglish = {
        "Search engine optimization improves the visibility of a website. ",
        "Fast servers and a well indexed database keep pages responsive. ",
        "Write unique titles and meta descriptions for every page. ",
        "Internal links help crawlers discover new content quickly. ",
        "Mobile friendly design matters for rankings in 2024. ",
        "Keyword stuffing is penalised by modern ranking algorithms. "};

    std::string html =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>网站优化指南 SEO Guide</title>"
        "<meta name=\"keywords\" content=\"SEO,网站优化,搜索引擎\">"
        "<meta name=\"description\" content=\"一份关于搜索引擎优化的完整指南。\">"
        "<style>body{font-size:14px}</style></head><body>";
    for (std::size_t i = 0; html.size() < 1024 * 1024; ++i) {
        html += "<div class=\"section\"><h2>第" + std::to_string(i) + "节 Section " + std::to_string(i)
            + "</h2><p>";
        html += kChinese[i % kChinese.size()];
        html += kEnglish[i % kEnglish.size()];
        html += kChinese[(i * 3 + 1) % kChinese.size()];
        html += "<a href=\"/page" + std::to_string(i) + ".html\">阅读更多 read more</a></p>";
        html += "<ul><li>" + std::string(kEnglish[(i + 2) % kEnglish.size()]) + "</li><li>"
            + kChinese[(i + 5) % kChinese.size()] + "</li></ul>";
        html += "<script>var item" + std::to_string(i) + " = {id: " + std::to_string(i) + "};</script>";
        html += "<img src=\"/img/" + std::to_string(i) + ".png\" alt=\"示意图 diagram\"></div>\n";
    }
    return html + "</body></html>";
}

void BM_OverviewOfMixedPage(benchmark::State &state)
{
    seo::FetchResult fetched;
    fetched.body = mixed_page();
    fetched.content_type = "text/html; charset=utf-8";

    fetched.hops = {{"http://example.com/guide.html", 200}};
    for (auto _ : state) {
        std::string page =
            overview_with_audit(fetched.hops.back().url, seo::make_report(fetched, nullptr, language()));
        benchmark::DoNotOptimize(page);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations())
                            * static_cast<int64_t>(fetched.body.size()));
}
BENCHMARK(BM_OverviewOfMixedPage)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The HTML parse alone of the same page: the floor of any analysis of it.
void BM_MixedPageParseOnly(benchmark::State &state)
{
    static const std::string page = mixed_page();
    const seo::ParseBudget budget = seo::ParseBudget::for_page(page.size());
    for (auto _ : state) {
        auto tree = seo::HtmlTree::parse(page, budget);
        benchmark::DoNotOptimize(tree);
    }
}
BENCHMARK(BM_MixedPageParseOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A real text-dense page (bench/keyword_quality.py --write-dense FILE), named by
// SEO_DENSE_PAGE: joined documentation bodies that do not repeat one another.
const std::string &dense_page()
{
    static const std::string page = [] {
        const char *path = std::getenv("SEO_DENSE_PAGE");
        if (!path)
            return std::string();
        std::ifstream file(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }();
    return page;
}

bool have_dense_page(benchmark::State &state)
{
    if (dense_page().empty())
        state.SkipWithError("set SEO_DENSE_PAGE to a page written by bench/keyword_quality.py --write-dense");
    return !dense_page().empty();
}

// The dense page as fetched from a documentation site.
const seo::FetchResult &dense_fetch()
{
    static const seo::FetchResult fetched = [] {
        seo::FetchResult page;
        page.body = dense_page();
        page.content_type = "text/html; charset=utf-8";
        page.hops = {{"http://example.com/docs/page.html", 200}};
        return page;
    }();
    return fetched;
}

// The HTML parse alone: the floor of what any analysis of the page costs.
void BM_DensePageParseOnly(benchmark::State &state)
{
    if (!have_dense_page(state))
        return;
    const seo::ParseBudget budget = seo::ParseBudget::for_page(dense_page().size());
    for (auto _ : state) {
        auto tree = seo::HtmlTree::parse(dense_page(), budget);
        benchmark::DoNotOptimize(tree);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(dense_page().size()));
}
BENCHMARK(BM_DensePageParseOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// What the first, uncached question about the page costs: decoding, parsing, counting
// every word and rendering the overview.
void BM_DensePageFirstAnalysis(benchmark::State &state)
{
    if (!have_dense_page(state))
        return;
    for (auto _ : state) {
        std::string page = overview_with_audit(dense_fetch().hops.back().url,
                                               seo::make_report(dense_fetch(), nullptr, language()));
        benchmark::DoNotOptimize(page);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(dense_page().size()));
}
BENCHMARK(BM_DensePageFirstAnalysis)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The audit alone, over what the first analysis read: its share of that analysis.
void BM_DensePageAudit(benchmark::State &state)
{
    if (!have_dense_page(state))
        return;
    const seo::PageReport report = seo::make_report(dense_fetch(), nullptr, language());
    const seo::RobotsJudgement robots =
        seo::judge_page(std::make_shared<const seo::RobotsFile>(
                            seo::RobotsFile{"http://example.com/robots.txt", seo::RobotsFile::State::found,
                                            "", seo::RobotsTxt("User-agent: *\nDisallow: /private/\n")}),
                        *seo::Url::parse(dense_fetch().hops.back().url));
    for (auto _ : state) {
        auto findings = seo::audit_page(
            {dense_fetch(), report.analysis.content, report.text, report.analysis.charsets, &robots});
        benchmark::DoNotOptimize(findings);
    }
}
BENCHMARK(BM_DensePageAudit)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// What a cached answer costs: rendering the overview with its chart and audit.
void BM_DensePageCachedOverview(benchmark::State &state)
{
    if (!have_dense_page(state))
        return;
    const seo::PageReport report = seo::make_report(dense_fetch(), nullptr, language());
    for (auto _ : state) {
        std::string page = overview_with_audit(dense_fetch().hops.back().url, report);
        benchmark::DoNotOptimize(page);
    }
}
BENCHMARK(BM_DensePageCachedOverview)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Segmentation alone, over the page's runs of Chinese characters; bytes are those of the
// runs in UTF-8.
void BM_SegmentChineseText(benchmark::State &state)
{
    if (!have_dense_page(state))
        return;
    std::vector<std::u32string> runs;
    std::size_t utf8_bytes = 0;
    std::u32string run;
    for (const char32_t ch : seo::code_points(dense_page())) {
        if (ch >= 0x4E00 && ch <= 0x9FFF) {
            run += ch;
            utf8_bytes += 3;
        } else if (!run.empty()) {
            runs.push_back(std::move(run));
            run.clear();
        }
    }
    std::vector<std::size_t> lengths;
    for (auto _ : state) {
        for (const std::u32string &chinese : runs) {
            lengths.clear();
            language().segmenter.split(chinese, lengths);
            benchmark::DoNotOptimize(lengths.data());
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(utf8_bytes));
}
BENCHMARK(BM_SegmentChineseText)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Hostile shapes whose cost must grow linearly with the page: one unbroken word of N
// letters, and headings nested N deep around 1 MiB of text. Time per byte should stay flat
// as N grows (compare the rows of each).
seo::FetchResult page_of(std::string body)
{
    seo::FetchResult page;
    page.body = std::move(body);
    page.content_type = "text/html; charset=utf-8";
    page.hops = {{"http://example.com/hostile.html", 200}};
    return page;
}

void BM_LongWordPage(benchmark::State &state)
{
    const seo::FetchResult page =
        page_of("<html><body><p>" + std::string(std::size_t(state.range(0)), 'a') + "</p></body></html>");
    for (auto _ : state) {
        seo::PageReport report = seo::make_report(page, nullptr, language());
        benchmark::DoNotOptimize(report);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.body.size()));
}
BENCHMARK(BM_LongWordPage)
    ->Arg(10'000)
    ->Arg(30'000)
    ->Arg(100'000)
    ->Arg(300'000)
    ->Unit(benchmark::kMillisecond);

void BM_NestedHeadingsPage(benchmark::State &state)
{
    std::string open, close;
    for (int64_t level = 0; level < state.range(0); ++level) {
        open += "<h1><span><a href=\"/x\">";
        close += "</a></span></h1>";
    }
    std::string text;
    while (text.size() < 1024 * 1024)
        text += "搜索引擎优化是提高网站在搜索结果中排名的方法。";
    const seo::FetchResult page = page_of("<html><body>" + open + text + close + "</body></html>");
    for (auto _ : state) {
        seo::PageReport report = seo::make_report(page, nullptr, language());
        benchmark::DoNotOptimize(report);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.body.size()));
}
BENCHMARK(BM_NestedHeadingsPage)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);

} // namespace
