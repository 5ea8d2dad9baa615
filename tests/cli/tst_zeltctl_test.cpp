// zeltctl test in-process against a simulated instrument whose load the suite
// sets while the test runs: verdicts and exit statuses, the entry a complete
// test leaves in the service record, and the refusals of bad input.
#include "instrumentmodel.h"
#include "modbuslink.h"
#include "pdftools.h"
#include "programrecord.h"
#include "servicerecord.h"
#include "simhost.h"
#include "zeltctlrun.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <memory>

namespace {

// The simulated scale: 3000.00 kg in divisions of 0.50 kg (6000 e).
constexpr quint32 FullScaleCounts = 300000;
constexpr quint32 DivisionCounts = 50;
constexpr int DivisionRegister = 104;
constexpr int FullScaleRegister = 106;
// Registers and the values the simulated instrument is given before a test.
using RegisterValues = QVector<QPair<int, quint32>>;

} // namespace

class TstZeltctlTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void automaticTestPassesAndIsRecorded();
    void asFoundFailsClassIIIAndAsLeftPassesAfterACalibration();
    void aReadingBeyondTheToleranceFailsAndIsRecordedAsFailed();
    void guardedAcceptanceFailsWhatSimpleAcceptancePasses();
    void loadsOnTheCornersFindTheEccentricCorner();
    void confirmedLoadsAndInputThatEndsEarly();
    void aLinkLostMidTestExitsThreeAndIsRecordedIncomplete();
    void badInputIsRefused_data();
    void badInputIsRefused();
    void aDigitalPlatformHasACornerForEachModule();
    void settingsTheStandardRefuses_data();
    void settingsTheStandardRefuses();
    void aTareIsRefused();

private:
    QStringList link() const;
    // Places fractions of full scale on the scale at these times (ms from now).
    void schedule(const QVector<QPair<int, double>> &loads);
    QVector<ServiceEntry> entriesSince(int before) const;

    QTemporaryDir m_home;
    std::unique_ptr<sim::SimHost> m_sim;
};

void TstZeltctlTest::initTestCase()
{
    qputenv("ZELT_HOME", m_home.path().toUtf8());
    QVERIFY(ProgramRecord());
}

void TstZeltctlTest::init()
{
    m_sim = std::make_unique<sim::SimHost>(sim::Kind::Analog, 0);
    QVERIFY(m_sim->startTcp());
    m_sim->model().setValue32(FullScaleRegister, FullScaleCounts);
    m_sim->model().setValue32(DivisionRegister, DivisionCounts);
    m_sim->model().setLiveLoad(0);
}

void TstZeltctlTest::cleanup()
{
    DisconnectModbus();
    m_sim.reset();
}

QStringList TstZeltctlTest::link() const
{
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(m_sim->port())};
}

void TstZeltctlTest::schedule(const QVector<QPair<int, double>> &loads)
{
    for (const auto &l : loads) {
        const double fraction = l.second;
        QTimer::singleShot(l.first, this, [this, fraction] {
            if (m_sim)
                m_sim->model().setLiveLoad(fraction);
        });
    }
}

QVector<ServiceEntry> TstZeltctlTest::entriesSince(int before) const
{
    ServiceRecord *record = ProgramRecord();
    QVector<ServiceEntry> e = record->fetch({}, 0, record->count({}) - before);
    std::reverse(e.begin(), e.end());
    return e;
}

