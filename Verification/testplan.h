#pragma once

// What a scale test weighs, in order: loads increasing to max and decreasing
// again, a third of max on each corner (1/(n-1) of max on a platform of n > 4
// supports; eccentricity, the shift test), one load weighed n times
// (repeatability), and zero once the load is off (return to zero).

#include "scaleranges.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

enum class PointKind { Increasing, Decreasing, Eccentricity, Repeatability, ReturnToZero };

struct PlanPoint
{
    PointKind kind = PointKind::Increasing;
    qint64 load = 0;  // raw counts
    int position = 0; // eccentricity: corner 1..n; 0 the centre
    int repeat = 0;   // repeatability: 1..n
};

struct PlanOptions
{
    bool decreasing = true;   // the loads down again after max
    int corners = 0;          // eccentricity on this many corners (0: none)
    int supports = 4;         // the platform's supports (see supportsOf), for the corner load
    int repeatability = 0;    // the load of about half max weighed this many times (0: none)
    bool returnToZero = true; // zero once more at the end
};

class TestPlans
{
    Q_DECLARE_TR_FUNCTIONS(TestPlans)
public:
    // 0, 10, 25, 50, 75 and 100 % of max, each rounded to the division of the
    // range it falls in.
    static QVector<qint64> suggestedLoads(const ScaleRanges &ranges);

    // The increasing loads as given (ascending), then by the options: the
    // same loads down again to the lowest, corners at about a third of max,
    // repeatability at about half max, and zero at the end when the loads
    // down did not end there already.
    static QVector<PlanPoint> build(const ScaleRanges &ranges, const QVector<qint64> &loads,
                                    const PlanOptions &options);

    // The load of the eccentricity test on a platform of four supports: a
    // third of max, on a whole division.
    static qint64 eccentricityLoad(const ScaleRanges &ranges);
    // The same for a platform on `supports` supports: a third of max up to
    // four supports, max / (supports - 1) above (OIML R 76-1, eccentric
    // loading), on the nearest whole division of its range.
    static qint64 eccentricityLoad(const ScaleRanges &ranges, int supports);
    // That load on corners 1 to n (four supports, or as given).
    static QVector<PlanPoint> corners(const ScaleRanges &ranges, int n);
    static QVector<PlanPoint> corners(const ScaleRanges &ranges, int n, int supports);
    // The eccentricity test loads each support once: false with *error for
    // more corners than the platform has supports, or a platform without any.
    static bool checkCorners(int corners, int supports, QString *error);
    // The supports of a platform: four on an analog one (one junction box of
    // four cells), each module on a digital one.
    static int supportsOf(bool digital, int modules);

    // The loads in the order given (zeltctl test --loads): a load at least the
    // one before is increasing, a smaller one decreasing, a load equal to the
    // one before a repetition of it, a zero after other loads return to zero.
    static QVector<PlanPoint> fromLoads(const QVector<qint64> &loads);

    // False with *error when the plan is empty or a load is below zero or
    // above the instrument's max.
    static bool check(const QVector<PlanPoint> &plan, const ScaleRanges &ranges, QString *error);

    // "increasing", "decreasing", "eccentricity", "repeatability", "return to zero"; translated.
    static QString kindText(PointKind kind);
    // "place 500.0 kg" / "place 333.0 kg on corner 2" / "remove the load"; translated.
    static QString instruction(const PlanPoint &point, const ScaleRanges &ranges);
};
