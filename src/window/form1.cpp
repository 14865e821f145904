#include "form1.h"

#include "appicon.h"
#include "chinesefont.h"
#include "product.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>

using Sizing = FormLabel::Sizing;

Form1::Form1(Form1Services services, QWidget *parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_twips(Twips::ofScreen())
{
    substituteSongTi();
    setFont(QFont(QStringLiteral("宋体"), 9));
    setWindowTitle(Product::windowCaption());
    setWindowIcon(appIcon());

    buildAddressRow();
    buildMetaTable();
    buildResultViews();
    buildDensityPanel();
    stackAndChainControls();

    resize(m_twips.toPixels(10920), m_twips.toPixels(4140));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1->start();

    Form_Load();
    Text1->setFocus();
}

void Form1::buildAddressRow()
{
    Label9 = addLabel(this, QStringLiteral("http://"), {840, 240, 840, 210}, Sizing::AutoSize);
    QFont prefixFont = Label9->font();
    prefixFont.setBold(true);
    prefixFont.setPointSizeF(10.5);
    Label9->setFont(prefixFont);

    Text1 = addLineEdit(this, {1800, 120, 4095, 375});
    Command1 = addButton(this, QStringLiteral("查  询"), {6000, 120, 1215, 375});
    Command2 = addButton(this, QStringLiteral("Command2"), {6000, 120, 855, 375});
    Command3 = addButton(this, QStringLiteral("Command3"), {6000, 120, 855, 375});
    Command5 = addButton(this, QStringLiteral("关键词密度查询"), {7320, 120, 1575, 375});
    Command6 = addButton(this, QStringLiteral("访问官网"), {9360, 120, 1455, 375});
    Command8 = addButton(this, QStringLiteral("Command8"), {2040, 4800, 615, 375});
    // The three carriers only carry handlers: hidden, since an enlarged window would show
    // Command8 below the client area, and taking no focus.
    for (QPushButton *carrier : {Command2, Command3, Command8}) {
        carrier->setFocusPolicy(Qt::NoFocus);
        carrier->hide();
    }

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
}

void Form1::buildMetaTable()
{
    Frame1 = new QFrame(this);
    Frame1->setGeometry(m_twips.toPixels(0, 480, 10935, 1455));
    Frame1->setAutoFillBackground(true); // covers the two slots kept out of sight

    // Slot 0 of each array lies on the window itself, under the frame.
    Label1[0] = addLabel(this, QStringLiteral(".."), {1080, 1080, 180, 180}, Sizing::AutoSize);
    Label2[0] = addLabel(this, QStringLiteral(".."), {1200, 960, 180, 180}, Sizing::Fixed);

    const int rowTops[] = {400, 650, 960};
    const int textTops[] = {360, 600, 840};
    const int textHeights[] = {180, 180, 350};
    for (int row = 1; row <= 3; ++row) {
        Label1[row] = addLabel(Frame1, QStringLiteral(".."), {2040, rowTops[row - 1], 180, 180},
                               Sizing::AutoSizeRightAligned);
        Label1[row]->setAlignment(Qt::AlignRight | Qt::AlignTop);
        Label2[row] = addLabel(Frame1, QStringLiteral("..."),
                               {3120, textTops[row - 1], 5895, textHeights[row - 1]}, Sizing::Fixed);
        Label2[row]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        Label1[row]->setShowsPageTexts(true);
        Label2[row]->setShowsPageTexts(true);
    }

    const QString characters = QStringLiteral("个字符");
    Label3[0] = addLabel(Frame1, QStringLiteral("优化建议"), {9480, 150, 780, 180}, Sizing::AutoSize, true);
    Label3[1] = addLabel(Frame1, characters, {2280, 960, 540, 180}, Sizing::AutoSize);
    Label3[2] = addLabel(Frame1, characters, {2280, 650, 540, 180}, Sizing::Fixed);
    Label3[3] = addLabel(Frame1, characters, {2280, 400, 540, 180}, Sizing::AutoSize);
    Label3[4] = addLabel(Frame1, QStringLiteral("字符长度"), {2040, 150, 780, 180}, Sizing::AutoSize, true);
    Label3[5] = addLabel(Frame1, QStringLiteral("关键词(KeyWords)"), {240, 650, 1440, 180}, Sizing::AutoSize);
    Label3[6] = addLabel(Frame1, QStringLiteral("标题(Title)"), {480, 400, 990, 180}, Sizing::AutoSize);
    Label3[7] =
        addLabel(Frame1, QStringLiteral("描述(Description)"), {240, 960, 1530, 180}, Sizing::AutoSize);
    Label3[8] = addLabel(Frame1, QStringLiteral("标签"), {720, 150, 390, 180}, Sizing::AutoSize, true);
    Label3[9] = addLabel(Frame1, QStringLiteral("内容"), {5880, 150, 390, 180}, Sizing::AutoSize, true);
    Label3[10] =
        addLabel(Frame1, QStringLiteral("一般不超过200个字"), {9120, 960, 1530, 180}, Sizing::AutoSize);
    Label3[11] =
        addLabel(Frame1, QStringLiteral("一般不超过100个字"), {9120, 650, 1530, 180}, Sizing::AutoSize);
    Label3[12] =
        addLabel(Frame1, QStringLiteral("一般不超过80个字"), {9120, 400, 1440, 180}, Sizing::AutoSize);

    Label4 = addLabel(Frame1, QStringLiteral("搜索引擎蜘蛛、机器人模拟"), {6870, 1275, 2355, 180},
                      Sizing::AutoSize, true);
    Label4->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label5 =
        addLabel(Frame1, QStringLiteral("网页关键字密度"), {1680, 1280, 1365, 180}, Sizing::AutoSize, true);

    Lines[0] = addLine(Frame1, 120, 120, 120, 1200);
    Lines[1] = addLine(Frame1, 120, 120, 10680, 120);
    Lines[2] = addLine(Frame1, 120, 1200, 10680, 1200);
    Lines[3] = addLine(Frame1, 10680, 120, 10680, 1200);
    Lines[4] = addLine(Frame1, 120, 360, 10680, 360);
    Lines[5] = addLine(Frame1, 120, 600, 10680, 600);
    Lines[6] = addLine(Frame1, 120, 840, 10680, 840);
    Lines[7] = addLine(Frame1, 1800, 120, 1800, 1200);
    Lines[8] = addLine(Frame1, 3120, 120, 3120, 1200);
    Lines[9] = addLine(Frame1, 9000, 120, 9000, 1200);

    // Each caption in its cell of the table (column, row), the headings below it.
    const int columns[] = {120, 1800, 3120, 9000, 10680};
    const int rows[] = {120, 360, 600, 840, 1200};
    const struct
    {
        FormLabel *caption;
        int column;
        int row;
    } cells[] = {
        {Label3[8], 0, 0}, {Label3[4], 1, 0}, {Label3[9], 2, 0}, {Label3[0], 3, 0},  {Label3[6], 0, 1},
        {Label1[1], 1, 1}, {Label3[3], 1, 1}, {Label2[1], 2, 1}, {Label3[12], 3, 1}, {Label3[5], 0, 2},
        {Label1[2], 1, 2}, {Label3[2], 1, 2}, {Label2[2], 2, 2}, {Label3[11], 3, 2}, {Label3[7], 0, 3},
        {Label1[3], 1, 3}, {Label3[1], 1, 3}, {Label2[3], 2, 3}, {Label3[10], 3, 3},
    };
    for (const auto &[caption, column, row] : cells)
        keepInCell({caption},
                   {QPoint(columns[column], rows[row]), QPoint(columns[column + 1], rows[row + 1])});
    keepInCell({Label4, Label5}, {QPoint(0, 1200), QPoint(10935, 1455)});
}

void Form1::buildResultViews()
{
    m_keywords = new QStandardItemModel(this);
    ListView1 = new QTreeView(this);
    ListView1->setModel(m_keywords);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionsMovable(false); // the columns keep their order
    ListView1->header()->setMinimumSectionSize(8); // the number column is narrower than the default
    ListView1->setGeometry(m_twips.toPixels(120, 1920, 5175, 2055));

    Text2 = new LongTextEdit(this);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setTabChangesFocus(true);
    Text2->setGeometry(m_twips.toPixels(5400, 1920, 5415, 2055));
}

void Form1::buildDensityPanel()
{
    Frame2 = new QFrame(this);
    Frame2->setGeometry(m_twips.toPixels(120, 1700, 10695, 2295));
    Frame2->setFrameShape(QFrame::StyledPanel);
    Frame2->setAutoFillBackground(true); // covers the results while it is open

    Text3 = addLineEdit(Frame2, {1440, 360, 2175, 375});
    Text4 = addLineEdit(Frame2, {4920, 360, 3375, 375});
    Command4 = addButton(Frame2, QStringLiteral("查 询"), {8520, 360, 1095, 375});
    Command7 = addButton(Frame2, QStringLiteral("隐藏"), {9720, 360, 855, 375});
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);

    Label8 =
        addLabel(Frame2, QStringLiteral("关键词密度检测"), {4560, 120, 1365, 180}, Sizing::AutoSize, true);
    Label6[0] =
        addLabel(Frame2, QStringLiteral("页面文本总长度："), {360, 960, 1560, 180}, Sizing::AutoSize, true);
    Label6[1] =
        addLabel(Frame2, QStringLiteral("密度建议值："), {6120, 1920, 1170, 180}, Sizing::AutoSize, true);
    Label6[2] =
        addLabel(Frame2, QStringLiteral("密度结果计算："), {5925, 1440, 1365, 180}, Sizing::AutoSize, true);
    Label6[3] =
        addLabel(Frame2, QStringLiteral("关键字符总长度："), {5760, 960, 1560, 180}, Sizing::AutoSize, true);
    Label6[4] =
        addLabel(Frame2, QStringLiteral("关键字出现频率："), {360, 1920, 1560, 180}, Sizing::AutoSize, true);
    Label6[5] =
        addLabel(Frame2, QStringLiteral("关键字符串长度："), {360, 1440, 1560, 180}, Sizing::AutoSize, true);
    Label6[6] = addLabel(Frame2, QStringLiteral("网页网址："), {3960, 480, 1695, 375}, Sizing::Fixed);
    Label6[7] = addLabel(Frame2, QStringLiteral("关键词："), {720, 480, 1695, 375}, Sizing::Fixed);

    const QPoint slots[] = {{7680, 1920}, {2160, 960}, {2160, 1440}, {2160, 1920}, {7680, 960}, {7680, 1440}};
    for (int slot = 0; slot < 6; ++slot)
        Label7[slot] =
            addLabel(Frame2, QStringLiteral(".."), {slots[slot], QSize(180, 180)}, Sizing::AutoSize);
    for (FormLabel *figure : Label7)
        figure->setShowsPageTexts(true);

    Lines[10] = addLine(Frame2, 0, 840, 0, 2160);
    Lines[11] = addLine(Frame2, 0, 840, 10560, 840);
    Lines[12] = addLine(Frame2, 10560, 840, 10560, 2160);
    Lines[13] = addLine(Frame2, 0, 2160, 10560, 2160);
    Lines[14] = addLine(Frame2, 0, 1320, 10560, 1320);
    Lines[15] = addLine(Frame2, 0, 1800, 10560, 1800);
    Lines[16] = addLine(Frame2, 5160, 840, 5160, 2160);

    // Each caption and its figure in their cell of the two columns.
    keepInCell({Label6[0], Label7[1]}, {QPoint(0, 840), QPoint(5160, 1320)});
    keepInCell({Label6[3], Label7[4]}, {QPoint(5160, 840), QPoint(10560, 1320)});
    keepInCell({Label6[5], Label7[2]}, {QPoint(0, 1320), QPoint(5160, 1800)});
    keepInCell({Label6[2], Label7[5]}, {QPoint(5160, 1320), QPoint(10560, 1800)});
    keepInCell({Label6[4], Label7[3]}, {QPoint(0, 1800), QPoint(5160, 2160)});
    keepInCell({Label6[1], Label7[0]}, {QPoint(5160, 1800), QPoint(10560, 2160)});
}

