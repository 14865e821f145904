#include "site/product_pages.h"

#include "site/page_layout.h"

namespace seo {

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
<li>关键词：从页面文本中切分出的词语，中文词至少两个字，英文词至少两个字母，不区分大小写；
数字、标点和常用虚词不计。最多列出 30 个，出现次数多的在前。</li>
<li>出现次数：关键词在页面文本中出现的次数（不重叠计数；英文词须是完整的词）。</li>
<li>关键字符总长度 = 出现次数 × 关键词长度</li>
<li>密度 = 出现次数 × 关键词长度 ÷ 页面文本总长度 × 100%，保留两位小数。</li>
<li>建议密度在 2% 到 8% 之间。</li>
</ul>
)" + page_end();
}

std::string version_file(std::string_view newest_version)
{
    return std::string(newest_version) + "\r\n";
}

std::string not_found_page()
{
    return page_start("页面不存在")
        + "<h1>页面不存在</h1>\n<p>您访问的页面不存在。请返回 <a href=\"/veltro\">网站优化分析助手</a> "
          "首页。</p>\n"
        + page_end();
}

std::string busy_page()
{
    return page_start("服务繁忙") + "<h1>服务繁忙</h1>\n<p>分析服务繁忙，请稍后再试。</p>\n" + page_end();
}

} // namespace seo
