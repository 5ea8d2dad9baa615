#include "hostsfile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace {

// A serial instrument's line; false when it is none, with *why set when it has
// the shape of one but a value outside what a serial link takes.
bool readSerialLine(const QString &line, FleetHost *host, QString *why)
{
    static const QRegularExpression serialLine(
        QStringLiteral("^(\\S+)\\s+(\\d{3,6})\\s+([78])([NEO])([12])\\s+(\\d{1,3})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = serialLine.match(line);
    if (!m.hasMatch())
        return false;
    host->serial = true;
    host->host = m.captured(1);
    host->baud = m.captured(2).toInt();
    host->dataBits = m.captured(3).toInt();
    const QChar parity = m.captured(4).toUpper().at(0);
    host->parity = parity == QLatin1Char('E') ? 2 : parity == QLatin1Char('O') ? 3 : 0;
    host->stopBits = m.captured(5).toInt();
    host->slaveId = m.captured(6).toInt();
    if (host->baud < 1200 || host->baud > 115200)
        *why = QStringLiteral("baud rate %1 outside 1200 .. 115200").arg(host->baud);
    else if (!IsValidSlaveId(host->slaveId))
        *why = QStringLiteral("slave id %1 outside %2 .. %3")
                   .arg(host->slaveId)
                   .arg(MinSlaveId)
                   .arg(MaxSlaveId);
    return why->isEmpty();
}

bool readTcpLine(const QString &line, FleetHost *host)
{
    static const QRegularExpression hostPort(QStringLiteral("^([A-Za-z0-9.-]+)(?::(\\d{1,5}))?$"));
    const QRegularExpressionMatch m = hostPort.match(line);
    host->host = m.captured(1);
    host->port = m.captured(2).isEmpty() ? 502 : m.captured(2).toInt();
    return m.hasMatch() && host->port >= 1 && host->port <= 65535;
}

bool sameInstrument(const FleetHost &a, const FleetHost &b)
{
    if (a.serial != b.serial)
        return false;
    return a.serial ? a.host == b.host && a.slaveId == b.slaveId
                    : a.host.compare(b.host, Qt::CaseInsensitive) == 0 && a.port == b.port;
}

} // namespace

QString FleetHost::name() const
{
    return serial ? QStringLiteral("%1 slave %2").arg(host).arg(slaveId)
                  : QStringLiteral("%1:%2").arg(host).arg(port);
}

LinkSettings FleetHost::link(const LinkSettings &base) const
{
    LinkSettings s = base;
    if (serial) {
        s.connectType = 0;
        s.SerialNum = host;
        s.baud = baud;
        s.parity = parity;
        s.dataBits = dataBits;
        s.stopBits = stopBits;
        s.slaveId = slaveId;
    } else {
        s.connectType = 1;
        s.EditIP = host;
        s.EditPort = QString::number(port);
    }
    return s;
}

bool ReadHostsFile(const QString &path, QVector<FleetHost> *hosts, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QTextStream in(&file);
    int lineNumber = 0;
    while (!in.atEnd()) {
        ++lineNumber;
        const QString line = in.readLine().section(QLatin1Char('#'), 0, 0).simplified();
        if (line.isEmpty())
            continue;
        FleetHost host;
        QString why;
        if (!readSerialLine(line, &host, &why) && (!why.isEmpty() || !readTcpLine(line, &host))) {
            *error = why.isEmpty()
                         ? QStringLiteral("%1 line %2: expected HOST[:PORT] or DEVICE BAUD FRAMING "
                                          "SLAVE (/dev/ttyUSB0 38400 8E1 5), found \"%3\"")
                               .arg(path)
                               .arg(lineNumber)
                               .arg(line)
                         : QStringLiteral("%1 line %2: %3").arg(path).arg(lineNumber).arg(why);
            return false;
        }
        // One instrument listed twice would be worked twice, into one file.
        for (const FleetHost &h : *hosts) {
            if (sameInstrument(h, host)) {
                *error = QStringLiteral("%1 line %2: %3 is listed twice")
                             .arg(path)
                             .arg(lineNumber)
                             .arg(h.name());
                return false;
            }
        }
        hosts->append(host);
    }
    if (hosts->isEmpty()) {
        *error = QStringLiteral("%1: no instruments listed").arg(path);
        return false;
    }
    return true;
}
