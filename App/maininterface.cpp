#include "maininterface.h"
#include "nicescale.h"
#include "timeaxisitem.h"
#include "ui_maininterface.h"

#include "Modbus/devicemodel.h"
#include "Modbus/filepaths.h"
#include "Modbus/valuebinding.h"
#include "Warning/mesgBox.h"

#include <QColor>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QPen>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QStringList>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QSplineSeries>

#include <algorithm>
#include <cmath>
#include <cstring>

QT_CHARTS_USE_NAMESPACE

namespace {

// Live block slots: gross, net and tare as float bits from slot 7 on, the
// sensor signal and the gain signal as signed integers from slot 11 on.
constexpr int FirstWeightSlot = 7;
constexpr int FirstSignalSlot = 11;

// The designed size of a curve panel, its smallest.
constexpr int PanelWidth = 894;
constexpr int PanelHeight = 361;
constexpr int StackedLeft = 100;
constexpr int StackedTop = 10;
constexpr int StackedGap = 9;
constexpr int SideBySideMargin = 10;

bool isQuantity(int code)
{
    return code >= MainInterface::Gross && code <= MainInterface::GainSignal;
}

float floatFromBits(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// How many leading points lie left of edge, less the newest of them, which
// stays so that the line still enters the plot at its left border.
int hiddenPointsToDrop(const QVector<QPointF> &points, qreal edge)
{
    int firstInside = 0;
    while (firstInside < points.size() && points[firstInside].x() < edge)
        ++firstInside;
    return std::max(firstInside - 1, 0);
}

} // namespace

MainInterface::MainInterface(QWidget *parent) : PageBase(parent), ui(new Ui::MainInterface)
{
    ui->setupUi(this);
    for (QComboBox *box : findChildren<QComboBox *>())
        box->installEventFilter(this);
    for (int i = 0; i < CurveCount; ++i) {
        m_chart[i] = new QChart;
        m_series[i] = new QSplineSeries;
        m_timeAxis[i] = new QDateTimeAxis;
        m_valueAxis[i] = new QCategoryAxis;
        setUpChart(i);
        m_chart[i]->setBackgroundBrush(QColor(255, 255, 255));
    }
    ui->scrollArea->viewport()->installEventFilter(this);
}

MainInterface::~MainInterface()
{
    delete ui;
}

void MainInterface::setUpChart(int curve)
{
    const QPen pen(Qt::darkGreen, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QChart *chart = m_chart[curve];
    chart->legend()->hide();
    chart->addSeries(m_series[curve]);

    QDateTimeAxis *timeAxis = m_timeAxis[curve];
    timeAxis->setTickCount(12);
    timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    timeAxis->setGridLineColor(Qt::darkBlue);
    timeAxis->setGridLineVisible(false);
    timeAxis->setLinePen(pen);

    QCategoryAxis *valueAxis = m_valueAxis[curve];
    valueAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    valueAxis->setGridLineColor(Qt::darkBlue);
    valueAxis->setGridLineVisible(false);
    valueAxis->setLinePen(pen);

    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    m_series[curve]->setColor(curve == 0 ? Qt::red : Qt::blue);
    m_series[curve]->attachAxis(timeAxis);
    m_series[curve]->attachAxis(valueAxis);
    // The axis keeps its settings and maps the series; the item draws it.
    new TimeAxisItem(timeAxis, chart);

    // The view does not delete the chart it had from the form.
    QChart *formChart = chartView(curve)->chart();
    chartView(curve)->setChart(chart);
    delete formChart;
    chartView(curve)->setRenderHint(QPainter::Antialiasing);
}

void MainInterface::enterPage()
{
    ui->retranslateUi(this);
    for (int i = 0; i < CurveCount; ++i)
        pauseButton(i)->setText(m_running[i] == 1 ? tr("Pause") : tr("Start"));
    std::fill(std::begin(m_maxByKind), std::end(m_maxByKind), 0.0);
    std::fill(std::begin(m_minByKind), std::end(m_minByKind), 0.0);

    QStringList items{tr("Gross"), tr("Net"), tr("Tare")};
    if (gu8_DigSensorsType != 0)
        items << tr("AD Code") << tr("Gain AD Code");
    else
        items << tr("Sensor Voltage") << tr("Gain Voltage");

    m_comboReady = false;
    for (int i = 0; i < CurveCount; ++i) {
        comboBox(i)->clear();
        comboBox(i)->addItems(items);
    }
    m_comboReady = true;

    for (int i = 0; i < CurveCount; ++i)
        comboBox(i)->setCurrentIndex(m_comboIndex[i]);
    for (int i = 0; i < CurveCount; ++i) {
        const int index = comboBox(i)->currentIndex();
        clearCurve(i);
        setMonitorParam(i, index);
        m_comboIndex[i] = index;
    }
}

// Nothing on this page shows a register group: the poll hands the curves their
// samples through updateDraw instead.
void MainInterface::refresh(bool)
{}

void MainInterface::adaptWidth(int width)
{
    m_sideBySide = width > 1919;
    placePanels();
}

// The panels share the room the scroll area shows: side by side they split its
// width and take its height; one above the other they keep their designed
// height and take the width beside a margin of 100. They never get smaller
// than designed: where the room is less, the page scrolls.
void MainInterface::placePanels()
{
    const QSize room = ui->scrollArea->viewport()->size();
    QWidget *first = ui->widget_Monitor_1;
    QWidget *second = ui->widget_Monitor_2;
    if (m_sideBySide) {
        const int w = std::max(PanelWidth, (room.width() - 3 * SideBySideMargin) / 2);
        const int h = std::max(PanelHeight, room.height() - 2 * SideBySideMargin);
        first->setGeometry(SideBySideMargin, SideBySideMargin, w, h);
        second->setGeometry(2 * SideBySideMargin + w, SideBySideMargin, w, h);
    } else {
        const int left = std::clamp((room.width() - PanelWidth) / 2, SideBySideMargin, StackedLeft);
        const int w = std::max(PanelWidth, room.width() - 2 * left);
        first->setGeometry(left, StackedTop, w, PanelHeight);
        second->setGeometry(left, StackedTop + PanelHeight + StackedGap, w, PanelHeight);
    }
    // The content is as wide as the room, and wider only where the panels need
    // it: a horizontal scroll bar shows only when something is cut.
    QWidget *contents = ui->scrollAreaWidgetContents;
    contents->setMinimumSize(second->geometry().right() + 1 + SideBySideMargin,
                             second->geometry().bottom() + 1 + SideBySideMargin);
    contents->setMaximumWidth(QWIDGETSIZE_MAX);
}

QString MainInterface::quantityName(int code) const
{
    const bool digital = gu8_DigSensorsType != 0;
    switch (code) {
    case Gross:
        return tr("Gross");
    case Net:
        return tr("Net");
    case Tare:
        return tr("Tare");
    case SensorSignal:
        return digital ? tr("AD Code") : tr("Sensor Volt");
    case GainSignal:
        return digital ? tr("Gain AD Code") : tr("Gain Volt");
    default:
        return QString();
    }
}

QString MainInterface::quantityUnit(int code) const
{
    if (code <= Tare)
        return UnitName(gsrt_CalPara.slot[CalUnitSlot]);
    return gu8_DigSensorsType != 0 ? QString() : QStringLiteral("mV");
}

void MainInterface::setMonitorParam(int curve, int code)
{
    if (!isQuantity(code))
        return;
    m_monitorParam[curve] = code;
    const QString name = quantityName(code);
    m_unitText = quantityUnit(code);

    m_timeAxis[curve]->setTitleText(tr("Time (hh:mm:ss)"));
    // AD codes have no unit: their title is the name followed by a space.
    const bool adCode = gu8_DigSensorsType != 0 && code >= SensorSignal;
    const QString title = adCode ? QStringLiteral("%1 %2") : QStringLiteral("%1/%2");
    m_valueAxis[curve]->setTitleText(title.arg(name, m_unitText));
}

void MainInterface::clearCurve(int curve)
{
    chartView(curve)->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    m_series[curve]->clear();
}

double MainInterface::sampleValue(int code) const
{
    switch (code) {
    case Gross:
    case Net:
    case Tare:
        return double(floatFromBits(gsrt_LiveVal.slot[FirstWeightSlot + code]));
    case SensorSignal:
    case GainSignal: {
        const qint32 raw = qint32(gsrt_LiveVal.slot[FirstSignalSlot + code - SensorSignal]);
        return gu8_DigSensorsType != 0 ? double(raw) : raw / 10000.0;
    }
    default:
        return 0.0;
    }
}

void MainInterface::rescaleY(int curve, double value)
{
    const int kind = m_monitorParam[curve];
    if (kind != m_lastKind[curve]) {
        m_lastKind[curve] = kind;
        m_minByKind[kind] = 0.0;
        m_maxByKind[kind] = 0.0;
    }
    // A weight that is not a number (float bits of an overflow or of a block
    // read wrong) cannot be placed on the axis and does not stretch it.
    if (std::isfinite(value)) {
        m_minByKind[kind] = std::min(m_minByKind[kind], value);
        m_maxByKind[kind] = std::max(m_maxByKind[kind], value);
    }
    if (m_minByKind[kind] == 0.0 && m_maxByKind[kind] == 0.0)
        showValueRange(curve, 0.0, 15.0);
    else
        showValueRange(curve, 1.5 * m_minByKind[kind], 1.5 * m_maxByKind[kind]);
}

// The range changes seldom (it only widens), so the ticks are rebuilt only
// when it does.
void MainInterface::showValueRange(int curve, double lo, double hi)
{
    if (lo == m_shownLo[curve] && hi == m_shownHi[curve])
        return;
    m_shownLo[curve] = lo;
    m_shownHi[curve] = hi;
    const NiceScale scale = niceScale(lo, hi);
    QCategoryAxis *axis = m_valueAxis[curve];
    const QStringList old = axis->categoriesLabels();
    for (const QString &label : old)
        axis->remove(label);
    axis->setRange(scale.min, scale.max);
    axis->setStartValue(scale.min);
    const QStringList labels = scale.labels();
    for (int i = 0; i < labels.size(); ++i)
        axis->append(labels[i], scale.tick(i));
}

void MainInterface::updateDraw()
{
    updateDraw(m_clock ? m_clock() : QDateTime::currentDateTimeUtc());
}

void MainInterface::updateDraw(const QDateTime &now)
{
    // The range is handed over in UTC: the same instants, without a trip through
    // the time zone rules for each; the axis labels still show local time.
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const QDateTime end = QDateTime::fromMSecsSinceEpoch(nowMs, Qt::UTC);
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(nowMs - VisibleMs, Qt::UTC);
    for (int i = 0; i < CurveCount; ++i) {
        if (m_running[i] != 1)
            continue;
        const double value = sampleValue(m_monitorParam[i]);
        QSplineSeries *series = m_series[i];
        QDateTimeAxis *timeAxis = m_timeAxis[i];
        // Every change the chart hears of re-lays out the whole spline. A moving
        // x range recomputes all points from the series anyway, so the new point
        // and the trim go in unheard and the curve is laid out once per sample.
        const bool rangeMoves = nowMs != m_rangeEndMs[i];
        m_rangeEndMs[i] = nowMs;
        {
            const QSignalBlocker quiet(rangeMoves ? series : nullptr);
            // A value that is no number is a gap, as a failed poll is.
            if (std::isfinite(value))
                series->append(qreal(nowMs), value);
            if (m_trimming)
                dropHiddenPoints(i, nowMs);
        }
        timeAxis->setRange(from, end);
        rescaleY(i, value);
    }
    if (UnitChanged(false)) {
        for (int i = 0; i < CurveCount; ++i)
            setMonitorParam(i, comboBox(i)->currentIndex());
    }
}

void MainInterface::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
}

void MainInterface::setTrimmingEnabled(bool enabled)
{
    m_trimming = enabled;
}

// The x axis only ever shows the last minute and cannot be scrolled back, so
// older points are dead weight: every append makes the spline recompute over
// all of them. They go in batches, once the oldest lies TrimMarginMs beyond
// the left border.
void MainInterface::dropHiddenPoints(int curve, qint64 nowMs)
{
    QSplineSeries *series = m_series[curve];
    const qreal edge = qreal(nowMs - VisibleMs);
    if (series->count() < 2 || series->at(0).x() >= edge - TrimMarginMs)
        return;
    const int drop = hiddenPointsToDrop(series->pointsVector(), edge);
    if (drop > 0)
        series->removePoints(0, drop);
}

bool MainInterface::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->scrollArea->viewport() && event->type() == QEvent::Resize)
        placePanels();
    // The wheel must never change the plotted quantity while the user scrolls the page.
    if (event->type() == QEvent::Wheel && qobject_cast<QComboBox *>(watched))
        return true;
    return PageBase::eventFilter(watched, event);
}

