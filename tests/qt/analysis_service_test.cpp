// The bundled service as the tool runs it: started again on its port when it dies, and
// saying why when it cannot be.
#include "fetch/httppage.h"
#include "launch/analysisservice.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

class AnalysisServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAgainWhenItDies();
    void saysWhyItCannotStart_data();
    void saysWhyItCannotStart();
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

// A stand-in for the service that, once it has started (or not), says why it fails in
// several writes: the reason is its whole last line, whether the first start fails or a
// later one. A program gone since its first start cannot be started at all.
void AnalysisServiceTest::saysWhyItCannotStart_data()
{
    QTest::addColumn<QByteArray>("firstStart");
    QTest::addColumn<QString>("reason");
    const QByteArray runs = "  echo 'seo-site listening on http://127.0.0.1:46367/'\n  exec sleep 60\n";
    QTest::newRow("first start") << QByteArray() << u"seo-site: cannot listen on 127.0.0.1 port 0"_s;
    QTest::newRow("start again") << runs << u"seo-site: cannot listen on 127.0.0.1 port 46367"_s;
    QTest::newRow("program gone") << "  rm \"$0\"\n" + runs << QString();
}

void AnalysisServiceTest::saysWhyItCannotStart()
{
    QFETCH(QByteArray, firstStart);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile script(folder.filePath(u"fake-site"_s));
    QVERIFY(script.open(QIODevice::WriteOnly));
    // Called with --listen 127.0.0.1 --port PORT, as the tool calls the service.
    script.write("#!/bin/sh\nif [ ! -e \"$0.started\" ]; then\n  touch \"$0.started\"\n" + firstStart
                 + "fi\n"
                   "printf 'seo-site: cannot ' >&2\n"
                   "sleep 0.1\n"
                   "printf 'listen on 127.0.0.1 ' >&2\n"
                   "sleep 0.1\n"
                   "printf 'port %s\\n' \"$4\" >&2\n"
                   "exit 1\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    AnalysisService service;
    if (firstStart.isEmpty()) {
        QVERIFY(!service.start(script.fileName()));
        QCOMPARE(service.errorString(), reason);
        return;
    }
    QVERIFY2(service.start(script.fileName()), qPrintable(service.errorString()));
    ::kill(pid_t(service.processId()), SIGKILL);
    const QString failed = u"分析服务已停止，重新启动失败："_s;
    QTRY_VERIFY_WITH_TIMEOUT(service.trouble().startsWith(failed + reason), 10'000);
    QVERIFY2(service.trouble().size() > failed.size(), "no reason given");
}

QTEST_GUILESS_MAIN(AnalysisServiceTest)
#include "analysis_service_test.moc"
