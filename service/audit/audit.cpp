#include "audit/audit.h"

#include "base/ascii.h"
#include "base/joined.h"
#include "base/percent_encoding.h"
#include "base/unicode_text.h"
#include "fetch/url_parts.h"

#include <nlohmann/json.hpp>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

namespace seo {
namespace {

using Verdict = Finding::Verdict;

constexpr const char *kIndexing = "收录与抓取";
constexpr const char *kSnippet = "标题与描述";
constexpr const char *kStructure = "页面结构";
constexpr const char *kLinks = "链接与图片";
constexpr const char *kShared = "分享与结构化数据";
constexpr const char *kTechnical = "技术指标";
constexpr const char *kKeyword = "关键词位置";

std::string number(std::size_t n)
{
    return std::to_string(n);
}

std::string in_quotes(std::string_view text)
{
    return "“" + std::string(text) + "”";
}

// At most `limit` of the parts, and how many more there are.
std::string listed(const std::vector<std::string> &parts, std::size_t limit = 5)
{
    std::vector<std::string> shown(parts.begin(),
                                   parts.begin() + std::ptrdiff_t(std::min(limit, parts.size())));
    std::string out = joined(shown, "、");
    if (parts.size() > limit)
        out += " 等 " + number(parts.size()) + " 项";
    return out;
}

std::string final_url(const FetchResult &fetched)
{
    return fetched.hops.empty() ? std::string() : fetched.hops.back().url;
}

// ---- indexing ----

// The noindex and nofollow directives of one crawler, or of all ("robots", or an
// X-Robots-Tag value without a crawler's name).
struct Directives
{
    bool noindex = false;
    bool nofollow = false;
    std::vector<std::string> sources;
};

void apply_directives(std::string_view list, Directives &directives)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string token = ascii_lower(list.substr(start, comma - start));
        token.erase(std::remove_if(token.begin(), token.end(), [](char c) { return c == ' ' || c == '\t'; }),
                    token.end());
        if (token == "noindex" || token == "none")
            directives.noindex = true;
        if (token == "nofollow" || token == "none")
            directives.nofollow = true;
        start = comma + 1;
    }
}

// One X-Robots-Tag header: "noindex", or "googlebot: noindex, nofollow" for one crawler.
// A crawler's name holds for the rest of its header, and only there.
void apply_robots_header(std::string_view header, std::map<std::string, Directives> &by_agent)
{
    std::string agent;
    for (std::size_t start = 0; start <= header.size();) {
        const std::size_t comma = std::min(header.find(',', start), header.size());
        std::string_view token = header.substr(start, comma - start);
        const std::size_t colon = token.find(':');
        if (colon != std::string_view::npos
            && ascii_lower(token).find("unavailable_after") == std::string::npos) {
            std::string name = ascii_lower(token.substr(0, colon));
            std::erase(name, ' ');
            agent = name;
            token = token.substr(colon + 1);
        }
        apply_directives(token, by_agent[agent]);
        start = comma + 1;
    }
    by_agent[""].sources.push_back("X-Robots-Tag: " + std::string(header));
}

// By crawler: "" (all), "googlebot", "baiduspider" (and any other named in the page).
std::map<std::string, Directives> robots_directives(const PageContent &content,
                                                    const std::vector<std::string> &headers)
{
    std::map<std::string, Directives> by_agent;
    for (const PageContent::NamedValue &meta : content.robots_meta) {
        Directives &directives = by_agent[meta.name == "robots" ? "" : meta.name];
        apply_directives(meta.value, directives);
        directives.sources.push_back("<meta name=" + meta.name + " content=" + in_quotes(meta.value) + ">");
    }
    for (const std::string &header : headers)
        apply_robots_header(header, by_agent);
    return by_agent;
}

