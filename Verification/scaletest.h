#pragma once

// One scale test as it runs: a plan, a tolerance, the capture rule, and the
// results point by point. The caller (the window's wizard, zeltctl test)
// polls the instrument and feeds each reading with its time; the test says
// when the current point was captured or left open. Nothing here talks to the
// instrument or waits, so the whole flow runs in tests on a fake clock.
//
// Typical use:
//   ScaleTest test;
//   if (!test.begin(choice, ranges, plan, capture, &error)) ...;
//   while (test.current() >= 0) {
//       // tell the user TestPlans::instruction(test.plan()[test.current()], ranges)
//       test.arm(now);
//       while (test.feed(reading, now) == ScaleTest::Waiting) poll again;
//       // Captured: the point has its result; TimedOut: test.message() says why,
//       // redo with arm() or leave it open with skip()
//   }
//   test.result().verdict()

#include "capturerule.h"
#include "scaleranges.h"
#include "testplan.h"
#include "tolerance.h"
#include "uncertainty.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

struct PointResult
{
    enum Status { Open, Captured, Skipped, TimedOut };

    PlanPoint point;
    Status status = Open;
    qint64 indication = 0;        // raw counts
    qint64 error = 0;             // indication - load, raw counts
    qint64 division = 0;          // e (d) of the load's range, raw counts
    double tolerance = 0;         // +-, raw counts
    bool pass = false;            // captured and within the tolerance by the test's decision rule
    QString note;                 // why it was left open
    PointUncertainty uncertainty; // of the error, once captured

    double errorInDivisions() const { return division ? double(error) / double(division) : 0; }
    double toleranceInDivisions() const { return division ? tolerance / double(division) : 0; }
};

// A criterion over several points (repeatability, eccentricity).
struct CriterionResult
{
    bool applies = false; // the plan has such points, all captured
    bool pass = false;
    qint64 spread = 0;     // repeatability: largest - smallest indication
    double limit = 0;      // repeatability: the allowed spread, raw counts
    int worstPosition = 0; // eccentricity: the corner with the largest |error|
    qint64 worstError = 0;
};

enum class Verdict { Pass, Fail, Incomplete };

struct TestResult
{
    ToleranceChoice choice;
    ScaleRanges ranges;
    QString phase;                 // "as found", "as left" or empty
    QString testWeights;           // the weights' identity: set, certificate, due date
    bool weightClassGiven = false; // without it no uncertainty is stated
    WeightClass weightClass = WeightClass::M1;
    DecisionRule rule = DecisionRule::Simple;
    QVector<PointResult> points;
    CriterionResult repeatability;
    CriterionResult eccentricity;
    bool linkLost = false;
    QString stopReason; // why the test ended before its last point

    // Incomplete while any point is open, skipped or timed out, or the link
    // was lost, or the test was stopped; Fail when a point or a criterion fails; Pass otherwise.
    Verdict verdict() const;
};

class ScaleTest
{
    Q_DECLARE_TR_FUNCTIONS(ScaleTest)
public:
    enum Event { Waiting, Captured, TimedOut, Finished };

    // Whether the instrument's settings can be judged by the choice: the
    // tolerance is sound, the ranges are (full scales and e increasing), and
    // each range's n = Max/e is within the class's limits. False with *error
    // saying what is wrong; begin() asks it too, so no test starts without it.
    static bool checkSettings(const ToleranceChoice &choice, const ScaleRanges &ranges,
                              QString *error);

    // False with *error for a tolerance, ranges or plan that is not sound
    // (checkSettings()), or guarded acceptance without an uncertainty for
    // every load (no weight class, a unit that is no mass, a load the class
    // has no weights for); the test is then not started.
    bool begin(const ToleranceChoice &choice, const ScaleRanges &ranges,
               const QVector<PlanPoint> &plan, const CaptureSettings &capture, QString *error);
    void setPhase(const QString &phase) { m_result.phase = phase; }
    void setTestWeights(const QString &weights) { m_result.testWeights = weights; }
    // The OIML R 111 class of the test weights: each point's uncertainty is
    // stated from it (see Uncertainty).
    void setWeightClass(WeightClass weightClass)
    {
        m_result.weightClassGiven = true;
        m_result.weightClass = weightClass;
    }
    void setDecisionRule(DecisionRule rule) { m_result.rule = rule; }

    const QVector<PlanPoint> &plan() const { return m_plan; }
    // The point being taken; -1 when every point has been taken or left.
    int current() const { return m_current; }

    // The load of the current point is on: start waiting for a settled reading.
    void arm(qint64 nowMs);
    // In the automatic mode only a settled reading near the current point's
    // load is taken (see nearLoad), so loads are captured as they are placed.
    void setAutomatic(bool on) { m_automatic = on; }
    // One poll's reading at nowMs. Captured: the point has its result and the
    // test moved on. TimedOut: message() says why; the point stays current.
    Event feed(const Reading &reading, qint64 nowMs);
    // A poll that failed at nowMs (the reading is unknown).
    Event feedNothing(qint64 nowMs);
    // When to poll next, in ms from nowMs: the poll period, or sooner when
    // the reading being timed will have held for the settle time before then.
    qint64 nextPollInMs(qint64 nowMs, qint64 pollMs) const;
    // The button: takes this reading as the current point's indication, but
    // only if the instrument calls it stable; false (nothing taken) otherwise.
    bool captureNow(const Reading &reading);
    // Leaves the current point open and moves on.
    void skip();
    // Takes point index again: it becomes current and its result is cleared.
    void redo(int index);
    // The test ends here, incomplete (cancelled, no more input).
    void stop(const QString &reason);
    // The link to the instrument is gone: the test ends incomplete.
    void linkLost(const QString &reason);

    QString message() const { return m_message; }
    const TestResult &result() const { return m_result; }

    // Whether a weight counts as the load in the automatic mode: within a
    // quarter of the step from the point before (at least 2 % of max and 10
    // divisions) of the load.
    bool nearLoad(int index, qint64 weight) const;

private:
    Event afterRule(CaptureRule::State state);
    QString timeoutText() const;
    void take(qint64 indication);
    void advance();
    void judge();
    // A point's budget inputs that come from the test's settings alone.
    static UncertaintyInputs uncertaintyInputs(const TestResult &result, qint64 load);

    QVector<PlanPoint> m_plan;
    TestResult m_result;
    CaptureRule m_rule;
    int m_current = -1;
    bool m_automatic = false;
    bool m_left = false; // automatic repetition: the weight left the load since the last capture
    QString m_message;
};
