#include "crawl/page_facts.h"

#include "base/joined.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <sstream>

namespace seo {
namespace {

bool has_token(const std::string &rel, std::string_view token)
{
    std::istringstream tokens(rel);
    std::string word;
    while (tokens >> word)
        if (word == token)
            return true;
    return false;
}

std::string redirects_json(const std::vector<FetchHop> &hops)
{
    auto redirects = nlohmann::json::array();
    for (std::size_t i = 0; i + 1 < hops.size(); ++i)
        redirects.push_back({hops[i].url, hops[i].status});
    return redirects.dump();
}

std::string robots_directives(const PageReport &report)
{
    std::vector<std::string> directives;
    for (const auto &meta : report.analysis.content.robots_meta)
        directives.push_back(meta.name + ": " + meta.value);
    for (const std::string &header : report.fetch.robots_headers)
        directives.push_back("X-Robots-Tag: " + header);
    return joined(directives, "; ");
}

void add_links(const PageReport &report, const std::optional<Url> &base, PageFacts &facts)
{
    const PageContent &content = report.analysis.content;
    auto add = [&](std::string_view href, std::string kind, std::string hreflang, std::string anchor,
                   bool nofollow) {
        const std::optional<Url> target = base ? base->resolve(href) : std::nullopt;
        if (target && facts.links.size() < kMaxLinksPerPage)
            facts.links.push_back(
                {target->text(), std::move(kind), std::move(hreflang), std::move(anchor), nofollow});
    };
    for (const std::string &canonical : content.canonicals)
        add(canonical, "canonical", {}, {}, false);
    for (const auto &alternate : content.alternates)
        add(alternate.value, "alternate", alternate.name, {}, false);
    for (const auto &[direction, href] : content.pagination)
        add(href, direction, {}, {}, false);
    for (const auto &link : content.links) {
        const char *kind = has_token(link.rel, "next") ? "next" : has_token(link.rel, "prev") ? "prev" : "a";
        add(link.href, kind, {}, link.text, has_token(link.rel, "nofollow"));
    }
}

} // namespace

PageFacts facts_of(const PageReport &report)
{
    PageFacts facts;
    const FetchSummary &fetch = report.fetch;
    facts.final_url = fetch.final_url();
    if (!fetch.hops.empty())
        facts.status = int(fetch.hops.back().status);
    facts.failure = report.analysis.failure;
    facts.redirects = redirects_json(fetch.hops);
    facts.content_type = fetch.content_type;
    facts.bytes = std::int64_t(fetch.bytes);
    facts.response_ms = fetch.elapsed.count();
    if (!report.analysis.ok())
        return facts;

    const PageContent &content = report.analysis.content;
    facts.title = content.title;
    facts.description = content.description;
    facts.h1 = content.h1_text();
    facts.h1_count = int(std::count_if(content.headings.begin(), content.headings.end(),
                                       [](const auto &heading) { return heading.level == 1; }));
    const std::optional<Url> base = Url::parse(facts.final_url);
    if (!content.canonicals.empty() && base)
        if (const std::optional<Url> canonical = base->resolve(content.canonicals.front()))
            facts.canonical = canonical->text();
    facts.robots = robots_directives(report);
    facts.text_chars = std::int64_t(report.text.length());
    facts.text_words = std::int64_t(report.word_count);
    facts.content_hash = report.content_hash;
    facts.simhash = report.simhash;

    auto verdicts = nlohmann::json::object();
    for (const Finding &finding : report.findings) {
        verdicts[finding.id] = verdict_name(finding.verdict);
        if (finding.id == "indexing.noindex")
            facts.noindex = finding.verdict == Verdict::fail;
    }
    facts.verdicts = verdicts.dump();
    facts.score = summarise(report.findings).score;
    auto keywords = nlohmann::json::array();
    for (const KeywordRow &row : report.keywords)
        keywords.push_back({row.word, row.occurrences, row.density});
    facts.keywords = keywords.dump();
    add_links(report, base, facts);
    return facts;
}

std::vector<Url> targets_of(const PageFacts &facts, const Url &page)
{
    std::vector<Url> targets;
    std::set<std::string> seen{page.text()};
    auto add = [&](const std::string &address) {
        if (seen.insert(address).second)
            if (std::optional<Url> url = Url::parse(address))
                targets.push_back(std::move(*url));
    };
    add(facts.final_url);
    for (const StoredLink &link : facts.links)
        add(link.to_url);
    return targets;
}

} // namespace seo