void check_robots_directives(const AuditInput &input, std::vector<Finding> &findings)
{
    const auto by_agent = robots_directives(input.content, input.fetched.robots_headers);
    std::vector<std::string> noindex, nofollow, sources;
    const auto name = [](const std::string &agent) {
        return agent.empty() ? std::string("所有搜索引擎") : agent;
    };
    for (const auto &[agent, directives] : by_agent) {
        if (directives.noindex)
            noindex.push_back(name(agent));
        if (directives.nofollow)
            nofollow.push_back(name(agent));
        sources.insert(sources.end(), directives.sources.begin(), directives.sources.end());
    }
    const std::string where = sources.empty() ? "" : "（" + joined(sources, "；") + "）";
    if (noindex.empty())
        findings.push_back({"indexing.noindex", kIndexing, Verdict::pass,
                            "索引指令（meta robots 与 X-Robots-Tag）", "没有禁止索引" + where, ""});
    else
        findings.push_back({"indexing.noindex", kIndexing, Verdict::fail,
                            "索引指令（meta robots 与 X-Robots-Tag）",
                            "禁止索引（noindex）：" + joined(noindex, "、") + where,
                            "要让页面出现在搜索结果中，去掉 noindex（或 none）指令。"});
    if (nofollow.empty())
        findings.push_back(
            {"indexing.nofollow", kIndexing, Verdict::pass, "链接跟踪指令", "没有禁止跟踪链接", ""});
    else
        findings.push_back({"indexing.nofollow", kIndexing, Verdict::warn, "链接跟踪指令",
                            "禁止跟踪本页链接（nofollow）：" + joined(nofollow, "、") + where,
                            "nofollow 让蜘蛛不顺着本页链接发现其他页面，除非有意为之，应当去掉。"});
}

void check_status(const AuditInput &input, std::vector<Finding> &findings)
{
    const std::vector<FetchHop> &hops = input.fetched.hops;
    std::vector<std::string> chain;
    bool temporary = false;
    for (const FetchHop &hop : hops) {
        chain.push_back(std::to_string(hop.status) + " " + hop.url);
        temporary = temporary || hop.status == 302 || hop.status == 303 || hop.status == 307;
    }
    const long status = hops.empty() ? 0 : hops.back().status;
    if (hops.size() <= 1)
        findings.push_back({"indexing.status", kIndexing, Verdict::pass, "HTTP 状态与跳转",
                            "HTTP " + std::to_string(status) + "，没有跳转", ""});
    else if (temporary)
        findings.push_back(
            {"indexing.status", kIndexing, Verdict::warn, "HTTP 状态与跳转",
             "经过 " + number(hops.size() - 1) + " 次跳转，其中有临时跳转：" + joined(chain, " → "),
             "长期有效的跳转请用 301，临时跳转（302/303/307）不会把收录转给新地址。"});
    else
        findings.push_back({"indexing.status", kIndexing, hops.size() > 2 ? Verdict::warn : Verdict::pass,
                            "HTTP 状态与跳转",
                            "经过 " + number(hops.size() - 1) + " 次永久跳转：" + joined(chain, " → "),
                            hops.size() > 2 ? "跳转链过长会拖慢抓取，请直接跳到最终地址。" : ""});
}

void check_robots_txt(const AuditInput &input, std::vector<Finding> &findings)
{
    const char *check = "robots.txt 是否允许抓取本页";
    if (!input.robots || !input.robots->file)
        return;
    const RobotsJudgement &judgement = *input.robots;
    const RobotsFile &file = *judgement.file;
    if (file.state == RobotsFile::State::absent) {
        findings.push_back({"indexing.robots_txt", kIndexing, Verdict::pass, check,
                            "网站没有 robots.txt（" + file.url + " 不存在），视为全部允许", ""});
        return;
    }
    if (file.state == RobotsFile::State::unreadable) {
        findings.push_back(
            {"indexing.robots_txt", kIndexing, Verdict::warn, check,
             "无法读取 " + file.url + "：" + file.reason,
             "robots.txt 出错（5xx、超时或过大）时，搜索引擎可能暂停抓取整个网站，请确保它可以正常访问。"});
        return;
    }
    std::vector<std::string> refused, unjudged;
    for (std::size_t i = 0; i < RobotsJudgement::kCrawlers.size(); ++i) {
        const std::string agent(RobotsJudgement::kCrawlers[i]);
        const RobotsTxt::Decision &decision = judgement.decisions[i];
        if (!decision.judged)
            unjudged.push_back(agent);
        else if (!decision.allowed)
            refused.push_back(agent + "（" + decision.rule + "）");
    }
    if (!refused.empty())
        findings.push_back({"indexing.robots_txt", kIndexing, Verdict::fail, check,
                            file.url + " 禁止抓取本页：" + joined(refused, "、"),
                            "要让页面被收录，修改 robots.txt 中禁止抓取本页的规则。"});
    else if (!unjudged.empty())
        findings.push_back(
            {"indexing.robots_txt", kIndexing, Verdict::warn, check,
             file.url + " 的规则过多过繁，无法判断 " + joined(unjudged, "、") + " 能否抓取 " + judgement.path,
             "精简 robots.txt：合并重复的规则，少用通配符 *，搜索引擎也只读取前 500 KiB。"});
    else
        findings.push_back({"indexing.robots_txt", kIndexing, Verdict::pass, check,
                            "Baiduspider、Googlebot 和其他蜘蛛（*）都可以抓取 " + judgement.path, ""});
}

