#pragma once

#include "linksettings.h"
#include "linkstats.h"

#include <QModbusClient>
#include <QModbusDataUnit>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVector>
#include <functional>
#include <memory>

class QModbusReply;

// Makes the Modbus client a link setting asks for (TCP when connectType is 1,
// RTU otherwise) and configures it.
QModbusClient *CreateModbusClient(const LinkSettings &s, QObject *parent);
// Gives a client the connection parameters of s, the response timeout (1000 ms
// above 2400 bit/s, 2000 ms at or below) and the retries.
void ConfigureModbusClient(QModbusClient *client, const LinkSettings &s);

// How long a read may take in all: the client's timeout for every try, plus a
// grace so that a silent instrument is still reported by the client itself.
// The budget catches replies the client stopped timing (a frame cut short
// after its header).
int ReadBudgetMs(const QModbusClient *client);

// A finished read: the values when the answer is the one asked for. An answer
// with another register count (a short reply, a byte count that lies), another
// function code or another start is a failure and leaves values untouched.
ModbusResult EvaluateReadReply(const QModbusReply &reply, QModbusDataUnit::RegisterType type,
                               int start, int count, quint16 *values);
// A finished write: Ok only for a write answer at the start asked for.
// Answers that are not what was asked are ModbusMalformed; ModbusProtocolError
// is kept for the instrument's exception answers.
ModbusResult EvaluateWriteReply(const QModbusReply &reply, int start);
// Requests to a slave id outside the rule are never sent (0 is a broadcast
// that no instrument answers).
bool RefusedSlaveId(int slaveId);

// What a reply that did not finish well stands for: an exception answer is the
// instrument's refusal (ModbusProtocolError), anything else ModbusMalformed.
ModbusResult FailedReplyResult(const QModbusReply &reply);
// The exception code of an exception answer, or 0.
int ExceptionCodeOf(const QModbusReply &reply);
// Why a reply that came to ModbusMalformed was not taken (for a request of
// function, start and count).
MalformedKind MalformedKindOf(const QModbusReply &reply, int function, int start, int count);
// The function code a request of this kind goes out with.
int RequestFunction(QModbusDataUnit::RegisterType type, bool write, int count);

// A short text for a result: "ok", "no reply (timeout)", "refused by the
// instrument" (with the exception's name when its code is given), "malformed
// reply", "link lost".
QString ModbusResultText(ModbusResult result, int exceptionCode = 0);

// After this many timeouts in a row a link counts as out of step.
constexpr int ReopenAfterTimeouts = 3;

// The link to one instrument: its own client, slave id and word order. Requests
// report through callbacks on the event loop, so many instruments can be worked
// side by side on one thread, each waiting only on its own replies. The
// program-wide link of the window is one of these too; its blocking calls wait
// on the same requests.
class ModbusConnection : public QObject
{
    Q_OBJECT

public:
    using ReadDone = std::function<void(ModbusResult, const QVector<quint16> &)>;
    using WriteDone = std::function<void(ModbusResult)>;
    using ParamDone = std::function<void(ModbusResult, quint32)>;

    explicit ModbusConnection(const LinkSettings &settings, QObject *parent = nullptr);
    ~ModbusConnection() override;

    const LinkSettings &settings() const { return m_settings; }
    // New connection parameters, timeout and retries for the client (taken at
    // its next connect).
    void setSettings(const LinkSettings &settings);
    QModbusClient *client() const { return m_client; }
    // A name for messages: "host:port" or the serial device.
    QString peerName() const;

    // Overrides the client's response timeout (ms) chosen from the baud rate.
    void setResponseTimeout(int ms);

    // Connects; opened() follows once the link is up, or with false when it
    // failed or was not up within connectTimeoutMs.
    void open(int connectTimeoutMs);
    bool isOpen() const;
    void close();
    // The client's last error text ("Connection refused"), or empty.
    QString errorString() const { return m_error; }

