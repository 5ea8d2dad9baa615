#pragma once

#include <QString>
#include <QtGlobal>

// The link settings of the connection window and, with the same fields, the
// descriptor of one register request.
struct LinkSettings
{
    qint32 parity = 2; // QSerialPort::Parity: 0 none, 2 even, 3 odd
    qint32 baud = 38400;
    qint32 dataBits = 8;
    qint32 stopBits = 1;
    qint32 responseTime = 1000; // wait budget of a write, in ms
    qint32 numberOfRetries = 0;
    qint32 slaveId = 1;
    qint32 dwordFormat = 0; // 0 "AB-CD", 1 "CD-AB"
    qint32 startAddress = 0;
    qint32 connectType = 0; // 0 Modbus RTU, 1 Modbus TCP
    QString EditIP;
    QString EditPort;
    quint16 count = 0;
    QString SerialNum;
};

// Result of every register call.
enum ModbusResult : int {
    ModbusOk = 0,
    ModbusTimeout = 1,
    ModbusProtocolError = 2,
    ModbusNoLink = 3,
    // An answer that does not answer the request (cut short, a byte count that
    // lies, another function, start or unit): never taken as data.
    ModbusMalformed = 4,
    // Never sent: the service record could not keep the write's intent.
    ModbusNotRecorded = 5,
    // A calibration write the link delivered and the instrument refused: its
    // error word holds a calibration error bit (LastCalibrationVerdict()).
    ModbusCalibrationRefused = 6,
    // A calibration write the link delivered whose verdict could not be read:
    // the instrument may or may not have taken it.
    ModbusCalibrationUnknown = 7,
};

// The instrument's slave id rule, shared by every window that takes one: 1 to 99.
// 0 would be a broadcast, which no instrument answers.
constexpr int MinSlaveId = 1;
constexpr int MaxSlaveId = 99;
constexpr bool IsValidSlaveId(int id)
{
    return id >= MinSlaveId && id <= MaxSlaveId;
}
// A stored id outside the rule falls back to 1.
constexpr int SlaveIdOrDefault(int id)
{
    return IsValidSlaveId(id) ? id : MinSlaveId;
}
