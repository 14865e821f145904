#include "longtextedit.h"

#include <QTextCursor>
#include <QTimer>

#include <algorithm>

namespace {

// Characters put in between two turns of the event loop: a few milliseconds of layout.
constexpr qsizetype kSlice = 64 * 1024;

// `text` with every line longer than `capacity` cut into lines of that length (never
// between the two halves of a surrogate pair).
QString withLinesCut(const QString &text, qsizetype capacity)
{
    QString out;
    qsizetype lineStart = 0;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        if (at < text.size() && text.at(at) != u'\n')
            continue;
        qsizetype start = lineStart;
        while (at - start > capacity) {
            qsizetype cut = start + capacity;
            if (text.at(cut).isLowSurrogate())
                --cut;
            out += QStringView(text).sliced(start, cut - start);
            out += u'\n';
            start = cut;
        }
        out += QStringView(text).sliced(start, at - start);
        if (at < text.size())
            out += u'\n';
        lineStart = at + 1;
    }
    return out;
}

} // namespace

LongTextEdit::LongTextEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{}

void LongTextEdit::showText(const QString &text)
{
    ++m_fill;
    m_pending = withLinesCut(text, kLineCapacity);
    m_filled = 0;
    // What goes in by program is no edit of the user's to undo; this also spares the
    // undo stack a copy of the text.
    document()->setUndoRedoEnabled(false);
    clear();
    fillSome();
}

void LongTextEdit::fillSome()
{
    qsizetype end = std::min(m_filled + kSlice, m_pending.size());
    if (end < m_pending.size()) {
        // Whole lines only, as far as there are any, so that no line is laid out twice.
        const qsizetype lineEnd = m_pending.lastIndexOf(u'\n', end - 1);
        if (lineEnd >= m_filled)
            end = lineEnd + 1;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringView(m_pending).sliced(m_filled, end - m_filled).toString());
    m_filled = end;
    if (m_filled < m_pending.size()) {
        const quint64 fill = m_fill;
        QTimer::singleShot(0, this, [this, fill] {
            if (fill == m_fill)
                fillSome();
        });
        return;
    }
    m_pending.clear();
    document()->setUndoRedoEnabled(true);
}
