#include "modbusconnection.h"
#include "logcategories.h"

#include "calibrationverdict.h"
#include "writesource.h"

#include "linkwords.h"
#include "mbaptcpclient.h"
#include "serialopen.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDebug>
#include <QElapsedTimer>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <memory>

namespace {

// The function code an answer to a request of this register type carries.
QModbusPdu::FunctionCode readFunction(QModbusDataUnit::RegisterType type)
{
    switch (type) {
    case QModbusDataUnit::Coils:
        return QModbusPdu::ReadCoils;
    case QModbusDataUnit::DiscreteInputs:
        return QModbusPdu::ReadDiscreteInputs;
    case QModbusDataUnit::InputRegisters:
        return QModbusPdu::ReadInputRegisters;
    default:
        return QModbusPdu::ReadHoldingRegisters;
    }
}

constexpr int ReadBudgetGraceMs = 100;

// Modbus TCP goes through the checked MBAP client; RTU through Qt's own.
QModbusReply *sendOn(QModbusClient *client, const QModbusDataUnit &unit, int slaveId, bool write)
{
    if (auto *tcp = qobject_cast<MbapTcpClient *>(client))
        return write ? tcp->sendWrite(unit, slaveId) : tcp->sendRead(unit, slaveId);
    return write ? client->sendWriteRequest(unit, slaveId) : client->sendReadRequest(unit, slaveId);
}

// A request of a link counted from sending until it is finished with.
class InFlight
{
public:
    explicit InFlight(std::shared_ptr<int> count) : m_count(std::move(count)) { ++*m_count; }
    ~InFlight() { end(); }
    InFlight(const InFlight &) = delete;
    InFlight &operator=(const InFlight &) = delete;
    void end()
    {
        if (m_count)
            --*m_count;
        m_count.reset();
    }

private:
    std::shared_ptr<int> m_count;
};

// A unit of count values from start that carries no values: what a register
// read request needs, without an array of zeros that the answer replaces.
QModbusDataUnit unitOf(QModbusDataUnit::RegisterType type, int start, int count)
{
    QModbusDataUnit unit(type);
    unit.setStartAddress(start);
    unit.setValueCount(uint(count));
    return unit;
}

// What a read is sent with: Qt decodes the bits of a coil answer into the
// request's own values, so those keep their array.
QModbusDataUnit readUnit(QModbusDataUnit::RegisterType type, int start, int count)
{
    if (type == QModbusDataUnit::Coils || type == QModbusDataUnit::DiscreteInputs)
        return QModbusDataUnit(type, start, quint16(count));
    return unitOf(type, start, count);
}

} // namespace

QModbusClient *CreateModbusClient(const LinkSettings &s, QObject *parent)
{
    QModbusClient *client = nullptr;
    if (s.connectType == 1)
        client = new MbapTcpClient(parent);
    else
        client = new QModbusRtuSerialMaster(parent);
    ConfigureModbusClient(client, s);
    return client;
}

void ConfigureModbusClient(QModbusClient *client, const LinkSettings &s)
{
    if (s.connectType == 1) {
        const QUrl url = QUrl::fromUserInput(s.EditIP + QLatin1Char(':') + s.EditPort);
        client->setConnectionParameter(QModbusDevice::NetworkPortParameter, url.port());
        client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, url.host());
    } else {
        client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, s.SerialNum);
        client->setConnectionParameter(QModbusDevice::SerialParityParameter, s.parity);
        client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, s.baud);
        client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, s.dataBits);
        client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, s.stopBits);
    }
    client->setTimeout(s.baud > 2400 ? 1000 : 2000);
    client->setNumberOfRetries(s.numberOfRetries);
}

int ReadBudgetMs(const QModbusClient *client)
{
    return client->timeout() * (qMax(0, client->numberOfRetries()) + 1) + ReadBudgetGraceMs;
}

ModbusResult EvaluateReadReply(const QModbusReply &reply, QModbusDataUnit::RegisterType type,
                               int start, int count, quint16 *values)
{
    switch (reply.error()) {
    case QModbusDevice::NoError:
        break;
    case QModbusDevice::TimeoutError:
        qCDebug(lcLink) << "Timeout";
        return ModbusTimeout;
    case QModbusDevice::ReplyAbortedError:
        return ModbusNoLink; // the client aborts what is pending when the link goes down
    default:
        return FailedReplyResult(reply);
    }
    const QModbusDataUnit answer = reply.result();
    if (reply.rawResult().functionCode() != readFunction(type) ||
        answer.valueCount() != uint(count) || answer.startAddress() != start) {
        qCDebug(lcLink) << "Reply does not match the request: function"
                        << reply.rawResult().functionCode() << "start" << answer.startAddress()
                        << "count" << answer.valueCount();
        return ModbusMalformed;
    }
    const int held = qMin(count, answer.values().size());
    std::copy_n(answer.values().constData(), held, values);
    std::fill(values + held, values + count, 0);
    return ModbusOk;
}

