#pragma once

#include <QString>
#include <QThread>
#include <functional>

#include "faultoptions.h"
#include "instrumentmodel.h"
#include "rtubus.h"

namespace sim {

class SimServer;

// A model and its server on their own thread, for tests and benchmarks:
// a client on the caller's thread never shares an event loop with it.
class SimHost
{
public:
    explicit SimHost(Kind kind = Kind::Analog, int wordOrder = 0);
    ~SimHost();
    SimHost(const SimHost &) = delete;
    SimHost &operator=(const SimHost &) = delete;

    bool startTcp(const FaultOptions &f = {}, int slaveId = 1); // 127.0.0.1, free port
    bool startTcpAt(const QString &host, int port, const FaultOptions &f = {}, int slaveId = 1);
    bool startSerial(const QString &device, int baud, int parity, int dataBits, int stopBits,
                     const FaultOptions &f = {}, int slaveId = 1);
    // Instruments at these ids on an RS-485 line listening at framing: the
    // device (a socat end), or a pty pair made here under the link name.
    bool startBus(const QString &device, bool pty, const QList<int> &slaves,
                  const LineFraming &framing, const BusTiming &timing, const FaultOptions &f = {});
    int port() const { return m_port; }
    InstrumentModel &model() { return m_model; }
    // The instrument at this bus id, or null.
    InstrumentModel *model(int slaveId) const;
    int noiseFrames() const;
    int unheardAnswers() const;
    int idleResets() const;
    QString errorString() const { return m_error; }

    void setFaults(const FaultOptions &f);
    QVector<LoggedRequest> requestLog() const;
    void clearLog();
    int requestCount() const;

private:
    bool startOnThread(const std::function<bool(SimServer *)> &open);

    InstrumentModel m_model;
    QThread m_thread;
    SimServer *m_server;
    int m_port = 0;
    QString m_error;
};

} // namespace sim
