#include "mbaptcpclient.h"
#include "logcategories.h"

#include <QModbusReply>
#include <QTcpSocket>
#include <QTimerEvent>
#include <QVariant>

namespace {

constexpr int MbapHeaderBytes = 7; // transaction, protocol, length, unit
// The length field counts the unit id and the PDU, which is at most 253 bytes.
constexpr int MinMbapLength = 2;
constexpr int MaxMbapLength = 254;

quint16 wordAt(const QByteArray &bytes, int at)
{
    return quint16((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]));
}

void putWord(char *at, int value)
{
    at[0] = char((value >> 8) & 0xFF);
    at[1] = char(value & 0xFF);
}

// The registers of a read answer's data (byte count, big-endian words) into
// unit, as QModbusClient::processResponse takes them; false, as there, when
// the byte count is odd, holds no register or is not the bytes that came.
bool takeRegisters(const QByteArray &data, QModbusDataUnit *unit)
{
    const int byteCount = data.isEmpty() ? 0 : quint8(data[0]);
    if (byteCount < 2 || byteCount != data.size() - 1 || byteCount % 2 != 0)
        return false;
    QVector<quint16> values(byteCount / 2);
    const char *at = data.constData() + 1;
    for (quint16 &v : values) {
        v = quint16((quint8(at[0]) << 8) | quint8(at[1]));
        at += 2;
    }
    unit->setValues(values);
    return true;
}

// The PDU of a read (function code, start, count), or empty for a register
// type that cannot be read.
QByteArray readPdu(const QModbusDataUnit &read)
{
    QModbusPdu::FunctionCode function = QModbusPdu::ReadHoldingRegisters;
    switch (read.registerType()) {
    case QModbusDataUnit::Coils:
        function = QModbusPdu::ReadCoils;
        break;
    case QModbusDataUnit::DiscreteInputs:
        function = QModbusPdu::ReadDiscreteInputs;
        break;
    case QModbusDataUnit::InputRegisters:
        function = QModbusPdu::ReadInputRegisters;
        break;
    case QModbusDataUnit::HoldingRegisters:
        break;
    default:
        return QByteArray();
    }
    QByteArray pdu(5, Qt::Uninitialized);
    pdu[0] = char(function);
    putWord(pdu.data() + 1, read.startAddress());
    putWord(pdu.data() + 3, int(read.valueCount()));
    return pdu;
}

QModbusRequest writeRequest(const QModbusDataUnit &write)
{
    const quint16 start = quint16(write.startAddress());
    const int count = int(write.valueCount());
    if (count < 1)
        return QModbusRequest();
    switch (write.registerType()) {
    case QModbusDataUnit::HoldingRegisters:
        if (count == 1)
            return QModbusRequest(QModbusPdu::WriteSingleRegister, start, write.value(0));
        return QModbusRequest(QModbusPdu::WriteMultipleRegisters, start, quint16(count),
                              quint8(2 * count), write.values());
    case QModbusDataUnit::Coils: {
        if (count == 1)
            return QModbusRequest(QModbusPdu::WriteSingleCoil, start,
                                  quint16(write.value(0) ? 0xFF00 : 0x0000));
        QVector<quint8> bits((count + 7) / 8, 0);
        for (int i = 0; i < count; ++i) {
            if (write.value(i))
                bits[i / 8] = quint8(bits[i / 8] | (1 << (i % 8)));
        }
        return QModbusRequest(QModbusPdu::WriteMultipleCoils, start, quint16(count),
                              quint8(bits.size()), bits);
    }
    default:
        return QModbusRequest();
    }
}

} // namespace

MbapTcpClient::MbapTcpClient(QObject *parent)
    : QModbusClient(parent), m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QTcpSocket::connected, this, [this] { socketUp(); });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { socketDown(); });
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this] { socketError(); });
    connect(m_socket, &QIODevice::readyRead, this, [this] { readAnswers(); });
}

