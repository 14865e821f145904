#pragma once

#include <QString>

// Where the window's questions go: "host" or "host:port" of each site.
struct SiteHosts
{
    QString tools; // spider view and keyword density pages
    QString overview; // overview page: meta tags and keyword table
    QString maker; // update file and home page

    static SiteHosts allOn(const QString &host) { return {host, host, host}; }
};

// A typed text as a query value: UTF-8, every byte outside A-Z a-z 0-9 - . _ ~ as %XX,
// so that "&", "#", "+", blanks and Chinese reach the site exactly as typed.
QString encodeQueryValue(const QString &typed);

QString overviewPageUrl(const SiteHosts &hosts, const QString &address);
QString spiderPageUrl(const SiteHosts &hosts, const QString &address);
QString densityPageUrl(const SiteHosts &hosts, const QString &keyword, const QString &address);
QString updateFileUrl(const SiteHosts &hosts);

enum class TrailingSlash { Without, With };
QString homePageUrl(const SiteHosts &hosts, TrailingSlash slash);
