// The capture rule, the plans and the running test on a fake clock, fed by a
// fake scale: no instrument, no waiting.
#include "instrumentmodel.h"
#include "scaletest.h"
#include "testreport.h"

#include <QtTest>
#include <functional>

namespace {

struct Sample
{
    qint64 atMs;
    qint64 weight;
    bool stable;
    bool overflow;
};

// A scale on a fake clock: a load placed at some time moves for settleMs
// (stable flag clear, weight swinging), then shows load + error(load).
struct FakeScale
{
    qint64 load = 0;
    qint64 placedAt = -1000000;
    int settleMs = 400;
    std::function<qint64(qint64)> error = [](qint64) { return 0; };

    void place(qint64 newLoad, qint64 nowMs)
    {
        load = newLoad;
        placedAt = nowMs;
    }
    Reading read(qint64 nowMs) const
    {
        Reading r;
        if (nowMs - placedAt < settleMs) {
            r.weight = load + ((nowMs / 100) % 2 ? 37 : -23);
            return r;
        }
        r.weight = load + error(load);
        r.stable = true;
        return r;
    }
};

constexpr int PollMs = 100;

ScaleRanges kgRanges()
{
    ScaleRanges r;
    r.decimals = 1;
    r.unit = QStringLiteral("kg");
    r.ranges = {{10000, 5}}; // 1000.0 kg, e = 0.5 kg: 2000 e
    return r;
}

// Readings taken once they held for 300 ms, a point given up after timeoutMs.
CaptureSettings settleIn300(int timeoutMs)
{
    CaptureSettings capture;
    capture.settleMs = 300;
    capture.timeoutMs = timeoutMs;
    return capture;
}

ToleranceChoice classIII()
{
    return ToleranceChoice(); // OIML R 76, class III, initial verification
}

// Runs the whole test: places each point's load, arms, polls until the point
// is captured or left open (left open points are skipped).
void runTest(ScaleTest &test, FakeScale &scale, qint64 *now)
{
    while (test.current() >= 0) {
        scale.place(test.plan()[test.current()].load, *now);
        test.arm(*now);
        ScaleTest::Event e = ScaleTest::Waiting;
        while (e == ScaleTest::Waiting) {
            *now += PollMs;
            e = test.feed(scale.read(*now), *now);
        }
        if (e == ScaleTest::TimedOut)
            test.skip();
    }
}

} // namespace

Q_DECLARE_METATYPE(Sample)
Q_DECLARE_METATYPE(ToleranceChoice)
Q_DECLARE_METATYPE(QVector<WeighingRange>)

class TstScaleTest : public QObject
{
    Q_OBJECT

private slots:
    void captureRule_data();
    void captureRule();
    void theNextPollComesWhenTheSettleTimeEnds();
    void suggestedPlanOfElevenPoints();
    void plansFromLoadsTellTheirKinds();
    void badPlansAreRefusedBeforeTheFirstWeight_data();
    void badPlansAreRefusedBeforeTheFirstWeight();
    void aGoodScalePassesAndASpanErrorFails();
    void anErrorOfExactlyTheToleranceStillPasses_data();
    void anErrorOfExactlyTheToleranceStillPasses();
    void aPointThatNeverSettlesIsLeftOpenAndTheTestIsIncomplete();
    void aLastDigitThatNeverRestsNeedsAFlickerBand();
    void redoTakesAnOpenPointAgain();
    void aLostLinkEndsTheTestIncompleteAndUnrecorded();
    void theButtonNeverCapturesAMovingWeight();
    void repeatabilitySpreadBeyondTheLimitFails();
    void eccentricityFindsTheWorstCorner_data();
    void eccentricityFindsTheWorstCorner();
    void automaticModeTakesEachLoadAsItIsPlaced();
    void anAutomaticTimeoutSaysWhetherTheLoadWasLifted_data();
    void anAutomaticTimeoutSaysWhetherTheLoadWasLifted();
    void theFlickerRuleGivesOneVerdictOverTenSeededRuns();
    void settingsAreCheckedAgainstTheStandard_data();
    void settingsAreCheckedAgainstTheStandard();
    void theEccentricityLoadAndCornersFollowTheSupports();
    void reportRowsAndJson();
};

