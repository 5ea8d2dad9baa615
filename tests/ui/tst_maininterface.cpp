#include "maininterface.h"
#include "nicescale.h"
#include "timeaxisitem.h"

#include "Modbus/devicemodel.h"
#include "Modbus/valuebinding.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTranslator>
#include <QWheelEvent>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QValueAxis>
#include <QtCharts/QXYSeries>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <memory>

QT_CHARTS_USE_NAMESPACE

namespace {

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A stand-in for the Chinese catalogue, for the texts the page compares.
class ChineseNames : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "MainInterface") != 0)
            return {};
        static const QHash<QString, QString> names{{"Gross", "毛重"},
                                                   {"AD Code", "AD码"},
                                                   {"Gain AD Code", "增益AD码"},
                                                   {"Pause", "暂停"},
                                                   {"Start", "开始"},
                                                   {"Time (hh:mm:ss)", "时间 (时:分:秒)"},
                                                   {"Monitoring Curve 1:", "监控曲线1："}};
        return names.value(QString::fromUtf8(source));
    }
};

} // namespace

class TestMainInterface : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void itemsFollowTheInstrumentKindOnEachEntry();
    void signalQuantitiesAreScaledOnAnalogInstrumentsOnly();
    void weightsAreReadAsFloatBits();
    void yRangeOnlyWidensUntilTheRangeIsReset();
    void valueTicksAreRoundNumbers_data();
    void valueTicksAreRoundNumbers();
    void pausedCurveStopsWhileTheOtherMovesOn();
    void unitChangeRetitlesAtTheNextSample();
    void pickingAQuantityRestartsTheCurve();
    void wideWindowPlacesPanelsSideBySide();
    void wheelOverAComboBoxChangesNothing();
    void translatedNamesKeepTheirTitleForm();
    void longRunKeepsOnlyTheVisibleMinute();
    void trimmedCurveShowsWhatTheFullCurveShows();
    void curveReachesTheLeftEdgeAfterAGap();
    void drawnCurveEndsAtTheNewestSample();
    void timeAxisLabelsFollowTheRange();
    void timeAxisIsDrawnUnderThePlot();
    void savedDataHoldsExactlyThePointsTheCurvesShow();
    void saveButtonsWriteTheFilesTheUserNames();

private:
    QXYSeries *series(int curve) const;
    QDateTimeAxis *timeAxis(int curve) const;
    QValueAxis *valueAxis(int curve) const;
    QComboBox *combo(int curve) const;
    QPushButton *pauseButton(int curve) const;
    TimeAxisItem *timeAxisItem(int curve) const;
    // Advances the clock by step and hands the page one sample, samples times.
    void feed(int samples, qint64 stepMs = 500);
    QPointF newest(int curve) const { return series(curve)->pointsVector().last(); }

    QTemporaryDir m_home;
    std::unique_ptr<MainInterface> m_page;
    QDateTime m_clock;
};

QXYSeries *TestMainInterface::series(int curve) const
{
    auto *view = m_page->findChild<QChartView *>(QString("QChartView_Monitor_%1").arg(curve + 1));
    return qobject_cast<QXYSeries *>(view->chart()->series().first());
}

QDateTimeAxis *TestMainInterface::timeAxis(int curve) const
{
    return qobject_cast<QDateTimeAxis *>(series(curve)->attachedAxes().at(0));
}

QValueAxis *TestMainInterface::valueAxis(int curve) const
{
    return qobject_cast<QValueAxis *>(series(curve)->attachedAxes().at(1));
}

TimeAxisItem *TestMainInterface::timeAxisItem(int curve) const
{
    for (QGraphicsItem *item : series(curve)->chart()->childItems()) {
        if (auto *axis = dynamic_cast<TimeAxisItem *>(item))
            return axis;
    }
    return nullptr;
}

QComboBox *TestMainInterface::combo(int curve) const
{
    return m_page->findChild<QComboBox *>(QString("comboBox_MonitorParam_%1").arg(curve + 1));
}

QPushButton *TestMainInterface::pauseButton(int curve) const
{
    return m_page->findChild<QPushButton *>(QString("pushButton_Pause_%1").arg(curve + 1));
}

