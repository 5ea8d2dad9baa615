#pragma once

#include "linksettings.h"
#include "linkwords.h"
#include "modbusconnection.h"

#include <QModbusDataUnit>
#include <QVector>

class QModbusClient;
class QObject;

// Set by the main window while it tears the link down or rebuilds it. Setting
// it wakes every request that is waiting, so a read gives up at once.
class LinkStopFlag
{
public:
    LinkStopFlag &operator=(quint8 value);
    operator quint8() const { return m_value; }

private:
    quint8 m_value = 0;
};

extern QModbusClient *gp_ModbusDevice;
extern quint32 gu32_SlaveId;
extern quint32 gu32_DwordFormat;
extern quint32 gu32_ConnectType;
extern LinkStopFlag gu8_LinkStop;
extern LinkSettings gsrt_LinkPara;
extern LinkSettings gsrt_NewLinkPara;

// Accessors of the request slave id and word order: mode 0 returns the value,
// mode 1 stores it and returns 0, any other mode does nothing and returns 0.
quint32 SlaveIdAccess(quint32 value, int mode);
quint32 DwordFormatAccess(quint32 value, int mode);

ModbusResult ModbusRead(QModbusClient *client, const LinkSettings &request,
                        QModbusDataUnit::RegisterType type, quint16 *values);
ModbusResult ModbusWrite(QModbusClient *client, const LinkSettings &request,
                         QModbusDataUnit::RegisterType type, const quint16 *values);
ModbusResult ReadHoldingRegisters(QModbusClient *client, LinkSettings request, quint16 *values);
ModbusResult ReadCoils(QModbusClient *client, LinkSettings request, quint16 *values);
ModbusResult WriteHoldingRegisters(QModbusClient *client, LinkSettings request,
                                   const quint16 *values);

// Waits at least ms milliseconds while the event loop keeps running.
void WaitMs(int ms);

// Creates the client when there is none, sets its connection parameters,
// timeout and retries from s and asks it to connect. Returns what
// connectDevice() returned (true also when it was connected already).
bool SetupModbusClient(const LinkSettings &s, QObject *parent);

// Reads and writes that timed out in a row; a framed answer ends the run.
int ConsecutiveTimeouts();

// Whether a request on the program-wide link first opens it again when the
// instrument closed it (off by default: the window's link check does that). At
// most one attempt per request, and none once ReopenAfterTimeouts requests in a
// row went unanswered, so a peer that closes every time is not retried for ever.
void SetReopenClosedLink(bool reopen);
// Requests on the program-wide link in a row that got no answer (timed out, a
// frame cut short, a stream dropped out of step, lost with the link); an answer
// of the instrument's own, even a refusal, ends the run. Unlike
// ConsecutiveTimeouts() a reopen does not clear it.
int UnansweredInARow();
// Of those, the requests never sent because the link could not be opened again.
int UnsentInARow();

// 0 when the client is connected and in step. Otherwise 1, after one attempt to
// open the link again: an unconnected client (TCP or serial) is reconnected, a
// connected one whose last ReopenAfterTimeouts requests timed out (or whose read
// outlived its budget, a frame cut short) is closed and reopened; a client that
// is still connecting is left to finish.
int CheckLink();

// Disconnects and deletes the client.
void DisconnectModbus();
// The program-wide link (gp_ModbusDevice is its client), or null.
ModbusConnection *ProgramLink();
// Whether the program-wide link was set up with owner as its parent.
bool ProgramLinkOwnedBy(const QObject *owner);
