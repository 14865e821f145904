#include "keywordtable.h"

#include "markersplit.h"

QList<KeywordRow> parseKeywordTable(QStringView page)
{
    static constexpr QStringView headingRow = u"百度排名</td><td>Google排名</td>";
    static constexpr QStringView tableEnd = u"</table>";
    static constexpr QStringView rowStart = u"<tr class=";
    static constexpr QStringView rowEnd = u"</tr>";
    static constexpr QStringView cellStart = u"<td>";
    static constexpr QStringView cellEnd = u"</td>";

    const QStringView table = textBefore(pieceOf(page, headingRow, 1), tableEnd);
    QList<QStringView> rowPieces = splitAtMarker(table, rowStart);
    if (!rowPieces.isEmpty())
        rowPieces.removeFirst(); // the rest of the heading row

    QList<KeywordRow> rows;
    rows.reserve(rowPieces.size());
    for (QStringView piece : std::as_const(rowPieces)) {
        const QStringView row = textBefore(piece, rowEnd);
        // A cell the row does not hold stays empty rather than keeping another row's text.
        auto cell = [row](qsizetype j) {
            return textBefore(pieceOf(row, cellStart, j), cellEnd).toString();
        };
        rows.append({cell(1), cell(2), cell(3)});
    }
    return rows;
}
