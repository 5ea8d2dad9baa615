#include "calibrationguide.h"

namespace {
// A point's band: 1 % of the weight, at least this many divisions.
constexpr int LeastBandDivisions = 10;
constexpr int BandPerMille = 10;
} // namespace

bool CalibrationGuide::begin(const ScaleRanges &ranges, qint64 spanCounts, qint64 zeroRangeCounts,
                             const CaptureSettings &capture, qint64 nowMs, QString *error)
{
    m_ranges = ranges;
    m_step = Done;
    if (!setSpan(spanCounts, error))
        return false;
    m_zeroRange = zeroRangeCounts;
    m_capture = capture;
    m_rule = CaptureRule(capture);
    if (capture.flickerDivisions > 0 && !ranges.ranges.isEmpty())
        m_rule.setFlickerCounts(capture.flickerDivisions * ranges.ranges.first().division);
    m_step = Zero;
    m_message.clear();
    m_log.clear();
    m_rule.start(nowMs);
    return true;
}

bool CalibrationGuide::setSpan(qint64 spanCounts, QString *error)
{
    if (spanCounts <= 0 || spanCounts > m_ranges.max()) {
        if (error)
            *error = tr("The span weight must be above zero and at most %1.")
                         .arg(m_ranges.weightText(m_ranges.max()));
        return false;
    }
    m_span = spanCounts;
    return true;
}

bool CalibrationGuide::back(qint64 nowMs)
{
    if (m_step == Zero)
        return false;
    m_step = m_step == Done ? Span : Zero;
    m_message.clear();
    m_rule.start(nowMs);
    return true;
}

bool CalibrationGuide::feed(const Reading &reading, qint64 nowMs)
{
    if (m_step == Done)
        return false;
    m_last = reading;
    // A settled reading holds only while the scale shows it: a load put on or
    // taken off after it settled is a new reading to wait for.
    if (m_rule.state() == CaptureRule::Captured &&
        (!reading.stable || reading.overflow ||
         qAbs(reading.weight - m_rule.value()) > qMax<qint64>(0, m_capture.flickerDivisions) *
                                                     m_ranges.divisionOf(qAbs(reading.weight))))
        m_rule.start(nowMs);
    if (m_rule.state() == CaptureRule::Waiting) {
        m_rule.feed(reading, nowMs);
        if (m_rule.state() == CaptureRule::TimedOut)
            m_message = tr("The weight did not settle; check that nothing touches the scale.");
    }
    return ready();
}

StepCheck CalibrationGuide::check() const
{
    StepCheck c;
    if (!ready()) {
        c.message = tr("Waiting for a stable reading...");
        return c;
    }
    Reading settled = m_last;
    settled.weight = m_rule.value();
    return m_step == Zero ? checkZero(settled, m_zeroRange, m_ranges)
                          : checkPoint(settled, m_span, m_ranges, stepName(Span));
}

StepCheck CalibrationGuide::checkZero(const Reading &settled, qint64 zeroRangeCounts,
                                      const ScaleRanges &ranges)
{
    StepCheck c;
    if (settled.overflow) {
        c.message = tr("The scale shows overflow: remove every load before zeroing.");
    } else if (!settled.stable) {
        c.message = tr("The reading is not stable.");
    } else if (qAbs(settled.weight) > zeroRangeCounts) {
        c.message = tr("%1 on the platform: remove every load before zeroing.")
                        .arg(ranges.weightText(settled.weight));
    } else {
        c.kind = StepCheck::Ready;
        c.message = tr("Zero the scale at %1.").arg(ranges.weightText(settled.weight));
    }
    return c;
}

StepCheck CalibrationGuide::checkPoint(const Reading &settled, qint64 weightCounts,
                                       const ScaleRanges &ranges, const QString &pointName)
{
    StepCheck c;
    if (settled.overflow) {
        c.message = tr("The scale shows overflow: the weight on it is above its range.");
        return c;
    }
    if (!settled.stable) {
        c.message = tr("The reading is not stable.");
        return c;
    }
    const qint64 off = settled.weight - weightCounts;
    const qint64 e = ranges.divisionOf(weightCounts);
    if (qAbs(off) <= pointBand(weightCounts, ranges)) {
        c.kind = StepCheck::Ready;
        c.message =
            tr("Write %1 = %2 with the scale reading %3.")
                .arg(pointName, ranges.weightText(weightCounts), ranges.weightText(settled.weight));
        return c;
    }
    c.kind = StepCheck::Confirm;
    c.message =
        tr("The scale reads %1, %2 (%3 e) %4 the %5 to be written as %6: check the "
           "weight placed. Write it only if exactly %5 is on the platform.")
            .arg(ranges.weightText(settled.weight), ranges.weightText(qAbs(off)))
            .arg(e > 0 ? qAbs(off) / e : 0)
            .arg(off < 0 ? tr("below") : tr("above"), ranges.weightText(weightCounts), pointName);
    return c;
}

qint64 CalibrationGuide::zeroRangeCounts(const ScaleRanges &ranges, quint32 percent)
{
    const qint64 e = ranges.ranges.isEmpty() ? 0 : ranges.ranges.first().division;
    return qMax(e, ranges.max() * qint64(qMin<quint32>(percent, 100)) / 100);
}

qint64 CalibrationGuide::pointBand(qint64 weightCounts, const ScaleRanges &ranges)
{
    return qMax(LeastBandDivisions * ranges.divisionOf(weightCounts),
                qAbs(weightCounts) * BandPerMille / 1000);
}

bool CalibrationGuide::finishStep(ModbusResult write, const CalibrationVerdict &verdict,
                                  bool chinese, qint64 nowMs)
{
    if (m_step == Done)
        return false;
    const QString name = stepName(m_step);
    switch (write) {
    case ModbusOk:
        m_message = tr("%1 done; the instrument reports no error.").arg(name);
        break;
    case ModbusCalibrationRefused:
        m_message = tr("%1 refused by the instrument: %2").arg(name, verdict.errorText(chinese));
        break;
    case ModbusCalibrationUnknown:
        m_message = tr("%1: the outcome is unknown, the instrument's error word could not be "
                       "read after the write. Check its error message before going on.")
                        .arg(name);
        break;
    default:
        m_message = tr("%1: the instrument did not take the write.").arg(name);
        break;
    }
    m_log.append(m_message);
    m_rule.start(nowMs); // the next step, or this one again, settles anew
    if (write != ModbusOk)
        return false;
    m_step = m_step == Zero ? Span : Done;
    return true;
}

QString CalibrationGuide::instruction() const
{
    switch (m_step) {
    case Zero:
        return tr("Remove every load from the scale; when it is stable, press Zero.");
    case Span:
        return tr("Place the span weight of %1 on the centre; when it is stable, press Write "
                  "CP1. The weight written is the weight on the platform.")
            .arg(m_ranges.weightText(m_span));
    case Done:
        break;
    }
    return tr("Calibration done.");
}

QString CalibrationGuide::stepName(Step step) const
{
    return step == Zero ? tr("Zero calibration") : tr("Span calibration (CP1)");
}
