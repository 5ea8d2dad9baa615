#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// What a bus scan is to try: one serial port at several framings, or a range
// of TCP addresses, each at a set of slave ids.

// One framing of a serial line; parity as QSerialPort::Parity (0 none, 2 even,
// 3 odd).
struct ScanFraming
{
    int baud = 9600;
    int parity = 0;
    int dataBits = 8;
    int stopBits = 1;
};

struct ScanPlan
{
    int connectType = 0; // 0 Modbus RTU, 1 Modbus TCP
    QString serialPort;
    QVector<ScanFraming> framings; // RTU: tried in this order
    QStringList hosts;             // TCP
    int tcpPort = 502;
    QVector<int> slaves; // tried at every framing or host, in this order
    // The least turnaround a serial address is given beyond its wire time,
    // until a slower instrument answered; raise it for instruments known to
    // take longer.
    int turnaroundFloorMs = 8;
};

// The lists a scan tries when the user names none.
QVector<int> DefaultScanBauds();
QVector<int> DefaultScanParities();
QVector<int> DefaultScanSlaves();

// "1-99", "3,47,99", "1-10,20": the instrument's ids (1 to 99), each once, in the order given.
// False (and *error says why) for anything else.
bool ParseSlaveList(const QString &text, QVector<int> *ids, QString *error);
// "9600,19200": positive numbers.
bool ParseBaudList(const QString &text, QVector<int> *bauds, QString *error);
// "none,even,odd" (or n, e, o).
bool ParseParityList(const QString &text, QVector<int> *parities, QString *error);
// "127.0.0.1-127.0.0.20" or "127.0.0.1-20" (IPv4, last address included, at
// most 1024), or one address or host name.
bool ParseHostRange(const QString &text, QStringList *hosts, QString *error);
// Every baud rate at every parity, 8 data bits, 1 stop bit.
QVector<ScanFraming> ScanFramings(const QVector<int> &bauds, const QVector<int> &parities);

// "19200 8E1".
QString FramingText(const ScanFraming &f);
// "none", "even", "odd".
QString ParityName(int parity);