void TstZeltctlTest::automaticTestPassesAndIsRecorded()
{
    const int before = ProgramRecord()->count({});
    // 0, then 1500 kg after 1.5 s, 3000 kg after 3 s, off after 4.5 s.
    schedule({{1500, 0.5}, {3000, 1.0}, {4500, 0}});
    const Run run = zeltctl(
        link() + QStringList{"test", "--standard", "oiml-r76", "--class", "III", "--accuracy",
                             "initial", "--loads", "0,1500,3000,0", "--auto", "--settle", "300",
                             "--phase", "as-left", "--weights-class", "M1", "--json"});
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    const QJsonObject json = run.json();
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("pass"));
    QCOMPARE(json.value("decisionRule").toString(), QStringLiteral("simple"));
    QCOMPARE(json.value("max").toString() + ' ' + json.value("unit").toString(),
             QStringLiteral("3000.00 kg"));
    const QJsonArray points = json.value("points").toArray();
    QCOMPARE(points.size(), 4);
    QCOMPARE(points[2].toObject().value("indication").toString(), QStringLiteral("3000.00"));
    // 3000 kg is 6000 e: +-1.5 e of 0.50 kg.
    QCOMPARE(points[2].toObject().value("tolerance").toString(), QStringLiteral("0.75"));
    // U at 3000 kg, M1 weights of 2000 and 1000 kg (100 g + 50 g), no
    // repeatability or corners: u^2 = 2 (0.5 kg / (2 sqrt 3))^2 + (0.15 kg /
    // sqrt 3)^2 = 0.0491667 kg^2, U = 2u = 0.44347 kg, stated 0.4435 kg.
    QCOMPARE(points[2].toObject().value("uncertainty").toString(), QStringLiteral("0.4435"));
    QCOMPARE(points[2].toObject().value("uncertaintyRaw").toDouble(), 44.35);
    QCOMPARE(points[3].toObject().value("test").toString(), QStringLiteral("return to zero"));
    QVERIFY(run.err.contains(QStringLiteral("place 1500.00 kg")));

    const QVector<ServiceEntry> e = entriesSince(before);
    const auto test = std::find_if(
        e.cbegin(), e.cend(), [](const ServiceEntry &x) { return x.kind == ServiceEntry::Test; });
    QVERIFY(test != e.cend());
    QCOMPARE(test->paramName, QStringLiteral("scale test as left"));
    QCOMPARE(test->newShown, QStringLiteral("pass"));
    QCOMPARE(test->source, QStringLiteral("zeltctl test"));
    QVERIFY2(
        test->detail.contains(QStringLiteral("3 | increasing | 3000.00 kg | 3000.00 kg | "
                                             "+0.00 | +0.00 | ±0.4435 | ±0.75 | ±1.50 | pass")),
        qPrintable(test->detail));
    QVERIFY(ProgramRecord()->verify().ok);
}

void TstZeltctlTest::asFoundFailsClassIIIAndAsLeftPassesAfterACalibration()
{
    // 3000.0 kg in e = 0.5 kg, its span 4 e off.
    sim::InstrumentModel &scale = m_sim->model();
    scale.applyAsFound();
    sim::ErrorModel errors = sim::ErrorModel::asFound();
    errors.settleMs = 300;
    scale.setErrorModel(errors);
    const auto placeAt = [this](int ms, double kg) {
        QTimer::singleShot(ms, this, [this, kg] {
            if (m_sim)
                m_sim->model().placeLoad(kg);
        });
    };
    const QStringList test = {"test",     "--standard", "oiml-r76",      "--class",
                              "III",      "--loads",    "0,1500,3000,0", "--auto",
                              "--settle", "300",        "--json"};
    const int before = ProgramRecord()->count({});
    placeAt(1500, 1500);
    placeAt(3000, 3000);
    placeAt(4500, 0);
    Run run = zeltctl(link() + test + QStringList{"--phase", "as-found"});
    QVERIFY2(run.status == 1, qPrintable(run.err + run.out));
    QJsonObject json = run.json();
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("fail"));
    const QJsonObject full = json.value("points").toArray().at(2).toObject();
    QVERIFY2(full.value("errorE").toDouble() >= 3, qPrintable(run.out));
    QVERIFY(!full.value("pass").toBool());

    // The span through the normal write path, with 3000 kg settled on the scale.
    QVERIFY(scale.placeLoad(3000));
    QTRY_VERIFY(scale.loadState().stable);
    QCOMPARE(zeltctl(link() + QStringList{"write", "EditWeightCp1=3000.0"}).status, 0);
    QVERIFY(scale.placeLoad(0));
    QTRY_VERIFY(scale.loadState().stable);

    placeAt(1500, 1500);
    placeAt(3000, 3000);
    placeAt(4500, 0);
    run = zeltctl(link() + test + QStringList{"--phase", "as-left"});
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    json = run.json();
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("pass"));

    // As found, the calibration write, as left: in that order in the record.
    QStringList kinds;
    for (const ServiceEntry &e : entriesSince(before)) {
        if (e.kind == ServiceEntry::Test)
            kinds << e.paramName + QLatin1Char('=') + e.newShown;
        else if (e.kind == ServiceEntry::Change)
            kinds << QStringLiteral("change");
    }
    QCOMPARE(kinds, (QStringList{"scale test as found=fail", "change", "scale test as left=pass"}));

    // The report's certificate: both tests, point by point.
    if (!pdftools::available())
        QSKIP("poppler-utils is not installed (scripts/install-deps installs it)");
    const QString pdf = m_home.filePath(QStringLiteral("visit.pdf"));
    const Run report = zeltctl(link() + QStringList{"report", pdf, "--sample", "1"});
    QVERIFY2(report.status == 0, qPrintable(report.err));
    const QString text = pdftools::squeezed(pdftools::text(pdf));
    const int certificate = text.indexOf(QStringLiteral("Calibrationcertificate"));
    QVERIFY2(certificate >= 0, qPrintable(text));
    const int found = text.indexOf(QStringLiteral("scaletestasfound"), certificate);
    const int left = text.indexOf(QStringLiteral("scaletestasleft"), found);
    QVERIFY(found > certificate && left > found);
    // As found 3000.0 kg read 3002.0 kg (+4 e against +-1.5 e).
    QVERIFY2(text.mid(found, left - found).contains(QStringLiteral("3000.0kg3002.0kg+2.0+4.00")),
             qPrintable(text.mid(found, left - found)));
    QVERIFY(text.mid(found, left - found).contains(QStringLiteral("asfound:verdictfail(OIMLR76")));
    QVERIFY(text.mid(left).contains(QStringLiteral("asleft:verdictpass(OIMLR76classIII")));
}

