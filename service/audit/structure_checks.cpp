// The page's outline and its fit to small screens: h1, heading levels, viewport.
#include "audit/checks.h"

#include "base/ascii.h"

#include <algorithm>

namespace seo {
namespace {

void check_headings(const AuditInput &input, std::vector<Finding> &findings)
{
    const auto &headings = input.content.headings;
    const auto h1_count = std::size_t(
        std::count_if(headings.begin(), headings.end(), [](const auto &h) { return h.level == 1; }));
    const Verdict verdict = check_spec("structure.h1").judge(double(h1_count), Verdict::fail);
    if (h1_count == 0)
        findings.push_back(finding("structure.h1", verdict, "页面没有 H1 标题",
                                   "用一个 H1 写出页面的主题，其中包含主要关键词。", 0));
    else if (verdict != Verdict::pass)
        findings.push_back(finding("structure.h1", verdict, "页面有 " + number(h1_count) + " 个 H1",
                                   "一个页面宜只有一个 H1，其余标题用 H2–H6。", double(h1_count)));
    else
        findings.push_back(finding("structure.h1", verdict, "一个 H1", {}, double(h1_count)));

    std::vector<std::string> skips;
    int previous = 0;
    for (const PageContent::Heading &heading : headings) {
        if (previous > 0 && heading.level > previous + 1)
            skips.push_back(
                joined({"H", std::to_string(previous), " 之后直接是 H", std::to_string(heading.level)}));
        previous = heading.level;
    }
    if (headings.empty())
        return;
    if (skips.empty())
        findings.push_back(
            finding("structure.outline", Verdict::pass, number(headings.size()) + " 个标题，层级没有跳跃"));
    else
        findings.push_back(finding("structure.outline", Verdict::warn, "层级跳跃：" + listed(skips),
                                   "标题按层级逐级使用（H2 下面是 H3），不要为了字号跳级。"));
}

void check_viewport(const AuditInput &input, std::vector<Finding> &findings)
{
    const PageContent &content = input.content;
    std::string squeezed = ascii_lower(content.viewport);
    std::erase(squeezed, ' ');
    if (!content.has_viewport)
        findings.push_back(
            finding("structure.viewport", Verdict::warn, "没有 viewport 标签",
                    "加上 <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">，"
                    "否则手机上页面会缩成一小块，移动搜索会降低排名。"));
    else if (squeezed.find("width=device-width") == std::string::npos)
        findings.push_back(finding("structure.viewport", Verdict::warn,
                                   "viewport 为 " + in_quotes(content.viewport),
                                   "viewport 应包含 width=device-width。"));
    else
        findings.push_back(finding("structure.viewport", Verdict::pass, in_quotes(content.viewport)));
}

} // namespace

void check_structure(const AuditInput &input, std::vector<Finding> &findings)
{
    check_headings(input, findings);
    check_viewport(input, findings);
}

} // namespace seo
