#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <string_view>

// Cutting page texts at literal markers: exact, case-sensitive UTF-16 comparison,
// left to right without overlap; markers are dropped and nothing is trimmed.
// The pieces are views into the text, so the text must outlive them.

// k occurrences give k + 1 pieces; a text without the marker gives itself;
// an empty text gives no pieces at all.
QList<QStringView> splitAtMarker(QStringView text, QStringView marker);

// A marker of the site contract (UTF-8) as the scrapers compare it.
inline QString contractText(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// Piece `index` of the split, without building the others: only the text up to the
// end of that piece is scanned. Empty when the split does not give that piece.
QStringView pieceOf(QStringView text, QStringView marker, qsizetype index);

// The text before the first occurrence of the marker, or the whole text.
QStringView textBefore(QStringView text, QStringView marker);
