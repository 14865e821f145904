// What a results page shows of the page: its title and description, and its keywords tag.
#include "audit/checks.h"

#include "base/unicode_text.h"
#include "words/page_text.h"

namespace seo {
namespace {

// The title's or the description's width, judged against its check's limits.
void check_snippet_text(std::string_view id, std::string_view name, const std::string &text,
                        std::size_t count, std::vector<Finding> &findings)
{
    const std::string what(name);
    if (text.empty()) {
        findings.push_back(finding(id, Verdict::fail, "没有" + what,
                                   "每个页面都应有独特的" + what + "，它是搜索结果里显示的内容。"));
        return;
    }
    const std::string count_id = std::string(id) + "_count";
    if (const Verdict verdict = check_spec(count_id).judge(double(count)); verdict != Verdict::pass)
        findings.push_back(finding(count_id, verdict,
                                   "页面有 " + number(count) + " 个" + what + "，搜索引擎只取其一",
                                   "只保留一个" + what + "。", double(count)));

    const CheckSpec &spec = check_spec(id);
    const std::size_t width = display_width(text);
    const auto low = std::size_t(spec.low), high = std::size_t(spec.high);
    const Verdict verdict = spec.judge(double(width));
    std::string detail = "宽度 " + number(width) + "（" + number(code_point_count(text)) + " 个字符）";
    std::string advice;
    if (verdict != Verdict::pass && double(width) < spec.low) {
        detail += "，偏短";
        advice = what + "宽度宜在 " + number(low) + " 到 " + number(high) + " 之间，写清页面主题。";
    } else if (verdict != Verdict::pass) {
        detail += "，超出 " + number(high) + "，在搜索结果中会被截断";
        advice = "把最重要的词放在前面，或缩短到 " + number(high) + " 以内（约 " + number(high / 2)
            + " 个汉字）。";
    }
    findings.push_back(finding(id, verdict, std::move(detail), std::move(advice), double(width)));
}

} // namespace

void check_snippet(const AuditInput &input, std::vector<Finding> &findings)
{
    const PageContent &content = input.content;
    check_snippet_text("snippet.title", "标题", content.title, content.title_count, findings);
    check_snippet_text("snippet.description", "描述", content.description, content.description_count,
                       findings);
    if (!content.title.empty() && typed_keyword(content.title) == typed_keyword(content.description))
        findings.push_back(finding("snippet.same", Verdict::warn, "描述与标题完全相同",
                                   "描述应概括页面内容，补充标题没说的信息。"));

    if (content.keywords.empty()) {
        findings.push_back(finding("snippet.keywords", Verdict::info,
                                   "没有 keywords 标签（百度和谷歌排名已不参考它，可以不写）"));
        return;
    }
    std::vector<std::string> unused;
    std::size_t listed_words = 0;
    std::string word;
    const auto finish_word = [&] {
        const std::string typed = typed_keyword(word);
        if (!typed.empty()) {
            ++listed_words;
            if (input.text.count(typed) == 0)
                unused.push_back(typed);
        }
        word.clear();
    };
    // Separated by commas, Chinese commas and enumeration commas, semicolons or bars.
    for_each_code_point(content.keywords, [&](char32_t ch, std::size_t begin, std::size_t end) {
        if (ch == U',' || ch == U'，' || ch == U'、' || ch == U';' || ch == U'；' || ch == U'|')
            finish_word();
        else
            word.append(content.keywords, begin, end - begin);
    });
    finish_word();
    if (unused.empty())
        findings.push_back(finding("snippet.keywords", Verdict::pass,
                                   "列出的 " + number(listed_words) + " 个词都出现在正文中"));
    else
        findings.push_back(finding("snippet.keywords", Verdict::warn,
                                   number(unused.size()) + " 个词正文中没有：" + listed(unused, 8),
                                   "keywords 标签只列正文中确实讨论的词，堆砌无关的词可能被视为作弊。"));
}

} // namespace seo
