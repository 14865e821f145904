#pragma once

#include <QLabel>

// A caption of the window. An auto-sized caption takes the size of its text whenever the
// text changes (a right-aligned one keeps its right edge, so it stays against the unit
// that follows it); a fixed one keeps its size, wraps its text and clips what does not fit.
class FormLabel : public QLabel
{
    Q_OBJECT

public:
    enum class Sizing { Fixed, AutoSize, AutoSizeRightAligned };

    // `designRect` is where the layout puts the caption's first line, in pixels of its container.
    FormLabel(const QString &caption, Sizing sizing, const QRect &designRect, QWidget *parent);

    void setCaption(const QString &caption);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void place();

    Sizing m_sizing;
    QRect m_design;
};
