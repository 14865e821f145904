#include "formlabel.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {

// More characters than any caption can show: the rest is never laid out.
constexpr qsizetype kShownCharacters = 4096;

QString shownPart(const QString &caption, bool fromEnd)
{
    if (caption.size() <= kShownCharacters)
        return caption;
    if (fromEnd) {
        qsizetype start = caption.size() - kShownCharacters;
        if (caption.at(start).isLowSurrogate())
            ++start;
        return caption.mid(start);
    }
    qsizetype length = kShownCharacters;
    if (caption.at(length - 1).isHighSurrogate())
        --length;
    return caption.left(length);
}

// How far a face's ink reaches above and below the baseline: the tallest ideographs
// (leaving out their faint top row of smoothing) and the deepest descenders.
struct Ink
{
    int above;
    int below;
};

Ink inkOf(const QFont &font)
{
    const QRect tight = QFontMetrics(font).tightBoundingRect(QStringLiteral("中国,gjy"));
    return {-tight.top() - 1, tight.bottom() + 1};
}

} // namespace

FormLabel::FormLabel(const QString &caption, Sizing sizing, const QRect &designRect, QWidget *parent)
    : QLabel(parent)
    , m_sizing(sizing)
    , m_design(designRect)
{
    setTextFormat(Qt::PlainText); // captions come raw from web pages
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
    setCaption(caption);
    place();
}

void FormLabel::setCaption(const QString &caption)
{
    m_caption = caption;
    setText(shownPart(caption, m_sizing == Sizing::AutoSizeRightAligned));
    if (m_sizing == Sizing::Fixed)
        update();
    else
        place();
}

void FormLabel::keepInside(const QRect &gridLines)
{
    m_cell = gridLines;
    place();
}

void FormLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        place();
}

void FormLabel::place()
{
    const QFontMetrics metrics(font());
    const int em = QFontInfo(font()).pixelSize();
    // The layout is designed for 宋体, whose baseline lies 0.88 em below the top of its line.
    int baseline = m_design.top() + qRound(0.88 * em);
    QRect box(m_design.left(), 0, m_design.width(), 0);
    if (m_cell) {
        const Ink ink = inkOf(font());
        baseline = std::min(baseline, m_cell->bottom() - 1 - ink.below);
        baseline = std::max(baseline, m_cell->top() + 1 + ink.above);
        if (m_sizing == Sizing::Fixed) // a pixel clear of each side's line
            box.setCoords(std::max(box.left(), m_cell->left() + 2), 0,
                          std::min(box.right(), m_cell->right() - 2), 0);
    }
    box.moveTop(baseline - metrics.ascent());
    const int oneLine = metrics.ascent() + metrics.descent() + 2; // a free row below the deepest descender
    if (m_sizing == Sizing::Fixed) {
        m_lines = shownLines(baseline);
        box.setHeight((m_lines - 1) * em + oneLine);
    } else {
        box.setSize(sizeHint().expandedTo(QSize(0, oneLine)));
        if (m_sizing == Sizing::AutoSizeRightAligned)
            box.moveRight(m_design.right());
    }
    setGeometry(box);
}

int FormLabel::shownLines(int baseline) const
{
    const int em = QFontInfo(font()).pixelSize();
    if (!m_cell)
        return std::max(1, qRound(double(m_design.height()) / em));
    // Only lines whose ink stays above the line below.
    const int room = m_cell->bottom() - 1 - inkOf(font()).below - baseline;
    return 1 + std::max(0, room / em);
}

void FormLabel::paintEvent(QPaintEvent *event)
{
    if (m_sizing != Sizing::Fixed) {
        QLabel::paintEvent(event);
        return;
    }
    // Wrapped lines one em apart, as in the face the layout was designed for.
    QString shown = text();
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(shown, font());
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const int em = QFontInfo(font()).pixelSize();
    layout.beginLayout();
    for (int row = 0; row < m_lines; ++row) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        line.setPosition(QPointF(0, row * em));
    }
    layout.endLayout();
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, QPointF(0, 0));
}
