// zeltctl calibrate in-process against the weighing simulator: an as-found
// scale calibrated from a terminal passes its test; every check refuses
// before anything is written; the instrument's own refusal is the outcome,
// on the terminal and on the record, for zeltctl write as for calibrate.
#include "instrumentmodel.h"
#include "modbuslink.h"
#include "pdftools.h"
#include "programrecord.h"
#include "servicerecord.h"
#include "simhost.h"
#include "zeltctlrun.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <memory>

namespace {
constexpr int WriteMultiple = 16;
constexpr int Cp1 = 112, Cp2 = 114, ZeroRange = 54;
} // namespace

class TstZeltctlCalibrate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void theAsFoundScaleCalibratedFromTheTerminalPasses();
    void aStepThatDoesNotFitTheScaleWritesNothing_data();
    void aStepThatDoesNotFitTheScaleWritesNothing();
    void aCalibrationTheInstrumentRefusesIsRecordedAsRefused();

private:
    QStringList link() const
    {
        return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(m_sim->port())};
    }
    bool settle(double kg)
    {
        if (!m_sim->model().placeLoad(kg))
            return false;
        QTest::qWait(50);
        return QTest::qWaitFor([this] { return m_sim->model().loadState().stable; }, 5000);
    }
    int writesTo(int address) const
    {
        const auto log = m_sim->requestLog();
        return int(std::count_if(log.cbegin(), log.cend(), [address](const sim::LoggedRequest &r) {
            return r.function == WriteMultiple && r.address == address;
        }));
    }
    QVector<ServiceEntry> entriesSince(int before) const
    {
        ServiceRecord *record = ProgramRecord();
        QVector<ServiceEntry> e = record->fetch({}, 0, record->count({}) - before);
        std::reverse(e.begin(), e.end());
        return e;
    }

    QTemporaryDir m_home;
    std::unique_ptr<sim::SimHost> m_sim;
};

void TstZeltctlCalibrate::initTestCase()
{
    qputenv("ZELT_HOME", m_home.path().toUtf8());
    QVERIFY(ProgramRecord());
}

void TstZeltctlCalibrate::init()
{
    // 3000.0 kg in e = 0.5 kg, span 4 e high: fails class III until calibrated
    m_sim = std::make_unique<sim::SimHost>(sim::Kind::Analog, 0);
    QVERIFY(m_sim->startTcp());
    m_sim->model().applyAsFound();
    sim::ErrorModel errors = sim::ErrorModel::asFound();
    errors.settleMs = sim::ErrorModel::FastSettleMs;
    m_sim->model().setErrorModel(errors);
    m_sim->model().setValue32(ZeroRange, 2); // % of max: 60.0 kg either side
    QVERIFY(settle(0));
}

void TstZeltctlCalibrate::cleanup()
{
    DisconnectModbus();
    m_sim.reset();
}

