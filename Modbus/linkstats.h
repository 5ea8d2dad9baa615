#pragma once

#include "linksettings.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVector>
#include <functional>

// "illegal data address", "device busy", ... for an exception code.
QString ModbusExceptionName(int code);

// Why an answer was not taken as one.
enum class MalformedKind { Count, Start, Function, Unit, Cut, Undecodable };
constexpr int MalformedKinds = 6;
// "register count", "start address", "function", "unit id", "cut frame", "not decodable".
QString MalformedKindText(MalformedKind kind);

// Why a link was opened again.
enum class ReconnectReason { OutOfStep, TimeoutsInARow, ClosedByPeer };
constexpr int ReconnectReasons = 3;
// "out of step", "timeouts in a row", "closed by the peer".
QString ReconnectReasonText(ReconnectReason reason);

// One request and how it ended.
struct TrafficLine
{
    quint64 serial = 0; // numbered by the link, from 1
    qint64 timeMs = 0;  // when it was sent, ms since the epoch (UTC)
    bool write = false;
    int function = 0; // the request's function code
    int slaveId = 0;
    int start = 0;
    int count = 0;
    QVector<quint16> values; // what was written, or what was read when answered well
    ModbusResult result = ModbusOk;
    int exceptionCode = 0; // ModbusProtocolError: the instrument's code
    MalformedKind malformed = MalformedKind::Undecodable; // ModbusMalformed: why
    double responseMs = 0;
};

// "ok", "timeout", "exception 2 (illegal data address)", "malformed (unit id)", "link lost".
QString TrafficOutcomeText(const TrafficLine &line);
// One line for the traffic view and trace files:
// "2026-12-07 20:01:02.345  read  03  slave 1  start 54  count 2  0x0000 0  0x0014 20  ok  2.1 ms"
QString TrafficLineText(const TrafficLine &line);
// The same as CSV (time, direction, function, slave, start, count, values hex,
// values decimal, outcome, response ms), and its header.
QString TrafficCsvHeader();
QString TrafficCsvLine(const TrafficLine &line);

// What a link did so far, at one moment.
struct LinkFigures
{
    quint64 sent = 0;
    quint64 good = 0;
    quint64 timeouts = 0;
    quint64 noLink = 0;
    quint64 malformed = 0;
    quint64 malformedBy[MalformedKinds] = {};
    QMap<int, quint64> exceptions; // by exception code
    quint64 refused() const;       // all exception answers
    quint64 reconnects = 0;
    quint64 reconnectsBy[ReconnectReasons] = {};
    // Response times of good answers over the last ResponseWindow requests, in ms;
    // -1 while there are none.
    int samples = 0;
    double lastMs = -1, minMs = -1, medianMs = -1, p95Ms = -1, maxMs = -1;
    // Good answers over all requests that ended in the last minute; -1 when none did.
    double goodShareLastMinute = -1;

    quint64 failed() const { return sent - good; }
    // "1234 requests, 3 failed, median 2.1 ms"
    QString summary() const;
    // Several lines for a terminal.
    QString text() const;
    QJsonObject json() const;
};

// The figures and the traffic of one link. Counting costs a few additions and
// a store into fixed rings; nothing is computed until the figures are asked for.
class LinkStats
{
public:
    static constexpr int ResponseWindow = 1000;
    static constexpr int TrafficCapacity = 2000;

    LinkStats();

    // Whether the traffic lines are kept (the counters always are).
    void setTrafficRecording(bool on) { m_recording = on; }
    bool trafficRecording() const { return m_recording; }

    // Called with every line as it is recorded (a trace file), whether or not
    // the lines are kept.
    void setTrafficSink(std::function<void(const TrafficLine &)> sink) { m_sink = std::move(sink); }

    // Counts a finished request and keeps its line; gives it its serial.
    void record(TrafficLine line);
    void noteReconnect(ReconnectReason reason);
    // The figures at nowMs (ms since the epoch).
    LinkFigures figures(qint64 nowMs) const;
    // The kept lines numbered above serial, oldest first.
    QVector<TrafficLine> trafficSince(quint64 serial) const;
    quint64 lastSerial() const { return m_serial; }
    // Forgets the counters, times and traffic; serials go on.
    void reset();

private:
    LinkFigures m_counts;
    QVector<double> m_times; // ring of ResponseWindow
    int m_timesNext = 0;
    int m_timesFilled = 0;
    double m_lastMs = -1;
    // Per second of the last minute: the second it stands for, good and total.
    struct Second
    {
        qint64 second = -1;
        int good = 0;
        int total = 0;
    };
    QVector<Second> m_seconds;
    QVector<TrafficLine> m_traffic; // ring of TrafficCapacity
    int m_trafficNext = 0;
    int m_trafficFilled = 0;
    quint64 m_serial = 0;
    bool m_recording = true;
    std::function<void(const TrafficLine &)> m_sink;
};
