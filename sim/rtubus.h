#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QModbusPdu>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

#include "serialline.h"

namespace sim {

// CRC-16 of an RTU frame (without its CRC), sent low byte first.
quint16 RtuCrc(const QByteArray &frame);

// Timing of a paced line.
struct BusTiming
{
    bool pace = false;    // hold each answer for its time on the wire
    int turnaroundMs = 5; // the instrument's own time to answer
};

// An RS-485 line with instruments on it: takes RTU frames off the line,
// hands each one addressed to an instrument to the handler and puts the
// answer back on the line. A frame that does not check, or that arrives while
// the program's end runs at another framing, is noise and gets no answer;
// so does every frame the handler leaves unanswered (an id nobody has, a
// broadcast). Paced, an answer leaves only when its request and its own
// bytes would have crossed the wire, with the frame gap and the turnaround
// between them, one frame at a time.
class RtuBus : public QObject
{
    Q_OBJECT

public:
    // Returns false for no answer; *answer is the PDU to send otherwise.
    using Handler =
        std::function<bool(int slave, const QModbusPdu &request, QModbusResponse *answer)>;

    RtuBus(SerialLine *line, const LineFraming &framing, const BusTiming &timing, Handler handler,
           QObject *parent = nullptr);

    // Frames heard as noise so far (bad CRC, another framing).
    int noiseFrames() const { return m_noise; }
    // Answers not sent because the program's end was closed or set anew
    // before they were due.
    int unheardAnswers() const { return m_unheard; }

private:
    struct Outgoing
    {
        QByteArray adu;
        qint64 dueUs = 0;
        quint64 peerState = 0;
    };

    void take(const QByteArray &bytes);
    void takeFrames();
    void gapEnded();
    void serve(const QByteArray &frame);
    void schedule();
    void sendDue();
    qint64 wireUs(int bytes) const;

    SerialLine *m_line;
    LineFraming m_framing;
    BusTiming m_timing;
    Handler m_handler;
    QByteArray m_buffer;
    QTimer m_gap;  // ends a frame whose length the function code does not tell
    QTimer m_send; // the next answer's departure
    QElapsedTimer m_clock;
    qint64 m_lineFreeUs = 0; // when the last scheduled answer has left
    std::deque<Outgoing> m_outgoing;
    int m_noise = 0;
    int m_unheard = 0;
};

} // namespace sim
