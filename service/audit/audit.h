#pragma once

#include "audit/check_table.h"
#include "fetch/fetcher.h"
#include "fetch/robots_files.h"
#include "read/charset.h"
#include "read/html_document.h"
#include "words/language.h"
#include "words/page_text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// One check of the on-page audit (a row of kChecks) and what it found.
struct Finding
{
    using Verdict = seo::Verdict;

    std::string id; // stable, for scripts: "snippet.title"
    std::string group; // the heading it is shown under
    Verdict verdict = Verdict::info;
    std::string check; // what was checked
    std::string detail; // what was found; may quote the page
    std::string advice; // one line; empty when there is nothing to do
    std::optional<double> measure; // the figure judged against the check's limits, where it has them
};

// The audit's summary: counts by verdict, and a score from 0 to 100 that counts each
// passed check fully, each warning half and each failure not at all, over the checks
// that give a verdict (information is left out).
struct AuditSummary
{
    std::size_t passed = 0, warnings = 0, failures = 0, notes = 0;
    int score = 0;
};
AuditSummary summarise(const std::vector<Finding> &findings);

// Everything the page-wide checks look at.
struct AuditInput
{
    const FetchResult &fetched;
    const PageContent &content;
    const PageText &text;
    const CharsetSources &charsets;
    const RobotsJudgement *robots; // none when the service has no robots.txt for the site
};

// The checks that need no keyword: indexing, title and description, structure, links and
// images, social and structured data, size, speed and character set.
std::vector<Finding> audit_page(const AuditInput &input);

// Where a keyword appears, counted by the page text's rule.
struct KeywordPlacement
{
    std::string keyword; // as typed, white space collapsed
    bool in_title = false;
    bool in_description = false;
    bool in_h1 = false;
    bool in_first_paragraph = false;
    bool in_address = false;
    std::size_t image_alts = 0; // alternative texts that hold it
    std::size_t link_texts = 0;
    DensityFigures density;
};
// The parts of a page where a keyword is looked for, segmented once with the page so that
// a request for a keyword only counts.
struct PlacementTexts
{
    PageText title, description, h1, first_paragraph, address;
    PageText image_alts, link_texts; // a line each
};
PlacementTexts placement_texts(const PageContent &content, std::string_view page_url,
                               const Language &language);
KeywordPlacement keyword_placement(const PlacementTexts &places, const PageText &text,
                                   std::string_view keyword);
std::vector<Finding> placement_findings(const KeywordPlacement &placement);
// A page's findings followed by those of a keyword's placement, when there is one.
std::vector<Finding> with_placement(std::vector<Finding> findings,
                                    const std::optional<KeywordPlacement> &placement);

std::string_view verdict_name(Finding::Verdict verdict); // "pass", "warn", "fail", "info"

} // namespace seo
