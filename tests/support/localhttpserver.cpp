#include "localhttpserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

LocalHttpServer::LocalHttpServer(QObject *parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void LocalHttpServer::route(const QString &path, const Response &fixed)
{
    route(path, [fixed](const QUrlQuery &) { return fixed; });
}

QStringList LocalHttpServer::requests(const QString &path) const
{
    QStringList found;
    for (const QString &target : m_requests)
        if (path.isEmpty() || QUrl(target).path() == path)
            found.append(target);
    return found;
}

void LocalHttpServer::serve(QTcpSocket *socket)
{
    if (socket->property("served").toBool() || !socket->canReadLine())
        return;
    const QList<QByteArray> requestLine = socket->readLine().trimmed().split(' ');
    if (requestLine.size() < 2)
        return;
    socket->setProperty("served", true);
    const QString target = QString::fromLatin1(requestLine[1]);
    m_requests.append(target);

    const QUrl url(target);
    const auto found = m_routes.constFind(url.path());
    const Response response = found != m_routes.cend() ? (*found)(QUrlQuery(url))
                                                       : Response::page(QByteArrayLiteral("not here"), 404);
    QPointer<QTcpSocket> alive(socket);
    QTimer::singleShot(response.delay, this, [this, alive, response] {
        if (alive)
            answer(alive, response);
    });
}

void LocalHttpServer::answer(QTcpSocket *socket, const Response &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status)
        + " Status\r\n"
          "Content-Type: text/html\r\nConnection: close\r\n";
    switch (response.kind) {
    case Response::Kind::Whole:
        socket->write(head + "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n\r\n"
                      + response.body);
        socket->disconnectFromHost();
        break;
    case Response::Kind::NeverEnds:
        socket->write(head + "Content-Length: 1000\r\n\r\n" + response.body);
        break;
    case Response::Kind::Endless: {
        socket->write(head + "\r\n");
        const QByteArray chunk(256 * 1024, 'x');
        auto more = [socket, chunk] {
            if (socket->bytesToWrite() < 2 * chunk.size())
                socket->write(chunk);
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
        break;
    }
    }
}
