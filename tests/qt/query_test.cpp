// The window's questions to the analysis site and what it makes of the answers: the page
// query, the density check and the update check, driven as a user drives them.
#include "support/formharness.h"
#include "support/sitepages.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;

namespace {

const QString noResult = u"未取得结果"_s;
const QString noConnection = u"连接失败"_s;
const QString advice = u"密度建议值：2%≦密度≦8%"_s;

// A site that knows pages by address and answers "slow" slowly. Its overview names one more
// meta row than the table has.
void serveSite(LocalHttpServer &server)
{
    auto delayFor = [](const QString &address) { return address == u"slow" ? 300ms : 0ms; };
    server.route(u"/"_s, [=](const QUrlQuery &query) {
        const QString address = query.queryItemValue(u"q"_s, QUrl::FullyDecoded);
        return Response::page(SitePages::overview({{QString::number(address.size()), address + u" title"_s},
                                                   {u"2"_s, u"a,b"_s},
                                                   {u"4"_s, u"desc"_s},
                                                   {u"9"_s, u"surplus"_s}},
                                                  {{address + u"-word"_s, u"3"_s, u"1.50%"_s},
                                                   {u"shared"_s, u"1"_s, u"0.50%"_s}}))
            .after(delayFor(address));
    });
    server.route(u"/Tools/Robot.aspx"_s, [=](const QUrlQuery &query) {
        const QString address = query.queryItemValue(u"url"_s, QUrl::FullyDecoded);
        return Response::page(SitePages::spider(address + u" as a spider sees it"_s))
            .after(delayFor(address));
    });
}

} // namespace

class QueryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void queryFillsAllThreeAreas();
    void typedTextsReachTheSiteExactly();
    void unansweredQueriesSayWhy_data();
    void unansweredQueriesSayWhy();
    void spiderViewSaysWhenTheServiceIsBack_data();
    void spiderViewSaysWhenTheServiceIsBack();
    void longTextsAreCutBetweenCharacters();
    void newestQueryOrCheckWinsAndAddressIsReadOnce();
    void densityCheckShowsTheFigures_data();
    void densityCheckShowsTheFigures();
    void updateCheckRunsOnceASecondAfterStart();
    void updateOfferOnlyForARealDifferentVersion_data();
    void updateOfferOnlyForARealDifferentVersion();
    void homePageButtonOpensTheBrowser();
};

void QueryTest::queryFillsAllThreeAreas()
{
    FormHarness harness;
    serveSite(harness.server());
    Form1 &f = harness.shownForm();
    QTest::keyClicks(f.Text1, u"www.example.com"_s);
    for (int run = 0; run < 2; ++run) { // a second query gives the same, not doubled
        QTest::mouseClick(f.Command1, Qt::LeftButton);
        QCOMPARE(captions(f.Label1), (QStringList{u"</td><td><font color=\""_s, u"15"_s, u"2"_s, u"4"_s}));
        QCOMPARE(captions(f.Label2),
                 (QStringList{QString(), u"www.example.com title"_s, u"a,b"_s, u"desc"_s}));
        QCOMPARE(f.Text2->toPlainText(), u"www.example.com as a spider sees it"_s);
        QCOMPARE(tableOf(f.ListView1),
                 (QList<QStringList>{{u" "_s, u"关键词"_s, u"词出现频率"_s, u"建议:2%≦密度≦8%"_s},
                                     {u"1"_s, u"www.example.com-word"_s, u"3"_s, u"1.50%"_s},
                                     {u"2"_s, u"shared"_s, u"1"_s, u"0.50%"_s}}));
    }
    const int widths[] = {20, 110, 80, 130};
    for (int column = 0; column < 4; ++column)
        QCOMPARE(f.ListView1->columnWidth(column), widths[column]);
    QCOMPARE(f.ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!f.ListView1->header()->sectionsMovable()); // the columns keep their order
    QVERIFY(harness.asked.isEmpty());

    // The hidden carriers of the two halves of a query run them on their own too.
    f.ListView1->model()->removeRows(0, 2);
    f.Command2_Click();
    QCOMPARE(f.ListView1->model()->rowCount(), 2);
    f.Label2[1]->setCaption(QString());
    f.Command3_Click();
    QCOMPARE(f.Label2[1]->text(), u"www.example.com title"_s);
}

