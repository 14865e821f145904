// The window's questions to the analysis site and what it makes of the answers: the page
// query, the density check and the update check, driven as a user drives them.
#include "support/formharness.h"
#include "support/sitepages.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;
Q_DECLARE_METATYPE(LocalHttpServer::Response)

namespace {

const QString busy = u"正在查询"_s;
const QString noResult = u"未取得结果"_s;
const QString noConnection = u"连接失败"_s;
const QString timedOut = u"查询超时"_s;
const QString tooLarge = u"结果过大"_s;
const QString advice = u"密度建议值：2%≦密度≦8%"_s;

// A site that knows pages by address and answers "slow" slowly.
void serveSite(LocalHttpServer &server)
{
    auto delayFor = [](const QString &address) { return address == u"slow" ? 300ms : 0ms; };
    server.route(u"/"_s, [=](const QUrlQuery &query) {
        const QString address = query.queryItemValue(u"q"_s, QUrl::FullyDecoded);
        return Response::page(SitePages::overview({{QString::number(address.size()), address + u" title"_s},
                                                   {u"2"_s, u"a,b"_s},
                                                   {u"4"_s, u"desc"_s}},
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

const QStringList headings = {u" "_s, u"关键词"_s, u"词出现频率"_s, u"建议:2%≦密度≦8%"_s};

} // namespace

class QueryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void queryFillsAllThreeAreas();
    void emptyBoxesAreRefused();
    void typedTextsReachTheSiteExactly();
    void metaTableTakesWhatFitsAndNeverStaysBusy_data();
    void metaTableTakesWhatFitsAndNeverStaysBusy();
    void busyCellsSayWhyTheyGotNoResult_data();
    void busyCellsSayWhyTheyGotNoResult();
    void spiderViewSaysWhyItIsEmpty_data();
    void spiderViewSaysWhyItIsEmpty();
    void spiderViewSaysWhenTheServiceIsBack_data();
    void spiderViewSaysWhenTheServiceIsBack();
    void textsOfAnyLengthAreHeldWhole();
    void keywordCellsShowABoundedPartOfTheirText_data();
    void keywordCellsShowABoundedPartOfTheirText();
    void newestQueryWinsAndAddressIsReadOnce();
    void densityCheckShowsTheFigures_data();
    void densityCheckShowsTheFigures();
    void newestDensityCheckWins();
    void updateCheckRunsOnceASecondAfterStart();
    void updateOfferOnlyForARealDifferentVersion_data();
    void updateOfferOnlyForARealDifferentVersion();
    void homePageButtonOpensTheBrowser();
};

void QueryTest::queryFillsAllThreeAreas()
{
    FormHarness harness;
    serveSite(harness.server());
    Form1 &f = harness.form();
    f.show();
    QTest::keyClicks(f.Text1, u"www.example.com"_s);
    for (int run = 0; run < 2; ++run) { // a second query gives the same, not doubled
        QTest::mouseClick(f.Command1, Qt::LeftButton);
        QCOMPARE(captions(f.Label1), (QStringList{u"</td><td><font color=\""_s, u"15"_s, u"2"_s, u"4"_s}));
        QCOMPARE(captions(f.Label2),
                 (QStringList{QString(), u"www.example.com title"_s, u"a,b"_s, u"desc"_s}));
        QCOMPARE(f.Text2->toPlainText(), u"www.example.com as a spider sees it"_s);
        QCOMPARE(tableOf(f.ListView1),
                 (QList<QStringList>{headings,
                                     {u"1"_s, u"www.example.com-word"_s, u"3"_s, u"1.50%"_s},
                                     {u"2"_s, u"shared"_s, u"1"_s, u"0.50%"_s}}));
    }
    const int widths[] = {20, 110, 80, 130};
    for (int column = 0; column < 4; ++column)
        QCOMPARE(f.ListView1->columnWidth(column), widths[column]);
    QCOMPARE(f.ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(harness.asked.isEmpty());

    // The hidden carriers of the two halves of a query run them on their own too.
    f.ListView1->model()->removeRows(0, 2);
    f.Command2_Click();
    QCOMPARE(f.ListView1->model()->rowCount(), 2);
    f.Label2[1]->setCaption(QString());
    f.Command3_Click();
    QCOMPARE(f.Label2[1]->text(), u"www.example.com title"_s);
}

void QueryTest::emptyBoxesAreRefused()
{
    FormHarness harness;
    Form1 &f = harness.form();
    f.show();
    f.Text2->setPlainText(u"earlier"_s);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(harness.asked.size(), 1);
    QCOMPARE(harness.asked[0].text, u"请输入查询地址"_s);
    QCOMPARE(harness.asked[0].title, u"网站优化分析助手"_s);
    QCOMPARE(harness.asked[0].style, UserMessage::Style::Notice);
    QCOMPARE(f.Text2->toPlainText(), u"earlier"_s);
    QCOMPARE(f.Label2[1]->text(), u"..."_s);

    f.Command5_Click();
    for (const auto &[keyword, address] :
         {std::pair{QString(), u"u"_s}, std::pair{u"k"_s, QString()}, std::pair{QString(), QString()}}) {
        harness.asked.clear();
        f.Text3->setText(keyword);
        f.Text4->setText(address);
        QTest::mouseClick(f.Command4, Qt::LeftButton);
        QCOMPARE(harness.asked.size(), 1);
        QCOMPARE(harness.asked[0].text, u"关键词 或 网页地址 不能为空"_s);
        QCOMPARE(captions(f.Label7), QStringList(6, u".."_s));
    }
    QVERIFY(harness.server().requests().isEmpty());
}

void QueryTest::typedTextsReachTheSiteExactly()
{
    FormHarness harness;
    QStringList received;
    const auto record = [&](const QString &key) {
        return [&, key](const QUrlQuery &query) {
            received.append(query.queryItemValue(key, QUrl::FullyDecoded));
            return Response::page(QByteArray());
        };
    };
    harness.server().route(u"/"_s, record(u"q"_s));
    harness.server().route(u"/Tools/Density.aspx"_s, record(u"kw"_s));
    Form1 &f = harness.form();
    f.Text1->setText(u" a b&c=d#e+f%41 中文 "_s); // typed Chinese is set directly
    f.Command3_Click();
    QCOMPARE(harness.requestsFor(u"/"_s).constFirst(),
             u"/?q=%20a%20b%26c%3Dd%23e%2Bf%2541%20%E4%B8%AD%E6%96%87%20"_s);
    f.Command5_Click();
    QTest::keyClicks(f.Text3, u"  "_s);
    QTest::keyClicks(f.Text4, u"a.com/?x=1&y=#z"_s);
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    QCOMPARE(received, (QStringList{u" a b&c=d#e+f%41 中文 "_s, u"  "_s}));
    QVERIFY(harness.requestsFor(u"/Tools/Density.aspx"_s)
                .constFirst()
                .endsWith(u"&url=a.com%2F%3Fx%3D1%26y%3D%23z"_s));
}

void QueryTest::metaTableTakesWhatFitsAndNeverStaysBusy_data()
{
    QTest::addColumn<Response>("overview");
    QTest::addColumn<QStringList>("lengths");
    QTest::addColumn<QStringList>("texts");
    const QString lead = u"</td><td><font color=\""_s;
    const QString dots = u".."_s;
    const auto page = [](const QList<SitePages::MetaRow> &rows) {
        return Response::page(SitePages::overview(rows));
    };
    QTest::newRow("more rows than the table")
        << page({{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}})
        << QStringList{lead, "1", "2", "3"} << QStringList{{}, "a", "b", "c"};
    QTest::newRow("fewer rows") << page({{"1", "a"}, {"2", "b"}}) << QStringList{lead, "1", "2", dots}
                                << QStringList{{}, "a", "b", noResult};
    QTest::newRow("not UTF-8") << Response::page(
        SitePages::overview({{"1", "a"}}).toUtf8().replace("标题", "\xB1\xEA\xCC\xE2"))
                               << QStringList(4, dots) << QStringList(4, noResult);
}

void QueryTest::metaTableTakesWhatFitsAndNeverStaysBusy()
{
    QFETCH(Response, overview);
    QFETCH(QStringList, lengths);
    QFETCH(QStringList, texts);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{500ms, 1 << 20});
    harness.server().route(u"/"_s, overview);
    harness.server().route(u"/Tools/Robot.aspx"_s, overview);
    Form1 &f = harness.form();
    f.Text1->setText(u"x"_s);
    f.Command1_Click();
    QCOMPARE(captions(f.Label1), lengths);
    QCOMPARE(captions(f.Label2), texts);
}

// Whatever kept a page from the window, the meta table and the density figures say the
// same thing about it.
void QueryTest::busyCellsSayWhyTheyGotNoResult_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<bool>("siteListens");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no result in the page")
        << Response::page(QByteArray("<html>nothing</html>")) << true << noResult;
    QTest::newRow("no answer in time") << Response::neverEnding() << true << timedOut;
    QTest::newRow("answer too large") << Response::endless() << true << tooLarge;
    QTest::newRow("nothing listens") << Response() << false << noConnection;
}

void QueryTest::busyCellsSayWhyTheyGotNoResult()
{
    QFETCH(Response, response);
    QFETCH(bool, siteListens);
    QFETCH(QString, shown);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{500ms, 1 << 20});
    for (const QString &path : {u"/"_s, u"/Tools/Robot.aspx"_s, u"/Tools/Density.aspx"_s})
        harness.server().route(path, response);
    if (!siteListens)
        harness.server().close();
    Form1 &f = harness.form();
    f.show();
    QTest::keyClicks(f.Text1, u"www.example.com"_s);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(captions(f.Label2), QStringList(4, shown));
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    QTest::keyClicks(f.Text3, u"seo"_s);
    QTest::keyClicks(f.Text4, u"www.example.com"_s);
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    QCOMPARE(captions(f.Label7), QStringList(6, shown));
}

void QueryTest::spiderViewSaysWhyItIsEmpty_data()
{
    QTest::addColumn<Response>("spider");
    QTest::addColumn<QString>("shown");
    QTest::newRow("site failure text")
        << Response::page(SitePages::spider(u"x 基础连接已经关闭：超时"_s)) << u"请检查网站是否能正常打开"_s;
    QTest::newRow("no text area") << Response::page(QByteArray("<html>busy</html>"))
                                  << u"分析服务没有返回这个页面的蜘蛛视图。"_s;
    QTest::newRow("address too long")
        << Response::page(QByteArray(), 414) << u"网址太长，分析服务无法处理，请缩短网址后再试。"_s;
    QTest::newRow("site busy") << Response::page(QByteArray(), 503) << u"分析服务繁忙，请稍后再试。"_s;
    QTest::newRow("answer too large") << Response::endless() << u"分析结果超过 1 MiB，无法显示。"_s;
    QTest::newRow("no answer in time")
        << Response::neverEnding() << u"分析服务在 1 秒内没有回应，请稍后再试。"_s;
}

void QueryTest::spiderViewSaysWhyItIsEmpty()
{
    QFETCH(Response, spider);
    QFETCH(QString, shown);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{1s, 1 << 20});
    harness.server().route(u"/Tools/Robot.aspx"_s, spider);
    Form1 &f = harness.form();
    f.Text1->setText(u"x"_s);
    f.Command1_Click();
    QCOMPARE(f.Text2->toPlainText(), shown);
    QCOMPARE(f.ListView1->model()->columnCount(), 4); // the table still runs
    QCOMPARE(captions(f.Label2).count(busy), 0);
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
    Form1 &f = harness.form();
    f.show();
    QTest::keyClicks(f.Text1, u"www.example.com"_s);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text2->toPlainText(),
             siteTrouble.isEmpty() ? u"无法连接分析服务，请稍后再试。"_s : siteTrouble);
    QCOMPARE(f.ListView1->model()->columnCount(), 4); // the table still runs
    QTest::keyClick(f.Text2, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(f.Text2, typed);

    harness.siteTrouble.clear();
    f.siteRestarted(); // as AnalysisService::restarted calls it
    QCOMPARE(f.Text2->toPlainText(), shown);
}

void QueryTest::textsOfAnyLengthAreHeldWhole()
{
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{10s, 32 << 20});
    const QString unbroken(1'000'000, u'a');
    harness.server().route(u"/"_s, Response::page(SitePages::overview({{"1000000", unbroken}})));
    harness.server().route(u"/Tools/Robot.aspx"_s, Response::page(SitePages::spider(unbroken)));
    Form1 &f = harness.form();
    f.show();
    f.Text1->setText(u"x"_s);
    f.Command1_Click();
    QVERIFY(unbroken.startsWith(f.Label2[1]->text())); // what it can show of it
    // The text goes in a slice at a time, its lines held at the text box's capacity.
    QTRY_COMPARE(f.Text2->toPlainText().remove(u'\n'), unbroken);
    QCOMPARE(f.Text2->document()->blockCount(),
             (unbroken.size() + LongTextEdit::kLineCapacity - 1) / LongTextEdit::kLineCapacity);
}

