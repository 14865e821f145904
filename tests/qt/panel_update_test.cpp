#include "support/formharness.h"
#include "support/sitepages.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;
Q_DECLARE_METATYPE(LocalHttpServer::Response)

namespace {

QStringList captions(const std::array<FormLabel *, 6> &labels)
{
    QStringList texts;
    for (const QLabel *label : labels)
        texts.append(label->text());
    return texts;
}

const QString advice = QStringLiteral("密度建议值：2%≦密度≦8%");

// Starts a density check whose page takes `delay`, and closes the window while it waits.
void densityCheckQuitWhileItWaits(FormHarness &harness, std::chrono::milliseconds delay)
{
    harness.server().route(QStringLiteral("/Tools/Density.aspx"),
                           Response{200, SitePages::density({QStringLiteral("1")}).toUtf8(), delay, {}, {}});
    Form1 &f = harness.form();
    f.show();
    f.Text3->setText(QStringLiteral("k"));
    f.Text4->setText(QStringLiteral("u"));
    QTimer::singleShot(50ms, &f, [&f] { f.close(); });
    f.Command4_Click();
}
const QString busy = QStringLiteral("正在查询");

} // namespace

class PanelAndUpdateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void panelTogglesKeepItsContents();
    void quitQuestion_data();
    void quitQuestion();
    void quitDuringAFetchWritesNothingAfterIt();
    void densityCheckShowsTheFigures_data();
    void densityCheckShowsTheFigures();
    void densityCheckRefusesAnEmptyBox_data();
    void densityCheckRefusesAnEmptyBox();
    void densityCheckSendsBothTextsEncoded();
    void newestDensityCheckWins();
    void updateCheckRunsOnceASecondAfterStart();
    void updateOfferOnlyForARealDifferentVersion_data();
    void updateOfferOnlyForARealDifferentVersion();
    void homePageButtonOpensTheBrowser();
    // Last: once the application has been told to exit, no event loop runs again.
    void quitLeavesAWaitingFetchAtOnce();
};

void PanelAndUpdateTest::panelTogglesKeepItsContents()
{
    FormHarness harness;
    Form1 &f = harness.form();
    f.show();
    QVERIFY(!f.Frame2->isVisible());
    f.Command5_Click();
    QVERIFY(f.Frame2->isVisible());
    f.Text3->setText(QStringLiteral("关键词"));
    f.Text4->setText(QStringLiteral("www.example.com"));
    f.Label7[3]->setCaption(QStringLiteral("42"));
    f.Command5_Click();
    QVERIFY(f.Frame2->isVisible());
    f.Command7_Click();
    QVERIFY(!f.Frame2->isVisible());
    QVERIFY(f.Text2->isVisible());
    f.Command5_Click();
    QCOMPARE(f.Text3->text(), QStringLiteral("关键词"));
    QCOMPARE(f.Text4->text(), QStringLiteral("www.example.com"));
    QCOMPARE(f.Label7[3]->text(), QStringLiteral("42"));
}

void PanelAndUpdateTest::quitQuestion_data()
{
    QTest::addColumn<UserAnswer>("answer");
    QTest::addColumn<bool>("ends");
    QTest::newRow("cancel keeps the window") << UserAnswer::Cancel << false;
    QTest::newRow("ok ends the program") << UserAnswer::Ok << true;
}

void PanelAndUpdateTest::quitQuestion()
{
    QFETCH(UserAnswer, answer);
    QFETCH(bool, ends);
    FormHarness harness(FormHarness::Timer::Running);
    harness.answer = answer;
    Form1 &f = harness.form();
    f.show();
    f.Text1->setText(QStringLiteral("kept"));
    QCOMPARE(f.close(), ends);
    QCOMPARE(harness.asked.size(), 1);
    QCOMPARE(harness.asked[0].text, QStringLiteral("真的退出吗?"));
    QCOMPARE(harness.asked[0].title, QStringLiteral("退出"));
    QCOMPARE(harness.asked[0].style, UserMessage::Style::Question);
    QCOMPARE(harness.endRequests, ends ? 1 : 0);
    QCOMPARE(f.isVisible(), !ends);
    QCOMPARE(f.Timer1->isActive(), !ends);
    QCOMPARE(f.Text1->text(), QStringLiteral("kept"));
}

void PanelAndUpdateTest::quitDuringAFetchWritesNothingAfterIt()
{
    FormHarness harness;
    densityCheckQuitWhileItWaits(harness, 300ms);
    QCOMPARE(harness.endRequests, 1);
    QCOMPARE(captions(harness.form().Label7), QStringList(6, busy));
}

void PanelAndUpdateTest::quitLeavesAWaitingFetchAtOnce()
{
    FormHarness harness;
    harness.alsoOnEnd = [] { QCoreApplication::exit(0); }; // as the program does
    QElapsedTimer clock;
    clock.start();
    densityCheckQuitWhileItWaits(harness, 5s);
    QVERIFY2(clock.elapsed() < 2000, "the fetch waited for its page after the answer OK");
    QCOMPARE(captions(harness.form().Label7), QStringList(6, busy));
}

