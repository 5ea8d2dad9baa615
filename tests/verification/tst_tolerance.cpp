// The tolerance tables against the published values at every band boundary,
// the custom tolerances, the weighing ranges and the refusals of bad input.
#include "scaleranges.h"
#include "tolerance.h"

#include <QtTest>

Q_DECLARE_METATYPE(TestStandard)
Q_DECLARE_METATYPE(AccuracyClass)
Q_DECLARE_METATYPE(Accuracy)

namespace {

// The published tables, written out per accuracy: each band's last load in
// divisions (-1: no end) and its tolerance in divisions.
struct Published
{
    TestStandard standard;
    AccuracyClass accuracyClass;
    Accuracy accuracy;
    QVector<QPair<qint64, double>> bands;
};

const Published PublishedTables[] = {
    // OIML R 76-1, maximum permissible errors on initial verification.
    {TestStandard::OimlR76,
     AccuracyClass::I,
     Accuracy::Initial,
     {{50000, 0.5}, {200000, 1.0}, {-1, 1.5}}},
    {TestStandard::OimlR76,
     AccuracyClass::II,
     Accuracy::Initial,
     {{5000, 0.5}, {20000, 1.0}, {100000, 1.5}}},
    {TestStandard::OimlR76,
     AccuracyClass::III,
     Accuracy::Initial,
     {{500, 0.5}, {2000, 1.0}, {10000, 1.5}}},
    {TestStandard::OimlR76,
     AccuracyClass::IIII,
     Accuracy::Initial,
     {{50, 0.5}, {200, 1.0}, {1000, 1.5}}},
    // In service: twice those.
    {TestStandard::OimlR76,
     AccuracyClass::I,
     Accuracy::InService,
     {{50000, 1.0}, {200000, 2.0}, {-1, 3.0}}},
    {TestStandard::OimlR76,
     AccuracyClass::II,
     Accuracy::InService,
     {{5000, 1.0}, {20000, 2.0}, {100000, 3.0}}},
    {TestStandard::OimlR76,
     AccuracyClass::III,
     Accuracy::InService,
     {{500, 1.0}, {2000, 2.0}, {10000, 3.0}}},
    {TestStandard::OimlR76,
     AccuracyClass::IIII,
     Accuracy::InService,
     {{50, 1.0}, {200, 2.0}, {1000, 3.0}}},
    // Handbook 44 maintenance tolerances in d: 0-500, 501-2000, 2001-4000, 4001+.
    {TestStandard::Hb44,
     AccuracyClass::III,
     Accuracy::Maintenance,
     {{500, 1}, {2000, 2}, {4000, 3}, {-1, 5}}},
    {TestStandard::Hb44,
     AccuracyClass::IIII,
     Accuracy::Maintenance,
     {{50, 1}, {200, 2}, {400, 3}, {-1, 5}}},
    // Acceptance: half the maintenance tolerance.
    {TestStandard::Hb44,
     AccuracyClass::III,
     Accuracy::Acceptance,
     {{500, 0.5}, {2000, 1.0}, {4000, 1.5}, {-1, 2.5}}},
    {TestStandard::Hb44,
     AccuracyClass::IIII,
     Accuracy::Acceptance,
     {{50, 0.5}, {200, 1.0}, {400, 1.5}, {-1, 2.5}}},
};

ToleranceChoice choice(TestStandard s, AccuracyClass c, Accuracy a)
{
    ToleranceChoice t;
    t.standard = s;
    t.accuracyClass = c;
    t.accuracy = a;
    return t;
}

} // namespace

class TstTolerance : public QObject
{
    Q_OBJECT

private slots:
    void tableBoundaries_data();
    void tableBoundaries();
    void refusedChoices_data();
    void refusedChoices();
    void customTolerances();
    void repeatabilityOfHandbook44IsTheMaintenanceTolerance();
    void rangesFromTheInstrument_data();
    void rangesFromTheInstrument();
    void aLoadIsJudgedInItsRange();
    void typedWeights_data();
    void typedWeights();
    void keysReadBack();
};

