#pragma once

#include <QRect>
#include <QSize>

// Border region of a position (x, y) relative to the top-left corner of a
// frameless window of the given size: 0 none, 1 top, 2 bottom, 3 left, 4 right,
// 5 top-left, 6 top-right, 7 bottom-left, 8 bottom-right.
int BorderRegionAt(int x, int y, int width, int height);

// Height of the title strip that moves the window.
constexpr int TitleStripHeight = 40;

// The smallest size the window may take on a screen with this much room: the
// designed minimum, but never more than the screen offers, so that the window
// can still be maximised and its edges reached.
QSize CappedMinimumSize(QSize designed, QSize available);

// The geometry shrunk to the area where it is larger and moved inside it.
QRect FitInside(const QRect &geometry, const QRect &area);
