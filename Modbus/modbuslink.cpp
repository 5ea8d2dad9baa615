#include "modbuslink.h"
#include "logcategories.h"

#include "modbusconnection.h"
#include "serialopen.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusReply>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <memory>

QModbusClient *gp_ModbusDevice = nullptr;
quint32 gu32_SlaveId = 1;
quint32 gu32_DwordFormat = 0;
quint32 gu32_ConnectType = 0;
LinkStopFlag gu8_LinkStop;
LinkSettings gsrt_LinkPara;
LinkSettings gsrt_NewLinkPara;

namespace {

// A wait in progress: its nested loop, the note that one of its own wake-up
// reasons ended the loop (rather than the application quitting), and the link
// whose reply it waits for (null: woken by its own connections).
struct Waiter
{
    QEventLoop *loop;
    bool *woken;
    const ModbusConnection *link = nullptr;
};

// The requests that are waiting right now (GUI thread only).
QVector<Waiter> &waiters()
{
    static QVector<Waiter> list;
    return list;
}

void wakeWaiter(const Waiter &w)
{
    *w.woken = true;
    w.loop->quit();
}

// Wakes the waits on a link when its client leaves the connected state or the
// link goes away. Connected once per link rather than once per request.
void watchLink(ModbusConnection *link)
{
    static QSet<const ModbusConnection *> watched;
    if (watched.contains(link))
        return;
    watched.insert(link);
    const auto wakeWaits = [link] {
        for (const Waiter &w : waiters()) {
            if (w.link == link)
                wakeWaiter(w);
        }
    };
    QObject::connect(link->client(), &QModbusDevice::stateChanged, link,
                     [wakeWaits](QModbusDevice::State state) {
                         if (state != QModbusDevice::ConnectedState)
                             wakeWaits();
                     });
    QObject::connect(link, &QObject::destroyed, [link, wakeWaits] {
        watched.remove(link);
        wakeWaits();
    });
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

// The program-wide link; gp_ModbusDevice is its client.
ModbusConnection *programLink = nullptr;
bool reopenClosedLink = false;
int unansweredInARow = 0;
int unsentInARow = 0; // of those, the ones never sent: the link could not be opened again

// The link a client belongs to: every client of the program-wide link is made
// by its ModbusConnection.
ModbusConnection *linkOf(QModbusClient *client)
{
    return client ? qobject_cast<ModbusConnection *>(client->parent()) : nullptr;
}

// How a wait for a reply ended.
enum class WaitEnd { Finished, LinkLost, Quitting };

// What a request sent on the link came back with, and the wait to wake when it
// does. The request may outlive its wait (a stop, a link going down): it then
// finds no wait and is dropped.
struct Outcome
{
    bool done = false;
    ModbusResult result = ModbusNoLink;
    QVector<quint16> values;
    QEventLoop *loop = nullptr;
    bool *woken = nullptr;

    void finish(ModbusResult r, const QVector<quint16> &v = {})
    {
        done = true;
        result = r;
        values = v;
        if (loop) {
            *woken = true;
            loop->quit();
        }
    }
};

// Blocks in a nested event loop until the request is answered (the link's own
// budget ends it too), the client leaves the connected state (or the link goes
// away), the stop flag is set (when honoured), or the application quits. The
// CPU stays idle meanwhile.
WaitEnd waitFor(const std::shared_ptr<Outcome> &outcome, ModbusConnection *link, bool honourStop)
{
    const QPointer<ModbusConnection> linkAlive(link);
    const QPointer<QModbusClient> client(link->client());
    if (client)
        watchLink(link);
    QEventLoop loop;
    bool woken = false;

    outcome->loop = &loop;
    outcome->woken = &woken;
    struct Detach
    {
        Outcome *o;
        ~Detach()
        {
            o->loop = nullptr;
            o->woken = nullptr;
        }
    } detach{outcome.get()};

    const WaiterRegistration registration({&loop, &woken, link});
    for (;;) {
        // An answer that came in while a deeper wait held the loop is not taken
        // once the link is gone: the caller asked a link that no longer exists.
        if (!linkAlive || !client)
            return WaitEnd::LinkLost;
        if (outcome->done)
            return WaitEnd::Finished;
        if (client->state() != QModbusDevice::ConnectedState || (honourStop && gu8_LinkStop))
            return WaitEnd::LinkLost;
        woken = false;
        loop.exec();
        // Once the application quits, every nested loop returns at once without
        // running timers or sockets: waiting on would spin for ever.
        if (!woken)
            return WaitEnd::Quitting;
    }
}

// Closes and opens the link again; the stream starts afresh.
void reopen(ModbusConnection *link)
{
    QModbusClient *client = link->client();
    if (client->state() == QModbusDevice::ConnectedState) {
        qCDebug(lcLink) << "Reopening the link after" << link->timeoutsInARow() << "timeouts";
        link->noteReconnect(ReconnectReason::TimeoutsInARow);
    }
    link->resetTimeouts();
    link->close();
    OpenModbusClient(client);
}

// A connected link that is out of step is reopened before the next request is
// sent on it, which then waits (up to the client's timeout) for the link to be
// up again. Otherwise every answer after a reply cut short is read out of step
// until the next link check, and while polling is held (a parameter file,
// zeltctl) there is none. A link the instrument closed is reopened the same way
// when SetReopenClosedLink asked for it.
void reopenIfOutOfStep(ModbusConnection *link)
{
    const QPointer<QModbusClient> client(link->client());
    if (!client)
        return;
    const QModbusDevice::State state = client->state();
    const bool outOfStep = link->outOfStep() && state == QModbusDevice::ConnectedState;
    const bool closed = reopenClosedLink && link == programLink &&
                        state == QModbusDevice::UnconnectedState &&
                        unansweredInARow < ReopenAfterTimeouts;
    if (!outOfStep && !closed)
        return;
    reopen(link);
    QEventLoop loop;
    bool woken = false;
    const auto wake = [&loop, &woken] {
        woken = true;
        loop.quit();
    };
    QObject::connect(
        client, &QModbusDevice::stateChanged, &loop, [wake](QModbusDevice::State state) {
            if (state == QModbusDevice::ConnectedState || state == QModbusDevice::UnconnectedState)
                wake();
        });
    QObject::connect(client, &QObject::destroyed, &loop, wake);
    bool spent = false;
    QTimer budget;
    budget.setSingleShot(true);
    QObject::connect(&budget, &QTimer::timeout, &loop, [&spent, wake] {
        spent = true;
        wake();
    });
    budget.start(client->timeout());
    const WaiterRegistration registration({&loop, &woken});
    while (client && client->state() == QModbusDevice::ConnectingState && !spent && !gu8_LinkStop) {
        woken = false;
        loop.exec();
        if (!woken)
            return; // the application is quitting
    }
}

// An answer of the peer's own (even a refusal, or one that does not fit the
// request) ends a run of unanswered requests; silence, a frame cut short, a
// stream dropped out of step and a lost link all count toward it. sent tells
// whether the request went out at all.
ModbusResult counted(ModbusConnection *link, ModbusResult result, bool sent)
{
    if (link != programLink)
        return result;
    const bool answered = result == ModbusOk || result == ModbusProtocolError ||
                          (result == ModbusMalformed && !link->lastFailedOnLink());
    unansweredInARow = answered ? 0 : unansweredInARow + 1;
    unsentInARow = answered ? 0 : unsentInARow + (sent ? 0 : 1);
    return result;
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
        for (const Waiter &w : waiters())
            wakeWaiter(w);
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

ModbusResult ModbusRead(QModbusClient *client, const LinkSettings &request,
                        QModbusDataUnit::RegisterType type, quint16 *values)
{
    ModbusConnection *link = linkOf(client);
    if (!link)
        return ModbusNoLink;
    if (RefusedSlaveId(request.slaveId))
        return ModbusProtocolError;
    // A read the instrument cut off by closing the link is asked once more on the
    // reopened link; a read changes nothing, so asking twice is harmless.
    for (int attempt = 0;; ++attempt) {
        reopenIfOutOfStep(link);
        const bool sent = link->isOpen();
        auto outcome = std::make_shared<Outcome>();
        link->sendRead(
            type, request.startAddress, request.count, request.slaveId, ReadBudgetMs(client),
            [outcome](ModbusResult r, const QVector<quint16> &v) { outcome->finish(r, v); });
        const WaitEnd end = waitFor(outcome, link, true);
        if (end == WaitEnd::Quitting)
            return counted(link, ModbusNoLink, sent);
        const ModbusResult result = end == WaitEnd::Finished ? outcome->result : ModbusNoLink;
        if (result == ModbusOk)
            std::copy(outcome->values.cbegin(), outcome->values.cend(), values);
        counted(link, result, sent);
        // link is compared first: a link that went away is no longer programLink.
        // No second attempt once the link would not be opened for it.
        if (result != ModbusNoLink || attempt > 0 || !reopenClosedLink || link != programLink ||
            gu8_LinkStop || link->isOpen() || unansweredInARow >= ReopenAfterTimeouts)
            return result;
    }
}

ModbusResult ModbusWrite(QModbusClient *client, const LinkSettings &request,
                         QModbusDataUnit::RegisterType type, const quint16 *values)
{
    ModbusConnection *link = linkOf(client);
    if (!link)
        return ModbusNoLink;
    if (RefusedSlaveId(request.slaveId))
        return ModbusProtocolError;
    qCDebug(lcLink) << "This is Send address =" << request.startAddress << "num =" << request.count;
    reopenIfOutOfStep(link);
    const bool sent = link->isOpen();

    // The write does not look at the stop flag, and gives up after responseTime
    // ms even if the client would wait longer.
    const int budget = request.responseTime > 0 ? request.responseTime : ReadBudgetMs(client);
    auto outcome = std::make_shared<Outcome>();
    link->sendWrite(type, request.startAddress,
                    QVector<quint16>(values, values + qMax(0, int(request.count))), request.slaveId,
                    budget, [outcome](ModbusResult r) { outcome->finish(r); });
    if (waitFor(outcome, link, false) != WaitEnd::Finished)
        return counted(link, ModbusNoLink, sent);
    return counted(link, outcome->result, sent);
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
    if (!programLink) {
        unansweredInARow = 0;
        unsentInARow = 0;
        programLink = new ModbusConnection(s, parent);
        // The link check reopens it: the window keeps its link up.
        programLink->setCloseWhenOutOfStep(false);
        gp_ModbusDevice = programLink->client();
        QObject::connect(programLink, &QObject::destroyed, [link = programLink] {
            if (programLink == link) {
                programLink = nullptr;
                gp_ModbusDevice = nullptr;
            }
        });
    }
    if (gp_ModbusDevice->state() == QModbusDevice::ConnectedState)
        return true;

    programLink->setSettings(s);
    programLink->resetTimeouts();
    return OpenModbusClient(gp_ModbusDevice);
}

int ConsecutiveTimeouts()
{
    return programLink ? programLink->timeoutsInARow() : 0;
}

void SetReopenClosedLink(bool reopen)
{
    reopenClosedLink = reopen;
}

int UnansweredInARow()
{
    return unansweredInARow;
}

int UnsentInARow()
{
    return unsentInARow;
}

int CheckLink()
{
    if (!programLink || !gp_ModbusDevice)
        return 1;
    const QModbusDevice::State state = gp_ModbusDevice->state();
    if (state == QModbusDevice::ConnectedState && !programLink->outOfStep())
        return 0;
    // A link that is still coming up is left alone: restarting it on every poll
    // would keep a slow network from ever connecting. A connected link whose
    // requests keep timing out is out of step (a cut frame, garbage): reopening
    // it starts the stream afresh. One attempt per poll, for TCP and serial alike.
    if (state == QModbusDevice::ConnectedState || state == QModbusDevice::UnconnectedState)
        reopen(programLink);
    return 1;
}

void DisconnectModbus()
{
    if (!programLink)
        return;
    // Closes the client and deletes it with the link; the link's end clears
    // gp_ModbusDevice.
    delete programLink;
}

ModbusConnection *ProgramLink()
{
    return programLink;
}

bool ProgramLinkOwnedBy(const QObject *owner)
{
    return programLink && programLink->parent() == owner;
}
