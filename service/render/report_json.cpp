#include "render/report_json.h"

#include "base/unicode_text.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace seo {
namespace {

using nlohmann::json;

// Texts are valid UTF-8 by construction; should one not be, it is replaced rather than
// refused, so an answer is always written.
std::string dumped(const json &value)
{
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

json meta_text(const std::string &text, std::size_t count)
{
    return {
        {"text", text}, {"length", code_point_count(text)}, {"width", display_width(text)}, {"count", count}};
}

json density_json(const DensityFigures &figures)
{
    return {{"text_length", figures.text_length},
            {"keyword_length", figures.keyword_length},
            {"occurrences", figures.occurrences},
            {"keyword_characters", figures.keyword_characters},
            {"percent", rounded(figures.percent, 2)}};
}

} // namespace

std::string report_json(std::string_view url, const PageReport &report,
                        const std::optional<KeywordPlacement> &placement, double answer_ms)
{
    const PageContent &content = report.analysis.content;
    const FetchSummary &fetch = report.fetch;
    json redirects = json::array();
    for (std::size_t i = 0; i + 1 < fetch.hops.size(); ++i)
        redirects.push_back({{"url", fetch.hops[i].url}, {"status", fetch.hops[i].status}});
    json keywords = json::array();
    for (const KeywordRow &row : report.keywords)
        keywords.push_back({{"word", row.word},
                            {"occurrences", row.occurrences},
                            {"density", rounded(row.density, 2)},
                            {"in_title", row.in_title},
                            {"in_h1", row.in_h1}});
    json headings = json::array();
    for (const PageContent::Heading &heading : content.headings)
        headings.push_back({{"level", heading.level}, {"text", heading.text}});
    const std::vector<Finding> findings = with_placement(report.findings, placement);
    json keyword = nullptr;
    if (placement) {
        keyword = {
            {"keyword", placement->keyword},       {"density", density_json(placement->density)},
            {"in_title", placement->in_title},     {"in_description", placement->in_description},
            {"in_h1", placement->in_h1},           {"in_first_paragraph", placement->in_first_paragraph},
            {"in_address", placement->in_address}, {"image_alts", placement->image_alts},
            {"link_texts", placement->link_texts}};
    }
    json audit = json::array();
    for (const Finding &finding : findings)
        audit.push_back({{"id", finding.id},
                         {"group", finding.group},
                         {"verdict", verdict_name(finding.verdict)},
                         {"check", finding.check},
                         {"detail", finding.detail},
                         {"advice", finding.advice}});
    const AuditSummary summary = summarise(findings);
    const std::size_t images_without_alt = std::size_t(std::count_if(
        content.images.begin(), content.images.end(), [](const auto &image) { return !image.has_alt; }));
    const json answer = {
        {"url", url},
        {"final_url", fetch.final_url()},
        {"fetch",
         {{"status", fetch.hops.empty() ? 0 : fetch.hops.back().status},
          {"redirects", redirects},
          {"elapsed_ms", fetch.elapsed.count()},
          {"bytes", fetch.bytes},
          {"content_type", fetch.content_type},
          {"x_robots_tag", fetch.robots_headers}}},
        {"charset",
         {{"byte_order_mark", report.analysis.charsets.byte_order_mark},
          {"http", report.analysis.charsets.http},
          {"meta", report.analysis.charsets.meta},
          {"used", report.analysis.charsets.used}}},
        {"meta",
         {{"title", meta_text(content.title, content.title_count)},
          {"keywords", meta_text(content.keywords, content.keywords.empty() ? 0 : 1)},
          {"description", meta_text(content.description, content.description_count)}}},
        {"text", {{"length", report.text.length()}, {"traditional", report.text.traditional()}}},
        {"keywords", keywords},
        {"keyword", keyword},
        {"headings", headings},
        {"links", {{"count", content.link_count}}},
        {"images", {{"count", content.image_count}, {"without_alt", images_without_alt}}},
        {"audit",
         {{"summary",
           {{"pass", summary.passed},
            {"warn", summary.warnings},
            {"fail", summary.failures},
            {"info", summary.notes},
            {"score", summary.score}}},
          {"findings", audit}}},
        {"timings",
         {{"fetch_ms", fetch.elapsed.count()},
          {"analysis_ms", rounded(double(report.analysis_time.count()) / 1000.0, 1)},
          {"answer_ms", rounded(answer_ms, 1)}}},
    };
    return dumped(answer);
}

std::string error_json(std::string_view code, std::string_view message, std::string_view detail)
{
    json error = {{"code", code}, {"message", message}};
    if (!detail.empty())
        error["detail"] = detail;
    return dumped(json{{"error", error}});
}

} // namespace seo