void TestMainInterface::feed(int samples, qint64 stepMs)
{
    for (int i = 0; i < samples; ++i) {
        m_clock = m_clock.addMSecs(stepMs);
        m_page->updateDraw(m_clock);
    }
}

void TestMainInterface::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("ZELT_HOME", m_home.path().toLocal8Bit());
}

void TestMainInterface::init()
{
    ClearMirror();
    ResetRenderCaches();
    gu8_DigSensorsType = 0;
    gsrt_CalPara.slot[CalUnitSlot] = 1; // kg
    m_page = std::make_unique<MainInterface>();
    m_page->show();
    m_page->enterPage();
    m_clock = QDateTime(QDate(2024, 3, 1), QTime(8, 0));
}

void TestMainInterface::cleanup()
{
    m_page.reset();
}

void TestMainInterface::itemsFollowTheInstrumentKindOnEachEntry()
{
    auto items = [this](int curve) {
        QStringList texts;
        for (int i = 0; i < combo(curve)->count(); ++i)
            texts << combo(curve)->itemText(i);
        return texts;
    };
    const QStringList analog{"Gross", "Net", "Tare", "Sensor Voltage", "Gain Voltage"};
    QCOMPARE(items(0), analog);
    QCOMPARE(items(1), analog);

    gu8_DigSensorsType = 1;
    QCOMPARE(items(0), analog); // only a new entry rebuilds the lists
    m_page->enterPage();
    const QStringList digital{"Gross", "Net", "Tare", "AD Code", "Gain AD Code"};
    QCOMPARE(items(0), digital);
    QCOMPARE(items(1), digital);
    QCOMPARE(timeAxis(0)->titleText(), QString("Time (hh:mm:ss)"));
}

void TestMainInterface::signalQuantitiesAreScaledOnAnalogInstrumentsOnly()
{
    gsrt_LiveVal.slot[11] = 12345;
    gsrt_LiveVal.slot[12] = quint32(-50000);
    combo(0)->setCurrentIndex(MainInterface::SensorSignal);
    combo(1)->setCurrentIndex(MainInterface::GainSignal);
    feed(1);
    QCOMPARE(newest(0).y(), 1.2345);
    QCOMPARE(newest(1).y(), -5.0);
    QCOMPARE(valueAxis(0)->titleText(), QString("Sensor Volt/mV"));
    QCOMPARE(valueAxis(1)->titleText(), QString("Gain Volt/mV"));

    gu8_DigSensorsType = 1;
    m_page->enterPage(); // keeps the chosen quantities, starts the curves afresh
    QCOMPARE(series(0)->count(), 0);
    QCOMPARE(combo(0)->currentIndex(), int(MainInterface::SensorSignal));
    feed(1);
    QCOMPARE(newest(0).y(), 12345.0);
    QCOMPARE(newest(1).y(), -50000.0);
    QCOMPARE(valueAxis(0)->titleText(), QString("AD Code "));
    QCOMPARE(valueAxis(1)->titleText(), QString("Gain AD Code "));
}

void TestMainInterface::weightsAreReadAsFloatBits()
{
    gsrt_LiveVal.slot[7] = floatBits(12.5f);
    gsrt_LiveVal.slot[8] = floatBits(-3.25f);
    gsrt_LiveVal.slot[9] = floatBits(0.75f);
    combo(1)->setCurrentIndex(MainInterface::Net);
    feed(1);
    QCOMPARE(newest(0).y(), 12.5);
    QCOMPARE(newest(1).y(), -3.25);
    QCOMPARE(m_page->sampleValue(MainInterface::Tare), 0.75);
    QCOMPARE(newest(0).x(), qreal(m_clock.toMSecsSinceEpoch()));
    QCOMPARE(valueAxis(0)->titleText(), QString("Gross/kg"));
    QCOMPARE(valueAxis(1)->titleText(), QString("Net/kg"));
}

