#include "site/keyword_table.h"
#include "site/page_text.h"
#include "site/word_scan.h"

#include "test_segmenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> words_of(const std::string &text)
{
    std::vector<std::string> words;
    seo::scan_words(seo::make_page_text(text).folded, test_segmenter(),
                    [&](std::string_view word) { words.emplace_back(word); });
    return words;
}

TEST(WordScan, KeepsLexiconWordsAndFoldedWordsOfTwoOrMoreLetters)
{
    const auto chinese = words_of("我们的数据库服务器需要性能优化");
    for (const std::string word : {"数据库", "服务器", "优化", "性能"})
        EXPECT_NE(std::ranges::find(chinese, word), chinese.end()) << word;
    EXPECT_EQ(words_of("的 a 2024 3.14 ，。！ -- x1 ok"), std::vector<std::string>{"ok"});
    EXPECT_EQ(words_of("SEO优化 Google和GOOGLE"),
              (std::vector<std::string>{"seo", "优化", "google", "google"}));
}

TEST(KeywordTable, CountsMostFrequentFirstTiesInOrderOfAppearance)
{
    const auto rows = seo::top_keywords(
        seo::make_page_text("服务器 数据库 服务器 数据库 网站 the the the the Server server SERVER"),
        test_segmenter());
    ASSERT_EQ(rows.size(), 4u); // "the" is a stop word
    const std::pair<std::string, std::size_t> expected[] = {
        {"server", 3}, {"服务器", 2}, {"数据库", 2}, {"网站", 1}};
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(std::make_pair(rows[i].word, rows[i].occurrences), expected[i]);
}

TEST(KeywordTable, KeepsTheThirtyMostFrequent)
{
    std::string text = "qzz qzz ";
    for (char a = 'a'; a <= 'z'; ++a)
        text += std::string{'q', a, 'a'} + ' ' + std::string{'q', a, 'b'} + ' ';
    const auto rows = seo::top_keywords(seo::make_page_text(text), test_segmenter());
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows.front().word, "qzz");
}

TEST(Occurrences, CountLikeTheDensityCheck)
{
    const struct
    {
        const char *text;
        const char *keyword;
        std::size_t occurrences;
    } cases[] = {
        {"数据库和数据库管理", "数据库", 2},
        {"数据库", "数据", 1}, // Chinese counts inside longer words
        {"SEO seoul Seo-tools seo2", "seo", 2},
        {"aa aaaa aa", "aa", 2},
        {"网站 优化 网站优化", "  网站  优化 ", 1},
        {"anything", "", 0},
        {"", "词", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(seo::count_occurrences(seo::make_page_text(c.text), seo::normalized_keyword(c.keyword)),
                  c.occurrences)
            << c.text << " / " << c.keyword;
    }
}

TEST(Density, FormulaOnCodePoints)
{
    const seo::PageText text = seo::make_page_text("优化优化abcdefghij"); // 14 characters
    const seo::DensityFigures figures = seo::density_figures(text, seo::normalized_keyword("优化"));
    EXPECT_EQ(figures.text_length, 14u);
    EXPECT_EQ(figures.keyword_length, 2u);
    EXPECT_EQ(figures.occurrences, 2u);
    EXPECT_EQ(figures.keyword_characters, 4u);
    EXPECT_DOUBLE_EQ(figures.percent, 4.0 / 14.0 * 100.0);
    EXPECT_EQ(seo::density_percent(3, 2, 0), 0.0);
}

TEST(Density, TableAndDensityCheckAgree)
{
    const seo::PageText text = seo::make_page_text(
        "网站优化 SEO教程：网站结构优化、Keyword 研究、外链建设。keyword density 与 KEYWORDS 不同。"
        "数据库服务器和数据库，网站数据。");
    const auto rows = seo::top_keywords(text, test_segmenter());
    ASSERT_FALSE(rows.empty());
    for (const seo::KeywordRow &row : rows) {
        const seo::DensityFigures figures = seo::density_figures(text, seo::normalized_keyword(row.word));
        EXPECT_EQ(figures.occurrences, row.occurrences) << row.word;
        EXPECT_EQ(figures.percent, row.density) << row.word;
    }
}

TEST(Segmenter, GivesTheSameWordsOnManyThreadsAtOnce)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "搜索引擎优化需要高质量的内容和稳定的服务器，数据库查询速度影响用户体验。";
    const auto expected = words_of(text);
    std::vector<std::vector<std::string>> results(8);
    {
        std::vector<std::jthread> threads;
        for (auto &result : results)
            threads.emplace_back([&result, &text] { result = words_of(text); });
    }
    for (const auto &result : results)
        EXPECT_EQ(result, expected);
}

} // namespace