void TstScaleTest::captureRule_data()
{
    QTest::addColumn<QVector<Sample>>("samples");
    QTest::addColumn<int>("state");         // CaptureRule::State after the last sample
    QTest::addColumn<qint64>("value");      // when captured
    QTest::addColumn<qint64>("capturedAt"); // the sample time it happened at
    QTest::addColumn<int>("hindrance");     // when timed out
    QTest::addColumn<int>("flicker");       // counts a reading may stray and still hold

    // Settle 300 ms, timeout 2000 ms throughout; one sample every 100 ms.
    const auto series = [](std::function<Sample(qint64)> at, qint64 untilMs) {
        QVector<Sample> s;
        for (qint64 t = 0; t <= untilMs; t += 100)
            s.append(at(t));
        return s;
    };
    QTest::newRow("steady: taken once it held for the settle time")
        << series(
               [](qint64 t) {
                   return Sample{t, 5000, true, false};
               },
               1000)
        << int(CaptureRule::Captured) << qint64(5000) << qint64(300) << 0 << 0;
    QTest::newRow("noise in the last digit holds the capture back until it stops")
        << series(
               [](qint64 t) {
                   return Sample{t, t < 800 ? 5000 + (t / 100) % 2 : 5001, true, false};
               },
               1900)
        << int(CaptureRule::Captured) << qint64(5001) << qint64(1000) << 0 << 0;
    QTest::newRow("motion during the settle time means waiting again")
        << series(
               [](qint64 t) {
                   return Sample{t, 5000, t != 200 && t != 500, false};
               },
               1500)
        << int(CaptureRule::Captured) << qint64(5000) << qint64(900) << 0 << 0;
    QTest::newRow("a slow settle is taken only where it stops")
        << series(
               [](qint64 t) {
                   // Creeps toward 5000 by halves, stable flag set all along.
                   const qint64 left = t < 1000 ? (64 >> (t / 200)) : 0;
                   return Sample{t, 5000 + left, true, false};
               },
               1900)
        << int(CaptureRule::Captured) << qint64(5000) << qint64(1300) << 0 << 0;
    QTest::newRow("a weight that never settles times out, nothing taken")
        << series(
               [](qint64 t) {
                   return Sample{t, 5000 + t, false, false};
               },
               2000)
        << int(CaptureRule::TimedOut) << qint64(-1) << qint64(-1) << int(CaptureRule::Moving) << 0;
    QTest::newRow("stable but changing every reading times out")
        << series(
               [](qint64 t) {
                   return Sample{t, 5000 + t / 100, true, false};
               },
               2000)
        << int(CaptureRule::TimedOut) << qint64(-1) << qint64(-1) << int(CaptureRule::Settling)
        << 0;
    QTest::newRow("a stable overflow is never taken")
        << series(
               [](qint64 t) {
                   return Sample{t, 999999, true, true};
               },
               2000)
        << int(CaptureRule::TimedOut) << qint64(-1) << qint64(-1) << int(CaptureRule::Overflow)
        << 0;
    QTest::newRow("still waiting before the timeout")
        << series(
               [](qint64 t) {
                   return Sample{t, 5000, false, false};
               },
               1900)
        << int(CaptureRule::Waiting) << qint64(-1) << qint64(-1) << 0 << 0;
    // 5000, 5001, 5000, 5001: read equally often, the first seen is the indication.
    QTest::newRow("a last digit that never rests is taken within a flicker band, ties first")
        << series(
               [](qint64 t) {
                   return Sample{t, 5000 + (t / 100) % 2, true, false};
               },
               1000)
        << int(CaptureRule::Captured) << qint64(5000) << qint64(300) << 0 << 1;
    // 5002, 5001, 5001, 5000: neither the first nor the last reading but the
    // one read most often.
    QTest::newRow("under flicker the indication is the reading seen most often")
        << series(
               [](qint64 t) {
                   static const qint64 shown[] = {5002, 5001, 5001, 5000};
                   return Sample{t, shown[qMin<qint64>(t / 100, 3)], true, false};
               },
               1000)
        << int(CaptureRule::Captured) << qint64(5001) << qint64(300) << 0 << 2;
    // 5000 to 5002 hold; 5003 strays three counts from 5000 and holds anew.
    QTest::newRow("a creep out of the band starts the settle time again")
        << series(
               [](qint64 t) {
                   return Sample{t, 5000 + qMin<qint64>(t / 100, 4), true, false};
               },
               1500)
        << int(CaptureRule::Captured) << qint64(5004) << qint64(600) << 0 << 2;
}

void TstScaleTest::captureRule()
{
    QFETCH(QVector<Sample>, samples);
    QFETCH(int, state);
    QFETCH(qint64, value);
    QFETCH(qint64, capturedAt);
    QFETCH(int, hindrance);
    QFETCH(int, flicker);
    CaptureSettings settings;
    settings.settleMs = 300;
    settings.timeoutMs = 2000;
    CaptureRule rule(settings);
    rule.setFlickerCounts(flicker);
    rule.start(0);
    qint64 at = -1;
    for (const Sample &s : samples) {
        const CaptureRule::State before = rule.state();
        rule.feed(Reading{s.weight, s.stable, s.overflow}, s.atMs);
        if (before == CaptureRule::Waiting && rule.state() == CaptureRule::Captured)
            at = s.atMs;
    }
    QCOMPARE(int(rule.state()), state);
    QCOMPARE(at, capturedAt);
    if (state == CaptureRule::Captured)
        QCOMPARE(rule.value(), value);
    if (state == CaptureRule::TimedOut)
        QCOMPARE(int(rule.lastHindrance()), hindrance);
}

void TstScaleTest::theNextPollComesWhenTheSettleTimeEnds()
{
    CaptureSettings settings;
    settings.settleMs = 300;
    ScaleTest test;
    QString error;
    QVERIFY(test.begin(classIII(), kgRanges(), TestPlans::fromLoads({5000}), settings, &error));
    test.arm(0);
    QCOMPARE(test.nextPollInMs(0, 100), qint64(100)); // nothing timed yet
    test.feed(Reading{5000, true, false}, 40);
    QCOMPARE(test.nextPollInMs(140, 100), qint64(100));
    QCOMPARE(test.nextPollInMs(290, 100), qint64(50));
    test.feed(Reading{5000, false, false}, 290); // motion: nothing is timed any more
    QCOMPARE(test.nextPollInMs(300, 100), qint64(100));
    test.feed(Reading{5000, true, false}, 390);
    QCOMPARE(test.nextPollInMs(700, 100), qint64(0)); // overdue: poll at once
    QCOMPARE(test.feed(Reading{5000, true, false}, 700), ScaleTest::Captured);
}

