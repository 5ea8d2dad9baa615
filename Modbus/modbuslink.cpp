#include "modbuslink.h"

#include "modbusconnection.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusReply>
#include <QPointer>
#include <QTimer>

QModbusClient *gp_ModbusDevice = nullptr;
quint32 gu32_SlaveId = 1;
quint32 gu32_DwordFormat = 0;
quint32 gu32_ConnectType = 0;
LinkStopFlag gu8_LinkStop;
LinkSettings gsrt_LinkPara;
LinkSettings gsrt_NewLinkPara;

namespace {

// A wait in progress: its nested loop, and the note that one of its own wake-up
// reasons ended the loop (rather than the application quitting).
struct Waiter
{
    QEventLoop *loop;
    bool *woken;
};

// The requests that are waiting right now (GUI thread only).
QVector<Waiter> &waiters()
{
    static QVector<Waiter> list;
    return list;
}

class WaiterRegistration
{
public:
    explicit WaiterRegistration(const Waiter &w) : m_loop(w.loop) { waiters().append(w); }
    ~WaiterRegistration()
    {
        auto &list = waiters();
        for (int i = 0; i < list.size(); ++i) {
            if (list[i].loop == m_loop) {
                list.remove(i);
                break;
            }
        }
    }
    WaiterRegistration(const WaiterRegistration &) = delete;
    WaiterRegistration &operator=(const WaiterRegistration &) = delete;

private:
    QEventLoop *m_loop;
};

// Timeouts in a row, of reads and writes alike; any framed answer ends the run.
int consecutiveTimeouts = 0;

// How a wait for a reply ended.
enum class WaitEnd { Finished, LinkLost, BudgetSpent, Quitting };

// Blocks in a nested event loop until the reply is finished, the client leaves
// the connected state (or goes away), the stop flag is set (when honoured),
// budgetMs runs out, or the application quits. The CPU stays idle meanwhile.
WaitEnd waitForReply(const QPointer<QModbusReply> &reply, QModbusClient *client, bool honourStop,
                     int budgetMs)
{
    const QPointer<QModbusClient> link(client);
    QEventLoop loop;
    bool woken = false;
    const auto wake = [&loop, &woken] {
        woken = true;
        loop.quit();
    };
    QObject::connect(reply, &QModbusReply::finished, &loop, wake);
    QObject::connect(reply, &QObject::destroyed, &loop, wake);
    QObject::connect(client, &QModbusDevice::stateChanged, &loop,
                     [wake](QModbusDevice::State state) {
                         if (state != QModbusDevice::ConnectedState)
                             wake();
                     });
    QObject::connect(client, &QObject::destroyed, &loop, wake);
    bool budgetSpent = false;
    QTimer budget;
    budget.setSingleShot(true);
    budget.setTimerType(Qt::PreciseTimer);
    QObject::connect(&budget, &QTimer::timeout, &loop, [&budgetSpent, wake] {
        budgetSpent = true;
        wake();
    });
    budget.start(budgetMs);

    const WaiterRegistration registration({&loop, &woken});
    for (;;) {
        if (!reply)
            return WaitEnd::LinkLost;
        if (reply->isFinished())
            return WaitEnd::Finished;
        if (!link || link->state() != QModbusDevice::ConnectedState || (honourStop && gu8_LinkStop))
            return WaitEnd::LinkLost;
        if (budgetSpent)
            return WaitEnd::BudgetSpent;
        woken = false;
        loop.exec();
        // Once the application quits, every nested loop returns at once without
        // running timers or sockets: waiting on would spin for ever.
        if (!woken)
            return WaitEnd::Quitting;
    }
}

void countTimeouts(ModbusResult result)
{
    if (result == ModbusTimeout)
        ++consecutiveTimeouts;
    else if (result == ModbusOk || result == ModbusProtocolError)
        consecutiveTimeouts = 0;
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
        for (const Waiter &w : waiters()) {
            *w.woken = true;
            w.loop->quit();
        }
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
    if (RefusedSlaveId(request.slaveId))
        return ModbusProtocolError;
    const QModbusDataUnit unit(type, request.startAddress, request.count);
    QPointer<QModbusReply> reply = client->sendReadRequest(unit, request.slaveId);
    if (!reply)
        return ModbusNoLink;

    const WaitEnd end = waitForReply(reply, client, true, ReadBudgetMs(client));
    ModbusResult result = ModbusNoLink;
    if (end == WaitEnd::Finished) {
        result = EvaluateReadReply(*reply, type, request.startAddress, request.count, values);
    } else if (end == WaitEnd::BudgetSpent) {
        qDebug() << "Timeout";
        result = ModbusTimeout;
    }
    if (reply)
        reply->deleteLater();
    countTimeouts(result);
    // The client stops timing a reply once its header is in, so a read that
    // outlives its budget left part of a frame in the client's buffer: the
    // stream is out of step, and the next link check reopens it.
    if (end == WaitEnd::BudgetSpent)
        consecutiveTimeouts = qMax(consecutiveTimeouts, ReopenAfterTimeouts);
    return result;
}

ModbusResult ModbusWrite(QModbusClient *client, const LinkSettings &request,
                         QModbusDataUnit::RegisterType type, const quint16 *values)
{
    if (!client)
        return ModbusNoLink;
    if (RefusedSlaveId(request.slaveId))
        return ModbusProtocolError;
    QModbusDataUnit unit(type, request.startAddress, request.count);
    for (int i = 0; i < request.count; ++i)
        unit.setValue(i, values[i]);
    qDebug() << "This is Send address =" << request.startAddress << "num =" << request.count;

    QPointer<QModbusReply> reply = client->sendWriteRequest(unit, request.slaveId);
    if (!reply)
        return ModbusNoLink;

    // The write does not look at the stop flag, and gives up after responseTime
    // ms even if the client would wait longer.
    const int budget = request.responseTime > 0 ? request.responseTime : ReadBudgetMs(client);
    const WaitEnd end = waitForReply(reply, client, false, budget);
    ModbusResult result = ModbusNoLink;
    if (end == WaitEnd::Finished)
        result = EvaluateWriteReply(*reply, request.startAddress);
    else if (end == WaitEnd::BudgetSpent)
        result = ModbusTimeout;
    if (reply)
        reply->deleteLater();
    countTimeouts(result);
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
        bool elapsed = false;
        QTimer::singleShot(int(left), Qt::PreciseTimer, &loop, [&loop, &elapsed] {
            elapsed = true;
            loop.quit();
        });
        loop.exec();
        if (!elapsed)
            return; // the application is quitting: nested loops no longer wait
    }
}

