#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// How long and how much one fetch may take before it is given up.
struct FetchLimits
{
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
    qint64 maxBodyBytes = 32 * 1024 * 1024;
};

// What came of one fetch, for callers that must tell a failed fetch from an empty page.
struct FetchResult
{
    enum class Outcome { Completed, Failed, TimedOut, TooLarge };

    Outcome outcome = Outcome::Failed;
    int httpStatus = 0; // of a completed response
    QByteArray body; // of a completed response, whatever its status

    bool completed() const { return outcome == Outcome::Completed; }
    bool succeeded() const { return completed() && httpStatus >= 200 && httpStatus < 300; }
};

// One plain GET of `url`: its own connection, no cookies, no cache, no extra headers.
// It returns when the response has completed or the fetch has failed; meanwhile the
// caller's thread keeps handling its events (a click runs its handler at once) and
// sleeps in between, so waiting costs no CPU.
FetchResult fetchPage(const QString &url, const FetchLimits &limits = {});

// The body of any completed response decoded as UTF-8; empty text when the fetch failed.
QString getHTTPPage(const QString &url, const FetchLimits &limits = {});
QString pageText(const FetchResult &result);

// `body` decoded in the named character set; empty text for an unknown one.
QString BytesToBstr(const QByteArray &body, const QString &Cset);
