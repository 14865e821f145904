#include "formharness.h"

#include <QTimer>
#include <QTreeView>

FormHarness::FormHarness(Timer timer, FetchLimits limits)
{
    Form1Services services = unattendedServices(SiteHosts::allOn(m_server.host()));
    services.ask = [this](const UserMessage &message) {
        const bool question = message.style == UserMessage::Style::Question;
        asked.append(message.title + u'|' + message.text
                     + (question ? QStringLiteral("|question") : QStringLiteral("|notice")));
        return answer;
    };
    services.openInBrowser = [this](const QUrl &url) {
        opened.append(url);
        return browserStarts;
    };
    services.endProgram = [this] {
        ++endRequests;
        if (alsoOnEnd)
            alsoOnEnd();
    };
    services.siteTrouble = [this] { return siteTrouble; };
    services.fetchLimits = limits;
    m_form = std::make_unique<Form1>(std::move(services));
    if (timer == Timer::Stopped)
        m_form->Timer1->stop();
}

QList<QStringList> tableOf(const QTreeView *view)
{
    const QAbstractItemModel *model = view->model();
    QStringList headings;
    for (int column = 0; column < model->columnCount(); ++column)
        headings.append(model->headerData(column, Qt::Horizontal).toString());
    QList<QStringList> rows{headings};
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.append(model->index(row, column).data().toString());
        rows.append(cells);
    }
    return rows;
}
