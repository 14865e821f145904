#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// One row of the overview page's keyword table: its first three cells, raw.
struct KeywordRow
{
    QString keyword;
    QString occurrences;
    QString density;

    friend bool operator==(const KeywordRow &, const KeywordRow &) = default;
};

QList<KeywordRow> parseKeywordTable(QStringView page);
