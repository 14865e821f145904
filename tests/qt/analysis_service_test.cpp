// The bundled service as the tool runs it: started again on its port when it dies, and
// saying why when it cannot be.
#include "fetch/httppage.h"
#include "launch/analysisservice.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
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
    void saysWhenItsProgramHasGone();
    void keepsTheWholeReasonWrittenInPieces_data();
    void keepsTheWholeReasonWrittenInPieces();
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

void AnalysisServiceTest::saysWhenItsProgramHasGone()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath(u"seo-site"_s);
    QVERIFY(QFile::copy(QStringLiteral(SEO_SITE_PROGRAM), program));
    AnalysisService service;
    QVERIFY2(service.start(program), qPrintable(service.errorString()));
    QVERIFY(QFile::remove(program)); // uninstalled while it runs
    ::kill(pid_t(service.processId()), SIGKILL);
    const QString failed = u"分析服务已停止，重新启动失败："_s;
    QTRY_VERIFY_WITH_TIMEOUT(service.trouble().startsWith(failed), 10'000);
    QVERIFY2(service.trouble().size() > failed.size(), qPrintable(service.trouble()));
}

// A service that says why it fails in several writes: the reason is its whole last line,
// whether the first start fails or a later one.
void AnalysisServiceTest::keepsTheWholeReasonWrittenInPieces_data()
{
    QTest::addColumn<bool>("firstStartSucceeds");
    QTest::newRow("first start") << false;
    QTest::newRow("start again") << true;
}

void AnalysisServiceTest::keepsTheWholeReasonWrittenInPieces()
{
    QFETCH(bool, firstStartSucceeds);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath(u"fake-site"_s);
    QFile script(program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    // Called with --listen 127.0.0.1 --port PORT, as the tool calls the service.
    script.write(QByteArray("#!/bin/sh\n")
                 + (firstStartSucceeds ? "if [ ! -e \"$0.started\" ]; then\n"
                                         "  touch \"$0.started\"\n"
                                         "  echo 'seo-site listening on http://127.0.0.1:46367/'\n"
                                         "  exec sleep 60\n"
                                         "fi\n"
                                       : "")
                 + "printf 'seo-site: cannot ' >&2\n"
                   "sleep 0.1\n"
                   "printf 'listen on 127.0.0.1 ' >&2\n"
                   "sleep 0.1\n"
                   "printf 'port %s\\n' \"$4\" >&2\n"
                   "exit 1\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    AnalysisService service;
    if (!firstStartSucceeds) {
        QVERIFY(!service.start(program));
        QCOMPARE(service.errorString(), u"seo-site: cannot listen on 127.0.0.1 port 0"_s);
        return;
    }
    QVERIFY2(service.start(program), qPrintable(service.errorString()));
    ::kill(pid_t(service.processId()), SIGKILL);
    QTRY_COMPARE_WITH_TIMEOUT(
        service.trouble(), u"分析服务已停止，重新启动失败：seo-site: cannot listen on 127.0.0.1 port 46367"_s,
        10'000);
}

QTEST_GUILESS_MAIN(AnalysisServiceTest)
#include "analysis_service_test.moc"
