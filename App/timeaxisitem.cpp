#include "timeaxisitem.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QPainter>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>

#include <algorithm>
#include <cmath>

QT_CHARTS_USE_NAMESPACE

namespace {

// Gaps as the chart's own axes leave them: between the plot area and the
// labels (the tick marks are as long), and around the title.
constexpr qreal LabelPadding = 4.0;
constexpr qreal TitlePadding = 2.0;
// The blank a chart leaves around each text.
constexpr qreal TextMargin = 0.5;
// Labels laid out and kept; the oldest go when there are more.
constexpr int KeptLabels = 256;

// A font with every property set, so that a painter on a styled view draws it
// as it is instead of filling the unset ones from the widget's font.
QFont settled(const QFont &font)
{
    QFont copy;
    copy.fromString(font.toString());
    return copy;
}

// The text, or as much of its start as fits into width followed by "...", as
// the chart's own axes shorten a label that has no room.
QString fitted(const QString &text, const QFont &font, qreal width)
{
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    for (int keep = text.size() - 1; keep > 0; --keep) {
        const QString shortened = text.left(keep) + dots;
        if (metrics.horizontalAdvance(shortened) <= width)
            return shortened;
    }
    return dots;
}

QStaticText preparedText(const QString &text, const QFont &font)
{
    QStaticText prepared(text);
    prepared.setTextFormat(Qt::PlainText);
    prepared.prepare(QTransform(), font);
    return prepared;
}

} // namespace

TimeAxisItem::TimeAxisItem(QDateTimeAxis *axis, QChart *chart)
    : QGraphicsObject(chart), m_axis(axis), m_chart(chart)
{
    m_axis->setVisible(false);
    connect(m_axis, &QDateTimeAxis::rangeChanged, this, &TimeAxisItem::followRange);
    connect(m_axis, &QAbstractAxis::titleTextChanged, this, &TimeAxisItem::followLook);
    connect(m_axis, &QAbstractAxis::labelsFontChanged, this, &TimeAxisItem::followLook);
    connect(m_axis, &QAbstractAxis::titleFontChanged, this, &TimeAxisItem::followLook);
    connect(m_axis, &QAbstractAxis::linePenChanged, this, [this] { update(); });
    connect(m_axis, &QAbstractAxis::labelsBrushChanged, this, [this] { update(); });
    connect(m_axis, &QAbstractAxis::titleBrushChanged, this, [this] { update(); });
    connect(m_axis, &QDateTimeAxis::tickCountChanged, this, [this] { update(); });
    connect(m_axis, &QDateTimeAxis::formatChanged, this, [this] {
        m_labelTexts.clear();
        update();
    });
    connect(m_chart, &QChart::plotAreaChanged, this, &TimeAxisItem::followPlotArea);
    followRange(m_axis->min(), m_axis->max());
    followLook();
}

qreal TimeAxisItem::labelHeight() const
{
    return QFontMetricsF(m_axis->labelsFont()).height() + 2 * TextMargin;
}

qreal TimeAxisItem::titleHeight() const
{
    if (m_axis->titleText().isEmpty())
        return 0.0;
    return QFontMetricsF(m_axis->titleFont()).height() + 2 * TextMargin;
}

// Below the plot area: tick marks and labels, then the title; to the right,
// half the last label, which stands centred on the plot's right border.
void TimeAxisItem::reserveRoom()
{
    QMargins margins = m_chart->margins() - m_reserved;
    const qreal title = titleHeight();
    qreal height = LabelPadding + labelHeight() + (title > 0 ? title + 2 * TitlePadding : 0) + 1.0;
    // The chart keeps room under the plot for the lowest label of a y axis,
    // which stands centred on the plot's bottom; the axis shares that room.
    qreal overhang = 0.0;
    for (const QAbstractAxis *axis : m_chart->axes(Qt::Vertical)) {
        if (axis->isVisible() && axis->labelsVisible())
            overhang = std::max(overhang,
                                (QFontMetricsF(axis->labelsFont()).height() + 2 * TextMargin) / 2);
    }
    height = std::max(height - overhang, 0.0);
    const QString widest = QDateTime(QDate(2000, 1, 1), QTime(0, 0)).toString(m_axis->format());
    const qreal halfLabel =
        QFontMetricsF(m_axis->labelsFont()).horizontalAdvance(widest) / 2 + TextMargin;
    m_reserved = QMargins(0, 0, int(std::ceil(halfLabel)), int(std::ceil(height)));
    m_chart->setMargins(margins + m_reserved);
}

void TimeAxisItem::followLook()
{
    prepareGeometryChange();
    m_labelTexts.clear();
    m_titleText = QStaticText();
    reserveRoom();
    update();
}

