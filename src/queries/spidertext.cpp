#include "spidertext.h"

#include "markersplit.h"

#include <contract/site_contract.h>

std::optional<QString> parseSpiderText(QStringView page)
{
    using namespace site_contract::spider;
    static const QString areaStart = contractText(kTextStart);
    static const QString areaEnd = contractText(kTextEnd);
    static const QString siteFailure = contractText(kSiteFailure);

    const QStringView afterStart = pieceOf(page, areaStart, 1);
    if (afterStart.isEmpty())
        return std::nullopt;
    const QStringView text = textBefore(afterStart, areaEnd);
    if (text.contains(siteFailure))
        return QStringLiteral("请检查网站是否能正常打开");
    return text.toString();
}
