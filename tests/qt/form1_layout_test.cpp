#include "support/formharness.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

// Where the window's design puts its controls, in twips of their containers.
class Form1LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void controlsStandWhereTheDesignPutsThem();
    void captionsAndFonts();
    void gridLinesAreLightGrey();
    void stackingHidesTheCarriersAndSlotZero();
    void tabOrderFollowsTheDesign();
    void startState();
    void autoSizedCaptionsFollowTheirText();
    void resizingMovesNothing();

private:
    QRect px(int left, int top, int width, int height) const
    {
        return m_harness->form().twips().toPixels(left, top, width, height);
    }
    std::unique_ptr<FormHarness> m_harness;
};

void Form1LayoutTest::initTestCase()
{
    m_harness = std::make_unique<FormHarness>();
    QCOMPARE(m_harness->form().twips().perPixel(), 15.0); // the offscreen screen is 96 dpi
}

void Form1LayoutTest::controlsStandWhereTheDesignPutsThem()
{
    Form1 &f = m_harness->form();
    const QList<std::pair<QWidget *, QRect>> expected = {
        {f.Text1, px(1800, 120, 4095, 375)},      {f.Command1, px(6000, 120, 1215, 375)},
        {f.Command2, px(6000, 120, 855, 375)},    {f.Command5, px(7320, 120, 1575, 375)},
        {f.Command6, px(9360, 120, 1455, 375)},   {f.Command8, px(2040, 4800, 615, 375)},
        {f.Frame1, px(0, 480, 10935, 1455)},      {f.Frame2, px(120, 1700, 10695, 2295)},
        {f.ListView1, px(120, 1920, 5175, 2055)}, {f.Text2, px(5400, 1920, 5415, 2055)},
        {f.Text3, px(1440, 360, 2175, 375)},      {f.Text4, px(4920, 360, 3375, 375)},
        {f.Command4, px(8520, 360, 1095, 375)},   {f.Command7, px(9720, 360, 855, 375)},
    };
    for (const auto &[control, rect] : expected)
        QCOMPARE(control->geometry(), rect);

    QCOMPARE(f.Text3->parentWidget(), f.Frame2);
    QCOMPARE(f.Label2[3]->parentWidget(), f.Frame1);
    QCOMPARE(f.Label2[0]->parentWidget(), &f);
    QCOMPARE(f.Label7[5]->parentWidget(), f.Frame2);

    // Fixed captions keep their designed width and column; their last line ends where designed.
    const QRect description = px(3120, 840, 5895, 350);
    QCOMPARE(f.Label2[3]->x(), description.x());
    QCOMPARE(f.Label2[3]->width(), description.width());
    QCOMPARE(f.Label2[3]->geometry().bottom(), description.bottom());
    QCOMPARE(f.Label6[7]->geometry().bottom(), px(720, 480, 1695, 375).bottom());
    QCOMPARE(f.size(), QSize(728, 276));
}

void Form1LayoutTest::captionsAndFonts()
{
    Form1 &f = m_harness->form();
    QCOMPARE(f.Command1->text(), QStringLiteral("查  询"));
    QCOMPARE(f.Command4->text(), QStringLiteral("查 询"));
    QCOMPARE(f.Label3[7]->text(), QStringLiteral("描述(Description)")); // ASCII parentheses here
    QCOMPARE(f.Label6[0]->text(), QStringLiteral("页面文本总长度：")); // full-width colon
    QVERIFY(f.windowTitle().contains(QStringLiteral("6.0")));

    QCOMPARE(f.font().family(), QStringLiteral("宋体"));
    QCOMPARE(f.font().pointSize(), 9);
    for (QLabel *bold : {f.Label4, f.Label5, f.Label8, f.Label3[0], f.Label3[4], f.Label3[8], f.Label3[9],
                         f.Label6[0], f.Label6[5]})
        QVERIFY2(bold->font().bold(), qPrintable(bold->text()));
    for (QLabel *regular : {f.Label3[5], f.Label3[12], f.Label2[1], f.Label7[0], f.Label6[6]})
        QVERIFY2(!regular->font().bold(), qPrintable(regular->text()));
    QCOMPARE(f.Label9->font().pointSizeF(), 10.5);
    QVERIFY(f.Label9->font().bold());
    QVERIFY(!f.windowIcon().isNull());
    QCOMPARE(f.windowIcon().availableSizes().size(), 4);
}

