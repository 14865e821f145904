#include "render/product_pages.h"

#include "audit/check_table.h"
#include "audit/vague_link_texts.h"
#include "base/joined.h"
#include "render/page_frame.h"
#include "render/shown_text.h"

#include <cmath>
#include <cstdio>

namespace seo {
namespace {

std::string figure(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// A check's limits as the help page states them.
std::string limits_text(const CheckSpec &spec)
{
    const std::string unit = spec.unit.empty() ? "" : " " + std::string(spec.unit);
    const bool low = std::isfinite(spec.low), high = std::isfinite(spec.high);
    if (low && high)
        return spec.low == spec.high ? figure(spec.low) + unit
                                     : figure(spec.low) + "–" + figure(spec.high) + unit;
    if (high)
        return "不超过 " + figure(spec.high) + unit;
    if (low)
        return "不少于 " + figure(spec.low) + unit;
    return "";
}

// Every check of the audit, as the audit itself runs them.
std::string checks_table()
{
    std::string html =
        "<div class=\"wide\"><table class=\"checks\">\n<tr><th>分组</th><th>检查项</th><th>编号</th>"
        "<th>结果</th><th>界限</th><th>依据</th></tr>\n";
    for (const CheckSpec &spec : kChecks)
        html += "<tr><td>" + html_escaped(spec.group) + "</td><td>" + html_escaped(spec.check)
            + "</td><td><code>" + std::string(spec.id) + "</code></td><td>" + html_escaped(spec.rule)
            + "</td><td>" + html_escaped(limits_text(spec)) + "</td><td>" + html_escaped(spec.source)
            + "</td></tr>\n";
    return html + "</table></div>\n";
}

// The phrases links.vague looks for, and where they come from.
std::string vague_link_texts()
{
    std::vector<std::string> quoted;
    quoted.reserve(kVagueLinkTexts.size());
    for (const std::string_view phrase : kVagueLinkTexts)
        quoted.push_back("“" + html_escaped(phrase) + "”");
    return "<h3>含糊的链接文字</h3>\n<p>links.vague 查找的短语：" + joined(quoted, "、") + "。</p>\n<p>"
        + html_escaped(kVagueLinkTextSources) + "</p>\n";
}

} // namespace

std::string product_home_page()
{
    // The home page carries the meta tags the checker reports, so checking it shows them all.
    return page_start("网站优化分析助手 6.0",
                      "<meta name=\"keywords\" content=\"网站优化,SEO,关键词密度,蜘蛛模拟\">\n"
                      "<meta name=\"description\" content=\"网站优化分析助手：查询网页的标题、关键词、"
                      "描述、关键词密度和搜索引擎蜘蛛看到的文字。\">\n")
        +
        R"(<h1>网站优化分析助手 6.0</h1>
<p>网站优化分析助手是一款桌面工具：输入网址，即可查看网页的标题、关键词和描述标签，页面关键词及其密度，
以及搜索引擎蜘蛛看到的页面文字，帮助您改进网站在搜索引擎中的表现。</p>
<h2>6.0 版新功能</h2>
<ul>
<li>全新的简体中文界面。</li>
<li>中文关键词按词语切分统计，不再逐字统计。</li>
<li>自动识别 GBK、GB2312、Big5 与 UTF-8 等网页编码。</li>
<li>关键词表与密度检测使用同一套计算方法，结果一致。</li>
</ul>
<h2>使用帮助</h2>
<h3>网页标签</h3>
<p>标题、关键词和描述的长度按字符计算，一个汉字、一个字母都算一个字符。
建议标题不超过 80 个字符，关键词不超过 100 个字符，描述不超过 200 个字符。</p>
<h3>页面文本</h3>
<p>页面文本是网页正文中读者看得见的文字（图片的替代文字也算在内），不含脚本、样式和隐藏的内容；
每个段落占一行，连续的空白算作一个空格。页面文本总长度是这些文字的字符数（含空格和换行）。</p>
<h3>关键词与密度</h3>
<ul>
<li>关键词：从页面文本中切分出的词语。中文按词语切分：在 jieba 词频词典（约 35 万词）上求概率最大的切分，
词典没有的人名、新词由隐马尔可夫模型识别；繁体中文逐字对应到简体后切分，简体网页中夹杂的繁体按词组转换，
同一个词不论简繁都合并计数，显示仍用网页原文（首次出现的写法）。
字母与数字相连的型号算一个词（iPhone15、5G、2.4GHz），用连字符或点连接的名称也算一个词（Wi-Fi、Next.js）；
全角与半角、大小写不区分。词至少两个字符；标点、虚词和泛用词（我们、可以、点击等）一律不计；
数量词、单位和日期（一册、英寸、五月）只在出现于本页标题或 H1 时列出。最多列出 30 个，出现次数多的在前。</li>
<li>网站的公共部分不算正文：导航（nav）、页头和页脚（header、footer，文章内的除外）、侧栏（aside）、
按钮和下拉框，类名或 id 表明是导航、面包屑、分页、侧栏、顶栏的区块，以及逐条重复的短文字
（每条评论下的“有用(3) 回复 举报”、每个帖子上的“积分 120”“发表于”）。大部分出现都在这些公共部分中的词不列出；
导航用语（登录、注册、搜索、回复、评论、收藏、菜单等）只在大部分出现于正文、而不是链接文字或公共部分时列出。
出现在本页标题或 H1 中的词总是列出；标题末尾的网站名称（“ - 站名”“_站名”“|站名”之后的部分）不算。
计数不受影响：表中的出现次数仍按下述同一规则统计整页文本。</li>
<li>经常相连出现的名词合并为一个词组（如“自由”与“软件”几乎总是相连时，列出“自由软件”）；
几乎总是处在同一个更长的重复句子中的两个词不合并（如反复出现的“祝您生活愉快”不产生“祝您生活”）；
合并出的词组互不重叠；大部分出现都在表中更长关键词之内的词（如“软件”之于“软件包”）不单独列出。</li>
<li>出现次数：关键词在页面文本中作为完整词语出现的次数，不重叠计数。每处出现的开头和结尾都必须落在切分出的词语边界上：
“数据”不计入“数据库”之中，英文“seo”不计入“seoul”之中；而“网站优化”在页面上“网站”与“优化”相连处照样计数。
关键词表与密度检测按同一规则计数，结果一致；繁体网页中的关键词用繁体或简体输入均可。</li>
<li>“出现在”一栏标出在网页标题或 H1 标题中也出现的关键词。</li>
<li>关键字符总长度 = 出现次数 × 关键词长度</li>
<li>密度 = 出现次数 × 关键词长度 ÷ 页面文本总长度 × 100%，保留两位小数。</li>
<li>建议密度在 2% 到 8% 之间。</li>
</ul>
<h3>网页体检</h3>
<p>在 SEO 综合查询页（网站首页 <a href="/">/</a>）输入网址，关键词表下方即是体检结果；程序可用
<code>GET /api/analyze?url=网址&amp;kw=关键词</code> 取得同样内容的 JSON。每项结果分为通过、注意、问题和信息四种。</p>
<ul>
<li>标题和描述按显示宽度判断：汉字、全角符号计 2，英文字母、数字计 1，因为搜索结果页按宽度截断。
标题宽度 16 到 60 为宜（约 8 到 30 个汉字）：百度的展示规范以 63 字节（汉字计 2 字节）为截断长度，
谷歌电脑端标题约 600 像素宽，也相当于 60 个左右的半角字符。描述宽度 50 到 156 为宜（约 25 到 78 个汉字）：
这是站长们对百度电脑端摘要显示长度的常见观察（百度没有公布这一数字），谷歌摘要约 920 像素宽；超出的部分以省略号代替。</li>
<li>得分 = (通过项数 + 0.5 × 注意项数) ÷ (通过、注意、问题项数之和) × 100，四舍五入；信息项不计分。</li>
</ul>
<p>全部检查项如下；编号即 JSON 中每项结果的 id。</p>
)" + checks_table()
        + vague_link_texts() + page_end();
}

std::string version_file(std::string_view newest_version)
{
    return std::string(newest_version) + "\r\n";
}

std::string error_page(std::string_view title, std::string_view message)
{
    return page_start(title) + "<h1>" + std::string(title) + "</h1>\n<p>" + std::string(message)
        + "请返回 <a href=\"/veltro\">网站优化分析助手</a> 首页。</p>\n" + page_end();
}

} // namespace seo
