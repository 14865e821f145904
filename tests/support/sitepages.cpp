#include "sitepages.h"

#include <contract/site_contract.h>

namespace SitePages {

namespace {

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

} // namespace

QString overview(const QList<MetaRow> &metaRows, const QList<QStringList> &keywordRows)
{
    namespace meta = site_contract::meta;
    namespace keywords = site_contract::keywords;
    const std::string_view openings[] = {meta::kTitleRowOpen, meta::kKeywordsRowOpen,
                                         meta::kDescriptionRowOpen};
    const std::string_view advice[] = {meta::kTitleAdvice, meta::kKeywordsAdvice, meta::kDescriptionAdvice};
    QString page = QStringLiteral("<html><body><table>");
    for (qsizetype row = 0; row < metaRows.size(); ++row) {
        // Rows past the third repeat the Keywords row's shape; the last one ends the section.
        const qsizetype shape = row == 0 ? 0 : row == metaRows.size() - 1 ? 2 : 1;
        page += text(openings[shape]) + metaRows[row].length + text(meta::kLengthClose) + metaRows[row].text
            + text(meta::kTextClose) + text(advice[shape]);
    }
    page += QStringLiteral("</table><table>") + text(keywords::kHeadingRow);
    for (const QStringList &cells : keywordRows) {
        page += text(keywords::kRowOpen);
        for (const QString &cell : cells + QStringList{QStringLiteral("-"), QStringLiteral("-")})
            page += text(keywords::kCellStart) + cell + text(keywords::kCellEnd);
        page += text(keywords::kRowClose);
    }
    return page + text(keywords::kTableEnd) + QStringLiteral("</body></html>");
}

QString spider(const QString &spiderText)
{
    return QStringLiteral("<html><body>") + text(site_contract::spider::kTextAreaOpen) + spiderText
        + text(site_contract::spider::kTextEnd) + QStringLiteral("</body></html>");
}

QString density(const QStringList &figures)
{
    namespace density = site_contract::density;
    const std::string_view captions[] = {density::kTextLengthCaption, density::kKeywordLengthCaption,
                                         density::kOccurrencesCaption, density::kKeywordCharactersCaption,
                                         density::kDensityCaption};
    QString page = QStringLiteral("<html><body><ul>");
    for (qsizetype i = 0; i < figures.size() && i < 5; ++i)
        page += QStringLiteral("<li>") + text(captions[i]) + figures[i] + QStringLiteral("</li>");
    return page + QStringLiteral("<li>") + text(density::kAdvice)
        + QStringLiteral("</li></ul></body></html>");
}

} // namespace SitePages