void PanelAndUpdateTest::densityCheckShowsTheFigures_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QStringList>("slots");
    const auto page = [](const QStringList &figures) {
        return Response{200, SitePages::density(figures).toUtf8(), 0ms, {}, {}};
    };
    QTest::newRow("five figures") << page({QStringLiteral("1200"), QStringLiteral("2"), QStringLiteral("8"),
                                           QStringLiteral("16"), QStringLiteral("1.33%")})
                                  << QStringList{advice,
                                                 QStringLiteral("1200"),
                                                 QStringLiteral("2"),
                                                 QStringLiteral("8"),
                                                 QStringLiteral("16"),
                                                 QStringLiteral("1.33%")};
    QTest::newRow("two figures") << page({QStringLiteral("1200"), QStringLiteral("2")})
                                 << QStringList{
                                        advice, QStringLiteral("1200"), QStringLiteral("2"), busy, busy,
                                        busy};
    QTest::newRow("no separator") << Response{200, "<p>页面文本总长 unknown<br>密度建议值", 0ms, {}, {}}
                                  << QStringList{QStringLiteral(" unknown"), busy, busy, busy, busy, busy};
    QTest::newRow("more than five")
        << Response{200, "页面文本总长：1<：2<：3<：4<：5<：6<：7<密度建议值", 0ms, {}, {}}
        << QStringList{advice,
                       QStringLiteral("1"),
                       QStringLiteral("2"),
                       QStringLiteral("3"),
                       QStringLiteral("4"),
                       QStringLiteral("5")};
    QTest::newRow("no density section")
        << Response{404, "<p>not found</p>", 0ms, {}, {}} << QStringList(6, QStringLiteral("未取得结果"));
    QTest::newRow("failed fetch") << Response{200, {}, 0ms, Response::Kind::NeverEnds, {}}
                                  << QStringList(6, QStringLiteral("连接失败"));
}

void PanelAndUpdateTest::densityCheckShowsTheFigures()
{
    QFETCH(Response, response);
    QFETCH(QStringList, slots);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{500ms, 1 << 20});
    harness.server().route(QStringLiteral("/Tools/Density.aspx"), response);
    Form1 &f = harness.form();
    f.Text3->setText(QStringLiteral("seo"));
    f.Text4->setText(QStringLiteral("www.example.com"));
    f.Command4_Click();
    QCOMPARE(captions(f.Label7), slots);
    QVERIFY(harness.asked.isEmpty());
}

void PanelAndUpdateTest::densityCheckRefusesAnEmptyBox_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("address");
    QTest::newRow("no keyword") << QString() << QStringLiteral("u");
    QTest::newRow("no address") << QStringLiteral("k") << QString();
    QTest::newRow("neither") << QString() << QString();
}

void PanelAndUpdateTest::densityCheckRefusesAnEmptyBox()
{
    QFETCH(QString, keyword);
    QFETCH(QString, address);
    FormHarness harness;
    Form1 &f = harness.form();
    f.Text3->setText(keyword);
    f.Text4->setText(address);
    f.Command4_Click();
    QCOMPARE(harness.asked.size(), 1);
    QCOMPARE(harness.asked[0].text, QStringLiteral("关键词 或 网页地址 不能为空"));
    QCOMPARE(harness.asked[0].style, UserMessage::Style::Notice);
    QCOMPARE(captions(f.Label7), QStringList(6, QStringLiteral("..")));
    QVERIFY(harness.server().requests().isEmpty());
}

void PanelAndUpdateTest::densityCheckSendsBothTextsEncoded()
{
    FormHarness harness;
    QStringList received;
    harness.server().route(QStringLiteral("/Tools/Density.aspx"), [&](const QUrlQuery &query) {
        received << query.queryItemValue(QStringLiteral("kw"), QUrl::FullyDecoded)
                 << query.queryItemValue(QStringLiteral("url"), QUrl::FullyDecoded);
        return Response{200, {}, 0ms, {}, {}};
    });
    Form1 &f = harness.form();
    f.Text3->setText(QStringLiteral("  "));
    f.Text4->setText(QStringLiteral("a.com/?x=1&y=#z"));
    f.Command4_Click();
    QCOMPARE(received, (QStringList{QStringLiteral("  "), QStringLiteral("a.com/?x=1&y=#z")}));
}

void PanelAndUpdateTest::newestDensityCheckWins()
{
    FormHarness harness;
    harness.server().route(QStringLiteral("/Tools/Density.aspx"), [](const QUrlQuery &query) {
        const QString keyword = query.queryItemValue(QStringLiteral("kw"), QUrl::FullyDecoded);
        return Response{
            200, SitePages::density({keyword, keyword}).toUtf8(), keyword == u"old" ? 300ms : 0ms, {}, {}};
    });
    Form1 &f = harness.form();
    f.Text3->setText(QStringLiteral("old"));
    f.Text4->setText(QStringLiteral("u"));
    QTimer::singleShot(50ms, &f, [&f] {
        f.Command7_Click(); // hiding the panel does not stop a check
        f.Text3->setText(QStringLiteral("new"));
        f.Command4_Click();
    });
    f.Command4_Click();
    QCOMPARE(captions(f.Label7),
             (QStringList{advice, QStringLiteral("new"), QStringLiteral("new"), busy, busy, busy}));
}

