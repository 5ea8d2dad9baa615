// The guided calibration's steps on a fake clock: a settled reading, the
// checks of what the scale shows before anything is written, a press for
// every write, and the outcome as the instrument's error word gives it.
#include <QtTest>

#include "calibrationguide.h"
#include "certificateevidence.h"

namespace {
// 3000.0 kg in e = 0.5 kg; a zero range of 2 % (60.0 kg)
ScaleRanges ranges()
{
    ScaleRanges r;
    r.ranges = {{30000, 5}};
    r.decimals = 1;
    r.unit = QStringLiteral("kg");
    return r;
}
const qint64 ZeroRange = CalibrationGuide::zeroRangeCounts(ranges(), 2);
constexpr int ZeroCapture = 108, Cp1 = 112;

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

bool begin(CalibrationGuide &g, qint64 span = 30000)
{
    return g.begin(ranges(), span, ZeroRange, capture(), 0, nullptr);
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
        QCOMPARE(g.begin(ranges(), span, ZeroRange, capture(), 0, &error), accepted);
        QCOMPARE(error.isEmpty(), accepted);
        QCOMPARE(g.step(), accepted ? CalibrationGuide::Zero : CalibrationGuide::Done);
    }

    // Ready only while the scale shows the settled reading; a load put on
    // after it settled is waited for again; a step can be gone back to.
    void aSettledReadingHoldsOnlyWhileTheScaleShowsIt()
    {
        CalibrationGuide g;
        qint64 now = 0;
        QVERIFY(begin(g));
        QVERIFY(!hold(g, &now, 0, 2000, false)); // moving: never ready
        QVERIFY(!hold(g, &now, 0, 800));         // stable, not long enough
        QVERIFY(hold(g, &now, 0, 400));
        QCOMPARE(g.check().kind, StepCheck::Ready);
        QVERIFY(!g.feed({27500, true, false}, now)); // the load went on after it settled
        QVERIFY(hold(g, &now, 27500, 1200));
        QCOMPARE(g.check().kind, StepCheck::Refused);
        QVERIFY(g.check().message.contains("2750.0 kg on the platform: remove every load"));
        QVERIFY(hold(g, &now, 0, 1200));
        QVERIFY(g.finishStep(ModbusOk, CalibrationVerdict(), false, now));
        QCOMPARE(g.step(), CalibrationGuide::Span);
        QVERIFY(!g.ready()); // the span settles anew
        QVERIFY(hold(g, &now, 30020, 1200));
        QVERIFY(g.check().message.contains("3000.0 kg"));
        QVERIFY(g.back(now));
        QCOMPARE(g.step(), CalibrationGuide::Zero);
        QVERIFY(!g.ready());
        QVERIFY(!g.back(now));
    }

    void theWaitTimesOutAndStartsAgain()
    {
        CalibrationGuide g;
        qint64 now = 0;
        QVERIFY(begin(g));
        hold(g, &now, 0, 6000, false);
        QVERIFY(g.timedOut());
        QVERIFY(!g.message().isEmpty());
        g.restart(now);
        QVERIFY(hold(g, &now, 0, 1200));
    }

