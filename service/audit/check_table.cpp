#include "audit/check_table.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace seo {

namespace {

constexpr std::string_view kIndexing = "收录与抓取";
constexpr std::string_view kSnippet = "标题与描述";
constexpr std::string_view kStructure = "页面结构";
constexpr std::string_view kLinks = "链接与图片";
constexpr std::string_view kShared = "分享与结构化数据";
constexpr std::string_view kTechnical = "技术指标";
constexpr std::string_view kKeyword = "关键词位置";

} // namespace

// clang-format off
const std::array<CheckSpec, 34> kChecks = {{
    {.id = "indexing.status", .group = kIndexing, .check = "HTTP 状态与跳转", .rule = "临时跳转（302/303/307）为注意，永久跳转超过界限为注意", .high = 1, .unit = "次永久跳转", .source = "临时跳转不把收录转给新地址；每一跳都让蜘蛛多一次请求"},
    {.id = "indexing.noindex", .group = kIndexing, .check = "索引指令（meta robots 与 X-Robots-Tag）", .rule = "noindex 或 none（含只针对 Baiduspider、Googlebot 的写法）为问题"},
    {.id = "indexing.nofollow", .group = kIndexing, .check = "链接跟踪指令", .rule = "nofollow 或 none 为注意"},
    {.id = "indexing.robots_txt", .group = kIndexing, .check = "robots.txt 是否允许抓取本页", .rule = "禁止 Baiduspider、Googlebot 或所有蜘蛛（*）抓取本页为问题；读不到或规则过繁为注意", .source = "RFC 9309：最长的规则优先，长度相同时 Allow 优先；只读前 500 KiB"},
    {.id = "indexing.robots_syntax", .group = kIndexing, .check = "robots.txt 语法", .rule = "有蜘蛛无法识别的行（拼错的指令、不以 / 或 * 开头的路径、规则前没有 User-agent 等）为注意，列出行号；其余规则照常生效", .source = "RFC 9309：蜘蛛跳过无法识别的行"},
    {.id = "indexing.canonical", .group = kIndexing, .check = "规范链接（canonical）", .rule = "没有为信息（有带参数等重复地址的页面建议写上）；指向别的地址或写成相对地址为注意；多个互相矛盾为问题"},
    {.id = "indexing.lang", .group = kIndexing, .check = "页面语言（<html lang>）", .rule = "没有声明或与正文语言不符为注意；无效的语言代码为问题", .source = "BCP 47"},
    {.id = "indexing.hreflang", .group = kIndexing, .check = "多语言版本（hreflang）", .rule = "没有为信息；无效的语言代码为问题；写成相对地址或没有指向本页的条目为注意", .source = "BCP 47；各搜索引擎要求每个版本列出包括自己在内的全部版本，且写完整的绝对地址"},
    {.id = "snippet.title", .group = kSnippet, .check = "标题长度（按显示宽度，汉字计 2）", .rule = "没有标题为问题；过短或过长为注意", .low = 16, .high = 60, .unit = "显示宽度", .source = "百度的展示规范以 63 字节（汉字计 2 字节）截断；谷歌电脑端标题约 600 像素，相当于 60 个左右的半角字符"},
    {.id = "snippet.title_count", .group = kSnippet, .check = "标题是否唯一", .rule = "多于一个为注意", .high = 1, .unit = "个", .source = "搜索引擎只取其一"},
    {.id = "snippet.description", .group = kSnippet, .check = "描述长度（按显示宽度，汉字计 2）", .rule = "没有描述为问题；过短或过长为注意", .low = 50, .high = 156, .unit = "显示宽度", .source = "站长们对百度电脑端摘要显示长度的常见观察（百度没有公布这一数字）；谷歌摘要约 920 像素"},
    {.id = "snippet.description_count", .group = kSnippet, .check = "描述是否唯一", .rule = "多于一个为注意", .high = 1, .unit = "个", .source = "搜索引擎只取其一"},
    {.id = "snippet.same", .group = kSnippet, .check = "标题与描述是否相同", .rule = "完全相同为注意"},
    {.id = "snippet.keywords", .group = kSnippet, .check = "关键词标签（keywords）中的词是否出现在正文", .rule = "没有为信息（百度和谷歌排名已不参考它）；有词不在正文中为注意"},
    {.id = "structure.h1", .group = kStructure, .check = "H1 标题", .rule = "没有为问题，多于一个为注意", .low = 1, .high = 1, .unit = "个"},
    {.id = "structure.outline", .group = kStructure, .check = "标题层级", .rule = "跳级（如 H2 之后直接是 H4）为注意"},
    {.id = "structure.viewport", .group = kStructure, .check = "移动端适配（viewport）", .rule = "没有或不含 width=device-width 为注意"},
    {.id = "links.count", .group = kLinks, .check = "链接", .rule = "站内、站外、nofollow 和其他链接的个数，为信息"},
    {.id = "links.vague", .group = kLinks, .check = "含糊的链接文字", .rule = "“点击这里”“更多”“详情”“click here”“read more”之类为注意（短语表见下文）", .source = "Lighthouse 的 link-text 检查，另加中文的同义写法"},
    {.id = "links.crawlable", .group = kLinks, .check = "蜘蛛能否跟踪链接", .rule = "有 href=\"javascript:…\"、只有 href=\"#\" 或只有 onclick 没有 href 的链接为注意（带 role 的按钮、菜单不算链接）", .source = "搜索引擎只跟踪 <a href> 中的地址，不执行点击脚本"},
    {.id = "images.alt", .group = kLinks, .check = "图片替代文字（alt）", .rule = "有图片缺少 alt 为注意（alt=\"\" 表示装饰图片，不算缺少）"},
    {.id = "shared.open_graph", .group = kShared, .check = "Open Graph（社交分享）", .rule = "没有为信息；缺少 og:title、og:description、og:image、og:url、og:type 之一为注意"},
    {.id = "shared.json_ld", .group = kShared, .check = "结构化数据（JSON-LD）", .rule = "没有为信息；不是有效的 JSON 为问题；缺少 @type 为注意"},
    {.id = "technical.size", .group = kTechnical, .check = "页面大小", .rule = "HTML 超过界限为注意", .high = 1024, .unit = "KiB", .source = "蜘蛛可能只抓取前面一部分"},
    {.id = "technical.response_time", .group = kTechnical, .check = "响应时间", .rule = "取得页面（含跳转）超过界限为注意", .high = 1000, .unit = "毫秒", .source = "响应慢会减少蜘蛛的抓取量"},
    {.id = "technical.charset", .group = kTechnical, .check = "字符集声明", .rule = "没有声明，或 HTTP 头与 <meta> 互相矛盾，为注意"},
    {.id = "keyword.title", .group = kKeyword, .check = "关键词在标题中", .rule = "没有为问题"},
    {.id = "keyword.description", .group = kKeyword, .check = "关键词在描述中", .rule = "没有为注意"},
    {.id = "keyword.h1", .group = kKeyword, .check = "关键词在 H1 中", .rule = "没有为注意"},
    {.id = "keyword.first_paragraph", .group = kKeyword, .check = "关键词在第一段中", .rule = "没有为注意"},
    {.id = "keyword.address", .group = kKeyword, .check = "关键词在网址中", .rule = "为信息"},
    {.id = "keyword.image_alt", .group = kKeyword, .check = "关键词在图片 alt 中", .rule = "为信息"},
    {.id = "keyword.link_text", .group = kKeyword, .check = "关键词在链接文字中", .rule = "为信息"},
    {.id = "keyword.density", .group = kKeyword, .check = "关键词密度", .rule = "正文中没有为问题；超出界限为注意", .low = 2, .high = 8, .unit = "%", .source = "密度 = 出现次数 × 关键词长度 ÷ 页面文本总长度；常见的建议范围"},
}};
// clang-format on

const CheckSpec &check_spec(std::string_view id)
{
    const auto found =
        std::find_if(kChecks.begin(), kChecks.end(), [id](const CheckSpec &spec) { return spec.id == id; });
    if (found == kChecks.end())
        throw std::logic_error("no audit check " + std::string(id));
    return *found;
}

} // namespace seo
