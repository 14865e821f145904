#include "analysisservice.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace {

// Starts that fail one after another before the service is given up.
constexpr int kFailedStartsAllowed = 3;
// The most of one line of the service's log held until its end comes; a reason is far shorter.
constexpr qsizetype kLongestErrorLine = 4096;

} // namespace

AnalysisService::AnalysisService(QObject *parent)
    : QObject(parent)
{
    // Should the tool die without cleaning up, the kernel asks the service to stop too;
    // it ends within a fraction of a second of that.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &AnalysisService::onOutput);
    connect(&m_process, &QProcess::readyReadStandardError, this, &AnalysisService::onErrorOutput);
    connect(&m_process, &QProcess::finished, this, &AnalysisService::onFinished);
    connect(&m_process, &QProcess::errorOccurred, this, &AnalysisService::onProcessError);
}

AnalysisService::~AnalysisService()
{
    stop();
}

bool AnalysisService::start(const QString &program, std::chrono::milliseconds patience)
{
    m_program = program;
    m_stopping = false;
    launch(QStringLiteral("0"));
    const QDeadlineTimer deadline(patience);
    while (!m_announced && m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    if (m_announced)
        return true;
    if (m_process.error() == QProcess::FailedToStart)
        m_error = m_process.errorString();
    else if (!m_lastErrorLine.isEmpty())
        m_error = m_lastErrorLine;
    else
        m_error = QStringLiteral("分析服务没有说明它的地址");
    stop();
    return false;
}

void AnalysisService::stop(std::chrono::milliseconds patience)
{
    m_stopping = true;
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(int(patience.count()))) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

void AnalysisService::launch(const QString &port)
{
    m_announced = false;
    m_errorLine.clear();
    m_process.start(
        m_program, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"), port});
}

void AnalysisService::onOutput()
{
    static const QRegularExpression listening(QStringLiteral("listening on http://([^/\\s]+)/?"));
    while (m_process.canReadLine()) {
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        const QRegularExpressionMatch match = listening.match(line);
        if (!match.hasMatch())
            continue;
        const bool again = !m_hostAndPort.isEmpty();
        m_hostAndPort = match.captured(1);
        m_announced = true;
        m_failedStarts = 0;
        m_trouble.clear();
        if (again)
            Q_EMIT restarted();
    }
}

void AnalysisService::onErrorOutput()
{
    // The service's log goes on to the tool's own; its last line says why it failed. A line
    // may come in several reads: it counts once it is whole.
    const QByteArray output = m_process.readAllStandardError();
    std::fwrite(output.constData(), 1, size_t(output.size()), stderr);
    m_errorLine += output;
    for (qsizetype end = m_errorLine.indexOf('\n'); end >= 0; end = m_errorLine.indexOf('\n')) {
        noteErrorLine(m_errorLine.first(end));
        m_errorLine.remove(0, end + 1);
    }
    if (m_errorLine.size() > kLongestErrorLine)
        m_errorLine.truncate(kLongestErrorLine);
}

void AnalysisService::noteErrorLine(const QByteArray &line)
{
    const QString text = QString::fromUtf8(line).trimmed();
    if (!text.isEmpty())
        m_lastErrorLine = text;
}

void AnalysisService::onFinished()
{
    // A last line without its line feed is whole once the process has ended.
    noteErrorLine(m_errorLine);
    m_errorLine.clear();
    onEnded();
}

void AnalysisService::onProcessError(QProcess::ProcessError error)
{
    // A program that could not be run at all (gone, or no longer executable) ends without
    // finished(): it is a start that failed all the same.
    if (error != QProcess::FailedToStart)
        return;
    m_lastErrorLine = m_process.errorString();
    onEnded();
}

void AnalysisService::onEnded()
{
    if (m_stopping || m_hostAndPort.isEmpty())
        return; // stopped by us, or the first start, which start() reports itself
    if (!m_announced && ++m_failedStarts >= kFailedStartsAllowed) {
        m_trouble = QStringLiteral("分析服务已停止，重新启动失败：%1").arg(m_lastErrorLine);
        return;
    }
    // Started again on the port the window already uses; a start that failed is tried
    // again after a moment, should the port still be held by the process that died.
    m_trouble = QStringLiteral("分析服务意外停止，正在重新启动，请稍后再试。");
    const QString port = m_hostAndPort.section(u':', -1);
    QTimer::singleShot(m_announced ? 0 : 300, this, [this, port] {
        if (!m_stopping)
            launch(port);
    });
}
