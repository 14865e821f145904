#include "appicon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QImage drawAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);

    // A blue tile ...
    QLinearGradient sky(0, 0, 0, 48);
    sky.setColorAt(0, QColor(0x3d, 0x8b, 0xe0));
    sky.setColorAt(1, QColor(0x1c, 0x4f, 0x9c));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRoundedRect(QRectF(1, 1, 46, 46), 9, 9);

    // ... with rising bars for the figures a page gets ...
    painter.setBrush(QColor(0xff, 0xff, 0xff, 0xe6));
    painter.drawRect(QRectF(8, 28, 6, 12));
    painter.drawRect(QRectF(17, 21, 6, 19));
    painter.drawRect(QRectF(26, 14, 6, 26));

    // ... under a magnifying glass for the search engine that reads it.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xff, 0xb3, 0x1a), size < 24 ? 5 : 4));
    painter.drawEllipse(QPointF(30, 20), 10, 10);
    painter.setPen(QPen(QColor(0xff, 0xb3, 0x1a), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(37.5, 27.5), QPointF(43, 33));
    return image;
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {48, 32, 24, 16})
        icon.addPixmap(QPixmap::fromImage(drawAppIcon(size)));
    return icon;
}