void Form1LayoutTest::gridLinesAreLightGrey()
{
    Form1 &f = m_harness->form();
    QCOMPARE(f.Lines.size(), 17u);
    QCOMPARE(f.Lines[0]->line(), QLine(8, 8, 8, 80)); // Line1, left edge of the meta table
    QCOMPARE(f.Lines[9]->line(), QLine(600, 8, 600, 80)); // Line10, before the advice column
    QCOMPARE(f.Lines[16]->line(), QLine(344, 56, 344, 144)); // Line17, between the density columns
    for (int i = 0; i < 17; ++i)
        QCOMPARE(f.Lines[i]->parentWidget(), i < 10 ? f.Frame1 : f.Frame2);

    f.Command5_Click();
    f.show();
    const QImage image = f.grab().toImage();
    QCOMPARE(image.pixelColor(f.Frame1->mapTo(&f, QPoint(8, 40))), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(image.pixelColor(f.Frame2->mapTo(&f, QPoint(100, 56))), QColor(0xC0, 0xC0, 0xC0));
    f.Command7_Click();
}

void Form1LayoutTest::stackingHidesTheCarriersAndSlotZero()
{
    Form1 &f = m_harness->form();
    const QList<QObject *> window = f.children();
    auto above = [&window](QWidget *upper, QWidget *lower) {
        return window.indexOf(upper) > window.indexOf(lower); // later children paint on top
    };
    QVERIFY(above(f.Command1, f.Command2));
    QVERIFY(above(f.Command1, f.Command3));
    QVERIFY(above(f.Frame1, f.Label1[0]));
    QVERIFY(above(f.Frame1, f.Label2[0]));
    QVERIFY(above(f.Frame2, f.ListView1));
    QVERIFY(above(f.Frame2, f.Text2));
    QVERIFY(above(f.Frame2, f.Frame1)); // Label4 and Label5 live in Frame1
    const QList<QObject *> panel = f.Frame2->children();
    QVERIFY(panel.indexOf(f.Text3) > panel.indexOf(f.Label6[7]));
    QVERIFY(panel.indexOf(f.Text4) > panel.indexOf(f.Label6[6]));
    QVERIFY(f.Frame1->autoFillBackground());
    QVERIFY(f.Frame2->autoFillBackground());
}

void Form1LayoutTest::tabOrderFollowsTheDesign()
{
    Form1 &f = m_harness->form();
    f.show();
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
    QCOMPARE(walk(6), (QList<QWidget *>{f.Text1, f.Command1, f.Text2, f.ListView1, f.Command5, f.Command6}));
    f.Command5_Click();
    QCOMPARE(walk(11),
             (QList<QWidget *>{f.Text1, f.Command1, f.Text2, f.ListView1, f.Text3, f.Text4, f.Command4,
                               f.Command5, f.Command6, f.Command7, f.Text1}));
    f.Command7_Click();
}

void Form1LayoutTest::startState()
{
    FormHarness fresh;
    Form1 &f = fresh.form();
    QVERIFY(f.Frame2->isHidden());
    QVERIFY(f.Timer1->interval() == 1000);
    QCOMPARE(f.Text1->text(), QString());
    QCOMPARE(f.Text2->toPlainText(), QString());
    QCOMPARE(f.ListView1->model()->columnCount(), 0);
    QCOMPARE(f.ListView1->model()->rowCount(), 0);
    for (int slot = 0; slot < 4; ++slot)
        QCOMPARE(f.Label1[slot]->text(), QStringLiteral(".."));
    QCOMPARE(f.Label2[0]->text(), QStringLiteral(".."));
    QCOMPARE(f.Label2[1]->text(), QStringLiteral("..."));
    for (QLabel *slot : f.Label7)
        QCOMPARE(slot->text(), QStringLiteral(".."));
    f.show();
    QCOMPARE(QApplication::focusWidget() == f.Text1 || f.focusWidget() == f.Text1, true);
}

void Form1LayoutTest::autoSizedCaptionsFollowTheirText()
{
    Form1 &f = m_harness->form();
    FormLabel *length = f.Label1[1];
    const int right = length->geometry().right();
    length->setCaption(QStringLiteral("123456"));
    QCOMPARE(length->geometry().right(), right); // stays against "个字符"
    QCOMPARE(length->width(), length->sizeHint().width());
    QVERIFY(length->geometry().right() < f.Label3[3]->x());
    length->setCaption(QStringLiteral(".."));

    // A fixed caption keeps its box whatever it is given.
    const QRect box = f.Label2[1]->geometry();
    f.Label2[1]->setCaption(QString(500, QChar(u'长')));
    QCOMPARE(f.Label2[1]->geometry(), box);
    f.Label2[1]->setCaption(QStringLiteral("..."));
}

void Form1LayoutTest::resizingMovesNothing()
{
    Form1 &f = m_harness->form();
    const QRect before = f.Text2->geometry();
    f.resize(1000, 600);
    QCOMPARE(f.Text2->geometry(), before);
    f.resize(728, 276);
}

QTEST_MAIN(Form1LayoutTest)
#include "form1_layout_test.moc"
