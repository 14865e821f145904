#include "gridline.h"

#include <QPainter>

GridLine::GridLine(const QLine &pixels, QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(QRect(pixels.p1(), pixels.p2()).normalized());
}

void GridLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
}
