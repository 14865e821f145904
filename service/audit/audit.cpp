#include "audit/audit.h"

#include "audit/checks.h"

#include <cmath>

namespace seo {

std::string_view verdict_name(Finding::Verdict verdict)
{
    switch (verdict) {
    case Verdict::pass:
        return "pass";
    case Verdict::warn:
        return "warn";
    case Verdict::fail:
        return "fail";
    case Verdict::info:
        break;
    }
    return "info";
}

AuditSummary summarise(const std::vector<Finding> &findings)
{
    AuditSummary summary;
    for (const Finding &finding : findings) {
        switch (finding.verdict) {
        case Verdict::pass:
            ++summary.passed;
            break;
        case Verdict::warn:
            ++summary.warnings;
            break;
        case Verdict::fail:
            ++summary.failures;
            break;
        case Verdict::info:
            ++summary.notes;
            break;
        }
    }
    const std::size_t judged = summary.passed + summary.warnings + summary.failures;
    if (judged > 0)
        summary.score = int(
            std::lround(100.0 * (double(summary.passed) + 0.5 * double(summary.warnings)) / double(judged)));
    return summary;
}

std::vector<Finding> audit_page(const AuditInput &input)
{
    std::vector<Finding> findings;
    check_indexing(input, findings);
    check_snippet(input, findings);
    check_structure(input, findings);
    check_links(input, findings);
    check_shared_data(input, findings);
    check_technical(input, findings);
    return findings;
}

} // namespace seo
