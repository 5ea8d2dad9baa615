#include "scaletest.h"

#include <cmath>
#include <cstdlib>

Verdict TestResult::verdict() const
{
    if (linkLost || !stopReason.isEmpty() || points.isEmpty())
        return Verdict::Incomplete;
    bool pass = true;
    for (const PointResult &p : points) {
        if (p.status != PointResult::Captured)
            return Verdict::Incomplete;
        pass = pass && p.pass;
    }
    if (repeatability.applies && !repeatability.pass)
        pass = false;
    if (eccentricity.applies && !eccentricity.pass)
        pass = false;
    return pass ? Verdict::Pass : Verdict::Fail;
}

bool ScaleTest::checkSettings(const ToleranceChoice &choice, const ScaleRanges &ranges,
                              QString *error)
{
    return Tolerances::check(choice, error) && ScaleRangeReader::check(ranges, error) &&
           Tolerances::checkIntervals(choice, ranges, error);
}

bool ScaleTest::begin(const ToleranceChoice &choice, const ScaleRanges &ranges,
                      const QVector<PlanPoint> &plan, const CaptureSettings &capture,
                      QString *error)
{
    if (!checkSettings(choice, ranges, error) || !TestPlans::check(plan, ranges, error))
        return false;
    if (capture.settleMs < 0 || capture.timeoutMs <= capture.settleMs) {
        *error = tr("the settle time must not be negative and must be shorter than the "
                    "timeout");
        return false;
    }
    if (capture.flickerDivisions < 0 || capture.flickerDivisions > MaxFlickerDivisions) {
        *error = tr("the flicker must be 0 to %1 divisions").arg(MaxFlickerDivisions);
        return false;
    }
    TestResult result;
    result.choice = choice;
    result.ranges = ranges;
    result.phase = m_result.phase;
    result.testWeights = m_result.testWeights;
    result.weightClassGiven = m_result.weightClassGiven;
    result.weightClass = m_result.weightClass;
    result.rule = m_result.rule;
    // Every load must have a tolerance before the first weight goes on.
    for (const PlanPoint &p : plan) {
        PointResult r;
        r.point = p;
        r.division = ranges.divisionOf(p.load);
        if (!Tolerances::forLoad(choice, p.load, r.division, &r.tolerance, error)) {
            *error = tr("%1: %2").arg(ranges.weightText(p.load), *error);
            return false;
        }
        // Guarded acceptance judges with U: every load must have one.
        if (result.rule == DecisionRule::Guarded) {
            const PointUncertainty u = Uncertainty::budget(uncertaintyInputs(result, p.load));
            if (!u.stated) {
                *error = tr("guarded acceptance needs the uncertainty of every point: %1: %2")
                             .arg(ranges.weightText(p.load), u.reason);
                return false;
            }
        }
        result.points.append(r);
    }
    m_plan = plan;
    m_result = result;
    m_rule = CaptureRule(capture);
    m_current = 0;
    m_left = false;
    m_message.clear();
    return true;
}

void ScaleTest::arm(qint64 nowMs)
{
    if (m_current < 0)
        return;
    m_message.clear();
    m_rule.start(nowMs);
    m_rule.setFlickerCounts(qint64(m_rule.settings().flickerDivisions) *
                            qMax<qint64>(1, m_result.points[m_current].division));
    if (!m_automatic) {
        m_rule.setAccept({});
        return;
    }
    const int index = m_current;
    // The same load again (a repetition, the next corner) counts only after
    // the weight has left it, else one placement would be taken twice.
    const bool mustLeave = index > 0 && m_plan[index - 1].load == m_plan[index].load &&
                           m_result.points[index - 1].status == PointResult::Captured;
    m_left = !mustLeave;
    m_rule.setAccept([this, index](qint64 weight) { return m_left && nearLoad(index, weight); });
}

bool ScaleTest::nearLoad(int index, qint64 weight) const
{
    if (index < 0 || index >= m_plan.size())
        return false;
    const qint64 load = m_plan[index].load;
    const qint64 max = m_result.ranges.max();
    const qint64 step = index > 0 ? std::llabs(load - m_plan[index - 1].load) : max;
    const qint64 window =
        qMax(qMax(step / 4, max / 50), 10 * qMax<qint64>(1, m_result.ranges.divisionOf(load)));
    return std::llabs(weight - load) <= window;
}

ScaleTest::Event ScaleTest::feed(const Reading &reading, qint64 nowMs)
{
    if (m_current < 0)
        return Finished;
    if (m_rule.state() != CaptureRule::Waiting)
        return m_rule.state() == CaptureRule::TimedOut ? TimedOut : Waiting;
    if (m_automatic && !m_left && !nearLoad(m_current, reading.weight))
        m_left = true;
    return afterRule(m_rule.feed(reading, nowMs));
}

