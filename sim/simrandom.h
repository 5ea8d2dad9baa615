#pragma once

#include <QtGlobal>

namespace sim {

// Small seeded generator (split-mix style). The standard distributions are
// implementation-defined, so the simulator uses its own to stay reproducible.
class SimRandom
{
public:
    explicit SimRandom(quint64 seed = 1) : m_state(seed) {}

    void reseed(quint64 seed) { m_state = seed; }

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

    // Stateless mix of two numbers, for values that must not depend on history.
    static quint64 mix(quint64 a, quint64 b)
    {
        SimRandom r(a * 0x100000001B3ull ^ (b + 0x632BE59BD9B4E019ull));
        return r.next();
    }

private:
    quint64 m_state;
};

} // namespace sim
