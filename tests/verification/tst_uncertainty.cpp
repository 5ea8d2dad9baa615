// The uncertainty of a scale test's points (EURAMET cg-18), the OIML R 111
// table of the weights' maximum permissible errors and the decision rules
// (ILAC-G8) at their boundary.
#include "scaletest.h"
#include "testreport.h"
#include "uncertainty.h"

#include <QJsonArray>
#include <QtTest>

namespace {

// Max 3000.0 kg, e = d = 0.5 kg: one count is 0.1 kg, a division 5 counts.
ScaleRanges ranges3t()
{
    ScaleRanges r;
    r.decimals = 1;
    r.unit = QStringLiteral("kg");
    r.ranges = {{30000, 5}};
    return r;
}

// The worked example's test: 0, 1500 kg three times (repeatability), then
// 1000 kg on four corners (eccentricity).
QVector<PlanPoint> examplePlan(const ScaleRanges &r)
{
    return TestPlans::fromLoads({0, 15000, 15000, 15000}) + TestPlans::corners(r, 4);
}

const QVector<qint64> ExampleReadings = {0, 15000, 15005, 15010, 10000, 10005, 9995, 10010};

double term(const PointUncertainty &u, const QString &name)
{
    for (const UncertaintyTerm &t : u.terms) {
        if (t.name.startsWith(name))
            return t.counts;
    }
    return -1;
}

} // namespace

class TstUncertainty : public QObject
{
    Q_OBJECT
private slots:
    void workedExample_data();
    void workedExample();
    void budgetNotStated();
    void r111TableWhole();
    void piecesOfALoad();
    void decisionAtTheBoundary();
    void guardedTestAndReport();
};

// The worked example, by hand from cg-18's formulas (7.1.1, 7.1.2, 7.3):
//   d0 = dL = 0.5 kg: u(rounding) = 0.5 / (2 sqrt 3) = 0.144338 kg each.
//   Repeatability 1500.0, 1500.5, 1501.0 kg: mean 1500.5, squares 0.25 + 0 +
//   0.25 = 0.5, s = sqrt(0.5 / 2) = 0.5 kg.
//   Eccentricity at L_ecc = 1000 kg, corners 1000.0, 1000.5, 999.5, 1001.0 kg:
//   largest |I - L_ecc| 1.0 kg, spread 1001.0 - 999.5 = 1.5 kg, so
//   |dI_ecc|max = 1.5 kg; at 1500 kg: 1.5 * 1500 / (2 * 1000 * sqrt 3) =
//   0.649519 kg; at 1000 kg 0.433013 kg; at 0 nothing.
//   Weights M1: 1500 kg = 1000 kg (MPE 50 g) + 500 kg (25 g): (50 + 25) g /
//   sqrt 3 = 0.043301 kg; 1000 kg alone 50 g / sqrt 3 = 0.028868 kg.
//   1500 kg: u^2 = 2 * 0.0208333 + 0.25 + 0.421875 + 0.001875 = 0.7154167,
//     u = 0.845823 kg, U = 1.691646 kg, stated 1.692 kg (16.92 counts).
//   1000 kg: u^2 = 0.0416667 + 0.25 + 0.1875 + 0.0008333 = 0.48,
//     u = 0.692820 kg, U = 1.385641 kg, stated 1.386 kg.
//   0 kg: u^2 = 0.0416667 + 0.25 = 0.2916667, u = 0.540062 kg,
//     U = 1.080123 kg, stated 1.081 kg.
//   1500 kg with one repeatability reading and no eccentricity test:
//     u^2 = 0.0416667 + 0.001875, u = 0.208666 kg, U = 0.417333, stated 0.418 kg.
void TstUncertainty::workedExample_data()
{
    QTest::addColumn<qint64>("load");
    QTest::addColumn<int>("readings");
    QTest::addColumn<bool>("eccentricity");
    QTest::addColumn<double>("eccentricityTerm"); // counts
    QTest::addColumn<double>("weightsTerm");      // counts
    QTest::addColumn<double>("combined");         // counts
    QTest::addColumn<qint64>("centis");
    QTest::newRow("1500 kg") << qint64(15000) << 3 << true << 6.49519 << 0.433013 << 8.45823
                             << qint64(1692);
    QTest::newRow("1000 kg") << qint64(10000) << 3 << true << 4.33013 << 0.288675 << 6.92820
                             << qint64(1386);
    QTest::newRow("zero") << qint64(0) << 3 << true << 0.0 << 0.0 << 5.40062 << qint64(1081);
    QTest::newRow("1500 kg, one reading, no corners")
        << qint64(15000) << 1 << false << -1.0 << 0.433013 << 2.08666 << qint64(418);
}

