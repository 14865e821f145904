// Chinese keywords a webmaster can act on: words as jieba finds them, counted by one rule
// in the table and in the density check.
#include "read/html_document.h"
#include "words/keyword_table.h"
#include "words/page_text.h"
#include "words/segmenter.h"

#include "test_language.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

std::string words_of(const std::string &text)
{
    const seo::PageText page(text, test_language());
    std::string out;
    for (const seo::Word &word : page.words())
        out += (out.empty() ? "" : "/") + std::string(page.text_of(word));
    return out;
}

TEST(Segmenter, SplitsAsJiebaDoes)
{
    // Expected: jieba.cut() of Debian's python3-jieba, with its hidden Markov model.
    const std::pair<const char *, const char *> cases[] = {
        {"软件包管理系统安装软件", "软件包/管理系统/安装/软件"},
        {"Debian发行版的软件包管理系统", "Debian/发行版/的/软件包/管理系统"},
        {"版本号和不稳定版", "版本号/和/不/稳定版"},
        {"手册页与标题页", "手册/页/与/标题/页"},
        {"服务端和运维工程师", "服务端/和/运维/工程师"}, // 运维 is no lexicon word
        {"自由软件是自由软件基金会的自由软件", "自由软件/是/自由软件/基金会/的/自由软件"},
        // Names joined by a hyphen or a dot, and letters with digits, are one word each.
        {"SEO优化 2024年 seo-tools openoffice.org iPhone15 2.4GHz",
         "SEO/优化/2024/年/seo-tools/openoffice.org/iPhone15/2.4GHz"},
        // Traditional Chinese is read in simplified form and kept in its own characters.
        {"軟件包管理系統安裝軟件", "軟件包/管理系統/安裝/軟件"},
    };
    for (const auto &[text, words] : cases)
        EXPECT_EQ(words_of(text), words) << text;

    // Characters the word model never saw still fall into words, every one of them.
    std::string rare;
    for (int i = 0; i < 46; ++i)
        rare += i == 22 ? "跁" : "晻";
    std::string joined = words_of(rare);
    std::erase(joined, '/');
    EXPECT_EQ(joined, rare);
}

// As in jieba, two cuts of one probability go to the one whose first word is longer:
// 甲乙 and 乙甲 are equally likely, so 甲乙甲 cuts both ways with one probability.
TEST(Segmenter, BreaksTiesTowardsTheLongerWord)
{
    const std::pair<std::u32string_view, double> words[] = {{U"甲", 5}, {U"甲乙", 2}, {U"乙甲", 2}};
    const seo::Segmenter segmenter(seo::Lexicon(words), seo::WordModel(seo::LanguageFiles{}.word_model));
    std::vector<std::size_t> lengths;
    segmenter.split(U"甲乙甲", lengths);
    EXPECT_EQ(lengths, (std::vector<std::size_t>{2, 1}));
}

TEST(Counting, AWordCountsWhereItBeginsAndEndsAtWordBoundaries)
{
    // A text, a keyword, its occurrences and the lines holding it (each counted once).
    const std::tuple<const char *, const char *, std::size_t, std::size_t> cases[] = {
        {"数据库和数据库管理", "数据库", 2, 1},
        {"数据库", "数据", 0, 0}, // not inside a longer word
        {"网站优化和网站 优化", "网站优化", 1, 1}, // two words side by side
        {"研究生命起源", "研究生", 0, 0},
        {"SEO seoul Seo-tools seo2", "seo", 1, 1}, // seotools and seo2 are words of their own
        {"iPhone15 iPhone15 iPhone15 手机", "iphone15", 3, 1},
        {"2.4GHz 3.5mm", "4ghz", 0, 0},
        {"Wi-Fi 和 WiFi", "wifi", 2, 1}, // the hyphen of a name is left out, typed or not
        {"５Ｇ手机 5G", "5g", 2, 1}, // full-width letters and digits are folded
        {"ＯＰＰＯ手机", "OPPO", 1, 1},
        {"我的手機很好，手机", "手机", 2, 1}, // a simplified page quoting traditional Chinese
        {"我的手機很好，手机", "手機", 2, 1},
        {"乾隆下江南", "乾隆", 1, 1}, // a phrase that is simplified already stays as it is
        {"学习 C++ 和 .NET", "c++", 1, 1}, // signs around words
        {"学习 C++ 和 .NET", ".net", 1, 1},
        {"aa aaaa aa", "aa", 2, 1},
        {"网站 优化 网站优化", "  网站  优化 ", 1, 1}, // white space typed is collapsed
        {"軟件包和軟件", "软件", 1, 1}, // either script, in traditional pages
        {"這個軟體很好用，軟體更新", "软件", 2, 1}, // Taiwan's words are read as the mainland's
        {"這個軟體很好用，軟體更新", "軟體", 2, 1},
        {"這個文件和程序", "文件", 1, 1}, // but not the mainland's own words: 文件 is no 文档
        {"二手房图片\n客厅\n二手房 二手房\n", "二手房", 3, 2},
        {"\n\n二手房", "二手房", 1, 1},
        {"二手房交易\n二手房价格\n二手房", "二手房", 3, 3},
        {"数据库\n数据", "数据", 1, 1},
        {"anything", "", 0, 0},
        {"", "词", 0, 0},
    };
    for (const auto &[text, keyword, occurrences, lines] : cases) {
        const seo::PageText page(text, test_language());
        EXPECT_EQ(page.count(keyword), occurrences) << text << " / " << keyword;
        EXPECT_EQ(page.lines_holding(keyword), lines) << text << " / " << keyword;
    }
}

