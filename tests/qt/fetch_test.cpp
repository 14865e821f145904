#include "fetch/httppage.h"
#include "support/localhttpserver.h"

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;

Q_DECLARE_METATYPE(LocalHttpServer::Response)
Q_DECLARE_METATYPE(FetchResult::Outcome)
Q_DECLARE_METATYPE(FetchLimits)

class FetchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void returnsTheBodyOfAnyCompletedResponse_data();
    void returnsTheBodyOfAnyCompletedResponse();
    void failedFetchGivesNothing_data();
    void failedFetchGivesNothing();
    void clickDuringTheWaitRunsAtOnce();
    void pageThatCameIsKeptWhenAHandlerOutlastsTheDeadline();
    void streamedOversizeBodyIsStopped();
    void unknownCharacterSetDecodesToNothing();

private:
    LocalHttpServer m_server;
    QString url(const QString &path) const { return u"http://"_s + m_server.host() + path; }
};

void FetchTest::returnsTheBodyOfAnyCompletedResponse_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("ok") << 200 << QByteArray("<html>页面</html>");
    QTest::newRow("not found") << 404 << QByteArray("missing page");
    QTest::newRow("server error") << 500 << QByteArray("boom");
    QTest::newRow("empty body") << 200 << QByteArray();
    QTest::newRow("GBK, read as UTF-8") << 200 << QByteArray("\xD6\xD0\xCE\xC4 ok"); // 中文 in GBK
}

void FetchTest::returnsTheBodyOfAnyCompletedResponse()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    m_server.route(u"/page"_s, Response::page(body, status));

    const FetchResult result = fetchPage(url(u"/page"_s));
    QVERIFY(result.completed());
    QCOMPARE(result.httpStatus, status);
    QCOMPARE(result.succeeded(), status == 200);
    QCOMPARE(getHTTPPage(url(u"/page"_s)), QString::fromUtf8(body));
}

void FetchTest::failedFetchGivesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Response>("response");
    QTest::addColumn<FetchLimits>("limits");
    QTest::addColumn<FetchResult::Outcome>("outcome");
    using Outcome = FetchResult::Outcome;
    Response huge = Response::page(QByteArray("x"));
    huge.contentLength = "999999999";
    QTest::newRow("never ends") << u"/stuck"_s << Response::neverEnding() << FetchLimits{300ms, 1024}
                                << Outcome::TimedOut;
    QTest::newRow("announced oversize")
        << u"/huge"_s << huge << FetchLimits{5s, 1 << 20} << Outcome::TooLarge;
    QTest::newRow("nothing listens") << QString() << Response() << FetchLimits{} << Outcome::Failed;
}

void FetchTest::failedFetchGivesNothing()
{
    QFETCH(QString, path);
    QFETCH(Response, response);
    QFETCH(FetchLimits, limits);
    QFETCH(FetchResult::Outcome, outcome);
    QString address = url(path);
    QTcpServer closed; // its port, once closed, refuses connections
    if (path.isEmpty()) {
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        address = u"http://127.0.0.1:%1/"_s.arg(closed.serverPort());
        closed.close();
    }
    m_server.route(path, response);
    const FetchResult result = fetchPage(address, limits);
    QCOMPARE(result.outcome, outcome);
    QVERIFY(result.body.isEmpty());
    QVERIFY(getHTTPPage(address, limits).isEmpty());
    QVERIFY(getHTTPPage(u"not an address at all"_s).isEmpty());
}

void FetchTest::clickDuringTheWaitRunsAtOnce()
{
    m_server.route(u"/slow"_s, Response::page(QByteArray("late")).after(400ms));
    QStringList events;
    QTimer::singleShot(50ms, this, [&] {
        events << u"click begins"_s;
        QTest::qWait(100); // the handler itself takes a while
        events << u"click ends"_s;
    });
    const QString page = getHTTPPage(url(u"/slow"_s));
    events << u"fetch returns"_s;
    QCOMPARE(page, u"late"_s);
    QCOMPARE(events, (QStringList{u"click begins"_s, u"click ends"_s, u"fetch returns"_s}));
}

void FetchTest::pageThatCameIsKeptWhenAHandlerOutlastsTheDeadline()
{
    m_server.route(u"/fast"_s, Response::page(QByteArray("arrived")));
    // A message box opened inside the wait, answered long after the page came.
    QTimer::singleShot(0, this, [] { QTest::qWait(600); });
    const FetchResult result = fetchPage(url(u"/fast"_s), FetchLimits{200ms, 1024});
    QVERIFY(result.completed());
    QCOMPARE(result.body, QByteArray("arrived"));
}

void FetchTest::streamedOversizeBodyIsStopped()
{
    m_server.route(u"/endless"_s, Response::endless());
    const qint64 limit = 2 * 1024 * 1024;
    const FetchResult result = fetchPage(url(u"/endless"_s), FetchLimits{10s, limit});
    QCOMPARE(result.outcome, FetchResult::Outcome::TooLarge);
    QVERIFY(getHTTPPage(url(u"/endless"_s), FetchLimits{10s, limit}).isEmpty());
    // Once given up, the transfer stops: the server cannot push much more.
    QTest::qWait(300);
    const qint64 sent = m_server.endlessBytesSent();
    QTest::qWait(300);
    QVERIFY2(m_server.endlessBytesSent() - sent < limit,
             qPrintable(u"still sending: %1 bytes"_s.arg(m_server.endlessBytesSent() - sent)));
}

void FetchTest::unknownCharacterSetDecodesToNothing()
{
    QCOMPARE(BytesToBstr("abc", u"UTF-8"_s), u"abc"_s);
    QVERIFY(BytesToBstr("abc", u"no-such-charset"_s).isEmpty());
}

QTEST_GUILESS_MAIN(FetchTest)
#include "fetch_test.moc"
