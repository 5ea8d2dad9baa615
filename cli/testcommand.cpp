// zeltctl test: a scale test from a terminal against OIML R 76, Handbook 44
// or a custom tolerance, the loads placed by hand (Enter) or taken as they
// come (--auto).
#include "zeltctl.h"

#include "livereading.h"
#include "scaletest.h"
#include "sysinfotext.h"
#include "testreport.h"
#include "zeltctlcommon.h"

#include <QElapsedTimer>

using namespace zeltctl;

namespace {

constexpr int DefaultTestPollMs = 100;
constexpr int DefaultSettleMs = 1000;
constexpr int DefaultPointTimeoutS = 60;
// Registers 600-681: the digital platform's module count and modules.
constexpr int DigitalSensorGroup = 17;

// The supports of the platform: four on an analog instrument, the modules
// found on a digital one (its software version says which it is).
ModbusResult readSupports(LinkSettings base, int *supports)
{
    ModbusResult r = ReadGroup(base, SystemInfoGroup);
    if (r != ModbusOk)
        return r;
    const bool digital =
        InstrumentKindText(gsrt_SysInf.slot[SoftVersionSlot]) == QLatin1String("digital");
    if (digital) {
        r = ReadGroup(base, DigitalSensorGroup);
        if (r != ModbusOk)
            return r;
    }
    *supports = TestPlans::supportsOf(digital, int(qMin<quint32>(gsrt_DigPara.slot[0], 99)));
    return ModbusOk;
}

// "0.1%" or "2d": the custom tolerance.
bool parseCustomTolerance(const QString &text, ToleranceChoice *choice)
{
    const QString t = text.trimmed().toLower();
    bool ok = false;
    if (t.endsWith(QLatin1Char('%')))
        choice->customPercent = t.chopped(1).toDouble(&ok);
    else if (t.endsWith(QLatin1Char('d')) || t.endsWith(QLatin1Char('e')))
        choice->customDivisions = t.chopped(1).toDouble(&ok);
    return ok;
}

} // namespace

bool Zeltctl::readTestSpec(ToleranceChoice *choice, QString *error) const
{
    const QCommandLineParser &p = m_parser;
    if (p.isSet("standard") && !Tolerances::parseStandard(p.value("standard"), &choice->standard)) {
        *error = QStringLiteral("--standard %1: expected oiml-r76, hb44 or custom")
                     .arg(p.value("standard"));
        return false;
    }
    if (choice->standard == TestStandard::Custom) {
        if (!p.isSet("tolerance") || !parseCustomTolerance(p.value("tolerance"), choice)) {
            *error = QStringLiteral("--standard custom takes --tolerance P% or --tolerance Nd");
            return false;
        }
        if (p.isSet("class") || p.isSet("accuracy")) {
            *error = QStringLiteral("--class and --accuracy belong to oiml-r76 and hb44");
            return false;
        }
        return Tolerances::check(*choice, error);
    }
    if (p.isSet("tolerance")) {
        *error = QStringLiteral("--tolerance belongs to --standard custom");
        return false;
    }
    if (p.isSet("class") && !Tolerances::parseClass(p.value("class"), &choice->accuracyClass)) {
        *error = QStringLiteral("--class %1: expected I, II, III or IIII").arg(p.value("class"));
        return false;
    }
    choice->accuracy =
        choice->standard == TestStandard::Hb44 ? Accuracy::Maintenance : Accuracy::Initial;
    if (p.isSet("accuracy") && !Tolerances::parseAccuracy(p.value("accuracy"), &choice->accuracy)) {
        *error =
            QStringLiteral("--accuracy %1: expected initial, in-service, acceptance or maintenance")
                .arg(p.value("accuracy"));
        return false;
    }
    return Tolerances::check(*choice, error);
}

