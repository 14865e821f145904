#include "support/formharness.h"
#include "support/sitepages.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;
Q_DECLARE_METATYPE(LocalHttpServer::Response)

namespace {

SitePages::Meta metaOf(const QString &name)
{
    return {QString::number(name.size()), name + QStringLiteral(" title"),
            QStringLiteral("2"),          name + QStringLiteral(",kw"),
            QStringLiteral("11"),         name + QStringLiteral(" described")};
}

// A site that knows two pages, "a" and "b", and answers "a" slowly when asked to.
void serveTwoPages(LocalHttpServer &server, std::chrono::milliseconds delayForA = 0ms)
{
    auto page = [](const QString &address) {
        return SitePages::overview(
            metaOf(address),
            {{address + QStringLiteral("-word"), QStringLiteral("3"), QStringLiteral("1.50%")},
             {QStringLiteral("shared"), QStringLiteral("1"), QStringLiteral("0.50%")}});
    };
    server.route(QStringLiteral("/"), [=](const QUrlQuery &query) {
        const QString address = query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded);
        return Response{200, page(address).toUtf8(), address == u"a" ? delayForA : 0ms, {}, {}};
    });
    server.route(QStringLiteral("/Tools/Robot.aspx"), [=](const QUrlQuery &query) {
        const QString address = query.queryItemValue(QStringLiteral("url"), QUrl::FullyDecoded);
        return Response{200,
                        SitePages::spider(address + QStringLiteral(" as a spider sees it")).toUtf8(),
                        address == u"a" ? delayForA : 0ms,
                        {},
                        {}};
    });
}

QStringList captions(const auto &labels)
{
    QStringList texts;
    for (const QLabel *label : labels)
        texts.append(label->text());
    return texts;
}

QList<QStringList> tableOf(const QTreeView *view)
{
    QList<QStringList> rows;
    const QAbstractItemModel *model = view->model();
    QStringList headings;
    for (int column = 0; column < model->columnCount(); ++column)
        headings.append(model->headerData(column, Qt::Horizontal).toString());
    rows.append(headings);
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.append(model->index(row, column).data().toString());
        rows.append(cells);
    }
    return rows;
}

const QStringList headings = {QStringLiteral(" "), QStringLiteral("关键词"), QStringLiteral("词出现频率"),
                              QStringLiteral("建议:2%≦密度≦8%")};

} // namespace

class PageQueryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void metaAnalysisFillsTheTable();
    void metaAnalysisNeverLeavesTheTableBusy_data();
    void metaAnalysisNeverLeavesTheTableBusy();
    void typedAddressReachesTheSiteExactly();
    void wholeQueryFillsAllThreeAreas();
    void emptyAddressChangesNothing();
    void secondQueryGivesTheSameTable();
    void unreachableSiteSaysSo();
    void siteFailureTextBecomesAdvice();
    void pageWithoutSpiderTextSaysSo();
    void newestQueryWinsAndAddressIsReadOnce();
};

void PageQueryTest::metaAnalysisFillsTheTable()
{
    FormHarness harness;
    serveTwoPages(harness.server());
    Form1 &f = harness.form();
    f.Text1->setText(QStringLiteral("a"));
    f.Command3_Click();
    QCOMPARE(captions(f.Label1),
             (QStringList{QStringLiteral("</td><td><font color=\""), QStringLiteral("1"), QStringLiteral("2"),
                          QStringLiteral("11")}));
    QCOMPARE(captions(f.Label2),
             (QStringList{QString(), QStringLiteral("a title"), QStringLiteral("a,kw"),
                          QStringLiteral("a described")}));
    QCOMPARE(harness.requestsFor(QStringLiteral("/")).size(), 1);
}