// Empty boxes are refused before anything is asked; typed texts reach the site exactly.
void QueryTest::typedTextsReachTheSiteExactly()
{
    FormHarness harness;
    Form1 &f = harness.shownForm();
    f.Text2->setPlainText(u"earlier"_s);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(harness.asked, QStringList{u"网站优化分析助手|请输入查询地址|notice"_s});
    QCOMPARE(f.Text2->toPlainText(), u"earlier"_s);
    QCOMPARE(f.Label2[1]->text(), u"..."_s);

    f.Command5_Click();
    for (const auto &[keyword, address] : {std::pair{QString(), u"u"_s}, std::pair{u"k"_s, QString()}}) {
        harness.asked.clear();
        f.Text3->setText(keyword);
        f.Text4->setText(address);
        QTest::mouseClick(f.Command4, Qt::LeftButton);
        QCOMPARE(harness.asked, QStringList{u"网站优化分析助手|关键词 或 网页地址 不能为空|notice"_s});
        QCOMPARE(captions(f.Label7), QStringList(6, u".."_s));
    }
    QVERIFY(harness.server().requests().isEmpty());

    f.Text1->setText(u" a b&c=d#e+f%41 中文 "_s); // typed Chinese is set directly
    f.Command3_Click();
    QCOMPARE(harness.server().requests(),
             QStringList{u"/?q=%20a%20b%26c%3Dd%23e%2Bf%2541%20%E4%B8%AD%E6%96%87%20"_s});
    f.Text3->clear();
    QTest::keyClicks(f.Text3, u"  "_s);
    QTest::keyClicks(f.Text4, u"a.com/?x=1&y=#z"_s); // the address box is empty from above
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    QCOMPARE(harness.server().requests(u"/Tools/Density.aspx"_s),
             QStringList{u"/Tools/Density.aspx?kw=%20%20&url=a.com%2F%3Fx%3D1%26y%3D%23z"_s});
}

void QueryTest::unansweredQueriesSayWhy_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("spiderView");
    QTest::newRow("not UTF-8") << Response::page(
        SitePages::overview({{"1", "a"}}).toUtf8().replace("标题", "\xB1\xEA\xCC\xE2"))
                               << noResult << u"分析服务没有返回这个页面的蜘蛛视图。"_s;
    QTest::newRow("address too long") << Response::page(QByteArray(), 414) << noResult
                                      << u"网址太长，分析服务无法处理，请缩短网址后再试。"_s;
    QTest::newRow("site busy") << Response::page(QByteArray(), 503) << noResult
                               << u"分析服务繁忙，请稍后再试。"_s;
    QTest::newRow("site failing") << Response::page(QByteArray(), 500) << noResult
                                  << u"分析服务出错（HTTP 500），请稍后再试。"_s;
    QTest::newRow("answer too large")
        << Response::endless() << u"结果过大"_s << u"分析结果超过 1 MiB，无法显示。"_s;
    QTest::newRow("no answer in time")
        << Response::neverEnding() << u"查询超时"_s << u"分析服务在 1 秒内没有回应，请稍后再试。"_s;
    QTest::newRow("nothing listens") << Response() << noConnection << u"无法连接分析服务，请稍后再试。"_s;
}

