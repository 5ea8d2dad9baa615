#pragma once

#include "linksettings.h"

#include <QModbusClient>
#include <QModbusDataUnit>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVector>
#include <functional>

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
ModbusResult EvaluateWriteReply(const QModbusReply &reply, int start);
// Requests to a slave id outside the rule are never sent (0 is a broadcast
// that no instrument answers).
bool RefusedSlaveId(int slaveId);

// A short text for a result: "ok", "no reply (timeout)", "refused by the instrument", "link lost".
QString ModbusResultText(ModbusResult result);

// The link to one instrument: its own client, slave id and word order. Requests
// report through callbacks on the event loop, so many instruments can be worked
// side by side on one thread, each waiting only on its own replies.
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

    // One parameter of one or two registers, in the word order of its address.
    void readParam(int address, int count, const ParamDone &done);
    void writeParam(int address, int count, quint32 value, const WriteDone &done);

signals:
    void opened(bool ok);

private:
    void read(QModbusDataUnit::RegisterType type, int address, int count, const ReadDone &done);
    void finishOpen(bool ok);
    void budgetSpent();

    LinkSettings m_settings;
    QPointer<QModbusClient> m_client;
    QTimer m_connectTimer;
    bool m_opening = false;
    QString m_error;
};