TEST(Counting, DensityCountsTheKeywordAsTyped)
{
    // A text and a keyword; the text's length, the keyword's and its occurrences.
    const std::tuple<const char *, const char *, std::size_t, std::size_t, std::size_t> cases[] = {
        {"优化优化abcdefghij", "优化", 14, 2, 2},
        {"Straße und STRASSE", "Straße", 18, 6, 2}, // folded to strasse, 7 letters, but typed with 6
        {"网站 优化 网站优化", "  网站  优化 ", 10, 5, 1}, // white space collapsed and trimmed
        {"İstanbul", "İstanbul", 8, 8, 1},
    };
    for (const auto &[text, keyword, text_length, keyword_length, occurrences] : cases) {
        SCOPED_TRACE(std::string(text) + " / " + keyword);
        const seo::DensityFigures figures =
            seo::density_figures(seo::PageText(text, test_language()), keyword);
        EXPECT_EQ(figures.text_length, text_length);
        EXPECT_EQ(figures.keyword_length, keyword_length);
        EXPECT_EQ(figures.occurrences, occurrences);
        EXPECT_EQ(figures.keyword_characters, occurrences * keyword_length);
        EXPECT_DOUBLE_EQ(figures.percent, double(occurrences * keyword_length) / double(text_length) * 100.0);
    }
}

using Rows = std::vector<std::pair<std::string, std::size_t>>;

// The table of a page as the report makes it: its title and h1 are its topic, and its
// layout tells the site's furniture from its content.
Rows table_of(const std::string &html)
{
    auto read = seo::read_page(html, seo::ParseBudget::for_page(html.size()));
    auto &content = std::get<seo::PageContent>(read);
    Rows rows;
    for (const seo::KeywordRow &row : seo::top_keywords(
             seo::PageText(content.text, test_language(), std::move(content.layout)), test_language(),
             seo::page_topic(content.title, content.h1_text(), test_language())))
        rows.emplace_back(row.word, row.occurrences);
    return rows;
}

bool has_row(const Rows &rows, const std::string &word)
{
    return std::any_of(rows.begin(), rows.end(), [&word](const auto &row) { return row.first == word; });
}