void TstZeltctlTest::guardedAcceptanceFailsWhatSimpleAcceptancePasses()
{
    // Exact readings. Zero: U = 2 * sqrt(2) * 0.5 kg / (2 sqrt 3) = 0.4083 kg
    // against +-0.25 kg: fails with U. 1500 kg (1000 + 500 kg of M1, 75 g):
    // U = 0.4174 kg against +-0.75 kg: passes.
    schedule({{800, 0.5}});
    const Run run =
        zeltctl(link() + QStringList{"test", "--loads", "0,1500", "--auto", "--settle", "200",
                                     "--weights-class", "m1", "--decision", "guarded", "--json"});
    QCOMPARE(run.status, 1);
    const QJsonObject json = run.json();
    QCOMPARE(json.value("decisionRule").toString(), QStringLiteral("guarded"));
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("fail"));
    const QJsonArray points = json.value("points").toArray();
    QCOMPARE(points[0].toObject().value("uncertainty").toString(), QStringLiteral("0.4083"));
    QCOMPARE(points[0].toObject().value("pass").toBool(), false);
    QCOMPARE(points[1].toObject().value("uncertainty").toString(), QStringLiteral("0.4174"));
    QCOMPARE(points[1].toObject().value("pass").toBool(), true);
}

void TstZeltctlTest::aReadingBeyondTheToleranceFailsAndIsRecordedAsFailed()
{
    const int before = ProgramRecord()->count({});
    // 1501.00 kg for 1500 kg: +2 e against +-1.5 e.
    schedule({{800, 1501.0 / 3000.0}});
    const Run run =
        zeltctl(link() + QStringList{"test", "--loads", "0,1500", "--auto", "--settle", "200"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QStringLiteral("1501.00 kg")), qPrintable(run.out));
    QVERIFY(run.out.contains(QStringLiteral("FAIL")));
    QVERIFY(run.out.contains(QStringLiteral("verdict fail")));
    QVERIFY(run.out.contains(QStringLiteral("uncertainty not stated: no weight class given")));
    QVERIFY(run.out.contains(QStringLiteral("decision rule: simple acceptance")));
    const QVector<ServiceEntry> e = entriesSince(before);
    QVERIFY(std::any_of(e.cbegin(), e.cend(), [](const ServiceEntry &x) {
        return x.kind == ServiceEntry::Test && x.newShown == QLatin1String("fail");
    }));
}

void TstZeltctlTest::loadsOnTheCornersFindTheEccentricCorner()
{
    sim::InstrumentModel &scale = m_sim->model();
    scale.applyAsFound();
    sim::ErrorModel errors;
    errors.eccentricityE = 3;
    errors.settleMs = 300;
    scale.setErrorModel(errors);
    // What the simulated platform shows with a third of max, 1000.0 kg, on each corner.
    constexpr double Load = 1000.0;
    int eccentric = 0;
    qint64 largest = -1;
    for (int corner = 1; corner <= 4; ++corner) {
        QVERIFY(scale.placeLoad(Load, corner));
        QTRY_VERIFY(scale.loadState().stable);
        const qint64 error = qAbs(qint64(qint32(scale.value32(0))) - 10000);
        if (error > largest) {
            largest = error;
            eccentric = corner;
        }
    }
    QVERIFY(largest >= 10); // 2 e at least
    scale.removeLoad();
    QTRY_VERIFY(scale.loadState().stable);

    for (int corner = 1; corner <= 4; ++corner) {
        QTimer::singleShot(2000 * corner - 1000, this, [this, corner] {
            if (m_sim)
                m_sim->model().placeLoad(Load, corner);
        });
        QTimer::singleShot(2000 * corner, this, [this] {
            if (m_sim)
                m_sim->model().removeLoad();
        });
    }
    const Run run = zeltctl(link() + QStringList{"test", "--loads", "none", "--corners", "4",
                                                 "--auto", "--settle", "200", "--json"});
    QCOMPARE(run.status, 1);
    const QJsonObject json = run.json();
    const QJsonArray points = json.value("points").toArray();
    QCOMPARE(points.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(points[i].toObject().value("corner").toInt(), i + 1);
        QCOMPARE(points[i].toObject().value("load").toString(), QStringLiteral("1000.0"));
    }
    const QJsonObject eccentricity = json.value("eccentricity").toObject();
    QCOMPARE(eccentricity.value("worstCorner").toInt(), eccentric);
    QVERIFY(!eccentricity.value("pass").toBool());
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("fail"));
}

