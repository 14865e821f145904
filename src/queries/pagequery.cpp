// The page query: the meta tag table, the spider view and the keyword table of one
// address, each cut out of the analysis site's pages.

#include "keywordtable.h"
#include "metatags.h"
#include "siteaddress.h"
#include "spidertext.h"
#include "window/form1.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>

namespace {

// What a keyword table cell shows at most: far more than its column can show, and short
// enough for the view to lay out at every repaint (it lays out a cell's text whole, so a
// keyword of 100,000 letters took a tenth of a second at each click).
constexpr qsizetype kCellShown = 256;
// Its tool tip shows a little more, in lines, since a tool tip does not wrap plain text.
constexpr qsizetype kTipLineLength = 64;
constexpr qsizetype kTipLines = 8;

// `length`, or one less should it end between the two halves of a surrogate pair.
qsizetype wholeCharacters(const QString &text, qsizetype length)
{
    return length < text.size() && text.at(length).isLowSurrogate() ? length - 1 : length;
}

QStandardItem *keywordCell(const QString &text)
{
    auto *cell = new QStandardItem;
    if (text.size() <= kCellShown) {
        cell->setText(text);
        return cell;
    }
    cell->setText(text.first(wholeCharacters(text, kCellShown)) + u'…');
    QString tip;
    qsizetype at = 0;
    while (at < text.size() && at < kTipLineLength * kTipLines) {
        const qsizetype end = wholeCharacters(text, std::min(at + kTipLineLength, text.size()));
        if (at > 0)
            tip += u'\n';
        tip += QStringView(text).sliced(at, end - at);
        at = end;
    }
    if (at < text.size())
        tip += u'…';
    cell->setToolTip(tip);
    return cell;
}

} // namespace

void Form1::Command1_Click()
{
    // One query, one address: edits made while it waits belong to the next query.
    const QString address = Text1->text();
    if (address.isEmpty()) {
        notify(QStringLiteral("请输入查询地址"));
        return;
    }
    const LatestRun::Ticket ticket = m_pageQueries.begin();
    for (int slot = 0; slot < 4; ++slot) {
        Label1[slot]->setCaption(QStringLiteral(".."));
        Label2[slot]->setCaption(QStringLiteral("正在查询"));
    }
    if (showMetaTags(address, ticket) && showSpiderText(address, ticket))
        showKeywordTable(address, ticket);
}

void Form1::Command3_Click()
{
    showMetaTags(Text1->text(), m_pageQueries.begin());
}

void Form1::Command2_Click()
{
    showKeywordTable(Text1->text(), m_pageQueries.begin());
}

bool Form1::showMetaTags(const QString &address, LatestRun::Ticket ticket)
{
    const FetchResult page = fetch(overviewPageUrl(m_services.hosts, address));
    if (!resumes(m_pageQueries, ticket))
        return false;

    const MetaTags tags = parseMetaTags(pageText(page));
    if (tags.isEmpty()) {
        markUnanswered(Label2, page);
        return true;
    }
    // The page may name more rows than the table has; the surplus is not shown.
    const qsizetype shown = std::min<qsizetype>(tags.lengths.size(), Label1.size());
    for (qsizetype slot = 0; slot < shown; ++slot)
        Label1[slot]->setCaption(tags.lengths[slot]);
    for (qsizetype slot = 0; slot < shown; ++slot)
        Label2[slot]->setCaption(tags.texts[slot]);
    markUnanswered(Label2, page); // rows the page did not give
    return true;
}

bool Form1::showSpiderText(const QString &address, LatestRun::Ticket ticket)
{
    Text2->showText({});
    const FetchResult page = fetch(spiderPageUrl(m_services.hosts, address));
    if (!resumes(m_pageQueries, ticket))
        return false;

    const std::optional<QString> spiderText = parseSpiderText(pageText(page));
    const QString shown = spiderText ? *spiderText : whyNoResult(page);
    Text2->showText(shown);
    m_troubleShown = !spiderText && shown == m_services.siteTrouble() ? shown : QString();
    return true;
}

void Form1::showKeywordTable(const QString &address, LatestRun::Ticket ticket)
{
    m_keywords->clear(); // rows and columns alike, so a second query does not double them
    const FetchResult page = fetch(overviewPageUrl(m_services.hosts, address));
    if (!resumes(m_pageQueries, ticket))
        return;

    const QList<KeywordRow> rows = parseKeywordTable(pageText(page));

    ListView1->setAlternatingRowColors(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setRootIsDecorated(false);
    const QStringList headings = {QStringLiteral(" "), QStringLiteral("关键词"), QStringLiteral("词出现频率"),
                                  QStringLiteral("建议:2%≦密度≦8%")};
    const int widths[] = {20, 110, 80, 130};
    m_keywords->setHorizontalHeaderLabels(headings);
    for (int column = 0; column < headings.size(); ++column)
        ListView1->header()->resizeSection(column, widths[column]);

    int number = 0;
    for (const KeywordRow &row : rows) {
        QList<QStandardItem *> cells;
        for (const QString &text : {QString::number(++number), row.keyword, row.occurrences, row.density})
            cells.append(keywordCell(text));
        m_keywords->appendRow(cells);
    }
}