void TimeAxisItem::followRange(const QDateTime &min, const QDateTime &max)
{
    const qint64 minMs = min.toMSecsSinceEpoch();
    const qint64 maxMs = max.toMSecsSinceEpoch();
    if (minMs == m_minMs && maxMs == m_maxMs)
        return;
    m_minMs = minMs;
    m_maxMs = maxMs;
    update();
}

void TimeAxisItem::followPlotArea(const QRectF &plotArea)
{
    prepareGeometryChange();
    m_plot = plotArea;
    update();
}

QRectF TimeAxisItem::boundingRect() const
{
    if (m_plot.isEmpty())
        return {};
    const qreal side = m_reserved.right() + 1.0;
    return QRectF(m_plot.left() - side, m_plot.bottom() - 2.0, m_plot.width() + 2 * side,
                  m_reserved.bottom() + 4.0);
}

QVector<qint64> TimeAxisItem::ticks() const
{
    QVector<qint64> times;
    if (m_maxMs <= m_minMs)
        return times;
    // The first whole step at or after the start; the zone's offset from UTC
    // is whole minutes, so whole steps of UTC are whole steps of local time.
    qint64 at = m_minMs / TickStepMs * TickStepMs;
    if (at < m_minMs)
        at += TickStepMs;
    for (; at <= m_maxMs; at += TickStepMs)
        times.append(at);
    return times;
}

QStringList TimeAxisItem::labels() const
{
    QStringList texts;
    for (qint64 at : ticks())
        texts << QDateTime::fromMSecsSinceEpoch(at).toString(m_axis->format());
    return texts;
}

qreal TimeAxisItem::xOf(qint64 at) const
{
    return m_plot.left() + double(at - m_minMs) * m_plot.width() / double(m_maxMs - m_minMs);
}

qreal TimeAxisItem::tickX(int i) const
{
    const QVector<qint64> times = ticks();
    return i >= 0 && i < times.size() ? xOf(times[i]) : m_plot.left();
}

const QStaticText &TimeAxisItem::labelText(const QString &text)
{
    auto found = m_labelTexts.constFind(text);
    if (found != m_labelTexts.constEnd())
        return *found;
    if (m_labelTexts.size() >= KeptLabels)
        m_labelTexts.clear();
    return *m_labelTexts.insert(text, preparedText(text, m_axis->labelsFont()));
}

const QStaticText &TimeAxisItem::titleText(const QString &text)
{
    if (m_titleText.text() != text)
        m_titleText = preparedText(text, m_axis->titleFont());
    return m_titleText;
}

void TimeAxisItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (m_plot.isEmpty())
        return;
    const qreal top = m_plot.bottom();
    const QStringList texts = labels();
    QVector<qreal> xs;
    for (qint64 at : ticks())
        xs.append(xOf(at));
    if (m_axis->isLineVisible()) {
        painter->setPen(m_axis->linePen());
        painter->drawLine(QPointF(m_plot.left(), top), QPointF(m_plot.right(), top));
        for (qreal x : xs)
            painter->drawLine(QPointF(x, top), QPointF(x, top + LabelPadding));
    }

    if (m_axis->labelsVisible() && !texts.isEmpty()) {
        painter->setFont(settled(m_axis->labelsFont()));
        painter->setPen(QPen(m_axis->labelsBrush().color()));
        const qreal y = top + LabelPadding + TextMargin;
        // Each label may take its share of the plot's width, less the padding
        // on either side.
        const qreal room =
            m_plot.width() * TickStepMs / double(m_maxMs - m_minMs) - 2 * LabelPadding;
        for (int i = 0; i < texts.size(); ++i) {
            const QStaticText &text = labelText(fitted(texts[i], m_axis->labelsFont(), room));
            const qreal x = std::round(xs[i] - text.size().width() / 2);
            // A label that would run under the y axis's labels, or past the
            // room kept on the right, waits until it is whole inside.
            if (x < m_plot.left() - LabelPadding ||
                x + text.size().width() > m_plot.right() + m_reserved.right())
                continue;
            painter->drawStaticText(QPointF(x, std::round(y)), text);
        }
    }
    const QString title = m_axis->titleText();
    if (!title.isEmpty() && m_axis->isTitleVisible()) {
        painter->setFont(settled(m_axis->titleFont()));
        painter->setPen(QPen(m_axis->titleBrush().color()));
        const QStaticText &text = titleText(fitted(title, m_axis->titleFont(), m_plot.width()));
        const qreal y = top + LabelPadding + labelHeight() + TitlePadding + TextMargin;
        const qreal x = m_plot.center().x() - text.size().width() / 2;
        painter->drawStaticText(QPointF(x, y), text);
    }
}