void TstUncertainty::workedExample()
{
    QFETCH(qint64, load);
    QFETCH(int, readings);
    QFETCH(bool, eccentricity);
    QFETCH(double, eccentricityTerm);
    QFETCH(double, weightsTerm);
    QFETCH(double, combined);
    QFETCH(qint64, centis);
    UncertaintyInputs in;
    in.load = load;
    in.divisionAtZero = in.divisionAtLoad = 5;
    in.repeatabilityReadings = readings;
    in.repeatabilitySd = 5; // 0.5 kg
    in.eccentricityTaken = eccentricity;
    in.eccentricityLoad = 10000;
    in.eccentricityDeviation = 15;
    in.weightClassGiven = true;
    in.weightClass = WeightClass::M1;
    in.mgPerCount = Uncertainty::mgPerCount(QStringLiteral("kg"), 1);
    QCOMPARE(in.mgPerCount, 100000.0);
    const PointUncertainty u = Uncertainty::budget(in);
    QVERIFY(u.stated);
    QVERIFY(qAbs(term(u, QStringLiteral("rounding at zero")) - 1.443376) < 1e-5);
    QVERIFY(qAbs(term(u, QStringLiteral("rounding at load")) - 1.443376) < 1e-5);
    QCOMPARE(term(u, QStringLiteral("repeatability")), readings >= 2 ? 5.0 : -1.0);
    QVERIFY2(qAbs(term(u, QStringLiteral("eccentricity")) - eccentricityTerm) < 1e-5,
             qPrintable(QString::number(term(u, QStringLiteral("eccentricity")))));
    QVERIFY(qAbs(term(u, QStringLiteral("reference weights (M1)")) - weightsTerm) < 1e-5);
    QVERIFY2(qAbs(u.combined - combined) < 1e-4, qPrintable(QString::number(u.combined)));
    QCOMPARE(u.expandedCentis, centis);
    if (readings == 1)
        QVERIFY(u.notes.contains(QStringLiteral(
            "repeatability: one reading, no standard deviation; the rounding terms alone")));
}

void TstUncertainty::budgetNotStated()
{
    UncertaintyInputs in;
    in.load = 15000;
    in.divisionAtZero = in.divisionAtLoad = 5;
    in.mgPerCount = 100000;
    QCOMPARE(Uncertainty::budget(in).reason,
             QStringLiteral("uncertainty not stated: no weight class given"));
    in.weightClassGiven = true;
    in.mgPerCount = Uncertainty::mgPerCount(QStringLiteral("lb"), 1);
    QVERIFY(Uncertainty::budget(in).reason.contains(QLatin1String("does not weigh in t, kg or g")));
    // 0.5 g (1 count of 0.0001 kg * 5) of class M3: R 111 has no M3 weight below 1 g.
    in.weightClass = WeightClass::M3;
    in.mgPerCount = Uncertainty::mgPerCount(QStringLiteral("kg"), 4);
    in.load = 5;
    QCOMPARE(
        Uncertainty::budget(in).reason,
        QStringLiteral("uncertainty not stated: class M3 has no weight of 500 mg in OIML R 111"));
    QCOMPARE(Uncertainty::mgPerCount(QStringLiteral("t"), 2), 1e7);
    QCOMPARE(Uncertainty::mgPerCount(QStringLiteral("g"), 0), 1000.0);
}