ModbusResult EvaluateWriteReply(const QModbusReply &reply, int start)
{
    switch (reply.error()) {
    case QModbusDevice::NoError:
        break;
    case QModbusDevice::ReplyAbortedError:
        return ModbusNoLink;
    case QModbusDevice::TimeoutError:
        // The client's own timer often ends a write before its budget does; it is
        // a timeout all the same, and the write is repeated.
        qCDebug(lcLink) << "e_ModbusResponseError2"
                        << "Timeout";
        return ModbusTimeout;
    default:
        qCDebug(lcLink) << "e_ModbusResponseError1" << reply.errorString();
        return FailedReplyResult(reply);
    }
    const QModbusPdu::FunctionCode function = reply.rawResult().functionCode();
    const bool writeAnswer = function == QModbusPdu::WriteSingleRegister ||
                             function == QModbusPdu::WriteMultipleRegisters ||
                             function == QModbusPdu::WriteSingleCoil ||
                             function == QModbusPdu::WriteMultipleCoils;
    if (!writeAnswer || reply.result().startAddress() != start) {
        qCDebug(lcLink) << "e_ModbusResponseError2" << function << reply.result().startAddress();
        return ModbusMalformed;
    }
    return ModbusOk;
}

ModbusResult FailedReplyResult(const QModbusReply &reply)
{
    // Only an exception answer is the instrument's refusal (both clients mark
    // it, and only it, as a protocol error); any other failure is an answer
    // that could not be read as one. The raw answer's function code is not
    // asked: Qt's RTU client stores an exception's code sign-extended, a value
    // its enum cannot hold.
    return reply.error() == QModbusDevice::ProtocolError ? ModbusProtocolError : ModbusMalformed;
}

int ExceptionCodeOf(const QModbusReply &reply)
{
    if (reply.error() != QModbusDevice::ProtocolError)
        return 0;
    const QByteArray data = reply.rawResult().data();
    return data.isEmpty() ? 0 : int(quint8(data.at(0)));
}

MalformedKind MalformedKindOf(const QModbusReply &reply, int function, int start, int count)
{
    const QVariant told = reply.property(MalformedProperty);
    if (told.isValid())
        return MalformedKind(told.toInt());
    if (reply.error() != QModbusDevice::NoError)
        return MalformedKind::Undecodable;
    const int answered = reply.rawResult().functionCode();
    if (answered != function)
        return MalformedKind::Function;
    if (reply.result().startAddress() != start)
        return MalformedKind::Start;
    if (int(reply.result().valueCount()) != count)
        return MalformedKind::Count;
    return MalformedKind::Undecodable;
}

int RequestFunction(QModbusDataUnit::RegisterType type, bool write, int count)
{
    if (!write)
        return readFunction(type);
    if (type == QModbusDataUnit::Coils)
        return count == 1 ? QModbusPdu::WriteSingleCoil : QModbusPdu::WriteMultipleCoils;
    return count == 1 ? QModbusPdu::WriteSingleRegister : QModbusPdu::WriteMultipleRegisters;
}

bool RefusedSlaveId(int slaveId)
{
    if (IsValidSlaveId(slaveId))
        return false;
    qCDebug(lcLink) << "Slave id out of range:" << slaveId;
    return true;
}

QString ModbusResultText(ModbusResult result, int exceptionCode)
{
    switch (result) {
    case ModbusOk:
        return QStringLiteral("ok");
    case ModbusTimeout:
        return QStringLiteral("no reply (timeout)");
    case ModbusProtocolError:
        if (exceptionCode > 0)
            return QStringLiteral("refused by the instrument (%1)")
                .arg(ModbusExceptionName(exceptionCode));
        return QStringLiteral("refused by the instrument");
    case ModbusMalformed:
        return QStringLiteral("malformed reply");
    case ModbusNotRecorded:
        return LastWriteRefusal().isEmpty()
                   ? QStringLiteral("not sent: the service record cannot keep it")
                   : QStringLiteral("not sent: %1").arg(LastWriteRefusal());
    case ModbusCalibrationRefused:
        return LastCalibrationVerdict().outcomeText();
    case ModbusCalibrationUnknown:
        return LastCalibrationVerdict().outcomeText();
    case ModbusNoLink:
        break;
    }
    return QStringLiteral("link lost");
}

