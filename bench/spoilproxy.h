#pragma once

// A Modbus TCP proxy that passes a real instrument's answers through and spoils
// them on demand: garbage instead of the answer, a megabyte of random bytes,
// the answer of another unit with every register 0x7777, a frame cut short,
// silence, a closed connection (an instrument restart), an answer held past the
// timeout, another transaction id or a length too big. The program talks to
// the proxy as to the instrument. Loopback only.
#include <QHostAddress>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>

namespace bench {

enum class Spoil {
    None,
    Garbage,
    RandomMegabyte,
    OtherUnit,
    CutFrame,
    Silent,
    Close,
    Late,       // each answer held past the client's timeout, then sent
    OtherTid,   // each answer under another transaction id
    HugeLength, // an MBAP length of 0xFFFF in front of each answer
};
// How long a late answer is held: past the 1000 ms client timeout.
constexpr int LateAnswerMs = 1500;

class SpoilProxy : public QObject
{
public:
    explicit SpoilProxy(quint16 upstreamPort) : m_upstreamPort(upstreamPort)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return m_server.serverPort(); }
    void setSpoil(Spoil s) { m_spoil = s; }

private:
    void accept()
    {
        while (QTcpSocket *client = m_server.nextPendingConnection()) {
            auto *upstream = new QTcpSocket(client);
            upstream->connectToHost(QHostAddress::LocalHost, m_upstreamPort);
            auto *buffer = new QByteArray;
            QObject::connect(client, &QObject::destroyed, [buffer] { delete buffer; });
            QObject::connect(client, &QTcpSocket::readyRead, upstream,
                             [client, upstream] { upstream->write(client->readAll()); });
            QObject::connect(upstream, &QTcpSocket::readyRead, client,
                             [this, client, upstream, buffer] {
                                 *buffer += upstream->readAll();
                                 forward(client, buffer);
                             });
            QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::abort);
        }
    }

    void forward(QTcpSocket *client, QByteArray *in)
    {
        while (in->size() >= 7) {
            const int length = (quint8((*in)[4]) << 8) | quint8((*in)[5]);
            if (in->size() < 6 + length)
                return;
            QByteArray frame = in->left(6 + length);
            in->remove(0, 6 + length);
            switch (m_spoil) {
            case Spoil::None:
                break;
            case Spoil::Garbage:
                frame = QByteArray("\x13\x37\xde\xad\xbe\xef\x00\x00\x00\x00\x55\xaa\x55\xaa"
                                   "\x01\x02\x03\x04\x05\x06",
                                   20);
                break;
            case Spoil::RandomMegabyte:
                frame.resize(1 << 20);
                for (int i = 0; i < frame.size(); ++i)
                    frame[i] = char(QRandomGenerator::global()->bounded(256));
                break;
            case Spoil::OtherUnit:
                frame[6] = char(quint8(frame[6]) + 1);
                if (frame.size() > 9 && (frame[7] == char(3) || frame[7] == char(4))) {
                    for (int i = 9; i < frame.size(); ++i)
                        frame[i] = char(0x77);
                }
                break;
            case Spoil::CutFrame:
                frame.chop(3);
                break;
            case Spoil::Silent:
                continue;
            case Spoil::Close:
                client->abort();
                return;
            case Spoil::Late: {
                const QPointer<QTcpSocket> target(client);
                QTimer::singleShot(LateAnswerMs, this, [target, frame] {
                    if (target)
                        target->write(frame);
                });
                continue;
            }
            case Spoil::OtherTid:
                frame[0] = char(quint8(frame[0]) ^ 0x5A);
                break;
            case Spoil::HugeLength:
                frame[4] = char(0xFF);
                frame[5] = char(0xFF);
                break;
            }
            client->write(frame);
        }
    }

    QTcpServer m_server;
    quint16 m_upstreamPort;
    Spoil m_spoil = Spoil::None;
};

} // namespace bench