// The view lays out a cell's whole shown text at every repaint, so a cell shows only the
// start of a long text, and its tool tip a little more.
void QueryTest::keywordCellsShowABoundedPartOfTheirText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("cut");
    QTest::newRow("short") << u"网站优化 seo"_s << false;
    QTest::newRow("300,000 letters") << QString(300'000, u'a') << true;
    QTest::newRow("characters outside the BMP") << u"𠀀"_s.repeated(100'000) << true;
    QTest::newRow("one past a pair") << u"a"_s + u"𠀀"_s.repeated(100'000) << true;
}

void QueryTest::keywordCellsShowABoundedPartOfTheirText()
{
    QFETCH(QString, text);
    QFETCH(bool, cut);
    constexpr qsizetype bound = 1000;
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{10s, 32 << 20});
    harness.server().route(
        u"/"_s, Response::page(SitePages::overview({}, {{text, text, text}, {u"seo"_s, u"1"_s, u"1%"_s}})));
    Form1 &f = harness.form();
    f.show();
    QTest::keyClicks(f.Text1, u"www.example.com"_s);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    const QAbstractItemModel *table = f.ListView1->model();
    QCOMPARE(table->rowCount(), 2);
    for (int column = 1; column <= 3; ++column) {
        const QModelIndex cell = table->index(0, column);
        const QString shown = cell.data().toString();
        const QString tip = cell.data(Qt::ToolTipRole).toString();
        QVERIFY(shown.isValidUtf16() && tip.isValidUtf16());
        if (!cut) {
            QCOMPARE(shown, text);
            QCOMPARE(tip, QString());
            continue;
        }
        QVERIFY2(shown.size() < bound && tip.size() < bound, qPrintable(QString::number(shown.size())));
        QVERIFY(shown.endsWith(u'…') && text.startsWith(shown.chopped(1)));
        QVERIFY(!tip.isEmpty() && text.startsWith(tip.left(10)));
    }
}

void QueryTest::newestQueryWinsAndAddressIsReadOnce()
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
}

