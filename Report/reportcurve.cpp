#include "reportcurve.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>

const QColor ReportCurveColor(232, 118, 0);

namespace {

const QColor GridColor(205, 210, 218);
const QColor FrameColor(90, 90, 90);
constexpr int XTicks = 6;
constexpr int YTicks = 5;

QString tickText(double value, int decimals)
{
    // "-0" is no number anyone writes on an axis.
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0;
    return QString::number(value, 'f', decimals);
}

} // namespace

AxisTicks NiceTicks(double low, double high, int ticks)
{
    AxisTicks t;
    if (!(high > low)) {
        // A flat line sits in the middle of a span of one unit around it.
        const double pad = std::max(1.0, std::abs(low) * 0.1);
        low -= pad;
        high += pad;
    }
    const double raw = (high - low) / qMax(1, ticks);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        step = m * magnitude;
        if (step >= raw)
            break;
    }
    t.step = step;
    t.first = std::floor(low / step) * step;
    t.count = qMax(1, int(std::ceil((high - t.first) / step - 1e-9)));
    t.decimals = qMax(0, int(-std::floor(std::log10(step) + 1e-9)));
    // A step of 0.25 needs a decimal more than its magnitude.
    if (step < 1 && std::abs(step / magnitude - 2.5) < 1e-9)
        ++t.decimals;
    return t;
}

void DrawCurve(QPainter &painter, const QRectF &area, const QVector<QPointF> &samples,
               const CurveTexts &texts)
{
    painter.save();
    const QFontMetricsF fm(painter.font(), painter.device());
    const double line = fm.height();
    const double thin = std::max(1.0, line / 14);
    if (samples.size() < 2) {
        // Without a curve there is no scale to draw: a frame that says so.
        painter.setPen(QPen(FrameColor, thin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(thin, thin, -thin, -thin));
        painter.drawText(area.adjusted(line, line, -line, -line),
                         Qt::AlignCenter | Qt::TextWordWrap, texts.empty);
        painter.restore();
        return;
    }

    double xLow = samples.first().x(), xHigh = xLow;
    double yLow = samples.first().y(), yHigh = yLow;
    for (const QPointF &p : samples) {
        xLow = std::min(xLow, p.x());
        xHigh = std::max(xHigh, p.x());
        yLow = std::min(yLow, p.y());
        yHigh = std::max(yHigh, p.y());
    }
    const AxisTicks xt = NiceTicks(xLow, std::max(xHigh, xLow + 1), XTicks);
    const AxisTicks yt = NiceTicks(yLow, yHigh, YTicks);

    // The plot leaves room for the y numbers and title on the left and the x
    // numbers and title below.
    double yNumbers = 0;
    for (int i = 0; i <= yt.count; ++i)
        yNumbers =
            std::max(yNumbers, fm.horizontalAdvance(tickText(yt.first + i * yt.step, yt.decimals)));
    const QRectF plot(area.left() + line * 1.6 + yNumbers, area.top() + line * 0.6,
                      area.width() - line * 2.2 - yNumbers, area.height() - line * 3.2);
    const double xSpan = xt.step * xt.count, ySpan = yt.step * yt.count;
    const auto at = [&](const QPointF &p) {
        return QPointF(plot.left() + (p.x() - xt.first) / xSpan * plot.width(),
                       plot.bottom() - (p.y() - yt.first) / ySpan * plot.height());
    };

    painter.setPen(QPen(GridColor, thin));
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i <= xt.count; ++i) {
        const double x = plot.left() + plot.width() * i / xt.count;
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    for (int i = 0; i <= yt.count; ++i) {
        const double y = plot.bottom() - plot.height() * i / yt.count;
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    painter.setPen(QPen(FrameColor, thin));
    painter.drawRect(plot);
    for (int i = 0; i <= xt.count; ++i) {
        const double x = plot.left() + plot.width() * i / xt.count;
        painter.drawText(QRectF(x - line * 3, plot.bottom() + line * 0.2, line * 6, line),
                         Qt::AlignHCenter | Qt::AlignTop,
                         tickText(xt.first + i * xt.step, xt.decimals));
    }
    for (int i = 0; i <= yt.count; ++i) {
        const double y = plot.bottom() - plot.height() * i / yt.count;
        painter.drawText(QRectF(plot.left() - yNumbers - line * 0.4, y - line / 2, yNumbers, line),
                         Qt::AlignRight | Qt::AlignVCenter,
                         tickText(yt.first + i * yt.step, yt.decimals));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + line * 1.3, plot.width(), line * 1.2),
                     Qt::AlignHCenter | Qt::AlignTop, texts.xTitle);
    painter.save();
    painter.translate(area.left(), plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line * 1.2), Qt::AlignCenter,
                     texts.yTitle);
    painter.restore();

    QPainterPath path(at(samples.first()));
    for (int i = 1; i < samples.size(); ++i)
        path.lineTo(at(samples[i]));
    painter.setClipRect(plot);
    painter.setPen(QPen(ReportCurveColor, thin * 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.restore();
}
