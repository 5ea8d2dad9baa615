#pragma once

#include "paramcatalogue.h"

#include <QString>
#include <QtGlobal>

// A parameter as the command line names it: a catalogue row found by its
// widget name or register address, or a bare register pair for an address the
// catalogue does not know (read only).
struct CliParam
{
    ParamRow row{};
    bool inCatalogue = false;
    QString name; // the widget name, or the address as typed

    // The register the value is read from: a write-only switch reads back elsewhere.
    int readAddress() const;
    bool writable() const;
};

// Finds NAME (exactly, then ignoring case) or a decimal ADDRESS. False when the
// name is unknown or the address is not a register.
bool FindCliParam(const QString &key, CliParam *param);

// The value as the page shows it, with the decimal setting for weights.
QString ShownValue(const CliParam &p, quint32 raw, quint32 decimals);
// The unit the page shows beside the value ("kg", "mV/V", "ms"), or empty.
QString ShownUnit(const CliParam &p, quint32 unit, qint64 analogType = -1);
// The analog output's type as the instrument holds it, read only when one of
// params is an output value whose unit it decides; -1 when not read.
qint64 AnalogTypeFor(const QVector<CliParam> &params);

// Converts a typed value the way the page does on commit (decimals for
// weights, fixed factors, "d = 20" or "20" for divisions, a list's item or
// its index) and checks the
// parameter's range. False with a reason naming the accepted range.
bool RawFromText(const CliParam &p, const QString &text, quint32 decimals, quint32 *raw,
                 QString *why);
