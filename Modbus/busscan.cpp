#include "busscan.h"

#include "devicemodel.h"
#include "modbusconnection.h"
#include "sysinfotext.h"
#include "wiretime.h"

#include <QDebug>
#include <algorithm>

namespace {

// The probe: the software version, the program's own first read of an instrument.
constexpr int VersionRegister = 10000;
constexpr int VersionRegisters = 2;
// A read request on the wire; an answer carries 5 bytes besides its values.
constexpr int RequestBytes = 8;
constexpr int AnswerOverheadBytes = 5;
// The operating system's share: the answer's bytes reach the program and its
// event loop a little after they left the wire.
constexpr int SerialSlackMs = 2;
// TCP before any answer (a gateway may ask a slow serial line behind it), and
// the least once one answered.
constexpr int TcpUnknownTimeoutMs = 100;
constexpr int TcpFloorTimeoutMs = 30;
constexpr int ConnectTimeoutMs = 1500;
// Hosts of a TCP range scanned at once.
constexpr int HostsAtOnce = 16;
// A gateway's own exceptions: no instrument behind that id.
constexpr int GatewayPathUnavailable = 0x0A;
constexpr int GatewayTargetSilent = 0x0B;
// Qt's clients take no shorter timeout.
constexpr int LeastClientTimeoutMs = 10;

// The version from its two registers: the word order is not known yet, but a
// version has five digits and fits in either half.
quint32 versionOf(quint16 first, quint16 second)
{
    if (first == 0)
        return second;
    if (second == 0)
        return first;
    return (quint32(first) << 16) | second;
}

} // namespace

QString ScanFind::whereText() const
{
    if (connectType == 1)
        return host + QLatin1Char(':') + QString::number(tcpPort);
    return FramingText(framing);
}

LinkSettings ScanFind::linkSettings() const
{
    LinkSettings s;
    s.connectType = connectType;
    s.slaveId = slaveId;
    s.SerialNum = serialPort;
    s.baud = framing.baud;
    s.parity = framing.parity;
    s.dataBits = framing.dataBits;
    s.stopBits = framing.stopBits;
    s.EditIP = host;
    s.EditPort = QString::number(tcpPort);
    return s;
}

BusScan::BusScan(const ScanPlan &plan, QObject *parent) : QObject(parent), m_plan(plan)
{}

BusScan::~BusScan()
{
    closeLink();
}

int BusScan::targetCount() const
{
    return m_plan.connectType == 1 ? m_plan.hosts.size() : m_plan.framings.size();
}

int BusScan::probesTotal() const
{
    return targetCount() * m_plan.slaves.size();
}

void BusScan::start()
{
    if (m_running)
        return;
    m_running = true;
    m_cancelled = false;
    m_finds.clear();
    m_problems.clear();
    m_done = 0;
    m_target = -1;
    m_clock.start();
    m_hostScans.clear();
    m_hostsStarted = 0;
    m_doneByEnded = 0;
    m_skipped = 0;
    if (m_plan.connectType == 1 && m_plan.hosts.size() > 1) {
        for (int i = 0; i < HostsAtOnce; ++i)
            QMetaObject::invokeMethod(this, &BusScan::startNextHost, Qt::QueuedConnection);
        return;
    }
    // From the event loop, so the caller hears of every progress.
    QMetaObject::invokeMethod(this, &BusScan::nextTarget, Qt::QueuedConnection);
}

void BusScan::startNextHost()
{
    if (!m_running || m_hostsStarted >= m_plan.hosts.size())
        return;
    ScanPlan one = m_plan;
    one.hosts = QStringList(m_plan.hosts.at(m_hostsStarted++));
    auto *host = new BusScan(one, this);
    m_hostScans.append(host);
    connect(host, &BusScan::found, this, [this](const ScanFind &find) {
        m_finds.append(find);
        emit found(find);
    });
    connect(host, &BusScan::progress, this, [this](int, int, const QString &where) {
        m_done = m_doneByEnded;
        for (const QPointer<BusScan> &running : qAsConst(m_hostScans))
            m_done += running ? running->probesDone() : 0;
        emit progress(m_done, probesTotal(), where);
    });
    connect(host, &BusScan::finished, this, [this, host] { hostEnded(host); });
    host->start();
}

