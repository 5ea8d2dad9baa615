#pragma once

#include <QDateTime>
#include <QFont>
#include <QGraphicsObject>
#include <QHash>
#include <QStaticText>
#include <QStringList>
#include <QVector>

namespace QtCharts {
class QChart;
class QDateTimeAxis;
} // namespace QtCharts

// Draws a chart's date-time x axis under its plot area: the line and tick marks
// in the axis's pen, the tick labels in its format, font and colour, and its
// title. The axis's tick count is not used: ticks stand on round clock times. Qt Charts re-lays its
// own axis out as rich text on every range change, label by label, which costs far more than the
// rest of a live curve's sample; this item only notes the new range and repaints. The axis itself
// stays the series' x axis and holds every setting; it is hidden, and the chart keeps the room it
// would take free for this item.
class TimeAxisItem : public QGraphicsObject
{
    Q_OBJECT

public:
    TimeAxisItem(QtCharts::QDateTimeAxis *axis, QtCharts::QChart *chart);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // Ticks stand on every whole TickStepMs of the clock (10:00:00, 10:00:10,
    // ...), so that their labels read round and move with the curve.
    static constexpr qint64 TickStepMs = 10 * 1000;

    // The times of the ticks within the range, in ms since the epoch, left to right.
    QVector<qint64> ticks() const;
    // The tick labels, left to right, one per tick.
    QStringList labels() const;
    // Where tick i stands, in chart coordinates.
    qreal tickX(int i) const;

private slots:
    void followRange(const QDateTime &min, const QDateTime &max);
    void followPlotArea(const QRectF &plotArea);
    void followLook();

private:
    void reserveRoom();
    // Where the time at (ms since the epoch) stands, in chart coordinates.
    qreal xOf(qint64 at) const;
    // The label's or title's text, laid out once and kept.
    const QStaticText &labelText(const QString &text);
    const QStaticText &titleText(const QString &text);
    qreal labelHeight() const;
    qreal titleHeight() const;

    QtCharts::QDateTimeAxis *m_axis;
    QtCharts::QChart *m_chart;
    QRectF m_plot;
    qint64 m_minMs = 0;
    qint64 m_maxMs = 0;
    // The room taken from the chart's margins for this axis, so it can be given back.
    QMargins m_reserved;
    // Texts laid out once: each clock second recurs under several ticks as the
    // range moves on.
    QHash<QString, QStaticText> m_labelTexts;
    QStaticText m_titleText;
};
