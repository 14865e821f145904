#pragma once

#include <QString>

// Pages in the analysis site's shape, built by the tests.
namespace SitePages {

struct Meta
{
    QString titleLength, title, keywordsLength, keywords, descriptionLength, description;
};

QString overview(const Meta &meta, const QList<QStringList> &keywordRows);
QString spider(const QString &text);
QString density(const QStringList &figures);

} // namespace SitePages
