#pragma once

#include <QRect>

// Control positions are designed in twips (1,440 to the inch); the screen's twips per
// pixel turns them into pixels: 15 at 96 dpi.
class Twips
{
public:
    explicit Twips(double twipsPerPixel)
        : m_perPixel(twipsPerPixel)
    {}

    // From the primary screen's logical resolution.
    static Twips ofScreen();

    int toPixels(int twips) const { return qRound(twips / m_perPixel); }
    QRect toPixels(int left, int top, int width, int height) const
    {
        return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
    }

private:
    double m_perPixel;
};
