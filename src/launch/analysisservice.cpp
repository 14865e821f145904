#include "analysisservice.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <csignal>
#include <sys/prctl.h>

AnalysisService::AnalysisService(QObject *parent)
    : QObject(parent)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Should the tool die without cleaning up, the kernel ends the service too.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

AnalysisService::~AnalysisService()
{
    stop();
}

bool AnalysisService::start(const QString &program, std::chrono::milliseconds patience)
{
    m_process.start(program,
                    {QStringLiteral("--listen"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                     QStringLiteral("0")});
    if (!m_process.waitForStarted(int(patience.count()))) {
        m_error = m_process.errorString();
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("listening on http://([^/\\s]+)/?"));
    const QDeadlineTimer deadline(patience);
    while (!deadline.hasExpired()) {
        if (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            if (const QRegularExpressionMatch match = listening.match(line); match.hasMatch()) {
                m_hostAndPort = match.captured(1);
                return true;
            }
            continue;
        }
        if (m_process.state() != QProcess::Running
            || !m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    m_error = tr("the analysis service did not report its address");
    stop();
    return false;
}

void AnalysisService::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}
