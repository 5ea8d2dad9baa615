#pragma once

// The guided calibration between the as-found and the as-left test: the empty
// scale is zeroed, then the span weight is written as the first calibration
// point. Each step waits for a settled reading (the capture rule) before the
// caller may act on it through the instrument's normal write path; the
// instrument's error word, read after the write, decides whether the step was
// taken. A step the instrument refuses stays current with the error's meaning.
// Like the scale test it keeps no clock and talks to no instrument.

#include "capturerule.h"
#include "linksettings.h"
#include "scaleranges.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class CalibrationGuide
{
    Q_DECLARE_TR_FUNCTIONS(CalibrationGuide)
public:
    enum Step { Zero, Span, Done };

    // False with *error for a span weight of zero or less or above max.
    bool begin(const ScaleRanges &ranges, qint64 spanCounts, const CaptureSettings &capture,
               qint64 nowMs, QString *error);
    Step step() const { return m_step; }
    qint64 span() const { return m_span; }
    // Another span weight, before the span step was taken; false with *error
    // as begin() refuses it.
    bool setSpan(qint64 spanCounts, QString *error);

    // One poll's reading; true once it has settled and the step may be acted on.
    bool feed(const Reading &reading, qint64 nowMs);
    bool ready() const { return m_step != Done && m_rule.state() == CaptureRule::Captured; }
    // The wait has run out: message() says why; restart() waits again.
    bool timedOut() const { return m_rule.state() == CaptureRule::TimedOut; }
    void restart(qint64 nowMs) { m_rule.start(nowMs); }

    // The outcome of the step's write and the error word read right after it.
    // True when the step was taken (the guide moves on); false leaves it current.
    bool finishStep(ModbusResult write, quint32 errorWord, bool chinese, qint64 nowMs);

    // "Remove every load from the scale; it is zeroed when stable." and the like.
    QString instruction() const;
    QString message() const { return m_message; }
    // One line per step done or refused, in order.
    QStringList log() const { return m_log; }

    // The error bits that report on each step's outcome.
    static quint32 stepErrorBits(Step step);
    // The meaning of the lowest of these bits set in errorWord; empty for none.
    static QString errorMeaning(quint32 errorWord, quint32 bits, bool chinese);

private:
    QString stepName(Step step) const;

    ScaleRanges m_ranges;
    CaptureSettings m_capture;
    CaptureRule m_rule;
    Step m_step = Done;
    qint64 m_span = 0;
    QString m_message;
    QStringList m_log;
};
