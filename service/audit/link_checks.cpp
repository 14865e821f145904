// Links and images: links by kind, vague link texts, links a crawler cannot follow,
// alternative texts.
#include "audit/checks.h"

#include "audit/vague_link_texts.h"
#include "base/unicode_text.h"
#include "fetch/url.h"

#include <algorithm>
#include <map>

namespace seo {
namespace {

std::string shown_text(const std::string &text)
{
    return text.empty() ? std::string("（无文字）") : in_quotes(text);
}

void check_vague_texts(const AuditInput &input, std::vector<Finding> &findings)
{
    std::map<std::string, std::size_t> vague;
    for (const PageContent::Link &link : input.content.links)
        if (is_vague_link_text(link.text, input.text))
            ++vague[link.text];
    if (vague.empty()) {
        findings.push_back(finding("links.vague", Verdict::pass, "没有“点击这里”“更多”之类的链接文字"));
        return;
    }
    std::vector<std::string> texts;
    std::size_t total = 0;
    for (const auto &[text, count] : vague) {
        texts.push_back(in_quotes(text) + (count > 1 ? " ×" + number(count) : ""));
        total += count;
    }
    findings.push_back(finding("links.vague", Verdict::warn,
                               number(total) + " 个链接的文字说明不了目标：" + listed(texts),
                               "链接文字写明目标页的内容（如“二手房交易流程”），搜索引擎用它理解目标页。"));
}

// Links only a script can follow: search engines find no address in them.
void check_crawlable(const AuditInput &input, std::vector<Finding> &findings)
{
    constexpr std::size_t kShownHrefBytes = 60; // a script can be any length
    std::vector<std::string> found;
    for (const PageContent::ScriptLink &link : input.content.script_links)
        found.push_back(shown_text(link.text) + "（"
                        + (link.href.empty() ? std::string("onclick，没有 href")
                                             : std::string(utf8_prefix(link.href, kShownHrefBytes)))
                        + "）");
    if (found.empty())
        findings.push_back(finding("links.crawlable", Verdict::pass, "所有链接都写有蜘蛛可以跟踪的地址"));
    else
        findings.push_back(finding("links.crawlable", Verdict::warn,
                                   number(found.size()) + " 个链接蜘蛛无法跟踪：" + listed(found),
                                   "链接请写在 <a href=\"目标地址\"> 里；只靠脚本跳转的链接，"
                                   "搜索引擎发现不了它指向的页面。"));
}

void check_images(const PageContent &content, std::vector<Finding> &findings)
{
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

} // namespace

LinkCounts count_links(const PageContent &content, const std::optional<Url> &page)
{
    LinkCounts counts;
    auto &[internal, external, nofollow, other] = counts;
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
    }
    return counts;
}

void check_links(const AuditInput &input, std::vector<Finding> &findings)
{
    const PageContent &content = input.content;
    const auto [internal, external, nofollow, other] = count_links(content, page_url(input.fetched));
    std::string counted = number(content.link_count) + " 个链接：站内 " + number(internal) + "，站外 "
        + number(external) + "，nofollow " + number(nofollow);
    if (other > 0)
        counted += "，其他（mailto:、javascript: 等）" + number(other);
    if (content.link_count > content.links.size())
        counted += "（分类统计前 " + number(content.links.size()) + " 个）";
    findings.push_back(finding("links.count", Verdict::info, counted));
    check_vague_texts(input, findings);
    check_crawlable(input, findings);
    check_images(content, findings);
}

} // namespace seo
