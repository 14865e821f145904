#include "fetch/httppage.h"
#include "support/localhttpserver.h"

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;

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
    void pageThatCameIsKeptWhenAHandlerOutlastsTheDeadline();
};

void FetchTest::returnsTheBodyOfAnyCompletedResponse_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("ok") << 200 << QByteArray("<html>页面</html>");
    QTest::newRow("not found") << 404 << QByteArray("missing page");
}

void FetchTest::returnsTheBodyOfAnyCompletedResponse()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    LocalHttpServer server;
    server.route(u"/"_s, Response::page(body, status));
    const FetchResult result = fetchPage(u"http://%1/"_s.arg(server.host()));
    QVERIFY(result.completed());
    QCOMPARE(result.httpStatus, status);
    QCOMPARE(result.succeeded(), status == 200);
    QCOMPARE(getHTTPPage(u"http://%1/"_s.arg(server.host())), QString::fromUtf8(body));
    QVERIFY(BytesToBstr(body, u"no-such-charset"_s).isEmpty());
}

void FetchTest::failedFetchGivesNothing_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<FetchLimits>("limits");
    QTest::addColumn<FetchResult::Outcome>("outcome");
    using Outcome = FetchResult::Outcome;
    QTest::newRow("never ends") << Response::neverEnding() << FetchLimits{300ms, 1024} << Outcome::TimedOut;
    // Refused as soon as its length is announced: the little that comes fits.
    QTest::newRow("announced oversize")
        << Response::neverEnding() << FetchLimits{5s, 100} << Outcome::TooLarge;
    QTest::newRow("streamed oversize")
        << Response::endless() << FetchLimits{10s, 2 << 20} << Outcome::TooLarge;
    QTest::newRow("nothing listens") << Response() << FetchLimits{} << Outcome::Failed;
}

void FetchTest::failedFetchGivesNothing()
{
    QFETCH(Response, response);
    QFETCH(FetchLimits, limits);
    QFETCH(FetchResult::Outcome, outcome);
    LocalHttpServer server;
    server.route(u"/"_s, response);
    const QString address = u"http://%1/"_s.arg(server.host());
    if (outcome == FetchResult::Outcome::Failed)
        server.close();
    const FetchResult result = fetchPage(address, limits);
    QCOMPARE(result.outcome, outcome);
    QVERIFY(result.body.isEmpty());
    QVERIFY(getHTTPPage(address, limits).isEmpty());
}

void FetchTest::pageThatCameIsKeptWhenAHandlerOutlastsTheDeadline()
{
    LocalHttpServer server;
    server.route(u"/"_s, Response::page(QByteArray("arrived")));
    // A message box opened inside the wait, answered long after the page came.
    QTimer::singleShot(0, this, [] { QTest::qWait(600); });
    const FetchResult result = fetchPage(u"http://%1/"_s.arg(server.host()), FetchLimits{200ms, 1024});
    QVERIFY(result.completed());
    QCOMPARE(result.body, QByteArray("arrived"));
}

QTEST_GUILESS_MAIN(FetchTest)
#include "fetch_test.moc"