void TstUncertainty::r111TableWhole()
{
    const QVector<WeightMpe> &table = Uncertainty::mpeTable();
    // Nominal values 1, 2, 5 mg ... 5000 kg: 30 rows.
    QCOMPARE(table.size(), 30);
    qint64 decade = 1;
    for (int i = 0; i < table.size(); ++i) {
        const qint64 steps[] = {1, 2, 5};
        QCOMPARE(table[i].nominalMg, decade * steps[i % 3]);
        if (i % 3 == 2)
            decade *= 10;
    }
    // Where each class has weights (mg): E1 to 50 kg, E2 to 1000 kg, M2 from
    // 100 mg, M3 from 1 g, M1-2 and M2-3 from 50 kg; the others everywhere.
    const qint64 from[9] = {1, 1, 1, 1, 1, 50000000, 100, 50000000, 1000};
    const qint64 to[9] = {50000000,   1000000000, 5000000000, 5000000000, 5000000000,
                          5000000000, 5000000000, 5000000000, 5000000000};
    for (const WeightMpe &row : table) {
        double before = 0;
        for (int c = 0; c < 9; ++c) {
            const bool held = row.nominalMg >= from[c] && row.nominalMg <= to[c];
            double mpe = 0;
            QCOMPARE(Uncertainty::mpe(WeightClass(c), row.nominalMg, &mpe), held);
            if (!held)
                continue;
            // Each class less accurate than the one before it.
            QVERIFY2(mpe > before, qPrintable(QStringLiteral("%1 mg, %2")
                                                  .arg(row.nominalMg)
                                                  .arg(Uncertainty::classKey(WeightClass(c)))));
            before = mpe;
        }
    }
    // From 100 g up the limits grow with the nominal value decade by decade
    // (1 kg is ten times 100 g in every class).
    for (int i = 15; i + 3 < table.size(); ++i) {
        for (int c = 0; c < 9; ++c) {
            const double low = table[i].mpeMg[c], high = table[i + 3].mpeMg[c];
            if (low > 0 && high > 0)
                QVERIFY2(qAbs(high - 10 * low) < 1e-9,
                         qPrintable(QStringLiteral("%1 mg").arg(table[i].nominalMg)));
        }
    }
    // Rows as R 111-1 Table 1 gives them, the limits below 100 g not following
    // the decades (E1 ... M3, mg).
    const QVector<WeightMpe> rows = {
        {1, {0.003, 0.006, 0.020, 0.06, 0.20, 0, 0, 0, 0}},
        {10, {0.003, 0.008, 0.025, 0.08, 0.25, 0, 0, 0, 0}},
        {100, {0.005, 0.016, 0.05, 0.16, 0.5, 0, 1.6, 0, 0}},
        {2000, {0.012, 0.040, 0.12, 0.4, 1.2, 0, 4.0, 0, 12}},
        {20000, {0.025, 0.080, 0.25, 0.8, 2.5, 0, 8.0, 0, 25}},
        {50000, {0.030, 0.10, 0.3, 1.0, 3.0, 0, 10, 0, 30}},
        {50000000, {25, 80, 250, 800, 2500, 5000, 8000, 16000, 25000}},
        {5000000000, {0, 0, 25000, 80000, 250000, 500000, 800000, 1600000, 2500000}},
    };
    for (const WeightMpe &row : rows) {
        for (int c = 0; c < 9; ++c) {
            double mpe = 0;
            Uncertainty::mpe(WeightClass(c), row.nominalMg, &mpe);
            QCOMPARE(mpe, row.mpeMg[c]);
        }
    }
    // The class names as zeltctl takes them.
    WeightClass parsed = WeightClass::E1;
    QVERIFY(Uncertainty::parseClass(QStringLiteral("m1-2"), &parsed));
    QCOMPARE(parsed, WeightClass::M1_2);
    QVERIFY(!Uncertainty::parseClass(QStringLiteral("M4"), &parsed));
}

void TstUncertainty::piecesOfALoad()
{
    const struct
    {
        qint64 mass;
        QVector<qint64> pieces;
    } loads[] = {
        {0, {}},
        {9, {5, 2, 2}},
        {1500000000, {1000000000, 500000000}},
        {12000000000, {5000000000, 5000000000, 2000000000}},
        {4444, {2000, 2000, 200, 200, 20, 20, 2, 2}},
    };
    for (const auto &l : loads) {
        QVector<qint64> pieces;
        QVERIFY(Uncertainty::pieces(l.mass, &pieces));
        QCOMPARE(pieces, l.pieces);
    }
    QVector<qint64> pieces;
    QVERIFY(!Uncertainty::pieces(-1, &pieces));
}

void TstUncertainty::decisionAtTheBoundary()
{
    const struct
    {
        DecisionRule rule;
        qint64 error;
        qint64 centis;
        double tolerance;
        bool pass;
    } cases[] = {
        // |E| + U = T exactly: 1 + 16.92 = 17.92 counts (T = 3.584 e of 5 counts).
        {DecisionRule::Guarded, 1, 1692, 3.584 * 5, true},
        {DecisionRule::Guarded, 2, 1692, 3.584 * 5, false},
        {DecisionRule::Guarded, 1, 1693, 3.584 * 5, false},
        {DecisionRule::Guarded, 0, 750, 7.5, true},
        {DecisionRule::Guarded, 0, 751, 7.5, false},
        // Simple acceptance ignores U: |E| = T passes.
        {DecisionRule::Simple, 7, 0, 7.5, true},
        {DecisionRule::Simple, -7, 100000, 7.5, true},
        {DecisionRule::Simple, 8, 0, 7.5, false},
        // A tolerance between hundredths is rounded down: 0.35 % of 2200 counts = 7.7.
        {DecisionRule::Guarded, 7, 70, 2200 * 0.35 / 100, true},
        {DecisionRule::Guarded, 7, 71, 2200 * 0.35 / 100, false},
    };
    for (const auto &c : cases)
        QVERIFY2(
            Uncertainty::passes(c.rule, c.error, c.centis, c.tolerance) == c.pass,
            qPrintable(
                QStringLiteral("E %1, U %2, T %3").arg(c.error).arg(c.centis).arg(c.tolerance)));
    DecisionRule rule = DecisionRule::Simple;
    QVERIFY(Uncertainty::parseRule(QStringLiteral("Guarded"), &rule));
    QCOMPARE(rule, DecisionRule::Guarded);
    QVERIFY(!Uncertainty::parseRule(QStringLiteral("shared"), &rule));
}

