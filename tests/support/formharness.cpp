#include "formharness.h"

#include <QTimer>

FormHarness::FormHarness(Timer timer, FetchLimits limits)
{
    Form1Services services;
    services.hosts = SiteHosts::allOn(m_server.host());
    services.ask = [this](const UserMessage &message) {
        asked.append(message);
        return answer;
    };
    services.openInBrowser = [this](const QUrl &url) {
        opened.append(url);
        return browserStarts;
    };
    services.endProgram = [this] {
        ++endRequests;
        if (alsoOnEnd)
            alsoOnEnd();
    };
    services.fetchLimits = limits;
    m_form = std::make_unique<Form1>(std::move(services));
    if (timer == Timer::Stopped)
        m_form->Timer1->stop();
}

QStringList FormHarness::requestsFor(const QString &path) const
{
    QStringList found;
    for (const QString &target : m_server.requests())
        if (QUrl(target).path() == path)
            found.append(target);
    return found;
}
