#include "sysinfotext.h"

namespace {

constexpr int SerialSeparatorAt = 13;

// Replaces count characters at position, padding a text that is too short.
void patch(QString &text, int position, int count, const QString &with)
{
    if (text.size() < position + count)
        text = text.leftJustified(position + count, QLatin1Char(' '));
    text.replace(position, count, with);
}

} // namespace

QString CompileDateText(quint32 value)
{
    const QString digits = QString::number(value);
    return QStringLiteral("20%1-%2-%3").arg(digits.mid(0, 2), digits.mid(2, 2), digits.mid(4, 2));
}

void PatchSerialChar(QString &text, int index, quint16 code)
{
    const int position = index < SerialSeparatorAt ? index : index + 1;
    patch(text, position, 1, QString(QChar(code)));
}

void PatchMacByte(QString &text, int index, quint32 byte)
{
    patch(text, 3 * index, 2, QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper());
}

QString InstrumentKindText(quint32 version)
{
    if (version >= 10000 && version <= 19999)
        return QStringLiteral("analog");
    if (version >= 20000 && version <= 29999)
        return QStringLiteral("digital");
    return QStringLiteral("unknown");
}
