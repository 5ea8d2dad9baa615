#include "testplan.h"

#include <algorithm>

namespace {

constexpr int AnalogSupports = 4;

// The load nearest to max * part / whole that is a whole number of divisions
// of the range it falls in, never above max.
qint64 roundedShare(const ScaleRanges &ranges, qint64 part, qint64 whole)
{
    const qint64 max = ranges.max();
    const qint64 exact = max * part / whole;
    const qint64 d = qMax<qint64>(1, ranges.divisionOf(exact));
    qint64 load = (exact + d / 2) / d * d;
    if (load > max)
        load -= d;
    return qMax<qint64>(0, load);
}

} // namespace

QVector<qint64> TestPlans::suggestedLoads(const ScaleRanges &ranges)
{
    QVector<qint64> loads;
    for (int percent : {0, 10, 25, 50, 75, 100}) {
        const qint64 load = roundedShare(ranges, percent, 100);
        if (loads.isEmpty() || loads.last() != load)
            loads.append(load);
    }
    return loads;
}

QVector<PlanPoint> TestPlans::build(const ScaleRanges &ranges, const QVector<qint64> &loads,
                                    const PlanOptions &options)
{
    QVector<qint64> up = loads;
    std::sort(up.begin(), up.end());
    up.erase(std::unique(up.begin(), up.end()), up.end());
    QVector<PlanPoint> plan;
    for (qint64 load : up)
        plan.append({PointKind::Increasing, load, 0, 0});
    if (options.decreasing) {
        for (int i = up.size() - 2; i >= 0; --i)
            plan.append({PointKind::Decreasing, up[i], 0, 0});
    }
    plan += corners(ranges, options.corners, options.supports);
    const qint64 half = roundedShare(ranges, 50, 100);
    for (int repeat = 1; repeat <= options.repeatability; ++repeat)
        plan.append({PointKind::Repeatability, half, 0, repeat});
    if (options.returnToZero) {
        if (!plan.isEmpty() && plan.last().load == 0 && plan.last().kind == PointKind::Decreasing)
            plan.last().kind = PointKind::ReturnToZero;
        else
            plan.append({PointKind::ReturnToZero, 0, 0, 0});
    }
    return plan;
}

qint64 TestPlans::eccentricityLoad(const ScaleRanges &ranges)
{
    return eccentricityLoad(ranges, AnalogSupports);
}

qint64 TestPlans::eccentricityLoad(const ScaleRanges &ranges, int supports)
{
    // OIML R 76-1, eccentric loading: a third of max on up to four supports;
    // on n > 4 supports the fraction 1/(n - 1) of max on each support.
    return roundedShare(ranges, 1, supports > AnalogSupports ? supports - 1 : 3);
}

QVector<PlanPoint> TestPlans::corners(const ScaleRanges &ranges, int n)
{
    return corners(ranges, n, AnalogSupports);
}

QVector<PlanPoint> TestPlans::corners(const ScaleRanges &ranges, int n, int supports)
{
    QVector<PlanPoint> plan;
    const qint64 load = eccentricityLoad(ranges, supports);
    for (int corner = 1; corner <= n; ++corner)
        plan.append({PointKind::Eccentricity, load, corner, 0});
    return plan;
}

bool TestPlans::checkCorners(int corners, int supports, QString *error)
{
    if (corners > 0 && supports < 1) {
        *error = tr("the platform reports no supports (no weighing modules found): an "
                    "eccentricity test needs at least one");
        return false;
    }
    if (corners > supports) {
        *error = tr("%1 corners asked for, but the platform has %2 supports: the "
                    "eccentricity test loads each support once (at most %2 corners)")
                     .arg(corners)
                     .arg(supports);
        return false;
    }
    return true;
}

int TestPlans::supportsOf(bool digital, int modules)
{
    return digital ? qMax(0, modules) : AnalogSupports;
}

QVector<PlanPoint> TestPlans::fromLoads(const QVector<qint64> &loads)
{
    QVector<PlanPoint> plan;
    bool loaded = false; // a load above zero was weighed before
    for (int i = 0; i < loads.size(); ++i) {
        PlanPoint p;
        p.load = loads[i];
        if (i > 0 && loads[i] == loads[i - 1] && loads[i] != 0) {
            // Repetitions of one load: the first of them is repetition 1.
            PlanPoint &before = plan.last();
            if (before.kind != PointKind::Repeatability) {
                before.kind = PointKind::Repeatability;
                before.repeat = 1;
            }
            p.kind = PointKind::Repeatability;
            p.repeat = before.repeat + 1;
        } else if (p.load == 0 && loaded && i == loads.size() - 1) {
            p.kind = PointKind::ReturnToZero;
        } else if (i > 0 && loads[i] < loads[i - 1]) {
            p.kind = PointKind::Decreasing;
        }
        loaded = loaded || p.load > 0;
        plan.append(p);
    }
    return plan;
}

bool TestPlans::check(const QVector<PlanPoint> &plan, const ScaleRanges &ranges, QString *error)
{
    if (plan.isEmpty()) {
        *error = tr("the test has no loads");
        return false;
    }
    for (const PlanPoint &p : plan) {
        if (p.load < 0) {
            *error = tr("a test load of %1 is below zero").arg(ranges.weightText(p.load));
            return false;
        }
        if (p.load > ranges.max()) {
            *error = tr("a test load of %1 is above the instrument's max of %2")
                         .arg(ranges.weightText(p.load), ranges.weightText(ranges.max()));
            return false;
        }
    }
    return true;
}

QString TestPlans::kindText(PointKind kind)
{
    switch (kind) {
    case PointKind::Increasing:
        return tr("increasing");
    case PointKind::Decreasing:
        return tr("decreasing");
    case PointKind::Eccentricity:
        return tr("eccentricity");
    case PointKind::Repeatability:
        return tr("repeatability");
    case PointKind::ReturnToZero:
        break;
    }
    return tr("return to zero");
}

QString TestPlans::instruction(const PlanPoint &point, const ScaleRanges &ranges)
{
    if (point.load == 0)
        return tr("remove the load");
    const QString weight = ranges.weightText(point.load);
    if (point.kind == PointKind::Eccentricity && point.position > 0)
        return tr("place %1 on corner %2").arg(weight).arg(point.position);
    return tr("place %1").arg(weight);
}
