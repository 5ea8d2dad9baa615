// Parameter checks, command registers and factory resets of the model.
#include "instrumentmodel.h"

#include <cmath>

namespace sim {

namespace {
constexpr quint32 AngleNominal = 100000;
constexpr int AngleSpread = 150; // the corner fix's range about nominal
} // namespace

int InstrumentModel::checkValue(int base, quint32 value) const
{
    switch (base) {
    case Reg::Unit:
        return value > 5 ? 3 : 0;
    case Reg::Decimals:
        return value > 4 ? 3 : 0;
    case Reg::CalibrationEdit:
    case Reg::ApplicationEdit:
        return value > 1 ? 3 : 0;
    default:
        return 0;
    }
}

void InstrumentModel::runCommand(int base)
{
    switch (base) {
    case Reg::ZeroCapture:
        zeroCapture();
        break;
    case Reg::ResetAll:
        resetAllUnlocked();
        break;
    case Reg::ResetCalibration:
        restore(Reg::CalibrationFirst, Reg::CalibrationEnd);
        clearCalibrationPoints(0);
        break;
    case Reg::ResetApplication:
        restore(Reg::BasicFirst, Reg::BasicEnd);
        restore(Reg::InputModes, 260);
        restore(Reg::Ports, Reg::AnalogOutputEnd);
        break;
    case Reg::SensorSearch:
        sensorSearch();
        break;
    case Reg::CornerReset:
        cornerReset();
        break;
    case Reg::CornerFix:
        cornerFix();
        break;
    default:
        break;
    }
}

void InstrumentModel::zeroCapture()
{
    // A zero taken while the weight moves would be wrong: flag it instead.
    if (!stableNow()) {
        raiseError(Error::ZeroCalUnstable);
        return;
    }
    m_zeroSignal = weigh().signal;
    m_values[Reg::ManualZero] = quint32(qint32(std::llround(m_zeroSignal)));
    m_errorBits &= ~(Error::CalibrationOutcome | Error::CalibrationLocked); // the latest outcome
    refillHistory();
}

void InstrumentModel::sensorSearch()
{
    const int found = RegisterLayout::attachedSensors(m_kind);
    m_values[Reg::ModuleCount] = quint32(found);
    for (int i = 0; i < 8; ++i)
        m_values[Reg::SensorAddress + 2 * i] = i < found ? quint32(i + 1) : 0;
}

void InstrumentModel::cornerReset()
{
    for (int i = 0; i < 8; ++i)
        m_values[Reg::AngleDiff + 2 * i] = AngleNominal;
}

void InstrumentModel::cornerFix()
{
    // Each module's correction undoes its gain, so the same modules give the
    // same corrections each time it is run.
    const int present = qBound(0, param(Reg::ModuleCount), 8);
    const double scale = unitScale();
    for (int i = 0; i < 8; ++i) {
        qint64 v = AngleNominal;
        if (i < present) {
            const double gain = m_load.supportGain(i, present, RegisterLayout::CellCapacity,
                                                   fullScale() / scale, division() / scale);
            v = qBound<qint64>(AngleNominal - AngleSpread, std::llround(AngleNominal / gain),
                               AngleNominal + AngleSpread);
        }
        m_values[Reg::AngleDiff + 2 * i] = quint32(v);
    }
}

void InstrumentModel::restore(int from, int to)
{
    const QVector<quint32> factory = m_layout.defaults(m_kind);
    for (int a = from; a < to; ++a)
        m_values[a] = factory.at(a);
}

void InstrumentModel::resetAllUnlocked()
{
    m_values = m_layout.defaults(m_kind);
    m_zeroSignal = param(Reg::ManualZero);
    clearCalibrationPoints(0);
    m_tareRaw = 0;
    m_errorBits = 0;
    m_errorAgeMs = 0;
    refillHistory();
}

void InstrumentModel::raiseError(quint32 bits)
{
    m_errorBits |= bits;
    m_errorAgeMs = 0;
}

} // namespace sim