void check_canonical(const AuditInput &input, std::vector<Finding> &findings)
{
    const char *check = "规范链接（canonical）";
    const std::vector<std::string> &canonicals = input.content.canonicals;
    if (canonicals.empty()) {
        findings.push_back({"indexing.canonical", kIndexing, Verdict::warn, check, "没有 canonical 链接",
                            "用 <link rel=\"canonical\" href=\"本页完整地址\"> "
                            "指明规范地址，避免带参数的重复地址分散收录。"});
        return;
    }
    const std::string page = final_url(input.fetched);
    // Compared in one spelling: %e4 and %E4, or an explicit default port, name one page.
    std::set<std::string> targets;
    for (const std::string &href : canonicals) {
        const std::optional<std::string> target = resolved_url(page, href);
        targets.insert(target ? normalized_url(*target).value_or(*target) : href);
    }
    if (targets.size() > 1) {
        findings.push_back({"indexing.canonical", kIndexing, Verdict::fail, check,
                            "有 " + number(canonicals.size()) + " 个指向不同地址的 canonical："
                                + listed(std::vector<std::string>(targets.begin(), targets.end())),
                            "只保留一个 canonical，搜索引擎遇到互相矛盾的规范地址会全部忽略。"});
        return;
    }
    const std::string &href = canonicals.front();
    const std::string target = *targets.begin();
    const bool absolute = url_parts(href).has_value();
    const bool same = names_same_page(page, href);
    Verdict verdict = Verdict::pass;
    std::string detail = same ? "指向本页：" + href : "指向其他页面：" + target;
    std::string advice;
    if (!same) {
        verdict = Verdict::warn;
        advice =
            "canonical 指向别的地址时，搜索引擎会收录那个地址而不是本页；若本页应当被收录，请让它指向自己。";
    } else if (!absolute) {
        verdict = Verdict::warn;
        detail += "（相对地址）";
        advice = "canonical 请写完整的绝对地址（含 http:// 或 https://）。";
    }
    findings.push_back({"indexing.canonical", kIndexing, verdict, check, detail, advice});
}

// A language tag as BCP 47 writes it, with a language ICU knows.
bool valid_language_tag(const std::string &tag)
{
    if (tag.empty() || tag.size() > 64)
        return false;
    char locale[ULOC_FULLNAME_CAPACITY] = {};
    int32_t parsed = 0;
    UErrorCode status = U_ZERO_ERROR;
    uloc_forLanguageTag(tag.c_str(), locale, sizeof locale, &parsed, &status);
    if (U_FAILURE(status) || parsed != int32_t(tag.size()))
        return false;
    char language[ULOC_LANG_CAPACITY] = {};
    uloc_getLanguage(locale, language, sizeof language, &status);
    if (U_FAILURE(status) || language[0] == '\0')
        return false;
    for (const char *const *known = uloc_getISOLanguages(); *known; ++known)
        if (std::string_view(*known) == language)
            return true;
    return std::string_view(language).size() == 3; // ISO 639-3 codes ICU does not list
}

std::string language_of(const std::string &tag)
{
    return ascii_lower(tag.substr(0, tag.find_first_of("-_")));
}

// Whether the text is mostly Chinese: more Han characters than letters of other scripts.
bool mostly_chinese(std::string_view text)
{
    std::size_t han = 0, other = 0;
    for_each_code_point(text.substr(0, 64 * 1024), [&](char32_t ch, std::size_t, std::size_t) {
        if (!u_isalpha(UChar32(ch)))
            return;
        UErrorCode status = U_ZERO_ERROR;
        (uscript_getScript(UChar32(ch), &status) == USCRIPT_HAN ? han : other)++;
    });
    return han > 0 && han >= other;
}

