#include "keywordtable.h"

#include "markersplit.h"

#include <contract/site_contract.h>

QList<KeywordRow> parseKeywordTable(QStringView page)
{
    using namespace site_contract::keywords;
    static const QString tableStart = contractText(kTableStart);
    static const QString tableEnd = contractText(kTableEnd);
    static const QString rowStart = contractText(kRowStart);
    static const QString rowEnd = contractText(kRowEnd);
    static const QString cellStart = contractText(kCellStart);
    static const QString cellEnd = contractText(kCellEnd);

    const QStringView table = textBefore(pieceOf(page, tableStart, 1), tableEnd);
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