void TstTolerance::tableBoundaries_data()
{
    QTest::addColumn<TestStandard>("standard");
    QTest::addColumn<AccuracyClass>("accuracyClass");
    QTest::addColumn<Accuracy>("accuracy");
    QTest::addColumn<qint64>("division");
    QTest::addColumn<qint64>("load");
    QTest::addColumn<double>("expected"); // in divisions; -1: beyond the table
    for (const Published &t : PublishedTables) {
        const QString name = Tolerances::standardKey(t.standard) + QLatin1Char(' ') +
                             Tolerances::classKey(t.accuracyClass) + QLatin1Char(' ') +
                             Tolerances::accuracyKey(t.accuracy);
        // e of 2 counts, so that a load one count above a boundary exists.
        const qint64 e = 2;
        const auto row = [&](const QString &what, qint64 load, double expected) {
            QTest::newRow(qPrintable(name + QLatin1Char(' ') + what))
                << t.standard << t.accuracyClass << t.accuracy << e << load << expected;
        };
        row(QStringLiteral("zero"), 0, t.bands.first().second);
        for (int i = 0; i < t.bands.size(); ++i) {
            const qint64 end = t.bands[i].first;
            if (end < 0) {
                row(QStringLiteral("far above"), 10000000 * e, t.bands[i].second);
                continue;
            }
            const double next = i + 1 < t.bands.size() ? t.bands[i + 1].second : -1;
            row(QStringLiteral("%1e").arg(end), end * e, t.bands[i].second);
            row(QStringLiteral("%1e and a count").arg(end), end * e + 1, next);
            // Handbook 44 names its bands in whole divisions (501 d).
            row(QStringLiteral("%1e").arg(end + 1), (end + 1) * e, next);
        }
    }
}

void TstTolerance::tableBoundaries()
{
    QFETCH(TestStandard, standard);
    QFETCH(AccuracyClass, accuracyClass);
    QFETCH(Accuracy, accuracy);
    QFETCH(qint64, division);
    QFETCH(qint64, load);
    QFETCH(double, expected);
    double tolerance = -1;
    QString error;
    const bool ok = Tolerances::forLoad(choice(standard, accuracyClass, accuracy), load, division,
                                        &tolerance, &error);
    if (expected < 0) {
        QVERIFY2(!ok, qPrintable(QString::number(tolerance)));
        QVERIFY(error.contains(QStringLiteral("beyond the table")));
        return;
    }
    QVERIFY2(ok, qPrintable(error));
    QCOMPARE(tolerance, expected * double(division));
}

void TstTolerance::refusedChoices_data()
{
    QTest::addColumn<TestStandard>("standard");
    QTest::addColumn<AccuracyClass>("accuracyClass");
    QTest::addColumn<Accuracy>("accuracy");
    QTest::addColumn<qint64>("division");
    QTest::addColumn<qint64>("load");
    QTest::addColumn<QString>("says");
    const auto oiml = TestStandard::OimlR76;
    const auto hb44 = TestStandard::Hb44;
    QTest::newRow("OIML on acceptance") << oiml << AccuracyClass::III << Accuracy::Acceptance
                                        << qint64(1) << qint64(10) << "OIML R 76 judges";
    QTest::newRow("OIML on maintenance") << oiml << AccuracyClass::III << Accuracy::Maintenance
                                         << qint64(1) << qint64(10) << "OIML R 76 judges";
    QTest::newRow("HB 44 on initial") << hb44 << AccuracyClass::III << Accuracy::Initial
                                      << qint64(1) << qint64(10) << "Handbook 44 judges";
    QTest::newRow("HB 44 in service") << hb44 << AccuracyClass::IIII << Accuracy::InService
                                      << qint64(1) << qint64(10) << "Handbook 44 judges";
    QTest::newRow("HB 44 class II") << hb44 << AccuracyClass::II << Accuracy::Maintenance
                                    << qint64(1) << qint64(10) << "no tolerances for class II";
    QTest::newRow("HB 44 class I") << hb44 << AccuracyClass::I << Accuracy::Acceptance << qint64(1)
                                   << qint64(10) << "no tolerances for class I";
    QTest::newRow("e of 0") << oiml << AccuracyClass::III << Accuracy::Initial << qint64(0)
                            << qint64(10) << "division (e) is 0";
    QTest::newRow("negative e") << oiml << AccuracyClass::III << Accuracy::Initial << qint64(-5)
                                << qint64(10) << "division (e) is -5";
    QTest::newRow("load below zero") << oiml << AccuracyClass::III << Accuracy::Initial << qint64(1)
                                     << qint64(-1) << "below zero";
}

void TstTolerance::refusedChoices()
{
    QFETCH(TestStandard, standard);
    QFETCH(AccuracyClass, accuracyClass);
    QFETCH(Accuracy, accuracy);
    QFETCH(qint64, division);
    QFETCH(qint64, load);
    QFETCH(QString, says);
    double tolerance = -1;
    QString error;
    QVERIFY(!Tolerances::forLoad(choice(standard, accuracyClass, accuracy), load, division,
                                 &tolerance, &error));
    QVERIFY2(error.contains(says), qPrintable(error));
    QCOMPARE(tolerance, -1.0);
}