// Whatever kept a page from the window, the busy cells of the meta table and of the density
// figures say the same thing about it, and the spider view says more; the keyword table
// still runs.
void QueryTest::unansweredQueriesSayWhy()
{
    QFETCH(Response, response);
    QFETCH(QString, cells);
    QFETCH(QString, spiderView);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{1s, 1 << 20});
    for (const QString &path : {u"/"_s, u"/Tools/Robot.aspx"_s, u"/Tools/Density.aspx"_s})
        harness.server().route(path, response);
    if (cells == noConnection)
        harness.server().close();
    Form1 &f = harness.shownForm();
    QTest::keyClicks(f.Text1, u"www.example.com"_s);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(captions(f.Label2), QStringList(4, cells));
    QCOMPARE(f.Text2->toPlainText(), spiderView);
    QCOMPARE(f.ListView1->model()->columnCount(), 4);
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    QTest::keyClicks(f.Text3, u"seo"_s);
    QTest::keyClicks(f.Text4, u"www.example.com"_s);
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    QCOMPARE(captions(f.Label7), QStringList(6, cells));
}

// With the service gone the spider view says what is known of it; once the bundled service
// answers again, its trouble is not left standing as if it were still true; anything else
// in the spider view is the user's to keep.
void QueryTest::spiderViewSaysWhenTheServiceIsBack_data()
{
    const QString restarting = u"分析服务意外停止，正在重新启动，请稍后再试。"_s;
    QTest::addColumn<QString>("siteTrouble");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("trouble still shown") << restarting << QString() << u"分析服务已重新启动，请重新查询。"_s;
    QTest::newRow("typed after the trouble") << restarting << u"ok"_s << restarting + u"ok"_s;
    QTest::newRow("no trouble known") << QString() << QString() << u"无法连接分析服务，请稍后再试。"_s;
}

void QueryTest::spiderViewSaysWhenTheServiceIsBack()
{
    QFETCH(QString, siteTrouble);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    FormHarness harness;
    harness.siteTrouble = siteTrouble;
    harness.server().close(); // the service has died: nothing listens
    Form1 &f = harness.shownForm();
    QTest::keyClicks(f.Text1, u"www.example.com"_s);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text2->toPlainText(),
             siteTrouble.isEmpty() ? u"无法连接分析服务，请稍后再试。"_s : siteTrouble);
    QTest::keyClick(f.Text2, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(f.Text2, typed);

    harness.siteTrouble.clear();
    f.siteRestarted(); // as AnalysisService::restarted calls it
    QCOMPARE(f.Text2->toPlainText(), shown);
}

