// The bundled service as the tool runs it: started again on its port when it dies, and
// saying why when it cannot be.
#include "fetch/httppage.h"
#include "launch/analysisservice.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace Qt::StringLiterals;

class AnalysisServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAgainWhenItDies();
    void saysWhyWhenItCannotStartAgain();
};

void AnalysisServiceTest::startsAgainWhenItDies()
{
    AnalysisService service;
    QVERIFY2(service.start(QStringLiteral(SEO_SITE_PROGRAM)), qPrintable(service.errorString()));
    const QString host = service.hostAndPort();
    const qint64 first = service.processId();
    QSignalSpy restarted(&service, &AnalysisService::restarted);
    ::kill(pid_t(first), SIGKILL);
    QVERIFY(restarted.wait(10'000));
    QCOMPARE(service.hostAndPort(), host);
    QVERIFY(service.processId() != first);
    QCOMPARE(service.trouble(), QString());
    QVERIFY(fetchPage(u"http://%1/veltro/shenji.txt"_s.arg(host)).succeeded());
}

void AnalysisServiceTest::saysWhyWhenItCannotStartAgain()
{
    AnalysisService service;
    QVERIFY2(service.start(QStringLiteral(SEO_SITE_PROGRAM)), qPrintable(service.errorString()));
    const quint16 port = service.hostAndPort().section(u':', -1).toUShort();
    ::kill(pid_t(service.processId()), SIGKILL);
    // Another program takes the port before the tool learns of the death.
    QTcpServer squatter;
    for (int tries = 0; !squatter.listen(QHostAddress::LocalHost, port) && tries < 500; ++tries)
        QThread::msleep(10);
    QVERIFY(squatter.isListening());
    QTRY_VERIFY_WITH_TIMEOUT(service.trouble().startsWith(u"分析服务已停止，重新启动失败"_s), 10'000);
    QVERIFY2(service.trouble().contains(u"cannot listen"_s), qPrintable(service.trouble()));
}

QTEST_GUILESS_MAIN(AnalysisServiceTest)
#include "analysis_service_test.moc"
