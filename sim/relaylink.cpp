#include "relaylink.h"

#include <QHostAddress>
#include <QTcpSocket>

#include "faultoptions.h"

namespace sim {

namespace {
constexpr int ConnectTimeoutMs = 2000;
} // namespace

RelayLink::RelayLink(QTcpSocket *client, QObject *parent)
    : QObject(parent), m_client(client), m_upstream(new QTcpSocket(this))
{
    m_client->setParent(this);
    connect(m_client, &QTcpSocket::readyRead, this,
            [this] { m_upstream->write(m_client->readAll()); });
    connect(m_upstream, &QTcpSocket::readyRead, this, &RelayLink::forwardAnswers);
    connect(m_client, &QTcpSocket::disconnected, this, &RelayLink::closeNow);
    connect(m_upstream, &QTcpSocket::disconnected, this, &RelayLink::closeNow);
}

bool RelayLink::connectUpstream(quint16 port)
{
    m_upstream->connectToHost(QHostAddress::LocalHost, port);
    return m_upstream->waitForConnected(ConnectTimeoutMs);
}

quint16 RelayLink::upstreamLocalPort() const
{
    return m_upstream->localPort();
}

void RelayLink::expectAnswer(int bytes, bool drop, bool cutAfter, bool shortened)
{
    m_expected.enqueue(Expected{bytes, drop, cutAfter, shortened});
}

void RelayLink::closeNow()
{
    if (m_closed)
        return;
    m_closed = true;
    // the last answer must still reach the client before the cut
    m_client->flush();
    m_client->abort();
    m_upstream->abort();
    deleteLater();
}

void RelayLink::forwardAnswers()
{
    m_pending.append(m_upstream->readAll());
    while (!m_closed && !m_expected.isEmpty() && m_pending.size() >= m_expected.head().bytes) {
        const Expected next = m_expected.dequeue();
        if (!next.drop)
            m_client->write(m_pending.constData(),
                            next.shortened ? qMax(0, next.bytes - CutFrameBytes) : next.bytes);
        m_pending.remove(0, next.bytes);
        if (next.cutAfter)
            emit cutRequested();
    }
    // Bytes nobody announced cannot be a dropped answer: pass them on.
    if (!m_closed && m_expected.isEmpty() && !m_pending.isEmpty()) {
        m_client->write(m_pending);
        m_pending.clear();
    }
}

} // namespace sim
