// The live side of the model: weight motion, stability and the 0-37 block.
#include "instrumentmodel.h"

#include <QMutexLocker>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace sim {

namespace {
constexpr int HistoryLength = 10; // one second of 100 ms samples
constexpr qint64 OverflowShown = 9999999;
constexpr int ErrorHoldMs = 3000;
constexpr int OverDivisions = 9;
constexpr double DigitalGain = 500000; // summed AD counts per full scale
constexpr double ExcitationVolts = 5;
constexpr double AngleNominal = 100000;
constexpr int AnalogCorners = 4; // a platform on four cells in one junction box
} // namespace

void InstrumentModel::setLiveFrozen(bool frozen)
{
    QMutexLocker lock(&m_mutex);
    if (frozen && !m_frozen) {
        // keep the load where it is now, minus the noise
        m_frozenLoad = m_loadPlaced
                           ? m_load.appliedUnits() * unitScale() / fullScale()
                           : m_live.baseLoad() + m_live.driftDivisions() * division() / fullScale();
        m_loadPlaced = false;
    }
    m_frozen = frozen;
    refillHistory();
    refreshLive();
}

void InstrumentModel::setLiveLoad(double fractionOfFullScale)
{
    QMutexLocker lock(&m_mutex);
    m_frozen = true;
    m_loadPlaced = false;
    m_frozenLoad = fractionOfFullScale;
    refillHistory();
    refreshLive();
}

bool InstrumentModel::placeLoad(double units, int corner)
{
    QMutexLocker lock(&m_mutex);
    if (!std::isfinite(units) || units < 0 || corner < 0 || corner > corners())
        return false;
    m_frozen = false;
    m_loadPlaced = true;
    m_load.place(units, corner);
    if (!m_load.settling())
        refillHistory();
    refreshLive();
    return true;
}

void InstrumentModel::removeLoad()
{
    placeLoad(0, TestLoad::Centre);
}

InstrumentModel::LoadState InstrumentModel::loadState() const
{
    QMutexLocker lock(&m_mutex);
    LoadState state;
    state.placed = m_loadPlaced;
    state.units = m_load.targetUnits();
    state.corner = m_load.corner();
    state.settleLeftMs = m_loadPlaced ? m_load.settleLeftMs() : 0;
    state.stable = stableNow();
    return state;
}

int InstrumentModel::corners() const
{
    return m_kind == Kind::Digital ? qBound(0, param(Reg::ModuleCount), 8) : AnalogCorners;
}

void InstrumentModel::setErrorModel(const ErrorModel &errors)
{
    QMutexLocker lock(&m_mutex);
    m_load.setErrors(errors, m_seed);
    if (m_loadPlaced && !m_load.settling())
        refillHistory();
    refreshLive();
}

ErrorModel InstrumentModel::errorModel() const
{
    QMutexLocker lock(&m_mutex);
    return m_load.errors();
}

void InstrumentModel::applyAsFound()
{
    QMutexLocker lock(&m_mutex);
    m_values[Reg::Decimals] = 1;
    m_values[Reg::Division] = 5;
    m_values[Reg::FullScale] = 30000;
    m_load.setErrors(ErrorModel::asFound(), m_seed);
    m_frozen = false;
    m_loadPlaced = true;
    m_load.place(0, TestLoad::Centre);
    refillHistory();
    refreshLive();
}

void InstrumentModel::setTareRaw(qint32 raw)
{
    QMutexLocker lock(&m_mutex);
    m_tareRaw = raw;
    refreshLive();
}

void InstrumentModel::tick(int ms)
{
    QMutexLocker lock(&m_mutex);
    if (ms <= 0)
        return;
    m_pendingMs += ms;
    while (m_pendingMs >= LiveSignal::StepMs) {
        m_pendingMs -= LiveSignal::StepMs;
        advanceStep();
    }
    refreshLive();
}

double InstrumentModel::fullScale() const
{
    return qMax(1, param(Reg::FullScale));
}

double InstrumentModel::division() const
{
    return qMax(1, param(Reg::Division));
}

QVector<InstrumentModel::Range> InstrumentModel::ranges() const
{
    QVector<Range> used = {{fullScale(), division()}};
    const int divisions[] = {Reg::Division2, Reg::Division3};
    const int fullScales[] = {Reg::FullScale2, Reg::FullScale3};
    for (int i = 0; i < 2; ++i) {
        const double fs = param(fullScales[i]);
        if (fs <= used.last().fullScale)
            break;
        used.append({fs, double(qMax(1, param(divisions[i])))});
    }
    return used;
}

double InstrumentModel::maxFullScale() const
{
    return ranges().last().fullScale;
}

double InstrumentModel::divisionAt(double weight) const
{
    const QVector<Range> used = ranges();
    for (const Range &r : used) {
        if (weight <= r.fullScale)
            return r.division;
    }
    return used.last().division;
}

qint64 InstrumentModel::roundToRange(double weight) const
{
    // Each range shows its own division; a weight that rounds above a range's
    // full scale is shown in the next range, above the last in the last one.
    const QVector<Range> used = ranges();
    qint64 shown = 0;
    for (const Range &r : used) {
        shown = std::llround(weight / r.division) * qint64(r.division);
        if (shown <= r.fullScale)
            break;
    }
    return shown;
}

double InstrumentModel::unitScale() const
{
    return std::pow(10.0, qBound(0, param(Reg::Decimals), 4));
}