void MainInterface::togglePause(int curve)
{
    QPushButton *button = pauseButton(curve);
    if (button->text() == tr("Pause")) {
        button->setText(tr("Start"));
        m_running[curve] = 0;
    } else {
        button->setText(tr("Pause"));
        m_running[curve] = 1;
    }
}

void MainInterface::pickQuantity(int curve, int index)
{
    if (!m_comboReady)
        return;
    clearCurve(curve);
    setMonitorParam(curve, index);
    m_comboIndex[curve] = index;
}

void MainInterface::on_pushButton_Pause_1_clicked()
{
    togglePause(0);
}

void MainInterface::on_pushButton_Pause_2_clicked()
{
    togglePause(1);
}

void MainInterface::on_comboBox_MonitorParam_1_currentIndexChanged(int index)
{
    pickQuantity(0, index);
}

void MainInterface::on_comboBox_MonitorParam_2_currentIndexChanged(int index)
{
    pickQuantity(1, index);
}

QVector<QPointF> MainInterface::weightCurve() const
{
    QVector<QPointF> points;
    for (int i = 0; i < CurveCount; ++i) {
        if (m_monitorParam[i] > Tare)
            continue;
        const qint64 from = m_timeAxis[i]->min().toMSecsSinceEpoch();
        const qint64 to = m_timeAxis[i]->max().toMSecsSinceEpoch();
        double startMs = -1;
        for (const QPointF &point : m_series[i]->pointsVector()) {
            if (point.x() < from || point.x() > to)
                continue;
            if (startMs < 0)
                startMs = point.x();
            points.append(QPointF((point.x() - startMs) / 1000.0, point.y()));
        }
        break;
    }
    return points;
}

