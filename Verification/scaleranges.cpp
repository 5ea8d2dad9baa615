#include "scaleranges.h"

#include "decimaltext.h"
#include "valuebinding.h"

namespace {

// Where the calibration block keeps each range's division and full scale.
constexpr int DivisionSlots[] = {2, 15, 17};
constexpr int FullScaleSlots[] = {3, 16, 18};
constexpr int UnitSlot = 0;
constexpr int DecimalSlot = 1;
constexpr int MostDecimals = 4;

} // namespace

qint64 ScaleRanges::max() const
{
    return ranges.isEmpty() ? 0 : ranges.last().fullScale;
}

int ScaleRanges::rangeOf(qint64 load) const
{
    if (load < 0)
        return -1;
    for (int i = 0; i < ranges.size(); ++i) {
        if (load <= ranges[i].fullScale)
            return i;
    }
    return -1;
}

qint64 ScaleRanges::divisionOf(qint64 load) const
{
    const int i = rangeOf(load);
    return i < 0 ? 0 : ranges[i].division;
}

QString ScaleRanges::weightText(qint64 counts) const
{
    const QString number = FormatScaled(counts, decimals);
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

bool ScaleRangeReader::isDivision(qint64 value)
{
    for (qint64 d : {1, 2, 5, 10, 20, 50}) {
        if (value == d)
            return true;
    }
    return false;
}

bool ScaleRangeReader::check(const ScaleRanges &ranges, QString *error)
{
    if (ranges.decimals < 0 || ranges.decimals > MostDecimals) {
        *error = tr("the decimal setting %1 is none the instrument offers").arg(ranges.decimals);
        return false;
    }
    if (ranges.ranges.isEmpty() || ranges.ranges.size() > 3 || ranges.ranges[0].fullScale <= 0) {
        *error = tr("the instrument has no full scale: set full scale 1 before a test");
        return false;
    }
    for (int i = 0; i < ranges.ranges.size(); ++i) {
        const WeighingRange &r = ranges.ranges[i];
        if (r.division == 0) {
            *error = tr("range %1 has a division (e) of 0").arg(i + 1);
            return false;
        }
        if (!isDivision(r.division)) {
            *error = tr("range %1 has a division of %2, which the instrument does not hold "
                        "(1, 2, 5, 10, 20 or 50)")
                         .arg(i + 1)
                         .arg(r.division);
            return false;
        }
        if (i > 0 && r.fullScale <= ranges.ranges[i - 1].fullScale) {
            *error = tr("full scale %1 (%2) is not above full scale %3 (%4)")
                         .arg(i + 1)
                         .arg(ranges.weightText(r.fullScale))
                         .arg(i)
                         .arg(ranges.weightText(ranges.ranges[i - 1].fullScale));
            return false;
        }
        // Each higher range weighs with a coarser interval: e1 < e2 < e3, as
        // OIML R 76-1 numbers the ranges of multiple range and multi-interval
        // instruments. An equal or finer e above would make the range pointless
        // and its tolerances tighter than the range below.
        if (i > 0 && r.division <= ranges.ranges[i - 1].division) {
            *error = tr("range %1 has a division (e) of %2, not above range %3's %4: each "
                        "higher range needs a larger e (e1 < e2 < e3, OIML R 76)")
                         .arg(i + 1)
                         .arg(ranges.weightText(r.division))
                         .arg(i)
                         .arg(ranges.weightText(ranges.ranges[i - 1].division));
            return false;
        }
    }
    return true;
}

bool ScaleRangeReader::fromCalibration(const quint32 *calSlots, ScaleRanges *out, QString *error)
{
    ScaleRanges r;
    r.decimals = int(qMin<quint32>(calSlots[DecimalSlot], 99));
    r.unit = UnitName(calSlots[UnitSlot]);
    for (int i = 0; i < 3; ++i) {
        const qint64 fullScale = qint32(calSlots[FullScaleSlots[i]]);
        // Ranges 2 and 3 are in use only with a full scale.
        if (i > 0 && fullScale == 0)
            break;
        r.ranges.append({fullScale, qint64(qint32(calSlots[DivisionSlots[i]]))});
    }
    if (!check(r, error))
        return false;
    *out = r;
    return true;
}

bool ScaleRangeReader::parseWeight(const QString &text, int decimals, qint64 *counts,
                                   QString *error)
{
    DecimalText number;
    if (!DecimalText::parse(text.trimmed(), &number)) {
        *error = tr("%1 is not a weight").arg(text);
        return false;
    }
    DecimalText rounded = number;
    rounded.shift(decimals);
    DecimalText whole = rounded;
    whole.roundToDecimals(0);
    if (whole.toPlainString() != rounded.toPlainString()) {
        *error = tr("%1 has more decimals than the instrument shows (%2)").arg(text).arg(decimals);
        return false;
    }
    bool ok = false;
    const qint64 value = whole.toPlainString().toLongLong(&ok);
    if (!ok || value > 2147483647LL || value < -2147483648LL) {
        *error = tr("%1 is beyond any weight the instrument shows").arg(text);
        return false;
    }
    *counts = value;
    return true;
}
