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
constexpr double DigitalGain = 500000; // summed AD counts per full scale
constexpr double ExcitationVolts = 5;
} // namespace

void InstrumentModel::setLiveFrozen(bool frozen)
{
    QMutexLocker lock(&m_mutex);
    if (frozen && !m_frozen) {
        // keep the load where it is now, minus the noise
        m_frozenLoad = m_live.baseLoad() + m_live.driftDivisions() * division() / fullScale();
    }
    m_frozen = frozen;
    refillHistory();
    refreshLive();
}

void InstrumentModel::setLiveLoad(double fractionOfFullScale)
{
    QMutexLocker lock(&m_mutex);
    m_frozen = true;
    m_frozenLoad = fractionOfFullScale;
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
    const double gain = gainSignal();
    w.signal = RegisterLayout::deadSignal(m_kind) + currentLoad() * gain;
    const double correction = param(Reg::Correction) / 100000.0;
    w.grossExact = (w.signal - m_zeroSignal) / gain * correction * fullScale();
    const double div = division();
    w.grossRaw = qint64(std::llround(w.grossExact / div) * qint64(div));
    return w;
}

void InstrumentModel::advanceStep()
{
    m_live.step();
    if (m_errorBits != 0) {
        m_errorAgeMs += LiveSignal::StepMs;
        if (m_errorAgeMs >= ErrorHoldMs)
            m_errorBits = 0;
    }
    m_history.append(weigh().grossRaw);
    while (m_history.size() > HistoryLength)
        m_history.removeFirst();
    const auto range = std::minmax_element(m_history.cbegin(), m_history.cend());
    m_stable = *range.second - *range.first <= qint64(param(Reg::StabilityRange) * division());
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
    const double scale = std::pow(10.0, qBound(0, param(Reg::Decimals), 4));
    const qint64 net = w.grossRaw - m_tareRaw;

    int status = 0;
    if (m_frozen || m_stable)
        status |= Status::Stable;
    if (std::fabs(w.grossExact) < div / 2)
        status |= Status::AtZero;
    qint64 shown = m_tareRaw != 0 ? net : w.grossRaw;
    if (w.grossRaw > fs) {
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

    // Each digital module carries its share, with a small fixed corner skew.
    const int present = m_kind == Kind::Digital ? qBound(0, param(Reg::ModuleCount), 8) : 0;
    for (int i = 0; i < 8; ++i) {
        qint64 ad = 0;
        if (i < present) {
            const double skew = double(SimRandom::mix(m_seed, quint64(i)) % 1001) / 1e5 - 0.005;
            ad = std::llround(w.signal / present * (1 + skew));
        }
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
