#include "sitepages.h"

#include <QStringList>

namespace SitePages {

static QString metaRow(const QString &tag, const QString &length, const QString &text, const QString &advice)
{
    return QStringLiteral("<tr><td>%1</td><td><font color=\"red\">%2</font> 个字符</td>"
                          "<td><div style=\"padding-left:10px;\">%3</div></td><td>%4</td></tr>")
        .arg(tag, length, text, advice);
}

QString overview(const Meta &meta, const QList<QStringList> &keywordRows)
{
    QString page = QStringLiteral("<html><body><table>")
        + metaRow(QStringLiteral("标题（Title）"), meta.titleLength, meta.title,
                  QStringLiteral("一般不超过80个字符"))
        + metaRow(QStringLiteral("关键词（KeyWords）"), meta.keywordsLength, meta.keywords,
                  QStringLiteral("一般不超过100个字符"))
        + metaRow(QStringLiteral("描述（Description）"), meta.descriptionLength, meta.description,
                  QStringLiteral("一般不超过200个字符"))
        + QStringLiteral("</table><table><tr class=\"head\"><td>关键词</td><td>次数</td><td>密度</td>"
                         "<td>百度排名</td><td>Google排名</td></tr>");
    for (const QStringList &cells : keywordRows)
        page += QStringLiteral("<tr class=\"kw\"><td>") + cells.join(QStringLiteral("</td><td>"))
            + QStringLiteral("</td><td>-</td><td>-</td></tr>");
    return page + QStringLiteral("</table></body></html>");
}

QString spider(const QString &text)
{
    return QStringLiteral("<html><body><textarea rows=\"20\" cols=\"20\">") + text
        + QStringLiteral("</textarea></body></html>");
}

QString density(const QStringList &figures)
{
    const QStringList captions = {QStringLiteral("页面文本总长度："), QStringLiteral("关键字符串长度："),
                                  QStringLiteral("关键字出现频率："), QStringLiteral("关键字符总长度："),
                                  QStringLiteral("密度结果计算：")};
    QString page = QStringLiteral("<html><body><ul>");
    for (qsizetype i = 0; i < figures.size() && i < captions.size(); ++i)
        page += QStringLiteral("<li>") + captions[i] + figures[i] + QStringLiteral("</li>");
    return page + QStringLiteral("<li>密度建议值：2%≦密度≦8%</li></ul></body></html>");
}

} // namespace SitePages
