// Figures of the whole tool, printed as "name value unit" lines for bench/perf-table.sh:
//   tool_figures query     whole queries against the bundled service and a local 100 KB page
//   tool_figures wait      CPU the tool uses while a fetch waits 5 s on a slow server
//   tool_figures startup   from process start to the window shown with the service answering
#include "fetch/httppage.h"
#include "launch/analysisservice.h"
#include "support/localhttpserver.h"
#include "window/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString serviceProgram = QStringLiteral(SEO_SITE_PROGRAM);

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

Form1Services quietServices(const QString &host)
{
    Form1Services services;
    services.hosts = SiteHosts::allOn(host);
    services.ask = [](const UserMessage &) { return UserAnswer::Ok; };
    services.openInBrowser = [](const QUrl &) { return true; };
    services.endProgram = [] {};
    return services;
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
    LocalHttpServer target;
    target.route(QStringLiteral("/page"), LocalHttpServer::Response{200, hundredKilobytePage(), {}, {}, {}});
    Form1 form(quietServices(service.hostAndPort()));
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
    LocalHttpServer slow;
    slow.route(QStringLiteral("/slow"),
               LocalHttpServer::Response{200, "done", std::chrono::seconds(5), {}, {}});
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
    Form1 form(quietServices(service.hostAndPort()));
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
    std::fprintf(stderr, "usage: tool_figures query|wait|startup\n");
    return 2;
}