void TstZeltctlCalibrate::theAsFoundScaleCalibratedFromTheTerminalPasses()
{
    const int before = ProgramRecord()->count({});
    const QStringList fast = {"--settle", "300"};
    const auto placeLoads = [this] {
        for (const auto &at :
             QVector<QPair<int, double>>{{0, 0}, {1500, 1500}, {3000, 3000}, {4500, 0}})
            QTimer::singleShot(at.first, this, [this, kg = at.second] {
                if (m_sim)
                    m_sim->model().placeLoad(kg);
            });
    };
    const QStringList test = {"test", "--class", "III", "--loads", "0,1500,3000,0", "--auto"};
    placeLoads();
    Run run = zeltctl(link() + test + QStringList{"--phase", "as-found"} + fast);
    QCOMPARE(run.status, 1);

    run = zeltctl(link() + QStringList{"calibrate", "zero", "--yes", "--json"} + fast);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(run.json().value("calibration").toObject().value("outcome").toString(),
             QStringLiteral("written"));
    QVERIFY(run.err.contains("remove every load from the platform"));

    QVERIFY(settle(3000));
    run = zeltctl(link() + QStringList{"calibrate", "span", "3000", "--yes"} + fast);
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    QVERIFY(run.err.contains("place 3000.0 kg on the platform"));
    QVERIFY2(run.out.contains(QRegularExpression("CP1 +3000.0 kg +3002.0 kg +written")),
             qPrintable(run.out));
    QCOMPARE(m_sim->model().value32(Cp1), 30000u);

    // as left, taken as the loads come
    placeLoads();
    run = zeltctl(link() + test + QStringList{"--phase", "as-left", "--json"} + fast);
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    QCOMPARE(run.json().value("verdict").toString(), QStringLiteral("pass"));

    QStringList seen;
    for (const ServiceEntry &e : entriesSince(before)) {
        if (e.kind == ServiceEntry::Change)
            seen << QStringLiteral("%1 %2 %3").arg(e.address).arg(OutcomeText(e.outcome), e.source);
        else if (e.kind == ServiceEntry::Test)
            seen << e.paramName + QLatin1Char('=') + e.newShown;
    }
    QCOMPARE(seen,
             (QStringList{"scale test as found=fail", "108 written zeltctl calibrate zero",
                          "112 written zeltctl calibrate span 3000", "scale test as left=pass"}));

    // A zero taken after the as-left test: the certificate says so.
    QVERIFY(settle(0));
    QCOMPARE(zeltctl(link() + QStringList{"calibrate", "zero", "--yes"} + fast).status, 0);
    if (!pdftools::available())
        QSKIP("poppler-utils is not installed (scripts/install-deps installs it)");
    const QString pdf = m_home.filePath(QStringLiteral("visit.pdf"));
    const Run report = zeltctl(link() + QStringList{"report", pdf, "--sample", "0"});
    QVERIFY2(report.status == 0, qPrintable(report.err));
    const QString text = pdftools::squeezed(pdftools::text(pdf));
    const int certificate = text.indexOf("Calibrationcertificate");
    const int found = text.indexOf("scaletestasfound", certificate);
    const int adjusted = text.indexOf("Adjustments", found);
    const int left = text.indexOf("scaletestasleft", adjusted);
    const int flag = text.indexOf("changedaftertheas-lefttest:zeroat", left);
    QVERIFY2(certificate >= 0 && found > certificate && adjusted > found && left > adjusted &&
                 flag > left,
             qPrintable(text.mid(certificate)));
    QVERIFY(text.mid(adjusted, left - adjusted).contains("CP1"));
}

// Each check refuses with its reason, and nothing reaches the calibration registers.
void TstZeltctlCalibrate::aStepThatDoesNotFitTheScaleWritesNothing_data()
{
    QTest::addColumn<double>("load");
    QTest::addColumn<int>("tare");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    const QStringList yes{"--yes", "--settle", "300"};
    QTest::newRow("a zero with the test load on")
        << 3000.0 << 0 << QStringList{"zero"} + yes << 1
        << "3002.0 kg on the platform: remove every load before zeroing";
    QTest::newRow("a zero just beyond the zero range")
        << 60.5 << 0 << QStringList{"zero"} + yes << 1 << "60.5 kg on the platform";
    QTest::newRow("2750 kg on for a 3000 kg span")
        << 2750.0 << 0 << QStringList{"span", "3000"} + yes << 1
        << "The scale reads 2752.0 kg, 248.0 kg (496 e) below the 3000.0 kg";
    QTest::newRow("an empty platform for the span")
        << 0.0 << 0 << QStringList{"span", "3000"} + yes << 1 << "check the weight placed";
    QTest::newRow("CP3 before CP2")
        << 1000.0 << 0 << QStringList{"point", "3", "1000"} + yes << 1 << "CP3 comes after CP2";
    QTest::newRow("a span of 0") << 0.0 << 0 << QStringList{"span", "0"} + yes << 2
                                 << "above zero and at most 3000.0 kg";
    QTest::newRow("a span above max")
        << 0.0 << 0 << QStringList{"span", "3000.5"} + yes << 2 << "at most 3000.0 kg";
    QTest::newRow("a net reading") << 0.0 << 500 << QStringList{"zero"} + yes << 1 << "net weight";
    QTest::newRow("no step") << 0.0 << 0 << QStringList{} << 2 << "calibrate takes zero";
    QTest::newRow("point 6") << 0.0 << 0 << QStringList{"point", "6", "100"} << 2
                             << "the point is 1 to 5";
    QTest::newRow("the zero through write")
        << 0.0 << 0 << QStringList{} << 2 << "zeltctl calibrate zero takes a zero";
}