void check_language(const AuditInput &input, std::vector<Finding> &findings)
{
    const char *check = "页面语言（<html lang>）";
    const std::string &lang = input.content.html_lang;
    const bool chinese = mostly_chinese(input.content.text);
    if (lang.empty())
        findings.push_back({"indexing.lang", kIndexing, Verdict::warn, check, "没有声明页面语言",
                            chinese ? "在 <html> 上写 lang=\"zh-CN\"（繁体页面用 zh-TW 或 zh-HK）。"
                                    : "在 <html> 上用 lang 声明页面的语言，例如 lang=\"en\"。"});
    else if (!valid_language_tag(lang))
        findings.push_back({"indexing.lang", kIndexing, Verdict::fail, check,
                            "lang=" + in_quotes(lang) + " 不是有效的语言代码",
                            "语言代码用连字符，如 zh-CN、en-US，不要写 zh_CN 或 cn。"});
    else if (chinese && language_of(lang) != "zh")
        findings.push_back({"indexing.lang", kIndexing, Verdict::warn, check,
                            "lang=" + in_quotes(lang) + "，但页面正文以中文为主",
                            "中文页面请声明 lang=\"zh-CN\" 等中文语言代码。"});
    else
        findings.push_back({"indexing.lang", kIndexing, Verdict::pass, check, "lang=" + in_quotes(lang), ""});
}

void check_hreflang(const AuditInput &input, std::vector<Finding> &findings)
{
    const char *check = "多语言版本（hreflang）";
    const auto &alternates = input.content.alternates;
    if (alternates.empty()) {
        findings.push_back({"indexing.hreflang", kIndexing, Verdict::info, check,
                            "没有 hreflang 链接（单一语言的页面不需要）", ""});
        return;
    }
    const std::string page = final_url(input.fetched);
    std::vector<std::string> invalid, codes;
    bool names_itself = false;
    for (const PageContent::NamedValue &alternate : alternates) {
        codes.push_back(alternate.name);
        if (ascii_lower(alternate.name) != "x-default" && !valid_language_tag(alternate.name))
            invalid.push_back(in_quotes(alternate.name));
        names_itself = names_itself || names_same_page(page, alternate.value);
    }
    if (!invalid.empty())
        findings.push_back({"indexing.hreflang", kIndexing, Verdict::fail, check,
                            "无效的语言代码：" + listed(invalid),
                            "hreflang 用 zh-CN、zh-TW、en 这样的语言代码，或 x-default。"});
    else if (!names_itself)
        findings.push_back(
            {"indexing.hreflang", kIndexing, Verdict::warn, check,
             number(alternates.size()) + " 个语言版本（" + listed(codes) + "），但没有一个指向本页",
             "每个语言版本都应列出包括自己在内的全部版本，否则搜索引擎会忽略这组 hreflang。"});
    else
        findings.push_back(
            {"indexing.hreflang", kIndexing, Verdict::pass, check,
             number(alternates.size()) + " 个语言版本（" + listed(codes) + "），含指向本页的条目", ""});
}

// ---- title and description ----

void check_snippet_text(std::string_view id, std::string_view name, const std::string &text,
                        std::size_t count, std::size_t min_width, std::size_t max_width,
                        std::vector<Finding> &findings)
{
    const std::string check = std::string(name) + "长度（按显示宽度，汉字计 2）";
    const std::size_t width = display_width(text);
    const std::string figures = "宽度 " + number(width) + "（" + number(code_point_count(text)) + " 个字符）";
    if (text.empty()) {
        findings.push_back({std::string(id), kSnippet, Verdict::fail, check, "没有" + std::string(name),
                            "每个页面都应有独特的" + std::string(name) + "，它是搜索结果里显示的内容。"});
        return;
    }
    if (count > 1)
        findings.push_back({std::string(id) + "_count", kSnippet, Verdict::warn,
                            std::string(name) + "是否唯一",
                            "页面有 " + number(count) + " 个" + std::string(name) + "，搜索引擎只取其一",
                            "只保留一个" + std::string(name) + "。"});
    if (width < min_width)
        findings.push_back({std::string(id), kSnippet, Verdict::warn, check, figures + "，偏短",
                            std::string(name) + "宽度宜在 " + number(min_width) + " 到 " + number(max_width)
                                + " 之间，写清页面主题。"});
    else if (width > max_width)
        findings.push_back({std::string(id), kSnippet, Verdict::warn, check,
                            figures + "，超出 " + number(max_width) + "，在搜索结果中会被截断",
                            "把最重要的词放在前面，或缩短到 " + number(max_width) + " 以内（约 "
                                + number(max_width / 2) + " 个汉字）。"});
    else
        findings.push_back({std::string(id), kSnippet, Verdict::pass, check, figures, ""});
}