QString MainInterface::curveDataCsv() const
{
    const auto field = [](QString text) {
        if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))) {
            text.replace(QLatin1String("\""), QLatin1String("\"\""));
            text = QLatin1Char('"') + text + QLatin1Char('"');
        }
        return text;
    };
    const QLatin1String endOfLine("\r\n");
    QString csv =
        QStringList{tr("Time"), tr("Quantity"), tr("Value"), tr("Unit")}.join(QLatin1Char(',')) +
        endOfLine;
    for (int i = 0; i < CurveCount; ++i) {
        const QString name = field(quantityName(m_monitorParam[i]));
        const QString unit = field(quantityUnit(m_monitorParam[i]));
        // As the instrument shows them: weights with its decimals, signals in 0.0001 mV
        // (analog) or whole AD counts (digital).
        const int code = m_monitorParam[i];
        const int decimals = code <= Tare ? int(qMin(gsrt_CalPara.slot[CalDecimalSlot], 4u))
                             : gu8_DigSensorsType != 0 ? 0
                                                       : 4;
        // What the axis shows: the point kept left of it only leads the line in.
        const qint64 from = m_timeAxis[i]->min().toMSecsSinceEpoch();
        const qint64 to = m_timeAxis[i]->max().toMSecsSinceEpoch();
        for (const QPointF &point : m_series[i]->pointsVector()) {
            const qint64 ms = qint64(point.x());
            if (ms < from || ms > to)
                continue;
            const QString stamp = QDateTime::fromMSecsSinceEpoch(ms).toString(
                QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
            csv += stamp + QLatin1Char(',') + name + QLatin1Char(',') +
                   QString::number(point.y(), 'f', decimals) + QLatin1Char(',') + unit + endOfLine;
        }
    }
    return csv;
}

