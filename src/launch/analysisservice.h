#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include <chrono>

// The bundled analysis service, run as a child process on a free loopback port, so that
// a crash or hang of the service can never take the window with it. Should it die, it
// is started again on the same port, so the window's addresses stay right. It ends with
// this object, and with the tool even when the tool is killed.
class AnalysisService : public QObject
{
    Q_OBJECT

public:
    explicit AnalysisService(QObject *parent = nullptr);
    ~AnalysisService() override;

    // Starts `program` and waits until it says where it listens. False, with
    // errorString() set, when it could not be started or did not answer in time.
    bool start(const QString &program, std::chrono::milliseconds patience = std::chrono::seconds(5));
    // Ends the service for good: asked to stop, then killed if it has not within
    // `patience`.
    void stop(std::chrono::milliseconds patience = std::chrono::milliseconds(200));

    QString hostAndPort() const { return m_hostAndPort; }
    qint64 processId() const { return m_process.processId(); }
    QString errorString() const { return m_error; }
    // Why the service cannot answer just now (it is being started again, or could not
    // be); empty while it runs.
    QString trouble() const { return m_trouble; }

Q_SIGNALS:
    // The service died and is answering again.
    void restarted();

private:
    void launch(const QString &port);
    void onOutput();
    void onErrorOutput();
    void noteErrorLine(const QByteArray &line);
    void onFinished();
    void onProcessError(QProcess::ProcessError error);
    // The process has ended, or could not be started: start it again, or give up.
    void onEnded();

    QProcess m_process;
    QString m_program;
    QString m_hostAndPort;
    QString m_error;
    QString m_trouble;
    QString m_lastErrorLine;
    QByteArray m_errorLine; // the log line still coming, up to its line feed
    bool m_announced = false; // the running process has said where it listens
    bool m_stopping = false;
    int m_failedStarts = 0; // one after another
};
