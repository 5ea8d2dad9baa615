#pragma once

#include <QString>

namespace sim {

// How far the simulated scale departs from a perfect one. Every size is in
// verification divisions e of the instrument's present setting (full scale 1
// and its division), so a model reads the same whatever the capacity; zero
// everywhere is a perfect scale. The seed picks the corners' signs and the noise.
struct ErrorModel
{
    double spanE = 0;         // error at full scale
    double nonlinearityE = 0; // departure from the straight line, largest at half of full scale
    double hysteresisE = 0;   // decreasing loads read this much higher, largest at half
    double eccentricityE = 0; // error of the worst corner with a third of full scale on it
    double noiseE = 0;        // peak noise of each sample
    double creepE = 0;        // drift after a long time with full scale on
    int creepTauMs = 30000;   // time constant of the creep
    int settleMs = 1500;      // motion after each change of load, stable flag clear

    bool operator==(const ErrorModel &o) const;
    bool operator!=(const ErrorModel &o) const { return !(*this == o); }

    // A scale out in the field since its last calibration: its span has moved
    // several e, enough to fail a class III test until it is calibrated again.
    static ErrorModel asFound();
    // Settle time of the fast-settle mode, for benchmarks.
    static constexpr int FastSettleMs = 200;

    // Sets the keys of "span=4,noise=0.1,settle=300" (span, nonlinearity,
    // hysteresis, eccentricity, noise, creep in e; creep-tau, settle in ms);
    // the message of the first bad key, or an empty string.
    QString set(const QString &text);
};

} // namespace sim