void PageQueryTest::metaAnalysisNeverLeavesTheTableBusy_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("failure");
    const QString noResult = QStringLiteral("未取得结果");
    const QString noSite = QStringLiteral("连接失败");
    QTest::newRow("empty body") << Response{200, {}, 0ms, {}, {}} << noResult;
    QTest::newRow("page without the table") << Response{200, "<html>nothing</html>", 0ms, {}, {}} << noResult;
    QTest::newRow("not UTF-8") << Response{
        200,
        SitePages::overview(metaOf(QStringLiteral("x")), {}).toUtf8().replace("标题", "\xB1\xEA\xCC\xE2"),
        0ms,
        {},
        {}} << noResult;
    QTest::newRow("never ends") << Response{200, "<html>", 0ms, Response::Kind::NeverEnds, {}} << noSite;
    QTest::newRow("oversize") << Response{200, {}, 0ms, Response::Kind::Endless, {}} << noSite;
}

void PageQueryTest::metaAnalysisNeverLeavesTheTableBusy()
{
    QFETCH(Response, response);
    QFETCH(QString, failure);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{500ms, 1 << 20});
    harness.server().route(QStringLiteral("/"), response);
    harness.server().route(QStringLiteral("/Tools/Robot.aspx"), response);
    Form1 &f = harness.form();
    f.Text1->setText(QStringLiteral("x"));
    f.Command1_Click();
    QCOMPARE(captions(f.Label2), QStringList(4, failure));
    QCOMPARE(captions(f.Label1), QStringList(4, QStringLiteral("..")));
}

void PageQueryTest::typedAddressReachesTheSiteExactly()
{
    FormHarness harness;
    QStringList received;
    harness.server().route(QStringLiteral("/"), [&](const QUrlQuery &query) {
        received.append(query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded));
        return Response{200, {}, 0ms, {}, {}};
    });
    const QString typed = QStringLiteral(" a b&c=d#e+f 中文 ");
    harness.form().Text1->setText(typed);
    harness.form().Command3_Click();
    QCOMPARE(received, QStringList{typed});
    QCOMPARE(harness.requestsFor(QStringLiteral("/")).constFirst(),
             QStringLiteral("/?q=%20a%20b%26c%3Dd%23e%2Bf%20%E4%B8%AD%E6%96%87%20"));
}

