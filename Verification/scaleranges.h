#pragma once

// The weighing ranges of the instrument: up to three, each with its full scale
// and division, in raw counts of the weight register. A range whose full
// scale is zero is not used.

#include <QCoreApplication>
#include <QString>
#include <QVector>

struct WeighingRange
{
    qint64 fullScale = 0; // raw counts
    qint64 division = 0;  // raw counts: 1, 2, 5, 10, 20 or 50
};

struct ScaleRanges
{
    QVector<WeighingRange> ranges; // increasing full scales
    int decimals = 0;              // the instrument's decimal setting
    QString unit;                  // "kg", "t", ...

    // The full scale of the last range.
    qint64 max() const;
    // The range a load is judged in: the first whose full scale holds it;
    // -1 for a load below zero or above max.
    int rangeOf(qint64 load) const;
    // The division of that range; 0 when there is none.
    qint64 divisionOf(qint64 load) const;
    // "500.0 kg"
    QString weightText(qint64 counts) const;
};

class ScaleRangeReader
{
    Q_DECLARE_TR_FUNCTIONS(ScaleRangeReader)
public:
    // The divisions the instrument holds.
    static bool isDivision(qint64 value);

    // Ranges from the calibration slots the instrument reports (division and
    // full scale of ranges 1 to 3, decimal and unit settings). False with
    // *error when range 1 has no full scale, a used range holds a division
    // the instrument does not offer, or full scales or divisions do not
    // increase from range to range.
    static bool fromCalibration(const quint32 *calSlots, ScaleRanges *out, QString *error);

    // The same checks on ranges given by hand (tests, a plan kept in a file).
    static bool check(const ScaleRanges &ranges, QString *error);

    // A typed weight ("500", "500.0") in raw counts at the decimal setting;
    // false with *error for text that is no number or has more decimals than
    // the instrument shows.
    static bool parseWeight(const QString &text, int decimals, qint64 *counts, QString *error);
};