void TestMainInterface::yRangeOnlyWidensUntilTheRangeIsReset()
{
    // The range holds one and a half times the extremes, rounded out to round ticks.
    auto range = [this] { return qMakePair(valueAxis(0)->min(), valueAxis(0)->max()); };
    auto labels = [this] {
        return qobject_cast<QCategoryAxis *>(valueAxis(0))->categoriesLabels();
    };
    feed(1);
    QCOMPARE(range(), qMakePair(0.0, 15.0));
    QCOMPARE(labels(), QStringList({"0", "5", "10", "15"}));
    gsrt_LiveVal.slot[7] = floatBits(20.0f);
    feed(1);
    QCOMPARE(range(), qMakePair(0.0, 30.0));
    gsrt_LiveVal.slot[7] = floatBits(-4.0f);
    feed(1);
    QCOMPARE(range(), qMakePair(-10.0, 30.0));
    QCOMPARE(labels(), QStringList({"-10", "0", "10", "20", "30"}));
    gsrt_LiveVal.slot[7] = floatBits(5.0f);
    feed(1);
    QCOMPARE(range(), qMakePair(-10.0, 30.0));

    m_page->enterPage();
    feed(1);
    QCOMPARE(range(), qMakePair(0.0, 8.0));

    // Another quantity starts from its own range.
    gsrt_LiveVal.slot[8] = floatBits(2.0f);
    combo(0)->setCurrentIndex(MainInterface::Net);
    feed(1);
    QCOMPARE(range(), qMakePair(0.0, 3.0));
    QCOMPARE(labels(), QStringList({"0", "1", "2", "3"}));
    // Bits that are no number leave a gap in the curve and the range as it was.
    const int points = series(0)->count();
    for (quint32 bits : {0x7f800000u, 0xff800000u, 0x7fc00000u}) {
        gsrt_LiveVal.slot[8] = bits;
        feed(1);
        QCOMPARE(range(), qMakePair(0.0, 3.0));
    }
    QCOMPARE(series(0)->count(), points);
}

void TestMainInterface::valueTicksAreRoundNumbers_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<QString>("ticks");
    // The instrument's weights as they came: 5299.87 kg shows as 0 .. 7949.8.
    QTest::newRow("a weight") << 0.0 << 7949.805 << "0 2000 4000 6000 8000";
    QTest::newRow("sensor millivolts") << -0.3 << 0.6 << "-0.4 -0.2 0.0 0.2 0.4 0.6";
    QTest::newRow("small, both signs") << -0.045 << 0.03 << "-0.06 -0.04 -0.02 0.00 0.02 0.04";
    QTest::newRow("quarter steps") << 0.0 << 1.2 << "0.00 0.25 0.50 0.75 1.00 1.25";
    QTest::newRow("two and a half") << -12.0 << 0.0 << "-12.5 -10.0 -7.5 -5.0 -2.5 0.0";
    QTest::newRow("AD codes") << -75000.0 << 1234567.0 << "-500000 0 500000 1000000 1500000";
    QTest::newRow("a tick on a bound") << -6.0 << 30.0 << "-10 0 10 20 30";
    QTest::newRow("one value") << 3.0 << 3.0 << "1 2 3 4 5";
    QTest::newRow("all zero") << 0.0 << 0.0 << "-1.0 -0.5 0.0 0.5 1.0";
}

void TestMainInterface::valueTicksAreRoundNumbers()
{
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(QString, ticks);
    const NiceScale scale = niceScale(lo, hi);
    QCOMPARE(scale.labels().join(' '), ticks);
    QVERIFY(scale.min <= lo && scale.max >= hi);
    QVERIFY(scale.tickCount() >= 3 && scale.tickCount() <= 10);
    const QRegularExpression negativeZero("^-0(\\.0+)?$");
    for (const QString &label : scale.labels())
        QVERIFY2(!negativeZero.match(label).hasMatch(), qPrintable(label));

    // The page's axis shows the same ticks for a curve that sees lo and hi.
    gsrt_LiveVal.slot[7] = floatBits(float(lo / 1.5));
    feed(1);
    gsrt_LiveVal.slot[7] = floatBits(float(hi / 1.5));
    feed(1);
    if (lo == 0.0 && hi == 0.0)
        return; // the page shows 0 .. 15 before it has seen a value
    const QStringList shown = qobject_cast<QCategoryAxis *>(valueAxis(0))->categoriesLabels();
    const NiceScale pageScale = niceScale(std::min(0.0, 1.5 * double(float(lo / 1.5))),
                                          std::max(0.0, 1.5 * double(float(hi / 1.5))));
    QCOMPARE(shown, pageScale.labels());
}

