#pragma once

#include <QFile>
#include <QList>
#include <QModbusPdu>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QVector>

#include "faultoptions.h"
#include "simrandom.h"

class QModbusServer;
class QTcpServer;
class QTcpSocket;
class QTimer;

namespace sim {

class InstrumentModel;
class RelayLink;

// The instrument on the wire: a Qt Modbus TCP or RTU server whose every
// request goes to the model, with optional faults and a request log.
// Lives in one thread; the fault, log and counter calls are thread-safe.
// On TCP, clients reach Qt's server through RelayLinks (see relaylink.h),
// because Qt's TCP server always writes something back.
class SimServer : public QObject
{
    Q_OBJECT

public:
    explicit SimServer(InstrumentModel *model, QObject *parent = nullptr);
    ~SimServer() override;

    void setSlaveId(int id);
    void setFaults(const FaultOptions &f);
    // Truncates the file; false (and no file logging) when it cannot be opened.
    bool setLogFile(const QString &path);

    bool listenTcp(const QString &host, int port); // port 0 picks a free port
    // Direct: Qt's TCP server faces the clients itself, without the relay that
    // dropped answers and closed connections need; one loopback hop less per
    // request, for latency measurements. Set before listenTcp.
    void setDirect(bool direct) { m_direct = direct; }
    int tcpPort() const;
    bool openSerial(const QString &device, int baud, int parity, int dataBits, int stopBits);
    void close();
    QString errorString() const;

    QVector<LoggedRequest> requestLog() const;
    void clearLog();
    int requestCount() const;

private:
    QModbusResponse handleRequest(const QModbusPdu &request);
    void record(const LoggedRequest &entry);
    void acceptClient();
    bool adoptUpstream(QTcpSocket *qtSide);
    void closeClients();
    bool start(QModbusServer *device);

    InstrumentModel *m_model;
    QModbusServer *m_device = nullptr;
    QTcpServer *m_front = nullptr;      // TCP: where clients connect
    QList<QPointer<RelayLink>> m_links; // server thread only
    QPointer<RelayLink> m_currentLink;  // link whose request Qt is handling
    QTimer *m_tickTimer;
    int m_slaveId = 1;
    int m_tcpPort = 0;
    bool m_direct = false;
    QString m_error;

    mutable QMutex m_mutex; // guards everything below
    FaultOptions m_faults;
    SimRandom m_faultRandom;
    int m_answeredSinceClose = 0;
    QVector<LoggedRequest> m_log;
    int m_requestCount = 0;
    QFile m_logFile;
};

} // namespace sim