void TstScaleTest::suggestedPlanOfElevenPoints()
{
    ScaleRanges r = kgRanges();
    r.ranges = {{3000, 2}, {9995, 5}}; // 999.5 kg: suggested loads land on whole divisions
    const QVector<qint64> loads = TestPlans::suggestedLoads(r);
    QCOMPARE(loads, (QVector<qint64>{0, 1000, 2498, 4995, 7495, 9995}));
    const QVector<PlanPoint> plan = TestPlans::build(r, loads, PlanOptions());
    QCOMPARE(plan.size(), 11);
    QCOMPARE(plan[5].load, qint64(9995));
    QCOMPARE(plan[5].kind, PointKind::Increasing);
    QCOMPARE(plan[6].kind, PointKind::Decreasing);
    QCOMPARE(plan[6].load, qint64(7495));
    QCOMPARE(plan[10].kind, PointKind::ReturnToZero);
    QCOMPARE(plan[10].load, qint64(0));

    PlanOptions all;
    all.corners = 4;
    all.repeatability = 3;
    const QVector<PlanPoint> full = TestPlans::build(r, loads, all);
    QCOMPARE(full.size(), 11 + 4 + 3 + 1);
    QCOMPARE(full[11].kind, PointKind::Eccentricity);
    QCOMPARE(full[11].load, qint64(3330)); // a third of max, on a division of range 2
    QCOMPARE(full[14].position, 4);
    QCOMPARE(full[15].kind, PointKind::Repeatability);
    QCOMPARE(full[17].repeat, 3);
    QCOMPARE(full.last().kind, PointKind::ReturnToZero);
}

void TstScaleTest::plansFromLoadsTellTheirKinds()
{
    const QVector<PlanPoint> plan = TestPlans::fromLoads({0, 500, 1000, 1000, 1000, 500, 0});
    const QVector<PointKind> kinds = {PointKind::Increasing,    PointKind::Increasing,
                                      PointKind::Repeatability, PointKind::Repeatability,
                                      PointKind::Repeatability, PointKind::Decreasing,
                                      PointKind::ReturnToZero};
    QCOMPARE(plan.size(), kinds.size());
    for (int i = 0; i < plan.size(); ++i)
        QCOMPARE(plan[i].kind, kinds[i]);
    QCOMPARE(plan[4].repeat, 3);
}

void TstScaleTest::badPlansAreRefusedBeforeTheFirstWeight_data()
{
    QTest::addColumn<QVector<qint64>>("loads");
    QTest::addColumn<int>("division");
    QTest::addColumn<int>("accuracyClass");
    QTest::addColumn<QString>("says");
    QTest::newRow("above max") << QVector<qint64>{0, 10005} << 5 << int(AccuracyClass::III)
                               << "above the instrument's max of 1000.0 kg";
    QTest::newRow("below zero") << QVector<qint64>{-5, 500} << 5 << int(AccuracyClass::III)
                                << "below zero";
    QTest::newRow("no loads") << QVector<qint64>{} << 5 << int(AccuracyClass::III) << "no loads";
    QTest::newRow("e of 0") << QVector<qint64>{0, 500} << 0 << int(AccuracyClass::III)
                            << "division (e) of 0";
    QTest::newRow("a division the instrument does not hold")
        << QVector<qint64>{0, 500} << 4 << int(AccuracyClass::III) << "does not hold";
    // 10000 counts of e = 5 are 2000 e: beyond class IIII's 1000 e, refused
    // before any load is judged.
    QTest::newRow("more divisions than the class allows")
        << QVector<qint64>{0, 500} << 5 << int(AccuracyClass::IIII)
        << "n = Max/e = 2000 (1000.0 kg / 0.5 kg) is above the limit of class IIII";
}

void TstScaleTest::badPlansAreRefusedBeforeTheFirstWeight()
{
    QFETCH(QVector<qint64>, loads);
    QFETCH(int, division);
    QFETCH(int, accuracyClass);
    QFETCH(QString, says);
    ScaleRanges r = kgRanges();
    r.ranges[0].division = division;
    ToleranceChoice s = classIII();
    s.accuracyClass = AccuracyClass(accuracyClass);
    ScaleTest test;
    QString error;
    QVERIFY(!test.begin(s, r, TestPlans::fromLoads(loads), CaptureSettings(), &error));
    QVERIFY2(error.contains(says), qPrintable(error));
    QCOMPARE(test.current(), -1);
}

void TstScaleTest::aGoodScalePassesAndASpanErrorFails()
{
    const ScaleRanges r = kgRanges();
    const QVector<PlanPoint> plan = TestPlans::build(r, TestPlans::suggestedLoads(r), {});
    CaptureSettings capture;
    capture.settleMs = 300;
    struct Case
    {
        const char *name;
        std::function<qint64(qint64)> error;
        Verdict verdict;
        int firstFailing; // -1: none
    };
    const Case cases[] = {
        {"exact", [](qint64) { return 0; }, Verdict::Pass, -1},
        // Half an e everywhere: within +-0.5 e up to 500 e.
        {"half an e", [](qint64 load) { return load > 0 ? 2 : 0; }, Verdict::Pass, -1},
        // +0.6 % span: 100.0 kg reads 100.6 kg (+1.2 e), beyond +-0.5 e.
        {"span error", [](qint64 load) { return load * 6 / 1000; }, Verdict::Fail, 1},
    };
    for (const Case &c : cases) {
        ScaleTest test;
        QString error;
        QVERIFY2(test.begin(classIII(), r, plan, capture, &error), qPrintable(error));
        FakeScale scale;
        scale.error = c.error;
        qint64 now = 0;
        runTest(test, scale, &now);
        const TestResult &result = test.result();
        QVERIFY2(result.verdict() == c.verdict, c.name);
        int firstFailing = -1;
        for (int i = 0; i < result.points.size() && firstFailing < 0; ++i) {
            QCOMPARE(result.points[i].status, PointResult::Captured);
            if (!result.points[i].pass)
                firstFailing = i;
        }
        QVERIFY2(firstFailing == c.firstFailing, c.name);
    }
}

