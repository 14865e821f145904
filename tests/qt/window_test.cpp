// The window as its user meets it: what it shows at start, the keyboard, the panel, the
// captions' legibility and quitting.
#include "support/formharness.h"
#include "support/sitepages.h"
#include "window/qttranslations.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;

namespace {

// Widgets painted alone, where the window shows them, at a device pixel ratio: the image
// is in device pixels of the whole window.
template<typename Widget>
QImage paintedAlone(const QList<Widget *> &widgets, Form1 &window, qreal ratio)
{
    QImage image((QSizeF(window.size()) * ratio).toSize(), QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    for (QWidget *widget : widgets)
        widget->render(&image, widget->mapTo(&window, QPoint()), QRegion(), QWidget::RenderFlags());
    return image;
}

int alphaAt(const QImage &image, int x, int y)
{
    return image.rect().contains(x, y) ? qAlpha(image.pixel(x, y)) : 0;
}

// Visible ink is more than a quarter opaque.
bool rowHasInk(const QImage &image, int y)
{
    for (int x = 0; x < image.width(); ++x)
        if (alphaAt(image, x, y) > 64)
            return true;
    return false;
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAsDesigned();
    void panelAndKeysReachEveryControl();
    void captionsAreWholeAndClearOfTheGrid_data();
    void captionsAreWholeAndClearOfTheGrid();
    void qtsOwnTextsAreChinese();
    void quitQuestion_data();
    void quitQuestion();
    void quitWhileAFetchWaitsWritesNothingAfterIt();
    // Last: once the application has been told to exit, no event loop runs again.
    void quitLeavesAWaitingFetchAtOnce();
};

void WindowTest::startsAsDesigned()
{
    FormHarness harness;
    Form1 &f = harness.shownForm();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.size(), QSize(728, 276)); // the panel starts hidden: the first keyboard walk skips it
    QCOMPARE(QApplication::focusWidget(), f.Text1);
    QCOMPARE(f.ListView1->model()->columnCount(), 0);
    QCOMPARE(captions(f.Label1), QStringList(4, u".."_s));
    QCOMPARE(captions(f.Label2), (QStringList{u".."_s, u"..."_s, u"..."_s, u"..."_s}));
    QCOMPARE(captions(f.Label7), QStringList(6, u".."_s));
    // Captions where a look-alike would pass unnoticed: blanks, ASCII and full-width marks.
    QCOMPARE(f.Command1->text(), u"查  询"_s);
    QCOMPARE(f.Command4->text(), u"查 询"_s);
    QCOMPARE(f.Label3[7]->text(), u"描述(Description)"_s);
    QCOMPARE(f.Label6[0]->text(), u"页面文本总长度："_s);
    QVERIFY(f.windowTitle().contains(u"6.0"_s));
    QCOMPARE(f.font().family(), u"宋体"_s);
    QCOMPARE(f.font().pointSize(), 9);

    // The table lies over the two slots kept out of sight; the carriers under the query
    // button only carry handlers: however large the window is made, the user never sees
    // them. Resizing moves nothing.
    QVERIFY(f.childAt(f.Label2[0]->geometry().center()) != f.Label2[0]);
    for (QPushButton *carrier : {f.Command2, f.Command3, f.Command8})
        QVERIFY2(carrier->isHidden(), qPrintable(carrier->text()));
    const QRect spiderView = f.Text2->geometry();
    f.resize(1000, 600);
    QCOMPARE(f.Text2->geometry(), spiderView);
}

void WindowTest::panelAndKeysReachEveryControl()
{
    FormHarness harness;
    Form1 &f = harness.shownForm();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    auto walk = [&f](int steps) {
        QList<QWidget *> visited;
        f.Text1->setFocus();
        for (int i = 0; i < steps; ++i) {
            visited.append(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return visited;
    };
    QCOMPARE(walk(7),
             (QList<QWidget *>{f.Text1, f.Command1, f.Text2, f.ListView1, f.Command5, f.Command6, f.Text1}));
    QTest::keyClick(f.Command5, Qt::Key_Return); // Enter presses a focused button ...
    QVERIFY(f.Frame2->isVisible());
    QCOMPARE(walk(11),
             (QList<QWidget *>{f.Text1, f.Command1, f.Text2, f.ListView1, f.Text3, f.Text4, f.Command4,
                               f.Command5, f.Command6, f.Command7, f.Text1}));
    QTest::keyClick(f.Command7, Qt::Key_Space); // ... and so does Space
    QVERIFY(!f.Frame2->isVisible());

    // The panel covers the results and keeps its contents while hidden.
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    for (QWidget *covered : std::initializer_list<QWidget *>{f.ListView1, f.Text2})
        QVERIFY(f.Frame2->isAncestorOf(f.childAt(covered->geometry().center())));
    QTest::keyClicks(f.Text3, u"seo"_s);
    QTest::mouseClick(f.Command5, Qt::LeftButton); // a second click changes nothing
    QVERIFY(f.Frame2->isVisible());
    QTest::mouseClick(f.Command7, Qt::LeftButton);
    QCOMPARE(f.childAt(f.Text2->geometry().center()), f.Text2->viewport());
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    QCOMPARE(f.Text3->text(), u"seo"_s);
}

void WindowTest::captionsAreWholeAndClearOfTheGrid_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("1.5x") << 1.5;
    QTest::newRow("2x") << 2.0;
}

// The face standing in for 宋体 is taller than the design's 12-pixel lines: at every device
// pixel ratio, no caption may lose a descender or comma to its own edge, nor touch a grid
// line: a free pixel stays between them. The description's cell is two lines tall, and a
// long description fills both.
void WindowTest::captionsAreWholeAndClearOfTheGrid()
{
    QFETCH(qreal, ratio);
    FormHarness harness;
    Form1 &f = harness.form();
    for (FormLabel *value : f.Label2)
        value->setCaption(u"网站优化,SEO gjpqy (标题) Title"_s.repeated(4));
    for (FormLabel *value : f.Label1)
        value->setCaption(u"123"_s);
    for (FormLabel *value : f.Label7)
        value->setCaption(u"12,gjy%"_s);
    f.Command5_Click();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));

