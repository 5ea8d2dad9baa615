#pragma once

#include "simrandom.h"

namespace sim {

// What sits on the scale over time: empty, a load ramps on, stays, ramps
// off, repeated every cycle with a seeded load level, plus a slow drift and
// a little noise. Everything follows from the seed and the number of steps.
class LiveSignal
{
public:
    static constexpr int StepMs = 100;

    explicit LiveSignal(quint32 seed = 1);

    void reset(quint32 seed);
    void step();

    qint64 timeMs() const { return m_timeMs; }
    // Fraction of full scale placed on the scale by the load schedule.
    double baseLoad() const;
    // Slow drift and noise, in divisions (so they look alike at any scale).
    double driftDivisions() const;
    double noiseDivisions() const { return m_noiseDivisions; }

private:
    quint32 m_seed;
    SimRandom m_noise;
    qint64 m_timeMs = 0;
    double m_noiseDivisions = 0;
};

} // namespace sim
