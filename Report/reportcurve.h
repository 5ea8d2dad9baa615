#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>

class QPainter;

// The colour of the report's curve line, which nothing else on a page uses.
extern const QColor ReportCurveColor;

struct CurveTexts
{
    QString xTitle; // "Time/s"
    QString yTitle; // "Weight/kg"
    QString empty;  // said in the frame when there are fewer than two samples
};

// Draws the samples (x: seconds, y: value) as a line in a framed chart that
// fills area: a grid with round numbers on both axes, their titles, and the
// line. The painter's font gives the size of the numbers.
void DrawCurve(QPainter &painter, const QRectF &area, const QVector<QPointF> &samples,
               const CurveTexts &texts);

// Round steps for an axis from low to high with about `ticks` intervals: the
// first tick at or below low, the last at or above high.
struct AxisTicks
{
    double first = 0;
    double step = 1;
    int count = 1; // intervals
    int decimals = 0;
};
AxisTicks NiceTicks(double low, double high, int ticks);
