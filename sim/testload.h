#pragma once

#include <QVector>

#include "errormodel.h"
#include "simrandom.h"

namespace sim {

// The physical side of the scale: what is placed on it, where, and what its
// supports put out for it with the error model's departures. Knows nothing
// of the instrument's calibration; that turns these outputs into a weight.
class TestLoad
{
public:
    static constexpr int Centre = 0;

    explicit TestLoad(quint32 seed = 1);

    void setErrors(const ErrorModel &errors, quint32 seed);
    const ErrorModel &errors() const { return m_errors; }

    // Puts a load (in the instrument's unit) on a corner (1..n, 0 the
    // centre); the platform moves from where it is and settles there.
    void place(double units, int corner);
    void step(int ms);
    bool settling() const { return m_elapsedMs < m_settleMs; }
    int settleLeftMs() const { return settling() ? m_settleMs - m_elapsedMs : 0; }
    double targetUnits() const { return m_to; }
    int corner() const { return m_corner; }
    // The load the platform presses with now, settling motion included.
    double appliedUnits() const;

    // Output of each of `supports` supports for a load of `units`, as
    // fractions of the cell's rated output at `capacityUnits`; fullScale and
    // e are the instrument's, in its unit, to size the errors.
    QVector<double> outputs(double units, int supports, double capacityUnits, double fullScale,
                            double e) const;

    // The gain of one support relative to a perfect one (1 without eccentricity).
    double supportGain(int support, int supports, double capacityUnits, double fullScale,
                       double e) const;

private:
    double cornerSign(int support, int supports) const;

    ErrorModel m_errors;
    quint32 m_seed;
    SimRandom m_noise;
    double m_noiseSample = 0; // -1..1
    double m_from = 0;
    double m_to = 0;
    int m_corner = Centre;
    int m_elapsedMs = 0;
    int m_settleMs = 0;
    bool m_decreasing = false;
    double m_creepUnits = 0; // the load the creep has caught up with
};

} // namespace sim