void TestMainInterface::pausedCurveStopsWhileTheOtherMovesOn()
{
    feed(10);
    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    QCOMPARE(pauseButton(1)->text(), QString("Start"));
    const QDateTime pausedAt = m_clock;
    feed(10);
    QCOMPARE(series(0)->count(), 20);
    QCOMPARE(series(1)->count(), 10);
    QCOMPARE(timeAxis(0)->max(), m_clock);
    QCOMPARE(timeAxis(1)->max(), pausedAt);
    QCOMPARE(timeAxis(1)->min(), pausedAt.addSecs(-60));

    // A new entry clears both curves but keeps the curve paused.
    m_page->enterPage();
    QCOMPARE(pauseButton(1)->text(), QString("Start"));
    QCOMPARE(pauseButton(0)->text(), QString("Pause"));
    feed(1);
    QCOMPARE(series(0)->count(), 1);
    QCOMPARE(series(1)->count(), 0);

    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    QCOMPARE(pauseButton(1)->text(), QString("Pause"));
    feed(1);
    QCOMPARE(series(1)->count(), 1);
    QCOMPARE(timeAxis(1)->max(), m_clock);
}

void TestMainInterface::unitChangeRetitlesAtTheNextSample()
{
    QCOMPARE(valueAxis(0)->titleText(), QString("Gross/kg"));
    feed(1);
    gsrt_CalPara.slot[CalUnitSlot] = 3; // lb
    QCOMPARE(valueAxis(0)->titleText(), QString("Gross/kg"));
    feed(1);
    QCOMPARE(valueAxis(0)->titleText(), QString("Gross/lb"));
    QCOMPARE(valueAxis(1)->titleText(), QString("Gross/lb"));

    // A paused curve is re-titled as well.
    QTest::mouseClick(pauseButton(0), Qt::LeftButton);
    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    gsrt_CalPara.slot[CalUnitSlot] = 5; // N
    feed(1);
    QCOMPARE(valueAxis(0)->titleText(), QString("Gross/N"));
    QCOMPARE(valueAxis(1)->titleText(), QString("Gross/N"));
}

void TestMainInterface::pickingAQuantityRestartsTheCurve()
{
    feed(5);
    combo(0)->setFocus();
    QTest::keyClick(combo(0), Qt::Key_Down);
    QCOMPARE(combo(0)->currentIndex(), int(MainInterface::Net));
    QCOMPARE(series(0)->count(), 0);
    QCOMPARE(series(1)->count(), 5);
    QCOMPARE(valueAxis(0)->titleText(), QString("Net/kg"));

    // The choice survives a new entry.
    m_page->enterPage();
    QCOMPARE(combo(0)->currentIndex(), int(MainInterface::Net));
    QCOMPARE(valueAxis(0)->titleText(), QString("Net/kg"));
}