void BusScan::hostEnded(BusScan *host)
{
    if (!m_running)
        return;
    m_hostScans.removeAll(host);
    m_doneByEnded += host->probesDone();
    m_skipped += host->probesSkipped();
    m_problems += host->problems();
    host->deleteLater();
    if (m_hostScans.isEmpty() && m_hostsStarted >= m_plan.hosts.size()) {
        // Listed in the order of the range, whichever host answered first.
        const auto hostIndex = [this](const QString &text) {
            for (int i = 0; i < m_plan.hosts.size(); ++i) {
                if (text == m_plan.hosts.at(i) || text.startsWith(m_plan.hosts.at(i) + ':'))
                    return i;
            }
            return -1;
        };
        std::stable_sort(m_finds.begin(), m_finds.end(), [&](const ScanFind &a, const ScanFind &b) {
            return hostIndex(a.host) < hostIndex(b.host);
        });
        std::stable_sort(
            m_problems.begin(), m_problems.end(),
            [&](const QString &a, const QString &b) { return hostIndex(a) < hostIndex(b); });
        m_done = m_doneByEnded;
        finish();
        return;
    }
    startNextHost();
}

void BusScan::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    finish();
}

void BusScan::finish()
{
    // Not running first: closing the link ends its pending request, whose
    // answer must not move the scan on.
    m_running = false;
    for (const QPointer<BusScan> &host : qAsConst(m_hostScans)) {
        if (host)
            host->cancel();
    }
    m_hostScans.clear();
    closeLink();
    emit finished();
}

void BusScan::closeLink()
{
    ModbusConnection *link = m_link;
    m_link = nullptr;
    if (!link)
        return;
    // Closed now, so the port is free the moment the scan says it is done.
    link->close();
    link->deleteLater();
}

QString BusScan::targetText() const
{
    if (m_target < 0 || m_target >= targetCount())
        return QString();
    if (m_plan.connectType == 1)
        return m_plan.hosts.at(m_target) + QLatin1Char(':') + QString::number(m_plan.tcpPort);
    return m_plan.serialPort + QLatin1Char(' ') + FramingText(m_plan.framings.at(m_target));
}

void BusScan::nextTarget()
{
    closeLink();
    if (!m_running)
        return;
    ++m_target;
    m_slaveIndex = 0;
    if (m_target >= targetCount() || m_plan.slaves.isEmpty()) {
        finish();
        return;
    }
    openTarget();
}

void BusScan::openTarget()
{
    LinkSettings s;
    s.connectType = m_plan.connectType;
    if (m_plan.connectType == 1) {
        s.EditIP = m_plan.hosts.at(m_target);
        s.EditPort = QString::number(m_plan.tcpPort);
    } else {
        const ScanFraming &f = m_plan.framings.at(m_target);
        s.SerialNum = m_plan.serialPort;
        s.baud = f.baud;
        s.parity = f.parity;
        s.dataBits = f.dataBits;
        s.stopBits = f.stopBits;
    }
    m_link = new ModbusConnection(s, this);
    m_link->setCloseWhenOutOfStep(false);
    m_link->setStatsEnabled(false);
    connect(m_link, &ModbusConnection::opened, this, &BusScan::targetOpened);
    emit progress(m_done, probesTotal(), targetText());
    m_link->open(ConnectTimeoutMs);
}

void BusScan::targetOpened(bool ok)
{
    if (!m_running)
        return;
    if (!ok) {
        // Nobody listens at that host, or the port cannot take that framing:
        // none of its ids can answer.
        leaveTarget(m_link && !m_link->errorString().isEmpty() ? m_link->errorString()
                                                               : QStringLiteral("cannot open"));
        return;
    }
    probeNext();
}

void BusScan::leaveTarget(const QString &why)
{
    m_problems.append(targetText() + QStringLiteral(": ") + why);
    m_done += m_plan.slaves.size() - m_slaveIndex;
    m_skipped += m_plan.slaves.size() - m_slaveIndex;
    emit progress(m_done, probesTotal(), targetText());
    nextTarget();
}

qint64 BusScan::wireUs(int bytes) const
{
    const ScanFraming &f = m_plan.framings.at(m_target);
    return WireMicroseconds(bytes, f.baud, f.dataBits, f.parity, f.stopBits);
}

