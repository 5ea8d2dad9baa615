#pragma once

#include <QString>

class QSerialPortInfo;

// Item text of a serial port in the port boxes: description + "(" + port name + ")".
QString SerialPortItemText(const QSerialPortInfo &info);

// The port name an item text stands for: the part inside the last "(...)" that
// ends the text, or, for a typed device path without it, the whole text.
QString PortNameFromItemText(const QString &text);
