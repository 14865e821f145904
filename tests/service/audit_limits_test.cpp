#include "audit/audit.h"
#include "audit/checks.h"
#include "audit/vague_link_texts.h"
#include "test_language.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>

namespace {

using seo::Verdict;

// A page that passes every check with limits, for each case to move one figure of.
struct Page
{
    seo::FetchResult fetched;
    seo::PageContent content;
    seo::CharsetSources charsets;

    Page()
    {
        fetched.hops = {{"http://example.com/", 200}};
        fetched.body = "<html>";
        content.title = std::string(30, 't');
        content.title_count = 1;
        content.description = std::string(100, 'd');
        content.description_count = 1;
        content.headings = {{1, "heading"}};
    }

    std::vector<seo::Finding> audit() const
    {
        const seo::PageText text(content.text, test_language());
        return seo::audit_page({fetched, content, text, charsets, nullptr});
    }
};

struct Judged
{
    Verdict verdict;
    double measure;
    bool operator==(const Judged &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Judged &judged)
{
    return out << seo::verdict_name(judged.verdict) << " at " << judged.measure;
}

Judged judged(const std::vector<seo::Finding> &findings, const std::string &id)
{
    const auto found =
        std::find_if(findings.begin(), findings.end(), [&](const auto &f) { return f.id == id; });
    if (found == findings.end())
        return {Verdict::info, -1}; // reported only when it is not passed
    return {found->verdict, found->measure.value_or(-1)};
}

// Each figure just below, at and just above each of its limits.
TEST(AuditLimits, VerdictsChangeExactlyAtTheStatedLimits)
{
    const auto title = [](std::string text) { return [text](Page &p) { p.content.title = text; }; };
    const auto description = [](std::size_t n) {
        return [n](Page &p) { p.content.description = std::string(n, 'd'); };
    };
    const auto h1s = [](int n) {
        return [n](Page &p) { p.content.headings.assign(std::size_t(n), seo::PageContent::Heading{1, "h"}); };
    };
    const auto hops = [](std::vector<long> statuses) {
        return [statuses](Page &p) {
            p.fetched.hops.clear();
            for (const long status : statuses)
                p.fetched.hops.push_back(
                    {"http://example.com/" + std::to_string(p.fetched.hops.size()), status});
        };
    };
    const auto body = [](std::size_t bytes) {
        return [bytes](Page &p) { p.fetched.body.assign(bytes, 'x'); };
    };
    const auto took = [](int ms) {
        return [ms](Page &p) { p.fetched.elapsed = std::chrono::milliseconds(ms); };
    };
    // A check, a change to the page, and the check's verdict and measure.
    const std::tuple<const char *, std::function<void(Page &)>, Judged> cases[] = {
        {"snippet.title", title(std::string(15, 'a')), {Verdict::warn, 15}},
        {"snippet.title", title(std::string(16, 'a')), {Verdict::pass, 16}},
        {"snippet.title", title("汉字汉字汉字汉字"), {Verdict::pass, 16}}, // a Chinese character is 2 wide
        {"snippet.title", title(std::string(60, 'a')), {Verdict::pass, 60}},
        {"snippet.title", title(std::string(61, 'a')), {Verdict::warn, 61}},
        {"snippet.title", title(""), {Verdict::fail, -1}},
        {"snippet.title_count", [](Page &p) { p.content.title_count = 2; }, {Verdict::warn, 2}},
        {"snippet.description", description(49), {Verdict::warn, 49}},
        {"snippet.description", description(50), {Verdict::pass, 50}},
        {"snippet.description", description(156), {Verdict::pass, 156}},
        {"snippet.description", description(157), {Verdict::warn, 157}},
        {"snippet.description_count", [](Page &p) { p.content.description_count = 2; }, {Verdict::warn, 2}},
        {"structure.h1", h1s(0), {Verdict::fail, 0}},
        {"structure.h1", h1s(1), {Verdict::pass, 1}},
        {"structure.h1", h1s(2), {Verdict::warn, 2}},
        {"indexing.status", hops({200}), {Verdict::pass, 0}},
        {"indexing.status", hops({301, 200}), {Verdict::pass, 1}},
        {"indexing.status", hops({308, 301, 200}), {Verdict::warn, 2}},
        {"indexing.status", hops({302, 200}), {Verdict::warn, -1}}, // temporary, however short
        {"technical.size", body(1024 * 1024), {Verdict::pass, 1024}},
        {"technical.size", body(1024 * 1024 + 1024), {Verdict::warn, 1025}},
        {"technical.response_time", took(1000), {Verdict::pass, 1000}},
        {"technical.response_time", took(1001), {Verdict::warn, 1001}},
    };
    for (const auto &[id, change, expected] : cases) {
        Page page;
        change(page);
        EXPECT_EQ(judged(page.audit(), id), expected) << id;
    }
}

TEST(AuditLimits, DensityIsJudgedAtTwoAndEightPercent)
{
    // Occurrences, the density in percent, and its verdict.
    const std::tuple<std::size_t, double, Judged> cases[] = {
        {0, 0, {Verdict::fail, 0}},     {1, 1.99, {Verdict::warn, 1.99}}, {1, 2.0, {Verdict::pass, 2.0}},
        {9, 8.0, {Verdict::pass, 8.0}}, {9, 8.01, {Verdict::warn, 8.01}},
    };
    for (const auto &[occurrences, percent, expected] : cases) {
        seo::KeywordPlacement placement;
        placement.keyword = "词";
        placement.density.occurrences = occurrences;
        placement.density.percent = percent;
        EXPECT_EQ(judged(seo::placement_findings(placement), "keyword.density"), expected) << percent;
    }
}

TEST(AuditMeasures, CountsLinksByKind)
{
    // A link's href and rel, and how it is counted: internal, external, other, nofollow.
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {"/a", "", "i"},
        {"b.html", "nofollow", "in"},
        {"http://EXAMPLE.com:80/c", "", "i"},
        {"//other.org/d", "external nofollow", "en"},
        {"https://other.org/", "ugc", "e"},
        {"mailto:someone@example.com", "", "o"},
        {"javascript:void(0)", "nofollower", "o"},
    };
    const std::optional<seo::Url> page = seo::Url::parse("http://example.com/page.html");
    for (const auto &[href, rel, counted] : cases) {
        seo::PageContent content;
        content.links = {{href, "text", rel}};
        const seo::LinkCounts counts = seo::count_links(content, page);
        const std::string found = std::string(counts.internal, 'i') + std::string(counts.external, 'e')
            + std::string(counts.other, 'o') + std::string(counts.nofollow, 'n');
        EXPECT_EQ(found, counted) << href << " " << rel;
    }
}

// One phrase list, matched in either script, any width and case, whatever decorates it.
TEST(AuditMeasures, TellsVagueLinkTextsInEveryScript)
{
    const seo::PageText page("", test_language());
    const std::pair<const char *, bool> cases[] = {
        {"点击这里", true},
        {"點擊這裡", true},
        {"了解詳情", true},
        {"[详情]", true},
        {"更多>>", true},
        {"ＣＬＩＣＫ ＨＥＲＥ", true},
        {"See more »", true},
        {"Go", true},
        {"more info", true},
        {"This", true},
        {"information", true},
        {"Right here!", true},
        {"二手房详情", false},
        {"更多二手房", false},
        {"Go to downloads", false},
        {"Start your trial", false},
        {"", false},
    };
    for (const auto &[text, vague] : cases)
        EXPECT_EQ(seo::is_vague_link_text(text, page), vague) << text;
    // Every phrase of the list is found as it is written.
    for (const std::string_view phrase : seo::kVagueLinkTexts)
        EXPECT_TRUE(seo::is_vague_link_text(phrase, page)) << phrase;
}

// A finding finds its row by its id: two rows of one id would hide the second.
TEST(AuditLimits, EveryCheckHasOneRow)
{
    std::vector<std::string_view> ids;
    for (const seo::CheckSpec &spec : seo::kChecks)
        ids.push_back(spec.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

} // namespace
