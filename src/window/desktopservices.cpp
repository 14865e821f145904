#include "form1services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>

static UserAnswer showMessageBox(const UserMessage &message)
{
    const bool question = message.style == UserMessage::Style::Question;
    QMessageBox box(question ? QMessageBox::Question : QMessageBox::NoIcon, message.title, message.text,
                    question ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    if (question)
        box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? UserAnswer::Ok : UserAnswer::Cancel;
}

Form1Services desktopServices(const SiteHosts &hosts)
{
    Form1Services services;
    services.hosts = hosts;
    services.ask = showMessageBox;
    services.openInBrowser = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    services.endProgram = [] { QApplication::exit(0); };
    return services;
}

Form1Services unattendedServices(const SiteHosts &hosts, UserAnswer answer)
{
    Form1Services services;
    services.hosts = hosts;
    services.ask = [answer](const UserMessage &) { return answer; };
    services.openInBrowser = [](const QUrl &) { return true; };
    services.endProgram = [] {};
    return services;
}
