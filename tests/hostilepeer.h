#pragma once

// A Modbus TCP peer that misbehaves on demand, written on a raw QTcpServer so
// that every byte it sends is the test's choice: frames cut short, an MBAP
// length of 0xFFFF or too short for a function code, fewer registers than
// asked, a byte count that lies, garbage, another unit id or function code,
// silence, long delays, answers in pieces, a closed connection, answers in an
// order of the test's own.
// When well behaved it answers every read with register a = 3a + 1 and every
// coil with a % 2, and echoes writes. It lives on the test's thread; the
// program's waits run its sockets.
#include <QByteArray>
#include <QDataStream>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

namespace hostile {

enum class Answer {
    Good,
    CutFrame,       // the frame without its last three bytes
    HugeLength,     // an MBAP length of 0xFFFF in front of a good PDU
    FewerRegisters, // one register less than asked, byte count and length agreeing
    LyingByteCount, // the byte count claims every register, two are missing
    GarbageOnce,    // three stray bytes before the next answer, then Good again
    Silent,         // the request is taken and never answered
    OtherUnit,      // a good answer from unit id + 1
    OtherFunction,  // a read answered as input registers (function 4)
    Delayed,        // a good answer after delayMs
    Close,          // the connection is closed instead of an answer
    CloseOnce,      // as Close, then Good again
    LengthZero,     // a header alone whose length is 0
    LengthOne,      // a header alone whose length counts the unit id only
    OtherTid,       // a good answer under a transaction id never asked
    ByteCountShort, // the byte count one short of the bytes that came (a byte after the values)
    ByteCountLong,  // the byte count one long (the values' last byte missing)
};

inline quint16 registerValue(int address)
{
    return quint16(3 * address + 1);
}

class Peer : public QObject
{
public:
    Peer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    ~Peer() override
    {
        for (QTcpSocket *s : m_server.findChildren<QTcpSocket *>()) {
            s->disconnect(this);
            delete s;
        }
    }
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    // Called as each request comes in, before it is answered.
    std::function<void()> onRequest;
    // When set and true for a request frame: *pdu is sent as the answer instead.
    std::function<bool(const QByteArray &request, QByteArray *pdu)> answerWith;

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    int port() const { return m_server.serverPort(); }

    void setAnswer(Answer a) { m_answer = a; }
    // Reads that touch registers first .. last are refused with exception 2
    // (illegal data address), as by an instrument without them.
    void refuseReads(int first, int last)
    {
        m_refusedFirst = first;
        m_refusedLast = last;
    }
    Answer answer() const { return m_answer; }
    void setDelayMs(int ms) { m_delayMs = ms; }
    // Each answer written in pieces, cut before these byte positions, pauseMs
    // apart: a peer whose frames reach the program a few bytes at a time.
    void setPieces(const QVector<int> &cuts, int pauseMs)
    {
        m_cuts = cuts;
        m_pauseMs = pauseMs;
    }
    // When set, it answers each request instead: the frames it returns are sent
    // at once, in order (none: silence). goodAnswer() makes a well-behaved one.
    std::function<QVector<QByteArray>(const QByteArray &request)> script;
    static QByteArray goodAnswer(const QByteArray &request)
    {
        return frame(request, quint8(request[6]), goodPdu(request));
    }