TEST(KeywordTable, HoldsWordsAWebmasterWouldSearchFor)
{
    const auto times = [](const std::string &text, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += text;
        return out;
    };
    // The fault each would show, a page and its table.
    const std::tuple<const char *, std::string, Rows> cases[] = {
        {"stop words, navigation and numbers; ties in order of appearance",
         "服务器 数据库 服务器 数据库 网站 使用 上一页 下一页 2024 the the Server server SERVER",
         Rows{{"Server", 3}, {"服务器", 2}, {"数据库", 2}, {"网站", 1}}},
        // Words that nearly always stand side by side are one term, and the pieces found
        // only inside it give way; a word that also stands on its own stays a word.
        {"a term", "运维工程师很忙。运维工程师加班。招聘运维工程师。",
         Rows{{"运维工程师", 3}, {"加班", 1}, {"招聘", 1}}},
        {"a term's word on its own", "运维工程师很忙。运维工程师加班。招聘运维工程师。工程师很多。",
         Rows{{"工程师", 4}, {"运维", 3}, {"加班", 1}, {"招聘", 1}}},
        {"a word in a longer one counts as the longer one only", "软件包 软件包 软件包 软件",
         Rows{{"软件包", 3}, {"软件", 1}}},
        {"model names", "iPhone15 iPhone15 iPhone15 手机", Rows{{"iPhone15", 3}, {"手机", 1}}},
        {"names of one letter and digits", "5G 5G 4K 65W H5",
         Rows{{"5G", 2}, {"4K", 1}, {"65W", 1}, {"H5", 1}}},
        {"decimals with a unit", "2.4GHz 2.4GHz 3.5mm 2024", Rows{{"2.4GHz", 2}, {"3.5mm", 1}}},
        {"hyphens and dots", "Wi-Fi Wi-Fi USB-C WH-1000XM5 Next.js",
         Rows{{"Wi-Fi", 2}, {"USB-C", 1}, {"WH-1000XM5", 1}, {"Next.js", 1}}},
        {"full-width letters, shown as first written", "ＯＰＰＯ OPPO oppo", Rows{{"ＯＰＰＯ", 3}}},
        {"the page's case", "ThinkPad thinkpad THINKPAD", Rows{{"ThinkPad", 3}}},
        {"stop entries the segmenter cuts",
         times("返回顶部 隐私政策 联系我们 免责声明 网站地图 ", 4) + "手机", Rows{{"手机", 1}}},
        {"Taiwan's navigation words as links",
         times("<a href=#>回覆</a> <a href=#>登入</a> <a href=#>搜尋</a> <a href=#>列印</a> 支援 ", 3)
             + "<p>手機</p>",
         Rows{{"手機", 1}}},
        {"two scripts on one page", "手机很好。手机不错。我的手機", Rows{{"手机", 3}, {"不错", 1}}},
        {"numerals, units and dates", "一册 万名 一个多 英寸 一月 四月 五月 十月 电视 电视",
         Rows{{"电视", 2}}},
    };
    for (const auto &[fault, text, rows] : cases)
        EXPECT_EQ(table_of(text), rows) << fault;

    // Words side by side make a term where they stand so apart from what surrounds them:
    // a phrase repeated whole makes none, and terms do not overlap.
    const Rows repeated =
        table_of(times("<p>正品行货全国联保 顺丰包邮，做工好，发货快，包装完好无损。</p>", 5));
    EXPECT_FALSE(has_row(repeated, "正品行货") || has_row(repeated, "行货全国"))
        << ::testing::PrintToString(repeated);
    const Rows overlapping =
        table_of(times("正品行货全国，", 6) + times("正品行货。", 2) + times("，行货全国", 2));
    EXPECT_TRUE(has_row(overlapping, "正品行货"));
    EXPECT_FALSE(has_row(overlapping, "行货全国"));
}

TEST(KeywordTable, LeavesOutTheSitesFurnitureNotItsWords)
{
    const std::string page =
        "<title>手机评价</title><div class=topbar><a href=/login>登录</a> <a href=/cart>购物车</a>"
        "</div><nav><a href=/c/1>数码</a> <a href=/c/2>家电</a></nav>"
        "<div><p>会员 积分 120</p><p>电池很耐用，数码爱好者推荐</p>"
        "<p><a href=#>有用(3)</a> <a href=#>回复</a> <a href=#>举报</a></p></div>"
        "<div><p>会员 积分 9</p><p>屏幕清晰，电池给力</p>"
        "<p><a href=#>有用(0)</a> <a href=#>回复</a> <a href=#>举报</a></p></div>"
        "<div><p>会员 积分 3000</p><p>电池一般，拍照清晰</p>"
        "<p><a href=#>有用(12)</a> <a href=#>回复</a> <a href=#>举报</a></p></div>"
        "<p>网友的评论很中肯，评论也很多，登录后可以看到全部评论。</p>"
        "<footer><a href=/about>关于我们</a> 版权所有 数码商城</footer>";
    const auto rows = table_of(page);
    // Words of the content stay, though menus and footers have them too; navigation words
    // do where they are no navigation.
    for (const char *word : {"电池", "清晰", "数码", "评论"})
        EXPECT_TRUE(has_row(rows, word)) << word;
    // Menus, buttons and what stands item after item make no rows.
    for (const char *word : {"购物车", "有用", "回复", "举报", "会员", "积分", "家电", "登录"})
        EXPECT_FALSE(has_row(rows, word)) << word;
}

