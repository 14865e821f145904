#include "metatags.h"

#include "markersplit.h"

MetaTags parseMetaTags(QStringView page)
{
    static constexpr QStringView sectionStart = u">标题（Title）";
    static constexpr QStringView sectionEnd = u"<td>一般不超过200个字符";
    static constexpr QStringView lengthStart = u"red\">";
    static constexpr QStringView lengthEnd = u"</font>";
    static constexpr QStringView textStart = u"10px;\">";
    static constexpr QStringView textEnd = u"<";

    const QStringView section = textBefore(pieceOf(page, sectionStart, 1), sectionEnd);
    const QList<QStringView> lengthPieces = splitAtMarker(section, lengthStart);
    const QList<QStringView> textPieces = splitAtMarker(section, textStart);

    MetaTags tags;
    for (qsizetype i = 0; i < lengthPieces.size(); ++i) {
        tags.lengths.append(textBefore(lengthPieces[i], lengthEnd).toString());
        // A row without its text marker shows an empty caption, never a neighbour's.
        tags.texts.append(i < textPieces.size() ? textBefore(textPieces[i], textEnd).toString() : QString());
    }
    return tags;
}