void PanelAndUpdateTest::updateCheckRunsOnceASecondAfterStart()
{
    FormHarness harness(FormHarness::Timer::Running);
    // Slower than the timer's interval, so a timer still running would start a second check.
    harness.server().route(QStringLiteral("/veltro/shenji.txt"), Response{200, "9.1\r\n", 1500ms, {}, {}});
    QTest::qWait(700);
    QVERIFY(harness.requestsFor(QStringLiteral("/veltro/shenji.txt")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(harness.requestsFor(QStringLiteral("/veltro/shenji.txt")).size(), 1, 2000);
    QTest::qWait(2500);
    QCOMPARE(harness.requestsFor(QStringLiteral("/veltro/shenji.txt")).size(), 1);
    QVERIFY(!harness.form().Timer1->isActive());
    QVERIFY(harness.asked.isEmpty());
}

void PanelAndUpdateTest::updateOfferOnlyForARealDifferentVersion_data()
{
    QTest::addColumn<Response>("file");
    QTest::addColumn<UserAnswer>("answer");
    QTest::addColumn<QString>("offer");
    QTest::addColumn<QString>("opened");
    const auto file = [](const QByteArray &text) { return Response{200, text, 0ms, {}, {}}; };
    const QString none;
    QTest::newRow("same version") << file("9.1") << UserAnswer::Ok << none << none;
    QTest::newRow("same version, more lines") << file("9.1\r\nnotes") << UserAnswer::Ok << none << none;
    QTest::newRow("newer, accepted") << file("9.2\r\n") << UserAnswer::Ok
                                     << QStringLiteral("最新版本9.2，是否更新？")
                                     << QStringLiteral("/veltro/");
    QTest::newRow("newer, declined") << file("9.2\r\n") << UserAnswer::Cancel
                                     << QStringLiteral("最新版本9.2，是否更新？") << none;
    QTest::newRow("older") << file("9.0\r\n") << UserAnswer::Cancel
                           << QStringLiteral("最新版本9.0，是否更新？") << none;
    QTest::newRow("line feed alone") << file("9.1\n") << UserAnswer::Cancel
                                     << QStringLiteral("最新版本9.1\n，是否更新？") << none;
    QTest::newRow("trailing blank") << file("9.1 \r\n") << UserAnswer::Cancel
                                    << QStringLiteral("最新版本9.1 ，是否更新？") << none;
    QTest::newRow("empty file") << file("") << UserAnswer::Ok << none << none;
    QTest::newRow("error page") << Response{404, "9.9 not found", 0ms, {}, {}} << UserAnswer::Ok << none
                                << none;
    QTest::newRow("unreachable") << Response{200, {}, 0ms, Response::Kind::NeverEnds, {}} << UserAnswer::Ok
                                 << none << none;
}

void PanelAndUpdateTest::updateOfferOnlyForARealDifferentVersion()
{
    QFETCH(Response, file);
    QFETCH(UserAnswer, answer);
    QFETCH(QString, offer);
    QFETCH(QString, opened);
    FormHarness harness(FormHarness::Timer::Stopped, FetchLimits{300ms, 1 << 20});
    harness.answer = answer;
    harness.server().route(QStringLiteral("/veltro/shenji.txt"), file);
    harness.form().Timer1_Timer();

    QCOMPARE(harness.asked.size(), offer.isEmpty() ? 0 : 1);
    if (!offer.isEmpty()) {
        QCOMPARE(harness.asked[0].text, offer);
        QCOMPARE(harness.asked[0].title, QStringLiteral("发现最新版本"));
        QCOMPARE(harness.asked[0].style, UserMessage::Style::Question);
    }
    QCOMPARE(harness.opened.size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(harness.opened[0].toString(), QStringLiteral("http://") + harness.server().host() + opened);
    QVERIFY(!harness.form().Timer1->isActive());
    QVERIFY(harness.form().windowTitle().contains(QStringLiteral("6.0")));
}

void PanelAndUpdateTest::homePageButtonOpensTheBrowser()
{
    FormHarness harness;
    const QString home = QStringLiteral("http://") + harness.server().host() + QStringLiteral("/veltro");
    harness.form().Command6_Click();
    harness.form().Command6_Click();
    QCOMPARE(harness.opened, (QList<QUrl>{QUrl(home), QUrl(home)}));
    QVERIFY(harness.asked.isEmpty());

    harness.browserStarts = false;
    harness.form().Command6_Click();
    QCOMPARE(harness.asked.size(), 1);
    QVERIFY(harness.asked[0].text.contains(home));
}

QTEST_MAIN(PanelAndUpdateTest)
#include "panel_update_test.moc"