// A reply awaited: done is called once, with the reply or with null when the
// budget ran out first.
struct ModbusConnection::ReplyWait
{
    ReplyWait(QModbusReply *r, int budgetMs, const std::shared_ptr<int> &count,
              std::function<void(QModbusReply *)> d)
        : reply(r), deadline(budgetMs, Qt::PreciseTimer), inFlight(count), done(std::move(d))
    {}
    QModbusReply *reply;
    QDeadlineTimer deadline;
    InFlight inFlight;
    std::function<void(QModbusReply *)> done;
    bool ended = false;
};

ModbusConnection::ModbusConnection(const LinkSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_client(CreateModbusClient(settings, this))
{
    m_budgetTimer.setSingleShot(true);
    m_budgetTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_budgetTimer, &QTimer::timeout, this, [this] { budgetsDue(); });
    connect(m_client, &QModbusDevice::errorOccurred, this, [this](QModbusDevice::Error error) {
        if (error != QModbusDevice::NoError)
            m_error = m_client->errorString();
    });
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] { finishOpen(false); });
    if (auto *tcp = qobject_cast<MbapTcpClient *>(m_client)) {
        connect(tcp, &MbapTcpClient::resynced, this,
                [this] { m_stats.noteReconnect(ReconnectReason::OutOfStep); });
    }
    connect(m_client, &QModbusDevice::stateChanged, this, [this](QModbusDevice::State state) {
        // A link that goes down without being closed here was closed by the peer.
        if (state == QModbusDevice::UnconnectedState && m_wasUp && !m_closing)
            m_stats.noteReconnect(ReconnectReason::ClosedByPeer);
        m_wasUp = state == QModbusDevice::ConnectedState;
        if (!m_opening)
            return;
        if (state == QModbusDevice::ConnectedState)
            finishOpen(true);
        else if (state == QModbusDevice::UnconnectedState)
            // The client names its error only after it has left the connecting state.
            QMetaObject::invokeMethod(
                this, [this] { finishOpen(false); }, Qt::QueuedConnection);
    });
}

ModbusConnection::~ModbusConnection()
{
    close();
}

void ModbusConnection::setSettings(const LinkSettings &settings)
{
    m_settings = settings;
    if (m_client)
        ConfigureModbusClient(m_client, settings);
}

QString ModbusConnection::peerName() const
{
    if (m_settings.connectType == 1)
        return m_settings.EditIP + QLatin1Char(':') + m_settings.EditPort;
    return m_settings.SerialNum;
}

void ModbusConnection::setResponseTimeout(int ms)
{
    if (m_client && ms > 0)
        m_client->setTimeout(ms);
}

void ModbusConnection::open(int connectTimeoutMs)
{
    m_opening = true;
    m_connectTimer.start(connectTimeoutMs);
    if (!OpenModbusClient(m_client))
        QMetaObject::invokeMethod(
            this, [this] { finishOpen(false); }, Qt::QueuedConnection);
    else if (m_client->state() == QModbusDevice::ConnectedState)
        QMetaObject::invokeMethod(
            this, [this] { finishOpen(true); }, Qt::QueuedConnection);
}

void ModbusConnection::finishOpen(bool ok)
{
    if (!m_opening)
        return;
    m_opening = false;
    m_connectTimer.stop();
    if (!ok)
        m_client->disconnectDevice();
    emit opened(ok);
}

bool ModbusConnection::isOpen() const
{
    return m_client && m_client->state() == QModbusDevice::ConnectedState;
}

void ModbusConnection::close()
{
    m_opening = false;
    m_connectTimer.stop();
    if (m_client && m_client->state() != QModbusDevice::UnconnectedState) {
        m_closing = true;
        m_client->disconnectDevice();
        m_closing = false;
    }
}

int ModbusConnection::fullBudget() const
{
    return m_client ? ReadBudgetMs(m_client) : 0;
}

bool ModbusConnection::maySend(int slaveId) const
{
    return isOpen() && !RefusedSlaveId(slaveId);
}

void ModbusConnection::countResult(ModbusResult result, const QModbusReply *reply)
{
    m_lastFailedOnLink =
        result == ModbusTimeout || result == ModbusNoLink ||
        (result == ModbusMalformed && reply && reply->property(StreamDroppedProperty).toBool());
    if (result == ModbusTimeout)
        ++m_timeouts;
    else if (result == ModbusOk || result == ModbusProtocolError || result == ModbusMalformed)
        m_timeouts = 0;
}

