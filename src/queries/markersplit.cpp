#include "markersplit.h"

QList<QStringView> splitAtMarker(QStringView text, QStringView marker)
{
    QList<QStringView> pieces;
    if (text.isEmpty())
        return pieces;
    if (marker.isEmpty()) {
        pieces.append(text);
        return pieces;
    }
    qsizetype start = 0;
    for (qsizetype hit = text.indexOf(marker); hit >= 0; hit = text.indexOf(marker, start)) {
        pieces.append(text.sliced(start, hit - start));
        start = hit + marker.size();
    }
    pieces.append(text.sliced(start));
    return pieces;
}

QStringView pieceOf(QStringView text, QStringView marker, qsizetype index)
{
    if (text.isEmpty() || index < 0)
        return {};
    if (marker.isEmpty())
        return index == 0 ? text : QStringView();
    qsizetype start = 0;
    for (qsizetype i = 0; i < index; ++i) {
        const qsizetype hit = text.indexOf(marker, start);
        if (hit < 0)
            return {};
        start = hit + marker.size();
    }
    const qsizetype end = text.indexOf(marker, start);
    return end < 0 ? text.sliced(start) : text.sliced(start, end - start);
}

QStringView textBefore(QStringView text, QStringView marker)
{
    const qsizetype hit = marker.isEmpty() ? -1 : text.indexOf(marker);
    return hit < 0 ? text : text.first(hit);
}
