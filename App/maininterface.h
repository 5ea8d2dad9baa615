#pragma once

#include "pagebase.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace QtCharts {
class QChart;
class QChartView;
class QDateTimeAxis;
class QCategoryAxis;
class QSplineSeries;
} // namespace QtCharts

class QComboBox;
class QPushButton;

namespace Ui {
class MainInterface;
}

// The monitoring page: two live curves, each of a quantity picked by the user,
// plotted against clock time over the last minute.
class MainInterface : public PageBase
{
    Q_OBJECT

public:
    // Quantity codes; they are also the combo-box item indexes.
    enum Quantity { Gross = 0, Net = 1, Tare = 2, SensorSignal = 3, GainSignal = 4 };
    static constexpr int CurveCount = 2;
    // The x axis spans this much clock time, ending at the newest sample.
    static constexpr qint64 VisibleMs = 60 * 1000;
    // Points this far left of the visible span are dropped from the series.
    static constexpr qint64 TrimMarginMs = 2 * 1000;

    explicit MainInterface(QWidget *parent = nullptr);
    ~MainInterface() override;

    void enterPage() override;
    void refresh(bool force) override;
    void adaptWidth(int width) override;

    // Titles the axes of the curve for the quantity and makes it the plotted one.
    void setMonitorParam(int curve, int code);
    void clearCurve(int curve);
    // The value of the quantity in the mirror the last poll filled.
    double sampleValue(int code) const;
    // Widens the y range of the curve so that it holds value; the axis shows
    // that range rounded out to its nearest round ticks.
    void rescaleY(int curve, double value);
    // Adds the sample taken at now to each running curve.
    void updateDraw(const QDateTime &now);
    // Where the samples' time comes from: the wall clock unless a benchmark
    // plays the polls faster than they come.
    void setClock(std::function<QDateTime()> clock);
    // Trimming is on by default; switching it off only serves to measure what
    // an ever-growing series would cost.
    void setTrimmingEnabled(bool enabled);

    // The points each curve shows (those within its time axis), one line each:
    // time stamp, quantity, value, unit, under a header line.
    QString curveDataCsv() const;
    // The shown points of the first curve that plots a weight (gross, net or
    // tare): seconds from its first point, the weight. Empty when none does.
    QVector<QPointF> weightCurve() const;
    // Write the shown points, or a picture of both curve panels; false when the
    // file could not be written.
    bool saveCurveData(const QString &path) const;
    bool saveChartImage(const QString &path) const;
    // Where the save buttons get their file name: a save dialog unless a test
    // answers instead (caption, suggested path, filter).
    using PathChooser = std::function<QString(const QString &, const QString &, const QString &)>;
    void setPathChooser(PathChooser chooser);

public slots:
    void updateDraw();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_pushButton_Pause_1_clicked();
    void on_pushButton_Pause_2_clicked();
    void on_comboBox_MonitorParam_1_currentIndexChanged(int index);
    void on_comboBox_MonitorParam_2_currentIndexChanged(int index);
    void on_pushButton_SaveData_clicked();
    void on_pushButton_SaveImage_clicked();

private:
    void setUpChart(int curve);
    void placePanels();
    QString quantityName(int code) const;
    QString quantityUnit(int code) const;
    QString chooseSavePath(const QString &caption, const QString &suffix, const QString &filter);
    void togglePause(int curve);
    void pickQuantity(int curve, int index);
    void dropHiddenPoints(int curve, qint64 nowMs);
    void showValueRange(int curve, double lo, double hi);
    QtCharts::QChartView *chartView(int curve) const;
    QComboBox *comboBox(int curve) const;
    QPushButton *pauseButton(int curve) const;

    Ui::MainInterface *ui;
    QtCharts::QChart *m_chart[CurveCount] = {};
    QtCharts::QSplineSeries *m_series[CurveCount] = {};
    QtCharts::QDateTimeAxis *m_timeAxis[CurveCount] = {};
    // A value axis whose tick labels the page writes itself: round numbers,
    // never "-0.0".
    QtCharts::QCategoryAxis *m_valueAxis[CurveCount] = {};
    int m_running[CurveCount] = {1, 1};
    int m_comboIndex[CurveCount] = {0, 0};
    int m_monitorParam[CurveCount] = {0, 0};
    // The quantity whose range each curve last used.
    int m_lastKind[CurveCount] = {0, 0};
    QString m_unitText;
    // The combo boxes hold their items, so their change signals may act.
    bool m_comboReady = false;
    // Extremes seen per quantity since the range was last reset; both curves
    // share the entry when they plot the same quantity.
    double m_maxByKind[6] = {};
    double m_minByKind[6] = {};
    // Where each curve's x range was last made to end, in ms since the epoch.
    qint64 m_rangeEndMs[CurveCount] = {-1, -1};
    // The value range each curve's axis was last rounded out from.
    double m_shownLo[CurveCount] = {1.0, 1.0};
    double m_shownHi[CurveCount] = {-1.0, -1.0};
    bool m_trimming = true;
    // The window is wide enough for the panels side by side.
    bool m_sideBySide = false;
    std::function<QDateTime()> m_clock;
    PathChooser m_pathChooser;
};
