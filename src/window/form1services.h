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
    FetchLimits fetchLimits;
};

// The real desktop: message boxes over the active window, the user's default browser, and
// leaving every event loop, so that any fetch still waiting returns at once.
Form1Services desktopServices(const SiteHosts &hosts);
