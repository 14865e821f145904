#pragma once

#include "form1services.h"
#include "formlabel.h"
#include "gridline.h"
#include "latestrun.h"
#include "longtextedit.h"
#include "twips.h"

#include <QWidget>

#include <array>
#include <span>

class QFrame;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTimer;
class QTreeView;

// The tool's one window. Every control keeps its design name, and every handler is
// named after its control and event. The handlers of the queries and of the update
// check live beside their subjects (queries/, update/).
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(Form1Services services, QWidget *parent = nullptr);

    // The address row.
    FormLabel *Label9;
    QLineEdit *Text1;
    QPushButton *Command1;
    QPushButton *Command2; // carries the keyword table, under Command1
    QPushButton *Command3; // carries the meta tag analysis, under Command1
    QPushButton *Command5;
    QPushButton *Command6;
    QPushButton *Command8; // carries the update check, below the client area

    // The meta tag table.
    QFrame *Frame1;
    std::array<FormLabel *, 4> Label1; // lengths; slot 0 lies out of sight
    std::array<FormLabel *, 4> Label2; // tag texts; slot 0 lies out of sight
    std::array<FormLabel *, 13> Label3;
    FormLabel *Label4;
    FormLabel *Label5;

    // The results of a query.
    QTreeView *ListView1;
    LongTextEdit *Text2;

    // The keyword density panel.
    QFrame *Frame2;
    QLineEdit *Text3;
    QLineEdit *Text4;
    QPushButton *Command4;
    QPushButton *Command7;
    std::array<FormLabel *, 8> Label6;
    std::array<FormLabel *, 6> Label7;
    FormLabel *Label8;

    std::array<GridLine *, 17> Lines; // Lines[0] is Line1
    QTimer *Timer1;

public Q_SLOTS:
    void Form_Load();
    void Form_Unload(bool &cancel);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Timer1_Timer();
    // The bundled analysis service died and answers again (AnalysisService::restarted).
    void siteRestarted();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildAddressRow();
    void buildMetaTable();
    void buildResultViews();
    void buildDensityPanel();
    void stackAndChainControls();
    FormLabel *addLabel(QWidget *container, const QString &caption, QRect twipsRect, FormLabel::Sizing sizing,
                        bool bold = false);
    QPushButton *addButton(QWidget *container, const QString &caption, QRect twipsRect);
    QLineEdit *addLineEdit(QWidget *container, QRect twipsRect);
    GridLine *addLine(QWidget *container, int x1, int y1, int x2, int y2);
    // Keeps each caption's ink inside the cell whose grid lines are given, in twips of
    // their container.
    void keepInCell(std::initializer_list<FormLabel *> captions, const QRect &gridLinesInTwips);

    void notify(const QString &text);
    FetchResult fetch(const QString &url) const;
    // Whether a run that has just waited may still write its results.
    bool resumes(const LatestRun &runs, LatestRun::Ticket ticket) const;
    // The slots still saying "querying" once a query has ended say why instead.
    void markUnanswered(std::span<FormLabel *const> slots, const FetchResult &page);
    // Why a page of the analysis site brought no result, for the spider view.
    QString whyNoResult(const FetchResult &page) const;

    bool showMetaTags(const QString &address, LatestRun::Ticket ticket);
    bool showSpiderText(const QString &address, LatestRun::Ticket ticket);
    void showKeywordTable(const QString &address, LatestRun::Ticket ticket);

    Form1Services m_services;
    Twips m_twips;
    QStandardItemModel *m_keywords;
    LatestRun m_pageQueries;
    LatestRun m_densityChecks;
    QString m_troubleShown; // the service's trouble, while the spider view shows it
    bool m_ending = false;
};
