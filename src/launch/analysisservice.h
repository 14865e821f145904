#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include <chrono>

// The bundled analysis service, run as a child process on a free loopback port, so that
// a crash or hang of the service can never take the window with it. It ends with this
// object, and with the tool even when the tool is killed.
class AnalysisService : public QObject
{
    Q_OBJECT

public:
    explicit AnalysisService(QObject *parent = nullptr);
    ~AnalysisService() override;

    // Starts `program` and waits until it says where it listens. False, with
    // errorString() set, when it could not be started or did not answer in time.
    bool start(const QString &program, std::chrono::milliseconds patience = std::chrono::seconds(5));
    void stop();

    QString hostAndPort() const { return m_hostAndPort; }
    qint64 processId() const { return m_process.processId(); }
    QString errorString() const { return m_error; }

private:
    QProcess m_process;
    QString m_hostAndPort;
    QString m_error;
};