MbapTcpClient::~MbapTcpClient()
{
    m_socket->disconnect(this);
    m_socket->abort();
    failAll(QModbusDevice::ReplyAbortedError,
            QStringLiteral("Reply aborted due to connection closure."));
}

bool MbapTcpClient::open()
{
    const QString host = connectionParameter(NetworkAddressParameter).toString();
    const int port = connectionParameter(NetworkPortParameter).toInt();
    if (host.isEmpty() || port <= 0 || port > 65535) {
        setError(QStringLiteral("No network address or port to connect to."),
                 QModbusDevice::ConnectionError);
        return false;
    }
    m_resyncing = false;
    m_buffer.clear();
    m_socket->abort();
    m_socket->connectToHost(host, quint16(port));
    return true;
}

void MbapTcpClient::close()
{
    m_resyncing = false;
    m_buffer.clear();
    m_socket->abort();
    failAll(QModbusDevice::ReplyAbortedError,
            QStringLiteral("Reply aborted due to connection closure."));
    setState(QModbusDevice::UnconnectedState);
}

void MbapTcpClient::socketUp()
{
    if (m_resyncing) {
        m_resyncing = false;
        // Requests made while the stream was being replaced go out now.
        for (auto &entry : m_pending)
            writeAdu(entry.second.adu);
        return;
    }
    if (state() == QModbusDevice::ConnectingState)
        setState(QModbusDevice::ConnectedState);
}

void MbapTcpClient::socketDown()
{
    if (m_resyncing || state() == QModbusDevice::UnconnectedState)
        return;
    m_buffer.clear();
    failAll(QModbusDevice::ReplyAbortedError,
            QStringLiteral("Reply aborted due to connection closure."));
    setState(QModbusDevice::UnconnectedState);
}

