#pragma once

#include <QList>
#include <QStringView>

// Cutting page texts at literal markers: exact, case-sensitive UTF-16 comparison,
// left to right without overlap; markers are dropped and nothing is trimmed.
// The pieces are views into the text, so the text must outlive them.

// k occurrences give k + 1 pieces; a text without the marker gives itself;
// an empty text gives no pieces at all.
QList<QStringView> splitAtMarker(QStringView text, QStringView marker);

// Piece `index` of the split, without building the others: only the text up to the
// end of that piece is scanned. Empty when the split does not give that piece.
QStringView pieceOf(QStringView text, QStringView marker, qsizetype index);

// The text before the first occurrence of the marker, or the whole text.
QStringView textBefore(QStringView text, QStringView marker);