// Texts of any length, with a character outside the BMP at every place they are cut: a
// caption shows its start (a right-aligned one its end), the spider view holds it whole in
// lines of the box's capacity, and a keyword cell shows its start and a tool tip a little
// more, since the view lays out a cell's whole shown text at every repaint.
void QueryTest::longTextsAreCutBetweenCharacters()
{
    const QString text = u"a"_s + u"𠀀"_s.repeated(300'000) + u"b"_s;
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{10s, 32 << 20});
    harness.server().route(u"/"_s,
                           Response::page(SitePages::overview(
                               {{text, text}}, {{text, text, text}, {u"网站优化 seo"_s, u"1"_s, u"1%"_s}})));
    harness.server().route(u"/Tools/Robot.aspx"_s, Response::page(SitePages::spider(text)));
    Form1 &f = harness.shownForm();
    QTest::keyClicks(f.Text1, u"www.example.com"_s);
    QTest::mouseClick(f.Command1, Qt::LeftButton);

    QCOMPARE(captions(f.Label2).mid(2), QStringList(2, noResult)); // the rows the page did not give
    const QString start = f.Label2[1]->text(), end = f.Label1[1]->text();
    QVERIFY(text.startsWith(start) && text.endsWith(end));
    for (const QString &shown : {start, end})
        QVERIFY(shown.isValidUtf16() && shown.size() > 1000 && shown.size() < 10'000);

    QTRY_COMPARE(f.Text2->toPlainText().remove(u'\n'), text);
    QVERIFY(f.Text2->toPlainText().isValidUtf16());
    QVERIFY(f.Text2->document()->blockCount() > text.size() / LongTextEdit::kLineCapacity);

    QCOMPARE(tableOf(f.ListView1).value(2), (QStringList{u"2"_s, u"网站优化 seo"_s, u"1"_s, u"1%"_s}));
    QCOMPARE(f.ListView1->model()->index(1, 1).data(Qt::ToolTipRole), QVariant());
    for (int column = 1; column <= 3; ++column) {
        const QModelIndex cell = f.ListView1->model()->index(0, column);
        const QString shown = cell.data().toString(), tip = cell.data(Qt::ToolTipRole).toString();
        QVERIFY(shown.isValidUtf16() && tip.isValidUtf16());
        QVERIFY2(shown.size() < 1000 && tip.size() < 1000, qPrintable(QString::number(shown.size())));
        QVERIFY(shown.endsWith(u'…') && text.startsWith(shown.chopped(1)));
        QVERIFY(tip.endsWith(u'…') && text.startsWith(tip.left(10)));
    }
}

void QueryTest::newestQueryOrCheckWinsAndAddressIsReadOnce()
{
    FormHarness harness;
    serveSite(harness.server());
    Form1 &f = harness.form();
    f.Text1->setText(u"slow"_s);
    // While the slow query waits, the user types another address and queries again.
    QTimer::singleShot(50ms, &f, [&f] {
        f.Text1->setText(u"b"_s);
        f.Command1_Click();
    });
    f.Command1_Click();
    QCOMPARE(f.Label2[1]->text(), u"b title"_s);
    QCOMPARE(f.Text2->toPlainText(), u"b as a spider sees it"_s);
    QCOMPARE(tableOf(f.ListView1).size(), 3);

    // An edit during the wait of a single query does not leak into its later steps.
    f.Text1->setText(u"slow"_s);
    QTimer::singleShot(50ms, &f, [&f] { f.Text1->setText(u"b"_s); });
    f.Command1_Click();
    QCOMPARE(f.Label2[1]->text(), u"slow title"_s);
    QCOMPARE(f.Text2->toPlainText(), u"slow as a spider sees it"_s);
    QCOMPARE(tableOf(f.ListView1)[1][1], u"slow-word"_s);

    // Likewise for the density check.
    harness.server().route(u"/Tools/Density.aspx"_s, [](const QUrlQuery &query) {
        const QString keyword = query.queryItemValue(u"kw"_s, QUrl::FullyDecoded);
        return Response::page(SitePages::density({keyword, keyword})).after(keyword == u"old" ? 300ms : 0ms);
    });
    f.Text3->setText(u"old"_s);
    f.Text4->setText(u"u"_s);
    QTimer::singleShot(50ms, &f, [&f] {
        f.Command7_Click(); // hiding the panel does not stop a check
        f.Text3->setText(u"new"_s);
        f.Command4_Click();
    });
    f.Command4_Click();
    QCOMPARE(captions(f.Label7), (QStringList{advice, "new", "new", noResult, noResult, noResult}));
}

void QueryTest::densityCheckShowsTheFigures_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QStringList>("slots");
    QTest::newRow("five figures") << SitePages::density({"1200", "2", "8", "16", "1.33%"}).toUtf8()
                                  << QStringList{advice, "1200", "2", "8", "16", "1.33%"};
    QTest::newRow("two figures") << SitePages::density({"1200", "2"}).toUtf8()
                                 << QStringList{advice, "1200", "2", noResult, noResult, noResult};
    QTest::newRow("no separator") << QByteArray("<p>页面文本总长 unknown<br>密度建议值")
                                  << QStringList{" unknown", noResult, noResult,
                                                 noResult,   noResult, noResult};
    QTest::newRow("more than five") << QByteArray("页面文本总长：1<：2<：3<：4<：5<：6<：7<密度建议值")
                                    << QStringList{advice, "1", "2", "3", "4", "5"};
}