void TstZeltctlTest::confirmedLoadsAndInputThatEndsEarly()
{
    m_sim->model().setLiveLoad(0.5);
    const auto withInput = [this](const QString &input) {
        QString typed = input;
        QTextStream in(&typed, QIODevice::ReadOnly);
        Run run;
        QTextStream out(&run.out), err(&run.err);
        CliStreams streams{out, err, false, &in};
        run.status = RunZeltctl(QStringList{"zeltctl"} + link() +
                                    QStringList{"test", "--standard", "hb44", "--loads",
                                                "1500,1500,1500", "--settle", "0"},
                                streams);
        out.flush();
        err.flush();
        return run;
    };
    Run run = withInput(QStringLiteral("\n\n\n"));
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    QVERIFY(run.err.contains(QStringLiteral("place 1500.00 kg, then Enter")));
    QVERIFY(run.out.contains(QStringLiteral("repeatability: spread 0.00 kg")));
    QVERIFY(run.out.contains(QStringLiteral("Handbook 44 class III, maintenance")));

    const int before = ProgramRecord()->count({});
    run = withInput(QStringLiteral("\n\n"));
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.contains(QStringLiteral("standard input ended before point 3")));
    QVERIFY(run.out.contains(QStringLiteral("verdict incomplete")));
    // kept as evidence, as incomplete and with why it ended
    const QVector<ServiceEntry> e = entriesSince(before);
    QVERIFY(std::any_of(e.cbegin(), e.cend(), [](const ServiceEntry &x) {
        return x.kind == ServiceEntry::Test && x.newShown == QLatin1String("incomplete") &&
               x.detail.contains(QLatin1String("standard input ended before point 3"));
    }));
}

void TstZeltctlTest::aLinkLostMidTestExitsThreeAndIsRecordedIncomplete()
{
    const int before = ProgramRecord()->count({});
    schedule({{800, 0.5}});
    QTimer::singleShot(1500, this, [this] { m_sim.reset(); });
    const Run run = zeltctl(link() + QStringList{"test", "--loads", "0,1500,3000", "--auto",
                                                 "--settle", "200", "--timeout", "200", "--json"});
    QCOMPARE(run.status, 3);
    const QJsonObject json = run.json();
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("incomplete"));
    QVERIFY(json.value("linkLost").toBool());
    QVERIFY(json.value("stopReason").toString().contains(QStringLiteral("link")));
    const QVector<ServiceEntry> e = entriesSince(before);
    QVERIFY(std::any_of(e.cbegin(), e.cend(), [](const ServiceEntry &x) {
        return x.kind == ServiceEntry::Test && x.newShown == QLatin1String("incomplete");
    }));
}