void TstScaleTest::anErrorOfExactlyTheToleranceStillPasses_data()
{
    // Each standard passes an error equal to its tolerance, either way, and
    // fails one division beyond it. Loads and errors in counts of 0.1 kg, e = 1 kg.
    QTest::addColumn<ToleranceChoice>("choice");
    QTest::addColumn<qint64>("load");
    QTest::addColumn<qint64>("error");
    QTest::addColumn<bool>("pass");
    const auto choice = [](TestStandard s, Accuracy a) {
        ToleranceChoice c;
        c.standard = s;
        c.accuracy = a;
        return c;
    };
    const ToleranceChoice oiml = choice(TestStandard::OimlR76, Accuracy::Initial);
    const ToleranceChoice oimlInService = choice(TestStandard::OimlR76, Accuracy::InService);
    const ToleranceChoice hb44 = choice(TestStandard::Hb44, Accuracy::Maintenance);
    const ToleranceChoice hb44Acceptance = choice(TestStandard::Hb44, Accuracy::Acceptance);
    ToleranceChoice percent = choice(TestStandard::Custom, Accuracy::Initial);
    // 0.35 % of 2200.0 kg is 7.7 kg, which a double computes a hair short of 77 counts.
    percent.customPercent = 0.35;
    ToleranceChoice divisions = choice(TestStandard::Custom, Accuracy::Initial);
    divisions.customDivisions = 2;
    const struct
    {
        const char *name;
        ToleranceChoice choice;
        qint64 load;
        qint64 tolerance;
    } cases[] = {
        {"OIML class III initial, 500 e", oiml, 5000, 5},
        {"OIML class III initial, 2000 e", oiml, 20000, 10},
        {"OIML class III in service, 5000 e", oimlInService, 50000, 30},
        {"Handbook 44 class III maintenance, 3000 d", hb44, 30000, 30},
        {"Handbook 44 class III acceptance, 500 d", hb44Acceptance, 5000, 5},
        {"custom 0.35 % of the load", percent, 22000, 77},
        {"custom 2 d", divisions, 5000, 20},
    };
    for (const auto &c : cases) {
        QTest::addRow("%s: +tolerance", c.name) << c.choice << c.load << c.tolerance << true;
        QTest::addRow("%s: -tolerance", c.name) << c.choice << c.load << -c.tolerance << true;
        QTest::addRow("%s: +tolerance and 1 e", c.name)
            << c.choice << c.load << c.tolerance + 10 << false;
        QTest::addRow("%s: -tolerance and 1 e", c.name)
            << c.choice << c.load << -c.tolerance - 10 << false;
    }
}

void TstScaleTest::anErrorOfExactlyTheToleranceStillPasses()
{
    QFETCH(ToleranceChoice, choice);
    QFETCH(qint64, load);
    QFETCH(qint64, error);
    QFETCH(bool, pass);
    ScaleRanges r = kgRanges();
    r.ranges = {{100000, 10}}; // 10000.0 kg, e = 1 kg: 10000 e
    ScaleTest test;
    QString why;
    QVERIFY2(test.begin(choice, r, TestPlans::fromLoads({load}), CaptureSettings(), &why),
             qPrintable(why));
    QVERIFY(test.captureNow(Reading{load + error, true, false}));
    const PointResult &p = test.result().points.first();
    QCOMPARE(p.error, error);
    QCOMPARE(p.pass, pass);
    QVERIFY(test.result().verdict() == (pass ? Verdict::Pass : Verdict::Fail));
}

void TstScaleTest::aPointThatNeverSettlesIsLeftOpenAndTheTestIsIncomplete()
{
    const ScaleRanges r = kgRanges();
    CaptureSettings capture;
    capture.settleMs = 300;
    capture.timeoutMs = 3000;
    ScaleTest test;
    QString error;
    QVERIFY(test.begin(classIII(), r, TestPlans::fromLoads({0, 5000, 0}), capture, &error));
    FakeScale scale;
    scale.settleMs = 400;
    qint64 now = 0;
    // Point 2 never settles: its placing time keeps moving.
    while (test.current() >= 0) {
        const int point = test.current();
        scale.place(test.plan()[point].load, now);
        test.arm(now);
        ScaleTest::Event e = ScaleTest::Waiting;
        while (e == ScaleTest::Waiting) {
            now += PollMs;
            if (point == 1)
                scale.placedAt = now;
            e = test.feed(scale.read(now), now);
        }
        if (e == ScaleTest::TimedOut) {
            QCOMPARE(point, 1);
            QVERIFY2(test.message().contains(QStringLiteral("point 2 left open")),
                     qPrintable(test.message()));
            QVERIFY(test.message().contains(QStringLiteral("motion")));
            QCOMPARE(test.current(), 1); // the point stays until it is skipped or taken
            test.skip();
        }
    }
    const TestResult &result = test.result();
    QCOMPARE(result.points[1].status, PointResult::TimedOut);
    QCOMPARE(result.points[1].indication, qint64(0));
    QVERIFY(!result.points[1].pass);
    QCOMPARE(result.points[2].status, PointResult::Captured);
    QVERIFY(result.verdict() == Verdict::Incomplete);
    QVERIFY(!RecordScaleTest(result, QStringLiteral("test")));
}

