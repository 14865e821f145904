#include "siteaddress.h"

#include <contract/site_contract.h>

#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QString latin1(std::string_view ascii)
{
    return QString::fromLatin1(ascii.data(), qsizetype(ascii.size()));
}

// "http://host/path?key=" for one route of the site.
QString routeUrl(const QString &host, std::string_view path, std::string_view key)
{
    return "http://"_L1 + host + latin1(path) + u'?' + latin1(key) + u'=';
}

} // namespace

QString encodeQueryValue(const QString &typed)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(typed));
}

QString overviewPageUrl(const SiteHosts &hosts, const QString &address)
{
    using namespace site_contract;
    return routeUrl(hosts.overview, kOverviewPath, kOverviewAddressKey) + encodeQueryValue(address);
}

QString spiderPageUrl(const SiteHosts &hosts, const QString &address)
{
    using namespace site_contract;
    return routeUrl(hosts.tools, kSpiderPath, kSpiderAddressKey) + encodeQueryValue(address);
}

QString densityPageUrl(const SiteHosts &hosts, const QString &keyword, const QString &address)
{
    using namespace site_contract;
    return routeUrl(hosts.tools, kDensityPath, kDensityKeywordKey) + encodeQueryValue(keyword) + u'&'
        + latin1(kDensityAddressKey) + u'=' + encodeQueryValue(address);
}

QString updateFileUrl(const SiteHosts &hosts)
{
    return "http://"_L1 + hosts.maker + latin1(site_contract::kVersionFilePath);
}

QString homePageUrl(const SiteHosts &hosts, TrailingSlash slash)
{
    return "http://"_L1 + hosts.maker + latin1(site_contract::kHomePagePath)
        + (slash == TrailingSlash::With ? u"/"_s : QString());
}
