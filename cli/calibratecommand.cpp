// zeltctl calibrate: the zero and the calibration points from a terminal,
// checked as the window checks them: the weight written is the weight on the
// platform, the reading must have settled near it, and the instrument's error
// word after the write is the outcome.
#include "zeltctl.h"

#include "calibrationguide.h"
#include "calibrationverdict.h"
#include "decimaltext.h"
#include "livereading.h"
#include "valuebinding.h"
#include "writesource.h"
#include "zeltctlcommon.h"

#include <QElapsedTimer>
#include <QJsonObject>

using namespace zeltctl;

namespace {

constexpr int ZeroCaptureRegister = 108;
constexpr int FirstPointRegister = 112;
constexpr int ZeroRangeRegister = 54;
constexpr int CalPoints = 5;
constexpr int DefaultPollMs = 100;
constexpr int DefaultSettleMs = 1000;
constexpr int DefaultTimeoutS = 60;

int pointRegister(int point)
{
    return FirstPointRegister + 2 * (point - 1);
}

} // namespace

int Zeltctl::cmdCalibrate(const QStringList &args)
{
    const QCommandLineParser &p = m_parser;
    const QString step = args.value(0).toLower();
    int point = 0; // 0: the zero
    QString weightText;
    if (step == QLatin1String("zero") && args.size() == 1) {
        point = 0;
    } else if (step == QLatin1String("span") && args.size() == 2) {
        point = 1;
        weightText = args.at(1);
    } else if (step == QLatin1String("point") && args.size() == 3) {
        bool ok = false;
        point = args.at(1).toInt(&ok);
        if (!ok || point < 1 || point > CalPoints)
            return usageError(
                QStringLiteral("calibrate point %1: the point is 1 to 5").arg(args.at(1)));
        weightText = args.at(2);
    } else {
        return usageError(QStringLiteral("calibrate takes zero, span WEIGHT or point N WEIGHT"));
    }
    int pollMs = DefaultPollMs, timeoutS = DefaultTimeoutS;
    CaptureSettings capture;
    capture.settleMs = DefaultSettleMs;
    QString error;
    if (!intOption("interval", 20, 5000, &pollMs, &error) ||
        !intOption("settle", 0, 60000, &capture.settleMs, &error) ||
        !intOption("flicker", 0, MaxFlickerDivisions, &capture.flickerDivisions, &error) ||
        !intOption("point-timeout", 1, 3600, &timeoutS, &error))
        return usageError(error);
    capture.timeoutMs = timeoutS * 1000;
    const bool yes = p.isSet("yes");
    if (!yes && !m_s.in)
        return usageError(QStringLiteral("no standard input to confirm the load: give --yes"));

    if (const int status = connectInstrument())
        return status;
    const auto refuse = [this](int status, const QString &message) {
        disconnectInstrument();
        return fail(status, message);
    };
    ScaleRanges ranges;
    if (!ScaleRangeReader::fromCalibration(gsrt_CalPara.slot, &ranges, &error))
        return refuse(ExitDiffers, QStringLiteral("the instrument's ranges: %1").arg(error));
    const QString pointName = QStringLiteral("CP%1").arg(point);
    qint64 weight = 0;
    if (point > 0) {
        if (!ScaleRangeReader::parseWeight(weightText, ranges.decimals, &weight, &error))
            return refuse(ExitUsage, QStringLiteral("calibrate %1: %2").arg(weightText, error));
        if (weight <= 0 || weight > ranges.max())
            return refuse(ExitUsage,
                          QStringLiteral("calibrate %1: the weight must be above zero and at "
                                         "most %2")
                              .arg(weightText, ranges.weightText(ranges.max())));
    }
    // A tare shifts the reading the checks compare.
    const ModbusResult net = ReadNetCoil();
    if (net != ModbusOk)
        return refuse(FailedStatus(ExitDiffers),
                      QStringLiteral("the net state (coil 4): %1").arg(LinkResultText(net)));
    if (gsrt_LiveVal.netFlag)
        return refuse(ExitDiffers, QStringLiteral("the instrument shows a net weight: clear the "
                                                  "tare first, a calibration reads gross weights"));
    bool ok = false;
    ModbusResult read = ModbusOk;
    qint64 zeroRange = 0;
    if (point == 0) {
        const quint32 percent = ReadParam(ZeroRangeRegister, 2, &ok, &read);
        if (!ok)
            return refuse(FailedStatus(ExitDiffers),
                          QStringLiteral("the zero range (register %1): %2")
                              .arg(ZeroRangeRegister)
                              .arg(LinkResultText(read)));
        zeroRange = CalibrationGuide::zeroRangeCounts(ranges, percent);
    } else if (point > 1) {
        // The points go in order, each above the one before.
        const quint32 before = ReadParam(pointRegister(point - 1), 2, &ok, &read);
        if (!ok)
            return refuse(FailedStatus(ExitDiffers), QStringLiteral("CP%1 (register %2): %3")
                                                         .arg(point - 1)
                                                         .arg(pointRegister(point - 1))
                                                         .arg(LinkResultText(read)));
        if (before == 0)
            return refuse(ExitDiffers, QStringLiteral("%1 comes after CP%2, which holds no "
                                                      "weight: calibrate CP%2 first")
                                           .arg(pointName)
                                           .arg(point - 1));
        if (weight <= qint32(before))
            return refuse(ExitDiffers, QStringLiteral("%1 must be above CP%2 (%3)")
                                           .arg(pointName)
                                           .arg(point - 1)
                                           .arg(ranges.weightText(qint32(before))));
    }

    const QString placing =
        point == 0 ? QStringLiteral("remove every load from the platform")
                   : QStringLiteral("place %1 on the platform").arg(ranges.weightText(weight));
    if (yes) {
        m_s.err << placing << '\n';
    } else {
        m_s.err << placing << ", then Enter\n";
        m_s.err.flush();
        if (m_s.in->readLine().isNull())
            return refuse(ExitDiffers, QStringLiteral("standard input ended: nothing written"));
    }
    m_s.err.flush();

    // A settled reading: stable and unchanged for the settle time.
    CaptureRule rule(capture);
    if (capture.flickerDivisions > 0)
        rule.setFlickerCounts(capture.flickerDivisions * ranges.divisionOf(weight));
    QElapsedTimer clock;
    clock.start();
    rule.start(0);
    Reading reading;
    const LinkSettings base = m_link;
    while (rule.state() == CaptureRule::Waiting) {
        const qint64 pollStart = clock.elapsed();
        const ModbusResult r = ReadTestReading(base, &reading);
        if (r == ModbusOk)
            rule.feed(reading, clock.elapsed());
        else
            rule.feedNothing(clock.elapsed());
        if (r != ModbusOk && OutOfReach())
            return refuse(ExitUnreachable,
                          QStringLiteral("the link to the instrument was lost: %1; nothing "
                                         "written")
                              .arg(LinkResultText(r)));
        if (rule.state() == CaptureRule::Waiting) {
            const qint64 due = rule.dueInMs(clock.elapsed());
            WaitMs(
                int(due >= 0 ? qMin<qint64>(due, pollMs) : pollMs - (clock.elapsed() - pollStart)));
        }
    }
    if (rule.state() != CaptureRule::Captured)
        return refuse(
            ExitDiffers,
            QStringLiteral("no settled reading within %1 s (last reading %2%3): "
                           "nothing written")
                .arg(timeoutS)
                .arg(rule.lastReading().overflow ? QStringLiteral("overflow")
                                                 : ranges.weightText(rule.lastReading().weight),
                     rule.lastReading().stable ? QString() : QStringLiteral(", in motion")));
    Reading settled = rule.lastReading();
    settled.weight = rule.value();
    const StepCheck check = point == 0
                                ? CalibrationGuide::checkZero(settled, zeroRange, ranges)
                                : CalibrationGuide::checkPoint(settled, weight, ranges, pointName);
    if (check.kind == StepCheck::Refused)
        return refuse(ExitDiffers, check.message + QStringLiteral(" Nothing written."));
    if (check.kind == StepCheck::Confirm) {
        if (yes)
            return refuse(ExitDiffers, check.message + QStringLiteral(" Nothing written."));
        m_s.err << check.message << "\nWrite it? [y/N] ";
        m_s.err.flush();
        const QString answer = m_s.in->readLine().trimmed().toLower();
        if (answer != QLatin1String("y") && answer != QLatin1String("yes"))
            return refuse(ExitDiffers, QStringLiteral("not confirmed: nothing written"));
    }

    LinkSettings request;
    request.startAddress = point == 0 ? ZeroCaptureRegister : pointRegister(point);
    request.count = 2;
    SetLastCalibrationVerdict(CalibrationVerdict());
    ModbusResult written = ModbusOk;
    {
        const QString what =
            point == 0 ? QStringLiteral("zeltctl calibrate zero")
            : point == 1
                ? QStringLiteral("zeltctl calibrate span %1").arg(weightText)
                : QStringLiteral("zeltctl calibrate point %1 %2").arg(point).arg(weightText);
        WriteSource source(what);
        if (point > 0) {
            const quint32 before = ReadParam(request.startAddress, 2, &ok);
            if (ok)
                source.setOldValue(before);
        }
        written = WriteParam(gp_ModbusDevice, point == 0 ? 1u : quint32(weight), request);
    }
    const CalibrationVerdict verdict = LastCalibrationVerdict();
    QString outcome;
    int status = ExitDone;
    switch (written) {
    case ModbusOk:
        outcome = verdict.outcomeText();
        break;
    case ModbusCalibrationRefused:
    case ModbusCalibrationUnknown:
        if (written == ModbusCalibrationRefused)
            noteErrorKind(ErrorKind::Refused);
        outcome = verdict.outcomeText();
        status = FailedStatus(ExitDiffers);
        break;
    default:
        outcome = QStringLiteral("not written: %1").arg(LinkResultText(written));
        status = FailedStatus(ExitDiffers);
        break;
    }
    disconnectInstrument();
    if (status != ExitDone)
        fail(status, QStringLiteral("%1: %2").arg(point == 0 ? QStringLiteral("zero") : pointName,
                                                  outcome));
    // Weights as the test's document gives them: numbers in the instrument's unit.
    QJsonObject json{{"step", point == 0 ? QStringLiteral("zero") : QStringLiteral("point")},
                     {"unit", ranges.unit},
                     {"reading", FormatScaled(settled.weight, ranges.decimals)},
                     {"readingRaw", settled.weight},
                     {"outcome", outcome},
                     {"errorWord", qint64(verdict.errorWord)}};
    if (point > 0) {
        json.insert(QStringLiteral("point"), point);
        json.insert(QStringLiteral("weight"), FormatScaled(weight, ranges.decimals));
        json.insert(QStringLiteral("weightRaw"), weight);
    }
    if (verdict.state == CalibrationVerdict::Refused)
        json.insert(QStringLiteral("error"),
                    QJsonObject{{"bit", verdict.bit}, {"text", verdict.errorText()}});
    printResult(QJsonObject{{"calibration", json}},
                {QStringLiteral("STEP"), QStringLiteral("WEIGHT"), QStringLiteral("READING"),
                 QStringLiteral("OUTCOME")},
                {{point == 0 ? QStringLiteral("zero") : pointName,
                  point == 0 ? QString() : ranges.weightText(weight),
                  ranges.weightText(settled.weight), outcome}});
    return status;
}
