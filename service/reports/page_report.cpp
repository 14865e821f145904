#include "reports/page_report.h"

#include "base/memory_budget.h"
#include "base/memory_cost.h"
#include "read/html_tree.h"
#include "words/page_fingerprint.h"

#include <time.h>

namespace seo {
namespace {

std::chrono::nanoseconds thread_cpu_time()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// The part of an analysis' first grant that its parse may take: the body, decoded, and a
// tree of text-heavy density.
// Between the steps of an analysis: it ends when the service stops, gives up a page that
// has taken the CPU time a page of its size may take, and holds the memory it has come to.
class Steps
{
public:
    Steps(std::size_t body_bytes, const AnalysisBounds &bounds)
        : bounds_(bounds)
        , limit_(thread_cpu_time() + analysis_cpu_time(body_bytes))
        , held_(bounds.memory_granted)
    {}

    // Whether the analysis may go on.
    bool next(PageReport &report) const
    {
        if (bounds_.stop.stop_requested())
            throw ServiceBusy();
        if (thread_cpu_time() < limit_)
            return true;
        report.analysis.failure = "页面过于复杂，分析超时";
        return false;
    }

    // The analysis holds `bytes` from now on.
    void hold(std::size_t bytes)
    {
        if (bytes <= held_ || !bounds_.hold_memory)
            return;
        if (!bounds_.hold_memory(bytes))
            throw ServiceBusy();
        held_ = bytes;
    }
    // A parse whose tree passes its share asks for the rest.
    std::function<bool(std::size_t)> parse_memory(std::size_t share)
    {
        if (!bounds_.hold_memory)
            return {};
        return [this, share](std::size_t tree) {
            const std::size_t bytes = bounds_.memory_granted + tree - std::min(tree, share);
            if (bytes > held_ && !bounds_.hold_memory(bytes))
                return false;
            held_ = std::max(held_, bytes);
            return true;
        };
    }

private:
    const AnalysisBounds &bounds_;
    std::chrono::nanoseconds limit_;
    std::size_t held_;
};

std::size_t strings_bytes(const std::vector<std::string> &strings)
{
    std::size_t bytes = strings.capacity() * sizeof(std::string);
    for (const std::string &text : strings)
        bytes += text.capacity();
    return bytes;
}

std::size_t content_bytes(const PageContent &content)
{
    std::size_t bytes = content.title.capacity() + content.keywords.capacity()
        + content.description.capacity() + content.text.capacity() + content.first_paragraph.capacity()
        + strings_bytes(content.canonicals) + strings_bytes(content.json_ld);
    for (const auto &heading : content.headings)
        bytes += sizeof heading + heading.text.capacity();
    for (const auto &link : content.links)
        bytes += sizeof link + link.href.capacity() + link.text.capacity() + link.rel.capacity();
    for (const auto &image : content.images)
        bytes += sizeof image + image.src.capacity() + image.alt.capacity();
    for (const auto *values : {&content.robots_meta, &content.alternates, &content.open_graph})
        for (const auto &named : *values)
            bytes += sizeof named + named.name.capacity() + named.value.capacity();
    return bytes;
}

} // namespace

PageReport make_report(const FetchResult &fetched, const RobotsJudgement *robots, const Language &language,
                       const AnalysisBounds &bounds)
{
    const auto started = std::chrono::steady_clock::now();
    const std::size_t body = fetched.body.size();
    Steps steps(body, bounds);
    PageReport report;
    report.fetch = {fetched.hops,         fetched.elapsed,        body,
                    fetched.content_type, fetched.robots_headers, fetched.retry_after};
    ParseBudget budget = ParseBudget::for_page(body);
    budget.memory_granted = memory_cost::parse_share(body);
    budget.more_memory = steps.parse_memory(budget.memory_granted);
    report.analysis = read_fetched_page(fetched, budget);
    if (!report.analysis.ok() || !steps.next(report))
        return report;
    PageContent &content = report.analysis.content;
    report.text = PageText(content.text, language, std::move(content.layout));
    // The page, its texts and words, and the table's index of the words (8 bytes each).
    steps.hold(body + content_bytes(content) + report.text.memory_bytes() + 8 * report.text.words().size());
    if (!steps.next(report))
        return report;
    report.word_count = report.text.words().size();
    report.content_hash = content_hash(content.text);
    report.simhash = simhash(report.text);
    report.places = placement_texts(content, report.fetch.final_url(), language);
    report.keywords =
        top_keywords(report.text, language, page_topic(content.title, content.h1_text(), language));
    for (PageText *text : {&report.text, &report.places.title, &report.places.description, &report.places.h1,
                           &report.places.first_paragraph, &report.places.address, &report.places.image_alts,
                           &report.places.link_texts})
        text->release_words();
    if (!steps.next(report))
        return report;
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

std::chrono::milliseconds analysis_cpu_time(std::size_t body_bytes)
{
    return 2 * ParseBudget::for_page(body_bytes).cpu_time;
}

std::size_t resident_bytes(const PageReport &report)
{
    std::size_t bytes = sizeof report + content_bytes(report.analysis.content) + report.text.memory_bytes();
    for (const PageText *text :
         {&report.places.title, &report.places.description, &report.places.h1, &report.places.first_paragraph,
          &report.places.address, &report.places.image_alts, &report.places.link_texts})
        bytes += text->memory_bytes();
    for (const KeywordRow &row : report.keywords)
        bytes += sizeof row + row.word.capacity();
    for (const Finding &finding : report.findings)
        bytes += sizeof finding + finding.id.capacity() + finding.group.capacity() + finding.check.capacity()
            + finding.detail.capacity() + finding.advice.capacity();
    return bytes;
}

} // namespace seo