void check_snippet(const AuditInput &input, std::vector<Finding> &findings)
{
    using namespace audit_limits;
    const PageContent &content = input.content;
    check_snippet_text("snippet.title", "标题", content.title, content.title_count, kTitleMinWidth,
                       kTitleMaxWidth, findings);
    check_snippet_text("snippet.description", "描述", content.description, content.description_count,
                       kDescriptionMinWidth, kDescriptionMaxWidth, findings);
    if (!content.title.empty() && typed_keyword(content.title) == typed_keyword(content.description))
        findings.push_back({"snippet.same", kSnippet, Verdict::warn, "标题与描述是否相同",
                            "描述与标题完全相同", "描述应概括页面内容，补充标题没说的信息。"});

    const char *check = "关键词标签（keywords）中的词是否出现在正文";
    if (content.keywords.empty()) {
        findings.push_back({"snippet.keywords", kSnippet, Verdict::info, check,
                            "没有 keywords 标签（百度和谷歌排名已不参考它，可以不写）", ""});
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
        findings.push_back({"snippet.keywords", kSnippet, Verdict::pass, check,
                            "列出的 " + number(listed_words) + " 个词都出现在正文中", ""});
    else
        findings.push_back({"snippet.keywords", kSnippet, Verdict::warn, check,
                            number(unused.size()) + " 个词正文中没有：" + listed(unused, 8),
                            "keywords 标签只列正文中确实讨论的词，堆砌无关的词可能被视为作弊。"});
}

// ---- structure ----

void check_headings(const AuditInput &input, std::vector<Finding> &findings)
{
    const auto &headings = input.content.headings;
    const auto h1_count = std::size_t(
        std::count_if(headings.begin(), headings.end(), [](const auto &h) { return h.level == 1; }));
    if (h1_count == 0)
        findings.push_back({"structure.h1", kStructure, Verdict::fail, "H1 标题", "页面没有 H1 标题",
                            "用一个 H1 写出页面的主题，其中包含主要关键词。"});
    else if (h1_count > 1)
        findings.push_back({"structure.h1", kStructure, Verdict::warn, "H1 标题",
                            "页面有 " + number(h1_count) + " 个 H1",
                            "一个页面宜只有一个 H1，其余标题用 H2–H6。"});
    else
        findings.push_back({"structure.h1", kStructure, Verdict::pass, "H1 标题", "一个 H1", ""});

    std::vector<std::string> skips;
    int previous = 0;
    for (const PageContent::Heading &heading : headings) {
        if (previous > 0 && heading.level > previous + 1)
            skips.push_back("H" + std::to_string(previous) + " 之后直接是 H" + std::to_string(heading.level));
        previous = heading.level;
    }
    if (headings.empty())
        return;
    if (skips.empty())
        findings.push_back({"structure.outline", kStructure, Verdict::pass, "标题层级",
                            number(headings.size()) + " 个标题，层级没有跳跃", ""});
    else
        findings.push_back({"structure.outline", kStructure, Verdict::warn, "标题层级",
                            "层级跳跃：" + listed(skips),
                            "标题按层级逐级使用（H2 下面是 H3），不要为了字号跳级。"});
}

void check_viewport(const AuditInput &input, std::vector<Finding> &findings)
{
    const char *check = "移动端适配（viewport）";
    const PageContent &content = input.content;
    std::string squeezed = ascii_lower(content.viewport);
    std::erase(squeezed, ' ');
    if (!content.has_viewport)
        findings.push_back({"structure.viewport", kStructure, Verdict::warn, check, "没有 viewport 标签",
                            "加上 <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">，"
                            "否则手机上页面会缩成一小块，移动搜索会降低排名。"});
    else if (squeezed.find("width=device-width") == std::string::npos)
        findings.push_back({"structure.viewport", kStructure, Verdict::warn, check,
                            "viewport 为 " + in_quotes(content.viewport),
                            "viewport 应包含 width=device-width。"});
    else
        findings.push_back(
            {"structure.viewport", kStructure, Verdict::pass, check, in_quotes(content.viewport), ""});
}

// ---- links and images ----

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

void check_links(const AuditInput &input, std::vector<Finding> &findings)
{
    const PageContent &content = input.content;
    const std::string page = final_url(input.fetched);
    const std::optional<UrlParts> page_parts = url_parts(page);
    std::size_t internal = 0, external = 0, nofollow = 0, other = 0;
    std::map<std::string, std::size_t> vague;
    for (const PageContent::Link &link : content.links) {
        // A relative reference stays on the page's host: only the others need parsing.
        const std::string_view href = link.href;
        const std::size_t colon = href.find(':');
        const bool has_scheme = colon != std::string_view::npos && href.find_first_of("/?#") > colon;
        if (!has_scheme && !href.starts_with("//")) {
            ++internal;
        } else {
            const std::optional<std::string> target = resolved_url(page, href);
            const std::optional<UrlParts> parts = target ? url_parts(*target) : std::nullopt;
            if (!parts)
                ++other;
            else if (page_parts && parts->host == page_parts->host)
                ++internal;
            else
                ++external;
        }
        if ((" " + link.rel + " ").find(" nofollow ") != std::string::npos)
            ++nofollow;
        if (is_vague_link_text(link.text))
            ++vague[link.text];
    }
    std::string counted = number(content.link_count) + " 个链接：站内 " + number(internal) + "，站外 "
        + number(external) + "，nofollow " + number(nofollow);
    if (other > 0)
        counted += "，其他（mailto:、javascript: 等）" + number(other);
    if (content.link_count > content.links.size())
        counted += "（分类统计前 " + number(content.links.size()) + " 个）";
    findings.push_back({"links.count", kLinks, Verdict::info, "链接", counted, ""});

    const char *check = "含糊的链接文字";
    if (vague.empty()) {
        findings.push_back(
            {"links.vague", kLinks, Verdict::pass, check, "没有“点击这里”“更多”之类的链接文字", ""});
    } else {
        std::vector<std::string> texts;
        std::size_t total = 0;
        for (const auto &[text, count] : vague) {
            texts.push_back(in_quotes(text) + (count > 1 ? " ×" + number(count) : ""));
            total += count;
        }
        findings.push_back({"links.vague", kLinks, Verdict::warn, check,
                            number(total) + " 个链接的文字说明不了目标：" + listed(texts),
                            "链接文字写明目标页的内容（如“二手房交易流程”），搜索引擎用它理解目标页。"});
    }

    const std::size_t without_alt = std::size_t(std::count_if(
        content.images.begin(), content.images.end(), [](const auto &image) { return !image.has_alt; }));
    std::vector<std::string> sources;
    for (const PageContent::Image &image : content.images)
        if (!image.has_alt)
            sources.push_back(image.src.empty() ? "（无 src）" : image.src);
    if (content.image_count == 0)
        findings.push_back({"images.alt", kLinks, Verdict::info, "图片替代文字（alt）", "页面没有图片", ""});
    else if (without_alt == 0)
        findings.push_back({"images.alt", kLinks, Verdict::pass, "图片替代文字（alt）",
                            number(content.image_count) + " 张图片都有 alt", ""});
    else
        findings.push_back({"images.alt", kLinks, Verdict::warn, "图片替代文字（alt）",
                            number(without_alt) + " 张图片没有 alt（共 " + number(content.image_count)
                                + " 张）：" + listed(sources, 3),
                            "为有内容的图片写上描述图片的 alt 文字；纯装饰的图片写 alt=\"\"。"});
}

// ---- shared and structured data ----

void json_ld_types(const nlohmann::json &value, std::vector<std::string> &types, int depth = 0)
{
    if (depth > 3)
        return;
    if (value.is_array()) {
        for (const auto &item : value)
            json_ld_types(item, types, depth + 1);
        return;
    }
    if (!value.is_object())
        return;
    if (const auto type = value.find("@type"); type != value.end()) {
        if (type->is_string())
            types.push_back(type->get<std::string>());
        else if (type->is_array())
            for (const auto &name : *type)
                if (name.is_string())
                    types.push_back(name.get<std::string>());
    }
    if (const auto graph = value.find("@graph"); graph != value.end())
        json_ld_types(*graph, types, depth + 1);
}

void check_shared_data(const AuditInput &input, std::vector<Finding> &findings)
{
    const PageContent &content = input.content;
    std::set<std::string> og;
    for (const PageContent::NamedValue &property : content.open_graph)
        if (!property.value.empty())
            og.insert(property.name);
    const char *og_check = "Open Graph（社交分享）";
    std::vector<std::string> missing;
    for (const char *name : {"og:title", "og:description", "og:image", "og:url", "og:type"})
        if (!og.contains(name))
            missing.push_back(name);
    if (og.empty())
        findings.push_back({"shared.open_graph", kShared, Verdict::info, og_check, "没有 Open Graph 标签",
                            "需要在社交平台上分享时，加上 og:title、og:description、og:image 等标签。"});
    else if (!missing.empty())
        findings.push_back({"shared.open_graph", kShared, Verdict::warn, og_check,
                            "缺少 " + joined(missing, "、"),
                            "补全 og:title、og:description、og:image、og:url、og:type，分享卡片才完整。"});
    else
        findings.push_back({"shared.open_graph", kShared, Verdict::pass, og_check, "基本属性齐全", ""});

    const char *ld_check = "结构化数据（JSON-LD）";
    if (content.json_ld.empty()) {
        findings.push_back({"shared.json_ld", kShared, Verdict::info, ld_check, "没有 JSON-LD 结构化数据",
                            "文章、商品、问答等页面可用 schema.org 的 JSON-LD 帮助搜索引擎展示丰富结果。"});
        return;
    }
    std::vector<std::string> types;
    std::size_t broken = 0, untyped = 0;
    for (const std::string &text : content.json_ld) {
        const nlohmann::json value = nlohmann::json::parse(text, nullptr, false);
        if (value.is_discarded()) {
            ++broken;
            continue;
        }
        const std::size_t before = types.size();
        json_ld_types(value, types);
        untyped += types.size() == before;
    }
    const std::string found =
        number(content.json_ld.size()) + " 段 JSON-LD" + (types.empty() ? "" : "，类型：" + listed(types));
    if (broken > 0)
        findings.push_back(
            {"shared.json_ld", kShared, Verdict::fail, ld_check,
             found + "；其中 " + number(broken) + " 段不是有效的 JSON",
             "修正 JSON 语法（常见的是多余的逗号、未转义的引号），无效的结构化数据会被整段忽略。"});
    else if (untyped > 0)
        findings.push_back({"shared.json_ld", kShared, Verdict::warn, ld_check,
                            found + "；其中 " + number(untyped) + " 段没有 @type",
                            "每段结构化数据都要用 @type 说明类型。"});
    else
        findings.push_back({"shared.json_ld", kShared, Verdict::pass, ld_check, found, ""});
}

// ---- technical ----

std::string kibibytes(std::size_t bytes)
{
    return number((bytes + 1023) / 1024) + " KiB";
}

void check_technical(const AuditInput &input, std::vector<Finding> &findings)
{
    using namespace audit_limits;
    const std::size_t bytes = input.fetched.body.size();
    if (bytes > kLargePageBytes)
        findings.push_back(
            {"technical.size", kTechnical, Verdict::warn, "页面大小", "HTML " + kibibytes(bytes),
             "HTML 超过 1 MiB，加载慢，蜘蛛也可能只抓取前面一部分；精简内联脚本、样式和重复内容。"});
    else
        findings.push_back(
            {"technical.size", kTechnical, Verdict::pass, "页面大小", "HTML " + kibibytes(bytes), ""});

    const long ms = long(input.fetched.elapsed.count());
    if (ms > kSlowAnswerMs)
        findings.push_back({"technical.response_time", kTechnical, Verdict::warn, "响应时间",
                            "取得页面用了 " + std::to_string(ms) + " 毫秒（含跳转）",
                            "服务器响应超过 1 秒，会减少蜘蛛的抓取量，也会流失访客；检查服务器和缓存。"});
    else
        findings.push_back({"technical.response_time", kTechnical, Verdict::pass, "响应时间",
                            "取得页面用了 " + std::to_string(ms) + " 毫秒（含跳转）", ""});

    const CharsetSources &charsets = input.charsets;
    const char *check = "字符集声明";
    std::vector<std::string> declared;
    if (!charsets.byte_order_mark.empty())
        declared.push_back("字节顺序标记 " + charsets.byte_order_mark);
    if (!charsets.http.empty())
        declared.push_back("HTTP 头 " + charsets.http);
    if (!charsets.meta.empty())
        declared.push_back("<meta> " + charsets.meta);
    const std::string read_as = "，按 " + charsets.used + " 解码";
    if (declared.empty())
        findings.push_back({"technical.charset", kTechnical, Verdict::warn, check, "没有声明字符集" + read_as,
                            "在 HTTP 头或 <meta charset> 中声明字符集（推荐 UTF-8），否则浏览器和蜘蛛可能把 "
                            "GBK 页面读成乱码。"});
    else if (!charsets.http.empty() && !charsets.meta.empty() && !same_encoding(charsets.http, charsets.meta))
        findings.push_back({"technical.charset", kTechnical, Verdict::warn, check,
                            "声明互相矛盾：" + joined(declared, "，") + read_as,
                            "让 HTTP 头和 <meta> 声明同一个字符集，两者不一致时以 HTTP 头为准。"});
    else
        findings.push_back(
            {"technical.charset", kTechnical, Verdict::pass, check, joined(declared, "，") + read_as, ""});
}

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

std::string_view verdict_name(Finding::Verdict verdict)
{
    switch (verdict) {
    case Verdict::pass:
        return "pass";
    case Verdict::warn:
        return "warn";
    case Verdict::fail:
        return "fail";
    case Verdict::info:
        break;
    }
    return "info";
}

AuditSummary summarise(const std::vector<Finding> &findings)
{
    AuditSummary summary;
    for (const Finding &finding : findings) {
        switch (finding.verdict) {
        case Verdict::pass:
            ++summary.passed;
            break;
        case Verdict::warn:
            ++summary.warnings;
            break;
        case Verdict::fail:
            ++summary.failures;
            break;
        case Verdict::info:
            ++summary.notes;
            break;
        }
    }
    const std::size_t judged = summary.passed + summary.warnings + summary.failures;
    if (judged > 0)
        summary.score = int(
            std::lround(100.0 * (double(summary.passed) + 0.5 * double(summary.warnings)) / double(judged)));
    return summary;
}

std::vector<Finding> audit_page(const AuditInput &input)
{
    std::vector<Finding> findings;
    check_status(input, findings);
    check_robots_directives(input, findings);
    check_robots_txt(input, findings);
    check_canonical(input, findings);
    check_language(input, findings);
    check_hreflang(input, findings);
    check_snippet(input, findings);
    check_headings(input, findings);
    check_viewport(input, findings);
    check_links(input, findings);
    check_shared_data(input, findings);
    check_technical(input, findings);
    return findings;
}

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
    using namespace audit_limits;
    std::vector<Finding> findings;
    if (placement.keyword.empty())
        return findings;
    const std::string keyword = in_quotes(placement.keyword);
    const auto place = [&](const char *id, const char *where, bool found, Verdict missing,
                           const char *advice) {
        findings.push_back({id, kKeyword, found ? Verdict::pass : missing, std::string("关键词在") + where,
                            keyword + (found ? "出现在" : "没有出现在") + where, found ? "" : advice});
    };
    place("keyword.title", "标题中", placement.in_title, Verdict::fail, "把关键词写进标题，最好靠前。");
    place("keyword.description", "描述中", placement.in_description, Verdict::warn,
          "在描述中自然地提到关键词。");
    place("keyword.h1", " H1 中", placement.in_h1, Verdict::warn, "H1 标题宜包含关键词。");
    place("keyword.first_paragraph", "第一段中", placement.in_first_paragraph, Verdict::warn,
          "在正文开头就点明主题，第一段包含关键词。");
    place("keyword.address", "网址中", placement.in_address, Verdict::info,
          "网址中有关键词（英文或拼音）对排名略有帮助，但不必为此更改已收录的网址。");
    findings.push_back({"keyword.image_alt", kKeyword,
                        placement.image_alts > 0 ? Verdict::pass : Verdict::info, "关键词在图片 alt 中",
                        number(placement.image_alts) + " 张图片的 alt 含有" + keyword, ""});
    findings.push_back({"keyword.link_text", kKeyword,
                        placement.link_texts > 0 ? Verdict::pass : Verdict::info, "关键词在链接文字中",
                        number(placement.link_texts) + " 个链接的文字含有" + keyword, ""});
    const DensityFigures &density = placement.density;
    const std::string figures =
        keyword + "出现 " + number(density.occurrences) + " 次，密度 " + format_percent(density.percent);
    if (density.occurrences == 0)
        findings.push_back({"keyword.density", kKeyword, Verdict::fail, "关键词密度", figures,
                            "正文中没有这个关键词（按词语计数，不计入更长的词之中）。"});
    else if (density.percent < kDensityLow)
        findings.push_back({"keyword.density", kKeyword, Verdict::warn, "关键词密度", figures + "，低于 2%",
                            "在正文中多讨论这个主题，自然地多用几次关键词。"});
    else if (density.percent > kDensityHigh)
        findings.push_back({"keyword.density", kKeyword, Verdict::warn, "关键词密度", figures + "，高于 8%",
                            "关键词重复过多可能被视为堆砌，换用同义词或减少重复。"});
    else
        findings.push_back(
            {"keyword.density", kKeyword, Verdict::pass, "关键词密度", figures + "，在 2%–8% 之间", ""});
    return findings;
}

} // namespace seo