void QueryTest::densityCheckShowsTheFigures_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QStringList>("slots");
    const auto figures = [](const QStringList &values) { return Response::page(SitePages::density(values)); };
    QTest::newRow("five figures") << figures({"1200", "2", "8", "16", "1.33%"})
                                  << QStringList{advice, "1200", "2", "8", "16", "1.33%"};
    QTest::newRow("two figures") << figures({"1200", "2"})
                                 << QStringList{advice, "1200", "2", noResult, noResult, noResult};
    QTest::newRow("no separator") << Response::page(QByteArray("<p>页面文本总长 unknown<br>密度建议值"))
                                  << QStringList{" unknown", noResult, noResult,
                                                 noResult,   noResult, noResult};
    QTest::newRow("more than five") << Response::page(
        QByteArray("页面文本总长：1<：2<：3<：4<：5<：6<：7<密度建议值"))
                                    << QStringList{advice, "1", "2", "3", "4", "5"};
    QTest::newRow("no density section")
        << Response::page(QByteArray("<p>not found</p>"), 404) << QStringList(6, noResult);
}

void QueryTest::densityCheckShowsTheFigures()
{
    QFETCH(Response, response);
    QFETCH(QStringList, slots);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{500ms, 1 << 20});
    harness.server().route(u"/Tools/Density.aspx"_s, response);
    Form1 &f = harness.form();
    f.show();
    f.Command5_Click();
    QTest::keyClicks(f.Text3, u"seo"_s);
    QTest::keyClicks(f.Text4, u"www.example.com"_s);
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    QCOMPARE(captions(f.Label7), slots);
    QVERIFY(harness.asked.isEmpty());
}