bool MainInterface::saveCurveData(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The byte order mark lets spreadsheet programs read the Chinese names as UTF-8.
    file.write("\xEF\xBB\xBF");
    file.write(curveDataCsv().toUtf8());
    return file.commit();
}

bool MainInterface::saveChartImage(const QString &path) const
{
    const QRect both = ui->widget_Monitor_1->geometry().united(ui->widget_Monitor_2->geometry());
    const QPixmap picture = ui->scrollAreaWidgetContents->grab(both);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit();
}

void MainInterface::setPathChooser(PathChooser chooser)
{
    m_pathChooser = std::move(chooser);
}

QString MainInterface::chooseSavePath(const QString &caption, const QString &suffix,
                                      const QString &filter)
{
    const QString suggested =
        ExportDir() +
        QStringLiteral("curves-%1.%2")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")), suffix);
    if (m_pathChooser)
        return m_pathChooser(caption, suggested, filter);
    return QFileDialog::getSaveFileName(this, caption, suggested, filter);
}

void MainInterface::on_pushButton_SaveData_clicked()
{
    const QString path =
        chooseSavePath(tr("Save Curve Data"), QStringLiteral("csv"), tr("CSV files (*.csv)"));
    if (!path.isEmpty() && !saveCurveData(path))
        showNotice(tr("Tip"), tr("The file could not be written: %1").arg(path), 1, this);
}

void MainInterface::on_pushButton_SaveImage_clicked()
{
    const QString path =
        chooseSavePath(tr("Save Curve Image"), QStringLiteral("png"), tr("PNG images (*.png)"));
    if (!path.isEmpty() && !saveChartImage(path))
        showNotice(tr("Tip"), tr("The file could not be written: %1").arg(path), 1, this);
}

QChartView *MainInterface::chartView(int curve) const
{
    return curve == 0 ? ui->QChartView_Monitor_1 : ui->QChartView_Monitor_2;
}

QComboBox *MainInterface::comboBox(int curve) const
{
    return curve == 0 ? ui->comboBox_MonitorParam_1 : ui->comboBox_MonitorParam_2;
}

QPushButton *MainInterface::pauseButton(int curve) const
{
    return curve == 0 ? ui->pushButton_Pause_1 : ui->pushButton_Pause_2;
}
