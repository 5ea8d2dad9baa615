#pragma once

// Legal tolerances of a non-automatic weighing instrument, kept as data.
//
// A tolerance is looked up for a test load in the division e (d) of the range
// the load falls in. The standards' tables give it in half divisions by bands
// of the load counted in divisions:
//   OIML R 76, classes I, II, III, IIII: the maximum permissible error on
//     initial verification; in service it is twice that.
//   NIST Handbook 44, classes III and IIII: the maintenance tolerance;
//     the acceptance tolerance is half of it.
// A custom tolerance is either +- a percentage of the load or +- n divisions.
// Loads and divisions are the instrument's raw counts (the weight register
// before its decimal point), so every band boundary is compared exactly.

#include "scaleranges.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

enum class TestStandard { OimlR76, Hb44, Custom };
enum class AccuracyClass { I, II, III, IIII };
// Initial and in-service belong to OIML R 76, acceptance and maintenance to
// Handbook 44; a custom tolerance has none.
enum class Accuracy { Initial, InService, Acceptance, Maintenance };

struct ToleranceChoice
{
    TestStandard standard = TestStandard::OimlR76;
    AccuracyClass accuracyClass = AccuracyClass::III;
    Accuracy accuracy = Accuracy::Initial;
    // Custom only, exactly one of them above zero.
    double customPercent = 0;   // +- this percentage of the load
    double customDivisions = 0; // +- this many divisions of the load's range
};

// One row of a table: loads up to and including upToDivisions (no upper limit
// when negative) are allowed +- halfDivisions / 2 divisions.
struct ToleranceBand
{
    qint64 upToDivisions;
    int halfDivisions;
};

// How many verification scale intervals n = Max/e a class allows an
// instrument, for verification scale intervals from eFrom up (to the next
// row's eFrom); maximum -1: no upper limit.
struct IntervalLimits
{
    double eFrom; // in grams, or in pounds for Handbook 44's inch-pound rows
    qint64 minimum;
    qint64 maximum;
};

class Tolerances
{
    Q_DECLARE_TR_FUNCTIONS(Tolerances)
public:
    // The table of a standard, class and accuracy, lowest loads first; empty
    // when the standard has none for them (Handbook 44 class II, OIML
    // acceptance, any custom tolerance).
    static QVector<ToleranceBand> bands(TestStandard standard, AccuracyClass accuracyClass,
                                        Accuracy accuracy);

    // Whether the choice names a table or a sound custom tolerance;
    // *error says what is wrong otherwise.
    static bool check(const ToleranceChoice &choice, QString *error);

    // The tolerance (+-, in raw counts) for a load of loadCounts judged with a
    // division of divisionCounts. False with *error for a negative load, a
    // division of zero or less, or a choice check() refuses.
    static bool forLoad(const ToleranceChoice &choice, qint64 loadCounts, qint64 divisionCounts,
                        double *toleranceCounts, QString *error);

    // How far repeated weighings of one load may spread (largest minus
    // smallest indication): OIML R 76 the maximum permissible error for the
    // load, Handbook 44 the maintenance tolerance (also on acceptance), custom
    // the tolerance.
    static bool repeatabilityLimit(const ToleranceChoice &choice, qint64 loadCounts,
                                   qint64 divisionCounts, double *limitCounts, QString *error);

    // The rows of n = Max/e for a standard and class, smallest e first;
    // inchPound: Handbook 44's rows for pound units. Empty for a custom
    // tolerance and for a class the standard has no tolerances for.
    static QVector<IntervalLimits> intervalLimits(TestStandard standard,
                                                  AccuracyClass accuracyClass, bool inchPound);

    // Whether each range's n = Max_i/e_i is within the class's limits for
    // its e (and that e is one the class allows); false with *error naming
    // the range, n and the limit. Always true for a custom tolerance.
    static bool checkIntervals(const ToleranceChoice &choice, const ScaleRanges &ranges,
                               QString *error);

    // Texts as zeltctl takes and prints them: "oiml-r76", "hb44", "custom";
    // "I", "II", "III", "IIII"; "initial", "in-service", "acceptance",
    // "maintenance". The parsers take any letter case and return false for
    // anything else.
    static QString standardKey(TestStandard standard);
    static bool parseStandard(const QString &text, TestStandard *standard);
    static QString classKey(AccuracyClass accuracyClass);
    static bool parseClass(const QString &text, AccuracyClass *accuracyClass);
    static QString accuracyKey(Accuracy accuracy);
    static bool parseAccuracy(const QString &text, Accuracy *accuracy);

    // "OIML R 76 class III, initial verification", "Handbook 44 class III,
    // maintenance", "custom +-0.1 % of load"; translated.
    static QString title(const ToleranceChoice &choice);
};