int Zeltctl::cmdTest()
{
    const QCommandLineParser &p = m_parser;
    ToleranceChoice choice;
    QString error;
    if (!readTestSpec(&choice, &error))
        return usageError(error);
    int pollMs = DefaultTestPollMs, timeoutS = DefaultPointTimeoutS, corners = 0;
    CaptureSettings capture;
    capture.settleMs = DefaultSettleMs;
    if (!intOption("interval", 20, 5000, &pollMs, &error) ||
        !intOption("settle", 0, 60000, &capture.settleMs, &error) ||
        !intOption("flicker", 0, MaxFlickerDivisions, &capture.flickerDivisions, &error) ||
        !intOption("point-timeout", 1, 3600, &timeoutS, &error) ||
        !intOption("corners", 1, 16, &corners, &error))
        return usageError(error);
    capture.timeoutMs = timeoutS * 1000;
    QString phase;
    if (p.isSet("phase")) {
        const QString v = p.value("phase").toLower();
        if (v != QLatin1String("as-found") && v != QLatin1String("as-left"))
            return usageError(
                QStringLiteral("--phase %1: expected as-found or as-left").arg(p.value("phase")));
        phase =
            v == QLatin1String("as-found") ? QStringLiteral("as found") : QStringLiteral("as left");
    }
    // Without a class no uncertainty is stated, and guarded acceptance has no U to judge with.
    WeightClass weightClass = WeightClass::M1;
    if (p.isSet("weights-class") &&
        !Uncertainty::parseClass(p.value("weights-class"), &weightClass))
        return usageError(QStringLiteral("--weights-class %1: expected an OIML R 111 class: E1, "
                                         "E2, F1, F2, M1, M1-2, M2, M2-3 or M3")
                              .arg(p.value("weights-class")));
    DecisionRule rule = DecisionRule::Simple;
    if (p.isSet("decision") && !Uncertainty::parseRule(p.value("decision"), &rule))
        return usageError(
            QStringLiteral("--decision %1: expected simple or guarded").arg(p.value("decision")));
    if (rule == DecisionRule::Guarded && !p.isSet("weights-class"))
        return usageError(QStringLiteral("--decision guarded judges with U: give the weights' "
                                         "class with --weights-class"));
    const bool automatic = p.isSet("auto");
    if (!automatic && !m_s.in)
        return usageError(QStringLiteral("no standard input to confirm the loads: give --auto"));
    const QStringList loadTexts = p.value("loads").split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (p.isSet("loads") && loadTexts.isEmpty())
        return usageError(QStringLiteral("--loads: expected weights such as 0,500,1000"));

    if (const int status = connectInstrument())
        return status;
    // The ranges, unit and decimals came with the connect's read of the calibration block.
    ScaleRanges ranges;
    if (!ScaleRangeReader::fromCalibration(gsrt_CalPara.slot, &ranges, &error)) {
        disconnectInstrument();
        return fail(ExitDiffers, QStringLiteral("the instrument's ranges: %1").arg(error));
    }
    QVector<PlanPoint> plan;
    if (loadTexts.isEmpty()) {
        plan = TestPlans::build(ranges, TestPlans::suggestedLoads(ranges), PlanOptions());
    } else if (loadTexts != QStringList{QStringLiteral("none")}) {
        QVector<qint64> loads;
        for (const QString &text : loadTexts) {
            qint64 load = 0;
            if (!ScaleRangeReader::parseWeight(text, ranges.decimals, &load, &error)) {
                disconnectInstrument();
                return usageError(QStringLiteral("--loads: %1").arg(error));
            }
            loads.append(load);
        }
        plan = TestPlans::fromLoads(loads);
    }
    if (corners > 0) {
        int supports = 0;
        const ModbusResult r = readSupports(m_link, &supports);
        if (r != ModbusOk) {
            disconnectInstrument();
            return fail(FailedStatus(ExitDiffers),
                        QStringLiteral("the platform's supports (system information, digital "
                                       "modules): %1")
                            .arg(LinkResultText(r)));
        }
        if (!TestPlans::checkCorners(corners, supports, &error)) {
            disconnectInstrument();
            return usageError(QStringLiteral("--corners %1: %2").arg(corners).arg(error));
        }
        plan += TestPlans::corners(ranges, corners, supports);
    }
    // The test judges the gross weight: a tare shifts every reading.
    const ModbusResult net = ReadNetCoil();
    if (net != ModbusOk || gsrt_LiveVal.netFlag) {
        const int status = net != ModbusOk ? FailedStatus(ExitDiffers) : int(ExitDiffers);
        disconnectInstrument();
        return fail(status,
                    net != ModbusOk
                        ? QStringLiteral("the net state (coil 4): %1").arg(LinkResultText(net))
                        : QStringLiteral("the instrument shows a net weight: clear the "
                                         "tare first, a test judges gross weights"));
    }
    ScaleTest test;
    test.setPhase(phase);
    test.setTestWeights(p.value("weights").simplified());
    if (p.isSet("weights-class"))
        test.setWeightClass(weightClass);
    test.setDecisionRule(rule);
    test.setAutomatic(automatic);
    if (!test.begin(choice, ranges, plan, capture, &error)) {
        disconnectInstrument();
        return usageError(error);
    }
    m_s.err << Tolerances::title(choice) << ", " << plan.size() << " points\n";
    m_s.err.flush();

    LinkSettings base = m_link;
    QElapsedTimer clock;
    clock.start();
    Reading reading;
    while (test.current() >= 0) {
        const int index = test.current();
        const QString step = TestPlans::instruction(plan[index], ranges);
        if (automatic) {
            m_s.err << index + 1 << ": " << step << '\n';
        } else {
            m_s.err << index + 1 << ": " << step << ", then Enter\n";
            m_s.err.flush();
            if (m_s.in->readLine().isNull()) {
                test.stop(QStringLiteral("standard input ended before point %1").arg(index + 1));
                break;
            }
        }
        m_s.err.flush();
        test.arm(clock.elapsed());
        ScaleTest::Event event = ScaleTest::Waiting;
        while (event == ScaleTest::Waiting) {
            const qint64 pollStart = clock.elapsed();
            const ModbusResult r = ReadTestReading(base, &reading);
            event = r == ModbusOk ? test.feed(reading, clock.elapsed())
                                  : test.feedNothing(clock.elapsed());
            if (r != ModbusOk && OutOfReach()) {
                test.linkLost(QStringLiteral("the link to the instrument was lost: %1")
                                  .arg(LinkResultText(r)));
                break;
            }
            if (event == ScaleTest::Waiting) {
                const qint64 now = clock.elapsed();
                WaitMs(int(qMin(test.nextPollInMs(now, pollMs), pollMs - (now - pollStart))));
            }
        }
        if (event == ScaleTest::Captured) {
            const PointResult &point = test.result().points[index];
            m_s.err << index + 1 << ": " << ranges.weightText(point.indication) << ", "
                    << TestReport::rows(test.result())[index].last() << '\n';
        } else if (event == ScaleTest::TimedOut) {
            m_s.err << test.message() << '\n';
            test.skip();
        }
        m_s.err.flush();
    }
    const TestResult &result = test.result();
    const Verdict verdict = result.verdict();
    // Every test is evidence, an incomplete one as incomplete.
    if (m_recording && !RecordScaleTest(result, QStringLiteral("zeltctl test"))) {
        m_s.err << "zeltctl: the service record did not keep this test\n";
        m_s.err.flush();
    }
    disconnectInstrument();
    printResult(TestReport::json(result), TestReport::header(), TestReport::rows(result),
                TestReport::summary(result).join(QLatin1Char('\n')));
    if (result.linkLost)
        return fail(ExitUnreachable, result.stopReason);
    return verdict == Verdict::Pass ? ExitDone : ExitDiffers;
}
