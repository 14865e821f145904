// Links and images: links by kind, vague link texts, alternative texts.
#include "audit/checks.h"

#include "base/unicode_text.h"
#include "fetch/url.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <map>
#include <set>

namespace seo {
namespace {

// A link text that says nothing of where it leads: compared without case, spaces,
// punctuation or symbols (更多>>, [详情], Read more…).
bool is_vague_link_text(std::string_view text)
{
    static const std::set<std::string> kVague = {
        "点击这里", "点击此处",  "点这里",   "点此", "点击",     "这里",      "此处",     "更多",
        "查看更多", "更多内容",  "了解更多", "详情", "详细",     "查看详情",  "详细信息", "阅读全文",
        "阅读更多", "全文",      "链接",     "进入", "点击进入", "clickhere", "here",     "readmore",
        "more",     "learnmore", "details",  "link", "thispage", "continue"};
    std::string kept;
    for_each_code_point(text, [&](char32_t ch, std::size_t begin, std::size_t end) {
        if (u_isalnum(UChar32(ch)))
            kept.append(text.substr(begin, end - begin));
    });
    return kVague.contains(fold_case(kept));
}

} // namespace

LinkCounts count_links(const PageContent &content, const std::optional<Url> &page)
{
    LinkCounts counts;
    auto &[internal, external, nofollow, other, vague] = counts;
    for (const PageContent::Link &link : content.links) {
        // A relative reference stays on the page's host: only the others need parsing.
        const std::string_view href = link.href;
        const std::size_t colon = href.find(':');
        const bool has_scheme = colon != std::string_view::npos && href.find_first_of("/?#") > colon;
        if (!has_scheme && !href.starts_with("//")) {
            ++internal;
        } else {
            const std::optional<Url> target = resolved(page, href);
            if (!target)
                ++other;
            else if (target->host() == page->host())
                ++internal;
            else
                ++external;
        }
        if ((" " + link.rel + " ").find(" nofollow ") != std::string::npos)
            ++nofollow;
        if (is_vague_link_text(link.text))
            ++vague[link.text];
    }
    return counts;
}

void check_links(const AuditInput &input, std::vector<Finding> &findings)
{
    const PageContent &content = input.content;
    const auto [internal, external, nofollow, other, vague] = count_links(content, page_url(input.fetched));
    std::string counted = number(content.link_count) + " 个链接：站内 " + number(internal) + "，站外 "
        + number(external) + "，nofollow " + number(nofollow);
    if (other > 0)
        counted += "，其他（mailto:、javascript: 等）" + number(other);
    if (content.link_count > content.links.size())
        counted += "（分类统计前 " + number(content.links.size()) + " 个）";
    findings.push_back(finding("links.count", Verdict::info, counted));

    if (vague.empty()) {
        findings.push_back(finding("links.vague", Verdict::pass, "没有“点击这里”“更多”之类的链接文字"));
    } else {
        std::vector<std::string> texts;
        std::size_t total = 0;
        for (const auto &[text, count] : vague) {
            texts.push_back(in_quotes(text) + (count > 1 ? " ×" + number(count) : ""));
            total += count;
        }
        findings.push_back(finding(
            "links.vague", Verdict::warn, number(total) + " 个链接的文字说明不了目标：" + listed(texts),
            "链接文字写明目标页的内容（如“二手房交易流程”），搜索引擎用它理解目标页。"));
    }

    const std::size_t without_alt = std::size_t(std::count_if(
        content.images.begin(), content.images.end(), [](const auto &image) { return !image.has_alt; }));
    std::vector<std::string> sources;
    for (const PageContent::Image &image : content.images)
        if (!image.has_alt)
            sources.push_back(image.src.empty() ? "（无 src）" : image.src);
    if (content.image_count == 0)
        findings.push_back(finding("images.alt", Verdict::info, "页面没有图片"));
    else if (without_alt == 0)
        findings.push_back(
            finding("images.alt", Verdict::pass, number(content.image_count) + " 张图片都有 alt"));
    else
        findings.push_back(finding("images.alt", Verdict::warn,
                                   number(without_alt) + " 张图片没有 alt（共 " + number(content.image_count)
                                       + " 张）：" + listed(sources, 3),
                                   "为有内容的图片写上描述图片的 alt 文字；纯装饰的图片写 alt=\"\"。"));
}

} // namespace seo
