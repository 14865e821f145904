#include "densityfigures.h"

#include "markersplit.h"

#include <contract/site_contract.h>

QStringList parseDensityFigures(QStringView page)
{
    using namespace site_contract::density;
    static const QString sectionStart = contractText(kSectionStart);
    static const QString sectionEnd = contractText(kSectionEnd);
    static const QString separator = contractText(kSeparator);
    static const QString valueEnd = contractText(kValueEnd);

    const QStringView section = textBefore(pieceOf(page, sectionStart, 1), sectionEnd);
    QStringList values;
    for (QStringView piece : splitAtMarker(section, separator))
        values.append(textBefore(piece, valueEnd).toString());
    return values;
}
