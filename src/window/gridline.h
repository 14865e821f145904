#pragma once

#include <QLine>
#include <QWidget>

// One light grey line of the window's tables, drawn between two points of its container.
class GridLine : public QWidget
{
    Q_OBJECT

public:
    GridLine(const QLine &pixels, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
