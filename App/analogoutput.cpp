#include "analogoutput.h"

namespace {

constexpr quint32 OverloadBit = 0x40;
constexpr quint32 UnderloadBit = 0x80;
constexpr qint64 DivisionsBeyondFullScale = 9;

// Fixed outputs of the standard types.
constexpr qint32 CurrentMinimum = 3920, CurrentZero = 4000, CurrentMaximum = 20050;
constexpr qint32 CurrentSpan = 16000;
constexpr qint32 VoltageMaximum = 10000, VoltageSpan = 10000;

} // namespace

bool EffectiveAnalogRange(quint32 type, const quint16 values[5], AnalogRange *range)
{
    const qint32 zeroRead = values[2], fullScaleRead = values[3];
    switch (type) {
    case Analog4To20mA:
        *range = {CurrentMinimum, CurrentZero, CurrentMaximum, CurrentSpan};
        return true;
    case Analog0To10V:
        *range = {0, zeroRead, VoltageMaximum, VoltageSpan};
        return true;
    case AnalogUserMa:
        *range = {values[1], zeroRead, values[4], fullScaleRead - zeroRead};
        return true;
    case AnalogUserV:
        *range = {0, zeroRead, VoltageMaximum, fullScaleRead - zeroRead};
        return true;
    default:
        return false;
    }
}

qint32 AnalogOutputFor(qint32 weight, quint32 status, qint32 fullScale, qint32 division,
                       const AnalogRange &r)
{
    // A fresh or reset instrument has no full scale: there is nothing to scale by.
    if (fullScale <= 0)
        return r.zero;
    const qint64 w = weight;
    const qint64 limit = qint64(fullScale) + DivisionsBeyondFullScale * division;
    if ((status & OverloadBit) || w > limit)
        return r.maximum < r.minimum ? r.minimum : r.maximum;
    if ((status & UnderloadBit) || w < -limit)
        return qMin(r.minimum, r.maximum);

    const qint64 magnitude = w < 0 ? -w : w;
    // Twice the exact quotient, rounded up when odd, halved: halves round up.
    qint64 twice = 2 * qint64(r.span) * magnitude / fullScale;
    if (twice % 2 != 0)
        ++twice;
    const qint64 offset = twice / 2;
    qint64 candidate;
    if (w >= 0) {
        candidate = r.zero + offset;
    } else {
        if (qAbs(qint64(r.zero) - r.minimum) < offset)
            return r.minimum;
        candidate = r.zero - offset;
    }
    if (candidate < r.minimum)
        return r.minimum;
    return qint32(qMin<qint64>(candidate, r.maximum));
}
