#include "formlabel.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// More characters than any caption can show: the rest is never laid out.
constexpr qsizetype kShownCharacters = 4096;
// Of a caption's own text, what is measured for its ink.
constexpr qsizetype kSampledCharacters = 256;
// Ink is what is more than a quarter opaque: fainter smoothing at its edge goes unseen.
constexpr int kVisibleAlpha = 64;
// Device pixel ratios a caption in a cell is laid out for at once, besides its screen's,
// so that it stays clear of the grid on whatever screen the window is moved to.
constexpr qreal kRatios[] = {1.0, 1.5, 2.0};
// The smallest a caption is drawn to fit its cell, against the design's size.
constexpr double kSmallestScale = 0.7;

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

// The glyphs of the face that reach highest and lowest: ideographs, brackets, descenders.
QString tallestAndDeepest()
{
    return QStringLiteral("中国,gjpqy()[]");
}

// What wrapped lines are spaced for: the face's ideographs.
QString ideographs()
{
    return QStringLiteral("中国网站");
}

// The device row a y in pixels falls in, rounded as the painter rounds a baseline and the
// edges of a filled rectangle.
int deviceRow(int y, qreal ratio)
{
    return int(std::floor(y * ratio + 0.5));
}

// The device rows a text's ink covers at a device pixel ratio, from the row of its baseline.
struct InkRows
{
    int top = 0;
    int bottom = -1;

    bool isEmpty() const { return bottom < top; }
};

// Measured by drawing the text, since metrics give the ink only roughly and only at 1×.
InkRows inkRows(const QFont &font, const QString &text, qreal ratio)
{
    static QHash<QString, InkRows> known; // a few fonts and captions
    const QString key = font.key() + u'|' + QString::number(ratio) + u'|' + text;
    if (const auto found = known.constFind(key); found != known.cend())
        return *found;

    const QFontMetrics metrics(font);
    const int baseline = 2 * metrics.height();
    const QSize size(metrics.horizontalAdvance(text) + 2 * metrics.height(), 4 * metrics.height());
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(metrics.height(), baseline), text);
    }
    InkRows ink;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        if (std::none_of(row, row + image.width(), [](QRgb pixel) { return qAlpha(pixel) > kVisibleAlpha; }))
            continue;
        if (ink.isEmpty())
            ink.top = y;
        ink.bottom = y;
    }
    if (!ink.isEmpty()) {
        ink.top -= deviceRow(baseline, ratio);
        ink.bottom -= deviceRow(baseline, ratio);
    }
    known.insert(key, ink);
    return ink;
}

// How many lines a text wraps to in a width, counted up to `most`.
int wrappedLines(const QString &text, const QFont &font, int width, int most)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(shown, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (; lines < most; ++lines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
    }
    layout.endLayout();
    return std::max(1, lines);
}

} // namespace

FormLabel::FormLabel(const QString &caption, Sizing sizing, const QRect &designRect, QWidget *parent)
    : QLabel(parent)
    , m_sizing(sizing)
    , m_design(designRect)
    , m_designFont(font())
{
    setTextFormat(Qt::PlainText); // captions come raw from web pages
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
    setCaption(caption);
}

void FormLabel::setCaption(const QString &caption)
{
    setText(shownPart(caption, m_sizing == Sizing::AutoSizeRightAligned));
    place();
}

void FormLabel::setShowsPageTexts(bool pageTexts)
{
    m_pageTexts = pageTexts;
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
    if (event->type() == QEvent::FontChange && !m_fitting) {
        m_designFont = font();
        place();
    }
}

QString FormLabel::inkSample() const
{
    return m_pageTexts ? tallestAndDeepest() : text().left(kSampledCharacters);
}

bool FormLabel::fits(const QFont &font, int baseline, int pitch, int lines) const
{
    // Rounded to device pixels as the window paints it: from the window's origin.
    const int origin = parentWidget() ? parentWidget()->mapTo(window(), QPoint()).y() : 0;
    const int belowLineAbove = origin + m_cell->top() + 1;
    const int lineBelow = origin + m_cell->bottom();
    const int firstBaseline = origin + baseline;
    const int lastBaseline = firstBaseline + (lines - 1) * pitch;
    QList<qreal> ratios(std::begin(kRatios), std::end(kRatios));
    ratios.append(devicePixelRatioF());
    for (qreal ratio : std::as_const(ratios)) {
        const InkRows ink = inkRows(font, inkSample(), ratio);
        if (ink.isEmpty())
            continue;
        // A free device row on either side, between ink and line.
        if (deviceRow(firstBaseline, ratio) + ink.top < deviceRow(belowLineAbove, ratio) + 1
            || deviceRow(lastBaseline, ratio) + ink.bottom > deviceRow(lineBelow, ratio) - 2)
            return false;
        if (lines == 1)
            continue;
        // And between the ideographs of one line and the next.
        const InkRows band = inkRows(font, ideographs(), ratio);
        if (deviceRow(firstBaseline + pitch, ratio) + band.top
            <= deviceRow(firstBaseline, ratio) + band.bottom + 1)
            return false;
    }
    return true;
}

