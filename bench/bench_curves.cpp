// Cost of one sample on the monitoring page (both curves running) and the
// process memory, after one minute of samples against after a 24-hour shift,
// with the curves trimmed to the visible minute and, for reference, untrimmed.
// The clock is simulated, so a day of samples is fed without waiting. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_curves [timed-samples]
// For a profile of a sample alone (its update and repaint), after a minute of them:
//   valgrind --tool=callgrind build/bench/bench_curves --profile N
#include "benchsupport.h"
#include "maininterface.h"

#include "Modbus/devicemodel.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

QT_CHARTS_USE_NAMESPACE

namespace {

constexpr qint64 StepMs = 500;
constexpr int MinuteSamples = 120;
constexpr int DaySamples = 24 * 3600 * 2;

double vmRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// What the instrument reports at sample n: a slowly swinging gross weight and
// sensor signal.
double grossAt(qint64 n)
{
    return 100.0 * std::sin(double(n) / 40.0);
}
qint32 signalAt(qint64 n)
{
    return qint32(20000 * std::cos(double(n) / 25.0));
}

// Feeds the page one sample per simulated poll.
class Feeder
{
public:
    explicit Feeder(MainInterface &page) : m_page(page) {}

    void sample()
    {
        const float gross = float(grossAt(m_count));
        std::memcpy(&gsrt_LiveVal.slot[7], &gross, sizeof gross);
        gsrt_LiveVal.slot[11] = quint32(signalAt(m_count));
        m_clock = m_clock.addMSecs(StepMs);
        ++m_count;
        m_page.updateDraw(m_clock);
    }
    void feed(int samples)
    {
        for (int i = 0; i < samples; ++i)
            sample();
    }
    // Median time of one updateDraw in microseconds; each sample is painted
    // afterwards, as the shown page is; that time goes to paintUs.
    double timed(int samples, double *paintUs)
    {
        QVector<double> draw, paint;
        QElapsedTimer timer;
        for (int i = 0; i < samples; ++i) {
            timer.start();
            sample();
            draw << timer.nsecsElapsed() / 1000.0;
            timer.start();
            QCoreApplication::processEvents();
            paint << timer.nsecsElapsed() / 1000.0;
        }
        *paintUs = median(paint);
        return median(draw);
    }
    QDateTime clock() const { return m_clock; }
    qint64 count() const { return m_count; }
    // Jumps the feed ahead as if samples samples had been taken.
    void skip(int samples)
    {
        m_clock = m_clock.addMSecs(StepMs * samples);
        m_count += samples;
    }

private:
    MainInterface &m_page;
    QDateTime m_clock = QDateTime(QDate(2024, 3, 4), QTime(6, 0));
    qint64 m_count = 0;
};

struct Figures
{
    double minuteUs = 0, minutePaintUs = 0, dayUs = 0, dayPaintUs = 0;
    double minuteMb = 0, dayMb = 0;
    int minutePoints = 0, dayPoints = 0;
};

std::unique_ptr<MainInterface> shownPage(bool trimming)
{
    auto page = std::make_unique<MainInterface>();
    page->setTrimmingEnabled(trimming);
    page->resize(1110, 800);
    page->show();
    page->enterPage();
    page->findChild<QComboBox *>(QStringLiteral("comboBox_MonitorParam_2"))
        ->setCurrentIndex(MainInterface::SensorSignal);
    QCoreApplication::processEvents();
    return page;
}

QXYSeries *seriesOf(MainInterface &page, int curve)
{
    auto *view =
        page.findChild<QChartView *>(QStringLiteral("QChartView_Monitor_%1").arg(curve + 1));
    return qobject_cast<QXYSeries *>(view->chart()->series().first());
}

Figures measureTrimmed(int timedSamples)
{
    Figures f;
    auto page = shownPage(true);
    Feeder feeder(*page);
    feeder.feed(MinuteSamples);
    f.minuteMb = vmRssMb();
    f.minutePoints = seriesOf(*page, 0)->count();
    f.minuteUs = feeder.timed(timedSamples, &f.minutePaintUs);

    feeder.feed(DaySamples - MinuteSamples - timedSamples);
    QCoreApplication::processEvents();
    f.dayMb = vmRssMb();
    f.dayPoints = seriesOf(*page, 0)->count();
    f.dayUs = feeder.timed(timedSamples, &f.dayPaintUs);
    return f;
}

// Untrimmed, a day of samples would take hours to feed one by one, since every
// append recomputes the whole spline. The series are loaded in one step with
// exactly the points the feed would have appended, then sampled as usual.
Figures measureUntrimmed(int timedSamples)
{
    Figures f;
    auto page = shownPage(false);
    Feeder feeder(*page);
    feeder.feed(MinuteSamples);
    f.minuteMb = vmRssMb();
    f.minutePoints = seriesOf(*page, 0)->count();
    f.minuteUs = feeder.timed(timedSamples, &f.minutePaintUs);

    const qint64 first = feeder.count();
    const QDateTime from = feeder.clock();
    feeder.skip(DaySamples - int(first));
    QVector<QPointF> gross = seriesOf(*page, 0)->pointsVector();
    QVector<QPointF> signal = seriesOf(*page, 1)->pointsVector();
    for (qint64 n = first; n < feeder.count(); ++n) {
        const qreal x = qreal(from.addMSecs(StepMs * (n - first + 1)).toMSecsSinceEpoch());
        gross << QPointF(x, double(float(grossAt(n))));
        signal << QPointF(x, signalAt(n) / 10000.0);
    }
    seriesOf(*page, 0)->replace(gross);
    seriesOf(*page, 1)->replace(signal);
    gross.clear();
    signal.clear();
    feeder.feed(1);
    QCoreApplication::processEvents();
    f.dayMb = vmRssMb();
    f.dayPoints = seriesOf(*page, 0)->count();
    f.dayUs = feeder.timed(timedSamples, &f.dayPaintUs);
    return f;
}

void print(const char *title, const Figures &f)
{
    std::printf("%s\n", title);
    std::printf("  points in curve 1             %10d    %10d\n", f.minutePoints, f.dayPoints);
    std::printf("  updateDraw (median, us)       %10.1f    %10.1f    ratio %.2fx\n", f.minuteUs,
                f.dayUs, f.dayUs / f.minuteUs);
    std::printf("  repaint after it (median, us) %10.1f    %10.1f    ratio %.2fx\n",
                f.minutePaintUs, f.dayPaintUs, f.dayPaintUs / f.minutePaintUs);
    std::printf("  VmRSS (MB)                    %10.1f    %10.1f    difference %+.1f MB\n",
                f.minuteMb, f.dayMb, f.dayMb - f.minuteMb);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--profile") {
        gu8_DigSensorsType = 0;
        gsrt_CalPara.slot[CalUnitSlot] = 1;
        auto page = shownPage(true);
        Feeder feeder(*page);
        feeder.feed(MinuteSamples);
        double paintUs = 0;
        feeder.timed(std::atoi(argv[2]), &paintUs);
        return 0;
    }
    const int timedSamples = argc > 1 ? std::atoi(argv[1]) : 200;
    if (timedSamples < 1) {
        std::fprintf(stderr, "usage: bench_curves [timed-samples]\n");
        return 2;
    }
    gu8_DigSensorsType = 0;
    gsrt_CalPara.slot[CalUnitSlot] = 1;

    QElapsedTimer wall;
    wall.start();
    const Figures trimmed = measureTrimmed(timedSamples);
    const double feedSeconds = wall.elapsed() / 1000.0;
    const Figures untrimmed = measureUntrimmed(timedSamples);

    std::printf("Monitoring curves: both curves running, one sample per 500 ms of simulated "
                "clock, %d timed samples per point\n",
                timedSamples);
    std::printf("                                after 1 min  after 24 h\n");
    print("trimmed to the visible minute (the page as built)", trimmed);
    print("untrimmed (reference; 24 h of points loaded in one step)", untrimmed);
    std::printf("goal: updateDraw ratio within 1.2x, memory difference within 5 MB\n");
    std::printf("trimmed: %.2fx, %+.1f MB (24 h fed sample by sample in %.0f s)\n",
                trimmed.dayUs / trimmed.minuteUs, trimmed.dayMb - trimmed.minuteMb, feedSeconds);
    std::printf("untrimmed 24 h against trimmed 24 h: updateDraw %.0fx, memory %+.1f MB\n",
                untrimmed.dayUs / trimmed.dayUs,
                (untrimmed.dayMb - untrimmed.minuteMb) - (trimmed.dayMb - trimmed.minuteMb));
    return 0;
}