    const QImage lines = paintedAlone(f.findChildren<GridLine *>(), f, ratio);
    for (FormLabel *label : f.Frame1->findChildren<FormLabel *>() + f.Frame2->findChildren<FormLabel *>()) {
        const QImage ink = paintedAlone(QList{label}, f, ratio);
        const QRect box(label->mapTo(&f, QPoint()), label->size());
        const QByteArray name = label->text().left(20).toUtf8();
        int inked = 0;
        for (int y = 0; y < ink.height(); ++y)
            for (int x = 0; x < ink.width(); ++x) {
                if (alphaAt(ink, x, y) <= 64)
                    continue;
                ++inked;
                // Ink on the top or bottom row of its own box has been cut there.
                QVERIFY2(y > qRound(box.top() * ratio) && y < qRound((box.bottom() + 1) * ratio) - 1,
                         name.constData());
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        QVERIFY2(alphaAt(lines, x + dx, y + dy) == 0,
                                 qPrintable(u"%1 at (%2, %3)"_s.arg(QString::fromUtf8(name)).arg(x).arg(y)));
            }
        QVERIFY2(inked > 0, name.constData());
    }

    f.Label2[3]->setCaption(u"网站优化分析助手检查网页标题关键词和描述"_s.repeated(20));
    const QImage description = paintedAlone(QList{f.Label2[3]}, f, ratio);
    int lineCount = 0;
    for (int y = 0; y < description.height(); ++y)
        lineCount += rowHasInk(description, y) && !rowHasInk(description, y - 1);
    QCOMPARE(lineCount, 2);
    // A description of one line keeps the design's size.
    f.Label2[3]->setCaption(u"网站优化分析助手"_s);
    QCOMPARE(QFontInfo(f.Label2[3]->font()).pixelSize(), QFontInfo(f.font()).pixelSize());
}

// The buttons of the quit question and the edit menu of the text boxes, as the program
// has them once it has loaded Qt's translations.
void WindowTest::qtsOwnTextsAreChinese()
{
    QVERIFY(installQtChineseTranslations(*QCoreApplication::instance()));
    QMessageBox question(QMessageBox::Question, u"退出"_s, u"真的退出吗?"_s,
                         QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(question.button(QMessageBox::Ok)->text(), u"确定"_s);
    QCOMPARE(question.button(QMessageBox::Cancel)->text(), u"取消"_s);

    FormHarness harness;
    const std::unique_ptr<QMenu> addressMenu(harness.form().Text1->createStandardContextMenu());
    const std::unique_ptr<QMenu> spiderMenu(harness.form().Text2->createStandardContextMenu());
    for (const QMenu *menu : {addressMenu.get(), spiderMenu.get()}) {
        QStringList items; // without their shortcuts
        for (const QAction *action : menu->actions())
            items.append(action->text().section(u'\t', 0, 0));
        QCOMPARE(items.value(0), u"撤消(&U)"_s);
        QVERIFY2(items.contains(u"复制(&C)"_s) && items.contains(u"全选"_s), qPrintable(items.join(u' ')));
    }
}

void WindowTest::quitQuestion_data()
{
    QTest::addColumn<UserAnswer>("answer");
    QTest::newRow("cancel keeps the window") << UserAnswer::Cancel;
    QTest::newRow("ok ends the program") << UserAnswer::Ok;
}

void WindowTest::quitQuestion()
{
    QFETCH(UserAnswer, answer);
    const bool ends = answer == UserAnswer::Ok;
    FormHarness harness(FormHarness::Timer::Running);
    harness.answer = answer;
    Form1 &f = harness.shownForm();
    QCOMPARE(f.close(), ends);
    QCOMPARE(harness.asked, QStringList{u"退出|真的退出吗?|question"_s});
    QCOMPARE(harness.endRequests, ends ? 1 : 0);
    QCOMPARE(f.isVisible(), !ends);
    QCOMPARE(f.Timer1->isActive(), !ends);
}

// Closes the window while a density check waits `delay` for its page.
static void quitWhileADensityCheckWaits(FormHarness &harness, std::chrono::milliseconds delay)
{
    harness.server().route(u"/Tools/Density.aspx"_s,
                           Response::page(SitePages::density({u"1"_s})).after(delay));
    Form1 &f = harness.shownForm();
    f.Text3->setText(u"k"_s);
    f.Text4->setText(u"u"_s);
    QTimer::singleShot(50ms, &f, [&f] {
        f.close();
        QVERIFY(!f.isVisible()); // gone at once, whatever is still waiting
    });
    f.Command4_Click();
}

void WindowTest::quitWhileAFetchWaitsWritesNothingAfterIt()
{
    FormHarness harness;
    quitWhileADensityCheckWaits(harness, 300ms);
    QCOMPARE(harness.endRequests, 1);
    QCOMPARE(captions(harness.form().Label7), QStringList(6, u"正在查询"_s));
}

void WindowTest::quitLeavesAWaitingFetchAtOnce()
{
    FormHarness harness;
    harness.alsoOnEnd = [] { QCoreApplication::exit(0); }; // as the program does
    QElapsedTimer clock;
    clock.start();
    quitWhileADensityCheckWaits(harness, 5s);
    QVERIFY2(clock.elapsed() < 2000, "the fetch waited for its page after the answer OK");
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
