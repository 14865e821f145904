#include "metatags.h"

#include "markersplit.h"

#include <contract/site_contract.h>

MetaTags parseMetaTags(QStringView page)
{
    using namespace site_contract::meta;
    static const QString sectionStart = contractText(kSectionStart);
    static const QString sectionEnd = contractText(kSectionEnd);
    static const QString lengthStart = contractText(kLengthStart);
    static const QString lengthEnd = contractText(kLengthEnd);
    static const QString textStart = contractText(kTextStart);
    static const QString textEnd = contractText(kTextEnd);

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
