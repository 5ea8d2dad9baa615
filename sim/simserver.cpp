#include "simserver.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include "instrumentmodel.h"
#include "modbuscodec.h"
#include "modbusfront.h"
#include "relaylink.h"
#include "serialline.h"

namespace sim {

namespace {
constexpr int TickMs = 100;
constexpr int MaxLogEntries = 100000;
constexpr int MbapHeaderBytes = 7; // Qt puts this in front of every TCP answer

// Lets Qt's server accept only the relay's own connections.
class UpstreamGate : public QModbusTcpConnectionObserver
{
public:
    explicit UpstreamGate(std::function<bool(QTcpSocket *)> admit) : m_admit(std::move(admit)) {}
    bool acceptNewConnection(QTcpSocket *newClient) override { return m_admit(newClient); }

private:
    std::function<bool(QTcpSocket *)> m_admit;
};

// Instruments on one bus differ in their serial number: the id goes into
// characters 16-18 of it.
void MarkSerialNumber(InstrumentModel *model, int id)
{
    const QByteArray digits = QByteArray::number(id).rightJustified(3, '0');
    for (int i = 0; i < 3; ++i)
        model->setReg(Reg::SerialNumber + 16 + i, quint16(quint8(digits.at(i))));
}

QString logLine(const LoggedRequest &e)
{
    QString line = QStringLiteral("%1 %2 %3").arg(e.function).arg(e.address).arg(e.count);
    for (quint16 v : e.values)
        line += QLatin1Char(' ') + QString::number(v);
    if (e.dropped)
        line += QStringLiteral(" dropped");
    else if (e.cut)
        line += QStringLiteral(" cut");
    else if (e.exception != 0)
        line += QStringLiteral(" exc=%1").arg(e.exception);
    return line + QLatin1Char('\n');
}
} // namespace

SimServer::SimServer(InstrumentModel *model, QObject *parent)
    : QObject(parent), m_model(model), m_tickTimer(new QTimer(this))
{
    m_slaves[m_slaveId] = model;
    m_tickTimer->setInterval(TickMs);
    connect(m_tickTimer, &QTimer::timeout, this, [this] {
        for (const auto &slave : m_slaves)
            slave.second->tick(TickMs);
    });
}

SimServer::~SimServer()
{
    close();
}

void SimServer::setSlaveId(int id)
{
    m_slaveId = id;
    m_slaves = {{id, m_model}};
    if (m_device)
        m_device->setServerAddress(id);
}

void SimServer::setSlaves(const QList<int> &ids)
{
    if (ids.isEmpty())
        return;
    setSlaveId(ids.first());
    m_ownModels.clear();
    for (int id : ids) {
        InstrumentModel *model = m_model;
        if (id != ids.first()) {
            m_ownModels.push_back(std::make_unique<InstrumentModel>(
                m_model->kind(), m_model->wordOrder(), quint32(id) * 7919u + 1u));
            model = m_ownModels.back().get();
        }
        if (ids.size() > 1)
            MarkSerialNumber(model, id);
        m_slaves[id] = model;
    }
}

InstrumentModel *SimServer::model(int id) const
{
    const auto it = m_slaves.find(id);
    return it == m_slaves.end() ? nullptr : it->second;
}

void SimServer::setFaults(const FaultOptions &f)
{
    QMutexLocker lock(&m_mutex);
    m_faults = f;
    m_faultRandom.reseed(f.seed);
    m_answeredSinceClose = 0;
}

bool SimServer::setLogFile(const QString &path)
{
    QMutexLocker lock(&m_mutex);
    m_logFile.close();
    m_logFile.setFileName(path);
    return m_logFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

bool SimServer::listenTcp(const QString &host, int port)
{
    close();
    auto *device = new FrontTcpServer(
        [this](const QModbusPdu &r) { return handleRequest(m_model, m_slaveId, r); }, this);
    if (m_direct) {
        device->setConnectionParameter(QModbusDevice::NetworkAddressParameter, host);
        device->setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
        return start(device);
    }
    device->installConnectionObserver(
        new UpstreamGate([this](QTcpSocket *qtSide) { return adoptUpstream(qtSide); }));
    device->setConnectionParameter(QModbusDevice::NetworkAddressParameter,
                                   QStringLiteral("127.0.0.1"));
    device->setConnectionParameter(QModbusDevice::NetworkPortParameter, 0);
    if (!start(device))
        return false;

    m_front = new QTcpServer(this);
    connect(m_front, &QTcpServer::newConnection, this, &SimServer::acceptClient);
    const QHostAddress address(host == QLatin1String("localhost") ? QStringLiteral("127.0.0.1")
                                                                  : host);
    if (address.isNull() || !m_front->listen(address, quint16(port))) {
        m_error = address.isNull() ? QStringLiteral("not an IP address: %1").arg(host)
                                   : m_front->errorString();
        close();
        return false;
    }
    return true;
}

int SimServer::tcpPort() const
{
    if (m_front)
        return m_front->serverPort();
    const auto *qtServer = m_device ? m_device->findChild<QTcpServer *>() : nullptr;
    return qtServer ? qtServer->serverPort() : 0;
}

bool SimServer::openSerial(const QString &device, int baud, int parity, int dataBits, int stopBits)
{
    close();
    auto *rtu = new FrontRtuServer(
        [this](const QModbusPdu &r) { return handleRequest(m_model, m_slaveId, r); }, this);
    rtu->setConnectionParameter(QModbusDevice::SerialPortNameParameter, device);
    rtu->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, baud);
    rtu->setConnectionParameter(QModbusDevice::SerialParityParameter, parity);
    rtu->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, dataBits);
    rtu->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, stopBits);
    return start(rtu);
}