    // Holding registers or coils. A request on a closed link reports NoLink at
    // once (from the event loop, never from inside the call).
    void readRegisters(int address, int count, const ReadDone &done);
    void readCoils(int address, int count, const ReadDone &done);
    void writeRegisters(int address, const QVector<quint16> &values, const WriteDone &done);

    // One request to any slave id with its own budget (ms). done is called once,
    // from the event loop (never from inside the call), unless the connection
    // is destroyed first. A budget as long as the client's own timing of every
    // try that still runs out means a reply cut short after its header: the
    // stream is out of step.
    void sendRead(QModbusDataUnit::RegisterType type, int address, int count, int slaveId,
                  int budgetMs, const ReadDone &done);
    void sendWrite(QModbusDataUnit::RegisterType type, int address, const QVector<quint16> &values,
                   int slaveId, int budgetMs, const WriteDone &done);

    // Requests that timed out in a row; a framed answer (even a refusal) ends
    // the run, a link that goes down leaves it as it is.
    int timeoutsInARow() const { return m_timeouts; }
    bool outOfStep() const { return m_timeouts >= ReopenAfterTimeouts; }
    void resetTimeouts() { m_timeouts = 0; }
    // Whether the last request that ended got no answer through no fault of an
    // answer of the peer's: silence, a frame cut short, a stream dropped out of
    // step, the link lost or never up. An answer, even a refusal or one that
    // does not fit the request, is the peer's own.
    bool lastFailedOnLink() const { return m_lastFailedOnLink; }
    // The exception code of the last answer that was an exception, until the
    // next framed answer; 0 otherwise.
    int lastExceptionCode() const { return m_lastException; }
    // Whether an out-of-step link closes at once (the default: nothing more on
    // it can be trusted) or stays up for its owner to reopen.
    void setCloseWhenOutOfStep(bool close) { m_closeWhenOutOfStep = close; }
    // Requests sent and not yet finished with (answered, refused, timed out or
    // aborted); 0 once the link is idle.
    int requestsInFlight() const { return *m_inFlight; }

    // What the link did: counts by outcome, response times, the traffic.
    LinkStats &stats() { return m_stats; }
    const LinkStats &stats() const { return m_stats; }
    // Whether requests are counted at all (on unless a benchmark compares).
    void setStatsEnabled(bool on) { m_statsEnabled = on; }
    // Counts a reopening its owner made.
    void noteReconnect(ReconnectReason reason) { m_stats.noteReconnect(reason); }

    // One parameter of one or two registers, in the word order of its address.
    void readParam(int address, int count, const ParamDone &done);
    void writeParam(int address, int count, quint32 value, const WriteDone &done);

signals:
    void opened(bool ok);

private:
    struct ReplyWait;
    void awaitReply(QModbusReply *reply, int budgetMs, std::function<void(QModbusReply *)> done);
    void endWait(const std::shared_ptr<ReplyWait> &wait, bool finished);
    void budgetsDue();
    bool maySend(int slaveId) const;
    int fullBudget() const;
    void finishOpen(bool ok);
    void countResult(ModbusResult result, const QModbusReply *reply);
    void budgetSpent(int budgetMs);
    void countRequest(const QModbusReply *reply, ModbusResult result, bool write,
                      const QModbusDataUnit &unit, int slaveId, qint64 sentAt, double ms);

    LinkSettings m_settings;
    QPointer<QModbusClient> m_client;
    QTimer m_connectTimer;
    bool m_opening = false;
    bool m_closeWhenOutOfStep = true;
    int m_timeouts = 0;
    int m_lastException = 0;
    bool m_lastFailedOnLink = false;
    bool m_closing = false;
    bool m_wasUp = false;
    bool m_statsEnabled = true;
    LinkStats m_stats;
    // Shared with the state each request keeps, which may be freed after the
    // connection itself.
    std::shared_ptr<int> m_inFlight = std::make_shared<int>(0);
    QString m_error;
    QTimer m_budgetTimer;
    QVector<std::shared_ptr<ReplyWait>> m_waits; // in the order sent
};