ScaleTest::Event ScaleTest::feedNothing(qint64 nowMs)
{
    if (m_current < 0)
        return Finished;
    if (m_rule.state() != CaptureRule::Waiting)
        return m_rule.state() == CaptureRule::TimedOut ? TimedOut : Waiting;
    return afterRule(m_rule.feedNothing(nowMs));
}

qint64 ScaleTest::nextPollInMs(qint64 nowMs, qint64 pollMs) const
{
    const qint64 due = m_rule.dueInMs(nowMs);
    return due < 0 ? pollMs : qMin(due, pollMs);
}

ScaleTest::Event ScaleTest::afterRule(CaptureRule::State state)
{
    if (state == CaptureRule::Captured) {
        take(m_rule.value());
        return Captured;
    }
    if (state != CaptureRule::TimedOut)
        return Waiting;
    PointResult &p = m_result.points[m_current];
    p.status = PointResult::TimedOut;
    p.note = timeoutText();
    m_message = p.note;
    return TimedOut;
}

QString ScaleTest::timeoutText() const
{
    const ScaleRanges &r = m_result.ranges;
    const QString seconds = QString::number(m_rule.settings().timeoutMs / 1000.0);
    const QString last = r.weightText(m_rule.lastReading().weight);
    QString why;
    switch (m_rule.lastHindrance()) {
    case CaptureRule::NoReading:
        why = tr("no reading from the instrument in %1 s").arg(seconds);
        break;
    case CaptureRule::Moving:
        why = tr("the weight did not settle in %1 s: the instrument reports motion (last "
                 "reading %2)")
                  .arg(seconds, last);
        break;
    case CaptureRule::Overflow:
        why = tr("the instrument shows overflow");
        break;
    case CaptureRule::NotTheLoad:
        // The same load as the point before, never lifted: the reading is near
        // the load, but one placement counts for one point only.
        if (m_automatic && !m_left && nearLoad(m_current, m_rule.lastReading().weight))
            why = tr("the load was not lifted since point %1 (last reading %2): lift it and "
                     "place it again%3, each point counts a placement of its own")
                      .arg(m_current)
                      .arg(last)
                      .arg(m_plan[m_current].kind == PointKind::Eccentricity
                               ? tr(" on corner %1").arg(m_plan[m_current].position)
                               : QString());
        else
            why = tr("no settled reading near %1 in %2 s (last reading %3)")
                      .arg(r.weightText(m_plan[m_current].load), seconds, last);
        break;
    case CaptureRule::Settling:
        why = tr("the weight kept changing for %1 s (last reading %2)").arg(seconds, last);
        break;
    }
    return tr("point %1 left open: %2").arg(m_current + 1).arg(why);
}

bool ScaleTest::captureNow(const Reading &reading)
{
    if (m_current < 0 || !reading.stable || reading.overflow)
        return false;
    take(reading.weight);
    return true;
}

void ScaleTest::skip()
{
    if (m_current < 0)
        return;
    PointResult &p = m_result.points[m_current];
    if (p.status != PointResult::TimedOut)
        p.status = PointResult::Skipped;
    advance();
}

void ScaleTest::redo(int index)
{
    if (index < 0 || index >= m_plan.size() || m_result.linkLost)
        return;
    PointResult &p = m_result.points[index];
    p.status = PointResult::Open;
    p.indication = p.error = 0;
    p.pass = false;
    p.note.clear();
    m_current = index;
    m_rule = CaptureRule(m_rule.settings());
    judge();
}

void ScaleTest::stop(const QString &reason)
{
    if (m_current >= 0)
        m_result.stopReason = reason;
    m_message = reason;
    m_current = -1;
}

void ScaleTest::linkLost(const QString &reason)
{
    m_result.linkLost = true;
    m_result.stopReason = reason;
    m_message = reason;
    m_current = -1;
}

void ScaleTest::take(qint64 indication)
{
    PointResult &p = m_result.points[m_current];
    p.status = PointResult::Captured;
    p.indication = indication;
    p.error = indication - p.point.load;
    p.pass = double(std::llabs(p.error)) <= p.tolerance;
    p.note.clear();
    m_message.clear();
    judge();
    advance();
}

void ScaleTest::advance()
{
    m_rule = CaptureRule(m_rule.settings());
    // The next open point after this one, then any open point before it (a
    // point taken again returns to where the test was).
    const int n = m_plan.size();
    for (int k = 1; k <= n; ++k) {
        const int i = (m_current + k) % n;
        if (m_result.points[i].status == PointResult::Open) {
            m_current = i;
            return;
        }
    }
    m_current = -1;
}

UncertaintyInputs ScaleTest::uncertaintyInputs(const TestResult &result, qint64 load)
{
    UncertaintyInputs in;
    in.load = load;
    in.divisionAtZero = result.ranges.divisionOf(0);
    in.divisionAtLoad = result.ranges.divisionOf(load);
    in.weightClassGiven = result.weightClassGiven;
    in.weightClass = result.weightClass;
    in.mgPerCount = Uncertainty::mgPerCount(result.ranges.unit, result.ranges.decimals);
    return in;
}

