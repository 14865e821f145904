#include "httppage.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

FetchResult fetchPage(const QString &url, const FetchLimits &limits)
{
    FetchResult result;
    const QUrl address(url);
    if (!address.isValid())
        return result;

    // A manager of its own: nothing (connections, cookies, cache) outlives the call.
    QNetworkAccessManager manager;
    manager.setCookieJar(nullptr);
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = manager.get(request);

    QEventLoop wait;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool finished = false;
    QObject::connect(&deadline, &QTimer::timeout, &wait, [&] {
        // A handler running inside the wait (a message box left open) may outlast the
        // deadline after the page has come: a page that came is kept.
        if (finished)
            return;
        result.outcome = FetchResult::Outcome::TimedOut;
        wait.quit();
    });
    auto oversize = [&] {
        result.outcome = FetchResult::Outcome::TooLarge;
        wait.quit();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &wait, [&] {
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (announced > limits.maxBodyBytes)
            oversize();
    });
    // Drained as it arrives, so an oversize body is noticed before it is held.
    QObject::connect(reply, &QNetworkReply::readyRead, &wait, [&] {
        result.body += reply->readAll();
        if (result.body.size() > limits.maxBodyBytes)
            oversize();
    });
    QObject::connect(reply, &QNetworkReply::finished, &wait, [&] {
        finished = true;
        deadline.stop();
        wait.quit();
    });

    deadline.start(limits.timeout);
    wait.exec();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool givenUp = result.outcome != FetchResult::Outcome::Failed;
    if (finished && !givenUp && status.isValid()) {
        result.body += reply->readAll();
        result.outcome = FetchResult::Outcome::Completed;
        result.httpStatus = status.toInt();
    }
    if (result.completed() && result.body.size() > limits.maxBodyBytes)
        result.outcome = FetchResult::Outcome::TooLarge;
    if (!result.completed()) {
        // Given up, failed, or the whole program is ending: stop the transfer now.
        QObject::disconnect(reply, nullptr, &wait, nullptr);
        reply->abort();
        result.body.clear();
    }
    delete reply;
    return result;
}

QString getHTTPPage(const QString &url, const FetchLimits &limits)
{
    return pageText(fetchPage(url, limits));
}

QString pageText(const FetchResult &result)
{
    return result.completed() ? BytesToBstr(result.body, QStringLiteral("UTF-8")) : QString();
}

QString BytesToBstr(const QByteArray &body, const QString &Cset)
{
    QStringDecoder decoder(Cset.toUtf8().constData());
    if (!decoder.isValid())
        return {};
    return decoder.decode(body);
}
