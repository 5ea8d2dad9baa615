#include "modbusconnection.h"

#include "devicemodel.h"
#include "modbuslink.h"

#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QModbusTcpClient>
#include <QUrl>
#include <QVariant>
#include <memory>

namespace {

ModbusResult resultOf(const QModbusReply *reply)
{
    switch (reply->error()) {
    case QModbusDevice::NoError:
        return ModbusOk;
    case QModbusDevice::TimeoutError:
        return ModbusTimeout;
    case QModbusDevice::ReplyAbortedError:
        return ModbusNoLink; // the client aborts what is pending when the link goes down
    default:
        return ModbusProtocolError;
    }
}

// Calls done with the reply's outcome once it is finished, and releases it.
void whenFinished(QModbusReply *reply, QObject *context,
                  const std::function<void(QModbusReply *)> &done)
{
    if (reply->isFinished()) {
        // A broadcast is finished at once; the caller still hears of it from the loop.
        QMetaObject::invokeMethod(
            context,
            [reply, done] {
                done(reply);
                reply->deleteLater();
            },
            Qt::QueuedConnection);
        return;
    }
    // Once only: a client that is closed from inside done() aborts what it still
    // holds, and that would finish this reply a second time.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection =
        QObject::connect(reply, &QModbusReply::finished, context, [reply, done, connection] {
            QObject::disconnect(*connection);
            done(reply);
            reply->deleteLater();
        });
}

} // namespace

QModbusClient *CreateModbusClient(const LinkSettings &s, QObject *parent)
{
    QModbusClient *client = nullptr;
    if (s.connectType == 1) {
        client = new QModbusTcpClient(parent);
        const QUrl url = QUrl::fromUserInput(s.EditIP + QLatin1Char(':') + s.EditPort);
        client->setConnectionParameter(QModbusDevice::NetworkPortParameter, url.port());
        client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, url.host());
    } else {
        client = new QModbusRtuSerialMaster(parent);
        client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, s.SerialNum);
        client->setConnectionParameter(QModbusDevice::SerialParityParameter, s.parity);
        client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, s.baud);
        client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, s.dataBits);
        client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, s.stopBits);
    }
    client->setTimeout(s.baud > 2400 ? 1000 : 2000);
    client->setNumberOfRetries(s.numberOfRetries);
    return client;
}

QString ModbusResultText(ModbusResult result)
{
    switch (result) {
    case ModbusOk:
        return QStringLiteral("ok");
    case ModbusTimeout:
        return QStringLiteral("no reply (timeout)");
    case ModbusProtocolError:
        return QStringLiteral("refused by the instrument");
    case ModbusNoLink:
        break;
    }
    return QStringLiteral("link lost");
}

ModbusConnection::ModbusConnection(const LinkSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_client(CreateModbusClient(settings, this))
{
    connect(m_client, &QModbusDevice::errorOccurred, this, [this](QModbusDevice::Error error) {
        if (error != QModbusDevice::NoError)
            m_error = m_client->errorString();
    });
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] { finishOpen(false); });
    connect(m_client, &QModbusDevice::stateChanged, this, [this](QModbusDevice::State state) {
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
    if (!m_client->connectDevice())
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
    if (m_client && m_client->state() != QModbusDevice::UnconnectedState)
        m_client->disconnectDevice();
}

void ModbusConnection::read(int type, int address, int count, const ReadDone &done)
{
    QModbusReply *reply = nullptr;
    if (isOpen()) {
        const QModbusDataUnit unit(QModbusDataUnit::RegisterType(type), address, quint16(count));
        reply = m_client->sendReadRequest(unit, m_settings.slaveId);
    }
    if (!reply) {
        QMetaObject::invokeMethod(
            this, [done] { done(ModbusNoLink, {}); }, Qt::QueuedConnection);
        return;
    }
    whenFinished(reply, this, [done, count](QModbusReply *r) {
        const ModbusResult result = resultOf(r);
        QVector<quint16> values;
        if (result == ModbusOk) {
            const QModbusDataUnit answer = r->result();
            values.resize(count);
            // A reply with fewer values than asked leaves the rest at 0.
            for (int i = 0; i < count; ++i)
                values[i] = i < int(answer.valueCount()) ? answer.value(i) : 0;
        }
        done(result, values);
    });
}

void ModbusConnection::readRegisters(int address, int count, const ReadDone &done)
{
    read(QModbusDataUnit::HoldingRegisters, address, count, done);
}

void ModbusConnection::readCoils(int address, int count, const ReadDone &done)
{
    read(QModbusDataUnit::Coils, address, count, done);
}

void ModbusConnection::writeRegisters(int address, const QVector<quint16> &values,
                                      const WriteDone &done)
{
    QModbusReply *reply = nullptr;
    if (isOpen()) {
        const QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, address, values);
        reply = m_client->sendWriteRequest(unit, m_settings.slaveId);
    }
    if (!reply) {
        QMetaObject::invokeMethod(
            this, [done] { done(ModbusNoLink); }, Qt::QueuedConnection);
        return;
    }
    whenFinished(reply, this, [done](QModbusReply *r) { done(resultOf(r)); });
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