void TstTolerance::customTolerances()
{
    ToleranceChoice percent;
    percent.standard = TestStandard::Custom;
    percent.customPercent = 0.1;
    double t = 0;
    QString error;
    QVERIFY2(Tolerances::forLoad(percent, 50000, 5, &t, &error), qPrintable(error));
    QCOMPARE(t, 50.0);
    QVERIFY(Tolerances::forLoad(percent, 0, 5, &t, &error));
    QCOMPARE(t, 0.0);

    ToleranceChoice divisions;
    divisions.standard = TestStandard::Custom;
    divisions.customDivisions = 2;
    QVERIFY(Tolerances::forLoad(divisions, 50000, 5, &t, &error));
    QCOMPARE(t, 10.0);

    // Neither, both, or out of reason: refused.
    ToleranceChoice none;
    none.standard = TestStandard::Custom;
    ToleranceChoice both = divisions;
    both.customPercent = 1;
    ToleranceChoice huge = percent;
    huge.customPercent = 150;
    ToleranceChoice notANumber = percent;
    notANumber.customPercent = std::numeric_limits<double>::quiet_NaN();
    for (const ToleranceChoice &s : {none, both, huge, notANumber}) {
        error.clear();
        QVERIFY(!Tolerances::check(s, &error));
        QVERIFY(error.contains(QStringLiteral("custom tolerance")));
    }
}

void TstTolerance::repeatabilityOfHandbook44IsTheMaintenanceTolerance()
{
    double limit = 0, tolerance = 0;
    QString error;
    const ToleranceChoice acceptance =
        choice(TestStandard::Hb44, AccuracyClass::III, Accuracy::Acceptance);
    QVERIFY(Tolerances::forLoad(acceptance, 3000, 1, &tolerance, &error));
    QVERIFY(Tolerances::repeatabilityLimit(acceptance, 3000, 1, &limit, &error));
    QCOMPARE(tolerance, 1.5);
    QCOMPARE(limit, 3.0);
    // OIML: the maximum permissible error of the accuracy chosen.
    const ToleranceChoice initial =
        choice(TestStandard::OimlR76, AccuracyClass::III, Accuracy::Initial);
    QVERIFY(Tolerances::repeatabilityLimit(initial, 3000, 1, &limit, &error));
    QCOMPARE(limit, 1.5);
}

void TstTolerance::rangesFromTheInstrument_data()
{
    QTest::addColumn<QVector<quint32>>("calibration");
    QTest::addColumn<int>("ranges"); // -1: refused
    QTest::addColumn<QString>("says");
    // unit, decimal, division 1, full scale 1, division 2, full scale 2, division 3, full scale 3
    const auto cal = [](quint32 decimal, quint32 d1, quint32 fs1, quint32 d2, quint32 fs2,
                        quint32 d3, quint32 fs3) {
        QVector<quint32> s(19, 0);
        s[0] = 1;
        s[1] = decimal;
        s[2] = d1;
        s[3] = fs1;
        s[15] = d2;
        s[16] = fs2;
        s[17] = d3;
        s[18] = fs3;
        return s;
    };
    QTest::newRow("one range") << cal(1, 5, 5000, 0, 0, 0, 0) << 1 << QString();
    QTest::newRow("two ranges") << cal(1, 5, 5000, 10, 10000, 0, 0) << 2 << QString();
    QTest::newRow("three ranges") << cal(0, 1, 100, 2, 200, 5, 500) << 3 << QString();
    QTest::newRow("range 3 without range 2 is unused")
        << cal(0, 1, 100, 0, 0, 5, 500) << 1 << QString();
    QTest::newRow("no full scale") << cal(1, 5, 0, 0, 0, 0, 0) << -1 << "no full scale";
    QTest::newRow("e of 0") << cal(1, 0, 5000, 0, 0, 0, 0) << -1 << "division (e) of 0";
    QTest::newRow("a division not held") << cal(1, 3, 5000, 0, 0, 0, 0) << -1 << "does not hold";
    QTest::newRow("range 2 with a division not held")
        << cal(1, 5, 5000, 25, 10000, 0, 0) << -1 << "range 2 has a division of 25";
    QTest::newRow("range 2 with e of 0")
        << cal(1, 5, 5000, 0, 10000, 0, 0) << -1 << "range 2 has a division (e) of 0";
    QTest::newRow("full scales not increasing")
        << cal(1, 5, 5000, 10, 5000, 0, 0) << -1 << "is not above full scale 1";
    QTest::newRow("a decimal setting not offered")
        << cal(7, 5, 5000, 0, 0, 0, 0) << -1 << "decimal setting 7";
}

