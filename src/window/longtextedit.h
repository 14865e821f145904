#pragma once

#include <QPlainTextEdit>
#include <QString>

// A text box for texts of any size that keeps the window responsive while it fills.
// Laying out a line costs time that grows faster than its length (with the square of
// its longest unbroken run), so a line longer than kLineCapacity characters is held as
// several lines of that length, which wrap on screen just as one would. A long text
// goes in a slice at a time between the window's events.
class LongTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr qsizetype kLineCapacity = 8192;

    explicit LongTextEdit(QWidget *parent = nullptr);

    // Replaces the whole text; a text still going in from an earlier call is dropped.
    void showText(const QString &text);

private:
    void fillSome();

    QString m_pending; // with long lines already cut
    qsizetype m_filled = 0;
    quint64 m_fill = 0; // counts calls of showText(), so a dropped fill stops
};
