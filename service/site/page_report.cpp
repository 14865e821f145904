#include "site/page_report.h"

#include "site/html_tree.h"

namespace seo {

PageReport make_report(const FetchResult &fetched, const Segmenter &segmenter)
{
    PageReport report;
    report.analysis = analyse_page(fetched);
    if (report.analysis.ok()) {
        report.text = make_page_text(report.analysis.content.text);
        report.keywords = top_keywords(report.text, segmenter);
    }
    return report;
}

std::size_t report_memory(std::size_t body_bytes)
{
    const std::size_t html_bytes = 2 * body_bytes;
    return html_bytes + ParseBudget::for_page(body_bytes).memory_bytes + 3 * html_bytes;
}

} // namespace seo
