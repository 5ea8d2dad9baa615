#include "serialportitem.h"

#include <QSerialPortInfo>

QString SerialPortItemText(const QSerialPortInfo &info)
{
    return info.description() + QLatin1Char('(') + info.portName() + QLatin1Char(')');
}

QString PortNameFromItemText(const QString &text)
{
    const QString trimmed = text.trimmed();
    // The description may carry parentheses of its own; the port name is the last pair.
    const int open = trimmed.lastIndexOf(QLatin1Char('('));
    if (open < 0 || !trimmed.endsWith(QLatin1Char(')')))
        return trimmed;
    return trimmed.mid(open + 1, trimmed.size() - open - 2).trimmed();
}
