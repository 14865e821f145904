#include "fetch/httppage.h"
#include "support/localhttpserver.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <ctime>

using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;

class FetchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void returnsTheBodyOfAnyCompletedResponse_data();
    void returnsTheBodyOfAnyCompletedResponse();
    void decodesEveryBodyAsUtf8();
    void unreachableServerGivesNothing();
    void clickDuringTheWaitRunsAtOnce();
    void pageThatCameIsKeptWhenAHandlerOutlastsTheDeadline();
    void waitingCostsAlmostNoCpu();
    void responseThatNeverEndsIsGivenUp();
    void announcedOversizeBodyIsRefused();
    void streamedOversizeBodyIsStopped();
    void unknownCharacterSetDecodesToNothing();

private:
    LocalHttpServer m_server;
    QString url(const QString &path) const { return QStringLiteral("http://") + m_server.host() + path; }
};

void FetchTest::returnsTheBodyOfAnyCompletedResponse_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("ok") << 200 << QByteArray("<html>页面</html>");
    QTest::newRow("not found") << 404 << QByteArray("missing page");
    QTest::newRow("server error") << 500 << QByteArray("boom");
    QTest::newRow("empty body") << 200 << QByteArray();
}

void FetchTest::returnsTheBodyOfAnyCompletedResponse()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    m_server.route(QStringLiteral("/page"), Response::page(body, status));

    const FetchResult result = fetchPage(url(QStringLiteral("/page")));
    QVERIFY(result.completed());
    QCOMPARE(result.httpStatus, status);
    QCOMPARE(result.succeeded(), status == 200);
    QCOMPARE(getHTTPPage(url(QStringLiteral("/page"))), QString::fromUtf8(body));
}

void FetchTest::decodesEveryBodyAsUtf8()
{
    const QByteArray gbk("\xD6\xD0\xCE\xC4 ok"); // 中文 in GBK
    m_server.route(QStringLiteral("/gbk"), Response::page(gbk));
    const QString text = getHTTPPage(url(QStringLiteral("/gbk")));
    QVERIFY(!text.contains(QStringLiteral("中文")));
    QVERIFY(text.contains(QChar::ReplacementCharacter));
    QVERIFY(text.endsWith(QStringLiteral(" ok")));
}

void FetchTest::unreachableServerGivesNothing()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    closed.close();

    const FetchResult result = fetchPage(address);
    QCOMPARE(result.outcome, FetchResult::Outcome::Failed);
    QVERIFY(getHTTPPage(address).isEmpty());
    QVERIFY(getHTTPPage(QStringLiteral("not an address at all")).isEmpty());
}

void FetchTest::clickDuringTheWaitRunsAtOnce()
{
    m_server.route(QStringLiteral("/slow"), Response::page(QByteArray("late")).after(400ms));
    QStringList events;
    QTimer::singleShot(50ms, this, [&] {
        events << QStringLiteral("click begins");
        QTest::qWait(100); // the handler itself takes a while
        events << QStringLiteral("click ends");
    });
    const QString page = getHTTPPage(url(QStringLiteral("/slow")));
    events << QStringLiteral("fetch returns");
    QCOMPARE(page, QStringLiteral("late"));
    QCOMPARE(events,
             (QStringList{QStringLiteral("click begins"), QStringLiteral("click ends"),
                          QStringLiteral("fetch returns")}));
}

void FetchTest::pageThatCameIsKeptWhenAHandlerOutlastsTheDeadline()
{
    m_server.route(QStringLiteral("/fast"), Response::page(QByteArray("arrived")));
    // A message box opened inside the wait, answered long after the page came.
    QTimer::singleShot(0, this, [] { QTest::qWait(600); });
    const FetchResult result = fetchPage(url(QStringLiteral("/fast")), FetchLimits{200ms, 1024});
    QVERIFY(result.completed());
    QCOMPARE(result.body, QByteArray("arrived"));
}

void FetchTest::waitingCostsAlmostNoCpu()
{
    // A busy wait would burn about as much CPU as the second it waits.
    m_server.route(QStringLiteral("/second"), Response::page(QByteArray("done")).after(1000ms));
    const std::clock_t before = std::clock();
    QCOMPARE(getHTTPPage(url(QStringLiteral("/second"))), QStringLiteral("done"));
    const double cpuSeconds = double(std::clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(cpuSeconds < 0.4, qPrintable(QStringLiteral("CPU seconds: %1").arg(cpuSeconds)));
}

void FetchTest::responseThatNeverEndsIsGivenUp()
{
    m_server.route(QStringLiteral("/stuck"), Response::neverEnding());
    QElapsedTimer clock;
    clock.start();
    const FetchResult result = fetchPage(url(QStringLiteral("/stuck")), FetchLimits{300ms, 1024});
    QCOMPARE(result.outcome, FetchResult::Outcome::TimedOut);
    QVERIFY(result.body.isEmpty());
    QVERIFY(clock.elapsed() < 5000);
}

void FetchTest::announcedOversizeBodyIsRefused()
{
    Response huge = Response::page(QByteArray("x"));
    huge.contentLength = "999999999";
    m_server.route(QStringLiteral("/huge"), huge);
    const FetchResult result = fetchPage(url(QStringLiteral("/huge")), FetchLimits{5s, 1024 * 1024});
    QCOMPARE(result.outcome, FetchResult::Outcome::TooLarge);
    QVERIFY(result.body.isEmpty());
}

void FetchTest::streamedOversizeBodyIsStopped()
{
    m_server.route(QStringLiteral("/endless"), Response::endless());
    const qint64 limit = 2 * 1024 * 1024;
    const FetchResult result = fetchPage(url(QStringLiteral("/endless")), FetchLimits{10s, limit});
    QCOMPARE(result.outcome, FetchResult::Outcome::TooLarge);
    QVERIFY(getHTTPPage(url(QStringLiteral("/endless")), FetchLimits{10s, limit}).isEmpty());
    // Once given up, the transfer stops: the server cannot push much more.
    QTest::qWait(300);
    const qint64 sent = m_server.endlessBytesSent();
    QTest::qWait(300);
    QVERIFY2(m_server.endlessBytesSent() - sent < limit,
             qPrintable(QStringLiteral("still sending: %1 bytes").arg(m_server.endlessBytesSent() - sent)));
}

void FetchTest::unknownCharacterSetDecodesToNothing()
{
    QCOMPARE(BytesToBstr("abc", QStringLiteral("UTF-8")), QStringLiteral("abc"));
    QVERIFY(BytesToBstr("abc", QStringLiteral("no-such-charset")).isEmpty());
}

QTEST_GUILESS_MAIN(FetchTest)
#include "fetch_test.moc"
