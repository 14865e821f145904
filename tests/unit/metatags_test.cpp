#include "queries/metatags.h"
#include "support/gtest_qt.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

const QString start = QStringLiteral(">标题（Title）");
const QString end = QStringLiteral("<td>一般不超过200个字符");
const QString lead = QStringLiteral("</td>");

// A meta section whose first value marker follows a closing tag, as on the real page.
QString section(const QString &body)
{
    return start + lead + body + end;
}

QString row(const QString &caption, const QString &length, const QString &text, const QString &advice)
{
    return QStringLiteral("<tr><td>") + caption + QStringLiteral("</td><td><font color=\"red\">") + length
        + QStringLiteral("</font> 个字符</td><td><div style=\"padding-left:10px;\">") + text
        + QStringLiteral("</div></td>") + advice + QStringLiteral("</td></tr>");
}

// An overview page as the analysis site writes it.
QString overviewPage()
{
    return QStringLiteral("<html><body><h1>概况</h1><table>")
        + row(QStringLiteral("标题（Title）"), QStringLiteral("5"), QStringLiteral("Hello"),
              QStringLiteral("<td>一般不超过80个字符"))
        + row(QStringLiteral("关键词（KeyWords）"), QStringLiteral("3"), QStringLiteral("a,b"),
              QStringLiteral("<td>一般不超过100个字符"))
        + row(QStringLiteral("描述（Description）"), QStringLiteral("4"), QStringLiteral("desc"), end)
        + QStringLiteral("</table>")
        + row(QStringLiteral("x"), QStringLiteral("99"), QStringLiteral("late"), {})
        + QStringLiteral("</body></html>");
}

struct MetaCase
{
    friend void PrintTo(const MetaCase &c, std::ostream *out) { *out << c.name; }
    const char *name;
    QString page;
    QStringList lengths;
    QStringList texts;
};

class ParseMetaTags : public testing::TestWithParam<MetaCase>
{};

TEST_P(ParseMetaTags, CutsLengthsAndTextsInSlotOrder)
{
    const MetaCase &c = GetParam();
    const MetaTags tags = parseMetaTags(c.page);
    EXPECT_EQ(tags.lengths, c.lengths);
    EXPECT_EQ(tags.texts, c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ParseMetaTags,
    testing::Values(
        MetaCase{"ThreeRowsInPageOrder",
                 overviewPage(),
                 {QStringLiteral("</td><td><font color=\""), QStringLiteral("5"), QStringLiteral("3"),
                  QStringLiteral("4")},
                 {QString(), QStringLiteral("Hello"), QStringLiteral("a,b"), QStringLiteral("desc")}},
        MetaCase{"EmptyPage", {}, {}, {}},
        MetaCase{"NoStartMarker", QStringLiteral("<td>标题(Title)</td>red\">1</font>10px;\">t<"), {}, {}},
        MetaCase{"NothingAfterTheStartMarker", QStringLiteral("x") + start, {}, {}},
        MetaCase{"SecondStartMarkerEndsTheSection",
                 start + QStringLiteral("</td>red\">1</font>10px;\">a<") + start
                     + QStringLiteral("red\">2</font>10px;\">b<"),
                 {lead, QStringLiteral("1")},
                 {QString(), QStringLiteral("a")}},
        MetaCase{"EndMarkerEndsTheSection",
                 start + QStringLiteral("</td>red\">1</font>10px;\">a<") + end
                     + QStringLiteral("red\">2</font>10px;\">b<"),
                 {lead, QStringLiteral("1")},
                 {QString(), QStringLiteral("a")}},
        MetaCase{"NoValueMarkerFillsSlotZeroOnly",
                 start + QStringLiteral("lead</font>x 10px;\">t<") + end,
                 {QStringLiteral("lead")},
                 {QStringLiteral("lead")}},
        MetaCase{"ValueWithoutItsEndRunsToTheNextMarker",
                 section(QStringLiteral("red\">12 chars 10px;\">t<")),
                 {lead, QStringLiteral("12 chars 10px;\">t<")},
                 {QString(), QStringLiteral("t")}},
        MetaCase{"MarkupInATagTextCutsIt",
                 section(QStringLiteral("red\">9</font>10px;\">A <b>bold</b> title<")),
                 {lead, QStringLiteral("9")},
                 {QString(), QStringLiteral("A ")}},
        MetaCase{"SurplusTextMarkersAreNotShown",
                 section(QStringLiteral("red\">1</font>10px;\">a<10px;\">b<10px;\">c<")),
                 {lead, QStringLiteral("1")},
                 {QString(), QStringLiteral("a")}},
        MetaCase{"MissingTextMarkerGivesAnEmptyText",
                 section(QStringLiteral("red\">1</font>10px;\">a<red\">2</font>")),
                 {lead, QStringLiteral("1"), QStringLiteral("2")},
                 {QString(), QStringLiteral("a"), QString()}},
        MetaCase{"BackToBackMarkersGiveEmptyCaptions",
                 section(QStringLiteral("red\"></font>10px;\"><red\"></font>10px;\"><")),
                 {lead, QString(), QString()},
                 {QString(), QString(), QString()}},
        MetaCase{"TextsStayRaw",
                 section(QStringLiteral("red\"> 07 </font>10px;\"> a&amp;b&#39; \n<")),
                 {lead, QStringLiteral(" 07 ")},
                 {QString(), QStringLiteral(" a&amp;b&#39; \n")}},
        MetaCase{
            "MoreThanThreeRowsAreAllReturned",
            section(QStringLiteral("red\">1<red\">2<red\">3<red\">4<")),
            {lead, QStringLiteral("1<"), QStringLiteral("2<"), QStringLiteral("3<"), QStringLiteral("4<")},
            {QString(), QString(), QString(), QString(), QString()}}),
    [](const testing::TestParamInfo<MetaCase> &info) { return info.param.name; });

} // namespace
