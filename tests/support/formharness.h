#pragma once

#include "localhttpserver.h"
#include "window/form1.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <array>
#include <memory>

class QTreeView;

// A window wired to a local server and to recorders instead of the desktop: message boxes
// are answered by `answer`, browser launches and the end of the program are recorded.
class FormHarness
{
public:
    enum class Timer { Stopped, Running };

    explicit FormHarness(Timer timer = Timer::Stopped,
                         FetchLimits limits = {std::chrono::seconds(5), 4 << 20});

    Form1 &form() { return *m_form; }
    Form1 &shownForm()
    {
        m_form->show();
        return *m_form;
    }
    LocalHttpServer &server() { return m_server; }

    UserAnswer answer = UserAnswer::Ok;
    bool browserStarts = true;
    QString siteTrouble;
    QStringList asked; // each message box as "title|text|notice" or "title|text|question"
    QList<QUrl> opened;
    int endRequests = 0;
    std::function<void()> alsoOnEnd; // e.g. what the real program does to end

private:
    LocalHttpServer m_server;
    std::unique_ptr<Form1> m_form;
};

// What a row of captions says.
template<std::size_t N>
QStringList captions(const std::array<FormLabel *, N> &labels)
{
    QStringList texts;
    for (const FormLabel *label : labels)
        texts.append(label->text());
    return texts;
}

// The keyword table as the user sees it: the headings, then each row's cells.
QList<QStringList> tableOf(const QTreeView *view);