void TestMainInterface::wideWindowPlacesPanelsSideBySide()
{
    auto *first = m_page->findChild<QWidget *>("widget_Monitor_1");
    auto *second = m_page->findChild<QWidget *>("widget_Monitor_2");
    auto *contents = m_page->findChild<QWidget *>("scrollAreaWidgetContents");
    auto *scroll = m_page->findChild<QScrollArea *>("scrollArea");
    auto *chart = m_page->findChild<QChartView *>("QChartView_Monitor_1");
    QVERIFY(first->width() >= 894);
    QCOMPARE(first->height(), 361);

    // The page as the normal 1150 px window shows it: one panel above the other.
    m_page->resize(1140, 580);
    m_page->adaptWidth(1150);
    QTRY_VERIFY(first->width() >= 894);
    QCOMPARE(first->height(), 361);
    QCOMPARE(second->x(), first->x());
    QVERIFY(second->y() > first->geometry().bottom());
    QVERIFY(contents->minimumHeight() >= second->geometry().bottom());
    QVERIFY(!scroll->horizontalScrollBar()->isVisible());
    const QSize normalChart = chart->size();

    // Maximised on a 1920 x 1080 screen: side by side, larger, nothing to scroll.
    m_page->resize(1910, 860);
    m_page->adaptWidth(1920);
    QTRY_VERIFY(chart->width() > normalChart.width());
    QCOMPARE(second->y(), first->y());
    QVERIFY(second->x() > first->geometry().right());
    QVERIFY(chart->height() > normalChart.height());
    QTRY_VERIFY(!scroll->verticalScrollBar()->isVisible());
    QVERIFY(!scroll->horizontalScrollBar()->isVisible());
    QVERIFY(contents->width() <= scroll->viewport()->width());

    m_page->adaptWidth(1919);
    QTRY_VERIFY(second->y() > first->geometry().bottom());
    QVERIFY(!scroll->horizontalScrollBar()->isVisible());

    // A window narrower than a panel keeps the panel whole and scrolls to it.
    m_page->resize(800, 500);
    m_page->adaptWidth(800);
    QTRY_VERIFY(scroll->horizontalScrollBar()->isVisible());
    QCOMPARE(first->width(), 894);
}

