#include "site/keyword_table.h"
#include "site/page_text.h"
#include "site/word_scan.h"

#include "test_segmenter.h"

#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> words_of(const std::string& text)
{
    std::vector<std::string> words;
    seo::scan_words(seo::make_page_text(text).folded, test_segmenter(),
                    [&](std::string_view word) { words.emplace_back(word); });
    return words;
}

bool contains(const std::vector<std::string>& words, const std::string& word)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

TEST(WordScan, SegmentsChineseIntoLexiconWords)
{
    const auto words = words_of("我们的数据库服务器需要性能优化");
    EXPECT_TRUE(contains(words, "数据库"));
    EXPECT_TRUE(contains(words, "服务器"));
    EXPECT_TRUE(contains(words, "优化"));
    EXPECT_TRUE(contains(words, "性能"));
}

TEST(WordScan, LeavesOutSingleCharactersNumbersAndPunctuation)
{
    const auto words = words_of("的 a 2024 3.14 ，。！ -- x1 ok");
    EXPECT_EQ(words, std::vector<std::string>{"ok"});
}

TEST(WordScan, FoldsLatinWordsAndSplitsMixedText)
{
    const auto words = words_of("SEO优化 Google和GOOGLE");
    EXPECT_EQ(words, (std::vector<std::string>{"seo", "优化", "google", "google"}));
}

TEST(KeywordTable, CountsMostFrequentFirstTiesInOrderOfAppearance)
{
    const seo::PageText text = seo::make_page_text(
        "服务器 数据库 服务器 数据库 网站 the the the the Server server SERVER");
    const auto rows = seo::top_keywords(text, test_segmenter());
    ASSERT_EQ(rows.size(), 4u);  // "the" is a stop word
    EXPECT_EQ(rows[0].word, "server");
    EXPECT_EQ(rows[0].occurrences, 3u);
    EXPECT_EQ(rows[1].word, "服务器");
    EXPECT_EQ(rows[2].word, "数据库");
    EXPECT_EQ(rows[3].word, "网站");
    EXPECT_EQ(rows[3].occurrences, 1u);
}

TEST(KeywordTable, KeepsAtMostTheLimit)
{
    std::string text;
    for (char a = 'a'; a <= 'z'; ++a) {
        for (char b = 'a'; b <= 'c'; ++b)
            text += std::string{'q', a, b} + ' ';
    }
    const auto rows = seo::top_keywords(seo::make_page_text(text), test_segmenter());
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows.front().word, "qaa");
}

struct OccurrenceCase
{
    friend void PrintTo(const OccurrenceCase& c, std::ostream* out) { *out << c.keyword; }

    const char* text;
    const char* keyword;
    std::size_t occurrences;
};

class Occurrences : public testing::TestWithParam<OccurrenceCase>
{
};

TEST_P(Occurrences, CountsLikeTheDensityCheck)
{
    const OccurrenceCase& c = GetParam();
    EXPECT_EQ(seo::count_occurrences(seo::make_page_text(c.text), seo::normalized_keyword(c.keyword)),
              c.occurrences);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Occurrences,
    testing::Values(OccurrenceCase{"数据库和数据库管理", "数据库", 2},
                    OccurrenceCase{"数据库", "数据", 1},  // Chinese counts inside longer words
                    OccurrenceCase{"SEO seoul Seo-tools seo2", "seo", 2},
                    OccurrenceCase{"aa aaaa aa", "aa", 2},
                    OccurrenceCase{"网站 优化 网站优化", "  网站  优化 ", 1},
                    OccurrenceCase{"anything", "", 0},
                    OccurrenceCase{"", "词", 0}));

TEST(Density, FormulaOnCodePoints)
{
    const seo::PageText text = seo::make_page_text("优化优化abcdefghij");  // 14 characters
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
    for (const seo::KeywordRow& row : rows) {
        const seo::DensityFigures figures =
            seo::density_figures(text, seo::normalized_keyword(row.word));
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
    std::vector<std::thread> threads;
    for (auto& result : results)
        threads.emplace_back([&result, &text] { result = words_of(text); });
    for (auto& thread : threads)
        thread.join();
    for (const auto& result : results)
        EXPECT_EQ(result, expected);
}

}  // namespace
