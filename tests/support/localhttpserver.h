#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrlQuery>

#include <chrono>
#include <functional>

// A small HTTP server on a loopback port, serving in the test's own thread, so that a
// window waiting for a page keeps serving it from its nested event loop.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        enum class Kind {
            Whole, // status line, headers and the whole body
            NeverEnds, // promises a body of 1,000 bytes, sends a little of it and then nothing
            Endless // sends body data without end, announcing no length
        };

        int status = 200;
        QByteArray body;
        std::chrono::milliseconds delay{0};
        Kind kind = Kind::Whole;

        static Response page(const QByteArray &body, int status = 200)
        {
            return {.status = status, .body = body};
        }
        static Response page(const QString &body, int status = 200) { return page(body.toUtf8(), status); }
        static Response neverEnding() { return {.body = "<html>", .kind = Kind::NeverEnds}; }
        static Response endless() { return {.body = {}, .kind = Kind::Endless}; }
        Response after(std::chrono::milliseconds wait) const
        {
            Response later = *this;
            later.delay = wait;
            return later;
        }
    };
    // Answers a request for one path, given its query.
    using Route = std::function<Response(const QUrlQuery &query)>;

    explicit LocalHttpServer(QObject *parent = nullptr);

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    void route(const QString &path, const Route &answer) { m_routes.insert(path, answer); }
    void route(const QString &path, const Response &fixed);
    // Stops listening: connections to it fail from then on.
    void close() { m_server.close(); }

    // Every request target received for `path` (for any, when empty), raw: the path and the
    // percent-encoded query.
    QStringList requests(const QString &path = {}) const;

private:
    void serve(class QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
    QStringList m_requests;
};

Q_DECLARE_METATYPE(LocalHttpServer::Response)