void PageQueryTest::wholeQueryFillsAllThreeAreas()
{
    FormHarness harness;
    serveTwoPages(harness.server());
    Form1 &f = harness.form();
    f.Text1->setText(QStringLiteral("a"));
    f.Command1_Click();
    QCOMPARE(f.Label2[1]->text(), QStringLiteral("a title"));
    QCOMPARE(f.Label2[3]->text(), QStringLiteral("a described"));
    QCOMPARE(f.Text2->toPlainText(), QStringLiteral("a as a spider sees it"));
    QCOMPARE(
        tableOf(f.ListView1),
        (QList<QStringList>{
            headings,
            {QStringLiteral("1"), QStringLiteral("a-word"), QStringLiteral("3"), QStringLiteral("1.50%")},
            {QStringLiteral("2"), QStringLiteral("shared"), QStringLiteral("1"), QStringLiteral("0.50%")}}));
    const int widths[] = {20, 110, 80, 130};
    for (int column = 0; column < 4; ++column)
        QCOMPARE(f.ListView1->columnWidth(column), widths[column]);
    QCOMPARE(f.ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(harness.asked.isEmpty());
}

void PageQueryTest::emptyAddressChangesNothing()
{
    FormHarness harness;
    Form1 &f = harness.form();
    f.Text2->setPlainText(QStringLiteral("earlier"));
    f.Command1_Click();
    QCOMPARE(harness.asked.size(), 1);
    QCOMPARE(harness.asked[0].text, QStringLiteral("请输入查询地址"));
    QCOMPARE(harness.asked[0].style, UserMessage::Style::Notice);
    QCOMPARE(harness.asked[0].title, QStringLiteral("网站优化分析助手"));
    QCOMPARE(f.Text2->toPlainText(), QStringLiteral("earlier"));
    QCOMPARE(f.Label2[1]->text(), QStringLiteral("..."));
    QCOMPARE(f.ListView1->model()->columnCount(), 0);
    QVERIFY(harness.server().requests().isEmpty());
}

void PageQueryTest::secondQueryGivesTheSameTable()
{
    FormHarness harness;
    serveTwoPages(harness.server());
    Form1 &f = harness.form();
    f.Text1->setText(QStringLiteral("b"));
    f.Command1_Click();
    const QList<QStringList> first = tableOf(f.ListView1);
    f.Command1_Click();
    QCOMPARE(tableOf(f.ListView1), first);
    QCOMPARE(first.size(), 3);
}

void PageQueryTest::unreachableSiteSaysSo()
{
    // Nothing listens on port 1 of loopback.
    Form1Services services;
    services.hosts = SiteHosts::allOn(QStringLiteral("127.0.0.1:1"));
    services.ask = [](const UserMessage &) { return UserAnswer::Ok; };
    Form1 offline(services);
    offline.Timer1->stop();
    offline.Text1->setText(QStringLiteral("www.example.com"));
    offline.Command1_Click();
    for (const QLabel *label : offline.Label2)
        QVERIFY(label->text() != QStringLiteral("正在查询"));
    QCOMPARE(offline.Text2->toPlainText(), QStringLiteral("无法连接分析网站，请检查网络后再试。"));
    QCOMPARE(tableOf(offline.ListView1), QList<QStringList>{headings});
}

void PageQueryTest::siteFailureTextBecomesAdvice()
{
    FormHarness harness;
    serveTwoPages(harness.server());
    harness.server().route(
        QStringLiteral("/Tools/Robot.aspx"),
        Response{200, SitePages::spider(QStringLiteral("基础连接已经关闭：超时")).toUtf8(), 0ms, {}, {}});
    harness.form().Text1->setText(QStringLiteral("a"));
    harness.form().Command1_Click();
    QCOMPARE(harness.form().Text2->toPlainText(), QStringLiteral("请检查网站是否能正常打开"));
    QCOMPARE(harness.form().ListView1->model()->rowCount(), 2); // the table still runs
}

void PageQueryTest::pageWithoutSpiderTextSaysSo()
{
    FormHarness harness;
    serveTwoPages(harness.server());
    harness.server().route(QStringLiteral("/Tools/Robot.aspx"),
                           Response{200, "<html>busy</html>", 0ms, {}, {}});
    harness.form().Text1->setText(QStringLiteral("a"));
    harness.form().Command1_Click();
    QCOMPARE(harness.form().Text2->toPlainText(),
             QStringLiteral("分析网站没有返回这个页面的蜘蛛视图，请稍后再试。"));
    QCOMPARE(harness.form().ListView1->model()->rowCount(), 2);
}

void PageQueryTest::newestQueryWinsAndAddressIsReadOnce()
{
    FormHarness harness;
    serveTwoPages(harness.server(), 300ms);
    Form1 &f = harness.form();
    f.Text1->setText(QStringLiteral("a"));
    // While the query of "a" waits, the user types "b" and queries again.
    QTimer::singleShot(50ms, &f, [&f] {
        f.Text1->setText(QStringLiteral("b"));
        f.Command1_Click();
    });
    f.Command1_Click();
    QCOMPARE(f.Label2[1]->text(), QStringLiteral("b title"));
    QCOMPARE(f.Text2->toPlainText(), QStringLiteral("b as a spider sees it"));
    QCOMPARE(tableOf(f.ListView1)[1][1], QStringLiteral("b-word"));
    QCOMPARE(tableOf(f.ListView1).size(), 3);

    // An edit during the wait of a single query does not leak into its later steps.
    f.Text1->setText(QStringLiteral("a"));
    QTimer::singleShot(50ms, &f, [&f] { f.Text1->setText(QStringLiteral("b")); });
    f.Command1_Click();
    QCOMPARE(f.Label2[1]->text(), QStringLiteral("a title"));
    QCOMPARE(f.Text2->toPlainText(), QStringLiteral("a as a spider sees it"));
    QCOMPARE(tableOf(f.ListView1)[1][1], QStringLiteral("a-word"));
}

QTEST_MAIN(PageQueryTest)
#include "page_query_test.moc"