bool SimServer::openBus(const QString &device, bool pty, const LineFraming &framing,
                        const BusTiming &timing)
{
    close();
    bool ok = false;
    if (pty) {
        auto *line = new PtyLine(framing, this);
        ok = line->open(device, &m_error);
        m_line = line;
    } else {
        auto *line = new PortLine(this);
        ok = line->open(device, framing, &m_error);
        m_line = line;
    }
    if (!ok) {
        close();
        return false;
    }
    m_bus = new RtuBus(
        m_line, framing, timing,
        [this](int slave, const QModbusPdu &request, QModbusResponse *answer) {
            return answerOnBus(slave, request, answer);
        },
        this);
    m_error.clear();
    m_tickTimer->start();
    return true;
}

int SimServer::noiseFrames() const
{
    return m_bus ? m_bus->noiseFrames() : 0;
}

int SimServer::idleResets() const
{
    const auto *pty = qobject_cast<const PtyLine *>(m_line);
    return pty ? pty->idleResets() : 0;
}

int SimServer::unheardAnswers() const
{
    return m_bus ? m_bus->unheardAnswers() : 0;
}

bool SimServer::answerOnBus(int slave, const QModbusPdu &request, QModbusResponse *answer)
{
    if (slave == 0) { // a broadcast: every instrument acts on it, none answers
        for (const auto &instrument : m_slaves)
            handleRequest(instrument.second, 0, request);
        return false;
    }
    InstrumentModel *instrument = model(slave);
    if (!instrument)
        return false;
    *answer = handleRequest(instrument, slave, request);
    return answer->isValid();
}

bool SimServer::start(QModbusServer *device)
{
    device->setServerAddress(m_slaveId);
    if (!device->connectDevice() || device->state() != QModbusDevice::ConnectedState) {
        m_error = device->errorString();
        delete device;
        return false;
    }
    m_device = device;
    m_error.clear();
    m_tickTimer->start();
    return true;
}

void SimServer::close()
{
    m_tickTimer->stop();
    for (const QPointer<RelayLink> &link : qAsConst(m_links)) {
        if (link)
            delete link.data();
    }
    m_links.clear();
    delete m_front;
    m_front = nullptr;
    delete m_bus;
    m_bus = nullptr;
    delete m_line;
    m_line = nullptr;
    if (m_device) {
        m_device->disconnectDevice();
        delete m_device;
        m_device = nullptr;
    }
}

