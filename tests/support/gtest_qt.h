#pragma once

// Lets GoogleTest print Qt strings readably when an expectation fails.

#include <QString>
#include <QStringList>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList &texts, std::ostream *out)
{
    *out << '{';
    for (const QString &text : texts) {
        PrintTo(text, out);
        *out << ", ";
    }
    *out << '}';
}
QT_END_NAMESPACE
