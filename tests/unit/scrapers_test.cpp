// The pure scrapers on stored page texts: the marker-splitting rule and each page's cuts.
#include "queries/densityfigures.h"
#include "queries/keywordtable.h"
#include "queries/markersplit.h"
#include "queries/metatags.h"
#include "queries/spidertext.h"
#include "support/gtest_qt.h"
#include "update/updateversion.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

namespace {

QStringList texts(const QList<QStringView> &pieces)
{
    QStringList out;
    for (QStringView piece : pieces)
        out.append(piece.toString());
    return out;
}

TEST(SplitAtMarker, GivesThePiecesBetweenOccurrences)
{
    const std::tuple<QString, QString, QStringList> cases[] = {
        {QString(), "ab", {}}, // an empty text gives no pieces at all
        {"xyz", "ab", {"xyz"}},
        {"ab1ab", "ab", {"", "1", ""}},
        {"1abab2", "ab", {"1", "", "2"}},
        {"xaaay", "aa", {"x", "ay"}}, // left to right, without overlap
        {"1AB2", "ab", {"1AB2"}}, // case counts
        {"a:b：c", "：", {"a:b", "c"}}, // the full-width colon is no ASCII colon
        {" 1 ab\n2\t", "ab", {" 1 ", "\n2\t"}},
    };
    for (const auto &[text, marker, pieces] : cases) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(texts(splitAtMarker(text, marker)), pieces);
        // The shortcuts must agree with the full split for every piece, and past it.
        for (qsizetype i = 0; i <= pieces.size(); ++i)
            EXPECT_EQ(pieceOf(text, marker, i).toString(), pieces.value(i)) << "piece " << i;
        EXPECT_EQ(textBefore(text, marker).toString(), pieces.value(0));
    }
}

TEST(ParseMetaTags, CutsLengthsAndTextsInSlotOrder)
{
    const QString start = ">标题（Title）", end = "<td>一般不超过200个字符", lead = "</td>";
    const auto section = [&](const QString &body) { return start + lead + body + end; };
    const std::tuple<QString, QStringList, QStringList> cases[] = {
        {section("red\">5</font>10px;\">Hello<red\">3</font>10px;\">a,b<red\">4</font>10px;\">desc<"),
         {lead, "5", "3", "4"},
         {"", "Hello", "a,b", "desc"}},
        {QString(), {}, {}},
        {start + "</td>red\">1</font>10px;\">a<" + start + "red\">2</font>", {lead, "1"}, {"", "a"}},
        {section("red\">1</font>10px;\">a<") + "red\">2</font>", {lead, "1"}, {"", "a"}},
        {start + "lead</font>x 10px;\">t<" + end, {"lead"}, {"lead"}}, // no value marker: slot 0 only
        {section("red\">9</font>10px;\">A <b>bold</b> title<"), {lead, "9"}, {"", "A "}},
        {section("red\">1</font>10px;\">a<red\">2</font>"), {lead, "1", "2"}, {"", "a", ""}},
        {section("red\"> 07 </font>10px;\"> a&amp;b \n<"), {lead, " 07 "}, {"", " a&amp;b \n"}}, // raw
    };
    for (const auto &[page, lengths, texts] : cases) {
        const MetaTags tags = parseMetaTags(page);
        EXPECT_EQ(tags.lengths, lengths) << page.toStdString();
        EXPECT_EQ(tags.texts, texts) << page.toStdString();
    }
}

