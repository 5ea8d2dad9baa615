// The scale test's timing against the weighing simulator in its fast-settle
// mode (in-process, loopback TCP), a robot placing each load the moment the
// point before it was captured:
//   - capture latency: from the moment the instrument's registers show the
//     stable flag after a placement (watched 1 ms apart beside the server),
//     plus the capture rule's settle time, to the capture; against the poll
//     period;
//   - an 11-point test (0, 10, 25, 50, 75, 100 % of max and down): its time
//     against the sum of the platform's settle times, and against the sum of
//     what the instrument itself took to call each load stable plus the rule's
//     settle time.
//   bench_scaletest [RUNS] [--poll MS]

#include "benchlink.h"
#include "benchsupport.h"
#include "devicemodel.h"
#include "instrumentmodel.h"
#include "livereading.h"
#include "scaletest.h"
#include "simhost.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

namespace {

constexpr int StatusRegister = 2;
constexpr quint16 StableBit = 1;

// Watches the status register beside the server: when, after the last
// placement, the stable flag first came back (it clears while the platform moves).
class StableWatch
{
public:
    StableWatch(sim::InstrumentModel &model, const QElapsedTimer &clock)
        : m_model(model), m_clock(clock), m_thread([this] { run(); })
    {}
    ~StableWatch()
    {
        m_stop = true;
        m_thread.join();
    }
    void placed()
    {
        m_stableAtNs = -1;
        m_sawMotion = false;
        m_armed = true;
    }
    qint64 stableAtNs() const { return m_stableAtNs; }

private:
    void run()
    {
        while (!m_stop) {
            if (m_armed) {
                const bool stable = m_model.reg(StatusRegister) & StableBit;
                if (!stable) {
                    m_sawMotion = true;
                } else if (m_sawMotion) {
                    m_stableAtNs = m_clock.nsecsElapsed();
                    m_armed = false;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    sim::InstrumentModel &m_model;
    const QElapsedTimer &m_clock;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_armed{false};
    std::atomic<bool> m_sawMotion{false};
    std::atomic<qint64> m_stableAtNs{-1};
    std::thread m_thread;
};

struct RunFigures
{
    double totalMs = 0;
    double instrumentSettleMs = 0; // sum over the placements: placement to stable flag
    QVector<double> latencyMs;     // per placement: capture - (stable flag + rule's settle)
    bool passed = false;
};

RunFigures runTest(sim::InstrumentModel &model, const LinkSettings &link, const ScaleRanges &ranges,
                   int settleMs, int pollMs)
{
    RunFigures f;
    QElapsedTimer clock;
    clock.start();
    StableWatch watch(model, clock);
    ScaleTest test;
    test.setAutomatic(true);
    CaptureSettings capture;
    capture.settleMs = settleMs;
    capture.timeoutMs = 20000;
    QString error;
    const QVector<PlanPoint> plan =
        TestPlans::build(ranges, TestPlans::suggestedLoads(ranges), PlanOptions());
    if (!test.begin(ToleranceChoice(), ranges, plan, capture, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return f;
    }
    const double unitsPerCount = 1.0 / std::pow(10.0, ranges.decimals);
    const qint64 start = clock.nsecsElapsed();
    while (test.current() >= 0) {
        const int index = test.current();
        // The robot: the load goes on (or off) at once.
        watch.placed();
        const qint64 placedAt = clock.nsecsElapsed();
        model.placeLoad(double(plan[index].load) * unitsPerCount);
        test.arm(clock.elapsed());
        ScaleTest::Event event = ScaleTest::Waiting;
        while (event == ScaleTest::Waiting) {
            const qint64 pollStart = clock.elapsed();
            Reading reading;
            event = ReadTestReading(link, &reading) == ModbusOk
                        ? test.feed(reading, clock.elapsed())
                        : test.feedNothing(clock.elapsed());
            if (event == ScaleTest::Waiting) {
                const qint64 now = clock.elapsed();
                WaitMs(int(qMin(test.nextPollInMs(now, pollMs), pollMs - (now - pollStart))));
            }
        }
        const qint64 capturedAt = clock.nsecsElapsed();
        if (event != ScaleTest::Captured) {
            fprintf(stderr, "point %d: %s\n", index + 1, qPrintable(test.message()));
            test.skip();
            continue;
        }
        const qint64 stableAt = watch.stableAtNs();
        if (stableAt > 0) {
            f.instrumentSettleMs += (stableAt - placedAt) / 1e6;
            f.latencyMs << (capturedAt - stableAt) / 1e6 - settleMs;
        }
    }
    f.totalMs = (clock.nsecsElapsed() - start) / 1e6;
    f.passed = test.result().verdict() == Verdict::Pass;
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 && args[1].toInt() > 0 ? args[1].toInt() : 3;
    const int pollAt = args.indexOf(QStringLiteral("--poll"));
    const int pollMs = pollAt > 0 ? qMax(10, args.value(pollAt + 1).toInt()) : 100;

    sim::SimHost host(sim::Kind::Analog, 0);
    if (!host.startTcp()) {
        fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    sim::InstrumentModel &model = host.model();
    // A scale as found but settling fast and calibrated (no span error), so
    // every point passes and none is taken twice.
    model.applyAsFound();
    sim::ErrorModel errors;
    errors.settleMs = sim::ErrorModel::FastSettleMs;
    model.setErrorModel(errors);

    LinkSettings link;
    link.connectType = 1;
    link.EditIP = QStringLiteral("127.0.0.1");
    link.EditPort = QString::number(host.port());
    gu32_SlaveId = 1;
    if (!ConnectProgramLink(link)) {
        fprintf(stderr, "no link to the simulator\n");
        return 1;
    }
    LinkSettings base = link;
    ScaleRanges ranges;
    QString error;
    if (ReadGroup(base, 2) != ModbusOk ||
        !ScaleRangeReader::fromCalibration(gsrt_CalPara.slot, &ranges, &error)) {
        fprintf(stderr, "the ranges could not be read: %s\n", qPrintable(error));
        return 1;
    }

    printf("scale test, 11 points, fast settle %d ms, poll %d ms, %d runs each (medians)\n",
           sim::ErrorModel::FastSettleMs, pollMs, runs);
    for (int settleMs : {0, 300}) {
        QVector<double> totals, instrument, latencies, worst;
        bool allPassed = true;
        for (int r = 0; r < runs; ++r) {
            const RunFigures f = runTest(model, link, ranges, settleMs, pollMs);
            totals << f.totalMs;
            instrument << f.instrumentSettleMs;
            latencies << median(f.latencyMs);
            worst << *std::max_element(f.latencyMs.cbegin(), f.latencyMs.cend());
            allPassed = allPassed && f.passed;
        }
        const double total = median(totals);
        const double platform = 11.0 * sim::ErrorModel::FastSettleMs;
        const double floor = median(instrument) + 11.0 * settleMs;
        printf("rule settle %d ms%s\n", settleMs, allPassed ? "" : " (a run did not pass)");
        printf("  capture latency after stable + settle: median %.1f ms, worst %.1f ms "
               "(poll period %d ms: %.2fx)\n",
               median(latencies), median(worst), pollMs, median(worst) / pollMs);
        printf("  11-point test %.0f ms; platform settle sum %.0f ms (ratio %.2f); instrument "
               "stable + rule settle sum %.0f ms (ratio %.2f)\n",
               total, platform, total / platform, floor, total / floor);
    }
    DisconnectModbus();
    return 0;
}
