#pragma once

#include <QByteArray>
#include <QObject>
#include <QQueue>

class QTcpSocket;

namespace sim {

// One client connection, passed byte for byte to Qt's Modbus server on an
// internal loopback port. Qt frames every answer; the link only needs to
// know how long each answer is, so it can swallow a dropped one or close
// the connection right after a given one.
class RelayLink : public QObject
{
    Q_OBJECT

public:
    RelayLink(QTcpSocket *client, QObject *parent = nullptr);

    // Connects to Qt's server; blocking is fine, it is loopback.
    bool connectUpstream(quint16 port);
    quint16 upstreamLocalPort() const;

    // Called while Qt builds the next answer on this link, before it writes it.
    // A shortened answer goes out without its last CutFrameBytes bytes.
    void expectAnswer(int bytes, bool drop, bool cutAfter, bool shortened = false);
    void closeNow();

signals:
    void cutRequested();

private:
    void forwardAnswers();

    struct Expected
    {
        int bytes;
        bool drop;
        bool cutAfter;
        bool shortened;
    };

    QTcpSocket *m_client;
    QTcpSocket *m_upstream;
    QByteArray m_pending;
    QQueue<Expected> m_expected;
    bool m_closed = false;
};

} // namespace sim