int InstrumentModel::supports() const
{
    return m_kind == Kind::Digital ? qMax(1, corners()) : AnalogCorners;
}

bool InstrumentModel::stableNow() const
{
    if (m_frozen)
        return true;
    return m_stable && !(m_loadPlaced && m_load.settling());
}

double InstrumentModel::gainSignal() const
{
    if (m_kind == Kind::Digital)
        return DigitalGain;
    return qMax(1.0, param(Reg::Sensitivity) * ExcitationVolts);
}

double InstrumentModel::currentLoad() const
{
    if (m_frozen)
        return m_frozenLoad;
    const double wobble = m_live.driftDivisions() + m_live.noiseDivisions();
    return m_live.baseLoad() + wobble * division() / fullScale();
}

InstrumentModel::Weighing InstrumentModel::weigh() const
{
    Weighing w;
    const double scale = unitScale();
    const double units =
        m_loadPlaced && !m_frozen ? m_load.appliedUnits() : currentLoad() * fullScale() / scale;
    const int n = supports();
    const QVector<double> out = m_load.outputs(units, n, RegisterLayout::CellCapacity,
                                               fullScale() / scale, division() / scale);
    const double cellGain = RegisterLayout::ratedSignal(m_kind);
    const bool modules = m_kind == Kind::Digital && corners() > 0;
    double above = 0;
    for (int i = 0; i < n; ++i) {
        const double angle = modules ? param(Reg::AngleDiff + 2 * i) / AngleNominal : 1;
        above += out.at(i) * cellGain * angle;
        if (modules)
            w.sensors[i] = out.at(i) * cellGain;
    }
    w.signal = RegisterLayout::deadSignal(m_kind) + above;
    const double correction = param(Reg::Correction) / 100000.0;
    w.grossExact = calibrated(w.signal - m_zeroSignal) * correction;
    w.grossRaw = roundToRange(w.grossExact);
    return w;
}

void InstrumentModel::advanceStep()
{
    m_live.step();
    const bool wasSettling = m_loadPlaced && m_load.settling();
    m_load.step(LiveSignal::StepMs);
    if (m_errorBits != 0) {
        m_errorAgeMs += LiveSignal::StepMs;
        if (m_errorAgeMs >= ErrorHoldMs)
            m_errorBits = 0;
    }
    if (wasSettling && !m_load.settling()) {
        refillHistory(); // the platform has come to rest
        return;
    }
    m_history.append(weigh().grossRaw);
    while (m_history.size() > HistoryLength)
        m_history.removeFirst();
    const auto range = std::minmax_element(m_history.cbegin(), m_history.cend());
    m_stable = *range.second - *range.first <=
               qint64(param(Reg::StabilityRange) * divisionAt(double(m_history.last())));
}

void InstrumentModel::refillHistory()
{
    m_history.fill(weigh().grossRaw, HistoryLength);
    m_stable = true;
}

void InstrumentModel::refreshLive()
{
    // register 110 may have been written directly; it then wins
    if (std::llround(m_zeroSignal) != param(Reg::ManualZero))
        m_zeroSignal = param(Reg::ManualZero);

    const Weighing w = weigh();
    const double fs = fullScale();
    const double div = division();
    const Range last = ranges().last();
    const double scale = std::pow(10.0, qBound(0, param(Reg::Decimals), 4));
    const qint64 net = w.grossRaw - m_tareRaw;

    int status = 0;
    if (stableNow())
        status |= Status::Stable;
    if (std::fabs(w.grossExact) < div / 2)
        status |= Status::AtZero;
    qint64 shown = m_tareRaw != 0 ? net : w.grossRaw;
    // the instrument shows up to nine divisions above its max (the last range's
    // full scale, in that range's division) before it overflows
    if (w.grossRaw > last.fullScale + OverDivisions * last.division) {
        status |= Status::Overflow | Status::AboveFullScale;
        shown = OverflowShown;
    } else if (w.grossRaw < -fs) {
        status |= Status::Overflow | Status::OverflowNegative | Status::BelowFullScale;
        shown = -OverflowShown;
    }

    storeLive(Reg::Weight, shown);
    m_values[Reg::Status] = quint32(status);
    m_values[Reg::ErrorBits] = m_errorBits;
    storeFloat(Reg::GrossFloat, double(w.grossRaw) / scale);
    storeFloat(Reg::NetFloat, double(net) / scale);
    storeFloat(Reg::TareFloat, double(m_tareRaw) / scale);
    storeLive(Reg::ZeroSignal, std::llround(m_zeroSignal));
    storeLive(Reg::Signal, std::llround(w.signal));
    storeLive(Reg::Gain, std::llround(gainSignal()));
    storeLive(Reg::SignalAboveZero, std::llround(w.signal - m_zeroSignal));

    // Each digital module reports its own code, before the corner correction.
    const int present = m_kind == Kind::Digital ? corners() : 0;
    for (int i = 0; i < 8; ++i) {
        qint64 ad = 0;
        if (i < present)
            ad = std::llround(RegisterLayout::deadSignal(m_kind) / present + w.sensors[i]);
        storeLive(Reg::SensorAd + 2 * i, ad);
    }
}

void InstrumentModel::storeLive(int base, qint64 value)
{
    m_values[base] = quint32(qint32(qBound<qint64>(INT32_MIN, value, INT32_MAX)));
}

void InstrumentModel::storeFloat(int base, double value)
{
    const float f = float(value);
    quint32 bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    m_values[base] = bits;
}

} // namespace sim
