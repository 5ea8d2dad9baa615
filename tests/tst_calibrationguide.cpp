// The guided calibration's steps on a fake clock: waiting for a settled
// reading, the outcome judged from the write and the instrument's error word.
#include <QtTest>

#include "calibrationguide.h"

namespace {
// 3000.0 kg in e = 0.5 kg
ScaleRanges ranges()
{
    ScaleRanges r;
    r.ranges = {{30000, 5}};
    r.decimals = 1;
    r.unit = QStringLiteral("kg");
    return r;
}

CaptureSettings capture()
{
    CaptureSettings c;
    c.settleMs = 1000;
    c.timeoutMs = 5000;
    return c;
}

// Feeds a steady reading every 200 ms for ms; whether the guide became ready.
bool hold(CalibrationGuide &g, qint64 *now, qint64 weight, int ms, bool stable = true)
{
    bool ready = false;
    for (int t = 0; t <= ms; t += 200) {
        ready = g.feed({weight, stable, false}, *now);
        *now += 200;
    }
    return ready;
}
} // namespace

class TestCalibrationGuide : public QObject
{
    Q_OBJECT

private slots:
    void spanWeightsOutsideTheScaleAreRefused_data()
    {
        QTest::addColumn<qint64>("span");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("zero") << qint64(0) << false;
        QTest::newRow("negative") << qint64(-5) << false;
        QTest::newRow("max") << qint64(30000) << true;
        QTest::newRow("above max") << qint64(30005) << false;
        QTest::newRow("a division") << qint64(5) << true;
    }
    void spanWeightsOutsideTheScaleAreRefused()
    {
        QFETCH(qint64, span);
        QFETCH(bool, accepted);
        CalibrationGuide g;
        QString error;
        QCOMPARE(g.begin(ranges(), span, capture(), 0, &error), accepted);
        QCOMPARE(error.isEmpty(), accepted);
        QCOMPARE(g.step(), accepted ? CalibrationGuide::Zero : CalibrationGuide::Done);
    }

    void eachStepWaitsForASettledReading()
    {
        CalibrationGuide g;
        qint64 now = 0;
        QVERIFY(g.begin(ranges(), 30000, capture(), now, nullptr));
        QVERIFY(!hold(g, &now, 0, 2000, false)); // moving: never ready
        QVERIFY(!hold(g, &now, 0, 800));         // stable, not long enough
        QVERIFY(hold(g, &now, 0, 400));
        QVERIFY(g.finishStep(ModbusOk, 0, false, now));
        QCOMPARE(g.step(), CalibrationGuide::Span);
        QVERIFY(g.instruction().contains("3000.0 kg"));
        QVERIFY(!g.ready()); // the span step settles anew
        QVERIFY(hold(g, &now, 30020, 1200));
        QVERIFY(g.finishStep(ModbusOk, 0, false, now));
        QCOMPARE(g.step(), CalibrationGuide::Done);
        QCOMPARE(g.log().size(), 2);
        QVERIFY(!g.feed({0, true, false}, now));
    }

    void theWaitTimesOutAndStartsAgain()
    {
        CalibrationGuide g;
        qint64 now = 0;
        QVERIFY(g.begin(ranges(), 30000, capture(), now, nullptr));
        hold(g, &now, 0, 6000, false);
        QVERIFY(g.timedOut());
        QVERIFY(!g.message().isEmpty());
        g.restart(now);
        QVERIFY(hold(g, &now, 0, 1200));
    }

    // The outcome: the write's result first, then only the error bits that
    // report on the step (an old zero-setting error does not refuse a span).
    void theOutcomeComesFromTheWriteAndTheStepsErrorBits_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("write");
        QTest::addColumn<quint32>("errorWord");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("meaning");

        QTest::newRow("zero, clean") << 0 << int(ModbusOk) << 0u << true << "";
        QTest::newRow("zero, not stable")
            << 0 << int(ModbusOk) << (1u << 16) << false << "Non Stable";
        QTest::newRow("zero, signal over")
            << 0 << int(ModbusOk) << (1u << 18) << false << "Zero Cal OFL";
        QTest::newRow("zero, remote ban")
            << 0 << int(ModbusOk) << (1u << 28) << false << "Remote OPS Ban";
        QTest::newRow("zero, old tare error") << 0 << int(ModbusOk) << (1u << 10) << true << "";
        QTest::newRow("zero, no answer")
            << 0 << int(ModbusTimeout) << 0u << false << "did not take the write";
        QTest::newRow("span, clean") << 1 << int(ModbusOk) << (1u << 3) << true << "";
        QTest::newRow("span, lowest bit wins")
            << 1 << int(ModbusOk) << (1u << 24 | 1u << 22) << false << "Weight Error";
        QTest::newRow("span, not stable")
            << 1 << int(ModbusOk) << (1u << 19) << false << "mV UnSTAB";
        QTest::newRow("span, zero bit is not its")
            << 1 << int(ModbusOk) << (1u << 16) << true << "";
        QTest::newRow("span, refused write")
            << 1 << int(ModbusProtocolError) << 0u << false << "did not take the write";
    }
    void theOutcomeComesFromTheWriteAndTheStepsErrorBits()
    {
        QFETCH(int, step);
        QFETCH(int, write);
        QFETCH(quint32, errorWord);
        QFETCH(bool, taken);
        QFETCH(QString, meaning);

        CalibrationGuide g;
        qint64 now = 0;
        QVERIFY(g.begin(ranges(), 30000, capture(), now, nullptr));
        if (step == 1) {
            QVERIFY(hold(g, &now, 0, 1200));
            QVERIFY(g.finishStep(ModbusOk, 0, false, now));
        }
        QVERIFY(hold(g, &now, step == 1 ? 30000 : 0, 1200));
        const auto before = g.step();
        QCOMPARE(g.finishStep(ModbusResult(write), errorWord, false, now), taken);
        QCOMPARE(g.step() != before, taken);
        if (!meaning.isEmpty())
            QVERIFY2(g.message().contains(meaning), qPrintable(g.message()));
        // a refused step waits for a settled reading again before it is retried
        QCOMPARE(g.ready(), false);
        if (!taken)
            QVERIFY(hold(g, &now, 0, 1200));
    }

    void theMeaningIsShownInChinese()
    {
        QCOMPARE(CalibrationGuide::errorMeaning(
                     1u << 22, CalibrationGuide::stepErrorBits(CalibrationGuide::Span), true),
                 QStringLiteral("重量标定小于零点或前一个标定点"));
        QVERIFY(CalibrationGuide::errorMeaning(1u << 5, ~0u, false).size() > 0);
        QCOMPARE(CalibrationGuide::errorMeaning(0, ~0u, false), QString());
        QCOMPARE(CalibrationGuide::errorMeaning(1u << 14, ~0u, false),
                 QStringLiteral("error bit 14")); // a bit the instrument has no text for
    }
};

QTEST_GUILESS_MAIN(TestCalibrationGuide)
#include "tst_calibrationguide.moc"
