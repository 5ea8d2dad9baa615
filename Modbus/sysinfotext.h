#pragma once

#include "devicemodel.h"

#include <QString>
#include <QtGlobal>

// How the test page turns the instrument's system information registers into
// text: plain functions, so they can be checked without a window.

// A compile date register value YYMMDD as "20YY-MM-DD". A value with fewer than
// six digits fills the fields from the left with the digits there are.
QString CompileDateText(quint32 value);

// Puts serial number character index (0-24, one register each) into the
// template "0000000000000-123202G60000": characters 0-12 go to the positions of
// the same number, 13-24 one place further on, so the "-" stays.
void PatchSerialChar(QString &text, int index, quint16 code);

// Puts MAC byte index (0-5) as two upper-case hexadecimal digits into the
// template "BC-66-41-90-0E-06" at position 3 x index; the separators stay.
void PatchMacByte(QString &text, int index, quint32 byte);

// The serial number from its SerialNumberChars registers (one character each)
// from `first` on, in the form the test page shows.
template <typename Registers> QString SerialNumberText(const Registers &registers, int first)
{
    QString serial = QStringLiteral("0000000000000-123202G60000");
    for (int i = 0; i < SerialNumberChars; ++i)
        PatchSerialChar(serial, i, quint16(registers[first + i]));
    return serial;
}

// The MAC address from its MacBytes registers (one byte each) from `first` on.
template <typename Registers> QString MacAddressText(const Registers &registers, int first)
{
    QString mac = QStringLiteral("00-00-00-00-00-00");
    for (int i = 0; i < MacBytes; ++i)
        PatchMacByte(mac, i, quint32(registers[first + i]));
    return mac;
}

// "analog" (software version 1xxxx), "digital" (2xxxx) or "unknown".
QString InstrumentKindText(quint32 version);
