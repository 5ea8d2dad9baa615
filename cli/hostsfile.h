#pragma once

#include "linksettings.h"

#include <QString>
#include <QVector>

// One instrument of a hosts file: a TCP host, or a slave id on a serial line.
struct FleetHost
{
    QString host; // TCP host, or the serial device
    int port = 502;
    bool serial = false;
    int baud = 38400;
    int parity = 0; // as LinkSettings: 0 none, 2 even, 3 odd
    int dataBits = 8;
    int stopBits = 1;
    int slaveId = 0; // serial: the instrument's id on its line; 0: the --slave given

    // "host:port", or "DEVICE slave ID".
    QString name() const;
    // The link to this instrument: base with the host's own fields.
    LinkSettings link(const LinkSettings &base) const;
};

// Reads a hosts file: one instrument a line, either
//   HOST[:PORT]                      a TCP instrument (port 502)
//   DEVICE BAUD FRAMING SLAVE        one on a serial line, e.g. /dev/ttyUSB0 38400 8E1 5
// where FRAMING is data bits, parity (N, E or O) and stop bits. Blank lines and
// text after "#" are ignored. False with an error naming the line for
// anything else, an instrument listed twice among it.
bool ReadHostsFile(const QString &path, QVector<FleetHost> *hosts, QString *error);