void TstZeltctlTest::badInputIsRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    QTest::newRow("unknown class") << QStringList{"--class", "V", "--auto"} << "--class V";
    QTest::newRow("unknown standard")
        << QStringList{"--standard", "r76", "--auto"} << "--standard r76";
    QTest::newRow("OIML on maintenance")
        << QStringList{"--accuracy", "maintenance", "--auto"} << "OIML R 76 judges";
    QTest::newRow("Handbook 44 class II")
        << QStringList{"--standard", "hb44", "--class", "II", "--auto"} << "class II";
    QTest::newRow("custom without a tolerance")
        << QStringList{"--standard", "custom", "--auto"} << "--tolerance";
    QTest::newRow("a tolerance without custom")
        << QStringList{"--tolerance", "1%", "--auto"} << "belongs to --standard custom";
    QTest::newRow("no input and no --auto") << QStringList{} << "give --auto";
    QTest::newRow("a load above max")
        << QStringList{"--loads", "0,3000.5", "--auto"} << "above the instrument's max";
    QTest::newRow("a load below zero") << QStringList{"--loads", "-1,0", "--auto"} << "below zero";
    QTest::newRow("more decimals than shown")
        << QStringList{"--loads", "0,1500.001", "--auto"} << "more decimals";
    // 3000.00 kg in 0.50 kg: 6000 e, within classes II and III only.
    QTest::newRow("class IIII at 6000 e")
        << QStringList{"--class", "IIII", "--loads", "0,3000", "--auto"}
        << "n = Max/e = 6000 (3000.00 kg / 0.50 kg) is above the limit of class IIII, n at most "
           "1000";
    QTest::newRow("class I at 6000 e")
        << QStringList{"--class", "I", "--auto"} << "n at least 50000";
    QTest::newRow("more corners than the analog platform's supports")
        << QStringList{"--corners", "6", "--auto"}
        << "--corners 6: 6 corners asked for, but the platform has 4 supports";
    QTest::newRow("a settle time no point can meet")
        << QStringList{"--auto", "--settle", "5000", "--point-timeout", "5"}
        << "shorter than the timeout";
    QTest::newRow("guarded acceptance without the weights' class")
        << QStringList{"--auto", "--decision", "guarded"}
        << "--decision guarded judges with U: give the weights' class with --weights-class";
    QTest::newRow("a class R 111 does not have")
        << QStringList{"--auto", "--weights-class", "M4"} << "--weights-class M4: expected";
    QTest::newRow("a decision rule there is not")
        << QStringList{"--auto", "--decision", "strict", "--weights-class", "F2"}
        << "--decision strict: expected simple or guarded";
    QTest::newRow("an option of another command")
        << QStringList{"--auto", "--count", "3"} << "--count does not apply to test";
}

void TstZeltctlTest::badInputIsRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    const int before = ProgramRecord()->count({});
    const Run run = zeltctl(link() + QStringList{"test"} + args);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(ProgramRecord()->count({}), before);
}

void TstZeltctlTest::aDigitalPlatformHasACornerForEachModule()
{
    m_sim = std::make_unique<sim::SimHost>(sim::Kind::Digital, 0);
    QVERIFY(m_sim->startTcp());
    sim::InstrumentModel &scale = m_sim->model();
    scale.setValue32(FullScaleRegister, FullScaleCounts);
    scale.setValue32(DivisionRegister, DivisionCounts);
    scale.setValue32(sim::Reg::ModuleCount, 6);
    scale.setLiveLoad(0);
    Run run = zeltctl(link() + QStringList{"test", "--loads", "none", "--corners", "7", "--auto"});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(QStringLiteral("the platform has 6 supports")), qPrintable(run.err));
    // Six supports: max / 5 on each, every point left open on the empty platform.
    run = zeltctl(link() + QStringList{"test", "--loads", "none", "--corners", "6", "--auto",
                                       "--point-timeout", "1", "--settle", "0"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QStringLiteral("6: place 600.00 kg on corner 6")),
             qPrintable(run.err));
}

void TstZeltctlTest::settingsTheStandardRefuses_data()
{
    QTest::addColumn<RegisterValues>("registers");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    // Ranges 2 and 3 keep their division and full scale at 130-132 and 134-136.
    QTest::newRow("a division the instrument does not hold")
        << RegisterValues{{DivisionRegister, 3}} << 1 << "does not hold";
    QTest::newRow("range 2 with range 1's division")
        << RegisterValues{{130, DivisionCounts}, {132, 2 * FullScaleCounts}} << 1
        << "range 2 has a division (e) of 0.50 kg, not above range 1's 0.50 kg";
    QTest::newRow("class III at 300000 e")
        << RegisterValues{{DivisionRegister, 1}} << 2
        << "n = Max/e = 300000 (3000.00 kg / 0.01 kg) is above the limit of class III, n at "
           "most 10000";
}

void TstZeltctlTest::settingsTheStandardRefuses()
{
    QFETCH(RegisterValues, registers);
    QFETCH(int, status);
    QFETCH(QString, says);
    for (const auto &r : registers)
        m_sim->model().setValue32(r.first, r.second);
    const int before = ProgramRecord()->count({});
    const Run run = zeltctl(link() + QStringList{"test", "--auto"});
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(ProgramRecord()->count({}), before);
}

void TstZeltctlTest::aTareIsRefused()
{
    m_sim->model().setTareRaw(1000);
    const int before = ProgramRecord()->count({});
    const Run run = zeltctl(link() + QStringList{"test", "--auto"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QStringLiteral("clear the tare")), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(ProgramRecord()->count({}), before);
}

QTEST_MAIN(TstZeltctlTest)
#include "tst_zeltctl_test.moc"
