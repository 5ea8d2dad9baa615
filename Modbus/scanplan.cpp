#include "scanplan.h"

#include "linksettings.h"

#include <QHostAddress>

namespace {
constexpr int MaxHosts = 1024;
} // namespace

QVector<int> DefaultScanBauds()
{
    return {9600, 19200, 38400, 57600, 115200};
}

QVector<int> DefaultScanParities()
{
    return {0, 2, 3};
}

QVector<int> DefaultScanSlaves()
{
    QVector<int> ids;
    for (int id = MinSlaveId; id <= MaxSlaveId; ++id)
        ids.append(id);
    return ids;
}

bool ParseSlaveList(const QString &text, QVector<int> *ids, QString *error)
{
    ids->clear();
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        bool okLow = false;
        bool okHigh = false;
        const int low = ends.first().toInt(&okLow);
        const int high = ends.last().toInt(&okHigh);
        if (ends.size() > 2 || !okLow || !okHigh || low < 1 || high > MaxSlaveId || low > high) {
            *error = QStringLiteral("'%1' is not a slave id or range from 1 to %2")
                         .arg(part.trimmed())
                         .arg(MaxSlaveId);
            return false;
        }
        for (int id = low; id <= high; ++id) {
            if (ids->contains(id)) {
                *error = QStringLiteral("slave id %1 is given twice").arg(id);
                return false;
            }
            ids->append(id);
        }
    }
    return true;
}

bool ParseBaudList(const QString &text, QVector<int> *bauds, QString *error)
{
    bauds->clear();
    for (const QString &part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int baud = part.trimmed().toInt(&ok);
        if (!ok || baud <= 0) {
            *error = QStringLiteral("'%1' is not a baud rate").arg(part.trimmed());
            return false;
        }
        bauds->append(baud);
    }
    return true;
}

bool ParseParityList(const QString &text, QVector<int> *parities, QString *error)
{
    parities->clear();
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString name = part.trimmed().toLower();
        int parity = -1;
        for (int p : DefaultScanParities()) {
            if (name == ParityName(p) || name == ParityName(p).left(1))
                parity = p;
        }
        if (parity < 0) {
            *error = QStringLiteral("'%1' is not a parity (none, even, odd)").arg(part.trimmed());
            return false;
        }
        parities->append(parity);
    }
    return true;
}

bool ParseHostRange(const QString &text, QStringList *hosts, QString *error)
{
    hosts->clear();
    const QStringList ends = text.trimmed().split(QLatin1Char('-'));
    if (ends.size() == 1 && !ends.first().isEmpty()) {
        hosts->append(ends.first());
        return true;
    }
    const QHostAddress first(ends.first().trimmed());
    QString lastText = ends.last().trimmed();
    // "192.168.1.10-20": the end names only the last part of the address.
    bool lastPartOnly = false;
    const int lastPart = lastText.toInt(&lastPartOnly);
    if (lastPartOnly && lastPart >= 0 && lastPart <= 255 && !lastText.isEmpty()) {
        const QString start = ends.first().trimmed();
        lastText = start.left(start.lastIndexOf(QLatin1Char('.')) + 1) + QString::number(lastPart);
    }
    const QHostAddress last(lastText);
    if (ends.size() != 2 || first.protocol() != QAbstractSocket::IPv4Protocol ||
        last.protocol() != QAbstractSocket::IPv4Protocol ||
        first.toIPv4Address() > last.toIPv4Address() ||
        last.toIPv4Address() - first.toIPv4Address() >= MaxHosts) {
        *error = QStringLiteral("'%1' is not a host or a range of at most %2 IPv4 addresses")
                     .arg(text)
                     .arg(MaxHosts);
        return false;
    }
    for (quint32 a = first.toIPv4Address(); a <= last.toIPv4Address(); ++a)
        hosts->append(QHostAddress(a).toString());
    return true;
}

QVector<ScanFraming> ScanFramings(const QVector<int> &bauds, const QVector<int> &parities)
{
    QVector<ScanFraming> framings;
    for (int baud : bauds) {
        for (int parity : parities)
            framings.append(ScanFraming{baud, parity, 8, 1});
    }
    return framings;
}

QString ParityName(int parity)
{
    switch (parity) {
    case 2:
        return QStringLiteral("even");
    case 3:
        return QStringLiteral("odd");
    default:
        return QStringLiteral("none");
    }
}

QString FramingText(const ScanFraming &f)
{
    return QStringLiteral("%1 %2%3%4")
        .arg(f.baud)
        .arg(f.dataBits)
        .arg(ParityName(f.parity).left(1).toUpper())
        .arg(f.stopBits);
}
