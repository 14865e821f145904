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

    // The caption shows texts from web pages, which may hold any glyph, rather than a text
    // of its own: in a cell, it keeps room for the face's tallest and deepest glyphs.
    void setShowsPageTexts(bool pageTexts);

    // Keeps the caption's ink strictly inside a cell of its container's grid, given by the
    // grid lines around it, with a free device pixel between ink and line at device pixel
    // ratios 1, 1.5 and 2 and at its screen's. The face standing in for 宋体 is taller
    // than the 12 pixels the design allows it, so the caption is moved up or down from
    // where the design puts it, and drawn smaller than the design's size where it would
    // not fit at that size (a fixed caption whose text wraps to fewer lines than its cell
    // holds keeps the larger size). A fixed caption's lines are kept off the lines at its
    // sides.
    void keepInside(const QRect &gridLines);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Fit
    {
        QFont font;
        int baseline; // of the first line, in pixels of the container
        int pitch; // from one line's baseline to the next
        int lines;
    };

    void place();
    // The largest size, and the baseline nearest the design's, at which the caption's ink
    // keeps clear of its cell's lines; none when no size down to a readable one does.
    std::optional<Fit> fitInCell() const;
    bool fits(const QFont &font, int baseline, int pitch, int lines) const;
    QString inkSample() const;
    // Where a fixed caption's lines go across, at the top of its container.
    QRect fixedBox() const;

    Sizing m_sizing;
    QRect m_design;
    QFont m_designFont; // as the window gives it; the caption may be drawn smaller
    std::optional<QRect> m_cell; // the grid lines around the caption
    bool m_pageTexts = false;
    bool m_fitting = false; // setting the font of a fit, which is no new design font
    int m_lines = 1; // a fixed caption's lines on show
    int m_pitch = 0;
    int m_baseline = 0; // of the first line, in the caption's own pixels
};
