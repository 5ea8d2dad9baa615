#pragma once

// The measurement uncertainty of a scale test's points and the rule that
// turns an error, its uncertainty and a tolerance into pass or fail.
//
// Model (EURAMET Calibration Guide No. 18, version 4.0, chapter 7 "Measurement
// uncertainty", 7.1 "Standard uncertainty for discrete values"): the error of
// a point is E = I - m_ref, so
//   u^2(E) = u^2(dI_dig0) + u^2(dI_digL) + u^2(dI_rep) + u^2(dI_ecc) + u^2(m_ref)
// with (all in raw counts of the weight register)
//   rounding at zero   d0 / (2 sqrt 3)                 (7.1.1, d0 the division at zero)
//   rounding at load   dL / (2 sqrt 3)                 (7.1.1, dL the division of the load's range)
//   repeatability      s, the standard deviation of the repeatability test's
//                      readings (7.1.1), taken for every load (of several runs
//                      the largest); with one reading there is none and the
//                      rounding terms stand alone
//   eccentricity       |dI_ecc|max / (2 L_ecc sqrt 3) * L   (7.1.1, a rectangular
//                      distribution of half the largest deviation, in proportion
//                      to the load L); the test takes no centre reading, so the
//                      deviation is the larger of the corners' largest |I - L_ecc|
//                      and their spread (largest - smallest indication)
//   reference weights  the sum over the pieces making up the load of MPE/sqrt 3
//                      (7.1.2: weights used at their nominal value, the class's
//                      maximum permissible error as a rectangular limit; the
//                      pieces of one set are taken as correlated, so their
//                      uncertainties add). The load is made up of the nominal
//                      values of OIML R 111-1 in the 1-2-2-5 sequence, largest
//                      first. Air buoyancy, drift and convection of the weights
//                      (7.1.2) are not included.
// combined in quadrature and expanded with k = 2 (7.3: about 95 %).
// U is stated rounded up to a hundredth of a count, and a decision at the
// boundary compares that stated value in whole hundredths.

#include "scaleranges.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

// The classes of OIML R 111-1, most accurate first.
enum class WeightClass { E1, E2, F1, F2, M1, M1_2, M2, M2_3, M3 };

// ILAC-G8:09/2019, 4.2.1 "Binary Statement for Simple Acceptance Rule (w = 0)":
// pass when the measured value is within the acceptance limit AL = TL; 4.2.2
// "Binary Statement with Guard Band": pass when it is within AL = TL - w, here
// with the guard band w = U.
enum class DecisionRule { Simple, Guarded };

struct WeightMpe
{
    qint64 nominalMg;
    // Maximum permissible error in mg per class in the order of WeightClass;
    // 0: the class has no weight of this nominal value.
    double mpeMg[9];
};

// One named contribution, a standard uncertainty in raw counts.
struct UncertaintyTerm
{
    QString name; // translated
    double counts = 0;
};

struct PointUncertainty
{
    bool stated = false;
    QString reason; // why U is not stated
    QVector<UncertaintyTerm> terms;
    QStringList notes;         // what the model left out for this point, translated
    double combined = 0;       // u, counts
    qint64 expandedCentis = 0; // U = 2u, hundredths of a count, rounded up

    double expanded() const { return double(expandedCentis) / 100.0; }
};

// What the budget of one point is made of.
struct UncertaintyInputs
{
    qint64 load = 0;           // counts
    qint64 divisionAtZero = 0; // counts
    qint64 divisionAtLoad = 0; // counts
    int repeatabilityReadings = 0;
    double repeatabilitySd = 0; // counts, with at least two readings
    bool eccentricityTaken = false;
    qint64 eccentricityLoad = 0;      // counts
    qint64 eccentricityDeviation = 0; // counts, |dI_ecc|max
    bool weightClassGiven = false;
    WeightClass weightClass = WeightClass::M1;
    double mgPerCount = 0; // one count of the weight register in mg; 0: not a unit of mass
};

class Uncertainty
{
    Q_DECLARE_TR_FUNCTIONS(Uncertainty)
public:
    // The R 111-1 table, smallest nominal value first.
    static const QVector<WeightMpe> &mpeTable();
    // The maximum permissible error in mg of a piece; false when the class has
    // no weight of that nominal value.
    static bool mpe(WeightClass weightClass, qint64 nominalMg, double *mpeMg);
    // The nominal values (mg) a load of massMg is made up of, largest first:
    // in each decade at most one 5, two 2 and one 1, above the table's largest
    // value as many of it as needed. False when the mass is not a whole number
    // of mg.
    static bool pieces(qint64 massMg, QVector<qint64> *nominalsMg);

    // "E1" ... "M1-2" ... "M3"; the parser takes any letter case.
    static QString classKey(WeightClass weightClass);
    static bool parseClass(const QString &text, WeightClass *weightClass);
    // "simple", "guarded"
    static QString ruleKey(DecisionRule rule);
    static bool parseRule(const QString &text, DecisionRule *rule);
    // "simple acceptance (ILAC-G8 4.2.1)"; translated.
    static QString ruleTitle(DecisionRule rule);

    // mg in one count of a register at that decimal setting and unit ("t",
    // "kg", "g"); 0 for a unit that is no mass.
    static double mgPerCount(const QString &unit, int decimals);

    // The budget of one point.
    static PointUncertainty budget(const UncertaintyInputs &inputs);

    // Whether a point passes by the rule: simple |E| <= T, guarded
    // |E| + U <= T, both in hundredths of a count (E whole counts, U as
    // stated, T rounded down to a hundredth unless it is one already).
    static bool passes(DecisionRule rule, qint64 errorCounts, qint64 expandedCentis,
                       double toleranceCounts);
};