    // What a settled reading lets each step do: the zero within the zero
    // range, a point within 1 % of its weight (at least 10 e), else confirmed.
    void theSettledReadingIsCheckedBeforeTheWrite_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<qint64>("span");
        QTest::addColumn<qint64>("weight");
        QTest::addColumn<bool>("overflow");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        const int ready = StepCheck::Ready, confirm = StepCheck::Confirm,
                  refused = StepCheck::Refused;
        QTest::newRow("zero, empty") << 0 << qint64(30000) << qint64(0) << false << ready << "";
        QTest::newRow("zero, at the range's edge")
            << 0 << qint64(30000) << qint64(600) << false << ready << "";
        QTest::newRow("zero, a division beyond")
            << 0 << qint64(30000) << qint64(605) << false << refused
            << "60.5 kg on the platform: remove every load before zeroing";
        QTest::newRow("zero, below by as much")
            << 0 << qint64(30000) << qint64(-605) << false << refused << "-60.5 kg";
        QTest::newRow("zero, the test load left on") << 0 << qint64(30000) << qint64(30000) << false
                                                     << refused << "3000.0 kg on the platform";
        QTest::newRow("zero, overflow")
            << 0 << qint64(30000) << qint64(0) << true << refused << "overflow";
        QTest::newRow("span, 4 e off") << 1 << qint64(30000) << qint64(30020) << false << ready
                                       << "Write Span calibration (CP1) = 3000.0 kg";
        QTest::newRow("span, at 1 %")
            << 1 << qint64(30000) << qint64(30300) << false << ready << "";
        QTest::newRow("span, a division beyond 1 %")
            << 1 << qint64(30000) << qint64(30305) << false << confirm << "above";
        QTest::newRow("span, 2750 kg on for 3000 kg")
            << 1 << qint64(30000) << qint64(27500) << false << confirm
            << "2750.0 kg, 250.0 kg (500 e) below the 3000.0 kg";
        QTest::newRow("small span, 10 e band")
            << 1 << qint64(1000) << qint64(1050) << false << ready << "";
        QTest::newRow("small span, beyond 10 e")
            << 1 << qint64(1000) << qint64(1055) << false << confirm << "(11 e)";
        QTest::newRow("span, overflow")
            << 1 << qint64(30000) << qint64(0) << true << refused << "overflow";
    }
    void theSettledReadingIsCheckedBeforeTheWrite()
    {
        QFETCH(int, step);
        QFETCH(qint64, span);
        QFETCH(qint64, weight);
        QFETCH(bool, overflow);
        QFETCH(int, kind);
        QFETCH(QString, says);
        const Reading settled{weight, true, overflow};
        const StepCheck c =
            step == 0 ? CalibrationGuide::checkZero(settled, ZeroRange, ranges())
                      : CalibrationGuide::checkPoint(settled, span, ranges(),
                                                     QStringLiteral("Span calibration (CP1)"));
        QCOMPARE(int(c.kind), kind);
        QVERIFY2(c.message.contains(says), qPrintable(c.message));
    }

    // The outcome is the instrument's: the write's result first, then only the
    // error bits that report on the step (an old zero error does not refuse a
    // point); unknown when the error word could not be read.
    void theOutcomeIsTheInstrumentsVerdict_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("write");
        QTest::addColumn<quint32>("errorWord");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("says");
        const int ok = ModbusOk, refused = ModbusCalibrationRefused;
        QTest::newRow("zero, clean") << 0 << ok << 0u << true << "no error";
        QTest::newRow("zero, not stable")
            << 0 << refused << (1u << 16) << false << "refused by the instrument: Non Stable";
        QTest::newRow("zero, signal over")
            << 0 << refused << (1u << 18) << false << "Zero Cal OFL (error bit 18)";
        QTest::newRow("zero, remote ban")
            << 0 << refused << (1u << 28) << false << "Remote OPS Ban";
        QTest::newRow("zero, old tare error") << 0 << ok << (1u << 10) << true << "";
        QTest::newRow("zero, no answer")
            << 0 << int(ModbusTimeout) << 0u << false << "did not take the write";
        QTest::newRow("zero, verdict unread")
            << 0 << int(ModbusCalibrationUnknown) << 0u << false << "outcome is unknown";
        QTest::newRow("span, lowest bit wins")
            << 1 << refused << (1u << 24 | 1u << 22) << false << "Weight Error (error bit 22)";
        QTest::newRow("span, not stable") << 1 << refused << (1u << 19) << false << "mV UnSTAB";
        QTest::newRow("span, calibration error")
            << 1 << refused << (1u << 31) << false << "CAL Error";
        QTest::newRow("span, refused write")
            << 1 << int(ModbusProtocolError) << 0u << false << "did not take the write";
    }
    void theOutcomeIsTheInstrumentsVerdict()
    {
        QFETCH(int, step);
        QFETCH(int, write);
        QFETCH(quint32, errorWord);
        QFETCH(bool, taken);
        QFETCH(QString, says);

        // the verdict the write path reads, judged for the step's register
        const CalibrationVerdict verdict =
            VerdictOfErrorWord(errorWord, step == 0 ? ZeroCapture : Cp1);
        QCOMPARE(verdict.state == CalibrationVerdict::Refused, write == ModbusCalibrationRefused);
        CalibrationGuide g;
        qint64 now = 0;
        QVERIFY(begin(g));
        if (step == 1) {
            QVERIFY(hold(g, &now, 0, 1200));
            QVERIFY(g.finishStep(ModbusOk, CalibrationVerdict(), false, now));
        }
        QVERIFY(hold(g, &now, step == 1 ? 30000 : 0, 1200));
        const auto before = g.step();
        QCOMPARE(g.finishStep(ModbusResult(write), verdict, false, now), taken);
        QCOMPARE(g.step() != before, taken);
        QVERIFY2(g.message().contains(says), qPrintable(g.message()));
        QCOMPARE(g.log().last(), g.message());
        // the step (or the next) waits for a settled reading again
        QCOMPARE(g.ready(), false);
    }

    // The certificate's evidence from a visit's entries: "found" and "left"
    // tests, calibration writes ("zero", "cp1", "cp1!" refused by the
    // instrument) and another change ("fs").
    void theCertificatePairsTheTestsAroundTheAdjustments_data()
    {
        QTest::addColumn<QString>("visit");
        QTest::addColumn<int>("asFound");
        QTest::addColumn<QVector<int>>("adjustments");
        QTest::addColumn<int>("asLeft");
        QTest::addColumn<QString>("flags");
        QTest::newRow("found, calibrated, left")
            << "found zero cp1 left" << 0 << QVector<int>{1, 2} << 3 << "";
        QTest::newRow("the last test before, the last after")
            << "found found zero cp1 left left" << 1 << QVector<int>{2, 3} << 5 << "";
        QTest::newRow("a test between two adjustments is neither")
            << "found zero left cp1 left" << 0 << QVector<int>{1, 3} << 4 << "";
        QTest::newRow("a point after the as-left test")
            << "found zero cp1 left cp1" << 0 << QVector<int>{1, 2, 4} << 3
            << "changed after the as-left test: CP1 at 11:35";
        QTest::newRow("a refusal changed nothing")
            << "found cp1! found left" << 2 << QVector<int>{1} << 3 << "";
        QTest::newRow("no test before") << "zero cp1 left" << -1 << QVector<int>{0, 1} << 2
                                        << "no as-found test before the first adjustment";
        QTest::newRow("no test after") << "found zero cp1" << 0 << QVector<int>{1, 2} << -1
                                       << "no as-left test after the last adjustment";
        QTest::newRow("another parameter is no adjustment")
            << "found fs left" << 0 << QVector<int>{} << 2 << "";
    }
    void theCertificatePairsTheTestsAroundTheAdjustments()
    {
        QFETCH(QString, visit);
        QFETCH(int, asFound);
        QFETCH(QVector<int>, adjustments);
        QFETCH(int, asLeft);
        QFETCH(QString, flags);
        QVector<ServiceEntry> entries;
        QDateTime at(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC);
        for (const QString &word : visit.split(' ')) {
            ServiceEntry e;
            e.timeUtc = at = at.addSecs(7 * 60);
            e.utcOffsetSeconds = 3600;
            if (word == "found" || word == "left") {
                e.kind = ServiceEntry::Test;
                e.paramName = word == "found" ? "scale test as found" : "scale test as left";
            } else {
                e.address = word == "zero" ? 108 : word == "fs" ? 106 : 112;
                e.outcome =
                    word.endsWith('!') ? ServiceEntry::InstrumentRefused : ServiceEntry::Written;
            }
            entries.append(e);
        }
        const CertificateEvidence c = Certificates::select(entries);
        QCOMPARE(c.asFound, asFound);
        QCOMPARE(c.adjustments, adjustments);
        QCOMPARE(c.asLeft, asLeft);
        QCOMPARE(c.flags.join("; "), flags);
    }

    void theInstrumentsWordIsShownInItsLanguage()
    {
        const CalibrationVerdict v = VerdictOfErrorWord(1u << 22, Cp1);
        QCOMPARE(v.errorText(true),
                 QStringLiteral("重量标定小于零点或前一个标定点 (error bit 22)"));
        QCOMPARE(v.outcomeText(),
                 QStringLiteral("refused by the instrument: Weight Error (error bit 22)"));
        // a zero's bit on a point's write, and a bit with no text
        QCOMPARE(VerdictOfErrorWord(1u << 16, Cp1).state, CalibrationVerdict::Taken);
        QCOMPARE(VerdictOfErrorWord(1u << 30, ZeroCapture).state, CalibrationVerdict::Taken);
        QVERIFY(!IsCalibrationRegister(106));
        QVERIFY(IsCalibrationRegister(ZeroCapture));
        QVERIFY(IsCalibrationRegister(128));
        QVERIFY(!IsCalibrationRegister(130));
    }
};

QTEST_GUILESS_MAIN(TestCalibrationGuide)
#include "tst_calibrationguide.moc"
