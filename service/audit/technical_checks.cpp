// Size, speed and character set of the answer.
#include "audit/checks.h"

#include "base/joined.h"
#include "read/charset.h"

namespace seo {
namespace {

std::string kibibytes(std::size_t bytes)
{
    return number((bytes + 1023) / 1024) + " KiB";
}

} // namespace

void check_technical(const AuditInput &input, std::vector<Finding> &findings)
{
    const double kib = double(input.fetched.body.size()) / 1024;
    const Verdict size = check_spec("technical.size").judge(kib);
    findings.push_back(
        finding("technical.size", size, "HTML " + kibibytes(input.fetched.body.size()),
                size == Verdict::pass
                    ? ""
                    : "HTML 超过 1 MiB，加载慢，蜘蛛也可能只抓取前面一部分；精简内联脚本、样式和重复内容。",
                kib));

    const long ms = long(input.fetched.elapsed.count());
    const Verdict speed = check_spec("technical.response_time").judge(double(ms));
    findings.push_back(finding(
        "technical.response_time", speed, "取得页面用了 " + std::to_string(ms) + " 毫秒（含跳转）",
        speed == Verdict::pass ? ""
                               : "服务器响应超过 1 秒，会减少蜘蛛的抓取量，也会流失访客；检查服务器和缓存。",
        double(ms)));

    const CharsetSources &charsets = input.charsets;
    std::vector<std::string> declared;
    if (!charsets.byte_order_mark.empty())
        declared.push_back("字节顺序标记 " + charsets.byte_order_mark);
    if (!charsets.http.empty())
        declared.push_back("HTTP 头 " + charsets.http);
    if (!charsets.meta.empty())
        declared.push_back("<meta> " + charsets.meta);
    const std::string read_as = "，按 " + charsets.used + " 解码";
    if (declared.empty())
        findings.push_back(
            finding("technical.charset", Verdict::warn, "没有声明字符集" + read_as,
                    "在 HTTP 头或 <meta charset> 中声明字符集（推荐 UTF-8），否则浏览器和蜘蛛可能把 "
                    "GBK 页面读成乱码。"));
    else if (!charsets.http.empty() && !charsets.meta.empty() && !same_encoding(charsets.http, charsets.meta))
        findings.push_back(finding("technical.charset", Verdict::warn,
                                   "声明互相矛盾：" + joined(declared, "，") + read_as,
                                   "让 HTTP 头和 <meta> 声明同一个字符集，两者不一致时以 HTTP 头为准。"));
    else
        findings.push_back(finding("technical.charset", Verdict::pass, joined(declared, "，") + read_as));
}

} // namespace seo
