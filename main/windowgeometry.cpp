#include "windowgeometry.h"

int BorderRegionAt(int x, int y, int width, int height)
{
    const int w = width - 1;
    const int h = height - 1;
    const bool alongX = 10 < x && x < w - 19;
    const bool alongY = 10 < y && y < h - 9;
    const bool left = x < 10;
    const bool right = w - 8 <= x && x <= w;
    const bool top = y <= 9;
    const bool bottom = h - 8 <= y && y <= h;
    if (alongX && top)
        return 1;
    if (alongX && bottom)
        return 2;
    if (left && alongY)
        return 3;
    if (right && alongY)
        return 4;
    if (left && top)
        return 5;
    if (right && top)
        return 6;
    if (left && bottom)
        return 7;
    if (right && h - 9 <= y && y <= h + 1)
        return 8;
    return 0;
}

QSize CappedMinimumSize(QSize designed, QSize available)
{
    return designed.boundedTo(available);
}

QRect FitInside(const QRect &geometry, const QRect &area)
{
    QRect fitted(geometry.topLeft(), geometry.size().boundedTo(area.size()));
    if (fitted.right() > area.right())
        fitted.moveRight(area.right());
    if (fitted.bottom() > area.bottom())
        fitted.moveBottom(area.bottom());
    if (fitted.left() < area.left())
        fitted.moveLeft(area.left());
    if (fitted.top() < area.top())
        fitted.moveTop(area.top());
    return fitted;
}