void TestMainInterface::wheelOverAComboBoxChangesNothing()
{
    auto wheelDown = [](QWidget *target) {
        QWheelEvent event(QPointF(5, 5), target->mapToGlobal(QPoint(5, 5)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    // A combo box of its own shows that the event would have moved it.
    QComboBox plain;
    plain.addItems({"a", "b"});
    wheelDown(&plain);
    QCOMPARE(plain.currentIndex(), 1);

    feed(3);
    wheelDown(combo(0));
    wheelDown(combo(1));
    QCOMPARE(combo(0)->currentIndex(), 0);
    QCOMPARE(combo(1)->currentIndex(), 0);
    QCOMPARE(series(0)->count(), 3);
}

void TestMainInterface::translatedNamesKeepTheirTitleForm()
{
    ChineseNames chinese;
    QCoreApplication::installTranslator(&chinese);
    gu8_DigSensorsType = 1;
    m_page->enterPage();
    combo(0)->setCurrentIndex(MainInterface::SensorSignal);
    combo(1)->setCurrentIndex(MainInterface::GainSignal);
    const QString curve1Title = m_page->findChild<QLabel *>("label_2")->text();
    const QString adTitle = valueAxis(0)->titleText();
    const QString gainTitle = valueAxis(1)->titleText();
    const QString timeTitle = timeAxis(0)->titleText();
    const QString firstItem = combo(0)->itemText(0);
    combo(1)->setCurrentIndex(MainInterface::Gross);
    const QString grossTitle = valueAxis(1)->titleText();

    QTest::mouseClick(pauseButton(0), Qt::LeftButton);
    const QString pausedText = pauseButton(0)->text();
    feed(1);
    const int pausedCount = series(0)->count();
    QTest::mouseClick(pauseButton(0), Qt::LeftButton);
    const QString runningText = pauseButton(0)->text();
    QCoreApplication::removeTranslator(&chinese);

    QCOMPARE(curve1Title, QString("监控曲线1："));
    QCOMPARE(adTitle, QString("AD码 "));
    QCOMPARE(gainTitle, QString("增益AD码 "));
    QCOMPARE(timeTitle, QString("时间 (时:分:秒)"));
    QCOMPARE(firstItem, QString("毛重"));
    QCOMPARE(grossTitle, QString("毛重/kg"));
    QCOMPARE(pausedText, QString("开始"));
    QCOMPARE(pausedCount, 0);
    QCOMPARE(runningText, QString("暂停"));
}

void TestMainInterface::longRunKeepsOnlyTheVisibleMinute()
{
    const qint64 start = m_clock.toMSecsSinceEpoch();
    const int samples = 2 * 3600 * 2; // two hours at 500 ms
    for (int i = 0; i < samples; ++i) {
        gsrt_LiveVal.slot[7] = floatBits(float(std::sin(i / 20.0) * 50));
        feed(1);
        const qint64 now = m_clock.toMSecsSinceEpoch();
        const qreal edge = qreal(now - MainInterface::VisibleMs);
        const qreal limit = edge - MainInterface::TrimMarginMs;
        for (int curve = 0; curve < 2; ++curve) {
            const QVector<QPointF> points = series(curve)->pointsVector();
            QVERIFY(points.last().x() == qreal(now));
            QVERIFY2(points.first().x() >= limit, qPrintable(QString::number(i)));
            QVERIFY2(points.size() <= 125, qPrintable(QString::number(points.size())));
            if (now - start > MainInterface::VisibleMs)
                QVERIFY2(points.first().x() <= edge, qPrintable(QString::number(i)));
        }
    }
    QCOMPARE(timeAxis(0)->max(), m_clock);
}

void TestMainInterface::trimmedCurveShowsWhatTheFullCurveShows()
{
    MainInterface full;
    full.setTrimmingEnabled(false);
    full.enterPage();
    auto *fullView = full.findChild<QChartView *>("QChartView_Monitor_1");
    auto *fullSeries = qobject_cast<QXYSeries *>(fullView->chart()->series().first());
    for (int i = 0; i < 600; ++i) {
        gsrt_LiveVal.slot[7] = floatBits(float(i % 37) - 10.0f);
        feed(1);
        full.updateDraw(m_clock);
    }
    QCOMPARE(fullSeries->count(), 600);
    QVERIFY(series(0)->count() < 130);

    // From the newest point left of the border on, both hold the same points.
    const QVector<QPointF> all = fullSeries->pointsVector();
    const QVector<QPointF> kept = series(0)->pointsVector();
    const qreal edge = qreal(m_clock.toMSecsSinceEpoch() - MainInterface::VisibleMs);
    int firstInside = 0;
    while (all[firstInside].x() < edge)
        ++firstInside;
    const QVector<QPointF> shown = all.mid(firstInside - 1);
    QCOMPARE(kept.mid(kept.size() - shown.size()), shown);
    QCOMPARE(valueAxis(0)->min(), -20.0);
    QCOMPARE(valueAxis(0)->max(), 40.0);
}

void TestMainInterface::curveReachesTheLeftEdgeAfterAGap()
{
    feed(3 * 60 * 2);
    const QPointF beforeGap = newest(0);
    feed(1, 90 * 1000); // the polls failed for a minute and a half
    QCOMPARE(series(0)->pointsVector(),
             QVector<QPointF>({beforeGap, QPointF(qreal(m_clock.toMSecsSinceEpoch()), 0)}));

    // Once the window refills, the points from before the gap go.
    feed(2 * 62);
    const qreal edge = qreal(m_clock.toMSecsSinceEpoch() - MainInterface::VisibleMs);
    QVERIFY(series(0)->pointsVector().first().x() > beforeGap.x());
    QVERIFY(series(0)->pointsVector().first().x() <= edge);
}

// The page lays the curve out once per sample; what is drawn must still end at
// the newest point, even when nothing but the time moved.
void TestMainInterface::drawnCurveEndsAtTheNewestSample()
{
    auto *view = m_page->findChild<QChartView *>("QChartView_Monitor_1");
    QChart *chart = view->chart();
    const auto sample = [this](float value) {
        gsrt_LiveVal.slot[7] = floatBits(value);
        feed(1);
    };
    sample(10); // the y range becomes 0..15 and stays so
    for (int i = 0; i < 20; ++i)
        sample(0);
    sample(10);
    QCOMPARE(valueAxis(0)->max(), 15.0);

    const QImage image = view->grab().toImage();

    const auto redNear = [&](const QPointF &value) {
        const QPoint at =
            view->mapFromScene(chart->mapToScene(chart->mapToPosition(value, series(0))));
        for (int dy = -3; dy <= 3; ++dy) {
            for (int dx = -3; dx <= 3; ++dx) {
                const QPoint p = at + QPoint(dx, dy);
                if (!image.rect().contains(p))
                    continue;
                const QColor c = image.pixelColor(p);
                if (c.red() > 200 && c.green() < 100 && c.blue() < 100)
                    return true;
            }
        }
        return false;
    };
    const QVector<QPointF> points = series(0)->pointsVector();
    QVERIFY(redNear(points.last()));
    QVERIFY(redNear(points[points.size() - 2]));
}

void TestMainInterface::timeAxisLabelsFollowTheRange()
{
    QDateTimeAxis *axis = timeAxis(0);
    TimeAxisItem *drawn = timeAxisItem(0);
    QVERIFY(drawn);
    // The chart's own rendering of the axis stays off; the axis keeps its settings.
    QVERIFY(!axis->isVisible());
    QCOMPARE(axis->format(), QString("hh:mm:ss"));

    // Ticks stand on whole ten seconds of the clock, wherever the minute starts.
    feed(1); // 07:59:00.5 .. 08:00:00.5
    QCOMPARE(drawn->labels(),
             QStringList({"07:59:10", "07:59:20", "07:59:30", "07:59:40", "07:59:50", "08:00:00"}));
    feed(19); // 07:59:10 .. 08:00:10: a tick on each border
    QCOMPARE(drawn->labels(), QStringList({"07:59:10", "07:59:20", "07:59:30", "07:59:40",
                                           "07:59:50", "08:00:00", "08:00:10"}));
    const QRectF plot = series(0)->chart()->plotArea();
    QCOMPARE(drawn->tickX(0), plot.left());
    QCOMPARE(drawn->tickX(6), plot.right());
    QVERIFY(qAbs(drawn->tickX(3) - plot.center().x()) < 0.01);
    feed(1); // 07:59:10.5 .. 08:00:10.5: the ticks move left with the curve
    QCOMPARE(drawn->labels().first(), QString("07:59:20"));
    QVERIFY(drawn->tickX(0) < plot.left() + plot.width() / 6);

    // A paused curve's axis stands still with it.
    pauseButton(1)->click();
    const QStringList paused = timeAxisItem(1)->labels();
    feed(20);
    QCOMPARE(timeAxisItem(1)->labels(), paused);
    QCOMPARE(timeAxisItem(0)->labels().last(), QString("08:00:20"));
}

void TestMainInterface::timeAxisIsDrawnUnderThePlot()
{
    feed(20); // a tick on each border of the plot
    auto *view = m_page->findChild<QChartView *>("QChartView_Monitor_1");
    QChart *chart = view->chart();
    TimeAxisItem *drawn = timeAxisItem(0);
    QCOMPARE(drawn->ticks().size(), 7);
    const QImage image = view->grab().toImage();
    const QRectF plot = chart->plotArea();
    const auto inkIn = [&](const QRectF &chartRect) {
        const QRect area =
            view->mapFromScene(chart->mapToScene(chartRect)).boundingRect() & image.rect();
        int ink = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x)
                ink += qGray(image.pixel(x, y)) < 128;
        }
        return ink;
    };
    const qreal labelTop = plot.bottom() + 3;
    const qreal labelHeight = QFontMetricsF(timeAxis(0)->labelsFont()).height();
    // The label on the right border stands whole under its tick, inside the
    // view; the one on the left border would run under the y axis and waits.
    QVERIFY(inkIn(QRectF(drawn->tickX(6) - 12, labelTop, 24, labelHeight)) > 10);
    QVERIFY(chart->mapToScene(QPointF(drawn->tickX(6), 0)).x() + 20 < view->width());
    QCOMPARE(inkIn(QRectF(plot.left() - 30, labelTop + 2, 26, labelHeight - 2)), 0);
    QVERIFY(inkIn(QRectF(drawn->tickX(1) - 12, labelTop, 24, labelHeight)) > 10);
    // The title sits centred below the labels, inside the chart.
    const qreal titleTop = labelTop + labelHeight + 2;
    QVERIFY(inkIn(QRectF(plot.center().x() - 30, titleTop, 60, 20)) > 20);
    QVERIFY(titleTop + 16 < chart->size().height());
    // No ink between the labels and the title's row on the far left, under the y axis.
    QCOMPARE(inkIn(QRectF(0, titleTop, 20, 16)), 0);
}

// The page's CSV, split into its lines and fields (no field of it is quoted).
static QVector<QStringList> csvRows(const QString &csv)
{
    QVector<QStringList> rows;
    const QStringList lines = csv.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString &line : lines)
        rows.append(line.split(QLatin1Char(',')));
    return rows;
}

