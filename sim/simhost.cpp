#include "simhost.h"

#include "simserver.h"

namespace sim {

SimHost::SimHost(Kind kind, int wordOrder)
    : m_model(kind, wordOrder), m_server(new SimServer(&m_model))
{
    m_thread.setObjectName(QStringLiteral("zelt-sim"));
    m_server->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    m_thread.start();
}

SimHost::~SimHost()
{
    // close on the server's own thread, then let it delete itself there
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool SimHost::startTcp(const FaultOptions &f, int slaveId)
{
    return startTcpAt(QStringLiteral("127.0.0.1"), 0, f, slaveId);
}

bool SimHost::startTcpAt(const QString &host, int port, const FaultOptions &f, int slaveId)
{
    return startOnThread([&](SimServer *server) {
        server->setSlaveId(slaveId);
        server->setFaults(f);
        return server->listenTcp(host, port);
    });
}

bool SimHost::startSerial(const QString &device, int baud, int parity, int dataBits, int stopBits,
                          const FaultOptions &f, int slaveId)
{
    return startOnThread([&](SimServer *server) {
        server->setSlaveId(slaveId);
        server->setFaults(f);
        return server->openSerial(device, baud, parity, dataBits, stopBits);
    });
}

bool SimHost::startBus(const QString &device, bool pty, const QList<int> &slaves,
                       const LineFraming &framing, const BusTiming &timing, const FaultOptions &f)
{
    return startOnThread([&](SimServer *server) {
        server->setSlaves(slaves);
        server->setFaults(f);
        return server->openBus(device, pty, framing, timing);
    });
}

InstrumentModel *SimHost::model(int slaveId) const
{
    return m_server->model(slaveId);
}

int SimHost::noiseFrames() const
{
    int noise = 0;
    QMetaObject::invokeMethod(
        m_server, [&] { noise = m_server->noiseFrames(); }, Qt::BlockingQueuedConnection);
    return noise;
}

int SimHost::idleResets() const
{
    int resets = 0;
    QMetaObject::invokeMethod(
        m_server, [&] { resets = m_server->idleResets(); }, Qt::BlockingQueuedConnection);
    return resets;
}

int SimHost::unheardAnswers() const
{
    int unheard = 0;
    QMetaObject::invokeMethod(
        m_server, [&] { unheard = m_server->unheardAnswers(); }, Qt::BlockingQueuedConnection);
    return unheard;
}

bool SimHost::startOnThread(const std::function<bool(SimServer *)> &open)
{
    bool ok = false;
    QMetaObject::invokeMethod(
        m_server,
        [&] {
            ok = open(m_server);
            m_port = m_server->tcpPort();
            m_error = m_server->errorString();
        },
        Qt::BlockingQueuedConnection);
    return ok;
}

void SimHost::setFaults(const FaultOptions &f)
{
    m_server->setFaults(f);
}

QVector<LoggedRequest> SimHost::requestLog() const
{
    return m_server->requestLog();
}

void SimHost::clearLog()
{
    m_server->clearLog();
}

int SimHost::requestCount() const
{
    return m_server->requestCount();
}

} // namespace sim
