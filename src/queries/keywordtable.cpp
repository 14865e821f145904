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
        // Cell j is piece j of the row at "<td>"; what stands before the first one is the
        // rest of the row's opening tag. A cell the row lacks stays empty rather than
        // keeping another row's text.
        QStringView rest = textBefore(piece, rowEnd);
        KeywordRow &row = rows.emplace_back();
        qsizetype cell = rest.indexOf(cellStart);
        for (QString *text : {&row.keyword, &row.occurrences, &row.density}) {
            if (cell < 0)
                break;
            rest = rest.sliced(cell + cellStart.size());
            cell = rest.indexOf(cellStart);
            *text = textBefore(cell < 0 ? rest : rest.first(cell), cellEnd).toString();
        }
    }
    return rows;
}
