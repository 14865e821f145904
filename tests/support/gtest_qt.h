#pragma once

// Lets GoogleTest print Qt strings readably when an expectation fails (lists of them too,
// element by element).

#include <QString>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