int BusScan::timeoutMs(int registers) const
{
    if (m_fixedTimeoutMs > 0)
        return m_fixedTimeoutMs;
    if (m_plan.connectType == 1) {
        if (m_turnaroundUs == 0)
            return TcpUnknownTimeoutMs;
        return qMax(TcpFloorTimeoutMs, int(3 * m_turnaroundUs / 1000) + 10);
    }
    if (m_target < 0 || m_target >= targetCount())
        return TcpUnknownTimeoutMs;
    const ScanFraming &f = m_plan.framings.at(m_target);
    // A slower instrument that answered raises the allowance for every address after it.
    const qint64 allowanceUs =
        qMax(1000LL * m_plan.turnaroundFloorMs, m_turnaroundUs + m_turnaroundUs / 2 + 1000);
    const qint64 us = wireUs(RequestBytes) +
                      FrameGapMicroseconds(f.baud, f.dataBits, f.parity, f.stopBits) + allowanceUs +
                      wireUs(AnswerOverheadBytes + 2 * registers);
    return qMax(LeastClientTimeoutMs, int((us + 999) / 1000) + SerialSlackMs);
}

void BusScan::probeNext()
{
    if (!m_running || !m_link)
        return;
    if (m_slaveIndex >= m_plan.slaves.size()) {
        nextTarget();
        return;
    }
    const int slave = m_plan.slaves.at(m_slaveIndex);
    m_link->setResponseTimeout(timeoutMs(VersionRegisters));
    const qint64 sentUs = m_clock.nsecsElapsed() / 1000;
    m_link->sendRead(QModbusDataUnit::HoldingRegisters, VersionRegister, VersionRegisters, slave,
                     ReadBudgetMs(m_link->client()),
                     [this, slave, sentUs](ModbusResult result, const QVector<quint16> &values) {
                         if (!m_running)
                             return;
                         const qint64 elapsedUs = m_clock.nsecsElapsed() / 1000 - sentUs;
                         if (result == ModbusOk && values.size() == VersionRegisters) {
                             ScanFind find;
                             find.version = versionOf(values[0], values[1]);
                             find.slaveId = slave;
                             probed(slave, result, elapsedUs);
                             if (m_running)
                                 identify(find);
                             return;
                         }
                         probed(slave, result, elapsedUs);
                     });
}

void BusScan::probed(int slave, int result, qint64 elapsedUs)
{
    const int exception = m_link ? m_link->lastExceptionCode() : 0;
    const bool gatewayOnly =
        result == ModbusProtocolError &&
        (exception == GatewayPathUnavailable || exception == GatewayTargetSilent);
    const bool present = result == ModbusOk || (result == ModbusProtocolError && !gatewayOnly);
    if (result == ModbusOk || result == ModbusProtocolError) {
        qint64 turnaround = elapsedUs;
        if (m_plan.connectType != 1) {
            turnaround -= wireUs(RequestBytes) + wireUs(AnswerOverheadBytes + 2 * VersionRegisters);
            const ScanFraming &f = m_plan.framings.at(m_target);
            turnaround -= FrameGapMicroseconds(f.baud, f.dataBits, f.parity, f.stopBits);
        }
        m_turnaroundUs = qMax(m_turnaroundUs, turnaround);
    }
    if (result == ModbusNoLink) {
        leaveTarget(QStringLiteral("link lost"));
        return;
    }
    if (present && result == ModbusProtocolError) {
        ScanFind find;
        find.slaveId = slave;
        find.exceptionCode = exception;
        identify(find);
        return;
    }
    if (!present) {
        ++m_slaveIndex;
        ++m_done;
        emit progress(m_done, probesTotal(), targetText());
        probeNext();
    }
}

void BusScan::identify(ScanFind find)
{
    find.connectType = m_plan.connectType;
    if (m_plan.connectType == 1) {
        find.host = m_plan.hosts.at(m_target);
        find.tcpPort = m_plan.tcpPort;
    } else {
        find.serialPort = m_plan.serialPort;
        find.framing = m_plan.framings.at(m_target);
    }
    const RegisterGroup group = RegisterGroupTable[SystemInfoGroup];
    m_link->setResponseTimeout(timeoutMs(group.count));
    m_link->sendRead(QModbusDataUnit::HoldingRegisters, group.start, group.count, find.slaveId,
                     ReadBudgetMs(m_link->client()),
                     [this, find](ModbusResult result, const QVector<quint16> &values) mutable {
                         if (!m_running)
                             return;
                         if (result == ModbusOk &&
                             values.size() == RegisterGroupTable[SystemInfoGroup].count) {
                             find.identified = true;
                             find.version = versionOf(values[0], values[1]);
                             find.serialNumber = SerialNumberText(values, SerialNumberSlot + 2);
                         }
                         if (find.version != 0)
                             find.kind = InstrumentKindText(find.version);
                         m_finds.append(find);
                         emit found(find);
                         if (!m_running)
                             return;
                         ++m_slaveIndex;
                         ++m_done;
                         emit progress(m_done, probesTotal(), targetText());
                         probeNext();
                     });
}
