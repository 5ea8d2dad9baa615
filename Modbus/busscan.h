#pragma once

#include "linksettings.h"
#include "scanplan.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVector>

class ModbusConnection;

// An instrument a scan found.
struct ScanFind
{
    int slaveId = 0;
    int connectType = 0; // 0 RTU, 1 TCP
    QString serialPort;
    ScanFraming framing; // RTU
    QString host;        // TCP
    int tcpPort = 0;
    // Non-zero: the probe was answered with this exception. The instrument is
    // there, but did not tell who it is.
    int exceptionCode = 0;
    bool identified = false; // the system information below was read
    quint32 version = 0;
    QString kind; // "analog", "digital", "unknown"
    QString serialNumber;

    // "19200 8E1" on a serial line, "HOST:PORT" on TCP.
    QString whereText() const;
    // The link settings that reach it, for the connection window.
    LinkSettings linkSettings() const;
};

// Finds every instrument a plan covers. Each address is probed with the
// program's version read (registers 10000-10001) and nothing is ever written;
// an answer, even an exception, means an instrument is there, and the system
// information of each one found is read for its identity. On a serial line
// the time an address is given follows from the framing's wire time plus a
// turnaround allowance, learnt from the instruments that answered and never
// below a floor, instead of one long fixed timeout. A framing or host whose
// link does not open is passed over with a note; a silent one is probed to the
// end, since silence at one id says nothing about the next (see the README).
// The port is open only while a framing is tried, and closed at once when the
// scan is cancelled. Several TCP hosts are scanned side by side, each by a scan
// of its own that asks its ids one at a time (a gateway takes one question at
// a time).
class BusScan : public QObject
{
    Q_OBJECT

public:
    explicit BusScan(const ScanPlan &plan, QObject *parent = nullptr);
    ~BusScan() override;

    void start();
    // Ends the scan at once: what is pending is dropped and the port closed;
    // finished() follows.
    void cancel();
    bool isRunning() const { return m_running; }
    bool wasCancelled() const { return m_cancelled; }

    const QVector<ScanFind> &finds() const { return m_finds; }
    // Framings or hosts that could not be opened, each with why.
    const QStringList &problems() const { return m_problems; }
    int probesDone() const { return m_done; }
    int probesTotal() const;
    // Of the probes done, those never sent: their host or framing could not
    // be opened.
    int probesSkipped() const { return m_skipped; }

    // Every probe with this one timeout instead of the derived one (a
    // comparison for the benchmark); 0 for the derived one.
    void setFixedTimeoutMs(int ms) { m_fixedTimeoutMs = ms; }
    // The longest turnaround seen (serial: beyond the wire time; TCP: the
    // whole answer time), in microseconds; 0 before any answer.
    qint64 learnedTurnaroundUs() const { return m_turnaroundUs; }
    // The timeout an address gets now for an answer of `registers` registers.
    int timeoutMs(int registers) const;

signals:
    // done of total probes; where: the framing or host being tried.
    void progress(int done, int total, const QString &where);
    void found(const ScanFind &find);
    void finished();

private:
    void startNextHost();
    void hostEnded(BusScan *host);
    void openTarget();
    void targetOpened(bool ok);
    void nextTarget();
    void probeNext();
    void probed(int slave, int result, qint64 elapsedUs);
    void identify(ScanFind find);
    void leaveTarget(const QString &why);
    void finish();
    void closeLink();
    QString targetText() const;
    int targetCount() const;
    qint64 wireUs(int bytes) const;

    ScanPlan m_plan;
    QPointer<ModbusConnection> m_link;
    int m_target = -1;
    int m_slaveIndex = 0;
    int m_done = 0;
    bool m_running = false;
    bool m_cancelled = false;
    int m_fixedTimeoutMs = 0;
    qint64 m_turnaroundUs = 0;
    QVector<ScanFind> m_finds;
    QStringList m_problems;
    QElapsedTimer m_clock;
    // TCP with several hosts: the scans of the hosts under way, and how many
    // were started and how many probes the finished ones made.
    QVector<QPointer<BusScan>> m_hostScans;
    int m_hostsStarted = 0;
    int m_doneByEnded = 0;
    int m_skipped = 0;
};
