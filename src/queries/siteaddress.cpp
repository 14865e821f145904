#include "siteaddress.h"

#include <QUrl>

using namespace Qt::StringLiterals;

QString encodeQueryValue(const QString &typed)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(typed));
}

QString overviewPageUrl(const SiteHosts &hosts, const QString &address)
{
    return "http://"_L1 + hosts.overview + "/?q="_L1 + encodeQueryValue(address);
}

QString spiderPageUrl(const SiteHosts &hosts, const QString &address)
{
    return "http://"_L1 + hosts.tools + "/Tools/Robot.aspx?url="_L1 + encodeQueryValue(address);
}

QString densityPageUrl(const SiteHosts &hosts, const QString &keyword, const QString &address)
{
    return "http://"_L1 + hosts.tools + "/Tools/Density.aspx?kw="_L1 + encodeQueryValue(keyword) + "&url="_L1
        + encodeQueryValue(address);
}

QString updateFileUrl(const SiteHosts &hosts)
{
    return "http://"_L1 + hosts.maker + "/veltro/shenji.txt"_L1;
}

QString homePageUrl(const SiteHosts &hosts, TrailingSlash slash)
{
    return "http://"_L1 + hosts.maker + (slash == TrailingSlash::With ? "/veltro/"_L1 : "/veltro"_L1);
}
