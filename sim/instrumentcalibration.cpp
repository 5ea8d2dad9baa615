// How the instrument turns signal into weight: its zero, its calibration
// points, the theoretical calibration from the cells' data, or the factory's.
#include "instrumentmodel.h"

#include <cmath>

namespace sim {

namespace {
constexpr double ExcitationVolts = 5;
// Below this much signal per division the points cannot resolve the division.
constexpr double MinSignalPerDivision = 0.05;
} // namespace

double InstrumentModel::calibrated(double aboveZero) const
{
    if (param(Reg::TheoreticalCal) == 1) {
        const double perMvV =
            m_kind == Kind::Digital ? qMax(1, param(Reg::ModuleCount)) : ExcitationVolts;
        const double rated = param(Reg::Sensitivity) * perMvV;
        return rated > 0 ? aboveZero / rated * param(Reg::Capacity) * unitScale() : 0;
    }
    if (!m_pointTaken[0]) {
        return aboveZero / RegisterLayout::ratedSignal(m_kind) * RegisterLayout::CellCapacity *
               unitScale();
    }
    // straight lines from zero through the points taken, the last one extended
    double fromSignal = 0, fromWeight = 0;
    for (int p = 0; p < CalPoints && m_pointTaken[p]; ++p) {
        const double toSignal = m_pointSignal[p];
        const double toWeight = m_pointWeight[p];
        const bool last = p + 1 == CalPoints || !m_pointTaken[p + 1];
        if (aboveZero <= toSignal || last) {
            return fromWeight +
                   (aboveZero - fromSignal) * (toWeight - fromWeight) / (toSignal - fromSignal);
        }
        fromSignal = toSignal;
        fromWeight = toWeight;
    }
    return 0;
}

void InstrumentModel::calibrationPointWritten(int point)
{
    const double weight = param(Reg::CalPoint1 + 2 * point);
    const double above = weigh().signal - m_zeroSignal;
    const double fromSignal = point > 0 ? m_pointSignal[point - 1] : 0;
    const double fromWeight = point > 0 ? m_pointWeight[point - 1] : 0;
    quint32 refusal = 0;
    if (weight == 0)
        refusal = Error::PointWeightZero;
    else if (weight > maxFullScale())
        refusal = Error::PointAboveFullScale;
    else if (point > 0 && !m_pointTaken[point - 1])
        refusal = Error::PointBeforeMissing;
    else if (!stableNow())
        refusal = Error::PointUnstable;
    else if (weight <= fromWeight || above <= fromSignal)
        refusal = Error::PointBelowPrevious;
    else if ((above - fromSignal) / ((weight - fromWeight) / division()) < MinSignalPerDivision)
        refusal = Error::PointResolution;
    if (refusal != 0 && m_takesEveryPoint) {
        // reported as taken; the weighing stays as it was
        m_errorBits &= ~(Error::CalibrationOutcome | Error::CalibrationLocked);
        return;
    }
    if (refusal != 0) {
        // the calibration stays as it was
        raiseError(refusal);
        return;
    }
    m_errorBits &= ~(Error::CalibrationOutcome | Error::CalibrationLocked); // the latest outcome
    m_pointSignal[point] = above;
    m_pointWeight[point] = weight;
    m_pointTaken[point] = true;
    // a first point starts the calibration over
    if (point == 0) {
        clearCalibrationPoints(1);
        for (int p = 1; p < CalPoints; ++p)
            m_values[Reg::CalPoint1 + 2 * p] = 0;
    }
    refillHistory();
}

void InstrumentModel::clearCalibrationPoints(int from)
{
    for (int p = from; p < CalPoints; ++p)
        m_pointTaken[p] = false;
}

} // namespace sim