void ModbusConnection::budgetSpent(int budgetMs)
{
    ++m_timeouts;
    // The client stops timing a reply once its header is in: a request that
    // outlived the client's own timing of every try left part of a frame in its
    // buffer, and the stream is out of step. A shorter budget (a write that
    // gives up early) is only a timeout.
    if (m_client && budgetMs >= ReadBudgetMs(m_client)) {
        qCDebug(lcLink) << "Timeout" << peerName() << "reply outlived its budget";
        m_timeouts = qMax(m_timeouts, ReopenAfterTimeouts);
    }
    if (m_closeWhenOutOfStep && outOfStep())
        close();
}

// One budget timer serves every reply awaited: it is set for the earliest
// deadline, and left to run out when that reply comes first (it then finds
// nothing due and is set again, if anything is still awaited), which costs a
// request less than a timer of its own.
void ModbusConnection::awaitReply(QModbusReply *reply, int budgetMs,
                                  std::function<void(QModbusReply *)> done)
{
    if (reply->isFinished()) {
        // A broadcast is finished at once; the caller still hears of it from the loop.
        auto counted = std::make_shared<InFlight>(m_inFlight);
        QMetaObject::invokeMethod(
            this,
            [reply, done = std::move(done), counted] {
                done(reply);
                reply->deleteLater();
            },
            Qt::QueuedConnection);
        return;
    }
    auto wait = std::make_shared<ReplyWait>(reply, budgetMs, m_inFlight, std::move(done));
    connect(reply, &QModbusReply::finished, this, [this, wait] { endWait(wait, true); });
    m_waits.append(wait);
    if (!m_budgetTimer.isActive() || m_budgetTimer.remainingTime() > budgetMs)
        m_budgetTimer.start(budgetMs);
}

void ModbusConnection::endWait(const std::shared_ptr<ReplyWait> &wait, bool finished)
{
    // Once only: a client that is closed from inside done() aborts what it
    // still holds, and that would finish this reply a second time.
    if (wait->ended)
        return;
    wait->ended = true;
    wait->inFlight.end();
    m_waits.removeOne(wait);
    QModbusReply *reply = wait->reply;
    wait->done(finished ? reply : nullptr);
    reply->deleteLater();
}

void ModbusConnection::budgetsDue()
{
    QVector<std::shared_ptr<ReplyWait>> due;
    for (const auto &wait : qAsConst(m_waits)) {
        if (wait->deadline.hasExpired())
            due.append(wait);
    }
    const QPointer<ModbusConnection> alive(this);
    for (const auto &wait : qAsConst(due)) {
        endWait(wait, false);
        if (!alive)
            return;
    }
    qint64 next = -1;
    for (const auto &wait : qAsConst(m_waits)) {
        const qint64 left = wait->deadline.remainingTime();
        next = next < 0 ? left : qMin(next, left);
    }
    if (next >= 0 && (!m_budgetTimer.isActive() || m_budgetTimer.remainingTime() > next))
        m_budgetTimer.start(int(next));
}

void ModbusConnection::countRequest(const QModbusReply *reply, ModbusResult result, bool write,
                                    const QModbusDataUnit &unit, int slaveId, qint64 sentAt,
                                    double ms)
{
    TrafficLine line;
    line.timeMs = sentAt;
    line.write = write;
    line.slaveId = slaveId;
    line.start = unit.startAddress();
    line.count = int(unit.valueCount());
    line.function = RequestFunction(unit.registerType(), write, line.count);
    // A read keeps its values only when it was answered well.
    if (write || result == ModbusOk)
        line.values = unit.values();
    line.result = result;
    line.responseMs = ms;
    if (reply && result == ModbusProtocolError)
        line.exceptionCode = ExceptionCodeOf(*reply);
    if (reply && result == ModbusMalformed)
        line.malformed = MalformedKindOf(*reply, line.function, line.start, line.count);
    m_stats.record(std::move(line));
}

