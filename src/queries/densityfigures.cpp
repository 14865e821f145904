#include "densityfigures.h"

#include "markersplit.h"

QStringList parseDensityFigures(QStringView page)
{
    static constexpr QStringView sectionStart = u"页面文本总长";
    static constexpr QStringView sectionEnd = u"密度建议值";
    static constexpr QStringView separator = u"：";
    static constexpr QStringView valueEnd = u"<";

    const QStringView section = textBefore(pieceOf(page, sectionStart, 1), sectionEnd);
    QStringList values;
    for (QStringView piece : splitAtMarker(section, separator))
        values.append(textBefore(piece, valueEnd).toString());
    return values;
}