void TstScaleTest::aLastDigitThatNeverRestsNeedsAFlickerBand()
{
    // The indication alternates by one division (5 counts) on every reading
    // while the instrument reports stable.
    for (int flicker : {0, 1}) {
        CaptureSettings capture;
        capture.settleMs = 300;
        capture.timeoutMs = 3000;
        capture.flickerDivisions = flicker;
        ScaleTest test;
        QString error;
        QVERIFY(test.begin(classIII(), kgRanges(), TestPlans::fromLoads({0, 5000, 10000}), capture,
                           &error));
        FakeScale scale;
        bool up = true;
        scale.error = [&up](qint64) { return (up = !up) ? 5 : 0; };
        qint64 now = 0;
        runTest(test, scale, &now);
        for (const PointResult &p : test.result().points) {
            QCOMPARE(p.status, flicker ? PointResult::Captured : PointResult::TimedOut);
            // The load and 5 counts above are read equally often: the first
            // seen, the load, is the indication.
            if (flicker)
                QCOMPARE(p.indication, p.point.load);
        }
        QCOMPARE(test.result().verdict(), flicker ? Verdict::Pass : Verdict::Incomplete);
    }
    // More than the largest band is motion whatever the flag says.
    CaptureSettings tooMuch;
    tooMuch.flickerDivisions = MaxFlickerDivisions + 1;
    ScaleTest test;
    QString error;
    QVERIFY(!test.begin(classIII(), kgRanges(), TestPlans::fromLoads({0, 5000}), tooMuch, &error));
    QVERIFY2(error.contains(QLatin1String("flicker")), qPrintable(error));
}

void TstScaleTest::redoTakesAnOpenPointAgain()
{
    const ScaleRanges r = kgRanges();
    ScaleTest test;
    QString error;
    QVERIFY(test.begin(classIII(), r, TestPlans::fromLoads({0, 5000, 10000, 0}), CaptureSettings(),
                       &error));
    Reading reading{0, true, false};
    QVERIFY(test.captureNow(reading));
    test.skip(); // 500.0 kg left open
    reading.weight = 10000;
    QVERIFY(test.captureNow(reading));
    QCOMPARE(test.current(), 3);
    test.redo(1);
    QCOMPARE(test.current(), 1);
    reading.weight = 5001;
    QVERIFY(test.captureNow(reading));
    QCOMPARE(test.current(), 3); // back where the test was
    reading.weight = 0;
    QVERIFY(test.captureNow(reading));
    QCOMPARE(test.current(), -1);
    QVERIFY(test.result().verdict() == Verdict::Pass);
    // A captured point taken again replaces its indication.
    test.redo(2);
    reading.weight = 10020;
    QVERIFY(test.captureNow(reading));
    QCOMPARE(test.result().points[2].error, qint64(20));
    QVERIFY(test.result().verdict() == Verdict::Fail);
}

void TstScaleTest::aLostLinkEndsTheTestIncompleteAndUnrecorded()
{
    const ScaleRanges r = kgRanges();
    ScaleTest test;
    QString error;
    QVERIFY(test.begin(classIII(), r, TestPlans::fromLoads({0, 5000}), CaptureSettings(), &error));
    QVERIFY(test.captureNow(Reading{0, true, false}));
    test.linkLost(QStringLiteral("the link to the instrument was lost"));
    QCOMPARE(test.current(), -1);
    QCOMPARE(test.feed(Reading{5000, true, false}, 100000), ScaleTest::Finished);
    QVERIFY(test.result().verdict() == Verdict::Incomplete);
    QVERIFY(test.result().linkLost);
    QVERIFY(!RecordScaleTest(test.result(), QStringLiteral("test")));
    QCOMPARE(TestReport::json(test.result()).value(QStringLiteral("verdict")).toString(),
             QStringLiteral("incomplete"));
}

void TstScaleTest::theButtonNeverCapturesAMovingWeight()
{
    ScaleTest test;
    QString error;
    QVERIFY(test.begin(classIII(), kgRanges(), TestPlans::fromLoads({5000}), CaptureSettings(),
                       &error));
    QVERIFY(!test.captureNow(Reading{5000, false, false}));
    QVERIFY(!test.captureNow(Reading{5000, true, true}));
    QCOMPARE(test.result().points[0].status, PointResult::Open);
    QVERIFY(test.captureNow(Reading{5000, true, false}));
}

void TstScaleTest::repeatabilitySpreadBeyondTheLimitFails()
{
    // 250.0 kg is 500 e: +-0.5 e (2.5 counts) each, and the spread may be 0.5 e.
    const ScaleRanges r = kgRanges();
    ScaleTest test;
    QString error;
    QVERIFY(test.begin(classIII(), r, TestPlans::fromLoads({2500, 2500, 2500}), CaptureSettings(),
                       &error));
    for (qint64 w : {2498, 2502, 2500})
        QVERIFY(test.captureNow(Reading{w, true, false}));
    const TestResult &result = test.result();
    for (const PointResult &p : result.points)
        QVERIFY(p.pass);
    QVERIFY(result.repeatability.applies);
    QCOMPARE(result.repeatability.spread, qint64(4));
    QCOMPARE(result.repeatability.limit, 2.5);
    QVERIFY(!result.repeatability.pass);
    QVERIFY(result.verdict() == Verdict::Fail);
}

void TstScaleTest::eccentricityFindsTheWorstCorner_data()
{
    // 333.5 kg on each corner (667 e, +-1 e = 5 counts); offsets in counts.
    QTest::addColumn<QVector<qint64>>("offsets");
    QTest::addColumn<int>("worstPosition");
    QTest::addColumn<qint64>("worstError");
    QTest::addColumn<bool>("pass");
    QTest::newRow("corner 3 heavy") << QVector<qint64>{0, -1, 20, 1} << 3 << qint64(20) << false;
    QTest::newRow("corner 3 light") << QVector<qint64>{0, 1, -20, -1} << 3 << qint64(-20) << false;
    QTest::newRow("corner 1 light, the others heavy")
        << QVector<qint64>{-20, 1, 0, 2} << 1 << qint64(-20) << false;
    QTest::newRow("a light corner beyond a heavy one")
        << QVector<qint64>{0, 15, -20, 1} << 3 << qint64(-20) << false;
    QTest::newRow("within the tolerance, corner 2 light")
        << QVector<qint64>{1, -4, 2, 3} << 2 << qint64(-4) << true;
}

