// A thousand whole queries in a row against the bundled analysis service, offscreen:
// the window's memory must settle after the first hundred.
#include "launch/analysisservice.h"
#include "support/localhttpserver.h"
#include "window/form1.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer holds freed memory back in quarantine, so only leaks can be judged here
// (LeakSanitizer does at exit); fewer queries suffice for that.
constexpr bool memoryIsJudged = false;
constexpr int defaultQueries = 200;
#else
constexpr bool memoryIsJudged = true;
constexpr int defaultQueries = 1000;
#endif

// Fewer queries for slow runners such as valgrind: SOAK_QUERIES=N.
int queryCount()
{
    bool given = false;
    const int count = qEnvironmentVariableIntValue("SOAK_QUERIES", &given);
    return given ? std::max(count, 101) : defaultQueries;
}

qint64 residentBytes()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

QByteArray targetPage()
{
    QByteArray body = "<html><head><title>软件测试 soak page</title>"
                      "<meta name=\"keywords\" content=\"测试,soak\"><meta name=\"description\" "
                      "content=\"一个用于长时间运行测试的页面\"></head><body>";
    for (int i = 0; i < 200; ++i)
        body += "<p>数据库服务器的性能优化 database server tuning 第" + QByteArray::number(i) + "段</p>";
    return body + "</body></html>";
}

} // namespace

class QuerySoakTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void thousandQueriesKeepMemorySteady();
};

void QuerySoakTest::thousandQueriesKeepMemorySteady()
{
    AnalysisService service;
    QVERIFY2(service.start(QStringLiteral(SEO_SITE_PROGRAM)), qPrintable(service.errorString()));
    LocalHttpServer target;
    target.route(u"/page"_s, LocalHttpServer::Response::page(targetPage()));

    Form1 form(unattendedServices(SiteHosts::allOn(service.hostAndPort())));
    form.Timer1->stop();
    form.Text1->setText(target.host() + u"/page"_s);

    const int queries = queryCount();
    qint64 settled = 0;
    for (int i = 1; i <= queries; ++i) {
        form.Command1_Click();
        if (i == 1) {
            QVERIFY(form.Text2->toPlainText().contains(u"数据库"_s));
            QVERIFY(form.ListView1->model()->rowCount() > 0);
            QCOMPARE(form.Label2[1]->text(), u"软件测试 soak page"_s);
        }
        if (i == 100)
            settled = residentBytes();
    }
    const qint64 growth = residentBytes() - settled;
    qInfo("resident memory after 100 queries: %.1f MiB; growth over the next %d: %.2f MiB",
          settled / 1048576.0, queries - 100, growth / 1048576.0);
    if (memoryIsJudged)
        QVERIFY2(growth < 4 * 1048576, "memory keeps growing");
    QCOMPARE(form.Label2[1]->text(), u"软件测试 soak page"_s);
}

QTEST_MAIN(QuerySoakTest)
#include "query_soak_test.moc"