void TstZeltctlCalibrate::aStepThatDoesNotFitTheScaleWritesNothing()
{
    QFETCH(double, load);
    QFETCH(int, tare);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, says);
    QVERIFY(settle(load));
    m_sim->model().setTareRaw(tare);
    const int before = ProgramRecord()->count({});
    const QStringList command = QString(QTest::currentDataTag()) == "the zero through write"
                                    ? QStringList{"write", "BtnAutoZero=1"}
                                    : QStringList{"calibrate"} + args;
    const Run run = zeltctl(link() + command);
    QVERIFY2(run.status == status, qPrintable(QString::number(run.status) + run.err));
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    for (int address = 108; address <= 120; address += 2)
        QCOMPARE(writesTo(address), 0);
    for (const ServiceEntry &e : entriesSince(before))
        QVERIFY(e.kind != ServiceEntry::Change);
}

// The instrument takes a point only from a settled signal above the zero: a
// CP1 written on the empty platform is refused, and is on the record, the
// terminal and the exit status as refused, whichever command wrote it.
void TstZeltctlCalibrate::aCalibrationTheInstrumentRefusesIsRecordedAsRefused()
{
    const int before = ProgramRecord()->count({});
    Run run = zeltctl(link() + QStringList{"write", "EditWeightCp1=3000"});
    QCOMPARE(run.status, 1);
    QVERIFY2(
        run.out.contains(QRegularExpression(
            "refused by the instrument: (Weight Error|Over Resolution) \\(error bit 2[25]\\)")),
        qPrintable(run.out));
    QVERIFY(!run.out.contains(QRegularExpression("\\bwritten\\b")));

    // asked, the technician confirms the empty platform: the instrument says no
    QTextStream in(new QString(QStringLiteral("\ny\n")), QIODevice::ReadOnly);
    Run asked;
    {
        QTextStream out(&asked.out), err(&asked.err);
        CliStreams streams{out, err, false, &in};
        asked.status =
            RunZeltctl(QStringList{"zeltctl"} + link() +
                           QStringList{"calibrate", "span", "3000", "--settle", "300", "--json"},
                       streams);
    }
    delete in.string();
    QCOMPARE(asked.status, 1);
    QVERIFY(asked.err.contains("Write it? [y/N]"));
    const QJsonObject cal = asked.json().value("calibration").toObject();
    QVERIFY2(cal.value("outcome").toString().startsWith("refused by the instrument: "),
             qPrintable(asked.out));
    QVERIFY(cal.value("error").toObject().value("bit").toInt() >= 22);
    QCOMPARE(writesTo(Cp1), 2);
    QCOMPARE(writesTo(Cp2), 0);

    const QVector<ServiceEntry> entries = entriesSince(before);
    int refused = 0;
    for (const ServiceEntry &e : entries) {
        if (e.kind != ServiceEntry::Change)
            continue;
        QCOMPARE(e.outcome, ServiceEntry::InstrumentRefused);
        QVERIFY2(
            e.detail.contains(QRegularExpression("instrument error: .* \\(error bit 2[25]\\)")),
            qPrintable(e.detail));
        ++refused;
    }
    QCOMPARE(refused, 2);

    // zeltctl history shows the instrument's word
    const Run history = zeltctl({"history", "--outcome", "refused-by-the-instrument"});
    QCOMPARE(history.status, 0);
    QVERIFY2(history.out.count("refused by the instrument: ") >= 2, qPrintable(history.out));
}

QTEST_MAIN(TstZeltctlCalibrate)
#include "tst_zeltctl_calibrate.moc"
