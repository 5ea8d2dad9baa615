#include "testload.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace sim {

namespace {
// A load on a corner bears mostly on that support and a little on the others.
constexpr double CornerShare = 0.7;
// Eccentric error seen on a corner, as a part of the difference of its support's gain.
constexpr double CornerSensitivity = CornerShare - (1 - CornerShare) / 3;
} // namespace

bool ErrorModel::operator==(const ErrorModel &o) const
{
    return spanE == o.spanE && nonlinearityE == o.nonlinearityE && hysteresisE == o.hysteresisE &&
           eccentricityE == o.eccentricityE && noiseE == o.noiseE && creepE == o.creepE &&
           creepTauMs == o.creepTauMs && settleMs == o.settleMs;
}

ErrorModel ErrorModel::asFound()
{
    ErrorModel m;
    // sums that keep clear of half a division at the usual test loads, so the
    // display does not flicker between two values there
    m.spanE = 4;
    m.nonlinearityE = 0.35;
    m.hysteresisE = 0.2;
    m.eccentricityE = 0.6;
    m.noiseE = 0.05;
    m.creepE = 0.1;
    return m;
}

QString ErrorModel::set(const QString &text)
{
    const struct
    {
        const char *key;
        double *e;
        int *ms;
    } keys[] = {{"span", &spanE, nullptr},
                {"nonlinearity", &nonlinearityE, nullptr},
                {"hysteresis", &hysteresisE, nullptr},
                {"eccentricity", &eccentricityE, nullptr},
                {"noise", &noiseE, nullptr},
                {"creep", &creepE, nullptr},
                {"creep-tau", nullptr, &creepTauMs},
                {"settle", nullptr, &settleMs}};
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = item.section(QLatin1Char('='), 1).trimmed();
        bool known = false, ok = false;
        for (const auto &k : keys) {
            if (key != QLatin1String(k.key))
                continue;
            known = true;
            if (k.e) {
                const double v = value.toDouble(&ok);
                ok = ok && std::isfinite(v) && std::fabs(v) <= 1000;
                if (ok)
                    *k.e = v;
            } else {
                const int v = value.toInt(&ok);
                ok = ok && v >= 0 && v <= 3600000;
                if (ok)
                    *k.ms = v;
            }
        }
        if (!known)
            return QStringLiteral("unknown error key '%1'").arg(key);
        if (!ok)
            return QStringLiteral("bad value for '%1': '%2'").arg(key, value);
    }
    return QString();
}

TestLoad::TestLoad(quint32 seed) : m_seed(seed), m_noise(seed ^ 0xC0FFEEu)
{}

void TestLoad::setErrors(const ErrorModel &errors, quint32 seed)
{
    m_errors = errors;
    m_seed = seed;
    m_settleMs = std::min(m_settleMs, std::max(0, errors.settleMs)); // a shorter settle applies now
    m_noise.reseed(seed ^ 0xC0FFEEu);
    m_noiseSample = 0;
}

void TestLoad::place(double units, int corner)
{
    if (units != m_to)
        m_decreasing = units < m_to;
    m_from = appliedUnits();
    m_to = units;
    m_corner = corner;
    m_elapsedMs = 0;
    m_settleMs = std::max(0, m_errors.settleMs);
}

void TestLoad::step(int ms)
{
    if (settling())
        m_elapsedMs = std::min(m_settleMs, m_elapsedMs + ms);
    const double tau = std::max(1, m_errors.creepTauMs);
    m_creepUnits += (m_to - m_creepUnits) * (1 - std::exp(-ms / tau));
    m_noiseSample = m_errors.noiseE > 0 ? m_noise.uniform() * 2 - 1 : 0;
}

double TestLoad::appliedUnits() const
{
    if (!settling())
        return m_to;
    // a damped swing that lands exactly on the load when the settle time ends
    const double p = double(m_elapsedMs) / m_settleMs;
    return m_to + (m_from - m_to) * std::pow(1 - p, 3) * std::cos(2 * M_PI * p);
}

double TestLoad::cornerSign(int support, int supports) const
{
    if (supports < 2 || m_errors.eccentricityE == 0)
        return 0;
    // seeded gains with no mean, so a centred load sees none of them
    QVector<double> u(supports);
    for (int i = 0; i < supports; ++i)
        u[i] = double(SimRandom::mix(m_seed + 0xECCu, quint64(i)) >> 11) / 9007199254740992.0 - 0.5;
    double mean = 0;
    for (double v : qAsConst(u))
        mean += v / supports;
    double largest = 0;
    for (double &v : u) {
        v -= mean;
        largest = std::max(largest, std::fabs(v));
    }
    return largest > 0 ? u.at(support) / largest : 0;
}

QVector<double> TestLoad::outputs(double units, int supports, double capacityUnits,
                                  double fullScale, double e) const
{
    supports = std::max(1, supports);
    const double x = units / capacityUnits;
    const double eFraction = e / capacityUnits;
    const double m = units / fullScale; // part of full scale
    const double bow = 4 * m * (1 - m);

    double common = x * m_errors.spanE * eFraction * capacityUnits / fullScale;
    common += m_errors.nonlinearityE * eFraction * bow;
    if (m_decreasing)
        common += m_errors.hysteresisE * eFraction * bow;
    common += m_errors.creepE * eFraction * m_creepUnits / fullScale;
    common += m_errors.noiseE * eFraction * m_noiseSample;

    QVector<double> out(supports);
    for (int i = 0; i < supports; ++i) {
        double share = 1.0 / supports;
        if (m_corner > 0 && supports > 1)
            share = (i == m_corner - 1) ? CornerShare : (1 - CornerShare) / (supports - 1);
        out[i] = share * (x * supportGain(i, supports, capacityUnits, fullScale, e) + common);
    }
    return out;
}

double TestLoad::supportGain(int support, int supports, double capacityUnits, double fullScale,
                             double e) const
{
    // a spread that shows eccentricityE on the worst corner at a third of full scale
    const double third = fullScale / 3 / capacityUnits;
    const double spread =
        m_errors.eccentricityE * (e / capacityUnits) / (CornerSensitivity * third);
    return 1 + spread * cornerSign(support, supports);
}

} // namespace sim
