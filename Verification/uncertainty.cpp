#include "uncertainty.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double Sqrt3 = 1.7320508075688772;
constexpr double CoverageFactor = 2; // cg-18 7.3: k = 2, about 95 %
constexpr qint64 G = 1000;           // mg
constexpr qint64 Kg = 1000 * G;

// OIML R 111-1:2004, Table 1 "Maximum permissible errors for weights (+-delta m
// in mg)", columns E1, E2, F1, F2, M1, M1-2, M2, M2-3, M3; 0 where the class
// has no weight of that nominal value. Every figure was checked against the
// table as reprinted in "How to determine the necessary test weights: maximum
// tolerance for weights according to OIML R111:2004" (a weight maker's
// leaflet, the whole table), the rows 1 mg to 5 kg of E1 to M3 also against
// a calibration laboratory's reprint of the R 111 error limits, M1, M2 and M3
// from 1 mg to 50 kg against a national regulation quoting R 111 for trade
// weights, and the rows 2 000 kg and 5 000 kg of F1 to M2 against the text of
// R 111-1:2004 Table 1 itself.
const QVector<WeightMpe> Table = {
    //            E1      E2      F1      F2      M1      M1-2    M2      M2-3    M3
    {1, {0.003, 0.006, 0.020, 0.06, 0.20, 0, 0, 0, 0}},
    {2, {0.003, 0.006, 0.020, 0.06, 0.20, 0, 0, 0, 0}},
    {5, {0.003, 0.006, 0.020, 0.06, 0.20, 0, 0, 0, 0}},
    {10, {0.003, 0.008, 0.025, 0.08, 0.25, 0, 0, 0, 0}},
    {20, {0.003, 0.010, 0.03, 0.10, 0.3, 0, 0, 0, 0}},
    {50, {0.004, 0.012, 0.04, 0.12, 0.4, 0, 0, 0, 0}},
    {100, {0.005, 0.016, 0.05, 0.16, 0.5, 0, 1.6, 0, 0}},
    {200, {0.006, 0.020, 0.06, 0.20, 0.6, 0, 2.0, 0, 0}},
    {500, {0.008, 0.025, 0.08, 0.25, 0.8, 0, 2.5, 0, 0}},
    {1 * G, {0.010, 0.030, 0.10, 0.3, 1.0, 0, 3.0, 0, 10}},
    {2 * G, {0.012, 0.040, 0.12, 0.4, 1.2, 0, 4.0, 0, 12}},
    {5 * G, {0.016, 0.050, 0.16, 0.5, 1.6, 0, 5.0, 0, 16}},
    {10 * G, {0.020, 0.060, 0.20, 0.6, 2.0, 0, 6.0, 0, 20}},
    {20 * G, {0.025, 0.080, 0.25, 0.8, 2.5, 0, 8.0, 0, 25}},
    {50 * G, {0.030, 0.10, 0.3, 1.0, 3.0, 0, 10, 0, 30}},
    {100 * G, {0.05, 0.16, 0.5, 1.6, 5, 0, 16, 0, 50}},
    {200 * G, {0.10, 0.30, 1.0, 3.0, 10, 0, 30, 0, 100}},
    {500 * G, {0.25, 0.80, 2.5, 8.0, 25, 0, 80, 0, 250}},
    {1 * Kg, {0.5, 1.6, 5, 16, 50, 0, 160, 0, 500}},
    {2 * Kg, {1.0, 3.0, 10, 30, 100, 0, 300, 0, 1000}},
    {5 * Kg, {2.5, 8.0, 25, 80, 250, 0, 800, 0, 2500}},
    {10 * Kg, {5, 16, 50, 160, 500, 0, 1600, 0, 5000}},
    {20 * Kg, {10, 30, 100, 300, 1000, 0, 3000, 0, 10000}},
    {50 * Kg, {25, 80, 250, 800, 2500, 5000, 8000, 16000, 25000}},
    {100 * Kg, {0, 160, 500, 1600, 5000, 10000, 16000, 30000, 50000}},
    {200 * Kg, {0, 300, 1000, 3000, 10000, 20000, 30000, 60000, 100000}},
    {500 * Kg, {0, 800, 2500, 8000, 25000, 50000, 80000, 160000, 250000}},
    {1000 * Kg, {0, 1600, 5000, 16000, 50000, 100000, 160000, 300000, 500000}},
    {2000 * Kg, {0, 0, 10000, 30000, 100000, 200000, 300000, 600000, 1000000}},
    {5000 * Kg, {0, 0, 25000, 80000, 250000, 500000, 800000, 1600000, 2500000}},
};

const char *const ClassKeys[] = {"E1", "E2", "F1", "F2", "M1", "M1-2", "M2", "M2-3", "M3"};

} // namespace

const QVector<WeightMpe> &Uncertainty::mpeTable()
{
    return Table;
}

bool Uncertainty::mpe(WeightClass weightClass, qint64 nominalMg, double *mpeMg)
{
    for (const WeightMpe &row : Table) {
        if (row.nominalMg == nominalMg) {
            *mpeMg = row.mpeMg[int(weightClass)];
            return *mpeMg > 0;
        }
    }
    return false;
}