TEST(KeywordTable, NeverHidesThePagesTopic)
{
    // A title, a menu and the topic: the words of each page stand in its menu, which the table
    // leaves out but for its topic.
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {"本店菜单", "菜单 招牌菜 菜单 价格 菜单", "菜单"},
        {"PHP 教程", "PHP 数组 php 函数 PHP", "PHP"},
        {"网站搜索优化", "搜索 排名 搜索 算法 搜索", "搜索"},
        {"40英寸电视", "英寸 电视 英寸 屏幕 英寸", "英寸"},
    };
    for (const auto &[title, menu, topic] : cases) {
        const auto page = [menu](const std::string &shown_title) {
            return "<title>" + shown_title + "</title><nav><a href=/>" + menu + "</a></nav><p>正文</p>";
        };
        const auto has_topic = [topic](const Rows &rows) {
            return !rows.empty() && rows.front().first == topic;
        };
        EXPECT_TRUE(has_topic(table_of(page(title)))) << title;
        // Elsewhere the same word is navigation, or a unit.
        EXPECT_FALSE(has_topic(table_of(page("正文")))) << title;
        // Nor is the site's name that ends the title its topic.
        EXPECT_FALSE(has_topic(table_of(page("正文 - " + std::string(title))))) << title;
        EXPECT_TRUE(has_topic(table_of(page(title + std::string("_张记饭馆"))))) << title;
    }
    // Function words stay out, in the title too.
    EXPECT_FALSE(has_row(table_of("<title>我们的菜单</title><p>我们 我们 我们 菜单</p>"), "我们"));
    // Names joined by a hyphen are no site name.
    EXPECT_EQ(seo::title_without_site_name("USB-C 充电器 - 优品商城"), "USB-C 充电器");
}

TEST(KeywordTable, AgreesWithTheDensityCheckOnEveryRow)
{
    const std::vector<std::string> pages = {
        "网站优化 SEO教程：网站结构优化、Keyword 研究、外链建设。keyword density 与 KEYWORDS 不同。"
        "自由软件和自由软件。數據庫服務器和數據庫，网站数据。",
        // The segmenter keeps 刎刎 whole once and then splits the rest into single
        // characters, which side by side spell it again.
        "刎刎刎刎刎刎",
        // Folding changes lengths: Wi-Fi is counted as wifi, and ㌲㈱ folds into six
        // characters, in which a word may end.
        "Wi-Fi 路由器 Wi-Fi ㌲㈱ ㌲㈱ ㌲㈱",
        // Letters the word scan leaves out (a combining mark and a noncharacter after
        // them) are not an occurrence of the word they spell.
        "픾컽쓄죚 픾컽쓄죚\u20DD\uFDD5",
    };
    for (const std::string &page : pages) {
        const seo::PageText text(page, test_language());
        const auto rows = seo::top_keywords(text, test_language());
        ASSERT_FALSE(rows.empty()) << page;
        for (const seo::KeywordRow &row : rows) {
            const seo::DensityFigures figures = seo::density_figures(text, row.word);
            EXPECT_EQ(figures.occurrences, row.occurrences) << row.word;
            EXPECT_EQ(figures.percent, row.density) << row.word;
        }
    }
}

TEST(KeywordTable, KeepsTheThirtyMostFrequent)
{
    std::string text = "qzz qzz ";
    for (char a = 'a'; a <= 'z'; ++a)
        text += std::string{'q', a, 'a'} + ' ' + std::string{'q', a, 'b'} + ' ';
    const auto rows = table_of(text);
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows.front().first, "qzz");
}

TEST(Segmenter, GivesTheSameWordsOnManyThreadsAtOnce)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "搜索引擎优化需要高质量的内容和稳定的服务器，数据库查询速度影响用户体验" + std::to_string(i)
            + "。";
    const std::string expected = words_of(text);
    std::vector<std::string> results(8);
    {
        std::vector<std::jthread> threads;
        for (auto &result : results)
            threads.emplace_back([&result, &text] { result = words_of(text); });
    }
    for (const auto &result : results)
        EXPECT_EQ(result, expected);
}

} // namespace
