// Renders the real window offscreen for the README, and the icon at each of its sizes
// for the desktop entry: render-window WINDOW_PNG ICON_DIR
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
    Form1Services services;
    services.ask = [](const UserMessage &) { return UserAnswer::Cancel; };
    services.openInBrowser = [](const QUrl &) { return true; };
    services.endProgram = [] {};
    Form1 window(std::move(services));
    window.Timer1->stop();
    window.Text1->setText(QStringLiteral("www.example.com"));
    window.show();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1])))
        return 1;

    const QDir icons(QString::fromLocal8Bit(argv[2]));
    for (int size : {48, 32, 24, 16}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!icons.mkpath(folder) || !drawAppIcon(size).save(icons.filePath(folder + QStringLiteral("/seo-checker.png"))))
            return 1;
    }
    return 0;
}