TEST(ParseKeywordTable, TakesTheFirstThreeCellsOfEveryRow)
{
    const QString heading = "<table><tr class=\"h\"><td>关键词</td><td>百度排名</td><td>Google排名</td></tr>";
    const std::pair<QString, QList<KeywordRow>> cases[] = {
        {heading
             + "<tr class=\"a\"><td>seo</td><td>12</td><td>3.5%</td><td>8</td></tr>"
               "<tr class=\"b\"><td>tool</td><td>4</td><td>1.2%</td></tr></table>",
         {{"seo", "12", "3.5%"}, {"tool", "4", "1.2%"}}},
        {"<tr class=\"a\"><td>x</td><td>1</td><td>2%</td></tr>", {}}, // no heading
        {heading + "</table><tr class=\"a\"><td>x</td></tr>", {}},
        {heading
             + "<tr class=\"a\"><td>x</td><td>1</td><td>2%</td></tr>百度排名</td><td>Google排名</td>"
               "<tr class=\"a\"><td>y</td><td>1</td><td>2%</td></tr>",
         {{"x", "1", "2%"}}},
        {heading + "<tr class=\"b\"><td>y</td></tr><tr class=\"c\"></tr></table>",
         {{"y", "", ""}, {"", "", ""}}},
        {heading + "<tr class=\"a\"><td>x<td>1</td><td>2%</td></tr></table>", {{"x", "1", "2%"}}},
        {heading + "<tr class=\"a\"><td> <a href=\"/k\">k</a>\n</td><td>&lt;3&gt;</td><td></td></tr></table>",
         {{" <a href=\"/k\">k</a>\n", "&lt;3&gt;", ""}}},
    };
    for (const auto &[page, expected] : cases)
        EXPECT_EQ(parseKeywordTable(page), expected) << page.toStdString();
}

TEST(ParseSpiderText, CutsTheTextArea)
{
    const QString area = "<textarea rows=\"9\" cols=\"20\">";
    const QString advice = "请检查网站是否能正常打开";
    const std::pair<QString, std::optional<QString>> cases[] = {
        {"<p>x</p>" + area + "Hello\n world</textarea>z", "Hello\n world"},
        {{}, std::nullopt},
        {area + "cols=\"20\">x</textarea>", std::nullopt}, // a second start follows at once
        {area + "</textarea>", ""},
        {area + "one</textarea>" + area + "two</textarea>", "one"},
        {area + "one " + area + "two", "one <textarea rows=\"9\" "},
        {area + "abc 基础连接已经关闭：timeout</textarea>", advice},
        {"基础连接已经关闭" + area + "ok</textarea>基础连接已经关闭", "ok"},
        {area + "a &amp; b &#20013; &lt;</textarea>", "a &amp; b &#20013; &lt;"},
    };
    for (const auto &[page, expected] : cases)
        EXPECT_EQ(parseSpiderText(page), expected) << page.toStdString();
}

TEST(ParseDensityFigures, CutsTheValuesBetweenSeparators)
{
    const std::pair<QString, QStringList> cases[] = {
        {"<h1>密度</h1><li>页面文本总长度：1200</li><li>关键字符串长度：3</li><li>关键字出现频率：8</li>"
         "<li>关键字符总长度：24</li><li>密度结果计算：2.00%</li><li>密度建议值：2%≦密度≦8%</li>",
         {"度", "1200", "3", "8", "24", "2.00%"}},
        {"页面文本总长 is 10<br>密度建议值", {" is 10"}},
        {{}, {}},
        {"页面文本总长密度建议值：1<", {}},
        {"页面文本总长度：10 chars 关键字：3<密度建议值", {"度", "10 chars 关键字", "3"}},
        {"页面文本总长：：<密度建议值", {"", "", ""}},
        {"页面文本总长度：1<页面文本总长度：2<密度建议值", {"度", "1"}},
        {"页面文本总长度：1<密度建议值：2：3", {"度", "1"}},
    };
    for (const auto &[page, expected] : cases)
        EXPECT_EQ(parseDensityFigures(page), expected) << page.toStdString();
}

TEST(ParseUpdateVersion, TakesTheFirstLineUpToCrLf)
{
    const std::pair<QString, QString> cases[] = {
        {"9.2\r\nnotes\r\n", "9.2"},
        {"9.1", "9.1"},
        {"9.1\nmore", "9.1\nmore"},
        {"9.1\r9", "9.1\r9"},
        {"9.1 \r\n", "9.1 "},
        {{}, {}},
        {"\r\n9.1", {}},
    };
    for (const auto &[file, version] : cases)
        EXPECT_EQ(parseUpdateVersion(file), version) << file.toStdString();
}

} // namespace
