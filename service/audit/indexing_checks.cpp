// Whether search engines may fetch and index the page, and which address and language they
// file it under: status and redirects, robots directives and robots.txt, canonical, lang,
// hreflang.
#include "audit/checks.h"

#include "base/ascii.h"
#include "base/joined.h"
#include "base/unicode_text.h"
#include "fetch/url.h"

#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/uscript.h>

#include <map>
#include <set>

namespace seo {
namespace {

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
        findings.push_back(finding("indexing.noindex", Verdict::pass, "没有禁止索引" + where));
    else
        findings.push_back(finding("indexing.noindex", Verdict::fail,
                                   "禁止索引（noindex）：" + joined(noindex, "、") + where,
                                   "要让页面出现在搜索结果中，去掉 noindex（或 none）指令。"));
    if (nofollow.empty())
        findings.push_back(finding("indexing.nofollow", Verdict::pass, "没有禁止跟踪链接"));
    else
        findings.push_back(finding("indexing.nofollow", Verdict::warn,
                                   "禁止跟踪本页链接（nofollow）：" + joined(nofollow, "、") + where,
                                   "nofollow 让蜘蛛不顺着本页链接发现其他页面，除非有意为之，应当去掉。"));
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
    const std::size_t redirects = hops.empty() ? 0 : hops.size() - 1;
    if (redirects == 0)
        findings.push_back(finding("indexing.status", Verdict::pass,
                                   "HTTP " + std::to_string(status) + "，没有跳转", {}, 0));
    else if (temporary)
        findings.push_back(
            finding("indexing.status", Verdict::warn,
                    "经过 " + number(redirects) + " 次跳转，其中有临时跳转：" + joined(chain, " → "),
                    "长期有效的跳转请用 301，临时跳转（302/303/307）不会把收录转给新地址。"));
    else if (const Verdict verdict = check_spec("indexing.status").judge(double(redirects));
             verdict != Verdict::pass)
        findings.push_back(finding("indexing.status", verdict,
                                   "经过 " + number(redirects) + " 次永久跳转：" + joined(chain, " → "),
                                   "跳转链过长会拖慢抓取，请直接跳到最终地址。", double(redirects)));
    else
        findings.push_back(finding("indexing.status", verdict,
                                   "经过 " + number(redirects) + " 次永久跳转：" + joined(chain, " → "), {},
                                   double(redirects)));
}

void check_robots_txt(const AuditInput &input, std::vector<Finding> &findings)
{
    if (!input.robots || !input.robots->file)
        return;
    const RobotsJudgement &judgement = *input.robots;
    const RobotsFile &file = *judgement.file;
    if (file.state == RobotsFile::State::absent) {
        findings.push_back(finding("indexing.robots_txt", Verdict::pass,
                                   "网站没有 robots.txt（" + file.url + " 不存在），视为全部允许"));
        return;
    }
    if (file.state == RobotsFile::State::unreadable) {
        findings.push_back(finding(
            "indexing.robots_txt", Verdict::warn, "无法读取 " + file.url + "：" + file.reason,
            "robots.txt 出错（5xx、超时或过大）时，搜索引擎可能暂停抓取整个网站，请确保它可以正常访问。"));
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
        findings.push_back(finding("indexing.robots_txt", Verdict::fail,
                                   file.url + " 禁止抓取本页：" + joined(refused, "、"),
                                   "要让页面被收录，修改 robots.txt 中禁止抓取本页的规则。"));
    else if (!unjudged.empty())
        findings.push_back(finding(
            "indexing.robots_txt", Verdict::warn,
            file.url + " 的规则过多过繁，无法判断 " + joined(unjudged, "、") + " 能否抓取 " + judgement.path,
            "精简 robots.txt：合并重复的规则，少用通配符 *，搜索引擎也只读取前 500 KiB。"));
    else
        findings.push_back(finding("indexing.robots_txt", Verdict::pass,
                                   "Baiduspider、Googlebot 和其他蜘蛛（*）都可以抓取 " + judgement.path));
}

std::string_view problem_of(RobotsTxt::SyntaxError::Kind kind)
{
    using Kind = RobotsTxt::SyntaxError::Kind;
    switch (kind) {
    case Kind::not_a_field:
        return "不是“指令: 值”的格式";
    case Kind::unknown_directive:
        return "无法识别的指令";
    case Kind::no_agent_named:
        return "User-agent 后没有写蜘蛛名称";
    case Kind::rule_before_agent:
        return "规则前面没有 User-agent";
    case Kind::path_not_rooted:
        return "路径应以 / 或 * 开头";
    case Kind::dollar_not_last:
        return "$ 只能写在路径末尾";
    case Kind::sitemap_not_absolute:
        return "Sitemap 应写完整的 http:// 或 https:// 网址";
    case Kind::delay_not_seconds:
        break;
    }
    return "Crawl-delay 应为秒数";
}

void check_robots_syntax(const AuditInput &input, std::vector<Finding> &findings)
{
    if (!input.robots || !input.robots->file || !input.robots->file->rules)
        return;
    const RobotsFile &file = *input.robots->file;
    const RobotsTxt &rules = *file.rules;
    if (rules.syntax_error_count() == 0) {
        findings.push_back(finding("indexing.robots_syntax", Verdict::pass, file.url + " 每一行都可以识别"));
        return;
    }
    constexpr std::size_t kShown = 5;
    std::vector<std::string> lines;
    for (const RobotsTxt::SyntaxError &error : rules.syntax_errors())
        if (lines.size() < kShown)
            lines.push_back("第 " + number(error.line) + " 行 " + in_quotes(error.text) + "："
                            + std::string(problem_of(error.kind)));
    const std::size_t count = rules.syntax_error_count();
    findings.push_back(finding("indexing.robots_syntax", Verdict::warn,
                               file.url + " 有 " + number(count) + " 行蜘蛛无法识别：" + joined(lines, "；")
                                   + (count > kShown ? " 等" : "") + "。其余规则照常生效",
                               "改正这些行：搜索引擎会跳过它们，写在其中的规则不会生效。"));
}

void check_canonical(const AuditInput &input, std::vector<Finding> &findings)
{
    const std::vector<std::string> &canonicals = input.content.canonicals;
    if (canonicals.empty()) {
        // A page without duplicates needs none, so its absence costs no score.
        findings.push_back(finding("indexing.canonical", Verdict::info, "没有 canonical 链接",
                                   "用 <link rel=\"canonical\" href=\"本页完整地址\"> "
                                   "指明规范地址，避免带参数的重复地址分散收录。"));
        return;
    }
    const std::optional<Url> page = page_url(input.fetched);
    // Compared as addresses: %e4 and %E4, or an explicit default port, name one page.
    std::set<std::string> targets;
    for (const std::string &href : canonicals) {
        const std::optional<Url> target = resolved(page, href);
        targets.insert(target ? target->text() : href);
    }
    if (targets.size() > 1) {
        findings.push_back(finding("indexing.canonical", Verdict::fail,
                                   "有 " + number(canonicals.size()) + " 个指向不同地址的 canonical："
                                       + listed(std::vector<std::string>(targets.begin(), targets.end())),
                                   "只保留一个 canonical，搜索引擎遇到互相矛盾的规范地址会全部忽略。"));
        return;
    }
    const std::string &href = canonicals.front();
    const std::string target = *targets.begin();
    const bool absolute = Url::parse(href).has_value();
    const bool same = page && resolved(page, href) == page;
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
    findings.push_back(finding("indexing.canonical", verdict, detail, advice));
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
    const std::string &lang = input.content.html_lang;
    const bool chinese = mostly_chinese(input.content.text);
    if (lang.empty())
        findings.push_back(finding("indexing.lang", Verdict::warn, "没有声明页面语言",
                                   chinese ? "在 <html> 上写 lang=\"zh-CN\"（繁体页面用 zh-TW 或 zh-HK）。"
                                           : "在 <html> 上用 lang 声明页面的语言，例如 lang=\"en\"。"));
    else if (!valid_language_tag(lang))
        findings.push_back(finding("indexing.lang", Verdict::fail,
                                   "lang=" + in_quotes(lang) + " 不是有效的语言代码",
                                   "语言代码用连字符，如 zh-CN、en-US，不要写 zh_CN 或 cn。"));
    else if (chinese && language_of(lang) != "zh")
        findings.push_back(finding("indexing.lang", Verdict::warn,
                                   "lang=" + in_quotes(lang) + "，但页面正文以中文为主",
                                   "中文页面请声明 lang=\"zh-CN\" 等中文语言代码。"));
    else
        findings.push_back(finding("indexing.lang", Verdict::pass, "lang=" + in_quotes(lang)));
}

void check_hreflang(const AuditInput &input, std::vector<Finding> &findings)
{
    const auto &alternates = input.content.alternates;
    if (alternates.empty()) {
        findings.push_back(
            finding("indexing.hreflang", Verdict::info, "没有 hreflang 链接（单一语言的页面不需要）"));
        return;
    }
    const std::optional<Url> page = page_url(input.fetched);
    std::vector<std::string> invalid, relative, codes;
    bool names_itself = false;
    for (const PageContent::NamedValue &alternate : alternates) {
        codes.push_back(alternate.name);
        if (ascii_lower(alternate.name) != "x-default" && !valid_language_tag(alternate.name))
            invalid.push_back(in_quotes(alternate.name));
        if (!Url::parse(alternate.value))
            relative.push_back(alternate.name + " → " + alternate.value);
        names_itself = names_itself || (page && resolved(page, alternate.value) == page);
    }
    const std::string versions = number(alternates.size()) + " 个语言版本（" + listed(codes) + "）";
    if (!invalid.empty())
        findings.push_back(finding("indexing.hreflang", Verdict::fail, "无效的语言代码：" + listed(invalid),
                                   "hreflang 用 zh-CN、zh-TW、en 这样的语言代码，或 x-default。"));
    else if (!relative.empty())
        findings.push_back(finding("indexing.hreflang", Verdict::warn,
                                   versions + "，其中不是完整网址的：" + listed(relative),
                                   "hreflang 链接请写完整的绝对地址（含 http:// 或 https://），"
                                   "搜索引擎不接受相对地址。"));
    else if (!names_itself)
        findings.push_back(
            finding("indexing.hreflang", Verdict::warn, versions + "，但没有一个指向本页",
                    "每个语言版本都应列出包括自己在内的全部版本，否则搜索引擎会忽略这组 hreflang。"));
    else
        findings.push_back(finding("indexing.hreflang", Verdict::pass, versions + "，含指向本页的条目"));
}

} // namespace

void check_indexing(const AuditInput &input, std::vector<Finding> &findings)
{
    check_status(input, findings);
    check_robots_directives(input, findings);
    check_robots_txt(input, findings);
    check_robots_syntax(input, findings);
    check_canonical(input, findings);
    check_language(input, findings);
    check_hreflang(input, findings);
}

} // namespace seo
