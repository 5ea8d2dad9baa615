#pragma once

#include "linkstats.h"
#include <QByteArray>
#include <QModbusClient>
#include <QModbusDataUnit>
#include <QModbusPdu>
#include <QPointer>
#include <map>
#include <memory>

class QModbusReply;

// The reply property naming why an answer was malformed (a MalformedKind), for
// the failures only the framing sees: another unit, a cut frame, a stream out of
// step.
constexpr char MalformedProperty[] = "zeltMalformed";
// The reply property set (true) on a request failed because its stream was
// dropped out of step: no answer to it was read, through no doing of the peer's
// own answer to it.
constexpr char StreamDroppedProperty[] = "zeltStreamDropped";
class QTcpSocket;

// Modbus TCP with the whole MBAP header checked. Qt's own TCP client pairs an
// answer with its request by transaction id alone and never looks at the unit
// id, so an answer from another unit on a gateway would be taken as data; it
// also trusts the header's length, so stray bytes leave it waiting for a frame
// that never ends. Here every answer must carry the transaction id, protocol id
// 0, a length that fits one PDU and the unit id it was asked of; the PDU itself
// is decoded by Qt (QModbusClient::processResponse), the replies are Qt's.
//
// A stream that is out of step (a header no instrument sends, a frame that stops
// halfway, an answer to no request in flight: late, or under another
// transaction id) is dropped and the connection opened again at once: the client stays
// in the connected state meanwhile, requests made then wait for the new
// connection, and only a peer that refuses it ends the link.
//
// The client's timeout runs for each try until the whole answer is in;
// numberOfRetries() tries are repeated on the same transaction id.
class MbapTcpClient : public QModbusClient
{
    Q_OBJECT

public:
    explicit MbapTcpClient(QObject *parent = nullptr);
    ~MbapTcpClient() override;

    // The same requests (and function codes) as QModbusClient's sendReadRequest
    // and sendWriteRequest, which on this client return null: callers go
    // through these. Null when the link is not up or the unit cannot be asked.
    QModbusReply *sendRead(const QModbusDataUnit &read, int serverAddress);
    QModbusReply *sendWrite(const QModbusDataUnit &write, int serverAddress);

    // Streams dropped and reopened because they were out of step.
    int resyncs() const { return m_resyncs; }

signals:
    // A stream was dropped for being out of step; why says what was seen.
    void resynced(const QString &why);

protected:
    bool open() override;
    void close() override;

private:
    struct Pending
    {
        QPointer<QModbusReply> reply;
        QModbusDataUnit unit;
        QByteArray adu;
        int server = 0;
        int retriesLeft = 0;
        int timerId = 0; // the try's timeout, a timer of this object
    };

    void timerEvent(QTimerEvent *event) override;
    void stopTimer(Pending *p);
    // pdu: function code and data; empty when the request cannot be made.
    QModbusReply *enqueue(const QByteArray &pdu, const QModbusDataUnit &unit, int server);
    void writeAdu(const QByteArray &adu);
    void readAnswers();
    void answer(quint16 tid, int unit, const QModbusResponse &response);
    void expire(quint16 tid);
    void resync(const QString &why, MalformedKind kind);
    void failAll(QModbusDevice::Error error, const QString &text, int malformed = -1);
    void socketUp();
    void socketDown();
    void socketError();

    QTcpSocket *m_socket;
    QByteArray m_buffer;
    std::map<quint16, Pending> m_pending;
    quint16 m_nextTid = 0;
    // The transactions answered last: a second answer to one of them is a
    // retry's duplicate, not a stream out of step.
    QVector<quint16> m_answered;
    bool m_resyncing = false;
    int m_resyncs = 0;
};
