#include "calibrationguide.h"

#include "errortexts.h"

namespace {
// Zero calibration: unstable, signal under or over the range; hardware
// protection and the remote-calibration ban refuse any step.
constexpr quint32 ZeroBits = 0x7u << 16 | 0x3u << 27;
// Weight calibration: unstable, signal out of range, a weight below zero or
// the point before, zero, above full scale, beyond the resolution, a point
// missing before it, hardware protection, the remote ban.
constexpr quint32 SpanBits = 0x3FFu << 19;
} // namespace

bool CalibrationGuide::begin(const ScaleRanges &ranges, qint64 spanCounts,
                             const CaptureSettings &capture, qint64 nowMs, QString *error)
{
    m_ranges = ranges;
    m_step = Done;
    if (!setSpan(spanCounts, error))
        return false;
    m_capture = capture;
    m_rule = CaptureRule(capture);
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

bool CalibrationGuide::feed(const Reading &reading, qint64 nowMs)
{
    if (m_step == Done)
        return false;
    if (m_rule.state() == CaptureRule::Waiting) {
        m_rule.feed(reading, nowMs);
        if (m_rule.state() == CaptureRule::TimedOut)
            m_message = tr("The weight did not settle; check that nothing touches the scale.");
    }
    return ready();
}

bool CalibrationGuide::finishStep(ModbusResult write, quint32 errorWord, bool chinese, qint64 nowMs)
{
    if (m_step == Done)
        return false;
    const QString meaning = errorMeaning(errorWord, stepErrorBits(m_step), chinese);
    if (write != ModbusOk)
        m_message = tr("%1: the instrument did not take the write.").arg(stepName(m_step));
    else if (!meaning.isEmpty())
        m_message = tr("%1 refused by the instrument: %2").arg(stepName(m_step), meaning);
    else
        m_message = tr("%1 done; the instrument reports no error.").arg(stepName(m_step));
    m_log.append(m_message);
    if (write != ModbusOk || !meaning.isEmpty()) {
        m_rule.start(nowMs); // settle again before it is tried again
        return false;
    }
    m_step = m_step == Zero ? Span : Done;
    if (m_step != Done)
        m_rule.start(nowMs);
    return true;
}

QString CalibrationGuide::instruction() const
{
    switch (m_step) {
    case Zero:
        return tr("Remove every load from the scale; the empty scale is zeroed when stable.");
    case Span:
        return tr("Place the span weight of %1 on the centre; it is written as calibration "
                  "point 1 when stable.")
            .arg(m_ranges.weightText(m_span));
    case Done:
        break;
    }
    return tr("Calibration done.");
}

quint32 CalibrationGuide::stepErrorBits(Step step)
{
    return step == Zero ? ZeroBits : step == Span ? SpanBits : 0;
}

QString CalibrationGuide::errorMeaning(quint32 errorWord, quint32 bits, bool chinese)
{
    const quint32 set = errorWord & bits;
    if (set == 0)
        return QString();
    int bit = 0;
    while (!(set & (1u << bit)))
        ++bit;
    const QString text = InstrumentErrorText(bit, chinese).trimmed();
    return text.isEmpty() ? tr("error bit %1").arg(bit) : text;
}

QString CalibrationGuide::stepName(Step step) const
{
    return step == Zero ? tr("Zero calibration") : tr("Span calibration (CP1)");
}
