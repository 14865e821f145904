// Renders the real window offscreen for the README, after a real query of the bundled
// service's own home page, and the icon at each of its sizes for the desktop entry:
//   render-window WINDOW_PNG ICON_DIR
#include "launch/analysisservice.h"
#include "window/appicon.h"
#include "window/form1.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        qCritical("usage: render-window WINDOW_PNG ICON_DIR");
        return 2;
    }
    AnalysisService service;
    if (!service.start(QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("seo-site")))) {
        qCritical("the analysis service did not start: %s", qPrintable(service.errorString()));
        return 1;
    }
    Form1Services services;
    services.hosts = SiteHosts::allOn(service.hostAndPort());
    services.ask = [](const UserMessage &) { return UserAnswer::Cancel; };
    services.openInBrowser = [](const QUrl &) { return true; };
    services.endProgram = [] {};
    Form1 window(std::move(services));
    window.Timer1->stop();
    window.show();
    window.Text1->setText(service.hostAndPort() + QStringLiteral("/veltro/"));
    window.Command1_Click();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1])))
        return 1;

    const QDir icons(QString::fromLocal8Bit(argv[2]));
    for (int size : {48, 32, 24, 16}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!icons.mkpath(folder)
            || !drawAppIcon(size).save(icons.filePath(folder + QStringLiteral("/seo-checker.png"))))
            return 1;
    }
    return 0;
}
