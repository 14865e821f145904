#include "spidertext.h"

#include "markersplit.h"

std::optional<QString> parseSpiderText(QStringView page)
{
    static constexpr QStringView areaStart = u"cols=\"20\">";
    static constexpr QStringView areaEnd = u"</textarea>";
    static constexpr QStringView siteFailure = u"基础连接已经关闭";

    const QStringView afterStart = pieceOf(page, areaStart, 1);
    if (afterStart.isEmpty())
        return std::nullopt;
    const QStringView text = textBefore(afterStart, areaEnd);
    if (text.contains(siteFailure))
        return QStringLiteral("请检查网站是否能正常打开");
    return text.toString();
}
