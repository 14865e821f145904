#include "queries/markersplit.h"
#include "queries/siteaddress.h"

#include "support/gtest_qt.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QStringList>

namespace {

QStringList texts(const QList<QStringView> &pieces)
{
    QStringList out;
    for (QStringView piece : pieces)
        out.append(piece.toString());
    return out;
}

struct SplitCase
{
    friend void PrintTo(const SplitCase &c, std::ostream *out) { *out << c.name; }
    const char *name;
    QString text;
    QString marker;
    QStringList pieces;
};

class SplitAtMarker : public testing::TestWithParam<SplitCase>
{};

TEST_P(SplitAtMarker, GivesThePiecesBetweenOccurrences)
{
    const SplitCase &c = GetParam();
    EXPECT_EQ(texts(splitAtMarker(c.text, c.marker)), c.pieces);
    // pieceOf must agree with the full split for every index, and give nothing past it.
    for (qsizetype i = 0; i <= c.pieces.size(); ++i)
        EXPECT_EQ(pieceOf(c.text, c.marker, i).toString(), i < c.pieces.size() ? c.pieces[i] : QString())
            << "piece " << i;
    EXPECT_EQ(textBefore(c.text, c.marker).toString(), c.pieces.value(0));
}

const QString ab = QStringLiteral("ab");
INSTANTIATE_TEST_SUITE_P(
    Rule, SplitAtMarker,
    testing::Values(
        SplitCase{"EmptyTextGivesNoPieces", {}, ab, {}},
        SplitCase{"NoMarkerGivesTheWholeText", QStringLiteral("xyz"), ab, {QStringLiteral("xyz")}},
        SplitCase{
            "MarkerInTheMiddle", QStringLiteral("1ab2"), ab, {QStringLiteral("1"), QStringLiteral("2")}},
        SplitCase{"MarkersAtBothEndsGiveEmptyPieces",
                  QStringLiteral("ab1ab"),
                  ab,
                  {QString(), QStringLiteral("1"), QString()}},
        SplitCase{"BackToBackMarkersGiveAnEmptyPiece",
                  QStringLiteral("1abab2"),
                  ab,
                  {QStringLiteral("1"), QString(), QStringLiteral("2")}},
        SplitCase{"OccurrencesDoNotOverlap",
                  QStringLiteral("aaaa"),
                  QStringLiteral("aa"),
                  {QString(), QString(), QString()}},
        SplitCase{"OverlapIsResolvedLeftToRight",
                  QStringLiteral("xaaay"),
                  QStringLiteral("aa"),
                  {QStringLiteral("x"), QStringLiteral("ay")}},
        SplitCase{"ComparisonIsCaseSensitive", QStringLiteral("1AB2"), ab, {QStringLiteral("1AB2")}},
        SplitCase{"FullWidthIsNotAscii",
                  QStringLiteral("a:b：c"),
                  QStringLiteral("："),
                  {QStringLiteral("a:b"), QStringLiteral("c")}},
        SplitCase{"TextIsTheMarker", ab, ab, {QString(), QString()}},
        SplitCase{"NothingIsTrimmed",
                  QStringLiteral(" 1 ab\n2\t"),
                  ab,
                  {QStringLiteral(" 1 "), QStringLiteral("\n2\t")}}),
    [](const testing::TestParamInfo<SplitCase> &info) { return info.param.name; });

struct EncodeCase
{
    friend void PrintTo(const EncodeCase &c, std::ostream *out) { *out << c.typed.toStdString(); }
    QString typed;
    QString encoded;
};

class EncodeQueryValue : public testing::TestWithParam<EncodeCase>
{};

TEST_P(EncodeQueryValue, KeepsOnlyUnreservedBytes)
{
    EXPECT_EQ(encodeQueryValue(GetParam().typed), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, EncodeQueryValue,
    testing::Values(EncodeCase{QStringLiteral("AZaz09-._~"), QStringLiteral("AZaz09-._~")},
                    EncodeCase{QStringLiteral("a&b=c#d+e f"), QStringLiteral("a%26b%3Dc%23d%2Be%20f")},
                    EncodeCase{QStringLiteral(" x "), QStringLiteral("%20x%20")},
                    EncodeCase{QStringLiteral("http://a/?q=1"), QStringLiteral("http%3A%2F%2Fa%2F%3Fq%3D1")},
                    EncodeCase{QStringLiteral("中文"), QStringLiteral("%E4%B8%AD%E6%96%87")},
                    EncodeCase{QStringLiteral("%41"), QStringLiteral("%2541")},
                    EncodeCase{QString(), QString()}));

TEST(SiteAddress, EveryAddressCarriesTheTypedTextEncoded)
{
    const SiteHosts hosts{QStringLiteral("tools:1"), QStringLiteral("overview:2"), QStringLiteral("maker:3")};
    EXPECT_EQ(overviewPageUrl(hosts, QStringLiteral("a b")), QStringLiteral("http://overview:2/?q=a%20b"));
    EXPECT_EQ(spiderPageUrl(hosts, QStringLiteral("a&b")),
              QStringLiteral("http://tools:1/Tools/Robot.aspx?url=a%26b"));
    EXPECT_EQ(densityPageUrl(hosts, QStringLiteral("k#"), QStringLiteral("u")),
              QStringLiteral("http://tools:1/Tools/Density.aspx?kw=k%23&url=u"));
    EXPECT_EQ(updateFileUrl(hosts), QStringLiteral("http://maker:3/veltro/shenji.txt"));
    EXPECT_EQ(homePageUrl(hosts, TrailingSlash::With), QStringLiteral("http://maker:3/veltro/"));
    EXPECT_EQ(homePageUrl(hosts, TrailingSlash::Without), QStringLiteral("http://maker:3/veltro"));
}

} // namespace
