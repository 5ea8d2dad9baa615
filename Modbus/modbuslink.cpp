#include "modbuslink.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QModbusTcpClient>
#include <QPointer>
#include <QTimer>
#include <QUrl>

QModbusClient *gp_ModbusDevice = nullptr;
quint32 gu32_SlaveId = 1;
quint32 gu32_DwordFormat = 0;
quint32 gu32_ConnectType = 0;
LinkStopFlag gu8_LinkStop;
LinkSettings gsrt_LinkPara;
LinkSettings gsrt_NewLinkPara;

namespace {

// The nested loops of the requests that are waiting right now (GUI thread only).
QVector<QEventLoop *> &waitingLoops()
{
    static QVector<QEventLoop *> loops;
    return loops;
}

class WaitingLoop
{
public:
    explicit WaitingLoop(QEventLoop *loop) : m_loop(loop) { waitingLoops().append(loop); }
    ~WaitingLoop() { waitingLoops().removeOne(m_loop); }
    WaitingLoop(const WaitingLoop &) = delete;
    WaitingLoop &operator=(const WaitingLoop &) = delete;

private:
    QEventLoop *m_loop;
};

// How a wait for a reply ended.
enum class WaitEnd { Finished, LinkLost, BudgetSpent };

// Blocks in a nested event loop until the reply is finished, the client leaves
// the connected state (or goes away), the stop flag is set (when honoured) or
// budgetMs runs out (when positive). The CPU stays idle meanwhile.
WaitEnd waitForReply(const QPointer<QModbusReply> &reply, QModbusClient *client, bool honourStop,
                     int budgetMs)
{
    const QPointer<QModbusClient> link(client);
    QEventLoop loop;
    QObject::connect(reply, &QModbusReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QObject::destroyed, &loop, &QEventLoop::quit);
    QObject::connect(client, &QModbusDevice::stateChanged, &loop,
                     [&loop](QModbusDevice::State state) {
                         if (state != QModbusDevice::ConnectedState)
                             loop.quit();
                     });
    QObject::connect(client, &QObject::destroyed, &loop, &QEventLoop::quit);
    bool budgetSpent = false;
    QTimer budget;
    budget.setSingleShot(true);
    budget.setTimerType(Qt::PreciseTimer);
    QObject::connect(&budget, &QTimer::timeout, &loop, [&] {
        budgetSpent = true;
        loop.quit();
    });
    if (budgetMs > 0)
        budget.start(budgetMs);

    const WaitingLoop registration(&loop);
    for (;;) {
        if (!reply)
            return WaitEnd::LinkLost;
        if (reply->isFinished())
            return WaitEnd::Finished;
        if (!link || link->state() != QModbusDevice::ConnectedState || (honourStop && gu8_LinkStop))
            return WaitEnd::LinkLost;
        if (budgetSpent)
            return WaitEnd::BudgetSpent;
        loop.exec();
    }
}

quint32 accessValue(quint32 *stored, quint32 value, int mode)
{
    if (mode == 0)
        return *stored;
    if (mode == 1)
        *stored = value;
    return 0;
}

} // namespace

LinkStopFlag &LinkStopFlag::operator=(quint8 value)
{
    m_value = value;
    if (value) {
        for (QEventLoop *loop : waitingLoops())
            loop->quit();
    }
    return *this;
}

quint32 SlaveIdAccess(quint32 value, int mode)
{
    return accessValue(&gu32_SlaveId, value, mode);
}

quint32 DwordFormatAccess(quint32 value, int mode)
{
    return accessValue(&gu32_DwordFormat, value, mode);
}

quint32 JoinWords(quint16 first, quint16 second, quint32 wordOrder)
{
    if (wordOrder == 0)
        return (quint32(first) << 16) | second;
    return (quint32(second) << 16) | first;
}

void SplitWords(quint32 value, quint32 wordOrder, quint16 *first, quint16 *second)
{
    const quint16 high = quint16(value >> 16);
    const quint16 low = quint16(value & 0xFFFF);
    *first = wordOrder == 0 ? high : low;
    *second = wordOrder == 0 ? low : high;
}

ModbusResult ModbusRead(QModbusClient *client, const LinkSettings &request,
                        QModbusDataUnit::RegisterType type, quint16 *values)
{
    if (!client)
        return ModbusNoLink;
    const QModbusDataUnit unit(type, request.startAddress, request.count);
    QPointer<QModbusReply> reply = client->sendReadRequest(unit, request.slaveId);
    if (!reply)
        return ModbusNoLink;

    const WaitEnd end = waitForReply(reply, client, true, 0);
    if (end != WaitEnd::Finished) {
        if (reply)
            reply->deleteLater();
        return ModbusNoLink;
    }

    ModbusResult result = ModbusProtocolError;
    switch (reply->error()) {
    case QModbusDevice::NoError: {
        const QModbusDataUnit answer = reply->result();
        for (int i = 0; i < request.count; ++i)
            values[i] = i < int(answer.valueCount()) ? answer.value(i) : 0;
        result = ModbusOk;
        break;
    }
    case QModbusDevice::TimeoutError:
        qDebug() << "Timeout";
        result = ModbusTimeout;
        break;
    case QModbusDevice::ReplyAbortedError:
        result = ModbusNoLink; // the client aborts what is pending when the link goes down
        break;
    default:
        break;
    }
    reply->deleteLater();
    return result;
}

