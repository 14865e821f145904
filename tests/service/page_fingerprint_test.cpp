// Page fingerprints: the same text hashes the same however it is spaced; a page that
// differs from another in one word stays near it, and an unrelated page is far.
#include "words/page_fingerprint.h"
#include "words/page_text.h"

#include "test_language.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Long enough that one word is a small part of it.
const std::string kProse =
    "清明前后是采茶最忙的时候。天还没亮，茶农们就背着竹篓上山，趁着露水未干采下最嫩的芽尖。"
    "老人们常说，好茶要看三分天时、三分土壤，还有四分靠人的手艺。"
    "采回来的鲜叶要先摊在竹匾上晾一晾，再放进铁锅里用手翻炒，火候稍有差错，"
    "整锅茶的味道就会变得苦涩。年轻人起初总觉得这些规矩太麻烦，可跟着长辈做过几年，"
    "也渐渐明白了其中的道理。\n近几年，来镇上游玩的客人越来越多。有人专门为了喝一杯新茶而来，"
    "也有人喜欢沿着河边的石板路慢慢散步，看看老房子的木门和雕花窗户。为了接待游客，"
    "不少人家把旧屋改成了民宿，还在门口摆上几张桌椅，请客人坐下来尝一尝自家炒的茶。"
    "镇政府修建了新的停车场和游客中心，又在山上铺设了步道，方便大家登高看风景。\n";

std::int64_t simhash_of(const std::string &text)
{
    return seo::simhash(seo::PageText(text, test_language()));
}

TEST(ContentHash, IsTheSameHoweverTheTextIsSpaced)
{
    // FNV-1a's own values: the hash is the same on every machine.
    EXPECT_EQ(seo::content_hash(""), "cbf29ce484222325");
    EXPECT_EQ(seo::content_hash("a"), "af63dc4c8601ec8c");
    EXPECT_EQ(seo::content_hash(" 网站\t优化\r\n\n　很重要 "), seo::content_hash("网站 优化 很重要"));
    EXPECT_NE(seo::content_hash("网站优化很重要"), seo::content_hash("网站 优化 很重要"));
}

TEST(Simhash, OneWordChangedStaysNearAnUnrelatedTextIsFar)
{
    const std::int64_t original = simhash_of(kProse);
    const std::pair<const char *, const char *> changes[] = {
        {"竹篓", "背篓"}, {"铁锅", "砂锅"}, {"游客中心", "服务中心"}, {"民宿", "客栈"}};
    for (const auto &[from, to] : changes) {
        std::string changed = kProse;
        changed.replace(changed.find(from), std::string_view(from).size(), to);
        EXPECT_LE(seo::hamming_distance(original, simhash_of(changed)), 3) << from;
    }
    const std::string unrelated = "服务器的日志显示，数据库在凌晨三点开始变慢。工程师检查了索引和查询语句。";
    EXPECT_GE(seo::hamming_distance(original, simhash_of(unrelated)), 20);
    // Two words make no shingle of three: they are taken one by one.
    EXPECT_NE(simhash_of("网站 优化"), simhash_of(""));
}

} // namespace
