#include "formlabel.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

FormLabel::FormLabel(const QString &caption, Sizing sizing, const QRect &designRect, QWidget *parent)
    : QLabel(caption, parent)
    , m_sizing(sizing)
    , m_design(designRect)
{
    setTextFormat(Qt::PlainText); // captions come raw from web pages
    setWordWrap(sizing == Sizing::Fixed);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
    place();
}

void FormLabel::setCaption(const QString &caption)
{
    setText(caption);
    if (m_sizing != Sizing::Fixed)
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
    // The layout is designed for 宋体, whose glyphs fill their line from its top. Faces
    // with more room above the glyphs (the CJK faces standing in for it) would sit lower
    // and be cut off by the one-line cells, so the label starts that much higher.
    const int em = QFontInfo(font()).pixelSize();
    const int roomAbove = std::max(0, qRound(QFontMetrics(font()).ascent() - 0.88 * em));
    QRect box = m_design.adjusted(0, -roomAbove, 0, 0);
    if (m_sizing != Sizing::Fixed) {
        box.setSize(sizeHint());
        if (m_sizing == Sizing::AutoSizeRightAligned)
            box.moveRight(m_design.right());
    }
    setGeometry(box);
}

void FormLabel::paintEvent(QPaintEvent *event)
{
    if (m_sizing != Sizing::Fixed) {
        QLabel::paintEvent(event);
        return;
    }
    // Wrapped lines one em apart, as in the face the layout was designed for, so that a
    // cell sized for two lines shows two; what does not fit is clipped.
    QString shown = text();
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(shown, font());
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const int em = QFontInfo(font()).pixelSize();
    layout.beginLayout();
    for (int row = 0;; ++row) {
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
