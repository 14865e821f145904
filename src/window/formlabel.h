#pragma once

#include <QLabel>

#include <optional>

// A caption of the window. An auto-sized caption takes the size of its text whenever the
// text changes (a right-aligned one keeps its right edge, so it stays against the unit
// that follows it); a fixed one keeps its width, wraps its text and shows the lines that
// fit. Captions come raw from web pages and may be of any length: only the part that can
// be seen is laid out, so a caption of a million characters costs no more than a short one.
class FormLabel : public QLabel
{
    Q_OBJECT

public:
    enum class Sizing { Fixed, AutoSize, AutoSizeRightAligned };

    // `designRect` is where the layout puts the caption, in pixels of its container.
    FormLabel(const QString &caption, Sizing sizing, const QRect &designRect, QWidget *parent);

    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }

    // Keeps the caption's ink strictly inside a cell of its container's grid, given by
    // the grid lines around it: moved up or down from where the design puts it if need
    // be (the face standing in for 宋体 is taller than the 12 pixels the design allows
    // it), and a fixed caption's lines kept off the lines at its sides.
    void keepInside(const QRect &gridLines);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void place();
    int shownLines(int baseline) const;

    QString m_caption;
    Sizing m_sizing;
    QRect m_design;
    std::optional<QRect> m_cell; // the grid lines around the caption
    int m_lines = 1; // a fixed caption's lines on show
};