void TstScaleTest::eccentricityFindsTheWorstCorner()
{
    QFETCH(QVector<qint64>, offsets);
    QFETCH(int, worstPosition);
    QFETCH(qint64, worstError);
    QFETCH(bool, pass);
    const ScaleRanges r = kgRanges();
    PlanOptions o;
    o.decreasing = false;
    o.corners = 4;
    o.returnToZero = false;
    ScaleTest test;
    QString error;
    QVERIFY(test.begin(classIII(), r, TestPlans::build(r, {}, o), CaptureSettings(), &error));
    // the corner load: a third of max on a whole division
    for (qint64 offset : offsets)
        QVERIFY(test.captureNow(Reading{3335 + offset, true, false}));
    const TestResult &result = test.result();
    QVERIFY(result.eccentricity.applies);
    QCOMPARE(result.eccentricity.worstPosition, worstPosition);
    QCOMPARE(result.eccentricity.worstError, worstError);
    QCOMPARE(result.eccentricity.pass, pass);
    QVERIFY(result.verdict() == (pass ? Verdict::Pass : Verdict::Fail));
}

void TstScaleTest::automaticModeTakesEachLoadAsItIsPlaced()
{
    const ScaleRanges r = kgRanges();
    ScaleTest test;
    test.setAutomatic(true);
    QString error;
    QVERIFY(test.begin(classIII(), r, TestPlans::fromLoads({0, 5000, 5000, 0}), settleIn300(60000),
                       &error));
    // The weights go on and off on their own time line; the test is armed at
    // once for each point and must take each placement exactly once.
    const QVector<QPair<qint64, qint64>> timeline = {
        {0, 0}, {2000, 5000}, {5000, 0}, {6000, 5000}, {9000, 0}};
    FakeScale scale;
    qint64 now = 0;
    int next = 0;
    QVector<qint64> capturedAt;
    test.arm(now);
    while (test.current() >= 0 && now < 20000) {
        now += PollMs;
        while (next < timeline.size() && timeline[next].first <= now)
            scale.place(timeline[next++].second, now);
        if (test.feed(scale.read(now), now) == ScaleTest::Captured) {
            capturedAt.append(now);
            test.arm(now);
        }
    }
    QCOMPARE(test.current(), -1);
    QCOMPARE(capturedAt.size(), 4);
    // Each capture follows its own placement (and the settle time after it).
    QVERIFY(capturedAt[1] >= 2000 + 400 + 300 && capturedAt[1] < 5000);
    QVERIFY2(capturedAt[2] >= 6000 + 400 + 300 && capturedAt[2] < 9000,
             qPrintable(QString::number(capturedAt[2])));
    QVERIFY(capturedAt[3] >= 9000);
    QVERIFY(test.result().verdict() == Verdict::Pass);
}

void TstScaleTest::anAutomaticTimeoutSaysWhetherTheLoadWasLifted_data()
{
    QTest::addColumn<qint64>("shownAfter"); // what the platform shows after corner 1's capture
    QTest::addColumn<QString>("says");
    QTest::addColumn<QString>("neverSays");
    // 333.5 kg stays on: the reading is the load, it was just never lifted.
    QTest::newRow("the same load never lifted")
        << qint64(3335) << "lift it and place it again on corner 2"
        << "no settled reading";
    QTest::newRow("a load far from the one asked for")
        << qint64(8000) << "no settled reading near 333.5 kg"
        << "lift it";
}

void TstScaleTest::anAutomaticTimeoutSaysWhetherTheLoadWasLifted()
{
    QFETCH(qint64, shownAfter);
    QFETCH(QString, says);
    QFETCH(QString, neverSays);
    ScaleTest test;
    test.setAutomatic(true);
    QString error;
    const QVector<PlanPoint> plan = TestPlans::corners(kgRanges(), 2);
    QCOMPARE(plan.first().load, qint64(3335)); // a third of 1000.0 kg on e = 0.5 kg
    QVERIFY(test.begin(classIII(), kgRanges(), plan, settleIn300(5000), &error));
    FakeScale scale;
    scale.place(3335, 0);
    qint64 now = 0;
    test.arm(now);
    ScaleTest::Event e = ScaleTest::Waiting;
    while (e == ScaleTest::Waiting) {
        now += PollMs;
        e = test.feed(scale.read(now), now);
    }
    QCOMPARE(e, ScaleTest::Captured);
    if (shownAfter != scale.load)
        scale.place(shownAfter, now);
    test.arm(now);
    while (e != ScaleTest::TimedOut && now < 10000) {
        now += PollMs;
        e = test.feed(scale.read(now), now);
    }
    QCOMPARE(e, ScaleTest::TimedOut);
    QVERIFY2(test.message().contains(says), qPrintable(test.message()));
    QVERIFY2(!test.message().contains(neverSays), qPrintable(test.message()));
}

