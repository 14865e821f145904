#pragma once

#include "fetch/httppage.h"
#include "queries/siteaddress.h"

#include <QString>
#include <QUrl>

#include <functional>

// A modal question or notice to the user.
struct UserMessage
{
    enum class Style {
        Notice, // OK only, no icon
        Question // OK and Cancel, question icon, OK the default
    };

    QString text;
    QString title;
    Style style = Style::Notice;
};

enum class UserAnswer { Ok, Cancel };

// Everything the window needs from the world outside it, handed over when it is built,
// so that tests can answer, observe and redirect each of them.
struct Form1Services
{
    SiteHosts hosts;
    std::function<UserAnswer(const UserMessage &)> ask;
    std::function<bool(const QUrl &)> openInBrowser; // false when no browser could be started
    std::function<void()> endProgram; // must not return to a handler's work
    // Why the analysis site cannot answer just now, when the tool knows (its own service
    // is being started again, or could not be); empty otherwise.
    std::function<QString()> siteTrouble = [] { return QString(); };
    FetchLimits fetchLimits;
};

// The real desktop: message boxes over the active window, the user's default browser, and
// leaving every event loop, so that any fetch still waiting returns at once.
Form1Services desktopServices(const SiteHosts &hosts);

// For running the window with nobody in front of it (pictures, benchmarks, tests): every
// message box is answered with `answer`, the browser "starts" and nothing ends the program.
Form1Services unattendedServices(const SiteHosts &hosts, UserAnswer answer = UserAnswer::Ok);