void MbapTcpClient::socketError()
{
    const QString text = m_socket->errorString();
    const bool connecting = state() == QModbusDevice::ConnectingState || m_resyncing;
    if (!connecting && m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        return; // the disconnect itself ends the link
    setError(QStringLiteral("TCP socket error (%1).").arg(text), QModbusDevice::ConnectionError);
    if (connecting && m_socket->state() == QAbstractSocket::UnconnectedState) {
        m_resyncing = false;
        m_buffer.clear();
        failAll(QModbusDevice::ReplyAbortedError,
                QStringLiteral("Reply aborted due to connection closure."));
        setState(QModbusDevice::UnconnectedState);
    }
}

QModbusReply *MbapTcpClient::sendRead(const QModbusDataUnit &read, int serverAddress)
{
    return enqueue(readPdu(read), read, serverAddress);
}

QModbusReply *MbapTcpClient::sendWrite(const QModbusDataUnit &write, int serverAddress)
{
    const QModbusRequest request = writeRequest(write);
    QByteArray pdu;
    if (request.isValid())
        pdu = char(request.functionCode()) + request.data();
    return enqueue(pdu, write, serverAddress);
}

QModbusReply *MbapTcpClient::enqueue(const QByteArray &pdu, const QModbusDataUnit &unit, int server)
{
    if (state() != QModbusDevice::ConnectedState) {
        setError(QStringLiteral("Device not connected."), QModbusDevice::ConnectionError);
        return nullptr;
    }
    if (pdu.isEmpty() || pdu.size() > MaxMbapLength - 1 || server < 0 || server > 255) {
        setError(QStringLiteral("Invalid Modbus request."), QModbusDevice::ProtocolError);
        return nullptr;
    }
    // A transaction id still waiting for its answer is never reused.
    quint16 tid = m_nextTid++;
    while (m_pending.count(tid))
        tid = m_nextTid++;

    QByteArray adu(MbapHeaderBytes - 1, Qt::Uninitialized);
    putWord(adu.data(), tid);
    putWord(adu.data() + 2, 0);
    putWord(adu.data() + 4, pdu.size() + 1);
    adu.reserve(MbapHeaderBytes + pdu.size());
    adu.append(char(server));
    adu.append(pdu);

    if (server == 0) {
        // A broadcast has no answer: it is done once sent.
        auto *reply = new QModbusReply(QModbusReply::Broadcast, server, this);
        writeAdu(adu);
        reply->setFinished(true);
        return reply;
    }

    auto *reply = new QModbusReply(QModbusReply::Common, server, this);
    Pending &p = m_pending[tid];
    p.reply = reply;
    p.unit = unit;
    p.adu = adu;
    p.server = server;
    p.retriesLeft = qMax(0, numberOfRetries());
    p.timerId = startTimer(timeout(), Qt::PreciseTimer);
    if (!m_resyncing)
        writeAdu(adu);
    return reply;
}

void MbapTcpClient::writeAdu(const QByteArray &adu)
{
    // Sent at once rather than when the event loop next finds the socket writable.
    if (m_socket->state() == QAbstractSocket::ConnectedState && m_socket->write(adu) > 0)
        m_socket->flush();
}

void MbapTcpClient::timerEvent(QTimerEvent *event)
{
    for (auto &entry : m_pending) {
        if (entry.second.timerId == event->timerId()) {
            expire(entry.first);
            return;
        }
    }
    QModbusClient::timerEvent(event);
}

void MbapTcpClient::stopTimer(Pending *p)
{
    if (p->timerId) {
        killTimer(p->timerId);
        p->timerId = 0;
    }
}

void MbapTcpClient::readAnswers()
{
    if (m_resyncing)
        return;
    // Read straight into the buffer: readAll() grows a new array step by step.
    const qint64 available = m_socket->bytesAvailable();
    if (available > 0) {
        const int had = m_buffer.size();
        m_buffer.resize(had + int(available));
        const qint64 got = m_socket->read(m_buffer.data() + had, available);
        m_buffer.resize(had + int(qMax<qint64>(got, 0)));
    }
    while (m_buffer.size() >= MbapHeaderBytes) {
        const quint16 tid = wordAt(m_buffer, 0);
        const quint16 protocol = wordAt(m_buffer, 2);
        const int length = wordAt(m_buffer, 4);
        if (protocol != 0 || length < MinMbapLength || length > MaxMbapLength) {
            resync(QStringLiteral("a header no instrument sends (protocol %1, length %2)")
                       .arg(protocol)
                       .arg(length),
                   MalformedKind::Undecodable);
            return;
        }
        if (m_buffer.size() < 6 + length)
            return; // the rest of the frame is still on its way
        const int unit = quint8(m_buffer[6]);
        const QModbusResponse pdu(
            QModbusPdu::FunctionCode(quint8(m_buffer[MbapHeaderBytes])),
            QByteArray(m_buffer.constData() + MbapHeaderBytes + 1, length - 2));
        if (m_buffer.size() == 6 + length)
            m_buffer.clear();
        else
            m_buffer.remove(0, 6 + length);
        answer(tid, unit, pdu);
        // The reply's receiver may have closed or reopened the link meanwhile.
        if (m_resyncing || state() != QModbusDevice::ConnectedState)
            return;
    }
}

void MbapTcpClient::answer(quint16 tid, int unit, const QModbusResponse &response)
{
    const auto it = m_pending.find(tid);
    if (it == m_pending.end()) {
        // A retry answered twice is harmless. Any other answer to no request in
        // flight (one given up, or a transaction never asked) shows a peer that
        // is behind or out of step: the request waiting now is dropped at once
        // rather than left to its timeout, and the stream starts afresh.
        qCDebug(lcLink) << "Modbus TCP: answer to no pending request, transaction" << tid;
        if (!m_pending.empty() && !m_answered.contains(tid))
            resync(QStringLiteral("an answer to no request in flight (transaction %1)").arg(tid),
                   MalformedKind::Undecodable);
        return;
    }
    m_answered.append(tid);
    if (m_answered.size() > 16)
        m_answered.removeFirst();
    Pending p = std::move(it->second);
    m_pending.erase(it);
    stopTimer(&p);
    if (!p.reply)
        return;
    p.reply->setRawResult(response);
    if (unit != p.server) {
        qCDebug(lcLink) << "Modbus TCP: answer from unit" << unit << "to a request for unit"
                        << p.server;
        p.reply->setProperty(MalformedProperty, int(MalformedKind::Unit));
        p.reply->setError(QModbusDevice::UnknownError,
                          QStringLiteral("Malformed reply: answered by unit %1, asked unit %2.")
                              .arg(unit)
                              .arg(p.server));
        return;
    }
    if (response.isException()) {
        p.reply->setError(QModbusDevice::ProtocolError,
                          QStringLiteral("Modbus Exception Response."));
        return;
    }
    QModbusDataUnit result = p.unit;
    // The answer of a register read, the one every poll makes, is taken here;
    // Qt decodes the others.
    const bool registers = (response.functionCode() == QModbusPdu::ReadHoldingRegisters &&
                            p.unit.registerType() == QModbusDataUnit::HoldingRegisters) ||
                           (response.functionCode() == QModbusPdu::ReadInputRegisters &&
                            p.unit.registerType() == QModbusDataUnit::InputRegisters);
    const int expected = registers ? 0 : QModbusResponse::calculateDataSize(response);
    if (registers ? !takeRegisters(response.data(), &result)
                  : (expected >= 0 && expected != response.dataSize()) ||
                        !processResponse(response, &result)) {
        p.reply->setError(QModbusDevice::UnknownError,
                          QStringLiteral("An invalid response has been received."));
        return;
    }
    p.reply->setResult(result);
    p.reply->setFinished(true);
}

void MbapTcpClient::expire(quint16 tid)
{
    const auto it = m_pending.find(tid);
    if (it == m_pending.end())
        return;
    if (!m_buffer.isEmpty()) {
        // Part of a frame came and the rest never will: nothing after it can be
        // read in step.
        Pending p = std::move(it->second);
        m_pending.erase(it);
        stopTimer(&p);
        resync(QStringLiteral("a frame cut short"), MalformedKind::Cut);
        if (p.reply) {
            p.reply->setProperty(MalformedProperty, int(MalformedKind::Cut));
            p.reply->setProperty(StreamDroppedProperty, true);
            p.reply->setError(QModbusDevice::UnknownError,
                              QStringLiteral("Malformed reply: the frame was cut short."));
        }
        return;
    }
    Pending &p = it->second;
    stopTimer(&p);
    if (p.retriesLeft > 0 && p.reply) {
        --p.retriesLeft;
        writeAdu(p.adu);
        p.timerId = startTimer(timeout(), Qt::PreciseTimer);
        return;
    }
    Pending gone = std::move(p);
    m_pending.erase(it);
    if (gone.reply)
        gone.reply->setError(QModbusDevice::TimeoutError, QStringLiteral("Request timeout."));
}

void MbapTcpClient::resync(const QString &why, MalformedKind kind)
{
    qCDebug(lcLink) << "Modbus TCP: stream out of step after" << why << "- reconnecting";
    ++m_resyncs;
    m_buffer.clear();
    m_resyncing = true;
    m_socket->abort();
    m_socket->connectToHost(connectionParameter(NetworkAddressParameter).toString(),
                            quint16(connectionParameter(NetworkPortParameter).toInt()));
    failAll(QModbusDevice::UnknownError,
            QStringLiteral("Malformed reply: the stream is out of step."), int(kind));
    emit resynced(why);
}

void MbapTcpClient::failAll(QModbusDevice::Error error, const QString &text, int malformed)
{
    // The replies' receivers may send or close from inside their handlers.
    std::map<quint16, Pending> gone;
    gone.swap(m_pending);
    for (auto &entry : gone) {
        stopTimer(&entry.second);
        if (!entry.second.reply)
            continue;
        if (malformed >= 0) {
            entry.second.reply->setProperty(MalformedProperty, malformed);
            entry.second.reply->setProperty(StreamDroppedProperty, true);
        }
        entry.second.reply->setError(error, text);
    }
}