void TstScaleTest::theFlickerRuleGivesOneVerdictOverTenSeededRuns()
{
    // 3000.0 kg in e = 0.5 kg; the span 4 e high puts 1500 kg at 1501.0 kg
    // (+2 e, beyond class III's 1.5 e), and noise of 0.7 e makes the last
    // digit show 1500.5, 1501.0 or 1501.5 while the instrument reports stable.
    ScaleRanges r;
    r.decimals = 1;
    r.unit = QStringLiteral("kg");
    r.ranges = {{30000, 5}};
    CaptureSettings capture;
    capture.settleMs = 1000; // zeltctl test's default
    capture.timeoutMs = 30000;
    capture.flickerDivisions = 2;
    QSet<qint64> indications, lastReadings, seen;
    QSet<int> verdicts;
    for (quint32 seed = 1; seed <= 10; ++seed) {
        sim::InstrumentModel scale(sim::Kind::Analog, 0, seed);
        scale.applyAsFound();
        sim::ErrorModel errors;
        errors.spanE = 4;
        errors.noiseE = 0.7;
        errors.settleMs = 0;
        scale.setErrorModel(errors);
        scale.setValue32(sim::Reg::StabilityRange, 2); // stable within 2 d
        ScaleTest test;
        QString error;
        QVERIFY2(test.begin(classIII(), r, TestPlans::fromLoads({15000}), capture, &error),
                 qPrintable(error));
        QVERIFY(scale.placeLoad(1500));
        qint64 now = 0;
        test.arm(now);
        Reading reading;
        ScaleTest::Event e = ScaleTest::Waiting;
        while (e == ScaleTest::Waiting && now < capture.timeoutMs) {
            scale.tick(PollMs);
            now += PollMs;
            reading = Reading{qint32(scale.value32(sim::Reg::Weight)),
                              bool(scale.reg(sim::Reg::Status) & sim::Status::Stable), false};
            seen.insert(reading.weight);
            e = test.feed(reading, now);
        }
        QCOMPARE(e, ScaleTest::Captured);
        indications.insert(test.result().points[0].indication);
        lastReadings.insert(reading.weight);
        verdicts.insert(int(test.result().verdict()));
    }
    // The readings did flicker, and the latest of each hold differed from run
    // to run: taken as the indication, it would have flipped the verdict.
    QVERIFY2(seen.contains(15005) && seen.contains(15010) && seen.contains(15015),
             qPrintable(QString::number(seen.size())));
    QVERIFY(lastReadings.size() > 1);
    QCOMPARE(indications, QSet<qint64>{15010});
    QCOMPARE(verdicts, QSet<int>{int(Verdict::Fail)});
}

void TstScaleTest::settingsAreCheckedAgainstTheStandard_data()
{
    QTest::addColumn<ToleranceChoice>("choice");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QVector<WeighingRange>>("ranges");
    QTest::addColumn<QString>("refusal"); // empty: the test may start

    const auto pick = [](TestStandard s, AccuracyClass c) {
        ToleranceChoice t;
        t.standard = s;
        t.accuracyClass = c;
        t.accuracy = s == TestStandard::Hb44 ? Accuracy::Maintenance : Accuracy::Initial;
        return t;
    };
    const ToleranceChoice r76iii = pick(TestStandard::OimlR76, AccuracyClass::III);
    const ToleranceChoice r76ii = pick(TestStandard::OimlR76, AccuracyClass::II);
    const ToleranceChoice r76i = pick(TestStandard::OimlR76, AccuracyClass::I);
    const ToleranceChoice r76iiii = pick(TestStandard::OimlR76, AccuracyClass::IIII);
    const ToleranceChoice hb44iii = pick(TestStandard::Hb44, AccuracyClass::III);
    const ToleranceChoice hb44iiii = pick(TestStandard::Hb44, AccuracyClass::IIII);
    ToleranceChoice custom;
    custom.standard = TestStandard::Custom;
    custom.customPercent = 0.1;
    using R = QVector<WeighingRange>;

    QTest::newRow("class III at 6000 e") << r76iii << "kg" << 1 << R{{30000, 5}} << "";
    QTest::newRow("class III at 10000 e, its limit") << r76iii << "kg" << 0 << R{{10000, 1}} << "";
    QTest::newRow("class III at 250000 e")
        << r76iii << "kg" << 2 << R{{250000, 1}}
        << "n = Max/e = 250000 (2500.00 kg / 0.01 kg) is above the limit of class III, n at "
           "most 10000";
    QTest::newRow("class III, e of 5 g or more, below 500 e")
        << r76iii << "kg" << 0 << R{{400, 1}} << "n at least 500";
    QTest::newRow("class III, e of 2 g, at 400 e") << r76iii << "g" << 0 << R{{800, 2}} << "";
    QTest::newRow("class III, an e below 0.1 g")
        << r76iii << "g" << 2 << R{{50000, 5}} << "below the smallest e of class III (0.1 g";
    QTest::newRow("class II, e of 0.1 g, below 5000 e")
        << r76ii << "g" << 1 << R{{4000, 1}} << "n at least 5000";
    QTest::newRow("class II, e of 0.01 g, at 4000 e") << r76ii << "g" << 2 << R{{4000, 1}} << "";
    QTest::newRow("class I below 50000 e")
        << r76i << "g" << 3 << R{{40000, 1}} << "n at least 50000";
    QTest::newRow("class IIII at 1200 e: above OIML's 1000")
        << r76iiii << "kg" << 0 << R{{12000, 10}} << "n at most 1000";
    QTest::newRow("class IIII at 1200 e: Handbook 44's limit")
        << hb44iiii << "kg" << 0 << R{{12000, 10}} << "";
    QTest::newRow("Handbook 44 class III in pounds, e = 0.01 lb, below 500 e")
        << hb44iii << "lb" << 2 << R{{400, 1}} << "n at least 500 (Handbook 44, Table 3)";
    QTest::newRow("each range counted on its own: range 3 at 12000 e")
        << r76iii << "kg" << 1 << R{{5000, 1}, {20000, 2}, {60000, 5}}
        << "range 3: n = Max/e = 12000";
    QTest::newRow("three ranges within the class")
        << r76iii << "kg" << 1 << R{{5000, 1}, {20000, 2}, {50000, 5}} << "";
    QTest::newRow("equal divisions in ranges 1 and 2")
        << r76iii << "kg" << 1 << R{{5000, 5}, {10000, 5}} << "e1 < e2 < e3";
    QTest::newRow("divisions decreasing from range 1 to range 3")
        << custom << "kg" << 1 << R{{5000, 10}, {10000, 20}, {20000, 5}}
        << "range 3 has a division (e) of 0.5 kg, not above range 2's 2.0 kg";
    QTest::newRow("a custom tolerance has no class limits")
        << custom << "kg" << 2 << R{{250000, 1}} << "";
}

