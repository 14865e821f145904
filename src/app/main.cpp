#include "launch/analysisservice.h"
#include "window/appicon.h"
#include "window/form1.h"
#include "window/product.h"
#include "window/qttranslations.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Product::applicationTitle());
    QApplication::setWindowIcon(appIcon());
    installQtChineseTranslations(app);

    AnalysisService service;
    QString serviceHost = QStringLiteral(SEO_EXTERNAL_SERVICE);
    if (serviceHost.isEmpty()) {
        const QString program = QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("seo-site"));
        if (service.start(program))
            serviceHost = service.hostAndPort();
        else
            QMessageBox::warning(
                nullptr, Product::applicationTitle(),
                QStringLiteral("分析服务未能启动（%1），查询将无法进行。").arg(service.errorString()));
    }

    Form1Services services = desktopServices(SiteHosts::allOn(serviceHost));
    services.siteTrouble = [&service] { return service.trouble(); };
    Form1 window(std::move(services));
    QObject::connect(&service, &AnalysisService::restarted, &window, &Form1::siteRestarted);
    window.show();
    // The window goes first, then the service is stopped (it ends within a fraction of
    // a second, or is killed).
    return QApplication::exec();
}
