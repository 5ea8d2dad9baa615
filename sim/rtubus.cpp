#include "rtubus.h"

#include "wiretime.h"

namespace sim {

namespace {

constexpr int LeastGapMs = 5;

// The length of the request frame at the start of buffer: 0 when its function
// code does not tell (the frame gap ends it), -1 while too few bytes are in.
int requestLength(const QByteArray &buffer)
{
    if (buffer.size() < 2)
        return -1;
    const int function = quint8(buffer.at(1));
    switch (function) {
    case QModbusPdu::ReadCoils:
    case QModbusPdu::ReadDiscreteInputs:
    case QModbusPdu::ReadHoldingRegisters:
    case QModbusPdu::ReadInputRegisters:
    case QModbusPdu::WriteSingleCoil:
    case QModbusPdu::WriteSingleRegister:
        return 8;
    case QModbusPdu::WriteMultipleCoils:
    case QModbusPdu::WriteMultipleRegisters:
        return buffer.size() < 7 ? -1 : 9 + quint8(buffer.at(6));
    default:
        return 0;
    }
}

bool crcHolds(const QByteArray &frame)
{
    if (frame.size() < 4)
        return false;
    const quint16 crc = RtuCrc(frame.left(frame.size() - 2));
    return quint8(frame.at(frame.size() - 2)) == (crc & 0xFF) &&
           quint8(frame.at(frame.size() - 1)) == (crc >> 8);
}

} // namespace

quint16 RtuCrc(const QByteArray &frame)
{
    quint16 crc = 0xFFFF;
    for (char c : frame) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

RtuBus::RtuBus(SerialLine *line, const LineFraming &framing, const BusTiming &timing,
               Handler handler, QObject *parent)
    : QObject(parent), m_line(line), m_framing(framing), m_timing(timing),
      m_handler(std::move(handler))
{
    m_clock.start();
    const qint64 gapUs =
        FrameGapMicroseconds(framing.baud, framing.dataBits, framing.parity, framing.stopBits);
    m_gap.setSingleShot(true);
    m_gap.setInterval(qMax(LeastGapMs, int((gapUs + 999) / 1000)));
    connect(&m_gap, &QTimer::timeout, this, &RtuBus::gapEnded);
    m_send.setSingleShot(true);
    m_send.setTimerType(Qt::PreciseTimer);
    connect(&m_send, &QTimer::timeout, this, &RtuBus::sendDue);
    connect(line, &SerialLine::received, this, &RtuBus::take);
}

qint64 RtuBus::wireUs(int bytes) const
{
    return WireMicroseconds(bytes, m_framing.baud, m_framing.dataBits, m_framing.parity,
                            m_framing.stopBits);
}

void RtuBus::take(const QByteArray &bytes)
{
    m_buffer.append(bytes);
    takeFrames();
}

void RtuBus::takeFrames()
{
    while (!m_buffer.isEmpty()) {
        const int length = requestLength(m_buffer);
        if (length <= 0 || m_buffer.size() < length) {
            m_gap.start();
            return;
        }
        const QByteArray frame = m_buffer.left(length);
        if (!crcHolds(frame)) {
            // The receiver waits for the next silence before it listens again.
            ++m_noise;
            m_buffer.clear();
            break;
        }
        m_buffer.remove(0, length);
        serve(frame);
    }
    m_gap.stop();
}

void RtuBus::gapEnded()
{
    const QByteArray frame = m_buffer;
    m_buffer.clear();
    if (crcHolds(frame))
        serve(frame);
    else
        ++m_noise;
}

void RtuBus::serve(const QByteArray &frame)
{
    if (!m_line->peerMatches()) {
        ++m_noise;
        return;
    }
    const qint64 heardUs = m_clock.nsecsElapsed() / 1000;
    const int slave = quint8(frame.at(0));
    const QModbusRequest request(QModbusPdu::FunctionCode(quint8(frame.at(1))),
                                 frame.mid(2, frame.size() - 4));
    QModbusResponse answer;
    if (!m_handler(slave, request, &answer))
        return;
    Outgoing out;
    out.adu.append(char(slave));
    out.adu.append(char(quint8(answer.functionCode()) | (answer.isException() ? 0x80 : 0)));
    out.adu.append(answer.data());
    const quint16 crc = RtuCrc(out.adu);
    out.adu.append(char(crc & 0xFF));
    out.adu.append(char(crc >> 8));
    out.peerState = m_line->peerState();
    if (m_timing.pace) {
        // The request reached the wire's end only after its own bytes; the line
        // carries one frame at a time.
        const qint64 requestEnd = qMax(heardUs + wireUs(frame.size()), m_lineFreeUs);
        out.dueUs = requestEnd +
                    FrameGapMicroseconds(m_framing.baud, m_framing.dataBits, m_framing.parity,
                                         m_framing.stopBits) +
                    1000LL * m_timing.turnaroundMs + wireUs(out.adu.size());
        m_lineFreeUs = out.dueUs;
    } else {
        out.dueUs = heardUs;
    }
    m_outgoing.push_back(out);
    sendDue();
}

void RtuBus::sendDue()
{
    const qint64 nowUs = m_clock.nsecsElapsed() / 1000;
    while (!m_outgoing.empty() && m_outgoing.front().dueUs <= nowUs) {
        const Outgoing out = m_outgoing.front();
        m_outgoing.pop_front();
        // An end closed or set anew since the request hears the answer as noise.
        if (m_line->peerState() == out.peerState)
            m_line->write(out.adu);
        else
            ++m_unheard;
    }
    if (!m_outgoing.empty())
        m_send.start(int((m_outgoing.front().dueUs - nowUs + 999) / 1000));
}

} // namespace sim