void QueryTest::densityCheckShowsTheFigures()
{
    QFETCH(QByteArray, page);
    QFETCH(QStringList, slots);
    FormHarness harness;
    harness.server().route(u"/Tools/Density.aspx"_s, Response::page(page));
    Form1 &f = harness.shownForm();
    f.Command5_Click();
    QTest::keyClicks(f.Text3, u"seo"_s);
    QTest::keyClicks(f.Text4, u"www.example.com"_s);
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    QCOMPARE(captions(f.Label7), slots);
    QVERIFY(harness.asked.isEmpty());
}

void QueryTest::updateCheckRunsOnceASecondAfterStart()
{
    const QString file = u"/veltro/shenji.txt"_s;
    FormHarness harness(FormHarness::Timer::Running);
    // Slower than the timer's interval, so a timer still running would start a second check.
    harness.server().route(file, Response::page(QByteArray("9.1\r\n")).after(1500ms));
    QTest::qWait(700);
    QVERIFY(harness.server().requests(file).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(harness.server().requests(file).size(), 1, 2000);
    QTest::qWait(2500);
    QCOMPARE(harness.server().requests(file).size(), 1);
    QVERIFY(!harness.form().Timer1->isActive());
    QVERIFY(harness.asked.isEmpty());
}

void QueryTest::updateOfferOnlyForARealDifferentVersion_data()
{
    QTest::addColumn<Response>("file");
    QTest::addColumn<UserAnswer>("answer");
    QTest::addColumn<QString>("offered"); // the version the user is asked about, if any
    QTest::addColumn<bool>("opens");
    const auto file = [](const char *text) { return Response::page(QByteArray(text)); };
    QTest::newRow("same version") << file("9.1") << UserAnswer::Ok << QString() << false;
    QTest::newRow("newer, accepted") << file("9.2\r\nnotes") << UserAnswer::Ok << u"9.2"_s << true;
    QTest::newRow("older, declined") << file("9.0\r\n") << UserAnswer::Cancel << u"9.0"_s << false;
    QTest::newRow("trailing blank") << file("9.1 \r\n") << UserAnswer::Cancel << u"9.1 "_s << false;
    QTest::newRow("empty file") << file("") << UserAnswer::Ok << QString() << false;
    QTest::newRow("error page") << Response::page(QByteArray("9.9 not found"), 404) << UserAnswer::Ok
                                << QString() << false;
    QTest::newRow("unreachable") << Response::neverEnding() << UserAnswer::Ok << QString() << false;
}

void QueryTest::updateOfferOnlyForARealDifferentVersion()
{
    QFETCH(Response, file);
    QFETCH(UserAnswer, answer);
    QFETCH(QString, offered);
    QFETCH(bool, opens);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{300ms, 1 << 20});
    harness.answer = answer;
    harness.server().route(u"/veltro/shenji.txt"_s, file);
    harness.form().Timer1_Timer();
    QCOMPARE(harness.asked,
             offered.isNull() ? QStringList()
                              : QStringList{u"发现最新版本|最新版本%1，是否更新？|question"_s.arg(offered)});
    QCOMPARE(harness.opened,
             opens ? QList<QUrl>{QUrl(u"http://"_s + harness.server().host() + u"/veltro/"_s)}
                   : QList<QUrl>());
}

void QueryTest::homePageButtonOpensTheBrowser()
{
    FormHarness harness;
    Form1 &f = harness.shownForm();
    const QString home = u"http://"_s + harness.server().host() + u"/veltro"_s;
    QTest::mouseClick(f.Command6, Qt::LeftButton);
    QCOMPARE(harness.opened, QList<QUrl>{QUrl(home)});
    QVERIFY(harness.asked.isEmpty());

    harness.browserStarts = false;
    QTest::mouseClick(f.Command6, Qt::LeftButton);
    QCOMPARE(harness.asked.size(), 1);
    QVERIFY(harness.asked[0].contains(home));
}

QTEST_MAIN(QueryTest)
#include "query_test.moc"