QString SimServer::errorString() const
{
    return m_error;
}

QVector<LoggedRequest> SimServer::requestLog() const
{
    QMutexLocker lock(&m_mutex);
    return m_log;
}

void SimServer::clearLog()
{
    QMutexLocker lock(&m_mutex);
    m_log.clear();
}

int SimServer::requestCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_requestCount;
}

void SimServer::acceptClient()
{
    const auto *qtServer = m_device ? m_device->findChild<QTcpServer *>() : nullptr;
    while (QTcpSocket *client = m_front->nextPendingConnection()) {
        auto *link = new RelayLink(client, this);
        if (!qtServer || !link->connectUpstream(qtServer->serverPort())) {
            link->closeNow();
            continue;
        }
        connect(link, &RelayLink::cutRequested, this, &SimServer::closeClients);
        m_links.removeAll(QPointer<RelayLink>());
        m_links.append(link);
    }
}

bool SimServer::adoptUpstream(QTcpSocket *qtSide)
{
    for (const QPointer<RelayLink> &link : qAsConst(m_links)) {
        if (link && link->upstreamLocalPort() == qtSide->peerPort()) {
            // Connected before Qt's own handler, so this runs first on every read.
            QPointer<RelayLink> current = link;
            connect(qtSide, &QTcpSocket::readyRead, this,
                    [this, current] { m_currentLink = current; });
            return true;
        }
    }
    return false; // not one of ours
}

QModbusResponse SimServer::handleRequest(InstrumentModel *model, int slave,
                                         const QModbusPdu &request)
{
    const DecodedRequest decoded = decodeRequest(request);
    LoggedRequest entry;
    entry.slave = slave;
    entry.function = decoded.function;
    entry.address = decoded.address;
    entry.count = decoded.count;
    entry.values = decoded.values;

    FaultOptions faults;
    bool drop = false;
    bool fail = false;
    bool cutShort = false;
    {
        QMutexLocker lock(&m_mutex);
        faults = m_faults;
        // both draws every time, so one seed gives one fault sequence
        drop = m_faultRandom.uniform() < faults.dropRate;
        fail = m_faultRandom.uniform() < faults.exceptionRate;
        // a third draw only where cut frames are asked for, so that the
        // sequences of the other faults stay what they were
        if (faults.cutRate > 0)
            cutShort = m_faultRandom.uniform() < faults.cutRate && !drop && m_front;
    }
    if (faults.delayMs > 0)
        QThread::msleep(ulong(faults.delayMs));

    // An empty response: Qt's RTU slave then sends nothing; on TCP the
    // relay link swallows what Qt writes for it.
    QModbusResponse response;
    if (drop) {
        entry.dropped = true;
    } else if (fail) {
        entry.exception = 4;
        response = exceptionResponse(decoded.function, 4);
    } else {
        response = answerRequest(*model, decoded, &entry.exception);
    }
    entry.cut = cutShort;
    record(entry);

    bool cut = false;
    if (!drop && faults.closeAfter > 0 && m_front) {
        QMutexLocker lock(&m_mutex);
        cut = ++m_answeredSinceClose >= faults.closeAfter;
        if (cut)
            m_answeredSinceClose = 0;
    }
    if (m_currentLink)
        m_currentLink->expectAnswer(MbapHeaderBytes + response.size(), drop, cut, cutShort);
    return response;
}

void SimServer::record(const LoggedRequest &entry)
{
    QMutexLocker lock(&m_mutex);
    ++m_requestCount;
    if (m_log.size() >= MaxLogEntries)
        m_log.remove(0, MaxLogEntries / 10);
    m_log.append(entry);
    if (m_logFile.isOpen()) {
        m_logFile.write(logLine(entry).toUtf8());
        m_logFile.flush();
    }
}

void SimServer::closeClients()
{
    // Runs after the link wrote the Nth answer; the front keeps listening.
    const auto links = m_links;
    m_links.clear();
    for (const QPointer<RelayLink> &link : links) {
        if (link)
            link->closeNow();
    }
}

} // namespace sim
