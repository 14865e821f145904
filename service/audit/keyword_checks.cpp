// Where the keyword a user typed appears on the page, and its density.
#include "audit/checks.h"

#include "base/percent_encoding.h"
#include "base/unicode_text.h"

namespace seo {

namespace {

// The address as a reader sees it: percent-escapes decoded, its separators as spaces.
std::string readable_address(std::string_view url)
{
    std::string out = percent_decoded(url);
    for (char &c : out)
        if (std::string_view("/-_.?=&+:#").find(c) != std::string_view::npos)
            c = ' ';
    return out;
}

} // namespace

PlacementTexts placement_texts(const PageContent &content, std::string_view page_url,
                               const Language &language)
{
    std::string alts, link_texts;
    for (const PageContent::Image &image : content.images)
        alts += image.alt + '\n';
    for (const PageContent::Link &link : content.links)
        link_texts += link.text + '\n';
    return {PageText(content.title, language),
            PageText(content.description, language),
            PageText(content.h1_text(), language),
            PageText(content.first_paragraph, language),
            PageText(readable_address(page_url), language),
            PageText(alts, language),
            PageText(link_texts, language)};
}

KeywordPlacement keyword_placement(const PlacementTexts &places, const PageText &text,
                                   std::string_view keyword)
{
    KeywordPlacement placement;
    placement.keyword = typed_keyword(keyword);
    placement.density = density_figures(text, keyword);
    if (placement.keyword.empty())
        return placement;
    placement.in_title = places.title.count(keyword) > 0;
    placement.in_description = places.description.count(keyword) > 0;
    placement.in_h1 = places.h1.count(keyword) > 0;
    placement.in_first_paragraph = places.first_paragraph.count(keyword) > 0;
    placement.in_address = places.address.count(keyword) > 0;
    placement.image_alts = places.image_alts.lines_holding(keyword);
    placement.link_texts = places.link_texts.lines_holding(keyword);
    return placement;
}

std::vector<Finding> with_placement(std::vector<Finding> findings,
                                    const std::optional<KeywordPlacement> &placement)
{
    if (placement) {
        std::vector<Finding> placed = placement_findings(*placement);
        findings.insert(findings.end(), std::make_move_iterator(placed.begin()),
                        std::make_move_iterator(placed.end()));
    }
    return findings;
}

std::vector<Finding> placement_findings(const KeywordPlacement &placement)
{
    std::vector<Finding> findings;
    if (placement.keyword.empty())
        return findings;
    const std::string keyword = in_quotes(placement.keyword);
    const auto place = [&](const char *id, const char *where, bool found, Verdict missing,
                           const char *advice) {
        findings.push_back(finding(id, found ? Verdict::pass : missing,
                                   keyword + (found ? "出现在" : "没有出现在") + where, found ? "" : advice));
    };
    place("keyword.title", "标题中", placement.in_title, Verdict::fail, "把关键词写进标题，最好靠前。");
    place("keyword.description", "描述中", placement.in_description, Verdict::warn,
          "在描述中自然地提到关键词。");
    place("keyword.h1", " H1 中", placement.in_h1, Verdict::warn, "H1 标题宜包含关键词。");
    place("keyword.first_paragraph", "第一段中", placement.in_first_paragraph, Verdict::warn,
          "在正文开头就点明主题，第一段包含关键词。");
    place("keyword.address", "网址中", placement.in_address, Verdict::info,
          "网址中有关键词（英文或拼音）对排名略有帮助，但不必为此更改已收录的网址。");
    findings.push_back(finding("keyword.image_alt", placement.image_alts > 0 ? Verdict::pass : Verdict::info,
                               number(placement.image_alts) + " 张图片的 alt 含有" + keyword));
    findings.push_back(finding("keyword.link_text", placement.link_texts > 0 ? Verdict::pass : Verdict::info,
                               number(placement.link_texts) + " 个链接的文字含有" + keyword));
    const DensityFigures &density = placement.density;
    const std::string figures =
        keyword + "出现 " + number(density.occurrences) + " 次，密度 " + format_percent(density.percent);
    const CheckSpec &spec = check_spec("keyword.density");
    const Verdict verdict = spec.judge(density.percent);
    if (density.occurrences == 0)
        findings.push_back(finding("keyword.density", Verdict::fail, figures,
                                   "正文中没有这个关键词（按词语计数，不计入更长的词之中）。", 0));
    else if (verdict != Verdict::pass && density.percent < spec.low)
        findings.push_back(finding("keyword.density", verdict, figures + "，低于 2%",
                                   "在正文中多讨论这个主题，自然地多用几次关键词。", density.percent));
    else if (verdict != Verdict::pass)
        findings.push_back(finding("keyword.density", verdict, figures + "，高于 8%",
                                   "关键词重复过多可能被视为堆砌，换用同义词或减少重复。", density.percent));
    else
        findings.push_back(
            finding("keyword.density", verdict, figures + "，在 2%–8% 之间", {}, density.percent));
    return findings;
}

} // namespace seo