void TestMainInterface::savedDataHoldsExactlyThePointsTheCurvesShow()
{
    combo(1)->setCurrentIndex(MainInterface::SensorSignal);
    gsrt_CalPara.slot[CalDecimalSlot] = 2;
    // 70 s of samples: the first ten seconds have scrolled out of curve 1's view.
    QVector<QPair<QDateTime, float>> fed;
    for (int i = 0; i < 140; ++i) {
        if (i == 100)
            QTest::mouseClick(pauseButton(1), Qt::LeftButton);
        const float gross = 1000.0f + 0.25f * float(i);
        gsrt_LiveVal.slot[7] = floatBits(gross);
        gsrt_LiveVal.slot[11] = quint32(qint32(-20000 + 7 * i)); // -2.0 mV and on
        m_clock = m_clock.addMSecs(500);
        m_page->updateDraw(m_clock);
        fed.append({m_clock, gross});
    }
    const QVector<QStringList> rows = csvRows(m_page->curveDataCsv());
    QCOMPARE(rows.value(0), (QStringList{"Time", "Quantity", "Value", "Unit"}));

    QVector<QStringList> expected;
    const auto stamp = [](const QDateTime &t) {
        return t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    };
    // Curve 1 shows the last minute, both ends included.
    for (const auto &sample : fed) {
        if (sample.first >= m_clock.addSecs(-60))
            expected.append(
                {stamp(sample.first), "Gross", QString::number(sample.second, 'f', 2), "kg"});
    }
    QCOMPARE(expected.size(), 121);
    // Curve 2 stopped at its 100th sample and shows the minute before it.
    const QDateTime pausedAt = fed[99].first;
    for (int i = 0; i < 100; ++i) {
        if (fed[i].first >= pausedAt.addSecs(-60))
            expected.append({stamp(fed[i].first), "Sensor Volt",
                             QString::number((-20000 + 7 * i) / 10000.0, 'f', 4), "mV"});
    }
    QCOMPARE(rows.mid(1), expected);
    // Points kept outside the view, to lead the line in, are not part of the data.
    QVERIFY(series(0)->count() > 121);

    // Nothing shown, nothing but the header.
    m_page->enterPage();
    QCOMPARE(csvRows(m_page->curveDataCsv()).size(), 1);
}

