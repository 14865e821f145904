#include "queries/densityfigures.h"
#include "queries/keywordtable.h"
#include "queries/spidertext.h"
#include "support/gtest_qt.h"
#include "update/updateversion.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const KeywordRow &row, std::ostream *out)
{
    *out << '{' << row.keyword.toStdString() << " | " << row.occurrences.toStdString() << " | "
         << row.density.toStdString() << '}';
}

namespace {

const QString heading =
    QStringLiteral("<table><tr class=\"h\"><td>关键词</td><td>百度排名</td><td>Google排名</td></tr>");

KeywordRow kw(const char *keyword, const char *occurrences, const char *density)
{
    return {QString::fromUtf8(keyword), QString::fromUtf8(occurrences), QString::fromUtf8(density)};
}

struct TableCase
{
    friend void PrintTo(const TableCase &c, std::ostream *out) { *out << c.name; }
    const char *name;
    QString page;
    QList<KeywordRow> rows;
};

class ParseKeywordTable : public testing::TestWithParam<TableCase>
{};

TEST_P(ParseKeywordTable, TakesTheFirstThreeCellsOfEveryRow)
{
    EXPECT_EQ(parseKeywordTable(GetParam().page), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ParseKeywordTable,
    testing::Values(
        TableCase{"TwoRowsFourthCellIgnored",
                  heading
                      + QStringLiteral("<tr class=\"a\"><td>seo</td><td>12</td><td>3.5%</td><td>8</td></tr>"
                                       "<tr class=\"b\"><td>tool</td><td>4</td><td>1.2%</td></tr></table>"),
                  {kw("seo", "12", "3.5%"), kw("tool", "4", "1.2%")}},
        TableCase{"EmptyPage", {}, {}},
        TableCase{
            "NoHeadingMarker", QStringLiteral("<tr class=\"a\"><td>x</td><td>1</td><td>2%</td></tr>"), {}},
        TableCase{
            "HeadingThenTableEnd", heading + QStringLiteral("</table><tr class=\"a\"><td>x</td></tr>"), {}},
        TableCase{"NoTableEndRunsToThePageEnd",
                  heading + QStringLiteral("<tr class=\"a\"><td>x</td><td>1</td><td>2%</td></tr>"),
                  {kw("x", "1", "2%")}},
        TableCase{
            "SecondHeadingMarkerEndsTheTable",
            heading
                + QStringLiteral("<tr class=\"a\"><td>x</td><td>1</td><td>2%</td></tr>百度排名</td>"
                                 "<td>Google排名</td><tr class=\"a\"><td>y</td><td>1</td><td>2%</td></tr>"),
            {kw("x", "1", "2%")}},
        TableCase{
            "CapitalsAndAttributesAreNotRecognised",
            heading
                + QStringLiteral("<TR class=\"a\"><td>x</td></TR><tr><td>y</td></tr>"
                                 "<tr class=\"a\"><td class=\"c\">z</td><td>1</td><td>2%</td></tr></table>"),
            {kw("1", "2%", "")}},
        TableCase{"MissingCellsAreEmptyNotCarriedOver",
                  heading
                      + QStringLiteral("<tr class=\"a\"><td>x</td><td>1</td><td>2%</td></tr>"
                                       "<tr class=\"b\"><td>y</td></tr><tr class=\"c\"></tr></table>"),
                  {kw("x", "1", "2%"), kw("y", "", ""), kw("", "", "")}},
        TableCase{"CellWithoutItsEndRunsToTheNextCell",
                  heading + QStringLiteral("<tr class=\"a\"><td>x<td>1</td><td>2%</td></tr></table>"),
                  {kw("x", "1", "2%")}},
        TableCase{"RowWithoutItsEndRunsToTheNextRow",
                  heading
                      + QStringLiteral("<tr class=\"a\"><td>x</td><td>1<tr class=\"b\"><td>y</td></table>"),
                  {kw("x", "1", ""), kw("y", "", "")}},
        TableCase{"CellsStayRaw",
                  heading
                      + QStringLiteral("<tr class=\"a\"><td> <a href=\"/k\">k</a>\n</td><td>&lt;3&gt;</td>"
                                       "<td></td></tr></table>"),
                  {kw(" <a href=\"/k\">k</a>\n", "&lt;3&gt;", "")}}),
    [](const testing::TestParamInfo<TableCase> &info) { return info.param.name; });

struct SpiderCase
{
    friend void PrintTo(const SpiderCase &c, std::ostream *out) { *out << c.name; }
    const char *name;
    QString page;
    std::optional<QString> text;
};

class ParseSpiderText : public testing::TestWithParam<SpiderCase>
{};

TEST_P(ParseSpiderText, CutsTheTextArea)
{
    EXPECT_EQ(parseSpiderText(GetParam().page), GetParam().text);
}

const QString area = QStringLiteral("<textarea rows=\"9\" cols=\"20\">");
const QString advice = QStringLiteral("请检查网站是否能正常打开");
INSTANTIATE_TEST_SUITE_P(
    Pages, ParseSpiderText,
    testing::Values(
        SpiderCase{"TextArea",
                   QStringLiteral("<p>x</p>") + area + QStringLiteral("Hello\n world</textarea>z"),
                   QStringLiteral("Hello\n world")},
        SpiderCase{"EmptyPage", {}, std::nullopt},
        SpiderCase{"NoStartMarker", QStringLiteral("<textarea cols='20'>x</textarea>"), std::nullopt},
        SpiderCase{"NothingAfterTheStartMarker", QStringLiteral("x") + area, std::nullopt},
        SpiderCase{"SecondStartMarkerFollowsAtOnce", area + QStringLiteral("cols=\"20\">x</textarea>"),
                   std::nullopt},
        SpiderCase{"EmptyTextArea", area + QStringLiteral("</textarea>"), QString()},
        SpiderCase{"TwoTextAreasUseTheFirst",
                   area + QStringLiteral("one</textarea>") + area + QStringLiteral("two</textarea>"),
                   QStringLiteral("one")},
        SpiderCase{"NoEndRunsToTheNextStart", area + QStringLiteral("one ") + area + QStringLiteral("two"),
                   QStringLiteral("one <textarea rows=\"9\" ")},
        SpiderCase{"NoEndRunsToThePageEnd", area + QStringLiteral("one\n"), QStringLiteral("one\n")},
        SpiderCase{"SiteFailureAnywhereInTheText",
                   area + QStringLiteral("abc 基础连接已经关闭：timeout</textarea>"), advice},
        SpiderCase{"SiteFailureOutsideTheTextCountsForNothing",
                   QStringLiteral("基础连接已经关闭") + area
                       + QStringLiteral("ok</textarea>基础连接已经关闭"),
                   QStringLiteral("ok")},
        SpiderCase{"EntitiesStayRaw", area + QStringLiteral("a &amp; b &#20013; &lt;</textarea>"),
                   QStringLiteral("a &amp; b &#20013; &lt;")}),
    [](const testing::TestParamInfo<SpiderCase> &info) { return info.param.name; });

struct DensityCase
{
    friend void PrintTo(const DensityCase &c, std::ostream *out) { *out << c.name; }
    const char *name;
    QString page;
    QStringList values;
};

class ParseDensityFigures : public testing::TestWithParam<DensityCase>
{};

TEST_P(ParseDensityFigures, CutsTheValuesBetweenSeparators)
{
    EXPECT_EQ(parseDensityFigures(GetParam().page), GetParam().values);
}

const QString figures =
    QStringLiteral("<li>页面文本总长度：1200</li><li>关键字符串长度：3</li><li>关键字出现频率：8</li>"
                   "<li>关键字符总长度：24</li><li>密度结果计算：2.00%</li><li>密度建议值：2%≦密度≦8%</li>");
INSTANTIATE_TEST_SUITE_P(
    Pages, ParseDensityFigures,
    testing::Values(
        DensityCase{"FiveSeparators",
                    QStringLiteral("<h1>密度</h1>") + figures,
                    {QStringLiteral("度"), QStringLiteral("1200"), QStringLiteral("3"), QStringLiteral("8"),
                     QStringLiteral("24"), QStringLiteral("2.00%")}},
        DensityCase{"TwoSeparators",
                    QStringLiteral("页面文本总长度：10<br>x：20<br>密度建议值：9"),
                    {QStringLiteral("度"), QStringLiteral("10"), QStringLiteral("20")}},
        DensityCase{
            "NoSeparator", QStringLiteral("页面文本总长 is 10<br>密度建议值"), {QStringLiteral(" is 10")}},
        DensityCase{"EmptyPage", {}, {}},
        DensityCase{"NoStartMarker", QStringLiteral("页面文本长度：10<"), {}},
        DensityCase{"EndMarkerRightAfterStart", QStringLiteral("页面文本总长密度建议值：1<"), {}},
        DensityCase{"ValueWithoutItsEndRunsToTheNextSeparator",
                    QStringLiteral("页面文本总长度：10 chars 关键字：3<密度建议值"),
                    {QStringLiteral("度"), QStringLiteral("10 chars 关键字"), QStringLiteral("3")}},
        DensityCase{
            "EmptyPieces", QStringLiteral("页面文本总长：：<密度建议值"), {QString(), QString(), QString()}},
        DensityCase{"SecondStartMarkerEndsTheText",
                    QStringLiteral("页面文本总长度：1<页面文本总长度：2<密度建议值"),
                    {QStringLiteral("度"), QStringLiteral("1")}},
        DensityCase{"SeparatorsAfterTheEndAreNotSeen",
                    QStringLiteral("页面文本总长度：1<密度建议值：2：3"),
                    {QStringLiteral("度"), QStringLiteral("1")}},
        DensityCase{"AsciiColonIsNoSeparator",
                    QStringLiteral("页面文本总长度:1<密度建议值"),
                    {QStringLiteral("度:1")}}),
    [](const testing::TestParamInfo<DensityCase> &info) { return info.param.name; });

struct VersionCase
{
    friend void PrintTo(const VersionCase &c, std::ostream *out) { *out << c.name; }
    const char *name;
    QString file;
    QString version;
};

class ParseUpdateVersion : public testing::TestWithParam<VersionCase>
{};

TEST_P(ParseUpdateVersion, TakesTheFirstLine)
{
    EXPECT_EQ(parseUpdateVersion(GetParam().file), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ParseUpdateVersion,
    testing::Values(VersionCase{"CrLf", QStringLiteral("9.2\r\nnotes\r\n"), QStringLiteral("9.2")},
                    VersionCase{"NoLineEnd", QStringLiteral("9.1"), QStringLiteral("9.1")},
                    VersionCase{"LineFeedAloneDoesNotEndTheLine", QStringLiteral("9.1\nmore"),
                                QStringLiteral("9.1\nmore")},
                    VersionCase{"CarriageReturnAloneDoesNotEndTheLine", QStringLiteral("9.1\r9"),
                                QStringLiteral("9.1\r9")},
                    VersionCase{"TrailingBlankStays", QStringLiteral("9.1 \r\n"), QStringLiteral("9.1 ")},
                    VersionCase{"EmptyFile", {}, {}},
                    VersionCase{"EmptyFirstLine", QStringLiteral("\r\n9.1"), {}}),
    [](const testing::TestParamInfo<VersionCase> &info) { return info.param.name; });

} // namespace
