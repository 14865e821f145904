#pragma once

#include <QLine>
#include <QWidget>

// One light grey line of the window's tables, drawn between two points of its container.
class GridLine : public QWidget
{
    Q_OBJECT

public:
    GridLine(const QLine &pixels, QWidget *parent);

    QLine line() const { return m_line; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLine m_line;
};