void TestMainInterface::saveButtonsWriteTheFilesTheUserNames()
{
    QTemporaryDir folder;
    QStringList asked;
    QString answer;
    m_page->setPathChooser([&](const QString &caption, const QString &suggested, const QString &) {
        asked << caption << QFileInfo(suggested).suffix();
        return answer;
    });
    feed(5);
    auto *saveData = m_page->findChild<QPushButton *>("pushButton_SaveData");
    auto *saveImage = m_page->findChild<QPushButton *>("pushButton_SaveImage");

    answer = folder.filePath("settling.csv");
    QTest::mouseClick(saveData, Qt::LeftButton);
    QFile csv(answer);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(bytes.mid(3)), m_page->curveDataCsv());
    QCOMPARE(csvRows(m_page->curveDataCsv()).size(), 1 + 2 * 5);

    answer = folder.filePath("settling.png");
    QTest::mouseClick(saveImage, Qt::LeftButton);
    QImage image(answer);
    QVERIFY(!image.isNull());
    const QRect panels = m_page->findChild<QWidget *>("widget_Monitor_1")
                             ->geometry()
                             .united(m_page->findChild<QWidget *>("widget_Monitor_2")->geometry());
    QCOMPARE(image.size(), panels.size() * image.devicePixelRatio());
    QCOMPARE(asked, (QStringList{"Save Curve Data", "csv", "Save Curve Image", "png"}));

    // A cancelled dialog writes nothing; a folder that is not there is reported as failure.
    answer.clear();
    QTest::mouseClick(saveData, Qt::LeftButton);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);
    QVERIFY(!m_page->saveCurveData(folder.filePath("missing/settling.csv")));
    QVERIFY(!m_page->saveChartImage(folder.filePath("missing/settling.png")));
}

QTEST_MAIN(TestMainInterface)
#include "tst_maininterface.moc"
