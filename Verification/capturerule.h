#pragma once

// When a reading may be taken as a test point's indication: the instrument
// reports its stable flag and the weight has not changed for the settle time,
// or has stayed within a flicker band around the first reading of that time.
// Motion (the flag clear or the weight changing) starts the wait again; an
// overflow is never taken; when nothing qualifies before the timeout the
// point is left open, and lastHindrance() says why. The rule is fed readings and
// times and keeps no clock of its own, so tests drive it with a fake clock.
//
// The indication is the reading seen most often during the hold (from the
// reading that started the settle time to the one that ended it); of readings
// seen equally often, the one seen first. A last digit that flickers between
// 1500.5, 1501.0 and 1501.5 thus gives the value the instrument shows most of
// the time, not whichever it happened to show at the end.

#include <QPair>
#include <QVector>
#include <QtGlobal>
#include <functional>

struct Reading
{
    qint64 weight = 0; // raw counts
    bool stable = false;
    bool overflow = false;
};

// More flicker than this is motion, whatever the instrument's flag says.
constexpr int MaxFlickerDivisions = 2;

struct CaptureSettings
{
    int settleMs = 1000;   // the reading unchanged and stable at least this long
    int timeoutMs = 30000; // from start() to giving up
    // How many divisions a stable reading may flicker by and still count as
    // unchanged (0: not at all); some instruments show a last digit that never
    // rests though they report stable.
    int flickerDivisions = 0;
};

class CaptureRule
{
public:
    enum State { Idle, Waiting, Captured, TimedOut };
    // What kept the last reading from counting.
    enum Hindrance { NoReading, Moving, Overflow, NotTheLoad, Settling };

    explicit CaptureRule(const CaptureSettings &settings = CaptureSettings());

    // Starts waiting for a settled reading at nowMs (any clock in ms).
    void start(qint64 nowMs);
    // Only readings this accepts can be captured (the automatic mode takes a
    // reading near the load expected next); none set: any reading.
    void setAccept(std::function<bool(qint64 weight)> accept);
    // How far, in counts, a reading may stray from the first reading of the
    // settle time and still hold it; the capture takes the reading seen most
    // often during the hold (ties: the first seen of them).
    void setFlickerCounts(qint64 counts) { m_flicker = counts < 0 ? 0 : counts; }
    // One reading taken at nowMs; returns the state after it.
    State feed(const Reading &reading, qint64 nowMs);
    // A poll that failed: the reading is unknown, the wait starts again.
    State feedNothing(qint64 nowMs);

    State state() const { return m_state; }
    // How long from nowMs until the reading being timed has held for the
    // settle time (0: due now); -1 when none is being timed. A caller polls
    // again then rather than a whole poll period later.
    qint64 dueInMs(qint64 nowMs) const;
    // The captured weight (Captured only): the hold's most frequent reading.
    qint64 value() const { return m_candidate; }
    // Why the wait has not ended (Waiting) or ended without a capture (TimedOut).
    Hindrance lastHindrance() const { return m_hindrance; }
    // The last reading fed (NoReading: none since start()).
    const Reading &lastReading() const { return m_last; }
    // When the reading the capture took first held still (Captured only).
    qint64 settledSinceMs() const { return m_since; }
    const CaptureSettings &settings() const { return m_settings; }

private:
    State timeOutIfDue(qint64 nowMs);
    // One more reading of the hold; the indication follows the most frequent.
    void count(qint64 weight);

    CaptureSettings m_settings;
    std::function<bool(qint64)> m_accept;
    State m_state = Idle;
    qint64 m_startMs = 0;
    bool m_holding = false; // a stable, accepted candidate is being timed
    qint64 m_candidate = 0; // the indication: the hold's most frequent reading so far
    qint64 m_anchor = 0;    // its first reading
    qint64 m_flicker = 0;
    qint64 m_since = 0;
    // Each weight of the hold with how often it was read, in the order first seen.
    QVector<QPair<qint64, int>> m_seen;
    Hindrance m_hindrance = NoReading;
    Reading m_last;
};