void ScaleTest::judge()
{
    TestResult &r = m_result;
    // The uncertainty of each point from this test's own repeatability and
    // eccentricity points, when taken; then each point by the decision rule.
    int readings = 0;
    double sd = 0; // the largest standard deviation of a run of repetitions
    for (int i = 0; i < r.points.size();) {
        if (r.points[i].point.kind != PointKind::Repeatability) {
            ++i;
            continue;
        }
        QVector<double> taken;
        int end = i;
        for (; end < r.points.size() && r.points[end].point.kind == PointKind::Repeatability &&
               r.points[end].point.load == r.points[i].point.load;
             ++end) {
            if (r.points[end].status == PointResult::Captured)
                taken.append(double(r.points[end].indication));
        }
        if (taken.size() >= 2) {
            double mean = 0, squares = 0;
            for (double v : taken)
                mean += v / taken.size();
            for (double v : taken)
                squares += (v - mean) * (v - mean);
            sd = qMax(sd, std::sqrt(squares / (taken.size() - 1)));
        }
        readings = qMax(readings, int(taken.size()));
        i = end;
    }
    bool eccentricity = false;
    qint64 eccentricityLoad = 0, deviation = 0, low = 0, high = 0;
    for (const PointResult &p : r.points) {
        if (p.point.kind != PointKind::Eccentricity || p.status != PointResult::Captured)
            continue;
        low = eccentricity ? qMin(low, p.indication) : p.indication;
        high = eccentricity ? qMax(high, p.indication) : p.indication;
        eccentricity = true;
        eccentricityLoad = p.point.load;
        deviation = qMax(deviation, std::llabs(p.error));
    }
    deviation = qMax(deviation, high - low);
    for (PointResult &p : r.points) {
        if (p.status != PointResult::Captured) {
            p.uncertainty = PointUncertainty();
            continue;
        }
        UncertaintyInputs in = uncertaintyInputs(r, p.point.load);
        in.repeatabilityReadings = readings;
        in.repeatabilitySd = sd;
        in.eccentricityTaken = eccentricity;
        in.eccentricityLoad = eccentricityLoad;
        in.eccentricityDeviation = deviation;
        p.uncertainty = Uncertainty::budget(in);
        p.pass = (r.rule == DecisionRule::Simple || p.uncertainty.stated) &&
                 Uncertainty::passes(r.rule, p.error, p.uncertainty.expandedCentis, p.tolerance);
    }

    // Repeatability: each run of repeated weighings of one load.
    r.repeatability = CriterionResult();
    bool allRunsPass = true, anyRun = false;
    double worstExcess = 0;
    for (int i = 0; i < r.points.size();) {
        if (r.points[i].point.kind != PointKind::Repeatability) {
            ++i;
            continue;
        }
        int end = i;
        bool taken = true;
        qint64 low = r.points[i].indication, high = low;
        while (end < r.points.size() && r.points[end].point.kind == PointKind::Repeatability &&
               r.points[end].point.load == r.points[i].point.load) {
            taken = taken && r.points[end].status == PointResult::Captured;
            low = qMin(low, r.points[end].indication);
            high = qMax(high, r.points[end].indication);
            ++end;
        }
        double limit = 0;
        QString ignored;
        if (taken && end - i >= 2 &&
            Tolerances::repeatabilityLimit(r.choice, r.points[i].point.load, r.points[i].division,
                                           &limit, &ignored)) {
            const double excess = double(high - low) - limit;
            if (!anyRun || excess > worstExcess) {
                worstExcess = excess;
                r.repeatability.spread = high - low;
                r.repeatability.limit = limit;
            }
            anyRun = true;
            allRunsPass = allRunsPass && excess <= 0;
        }
        i = end;
    }
    r.repeatability.applies = anyRun;
    r.repeatability.pass = anyRun && allRunsPass;

    // Eccentricity: every corner within the tolerance of its load.
    r.eccentricity = CriterionResult();
    bool corners = false, allTaken = true, allPass = true;
    for (const PointResult &p : r.points) {
        if (p.point.kind != PointKind::Eccentricity)
            continue;
        corners = true;
        if (p.status != PointResult::Captured) {
            allTaken = false;
            continue;
        }
        allPass = allPass && p.pass;
        if (r.eccentricity.worstPosition == 0 ||
            std::llabs(p.error) > std::llabs(r.eccentricity.worstError)) {
            r.eccentricity.worstPosition = p.point.position;
            r.eccentricity.worstError = p.error;
        }
    }
    r.eccentricity.applies = corners && allTaken;
    r.eccentricity.pass = r.eccentricity.applies && allPass;
}
