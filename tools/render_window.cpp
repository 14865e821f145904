// Renders the real window offscreen for the README, after a real query of the bundled
// service's own home page, and the icon at each of its sizes for the desktop entry:
//   render-window WINDOW_PNG ICON_DIR
#include "launch/analysisservice.h"
#include "window/appicon.h"
#include "window/form1.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
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
    Form1 window(unattendedServices(SiteHosts::allOn(service.hostAndPort()), UserAnswer::Cancel));
    window.Timer1->stop();
    window.show();
    window.Text1->setText(service.hostAndPort() + QStringLiteral("/veltro/"));
    window.Command1_Click();
    // The list lays out its rows and scroll bar a moment later: grab the settled window.
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
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