void Form1::keepInCell(std::initializer_list<FormLabel *> captions, const QRect &gridLinesInTwips)
{
    const QRect lines(
        QPoint(m_twips.toPixels(gridLinesInTwips.left()), m_twips.toPixels(gridLinesInTwips.top())),
        QPoint(m_twips.toPixels(gridLinesInTwips.right()), m_twips.toPixels(gridLinesInTwips.bottom())));
    for (FormLabel *caption : captions)
        caption->keepInside(lines);
}

void Form1::stackAndChainControls()
{
    // Each container's controls, top of the stack first: each one goes below all before it.
    const QList<QWidget *> onWindow = {Frame2,   Frame1, Command8, Command6, Command5,  ListView1, Text2,
                                       Command1, Text1,  Command2, Command3, Label1[0], Label2[0], Label9};
    QList<QWidget *> inFrame1 = {Label4, Label5, Label3[3], Label3[2], Label3[1]};
    for (int line = 9; line >= 0; --line)
        inFrame1 << Lines[line];
    inFrame1 << Label3[12] << Label3[11] << Label3[10] << Label3[9] << Label3[8] << Label3[7] << Label3[6]
             << Label3[5] << Label3[4] << Label3[0] << Label2[3] << Label1[3] << Label2[2] << Label2[1]
             << Label1[2] << Label1[1];
    QList<QWidget *> inFrame2 = {Command7, Command4, Text4, Text3, Label8};
    for (int line = 16; line >= 10; --line)
        inFrame2 << Lines[line];
    for (int slot = 5; slot >= 0; --slot)
        inFrame2 << Label7[slot];
    for (int caption = 7; caption >= 0; --caption)
        inFrame2 << Label6[caption];
    for (const QList<QWidget *> &container : {onWindow, inFrame1, inFrame2})
        for (QWidget *control : container)
            control->lower();

    const QList<QWidget *> tabOrder = {Text1, Command1, Text2,    ListView1, Text3,
                                       Text4, Command4, Command5, Command6,  Command7};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

FormLabel *Form1::addLabel(QWidget *container, const QString &caption, QRect twipsRect,
                           FormLabel::Sizing sizing, bool bold)
{
    const QRect design =
        m_twips.toPixels(twipsRect.x(), twipsRect.y(), twipsRect.width(), twipsRect.height());
    auto *label = new FormLabel(caption, sizing, design, container);
    if (bold) {
        QFont boldFont = label->font();
        boldFont.setBold(true);
        label->setFont(boldFont);
    }
    return label;
}

QPushButton *Form1::addButton(QWidget *container, const QString &caption, QRect twipsRect)
{
    auto *button = new QPushButton(caption, container);
    button->setAutoDefault(true); // Enter presses a focused button, as Space does
    button->setGeometry(
        m_twips.toPixels(twipsRect.x(), twipsRect.y(), twipsRect.width(), twipsRect.height()));
    return button;
}

QLineEdit *Form1::addLineEdit(QWidget *container, QRect twipsRect)
{
    auto *edit = new QLineEdit(container);
    edit->setGeometry(m_twips.toPixels(twipsRect.x(), twipsRect.y(), twipsRect.width(), twipsRect.height()));
    return edit;
}

GridLine *Form1::addLine(QWidget *container, int x1, int y1, int x2, int y2)
{
    return new GridLine(
        QLine(m_twips.toPixels(x1), m_twips.toPixels(y1), m_twips.toPixels(x2), m_twips.toPixels(y2)),
        container);
}

void Form1::Form_Load()
{
    Frame2->hide();
}

void Form1::Command5_Click()
{
    Frame2->show();
}

void Form1::Command7_Click()
{
    Frame2->hide();
}

void Form1::closeEvent(QCloseEvent *event)
{
    bool cancel = false;
    Form_Unload(cancel);
    event->setAccepted(!cancel);
}

void Form1::Form_Unload(bool &cancel)
{
    const UserAnswer answer =
        m_services.ask({QStringLiteral("真的退出吗?"), QStringLiteral("退出"), UserMessage::Style::Question});
    if (answer != UserAnswer::Ok) {
        cancel = true;
        return;
    }
    // From here on no handler writes anything, whatever is still waiting below us, and
    // the window is gone at once, whatever the program still has to stop.
    m_ending = true;
    Timer1->stop();
    hide();
    m_services.endProgram();
}

void Form1::notify(const QString &text)
{
    m_services.ask({text, Product::applicationTitle(), UserMessage::Style::Notice});
}

FetchResult Form1::fetch(const QString &url) const
{
    return fetchPage(url, m_services.fetchLimits);
}

bool Form1::resumes(const LatestRun &runs, LatestRun::Ticket ticket) const
{
    return !m_ending && runs.isLatest(ticket);
}

QString Form1::whyNoResult(const FetchResult &page) const
{
    switch (page.outcome) {
    case FetchResult::Outcome::Completed:
        if (page.httpStatus == 414)
            return QStringLiteral("网址太长，分析服务无法处理，请缩短网址后再试。");
        if (page.httpStatus == 503)
            return QStringLiteral("分析服务繁忙，请稍后再试。");
        if (page.httpStatus >= 500)
            return QStringLiteral("分析服务出错（HTTP %1），请稍后再试。").arg(page.httpStatus);
        return QStringLiteral("分析服务没有返回这个页面的蜘蛛视图。");
    case FetchResult::Outcome::TooLarge:
        return QStringLiteral("分析结果超过 %1 MiB，无法显示。")
            .arg(m_services.fetchLimits.maxBodyBytes >> 20);
    case FetchResult::Outcome::TimedOut:
        return QStringLiteral("分析服务在 %1 秒内没有回应，请稍后再试。")
            .arg(std::chrono::duration_cast<std::chrono::seconds>(m_services.fetchLimits.timeout).count());
    case FetchResult::Outcome::Failed:
        break;
    }
    const QString trouble = m_services.siteTrouble();
    return trouble.isEmpty() ? QStringLiteral("无法连接分析服务，请稍后再试。") : trouble;
}

void Form1::markUnanswered(std::span<FormLabel *const> slots, const FetchResult &page)
{
    QString why;
    switch (page.outcome) {
    case FetchResult::Outcome::Completed:
        why = QStringLiteral("未取得结果");
        break;
    case FetchResult::Outcome::TimedOut:
        why = QStringLiteral("查询超时");
        break;
    case FetchResult::Outcome::TooLarge:
        why = QStringLiteral("结果过大");
        break;
    case FetchResult::Outcome::Failed:
        why = QStringLiteral("连接失败");
        break;
    }
    for (FormLabel *slot : slots)
        if (slot->text() == QStringLiteral("正在查询"))
            slot->setCaption(why);
}

void Form1::siteRestarted()
{
    // Only the trouble as it was shown is taken back: a later result, or anything the user
    // has typed there, stays.
    if (!m_ending && !m_troubleShown.isEmpty()
        && Text2->document()->characterCount() == m_troubleShown.size() + 1
        && Text2->toPlainText() == m_troubleShown)
        Text2->showText(QStringLiteral("分析服务已重新启动，请重新查询。"));
    m_troubleShown.clear();
}
