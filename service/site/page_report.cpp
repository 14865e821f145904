#include "site/page_report.h"

#include "site/html_tree.h"

namespace seo {

PageReport make_report(const FetchResult &fetched, const RobotsJudgement *robots, const Language &language)
{
    const auto started = std::chrono::steady_clock::now();
    PageReport report;
    report.fetch = {fetched.hops, fetched.elapsed, fetched.body.size(), fetched.content_type,
                    fetched.robots_headers};
    report.analysis = analyse_page(fetched);
    if (!report.analysis.ok())
        return report;
    const PageContent &content = report.analysis.content;
    report.text = PageText(content.text, language);
    report.keywords = top_keywords(report.text, language);
    report.places = placement_texts(content, report.fetch.final_url(), language);
    // Words of the title and of the h1 headings, found by the same rule.
    for (KeywordRow &row : report.keywords) {
        row.in_title = report.places.title.count(row.word) > 0;
        row.in_h1 = report.places.h1.count(row.word) > 0;
    }
    report.findings = audit_page({fetched, content, report.text, report.analysis.charsets, robots});
    report.analysis_time =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    return report;
}

std::size_t report_memory(std::size_t body_bytes)
{
    const std::size_t html_bytes = 2 * body_bytes;
    return html_bytes + ParseBudget::for_page(body_bytes).memory_bytes + 3 * html_bytes;
}

} // namespace seo