    // When set: how long the answer to this request is held, in ms.
    std::function<int(const QByteArray &request)> delayFor;
    int connections() const { return m_connections; }
    int requests() const { return m_requests; }
    // New connections are refused from now on, as by an instrument switched off
    // (the one open is left to the answers).
    void stopListening() { m_server.close(); }
    // Drops every client, as an instrument restart would.
    void dropClients()
    {
        for (QTcpSocket *s : m_server.findChildren<QTcpSocket *>())
            s->abort();
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connections;
            QObject::connect(socket, &QTcpSocket::readyRead, this,
                             [this, socket] { take(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    }

    void take(QTcpSocket *socket)
    {
        QByteArray &in = m_buffers[socket];
        in += socket->readAll();
        while (in.size() >= 8) {
            const int length = (quint8(in[4]) << 8) | quint8(in[5]);
            if (in.size() < 6 + length)
                return;
            const QByteArray frame = in.left(6 + length);
            in.remove(0, 6 + length);
            ++m_requests;
            if (onRequest)
                onRequest();
            answer(socket, frame);
        }
    }

    static QByteArray word(int v)
    {
        QByteArray b;
        b.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF));
        return b;
    }

    // The PDU a well-behaved instrument answers with.
    static QByteArray goodPdu(const QByteArray &request, int registersLess = 0)
    {
        const int function = quint8(request[7]);
        const int address = (quint8(request[8]) << 8) | quint8(request[9]);
        const int count = (quint8(request[10]) << 8) | quint8(request[11]);
        QByteArray pdu;
        pdu.append(char(function));
        if (function == 3 || function == 4) {
            const int n = count - registersLess;
            pdu.append(char(2 * n));
            for (int i = 0; i < n; ++i)
                pdu += word(registerValue(address + i));
        } else if (function == 1 || function == 2) {
            const int bytes = (count + 7) / 8;
            pdu.append(char(bytes));
            for (int b = 0; b < bytes; ++b) {
                int bits = 0;
                for (int i = 0; i < 8 && 8 * b + i < count; ++i)
                    bits |= ((address + 8 * b + i) % 2) << i;
                pdu.append(char(bits));
            }
        } else {
            pdu += request.mid(8, 4); // writes: address and count or value echoed
        }
        return pdu;
    }

    static QByteArray frame(const QByteArray &request, int unit, const QByteArray &pdu,
                            int length = -1)
    {
        QByteArray out = request.left(4);
        out += word(length >= 0 ? length : pdu.size() + 1);
        out.append(char(unit));
        return out + pdu;
    }

    bool refused(const QByteArray &request) const
    {
        const int address = (quint8(request[8]) << 8) | quint8(request[9]);
        const int count = (quint8(request[10]) << 8) | quint8(request[11]);
        return quint8(request[7]) == 3 && address <= m_refusedLast &&
               address + count - 1 >= m_refusedFirst;
    }

    void answer(QTcpSocket *socket, const QByteArray &request)
    {
        if (script) {
            QByteArray out;
            for (const QByteArray &f : script(request))
                out += f;
            if (!out.isEmpty())
                send(socket, out, 0);
            return;
        }
        const int unit = quint8(request[6]);
        const int delayMs = delayFor                      ? delayFor(request)
                            : m_answer == Answer::Delayed ? m_delayMs
                                                          : 0;
        if (refused(request)) {
            send(socket, frame(request, unit, QByteArray("\x83\x02", 2)), delayMs);
            return;
        }
        QByteArray out;
        QByteArray chosen;
        if (answerWith && answerWith(request, &chosen)) {
            send(socket, frame(request, unit, chosen), delayMs);
            return;
        }
        switch (m_answer) {
        case Answer::Good:
        case Answer::Delayed:
            out = frame(request, unit, goodPdu(request));
            break;
        case Answer::CutFrame:
            out = frame(request, unit, goodPdu(request));
            out.chop(3);
            break;
        case Answer::HugeLength:
            out = frame(request, unit, goodPdu(request), 0xFFFF);
            break;
        case Answer::FewerRegisters:
            out = frame(request, unit, goodPdu(request, 1));
            break;
        case Answer::LyingByteCount: {
            QByteArray pdu = goodPdu(request, 2);
            if (pdu.size() > 1 && (pdu.at(0) == char(3) || pdu.at(0) == char(4)))
                pdu[1] = char(quint8(pdu[1]) + 4);
            out = frame(request, unit, pdu);
            break;
        }
        case Answer::GarbageOnce:
            out = QByteArray("\x5a\xa5\x01", 3) + frame(request, unit, goodPdu(request));
            m_answer = Answer::Good;
            break;
        case Answer::Silent:
            return;
        case Answer::CloseOnce:
            m_answer = Answer::Good;
            Q_FALLTHROUGH();
        case Answer::Close:
            // Later, from the event loop: take() still reads this socket's buffer.
            QTimer::singleShot(0, socket, [socket] { socket->abort(); });
            return;
        case Answer::OtherUnit:
            out = frame(request, unit + 1, goodPdu(request));
            break;
        case Answer::ByteCountShort:
        case Answer::ByteCountLong: {
            // The byte count stays the one of the registers asked; the MBAP
            // length is that of the bytes sent.
            QByteArray pdu = goodPdu(request);
            if (pdu.at(0) == char(3) || pdu.at(0) == char(4)) {
                if (m_answer == Answer::ByteCountShort)
                    pdu.append(char(0));
                else
                    pdu.chop(1);
            }
            out = frame(request, unit, pdu);
            break;
        }
        case Answer::OtherTid:
            out = frame(request, unit, goodPdu(request));
            out[0] = char(quint8(out[0]) ^ 0x5A);
            break;
        case Answer::OtherFunction: {
            QByteArray pdu = goodPdu(request);
            if (pdu.at(0) == char(3))
                pdu[0] = char(4);
            out = frame(request, unit, pdu);
            break;
        }
        case Answer::LengthZero:
            out = frame(request, unit, QByteArray(), 0);
            break;
        case Answer::LengthOne:
            out = frame(request, unit, QByteArray(), 1);
            break;
        }
        send(socket, out, delayMs);
    }

    void send(QTcpSocket *socket, const QByteArray &out, int delayMs)
    {
        if (delayMs <= 0 && m_cuts.isEmpty()) {
            socket->write(out);
            return;
        }
        QVector<QByteArray> pieces;
        int from = 0;
        for (int cut : m_cuts + QVector<int>{out.size()}) {
            if (cut > from && cut <= out.size()) {
                pieces << out.mid(from, cut - from);
                from = cut;
            }
        }
        // Small writes leave one by one, not gathered into one segment.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        sendPieces(socket, pieces, delayMs);
    }

    // Each piece leaves on its own, the next one a pause after it.
    void sendPieces(const QPointer<QTcpSocket> &target, const QVector<QByteArray> &pieces,
                    int delayMs)
    {
        QTimer::singleShot(qMax(0, delayMs), this, [this, target, pieces] {
            if (!target)
                return;
            target->write(pieces.first());
            target->flush();
            if (pieces.size() > 1)
                sendPieces(target, pieces.mid(1), m_pauseMs);
        });
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    Answer m_answer = Answer::Good;
    int m_delayMs = 0;
    QVector<int> m_cuts;
    int m_pauseMs = 0;
    int m_refusedFirst = -1;
    int m_refusedLast = -2;
    int m_connections = 0;
    int m_requests = 0;
};

// Ends the test program with a message when a wait has not ended after ms: a
// hang (a wait loop spinning without running timers) cannot be caught otherwise.
class Watchdog
{
public:
    Watchdog(int ms, const char *what)
        : m_thread([this, ms, what] {
              for (int waited = 0; waited < ms && !m_done; waited += 10)
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              if (!m_done) {
                  std::fprintf(stderr, "FAIL: %s did not end within %d ms\n", what, ms);
                  std::_Exit(3);
              }
          })
    {}
    ~Watchdog()
    {
        m_done = true;
        m_thread.join();
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

} // namespace hostile
