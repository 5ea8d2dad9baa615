#pragma once

// The guided calibration between the as-found and the as-left test: the empty
// scale is zeroed, then the span weight on the platform is written as the
// first calibration point. No step acts by itself: each waits for a settled
// reading (the capture rule), is checked against what the scale shows, and is
// taken when the technician presses for it, through the instrument's normal
// write path. The instrument's verdict (its error word, read after the write)
// decides whether the step was taken; a refused or unknown step stays current
// with the instrument's word. A step can be gone back to. The checks are also
// those of zeltctl calibrate. Like the scale test it keeps no clock and talks
// to no instrument.

#include "calibrationverdict.h"
#include "capturerule.h"
#include "linksettings.h"
#include "scaleranges.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// What a settled reading allows a calibration step to do.
struct StepCheck
{
    enum Kind {
        Ready,   // the step may be taken on a press
        Confirm, // the reading is off the weight by more than the band: the
                 // technician checks the weight placed and confirms
        Refused, // not with this reading (a load on for the zero, overflow)
    };
    Kind kind = Refused;
    QString message; // why, for Confirm and Refused; what will be written for Ready
};

class CalibrationGuide
{
    Q_DECLARE_TR_FUNCTIONS(CalibrationGuide)
public:
    enum Step { Zero, Span, Done };

    // False with *error for a span weight of zero or less or above max.
    // zeroRangeCounts: how far from the present zero a reading may be zeroed
    // (ZeroRangeCounts()).
    bool begin(const ScaleRanges &ranges, qint64 spanCounts, qint64 zeroRangeCounts,
               const CaptureSettings &capture, qint64 nowMs, QString *error);
    Step step() const { return m_step; }
    qint64 span() const { return m_span; }
    // Another span weight, before the span step was taken; false with *error
    // as begin() refuses it.
    bool setSpan(qint64 spanCounts, QString *error);
    // Back to the step before (Span to Zero, Done to Span); false at Zero.
    bool back(qint64 nowMs);

    // One poll's reading; true while a settled reading is at hand. A reading
    // that moves away from the settled one starts the wait again.
    bool feed(const Reading &reading, qint64 nowMs);
    bool ready() const { return m_step != Done && m_rule.state() == CaptureRule::Captured; }
    // The settled reading (ready() only).
    qint64 settled() const { return m_rule.value(); }
    // What the settled reading allows the current step (ready() only).
    StepCheck check() const;
    // The wait has run out: message() says why; restart() waits again.
    bool timedOut() const { return m_rule.state() == CaptureRule::TimedOut; }
    void restart(qint64 nowMs) { m_rule.start(nowMs); }

    // The outcome of the step's write (ModbusCalibrationRefused and
    // ModbusCalibrationUnknown with the verdict read after it). True when the
    // step was taken (the guide moves on); false leaves it current.
    bool finishStep(ModbusResult write, const CalibrationVerdict &verdict, bool chinese,
                    qint64 nowMs);

    // "Remove every load from the scale, then press Zero." and the like.
    QString instruction() const;
    QString message() const { return m_message; }
    // One line per step done or refused, in order.
    QStringList log() const { return m_log; }

    // The checks, shared with zeltctl calibrate. A zero: the settled reading
    // within the zero range of the present zero ("3000.0 kg on the platform:
    // remove every load before zeroing"). A point: the reading within
    // PointBand() of the weight to be written, else Confirm naming the
    // difference.
    static StepCheck checkZero(const Reading &settled, qint64 zeroRangeCounts,
                               const ScaleRanges &ranges);
    static StepCheck checkPoint(const Reading &settled, qint64 weightCounts,
                                const ScaleRanges &ranges, const QString &pointName);
    // The instrument's zero range (register 54, % of max) in counts, at least
    // one division: the reading a zero may be taken from, either side of zero.
    static qint64 zeroRangeCounts(const ScaleRanges &ranges, quint32 percent);
    // How far a reading may be off the weight being written without asking:
    // 1 % of the weight, at least 10 divisions. A scale due for calibration is
    // a few divisions off; a reading further off means the wrong weight is on.
    static qint64 pointBand(qint64 weightCounts, const ScaleRanges &ranges);

private:
    QString stepName(Step step) const;

    ScaleRanges m_ranges;
    CaptureSettings m_capture;
    CaptureRule m_rule;
    Step m_step = Done;
    qint64 m_span = 0;
    qint64 m_zeroRange = 0;
    Reading m_last;
    QString m_message;
    QStringList m_log;
};