void QueryTest::newestDensityCheckWins()
{
    FormHarness harness;
    harness.server().route(u"/Tools/Density.aspx"_s, [](const QUrlQuery &query) {
        const QString keyword = query.queryItemValue(u"kw"_s, QUrl::FullyDecoded);
        return Response::page(SitePages::density({keyword, keyword})).after(keyword == u"old" ? 300ms : 0ms);
    });
    Form1 &f = harness.form();
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

void QueryTest::updateCheckRunsOnceASecondAfterStart()
{
    FormHarness harness(FormHarness::Timer::Running);
    // Slower than the timer's interval, so a timer still running would start a second check.
    harness.server().route(u"/veltro/shenji.txt"_s, Response::page(QByteArray("9.1\r\n")).after(1500ms));
    QTest::qWait(700);
    QVERIFY(harness.requestsFor(u"/veltro/shenji.txt"_s).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(harness.requestsFor(u"/veltro/shenji.txt"_s).size(), 1, 2000);
    QTest::qWait(2500);
    QCOMPARE(harness.requestsFor(u"/veltro/shenji.txt"_s).size(), 1);
    QVERIFY(!harness.form().Timer1->isActive());
    QVERIFY(harness.asked.isEmpty());
}

void QueryTest::updateOfferOnlyForARealDifferentVersion_data()
{
    QTest::addColumn<Response>("file");
    QTest::addColumn<UserAnswer>("answer");
    QTest::addColumn<QString>("offer");
    QTest::addColumn<QString>("opened");
    const auto file = [](const char *text) { return Response::page(QByteArray(text)); };
    const QString none;
    QTest::newRow("same version") << file("9.1") << UserAnswer::Ok << none << none;
    QTest::newRow("same version, more lines") << file("9.1\r\nnotes") << UserAnswer::Ok << none << none;
    QTest::newRow("newer, accepted") << file("9.2\r\n") << UserAnswer::Ok << u"最新版本9.2，是否更新？"_s
                                     << u"/veltro/"_s;
    QTest::newRow("newer, declined") << file("9.2\r\n") << UserAnswer::Cancel << u"最新版本9.2，是否更新？"_s
                                     << none;
    QTest::newRow("older") << file("9.0\r\n") << UserAnswer::Cancel << u"最新版本9.0，是否更新？"_s << none;
    QTest::newRow("trailing blank") << file("9.1 \r\n") << UserAnswer::Cancel << u"最新版本9.1 ，是否更新？"_s
                                    << none;
    QTest::newRow("empty file") << file("") << UserAnswer::Ok << none << none;
    QTest::newRow("error page") << Response::page(QByteArray("9.9 not found"), 404) << UserAnswer::Ok << none
                                << none;
    QTest::newRow("unreachable") << Response::neverEnding() << UserAnswer::Ok << none << none;
}

void QueryTest::updateOfferOnlyForARealDifferentVersion()
{
    QFETCH(Response, file);
    QFETCH(UserAnswer, answer);
    QFETCH(QString, offer);
    QFETCH(QString, opened);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{300ms, 1 << 20});
    harness.answer = answer;
    harness.server().route(u"/veltro/shenji.txt"_s, file);
    harness.form().Timer1_Timer();

    QCOMPARE(harness.asked.size(), offer.isEmpty() ? 0 : 1);
    if (!offer.isEmpty()) {
        QCOMPARE(harness.asked[0].text, offer);
        QCOMPARE(harness.asked[0].title, u"发现最新版本"_s);
        QCOMPARE(harness.asked[0].style, UserMessage::Style::Question);
    }
    QCOMPARE(harness.opened.size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(harness.opened[0].toString(), u"http://"_s + harness.server().host() + opened);
}

void QueryTest::homePageButtonOpensTheBrowser()
{
    FormHarness harness;
    Form1 &f = harness.form();
    f.show();
    const QString home = u"http://"_s + harness.server().host() + u"/veltro"_s;
    QTest::mouseClick(f.Command6, Qt::LeftButton);
    QTest::mouseClick(f.Command6, Qt::LeftButton);
    QCOMPARE(harness.opened, (QList<QUrl>{QUrl(home), QUrl(home)}));
    QVERIFY(harness.asked.isEmpty());

    harness.browserStarts = false;
    QTest::mouseClick(f.Command6, Qt::LeftButton);
    QCOMPARE(harness.asked.size(), 1);
    QVERIFY(harness.asked[0].text.contains(home));
}

QTEST_MAIN(QueryTest)
#include "query_test.moc"
