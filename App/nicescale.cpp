#include "nicescale.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace {

// Rounding slack: a bound a few ulps beyond a tick still lands on it.
constexpr double Slack = 1e-9;

} // namespace

NiceScale niceScale(double lo, double hi, int intervals)
{
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return {};
    if (lo > hi)
        std::swap(lo, hi);
    if (lo == hi) {
        // A single value stands in the middle of a unit's room around it.
        const double half = lo == 0.0 ? 1.0 : std::abs(lo) / 2;
        lo -= half;
        hi += half;
    }
    const double raw = (hi - lo) / std::max(intervals, 1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double residual = raw / magnitude;
    double factor = 10.0;
    for (double candidate : {1.0, 2.0, 2.5, 5.0}) {
        if (residual <= candidate + Slack) {
            factor = candidate;
            break;
        }
    }
    NiceScale scale;
    scale.step = factor * magnitude;
    scale.min = std::floor(lo / scale.step + Slack) * scale.step;
    scale.max = std::ceil(hi / scale.step - Slack) * scale.step;
    const int places = -int(std::floor(std::log10(scale.step) + Slack));
    scale.decimals = std::max(0, places + (factor == 2.5 ? 1 : 0));
    return scale;
}

int NiceScale::tickCount() const
{
    return int(std::lround((max - min) / step)) + 1;
}

double NiceScale::tick(int i) const
{
    // Whole multiples of the step: the tick at zero is exactly zero.
    const long long k = std::llround(min / step) + i;
    return k == 0 ? 0.0 : double(k) * step;
}

QStringList NiceScale::labels() const
{
    QStringList texts;
    const int count = tickCount();
    for (int i = 0; i < count; ++i)
        texts << QString::number(tick(i), 'f', decimals);
    return texts;
}