void ModbusConnection::sendRead(QModbusDataUnit::RegisterType type, int address, int count,
                                int slaveId, int budgetMs, const ReadDone &done)
{
    QModbusReply *reply = nullptr;
    if (maySend(slaveId))
        reply = sendOn(m_client, readUnit(type, address, count), slaveId, false);
    if (!reply) {
        const ModbusResult result = IsValidSlaveId(slaveId) ? ModbusNoLink : ModbusProtocolError;
        m_lastFailedOnLink = result == ModbusNoLink;
        QMetaObject::invokeMethod(
            this, [done, result] { done(result, {}); }, Qt::QueuedConnection);
        return;
    }
    const qint64 sentAt = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer clock;
    clock.start();
    awaitReply(
        reply, budgetMs,
        [this, done, type, address, count, slaveId, budgetMs, sentAt, clock](QModbusReply *r) {
            const double ms = clock.nsecsElapsed() / 1e6;
            if (!r) {
                countRequest(nullptr, ModbusTimeout, false, unitOf(type, address, count), slaveId,
                             sentAt, ms);
                m_lastFailedOnLink = true;
                budgetSpent(budgetMs);
                done(ModbusTimeout, {});
                return;
            }
            QVector<quint16> values(count);
            const ModbusResult result = EvaluateReadReply(*r, type, address, count, values.data());
            m_lastException = ExceptionCodeOf(*r);
            countResult(result, r);
            QModbusDataUnit answered = unitOf(type, address, count);
            if (result == ModbusOk)
                answered.setValues(values);
            else
                values.clear();
            countRequest(r, result, false, answered, slaveId, sentAt, ms);
            done(result, values);
        });
}

void ModbusConnection::sendWrite(QModbusDataUnit::RegisterType type, int address,
                                 const QVector<quint16> &values, int slaveId, int budgetMs,
                                 const WriteDone &done)
{
    QModbusReply *reply = nullptr;
    if (maySend(slaveId))
        reply = sendOn(m_client, QModbusDataUnit(type, address, values), slaveId, true);
    if (!reply) {
        const ModbusResult result = IsValidSlaveId(slaveId) ? ModbusNoLink : ModbusProtocolError;
        m_lastFailedOnLink = result == ModbusNoLink;
        QMetaObject::invokeMethod(
            this, [done, result] { done(result); }, Qt::QueuedConnection);
        return;
    }
    const qint64 sentAt = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer clock;
    clock.start();
    const QModbusDataUnit written(type, address, values);
    awaitReply(reply, budgetMs,
               [this, done, address, slaveId, budgetMs, sentAt, clock, written](QModbusReply *r) {
                   const double ms = clock.nsecsElapsed() / 1e6;
                   if (!r) {
                       countRequest(nullptr, ModbusTimeout, true, written, slaveId, sentAt, ms);
                       m_lastFailedOnLink = true;
                       budgetSpent(budgetMs);
                       done(ModbusTimeout);
                       return;
                   }
                   const ModbusResult result = EvaluateWriteReply(*r, address);
                   m_lastException = ExceptionCodeOf(*r);
                   countResult(result, r);
                   countRequest(r, result, true, written, slaveId, sentAt, ms);
                   done(result);
               });
}

void ModbusConnection::readRegisters(int address, int count, const ReadDone &done)
{
    sendRead(QModbusDataUnit::HoldingRegisters, address, count, m_settings.slaveId, fullBudget(),
             done);
}

void ModbusConnection::readCoils(int address, int count, const ReadDone &done)
{
    sendRead(QModbusDataUnit::Coils, address, count, m_settings.slaveId, fullBudget(), done);
}

void ModbusConnection::writeRegisters(int address, const QVector<quint16> &values,
                                      const WriteDone &done)
{
    sendWrite(QModbusDataUnit::HoldingRegisters, address, values, m_settings.slaveId, fullBudget(),
              done);
}

void ModbusConnection::readParam(int address, int count, const ParamDone &done)
{
    if (count < 1 || count > 2) {
        QMetaObject::invokeMethod(
            this, [done] { done(ModbusProtocolError, 0); }, Qt::QueuedConnection);
        return;
    }
    const quint32 order = WordOrderAt(address, quint32(m_settings.dwordFormat));
    readRegisters(address, count,
                  [done, count, order](ModbusResult result, const QVector<quint16> &r) {
                      if (result != ModbusOk) {
                          done(result, 0);
                          return;
                      }
                      done(result, count == 1 ? r[0] : JoinWords(r[0], r[1], order));
                  });
}

void ModbusConnection::writeParam(int address, int count, quint32 value, const WriteDone &done)
{
    if (count < 1 || count > 2) {
        QMetaObject::invokeMethod(
            this, [done] { done(ModbusProtocolError); }, Qt::QueuedConnection);
        return;
    }
    QVector<quint16> registers(count);
    if (count == 1)
        registers[0] = quint16(value & 0xFFFF);
    else
        SplitWords(value, WordOrderAt(address, quint32(m_settings.dwordFormat)), &registers[0],
                   &registers[1]);
    writeRegisters(address, registers, done);
}
