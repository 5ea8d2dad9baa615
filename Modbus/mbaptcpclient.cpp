#include "mbaptcpclient.h"
#include "logcategories.h"

#include <QModbusReply>
#include <QTcpSocket>
#include <QTimer>
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

void appendWord(QByteArray *bytes, int value)
{
    bytes->append(char((value >> 8) & 0xFF));
    bytes->append(char(value & 0xFF));
}

QModbusRequest readRequest(const QModbusDataUnit &read)
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
        return QModbusRequest();
    }
    return QModbusRequest(function, quint16(read.startAddress()), quint16(read.valueCount()));
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
    return enqueue(readRequest(read), read, serverAddress);
}

QModbusReply *MbapTcpClient::sendWrite(const QModbusDataUnit &write, int serverAddress)
{
    return enqueue(writeRequest(write), write, serverAddress);
}

QModbusReply *MbapTcpClient::enqueue(const QModbusRequest &request, const QModbusDataUnit &unit,
                                     int server)
{
    if (state() != QModbusDevice::ConnectedState) {
        setError(QStringLiteral("Device not connected."), QModbusDevice::ConnectionError);
        return nullptr;
    }
    if (!request.isValid() || server < 0 || server > 255) {
        setError(QStringLiteral("Invalid Modbus request."), QModbusDevice::ProtocolError);
        return nullptr;
    }
    // A transaction id still waiting for its answer is never reused.
    quint16 tid = m_nextTid++;
    while (m_pending.count(tid))
        tid = m_nextTid++;

    QByteArray adu;
    appendWord(&adu, tid);
    appendWord(&adu, 0);
    appendWord(&adu, request.size() + 1);
    adu.append(char(server));
    adu.append(char(request.functionCode()));
    adu += request.data();

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
    p.timer = std::make_unique<QTimer>();
    p.timer->setSingleShot(true);
    p.timer->setTimerType(Qt::PreciseTimer);
    connect(p.timer.get(), &QTimer::timeout, this, [this, tid] { expire(tid); });
    p.timer->start(timeout());
    if (!m_resyncing)
        writeAdu(adu);
    return reply;
}

void MbapTcpClient::writeAdu(const QByteArray &adu)
{
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write(adu);
}

void MbapTcpClient::readAnswers()
{
    if (m_resyncing)
        return;
    m_buffer += m_socket->readAll();
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
        const QByteArray pdu = m_buffer.mid(MbapHeaderBytes, length - 1);
        m_buffer.remove(0, 6 + length);
        answer(tid, unit, pdu);
        // The reply's receiver may have closed or reopened the link meanwhile.
        if (m_resyncing || state() != QModbusDevice::ConnectedState)
            return;
    }
}

void MbapTcpClient::answer(quint16 tid, int unit, const QByteArray &pdu)
{
    const auto it = m_pending.find(tid);
    if (it == m_pending.end()) {
        // An answer to a request already given up (a retry answered twice).
        qCDebug(lcLink) << "Modbus TCP: answer to no pending request, transaction" << tid;
        return;
    }
    Pending p = std::move(it->second);
    m_pending.erase(it);
    p.timer.reset();
    if (!p.reply)
        return;
    const QModbusResponse response(QModbusPdu::FunctionCode(quint8(pdu[0])), pdu.mid(1));
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
    const int expected = QModbusResponse::calculateDataSize(response);
    if ((expected >= 0 && expected != response.dataSize()) || !processResponse(response, &result)) {
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
        resync(QStringLiteral("a frame cut short"), MalformedKind::Cut);
        if (p.reply) {
            p.reply->setProperty(MalformedProperty, int(MalformedKind::Cut));
            p.reply->setError(QModbusDevice::UnknownError,
                              QStringLiteral("Malformed reply: the frame was cut short."));
        }
        return;
    }
    Pending &p = it->second;
    if (p.retriesLeft > 0 && p.reply) {
        --p.retriesLeft;
        writeAdu(p.adu);
        p.timer->start(timeout());
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
        entry.second.timer.reset();
        if (!entry.second.reply)
            continue;
        if (malformed >= 0)
            entry.second.reply->setProperty(MalformedProperty, malformed);
        entry.second.reply->setError(error, text);
    }
}
