// Figures of the whole tool, printed as "name value unit" lines for bench/perf-table.sh:
//   tool_figures query     whole queries against the bundled service and a local 100 KB page
//   tool_figures wait      CPU the tool uses while a fetch waits 5 s on a slow server
//   tool_figures startup   from process start to the window shown with the service answering
//   tool_figures freeze    the longest the window goes without handling events, and a
//                          repaint, while it shows texts of a million characters; a click
//                          on 隐藏 and on a row, each to its repaint, with a keyword of
//                          100,000 and of 300,000 letters in the keyword table
//   tool_figures quit      from the answer OK (with a query waiting) to the service gone,
//                          and from the tool's death to the service's
#include "fetch/httppage.h"
#include "launch/analysisservice.h"
#include "window/form1.h"

#include <contract/site_contract.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include <signal.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QString serviceProgram = QStringLiteral(SEO_SITE_PROGRAM);

// Serves fixed pages by path on a loopback port, each after its delay, in this thread.
class PageServer : public QObject
{
public:
    PageServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    void serve(const QByteArray &path, const QByteArray &body, std::chrono::milliseconds delay = 0ms)
    {
        m_pages.insert(path, {body, delay});
    }

private:
    void answer(QTcpSocket *socket)
    {
        if (!socket->canReadLine() || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        const QByteArray path = socket->readLine().split(' ').value(1).split('?').value(0);
        const auto [body, delay] = m_pages.value(path);
        const QPointer<QTcpSocket> alive(socket);
        QTimer::singleShot(delay, this, [alive, body] {
            if (!alive)
                return;
            alive->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n"
                         "Content-Length: "
                         + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            alive->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QHash<QByteArray, std::pair<QByteArray, std::chrono::milliseconds>> m_pages;
};

QByteArray utf8(std::string_view text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

// Peak resident memory of a process, from the kernel's own count.
double peakMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// Gone, or ended and only waiting to be reaped.
bool processGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

QByteArray hundredKilobytePage()
{
    QByteArray body =
        "<html><head><title>性能测试页面 benchmark</title><meta name=\"keywords\" content=\"性能,测试\">"
        "<meta name=\"description\" content=\"一个一百千字节的测试页面\"></head><body>";
    for (int i = 0; body.size() < 100 * 1024; ++i)
        body += "<p>搜索引擎优化需要关注网页的标题、关键词和描述。Search engines read the text of a page "
                "the way a spider does. 第"
            + QByteArray::number(i) + "段。</p>\n";
    return body + "</body></html>";
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

int measureQueries()
{
    AnalysisService service;
    if (!service.start(serviceProgram))
        return 1;
    PageServer target;
    target.serve("/page", hundredKilobytePage());
    Form1 form(unattendedServices(SiteHosts::allOn(service.hostAndPort())));
    form.Timer1->stop();
    form.show();
    form.Text1->setText(target.host() + QStringLiteral("/page"));

    QList<double> times;
    for (int i = 0; i < 31; ++i) {
        QElapsedTimer clock;
        clock.start();
        form.Command1_Click();
        times.append(clock.nsecsElapsed() / 1e6);
    }
    if (form.ListView1->model()->rowCount() == 0 || form.Text2->toPlainText().isEmpty())
        return 1;
    std::printf("query_median %.1f ms\n", median(times));
    std::printf("tool_peak_memory %.1f MiB\n", peakMiB(QCoreApplication::applicationPid()));
    std::printf("service_peak_memory %.1f MiB\n", peakMiB(service.processId()));
    return 0;
}

int measureWait()
{
    PageServer slow;
    slow.serve("/slow", "done", 5s);
    const std::clock_t before = std::clock();
    QElapsedTimer clock;
    clock.start();
    const QString page = getHTTPPage(QStringLiteral("http://") + slow.host() + QStringLiteral("/slow"));
    const double cpu = double(std::clock() - before) / CLOCKS_PER_SEC;
    if (page != QStringLiteral("done"))
        return 1;
    // The server answering in this very process is counted too, so this is an upper bound.
    std::printf("wait_cpu %.2f %%\n", 100.0 * cpu / (clock.elapsed() / 1000.0));
    return 0;
}

// Seconds since this process started, from the kernel's start time.
double secondsSinceStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    stat.open(QIODevice::ReadOnly);
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec + now.tv_nsec / 1e9 - startTicks / double(sysconf(_SC_CLK_TCK));
}

int measureStartup()
{
    // What main does, then: the window on screen and the service answering.
    AnalysisService service;
    if (!service.start(serviceProgram))
        return 1;
    Form1 form(unattendedServices(SiteHosts::allOn(service.hostAndPort())));
    form.Timer1->stop();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    if (!fetchPage(QStringLiteral("http://") + service.hostAndPort() + QStringLiteral("/veltro/shenji.txt"))
             .succeeded())
        return 1;
    std::printf("startup %.1f ms\n", secondsSinceStart() * 1000);
    return 0;
}

// The longest time the window handles no event while a query shows `spiderText` and a
// title of the same length, until the text is all in; then the time to repaint it all.
void measureStall(const char *name, const QByteArray &spiderText)
{
    namespace meta = site_contract::meta;
    PageServer site;
    site.serve(utf8(site_contract::kSpiderPath),
               utf8(site_contract::spider::kTextAreaOpen) + spiderText
                   + utf8(site_contract::spider::kTextEnd));
    site.serve(utf8(site_contract::kOverviewPath),
               utf8(meta::kTitleRowOpen) + "1" + utf8(meta::kLengthClose) + spiderText.left(1'000'000)
                   + utf8(meta::kTextClose) + utf8(meta::kDescriptionAdvice));
    Form1 form(unattendedServices(SiteHosts::allOn(site.host())));
    form.Timer1->stop();
    form.show();
    form.Text1->setText(QStringLiteral("example.com"));

    qint64 longest = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    ticks.start(5);
    QTimer::singleShot(0, &form, [&form] { form.Command1_Click(); });
    const qsizetype expected = QString::fromUtf8(spiderText).size();
    QElapsedTimer clock;
    clock.start();
    while (form.Text2->document()->characterCount() < expected && clock.elapsed() < 60'000)
        QTest::qWait(10);
    ticks.stop();
    QElapsedTimer repaint;
    repaint.start();
    form.grab();
    std::printf("%s_longest_stall %lld ms\n", name, longest);
    std::printf("%s_repaint %lld ms\n", name, repaint.elapsed());
}

// Milliseconds from a click to the window repainted, the repaint done as the screen would
// have it done (the panel's hiding and the selection are posted events first).
double clickToRepaint(Form1 &form, QWidget *target, QPoint at)
{
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
    QCoreApplication::sendPostedEvents();
    form.repaint();
    return clock.nsecsElapsed() / 1e6;
}

// A query whose keyword table holds one keyword of `letters` letters between short ones;
// then 隐藏 is clicked with the panel open, and the long row and a short one in turn.
bool measureLongKeyword(const char *name, int letters)
{
    namespace keywords = site_contract::keywords;
    QByteArray page = "<html><body><table>" + utf8(keywords::kHeadingRow);
    for (const QByteArray &keyword : {QByteArray("seo"), QByteArray(letters, 'a'), QByteArray("优化")})
        page += utf8(keywords::kRowOpen) + utf8(keywords::kCellStart) + keyword + utf8(keywords::kCellEnd)
            + utf8(keywords::kCellStart) + "3" + utf8(keywords::kCellEnd) + utf8(keywords::kCellStart)
            + "1.5%" + utf8(keywords::kCellEnd) + utf8(keywords::kRowClose);
    page += utf8(keywords::kTableEnd) + "</body></html>";
    PageServer site;
    site.serve(utf8(site_contract::kOverviewPath), page);
    Form1 form(unattendedServices(SiteHosts::allOn(site.host())));
    form.Timer1->stop();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return false;
    form.Text1->setText(QStringLiteral("example.com"));
    form.Command1_Click();
    QAbstractItemModel *table = form.ListView1->model();
    if (table->rowCount() != 3)
        return false;

    QList<double> hides;
    QList<double> selections;
    for (int i = 0; i < 21; ++i) {
        form.Command5_Click();
        QCoreApplication::processEvents();
        hides.append(clickToRepaint(form, form.Command7, form.Command7->rect().center()));
        const QRect row = form.ListView1->visualRect(table->index(i % 2 == 0 ? 1 : 2, 1));
        selections.append(clickToRepaint(form, form.ListView1->viewport(), row.center()));
    }
    std::printf("%s_hide_panel_median %.1f ms\n", name, median(hides));
    std::printf("%s_hide_panel_max %.1f ms\n", name, *std::max_element(hides.begin(), hides.end()));
    std::printf("%s_select_row_median %.1f ms\n", name, median(selections));
    std::printf("%s_select_row_max %.1f ms\n", name, *std::max_element(selections.begin(), selections.end()));
    return true;
}

int measureFreeze()
{
    measureStall("unbroken_million_letters", QByteArray(1'000'000, 'a'));
    QByteArray lines;
    while (lines.size() < 8'000'000)
        lines += "Search engines read the text of a page line by line. 搜索引擎按行读取页面的文字。\n";
    measureStall("eight_megabytes_of_lines", lines);
    if (!measureLongKeyword("keyword_100k_letters", 100'000)
        || !measureLongKeyword("keyword_300k_letters", 300'000))
        return 1;
    return 0;
}

// The tool as main runs it, with a query waiting on a slow page when OK is answered.
int measureQuit()
{
    PageServer slow;
    slow.serve("/slow", "<title>late</title>", 10s);
    double quitMs = -1;
    qint64 servicePid = 0;
    {
        AnalysisService service;
        if (!service.start(serviceProgram))
            return 1;
        servicePid = service.processId();
        Form1Services services = unattendedServices(SiteHosts::allOn(service.hostAndPort()));
        services.endProgram = [] { QApplication::exit(0); };
        Form1 form(std::move(services));
        form.Timer1->stop();
        form.show();
        form.Text1->setText(slow.host() + QStringLiteral("/slow"));
        QElapsedTimer clock;
        QTimer::singleShot(0, &form, [&form] { form.Command1_Click(); });
        QTimer::singleShot(500, &form, [&form, &clock] {
            clock.start();
            form.close();
        });
        QApplication::exec();
        if (form.isVisible())
            return 1;
        service.stop(); // what the service's destructor does when main returns
        while (!processGone(servicePid) && clock.elapsed() < 5000)
            QTest::qSleep(1);
        quitMs = clock.nsecsElapsed() / 1e6;
    }
    std::printf("quit_to_service_gone %.1f ms\n", quitMs);

    // A tool killed outright: the kernel tells the service, which must end as promptly.
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("hold-service")});
    if (!holder.waitForReadyRead(10'000))
        return 1;
    const qint64 orphan = holder.readLine().trimmed().toLongLong();
    QElapsedTimer clock;
    clock.start();
    holder.kill();
    holder.waitForFinished();
    while (!processGone(orphan) && clock.elapsed() < 15'000)
        QTest::qSleep(1);
    std::printf("tool_killed_to_service_gone %.1f ms\n", clock.nsecsElapsed() / 1e6);
    return 0;
}

// Starts the service, says its process id, and waits to be killed.
int holdService()
{
    AnalysisService service;
    if (!service.start(serviceProgram))
        return 1;
    std::printf("%lld\n", service.processId());
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == u"query")
        return measureQueries();
    if (mode == u"wait")
        return measureWait();
    if (mode == u"startup")
        return measureStartup();
    if (mode == u"freeze")
        return measureFreeze();
    if (mode == u"quit")
        return measureQuit();
    if (mode == u"hold-service")
        return holdService();
    std::fprintf(stderr, "usage: tool_figures query|wait|startup|freeze|quit\n");
    return 2;
}
