// The keyword density panel: the analysis site's figures for one keyword on one page.

#include "densityfigures.h"
#include "siteaddress.h"
#include "window/form1.h"

#include <QLineEdit>

void Form1::Command4_Click()
{
    const QString keyword = Text3->text();
    const QString address = Text4->text();
    if (address.isEmpty() || keyword.isEmpty()) {
        notify(QStringLiteral("关键词 或 网页地址 不能为空"));
        return;
    }
    const LatestRun::Ticket ticket = m_densityChecks.begin();
    for (FormLabel *slot : Label7)
        slot->setCaption(QStringLiteral("正在查询"));

    const FetchResult page = fetch(densityPageUrl(m_services.hosts, keyword, address));
    if (!resumes(m_densityChecks, ticket))
        return;

    const QStringList values = parseDensityFigures(pageText(page));
    if (values.isEmpty()) {
        markUnanswered(Label7, page);
        return;
    }
    // The advice goes first in every pass, so it stands in slot 0 unless the page gave
    // a single value, which then takes its place. Values beyond slot 5 have no slot.
    const QString advice = QStringLiteral("密度建议值：2%≦密度≦8%");
    const qsizetype shown = std::min<qsizetype>(values.size(), Label7.size());
    for (qsizetype slot = 0; slot < shown; ++slot) {
        Label7[0]->setCaption(advice);
        Label7[slot]->setCaption(values[slot]);
    }
    markUnanswered(Label7, page); // figures the page did not give
}