void TstTolerance::rangesFromTheInstrument()
{
    QFETCH(QVector<quint32>, calibration);
    QFETCH(int, ranges);
    QFETCH(QString, says);
    ScaleRanges r;
    QString error;
    const bool ok = ScaleRangeReader::fromCalibration(calibration.constData(), &r, &error);
    if (ranges < 0) {
        QVERIFY(!ok);
        QVERIFY2(error.contains(says), qPrintable(error));
        return;
    }
    QVERIFY2(ok, qPrintable(error));
    QCOMPARE(r.ranges.size(), ranges);
    QCOMPARE(r.unit, QStringLiteral("kg"));
}

void TstTolerance::aLoadIsJudgedInItsRange()
{
    ScaleRanges r;
    r.decimals = 1;
    r.unit = QStringLiteral("kg");
    r.ranges = {{5000, 5}, {10000, 10}};
    QCOMPARE(r.max(), qint64(10000));
    const QVector<QPair<qint64, qint64>> divisions = {{-1, 0},    {0, 5},      {5000, 5},
                                                      {5001, 10}, {10000, 10}, {10001, 0}};
    for (const auto &d : divisions)
        QCOMPARE(r.divisionOf(d.first), d.second);
    // 500.0 kg: 1000 e of 0.5 kg, +-1 e; 600.0 kg: 600 e of 1 kg, +-1 e.
    const ToleranceChoice iii =
        choice(TestStandard::OimlR76, AccuracyClass::III, Accuracy::Initial);
    double t = 0;
    QString error;
    QVERIFY(Tolerances::forLoad(iii, 5000, r.divisionOf(5000), &t, &error));
    QCOMPARE(t, 5.0);
    QVERIFY(Tolerances::forLoad(iii, 6000, r.divisionOf(6000), &t, &error));
    QCOMPARE(t, 10.0);
    QVERIFY(Tolerances::forLoad(iii, 2500, r.divisionOf(2500), &t, &error));
    QCOMPARE(t, 2.5);
    QCOMPARE(r.weightText(6000), QStringLiteral("600.0 kg"));
}

void TstTolerance::typedWeights_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<qint64>("counts"); // -999: refused
    QTest::newRow("whole") << "500" << 1 << qint64(5000);
    QTest::newRow("with its decimals") << "500.5" << 1 << qint64(5005);
    QTest::newRow("trailing zeros") << "500.50" << 1 << qint64(5005);
    QTest::newRow("negative") << "-2" << 0 << qint64(-2);
    QTest::newRow("more decimals than shown") << "500.05" << 1 << qint64(-999);
    QTest::newRow("no number") << "five" << 1 << qint64(-999);
    QTest::newRow("beyond any weight") << "9999999999" << 0 << qint64(-999);
}

void TstTolerance::typedWeights()
{
    QFETCH(QString, text);
    QFETCH(int, decimals);
    QFETCH(qint64, counts);
    qint64 got = -999;
    QString error;
    const bool ok = ScaleRangeReader::parseWeight(text, decimals, &got, &error);
    QCOMPARE(ok, counts != -999);
    QCOMPARE(got, counts);
    QCOMPARE(error.isEmpty(), ok);
}

void TstTolerance::keysReadBack()
{
    TestStandard s;
    AccuracyClass c;
    Accuracy a;
    QVERIFY(Tolerances::parseStandard(QStringLiteral("OIML-R76"), &s));
    QCOMPARE(s, TestStandard::OimlR76);
    QVERIFY(Tolerances::parseClass(QStringLiteral("iiii"), &c));
    QCOMPARE(c, AccuracyClass::IIII);
    QVERIFY(Tolerances::parseAccuracy(QStringLiteral("in-service"), &a));
    QCOMPARE(a, Accuracy::InService);
    QVERIFY(!Tolerances::parseStandard(QStringLiteral("r76"), &s));
    QVERIFY(!Tolerances::parseClass(QStringLiteral("V"), &c));
    QVERIFY(!Tolerances::parseAccuracy(QStringLiteral("inservice"), &a));
}

QTEST_GUILESS_MAIN(TstTolerance)
#include "tst_tolerance.moc"
