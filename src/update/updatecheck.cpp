// The update check a second after start, and the link to the maker's home page.

#include "queries/siteaddress.h"
#include "updateversion.h"
#include "window/form1.h"
#include "window/product.h"

#include <QTimer>

void Form1::Timer1_Timer()
{
    // Stopped first: the check waits for the network, and the timer must not start
    // another check inside that wait.
    Timer1->stop();
    Command8_Click();
}

void Form1::Command8_Click()
{
    const FetchResult file = fetch(updateFileUrl(m_services.hosts));
    if (m_ending)
        return;
    // Only an update file that really came back names a version; an unreachable site
    // or an error page is no news.
    if (!file.succeeded())
        return;
    const QString newest = parseUpdateVersion(pageText(file));
    if (newest.isEmpty() || newest == Product::builtInVersion())
        return;

    const UserAnswer answer =
        m_services.ask({QStringLiteral("最新版本") + newest + QStringLiteral("，是否更新？"),
                        QStringLiteral("发现最新版本"), UserMessage::Style::Question});
    if (answer == UserAnswer::Ok)
        m_services.openInBrowser(QUrl(homePageUrl(m_services.hosts, TrailingSlash::With)));
}

void Form1::Command6_Click()
{
    if (!m_services.openInBrowser(QUrl(homePageUrl(m_services.hosts, TrailingSlash::Without))))
        notify(QStringLiteral("无法启动浏览器，请手动访问 ")
               + homePageUrl(m_services.hosts, TrailingSlash::Without));
}
