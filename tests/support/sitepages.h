#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Pages in the shape the analysis site writes them, for the window to read.
namespace SitePages {

// One row of the meta table: a length and a text.
struct MetaRow
{
    QString length;
    QString text;
};

// The overview page: its meta rows (normally Title, KeyWords and Description; the
// site's shape has room for more or fewer), then the keyword table's rows of cells.
QString overview(const QList<MetaRow> &metaRows, const QList<QStringList> &keywordRows = {});
QString spider(const QString &text);
QString density(const QStringList &figures);

} // namespace SitePages
