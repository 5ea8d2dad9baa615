#pragma once

#include <QFile>
#include <QList>
#include <QModbusPdu>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QVector>
#include <map>
#include <memory>

#include "faultoptions.h"
#include "rtubus.h"
#include "simrandom.h"

class QModbusServer;
class QTcpServer;
class QTcpSocket;
class QTimer;

namespace sim {

class InstrumentModel;
class RelayLink;
class SerialLine;

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
    // Several instruments on one serial bus (openBus), each with a register
    // image and serial number of its own; the first id keeps the server's model.
    void setSlaves(const QList<int> &ids);
    // The instrument at this id, or null.
    InstrumentModel *model(int id) const;
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
    // The instruments on an RS-485 line (see RtuBus) that listens at framing:
    // the serial device, or with pty a pseudo-terminal pair made here whose
    // program end is reachable under the link name `device`.
    bool openBus(const QString &device, bool pty, const LineFraming &framing,
                 const BusTiming &timing);
    // Frames the bus heard as noise (bad CRC, another framing).
    int noiseFrames() const;
    int unheardAnswers() const;
    // --pty: times the line was set idle again after the program closed it.
    int idleResets() const;
    void close();
    QString errorString() const;

    QVector<LoggedRequest> requestLog() const;
    void clearLog();
    int requestCount() const;

private:
    QModbusResponse handleRequest(InstrumentModel *model, int slave, const QModbusPdu &request);
    bool answerOnBus(int slave, const QModbusPdu &request, QModbusResponse *answer);
    void record(const LoggedRequest &entry);
    void acceptClient();
    bool adoptUpstream(QTcpSocket *qtSide);
    void closeClients();
    bool start(QModbusServer *device);

    InstrumentModel *m_model;
    std::map<int, InstrumentModel *> m_slaves; // bus id -> instrument
    std::vector<std::unique_ptr<InstrumentModel>> m_ownModels;
    SerialLine *m_line = nullptr;
    RtuBus *m_bus = nullptr;
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