bool Uncertainty::pieces(qint64 massMg, QVector<qint64> *nominalsMg)
{
    nominalsMg->clear();
    if (massMg < 0)
        return false;
    // As many of the largest as needed, then 1-2-2-5 in each decade: the
    // second 2 makes 4, and 9 = 5 + 2 + 2.
    const qint64 largest = Table.last().nominalMg;
    qint64 rest = massMg;
    for (; rest >= largest; rest -= largest)
        nominalsMg->append(largest);
    for (int i = Table.size() - 2; i >= 0 && rest > 0; --i) {
        const qint64 n = Table[i].nominalMg;
        const int most = QString::number(n).startsWith(QLatin1Char('2')) ? 2 : 1;
        for (int k = 0; k < most && rest >= n; ++k, rest -= n)
            nominalsMg->append(n);
    }
    return rest == 0;
}

QString Uncertainty::classKey(WeightClass weightClass)
{
    return QString::fromLatin1(ClassKeys[int(weightClass)]);
}

bool Uncertainty::parseClass(const QString &text, WeightClass *weightClass)
{
    const QString t = text.trimmed().toUpper();
    for (int i = 0; i < 9; ++i) {
        if (t == QLatin1String(ClassKeys[i])) {
            *weightClass = WeightClass(i);
            return true;
        }
    }
    return false;
}

QString Uncertainty::ruleKey(DecisionRule rule)
{
    return rule == DecisionRule::Guarded ? QStringLiteral("guarded") : QStringLiteral("simple");
}

bool Uncertainty::parseRule(const QString &text, DecisionRule *rule)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("simple"))
        *rule = DecisionRule::Simple;
    else if (t == QLatin1String("guarded"))
        *rule = DecisionRule::Guarded;
    else
        return false;
    return true;
}

QString Uncertainty::ruleTitle(DecisionRule rule)
{
    return rule == DecisionRule::Guarded
               ? tr("guarded acceptance, |E| + U within the tolerance (ILAC-G8 4.2.2, w = U)")
               : tr("simple acceptance, |E| within the tolerance (ILAC-G8 4.2.1)");
}

double Uncertainty::mgPerCount(const QString &unit, int decimals)
{
    double mg = 0;
    if (unit == QLatin1String("t"))
        mg = 1e9;
    else if (unit == QLatin1String("kg"))
        mg = 1e6;
    else if (unit == QLatin1String("g"))
        mg = 1e3;
    return mg / std::pow(10.0, decimals);
}

PointUncertainty Uncertainty::budget(const UncertaintyInputs &in)
{
    PointUncertainty out;
    if (!in.weightClassGiven) {
        out.reason = tr("uncertainty not stated: no weight class given");
        return out;
    }
    if (in.mgPerCount <= 0) {
        out.reason = tr("uncertainty not stated: the instrument does not weigh in t, kg or g, "
                        "the units of OIML R 111 weights");
        return out;
    }
    if (in.divisionAtZero <= 0 || in.divisionAtLoad <= 0 || in.load < 0) {
        out.reason = tr("uncertainty not stated: no division for the load");
        return out;
    }
    // The load as R 111 pieces: each piece's MPE/sqrt 3, added (one set, correlated).
    const double massMg = double(in.load) * in.mgPerCount;
    QVector<qint64> nominals;
    if (std::fabs(massMg - std::round(massMg)) > 1e-6 * qMax(1.0, massMg) ||
        !pieces(qint64(std::llround(massMg)), &nominals)) {
        out.reason = tr("uncertainty not stated: the load is not made of whole mg");
        return out;
    }
    double weightsCounts = 0;
    for (qint64 n : nominals) {
        double limit = 0;
        if (!mpe(in.weightClass, n, &limit)) {
            out.reason = tr("uncertainty not stated: class %1 has no weight of %2 mg in OIML R 111")
                             .arg(classKey(in.weightClass))
                             .arg(n);
            return out;
        }
        weightsCounts += limit / Sqrt3 / in.mgPerCount;
    }

    out.terms.append({tr("rounding at zero"), double(in.divisionAtZero) / (2 * Sqrt3)});
    out.terms.append({tr("rounding at load"), double(in.divisionAtLoad) / (2 * Sqrt3)});
    if (in.repeatabilityReadings >= 2)
        out.terms.append({tr("repeatability"), in.repeatabilitySd});
    else if (in.repeatabilityReadings == 1)
        out.notes << tr("repeatability: one reading, no standard deviation; the rounding terms "
                        "alone");
    else
        out.notes << tr("repeatability: not tested in this test");
    if (in.eccentricityTaken && in.eccentricityLoad > 0)
        out.terms.append({tr("eccentricity"), double(in.eccentricityDeviation) * double(in.load) /
                                                  (2 * double(in.eccentricityLoad) * Sqrt3)});
    else
        out.notes << tr("eccentricity: not tested in this test");
    out.terms.append({tr("reference weights (%1)").arg(classKey(in.weightClass)), weightsCounts});

    double sum = 0;
    for (const UncertaintyTerm &t : out.terms)
        sum += t.counts * t.counts;
    out.combined = std::sqrt(sum);
    // Rounded up: a stated U is never smaller than the computed one. The
    // small allowance keeps a U of exactly n hundredths from becoming n + 1.
    out.expandedCentis = qint64(std::ceil(CoverageFactor * out.combined * 100.0 - 1e-9));
    out.stated = true;
    return out;
}

bool Uncertainty::passes(DecisionRule rule, qint64 errorCounts, qint64 expandedCentis,
                         double toleranceCounts)
{
    const double t = toleranceCounts * 100.0;
    const qint64 tolCentis =
        std::fabs(t - std::round(t)) < 1e-6 ? qint64(std::llround(t)) : qint64(std::floor(t));
    const qint64 errorCentis = std::llabs(errorCounts) * 100;
    if (rule == DecisionRule::Guarded)
        return errorCentis + expandedCentis <= tolCentis;
    return errorCentis <= tolCentis;
}
