#include "livesignal.h"

#include <cmath>

namespace sim {

namespace {
constexpr qint64 CycleMs = 30000;
constexpr qint64 LoadOnMs = 8000;
constexpr qint64 LoadOffMs = 22000;
constexpr qint64 RampMs = 1000;
constexpr double DriftPeriodMs = 60000;
constexpr double DriftDivisions = 3;
constexpr double NoiseDivisions = 0.4;
} // namespace

LiveSignal::LiveSignal(quint32 seed) : m_seed(seed), m_noise(seed)
{}

void LiveSignal::reset(quint32 seed)
{
    m_seed = seed;
    m_noise.reseed(seed);
    m_timeMs = 0;
    m_noiseDivisions = 0;
}

void LiveSignal::step()
{
    m_timeMs += StepMs;
    m_noiseDivisions = (m_noise.uniform() * 2 - 1) * NoiseDivisions;
}

double LiveSignal::baseLoad() const
{
    const qint64 cycle = m_timeMs / CycleMs;
    const qint64 phase = m_timeMs % CycleMs;
    const double level =
        0.1 + 0.5 * double(SimRandom::mix(m_seed, quint64(cycle)) >> 11) / 9007199254740992.0;
    double envelope = 0;
    if (phase >= LoadOnMs && phase < LoadOnMs + RampMs)
        envelope = double(phase - LoadOnMs) / RampMs;
    else if (phase >= LoadOnMs + RampMs && phase < LoadOffMs)
        envelope = 1;
    else if (phase >= LoadOffMs && phase < LoadOffMs + RampMs)
        envelope = 1 - double(phase - LoadOffMs) / RampMs;
    return level * envelope;
}

double LiveSignal::driftDivisions() const
{
    return DriftDivisions * std::sin(2 * M_PI * double(m_timeMs) / DriftPeriodMs);
}

} // namespace sim