ModbusResult ModbusWrite(QModbusClient *client, const LinkSettings &request,
                         QModbusDataUnit::RegisterType type, const quint16 *values)
{
    if (!client)
        return ModbusNoLink;
    QModbusDataUnit unit(type, request.startAddress, request.count);
    for (int i = 0; i < request.count; ++i)
        unit.setValue(i, values[i]);
    qDebug() << "This is Send address =" << request.startAddress << "num =" << request.count;

    QPointer<QModbusReply> reply = client->sendWriteRequest(unit, request.slaveId);
    if (!reply)
        return ModbusNoLink;

    // The write does not look at the stop flag, and gives up after responseTime
    // ms even if the client would wait longer.
    const WaitEnd end = waitForReply(reply, client, false, request.responseTime);
    if (end != WaitEnd::Finished) {
        if (reply)
            reply->deleteLater();
        return end == WaitEnd::BudgetSpent ? ModbusTimeout : ModbusNoLink;
    }

    ModbusResult result = ModbusOk;
    if (reply->error() == QModbusDevice::ReplyAbortedError) {
        result = ModbusNoLink;
    } else if (reply->error() == QModbusDevice::ProtocolError) {
        qDebug() << "e_ModbusResponseError1";
        result = ModbusProtocolError;
    } else if (reply->error() != QModbusDevice::NoError) {
        qDebug() << "e_ModbusResponseError2";
        result = ModbusProtocolError;
    }
    reply->deleteLater();
    return result;
}

ModbusResult ReadHoldingRegisters(QModbusClient *client, LinkSettings request, quint16 *values)
{
    return ModbusRead(client, request, QModbusDataUnit::HoldingRegisters, values);
}

ModbusResult ReadCoils(QModbusClient *client, LinkSettings request, quint16 *values)
{
    return ModbusRead(client, request, QModbusDataUnit::Coils, values);
}

ModbusResult WriteHoldingRegisters(QModbusClient *client, LinkSettings request,
                                   const quint16 *values)
{
    return ModbusWrite(client, request, QModbusDataUnit::HoldingRegisters, values);
}

void WaitMs(int ms)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return;
        QEventLoop loop;
        QTimer::singleShot(int(left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool SetupModbusClient(const LinkSettings &s, QObject *parent)
{
    if (!gp_ModbusDevice) {
        if (s.connectType == 1)
            gp_ModbusDevice = new QModbusTcpClient(parent);
        else
            gp_ModbusDevice = new QModbusRtuSerialMaster(parent);
    }
    if (gp_ModbusDevice->state() == QModbusDevice::ConnectedState)
        return true;

    if (s.connectType == 1) {
        const QUrl url = QUrl::fromUserInput(s.EditIP + QLatin1Char(':') + s.EditPort);
        gp_ModbusDevice->setConnectionParameter(QModbusDevice::NetworkPortParameter, url.port());
        gp_ModbusDevice->setConnectionParameter(QModbusDevice::NetworkAddressParameter, url.host());
    } else {
        gp_ModbusDevice->setConnectionParameter(QModbusDevice::SerialPortNameParameter,
                                                s.SerialNum);
        gp_ModbusDevice->setConnectionParameter(QModbusDevice::SerialParityParameter, s.parity);
        gp_ModbusDevice->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, s.baud);
        gp_ModbusDevice->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, s.dataBits);
        gp_ModbusDevice->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, s.stopBits);
    }
    gp_ModbusDevice->setTimeout(s.baud > 2400 ? 1000 : 2000);
    gp_ModbusDevice->setNumberOfRetries(s.numberOfRetries);
    return gp_ModbusDevice->connectDevice();
}

int CheckLink()
{
    if (gp_ModbusDevice && gp_ModbusDevice->state() == QModbusDevice::ConnectedState)
        return 0;
    // A TCP link that is still coming up is left alone: restarting it on every
    // poll would keep a slow network from ever connecting.
    if (gp_ModbusDevice && gu32_ConnectType == 1 &&
        gp_ModbusDevice->state() == QModbusDevice::UnconnectedState) {
        gp_ModbusDevice->disconnectDevice();
        gp_ModbusDevice->connectDevice();
    }
    return 1;
}

void DisconnectModbus()
{
    if (!gp_ModbusDevice)
        return;
    gp_ModbusDevice->disconnectDevice();
    delete gp_ModbusDevice;
    gp_ModbusDevice = nullptr;
}