bool SetupModbusClient(const LinkSettings &s, QObject *parent)
{
    if (!gp_ModbusDevice)
        gp_ModbusDevice = CreateModbusClient(s, parent);
    if (gp_ModbusDevice->state() == QModbusDevice::ConnectedState)
        return true;

    ConfigureModbusClient(gp_ModbusDevice, s);
    consecutiveTimeouts = 0;
    return gp_ModbusDevice->connectDevice();
}

int ConsecutiveTimeouts()
{
    return consecutiveTimeouts;
}

int CheckLink()
{
    if (!gp_ModbusDevice)
        return 1;
    const QModbusDevice::State state = gp_ModbusDevice->state();
    if (state == QModbusDevice::ConnectedState && consecutiveTimeouts < ReopenAfterTimeouts)
        return 0;
    // A link that is still coming up is left alone: restarting it on every poll
    // would keep a slow network from ever connecting. A connected link whose
    // requests keep timing out is out of step (a cut frame, garbage): reopening
    // it starts the stream afresh. One attempt per poll, for TCP and serial alike.
    if (state == QModbusDevice::ConnectedState || state == QModbusDevice::UnconnectedState) {
        if (state == QModbusDevice::ConnectedState)
            qDebug() << "Reopening the link after" << consecutiveTimeouts << "timeouts";
        consecutiveTimeouts = 0;
        gp_ModbusDevice->disconnectDevice();
        gp_ModbusDevice->connectDevice();
    }
    return 1;
}

void DisconnectModbus()
{
    consecutiveTimeouts = 0;
    if (!gp_ModbusDevice)
        return;
    gp_ModbusDevice->disconnectDevice();
    delete gp_ModbusDevice;
    gp_ModbusDevice = nullptr;
}