QRect FormLabel::fixedBox() const
{
    QRect box(m_design.left(), 0, m_design.width(), 0);
    if (m_cell) // a pixel clear of each side's line
        box.setCoords(std::max(box.left(), m_cell->left() + 2), 0, std::min(box.right(), m_cell->right() - 2),
                      0);
    return box;
}

std::optional<FormLabel::Fit> FormLabel::fitInCell() const
{
    const int designSize = QFontInfo(m_designFont).pixelSize();
    // The layout is designed for 宋体, whose baseline lies 0.88 em below the top of its line.
    const int designBaseline = m_design.top() + qRound(0.88 * designSize);
    const int mostLines =
        m_sizing == Sizing::Fixed ? std::max(1, qRound(double(m_design.height()) / designSize)) : 1;
    // A caption of its own is as wide as its text, which must fit between the side lines too.
    const int room = m_cell->width() - 4;
    const bool widthCounts = !m_pageTexts && m_sizing != Sizing::Fixed;
    for (int size = designSize; size >= std::ceil(kSmallestScale * designSize); --size) {
        QFont font = m_designFont;
        font.setPixelSize(size);
        if (widthCounts && QFontMetrics(font).horizontalAdvance(text()) >= room)
            continue;
        // A text that wraps to fewer lines than the cell holds keeps a larger size.
        const int lines = mostLines > 1 ? wrappedLines(text(), font, fixedBox().width(), mostLines) : 1;
        // Lines of ideographs with a free row between them.
        const InkRows band = lines > 1 ? inkRows(font, ideographs(), 1.0) : InkRows();
        const int pitch = lines > 1 ? band.bottom - band.top + 2 : 0;
        for (int away = 0; away <= m_cell->height(); ++away) {
            for (int baseline : {designBaseline + away, designBaseline - away})
                if (fits(font, baseline, pitch, lines))
                    return Fit{font, baseline, pitch, lines};
        }
    }
    return std::nullopt;
}

void FormLabel::place()
{
    const std::optional<Fit> fit = m_cell ? fitInCell() : std::nullopt;
    QFont shownFont = m_designFont;
    int baseline = 0;
    if (fit) {
        shownFont = fit->font;
        baseline = fit->baseline;
        m_pitch = fit->pitch;
        m_lines = fit->lines;
    } else {
        // As designed: lines one em apart, as in 宋体, the first where 宋体 would put it.
        const int em = QFontInfo(shownFont).pixelSize();
        baseline = m_design.top() + qRound(0.88 * em);
        m_pitch = em;
        m_lines = m_sizing == Sizing::Fixed ? std::max(1, qRound(double(m_design.height()) / em)) : 1;
    }
    m_fitting = true;
    setFont(shownFont);
    m_fitting = false;

    const QFontMetrics metrics(shownFont);
    QRect box = m_sizing == Sizing::Fixed ? fixedBox() : QRect(m_design.left(), 0, m_design.width(), 0);
    // A free row below the deepest descender, so nothing is cut.
    const int height = (m_lines - 1) * m_pitch + metrics.ascent() + metrics.descent() + 2;
    if (m_sizing == Sizing::Fixed)
        box.setHeight(height);
    else
        box.setSize(QSize(sizeHint().width(), height));
    if (m_sizing == Sizing::AutoSizeRightAligned)
        box.moveRight(m_design.right());
    if (m_cell && m_sizing != Sizing::Fixed) { // moved off the side lines, should it reach them
        box.moveRight(std::min(box.right(), m_cell->right() - 2));
        box.moveLeft(std::max(box.left(), m_cell->left() + 2));
    }
    box.moveTop(baseline - metrics.ascent());
    m_baseline = baseline - box.top();
    setGeometry(box);
    update();
}

void FormLabel::paintEvent(QPaintEvent *)
{
    // Each line on its baseline, to the pixel: the cell's room was worked out for it.
    QString shown = text();
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(shown, font());
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(m_sizing == Sizing::Fixed ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                                 : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (int row = 0; row < m_lines; ++row) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        line.setPosition(QPointF(0, m_baseline + row * m_pitch - line.ascent()));
    }
    layout.endLayout();
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, QPointF(0, 0));
}