void TstUncertainty::guardedTestAndReport()
{
    const ScaleRanges r = ranges3t();
    // A custom tolerance of 3.584 e = 17.92 counts puts the 1500 kg points of
    // the worked example (U = 16.92 counts) on the boundary at |E| = 1 count.
    ToleranceChoice custom;
    custom.standard = TestStandard::Custom;
    custom.customDivisions = 3.584;
    QString error;

    ScaleTest refused;
    refused.setDecisionRule(DecisionRule::Guarded);
    QVERIFY(!refused.begin(custom, r, examplePlan(r), CaptureSettings(), &error));
    QVERIFY2(error.contains(QLatin1String("no weight class given")), qPrintable(error));

    ScaleTest test;
    test.setDecisionRule(DecisionRule::Guarded);
    test.setWeightClass(WeightClass::M1);
    QVERIFY2(test.begin(custom, r, examplePlan(r), CaptureSettings(), &error), qPrintable(error));
    QVector<qint64> readings = ExampleReadings;
    readings[1] = 15001; // +1 count: |E| + U = T
    readings[2] = 15006; // the spread and s as in the worked example, shifted
    readings[3] = 15011; // +11: fails
    for (qint64 reading : readings)
        QVERIFY(test.captureNow(Reading{reading, true, false}));
    const TestResult &result = test.result();
    QCOMPARE(result.points[1].uncertainty.expandedCentis, qint64(1692));
    QCOMPARE(result.points[1].pass, true);
    QCOMPARE(result.points[3].pass, false);
    QCOMPARE(result.points[4].uncertainty.expandedCentis, qint64(1386));
    QCOMPARE(result.verdict(), Verdict::Fail);

    const QVector<QStringList> rows = TestReport::rows(result);
    QCOMPARE(rows[1], (QStringList{"2", "repeatability 1", "1500.0 kg", "1500.1 kg", "+0.1",
                                   "+0.20", "±1.692", "±1.79", "±3.58", "pass"}));
    const QStringList summary = TestReport::summary(result);
    QVERIFY2(summary.contains(QStringLiteral(
                 "decision rule: guarded acceptance, |E| + U within the tolerance (ILAC-G8 "
                 "4.2.2, w = U)")),
             qPrintable(summary.join('\n')));
    const QJsonObject json = TestReport::json(result);
    QCOMPARE(json.value(QStringLiteral("decisionRule")).toString(), QStringLiteral("guarded"));
    QCOMPARE(json.value(QStringLiteral("weightClass")).toString(), QStringLiteral("M1"));
    const QJsonObject second = json.value(QStringLiteral("points")).toArray().at(1).toObject();
    QCOMPARE(second.value(QStringLiteral("uncertainty")).toString(), QStringLiteral("1.692"));
    QCOMPARE(second.value(QStringLiteral("uncertaintyRaw")).toDouble(), 16.92);
    QCOMPARE(second.value(QStringLiteral("uncertaintyBudget")).toArray().size(), 5);

    // The record's detail keeps each point's budget; a detail written before
    // the U column still reads as a table of nine columns.
    const QString detail = TestReport::recordDetail(result);
    QVERIFY2(detail.contains(QStringLiteral(
                 "U of point 2: rounding at zero 0.1443, rounding at load 0.1443, repeatability "
                 "0.5000, eccentricity 0.6495, reference weights (M1) 0.0433; u = 0.8458, "
                 "U = 1.692 kg")),
             qPrintable(detail));
    QVector<QStringList> table;
    QStringList lines;
    TestReport::splitDetail(detail, &table, &lines);
    QCOMPARE(table.size(), 9);
    QCOMPARE(table[2], rows[1]);
    const QString old = QStringLiteral(
        "# | TEST | LOAD | INDICATION | ERROR | ERROR (e) | TOLERANCE | TOL (e) | RESULT\n"
        "1 | increasing | 0.0 kg | 0.0 kg | +0.0 | +0.00 | ±0.25 | ±0.50 | pass\n"
        "as found: verdict pass (OIML R 76 class III, initial verification; max 3000.0 kg, "
        "e = 0.5 kg)");
    table.clear();
    lines.clear();
    TestReport::splitDetail(old, &table, &lines);
    QCOMPARE(table.size(), 2);
    QCOMPARE(table[1].size(), 9);
    QCOMPARE(lines.size(), 1);
}

QTEST_GUILESS_MAIN(TstUncertainty)
#include "tst_uncertainty.moc"
