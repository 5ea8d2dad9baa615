#pragma once

#include <QtGlobal>

// The analog output the instrument drives for a weight, as the data transmission
// page previews it. Outputs are in thousandths of a milliampere or of a volt.

// Analog output types (the index of the type combo box).
enum AnalogType : quint32 {
    Analog4To20mA = 0,
    Analog0To10V = 1,
    AnalogUserMa = 2,
    AnalogUserV = 3,
};

// The output range in effect: fixed for the standard types, as set for the
// user-defined ones.
struct AnalogRange
{
    qint32 minimum = 0;
    qint32 zero = 0;
    qint32 maximum = 0;
    qint32 span = 0;
};

// The effective range of a type from the five analog values read (type, minimum,
// zero, full-scale and maximum output). Returns false for a type without a rule.
bool EffectiveAnalogRange(quint32 type, const quint16 values[5], AnalogRange *range);

// The output for the live weight and status word, with the full scale and division
// of range 1. Overload (status bit 6) or a weight beyond full scale plus nine
// divisions drives the maximum, underload (bit 7) or the negative limit the minimum;
// otherwise the weight is mapped linearly (halves rounded up). A full scale of 0 or
// less (a fresh or reset instrument) gives the zero output, whatever the weight.
qint32 AnalogOutputFor(qint32 weight, quint32 status, qint32 fullScale, qint32 division,
                       const AnalogRange &range);