void TstScaleTest::settingsAreCheckedAgainstTheStandard()
{
    QFETCH(ToleranceChoice, choice);
    QFETCH(QString, unit);
    QFETCH(int, decimals);
    QFETCH(QVector<WeighingRange>, ranges);
    QFETCH(QString, refusal);
    ScaleRanges r;
    r.unit = unit;
    r.decimals = decimals;
    r.ranges = ranges;
    QString checked;
    QCOMPARE(ScaleTest::checkSettings(choice, r, &checked), refusal.isEmpty());
    // begin() refuses the same, whichever caller (window or command line) starts it.
    ScaleTest test;
    QString error;
    const bool started =
        test.begin(choice, r, TestPlans::fromLoads({0}), CaptureSettings(), &error);
    QVERIFY2(started == refusal.isEmpty(), qPrintable(error));
    if (!started) {
        QVERIFY2(error.contains(refusal), qPrintable(error));
        QCOMPARE(error, checked);
        QCOMPARE(test.current(), -1);
    }
}

void TstScaleTest::theEccentricityLoadAndCornersFollowTheSupports()
{
    ScaleRanges r;
    r.decimals = 1;
    r.unit = QStringLiteral("kg");
    r.ranges = {{30000, 5}}; // 3000.0 kg, e = 0.5 kg
    // supports -> the corner load: a third of max up to four, max / (n - 1) above.
    const QVector<QPair<int, qint64>> loads = {{1, 10000}, {3, 10000}, {4, 10000},
                                               {5, 7500},  {6, 6000},  {8, 4285}};
    for (const auto &l : loads) {
        QCOMPARE(TestPlans::eccentricityLoad(r, l.first), l.second);
        const QVector<PlanPoint> plan = TestPlans::corners(r, l.first, l.first);
        QCOMPARE(plan.size(), l.first);
        QCOMPARE(plan.last().load, l.second);
        QCOMPARE(plan.last().position, l.first);
    }
    QCOMPARE(TestPlans::eccentricityLoad(r), TestPlans::eccentricityLoad(r, 4));
    PlanOptions six;
    six.corners = 6;
    six.supports = 6;
    six.returnToZero = false;
    QCOMPARE(TestPlans::build(r, {}, six).last().load, qint64(6000));

    QCOMPARE(TestPlans::supportsOf(false, 8), 4);
    QCOMPARE(TestPlans::supportsOf(true, 6), 6);
    QString error;
    QVERIFY(TestPlans::checkCorners(4, 4, &error));
    QVERIFY(TestPlans::checkCorners(0, 0, &error));
    QVERIFY(!TestPlans::checkCorners(6, 4, &error));
    QVERIFY2(error.contains(QLatin1String("the platform has 4 supports")), qPrintable(error));
    QVERIFY(!TestPlans::checkCorners(1, 0, &error));
    QVERIFY2(error.contains(QLatin1String("no supports")), qPrintable(error));
}

void TstScaleTest::reportRowsAndJson()
{
    const ScaleRanges r = kgRanges();
    ScaleTest test;
    test.setPhase(QStringLiteral("as found"));
    QString error;
    QVERIFY(test.begin(classIII(), r, TestPlans::fromLoads({0, 10000}), CaptureSettings(), &error));
    QVERIFY(test.captureNow(Reading{1, true, false}));
    QVERIFY(test.captureNow(Reading{10010, true, false}));
    const QVector<QStringList> rows = TestReport::rows(test.result());
    QCOMPARE(rows.size(), 2);
    // 1000.0 kg is 2000 e of 0.5 kg: +-1 e; 1001.0 kg is +2 e.
    QCOMPARE(rows[1], (QStringList{"2", "increasing", "1000.0 kg", "1001.0 kg", "+1.0", "+2.00",
                                   "not stated", "±0.5", "±1.00", "FAIL"}));
    // 0.5 count of tolerance at zero shows with a digit more.
    QCOMPARE(rows[0][7], QStringLiteral("±0.25"));
    const QJsonObject json = TestReport::json(test.result());
    QCOMPARE(json.value(QStringLiteral("verdict")).toString(), QStringLiteral("fail"));
    QCOMPARE(json.value(QStringLiteral("phase")).toString(), QStringLiteral("as found"));
    QCOMPARE(json.value(QStringLiteral("class")).toString(), QStringLiteral("III"));
    const QJsonObject second = json.value(QStringLiteral("points")).toArray().at(1).toObject();
    QCOMPARE(second.value(QStringLiteral("errorRaw")).toInt(), 10);
    QCOMPARE(second.value(QStringLiteral("errorE")).toDouble(), 2.0);
    QCOMPARE(second.value(QStringLiteral("pass")).toBool(), false);
    const QString detail = TestReport::recordDetail(test.result());
    QVector<QStringList> table;
    QStringList lines;
    TestReport::splitDetail(detail, &table, &lines);
    QCOMPARE(table.size(), 3);
    QCOMPARE(table[0], TestReport::header());
    QCOMPARE(table[2], rows[1]);
    QVERIFY2(lines.last().startsWith(QStringLiteral("as found: verdict fail")), qPrintable(detail));
}

QTEST_GUILESS_MAIN(TstScaleTest)
#include "tst_scaletest.moc"
