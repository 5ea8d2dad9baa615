// The simulator as a scale: test loads become signal through the error model,
// and signal becomes weight through the instrument's own calibration.
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>
#include <cmath>

#include "controlchannel.h"
#include "instrumentmodel.h"

using namespace sim;

namespace {
// The as-found setting (3000.0 kg, e = 0.5 kg = 5 raw) without its errors.
constexpr qint32 E = 5;

qint32 weightRaw(const InstrumentModel &m)
{
    return qint32(m.value32(Reg::Weight));
}

bool stable(const InstrumentModel &m)
{
    return m.reg(Reg::Status) & Status::Stable;
}

quint32 errorBits(const InstrumentModel &m)
{
    return m.value32(Reg::ErrorBits);
}

// A perfect scale that comes to rest at once, unless told otherwise.
ErrorModel still()
{
    ErrorModel e;
    e.settleMs = 0;
    return e;
}

void setupBench(InstrumentModel &m, const ErrorModel &errors = still())
{
    m.applyAsFound();
    m.setErrorModel(errors);
}

QVector<quint16> pair(qint32 v)
{
    return {quint16(quint32(v) >> 16), quint16(quint32(v) & 0xFFFF)};
}

// Writes a calibration weight (raw) to point 1..5 through the Modbus path.
int writePoint(InstrumentModel &m, int point, qint32 raw)
{
    return m.writeHolding(Reg::CalPoint1 + 2 * (point - 1), pair(raw));
}

int zeroCapture(InstrumentModel &m)
{
    return m.writeHolding(Reg::ZeroCapture, pair(1));
}
} // namespace

Q_DECLARE_METATYPE(sim::Kind)

class TestSimWeighing : public QObject
{
    Q_OBJECT

private slots:
    void calibrationTakenWithALoadOnChangesLaterReadings_data();
    void calibrationTakenWithALoadOnChangesLaterReadings();
    void refusedCalibrationStepsRaiseTheirErrorAndChangeNothing_data();
    void refusedCalibrationStepsRaiseTheirErrorAndChangeNothing();
    void settlingClearsTheStableFlagForTheSettleTime_data();
    void settlingClearsTheStableFlagForTheSettleTime();
    void eachCornerShowsItsOwnEccentricity();
    void theDigitalCornerFixTakesTheEccentricityAway();
    void hysteresisAndCreepShowOnTheWayDownAndOverTime();
    void asFoundIsOffUntilCalibratedAtZeroAndSpan();
    void seededRunsRepeat();
    void eachRangeWeighsInItsOwnDivision_data();
    void eachRangeWeighsInItsOwnDivision();
    void controlLines_data();
    void controlLines();
    void controlChannelOverLoopbackAnswersEachLine();
    void errorModelTexts_data();
    void errorModelTexts();
    void zeltSimTakesLoadsOnItsControlChannel();
};

void TestSimWeighing::calibrationTakenWithALoadOnChangesLaterReadings_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("step");
    QTest::addColumn<double>("loadDuringStep");
    QTest::addColumn<qint32>("writtenRaw");
    QTest::addColumn<double>("laterLoad");
    QTest::addColumn<qint32>("expectedRaw");

    for (Kind kind : {Kind::Analog, Kind::Digital}) {
        const char *k = kind == Kind::Analog ? "analog" : "digital";
        auto row = [&](const char *name) {
            return std::ref(QTest::addRow("%s: %s", k, name) << kind);
        };
        row("untouched reads the load") << "none" << 0.0 << 0 << 1500.0 << 15000;
        row("nine e above full scale reads") << "none" << 0.0 << 0 << 3004.5 << 30045;
        row("beyond that overflows") << "none" << 0.0 << 0 << 3005.0 << 9999999;
        row("zero taken with 500 on, empty") << "zero" << 500.0 << 0 << 0.0 << -5000;
        row("zero taken with 500 on, 2000 on") << "zero" << 500.0 << 0 << 2000.0 << 15000;
        // 1000 kg on, told it is 1200 kg: every load now reads 1.2 times
        row("CP1 1200 at 1000, 1000 on") << "cp1" << 1000.0 << 12000 << 1000.0 << 12000;
        row("CP1 1200 at 1000, 2500 on") << "cp1" << 1000.0 << 12000 << 2500.0 << 30000;
        row("CP1 1200 at 1000, empty") << "cp1" << 1000.0 << 12000 << 0.0 << 0;
        // two points: 0..1000 as 0..1000, 1000..2000 told 2200
        row("CP2 2200 at 2000, 1500 on") << "cp2" << 2000.0 << 22000 << 1500.0 << 16000;
        row("CP2 2200 at 2000, 500 on") << "cp2" << 2000.0 << 22000 << 500.0 << 5000;
        row("CP2 2200 at 2000, 2100 on") << "cp2" << 2000.0 << 22000 << 2100.0 << 23200;
        // the correction coefficient scales whatever the calibration gives
        row("correction 0.9, 2000 on") << "correction" << 0.0 << 90000 << 2000.0 << 18000;
        // theoretical calibration from 2 mV/V and 8000 kg cells reads 0.8 times
        row("T-CAL 2 mV/V 8000, 2000 on") << "tcal" << 0.0 << 8000 << 2000.0 << 16000;
    }
}

void TestSimWeighing::calibrationTakenWithALoadOnChangesLaterReadings()
{
    QFETCH(Kind, kind);
    QFETCH(QString, step);
    QFETCH(double, loadDuringStep);
    QFETCH(qint32, writtenRaw);
    QFETCH(double, laterLoad);
    QFETCH(qint32, expectedRaw);

    InstrumentModel m(kind);
    setupBench(m);
    QVERIFY(m.placeLoad(loadDuringStep));
    if (step == "zero") {
        QCOMPARE(zeroCapture(m), 0);
        QCOMPARE(weightRaw(m), 0);
    } else if (step == "cp1") {
        QCOMPARE(writePoint(m, 1, writtenRaw), 0);
        QCOMPARE(weightRaw(m), writtenRaw);
    } else if (step == "cp2") {
        QVERIFY(m.placeLoad(1000));
        QCOMPARE(writePoint(m, 1, 10000), 0);
        QVERIFY(m.placeLoad(loadDuringStep));
        QCOMPARE(writePoint(m, 2, writtenRaw), 0);
    } else if (step == "correction") {
        QCOMPARE(m.writeHolding(Reg::Correction, pair(writtenRaw)), 0);
    } else if (step == "tcal") {
        // the digital kind rates each module's code; 4 modules share the load
        const qint32 rated = kind == Kind::Digital ? 125000 : 20000;
        QCOMPARE(m.writeHolding(Reg::Sensitivity, pair(rated)), 0);
        QCOMPARE(m.writeHolding(Reg::Capacity, pair(writtenRaw)), 0);
        QCOMPARE(m.writeHolding(Reg::TheoreticalCal, pair(1)), 0);
    }
    QCOMPARE(errorBits(m), 0u);
    QVERIFY(m.placeLoad(laterLoad));
    QCOMPARE(weightRaw(m), expectedRaw);
    QVERIFY(stable(m));
}

void TestSimWeighing::refusedCalibrationStepsRaiseTheirErrorAndChangeNothing_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("point");
    QTest::addColumn<qint32>("writtenRaw");
    QTest::addColumn<quint32>("error");

    QTest::newRow("weight 0") << "cp" << 1 << 0 << Error::PointWeightZero;
    QTest::newRow("weight above full scale") << "cp" << 1 << 30005 << Error::PointAboveFullScale;
    QTest::newRow("CP2 before CP1") << "cp" << 2 << 10000 << Error::PointBeforeMissing;
    QTest::newRow("CP1 on an empty scale") << "empty cp" << 1 << 10000 << Error::PointBelowPrevious;
    QTest::newRow("CP1 while settling") << "moving cp" << 1 << 10000 << Error::PointUnstable;
    QTest::newRow("zero while settling") << "moving zero" << 0 << 0 << Error::ZeroCalUnstable;
    QTest::newRow("CP2 lighter than CP1") << "cp2 below" << 2 << 9000 << Error::PointBelowPrevious;
}

void TestSimWeighing::refusedCalibrationStepsRaiseTheirErrorAndChangeNothing()
{
    QFETCH(QString, step);
    QFETCH(int, point);
    QFETCH(qint32, writtenRaw);
    QFETCH(quint32, error);

    InstrumentModel m;
    ErrorModel errors = still();
    errors.settleMs = 1000;
    setupBench(m, errors);
    QVERIFY(m.placeLoad(1000));
    m.tick(1000);
    QVERIFY(stable(m));
    if (step == "cp2 below") {
        QCOMPARE(writePoint(m, 1, 10000), 0);
        QVERIFY(m.placeLoad(2000));
        m.tick(1000);
    }
    QCOMPARE(weightRaw(m), step == "cp2 below" ? 20000 : 10000);

    if (step == "empty cp")
        QVERIFY(m.placeLoad(0));
    if (step == "empty cp")
        m.tick(1000);
    if (step.startsWith("moving"))
        QVERIFY(m.placeLoad(1500));
    QCOMPARE(step.endsWith("zero") ? zeroCapture(m) : writePoint(m, point, writtenRaw), 0);
    // the lowest error bit set is the one the instrument shows
    QCOMPARE(errorBits(m) & (~errorBits(m) + 1), error);

    m.tick(1000);
    QVERIFY(m.placeLoad(2500));
    m.tick(1000);
    QCOMPARE(weightRaw(m), 25000);

    // a step taken afterwards clears what the refused one reported
    if (step.endsWith("zero")) {
        QVERIFY(m.placeLoad(0));
        m.tick(1000);
        QCOMPARE(zeroCapture(m), 0);
    } else {
        QCOMPARE(writePoint(m, 1, 25000), 0);
    }
    QCOMPARE(errorBits(m), 0u);
}

void TestSimWeighing::settlingClearsTheStableFlagForTheSettleTime_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("settleMs");
    QTest::newRow("analog, 1500 ms") << Kind::Analog << 1500;
    QTest::newRow("digital, 700 ms") << Kind::Digital << 700;
    QTest::newRow("fast settle") << Kind::Analog << int(ErrorModel::FastSettleMs);
}

void TestSimWeighing::settlingClearsTheStableFlagForTheSettleTime()
{
    QFETCH(Kind, kind);
    QFETCH(int, settleMs);
    InstrumentModel m(kind);
    ErrorModel errors = still();
    errors.settleMs = settleMs;
    setupBench(m, errors);
    QVERIFY(m.placeLoad(0));
    m.tick(settleMs);
    QVERIFY(stable(m));

    QVERIFY(m.placeLoad(2000));
    QVERIFY(!stable(m));
    QCOMPARE(m.loadState().settleLeftMs, settleMs);
    bool moved = false;
    for (int t = 100; t < settleMs; t += 100) {
        m.tick(100);
        QVERIFY2(!stable(m), qPrintable(QString("stable after %1 ms").arg(t)));
        moved = moved || weightRaw(m) != 20000;
    }
    QVERIFY(moved);
    m.tick(100);
    QVERIFY(stable(m));
    QCOMPARE(weightRaw(m), 20000);
    QCOMPARE(m.loadState().settleLeftMs, 0);

    // a load changed while settling starts the settle time again
    QVERIFY(m.placeLoad(500));
    m.tick(settleMs - 100);
    QVERIFY(m.placeLoad(600));
    m.tick(settleMs - 100);
    QVERIFY(!stable(m));
    m.tick(100);
    QCOMPARE(weightRaw(m), 6000);
}

void TestSimWeighing::eachCornerShowsItsOwnEccentricity()
{
    InstrumentModel m;
    ErrorModel errors = still();
    errors.eccentricityE = 1;
    setupBench(m, errors);
    QCOMPARE(m.corners(), 4);
    QVERIFY(m.placeLoad(1000));
    QCOMPARE(weightRaw(m), 10000); // the centre sees none

    QVector<qint32> error;
    for (int corner = 1; corner <= 4; ++corner) {
        QVERIFY(m.placeLoad(1000, corner));
        QCOMPARE(m.loadState().corner, corner);
        error.append(weightRaw(m) - 10000);
    }
    // the worst corner is off by 1 e, the others by less, and not all alike
    qint32 worst = 0;
    for (qint32 v : qAsConst(error))
        worst = qMax(worst, qAbs(v));
    QCOMPARE(worst, E);
    QVERIFY(std::count(error.cbegin(), error.cend(), error.first()) < 4);

    // twice the load, twice the error (within the rounding to the division)
    QVector<qint32> heavier;
    for (int corner = 1; corner <= 4; ++corner) {
        QVERIFY(m.placeLoad(2000, corner));
        heavier.append(weightRaw(m) - 20000);
    }
    for (int c = 0; c < 4; ++c)
        QVERIFY(qAbs(heavier.at(c) - 2 * error.at(c)) <= E);

    QVERIFY(!m.placeLoad(1000, 5));
    QVERIFY(!m.placeLoad(-1));
    QVERIFY(!m.placeLoad(std::nan("")));
}

void TestSimWeighing::theDigitalCornerFixTakesTheEccentricityAway()
{
    InstrumentModel m(Kind::Digital);
    ErrorModel errors = still();
    errors.eccentricityE = 1;
    setupBench(m, errors);
    QCOMPARE(m.corners(), 4);
    auto cornerErrors = [&] {
        QVector<qint32> out;
        for (int corner = 1; corner <= 4; ++corner) {
            m.placeLoad(1000, corner);
            out.append(weightRaw(m) - 10000);
        }
        return out;
    };
    qint32 worst = 0;
    for (qint32 v : cornerErrors())
        worst = qMax(worst, qAbs(v));
    QCOMPARE(worst, E);
    // each module reports its own code: the loaded corner's is the largest
    m.placeLoad(1000, 3);
    for (int i = 0; i < 4; ++i)
        QVERIFY(i == 2 || m.value32(Reg::SensorAd + 4) > m.value32(Reg::SensorAd + 2 * i));

    QCOMPARE(m.writeHolding(Reg::CornerFix, pair(1)), 0);
    QCOMPARE(cornerErrors(), QVector<qint32>(4, 0));
}

void TestSimWeighing::hysteresisAndCreepShowOnTheWayDownAndOverTime()
{
    InstrumentModel m;
    ErrorModel errors = still();
    errors.hysteresisE = 1;
    setupBench(m, errors);
    QVERIFY(m.placeLoad(1500));
    QCOMPARE(weightRaw(m), 15000);
    QVERIFY(m.placeLoad(3000));
    QVERIFY(m.placeLoad(1500));
    QCOMPARE(weightRaw(m), 15000 + E); // half of full scale, on the way down
    QVERIFY(m.placeLoad(0));
    QCOMPARE(weightRaw(m), 0);

    errors.hysteresisE = 0;
    errors.creepE = 2;
    errors.creepTauMs = 1000;
    m.setErrorModel(errors);
    QVERIFY(m.placeLoad(3000));
    QCOMPARE(weightRaw(m), 30000);
    m.tick(10000);
    QCOMPARE(weightRaw(m), 30000 + 2 * E);
    QVERIFY(m.placeLoad(0));
    QCOMPARE(weightRaw(m), 2 * E); // the creep goes back as slowly
    m.tick(10000);
    QCOMPARE(weightRaw(m), 0);
}

void TestSimWeighing::asFoundIsOffUntilCalibratedAtZeroAndSpan()
{
    InstrumentModel m(Kind::Analog, 0, 7);
    m.applyAsFound();
    QCOMPARE(m.value32(Reg::FullScale), 30000u);
    QCOMPARE(m.value32(Reg::Division), 5u);
    QCOMPARE(m.value32(Reg::Decimals), 1u);
    const int settle = m.errorModel().settleMs;
    QVERIFY(settle > 0);
    QVERIFY(m.placeLoad(3000));
    m.tick(settle);
    QVERIFY(stable(m));
    const qint32 asFound = weightRaw(m) - 30000;
    QVERIFY2(asFound >= 3 * E && asFound <= 5 * E, qPrintable(QString::number(asFound)));

    QVERIFY(m.placeLoad(0));
    m.tick(settle);
    QCOMPARE(zeroCapture(m), 0);
    QVERIFY(m.placeLoad(3000));
    m.tick(settle);
    QCOMPARE(writePoint(m, 1, 30000), 0);
    QCOMPARE(errorBits(m), 0u);
    for (double load : {0.0, 500.0, 1500.0, 3000.0}) {
        QVERIFY(m.placeLoad(load));
        m.tick(settle);
        QVERIFY2(qAbs(weightRaw(m) - qint32(load * 10)) <= E,
                 qPrintable(QString("%1 reads %2").arg(load).arg(weightRaw(m))));
    }
}

void TestSimWeighing::seededRunsRepeat()
{
    auto run = [](quint32 seed) {
        InstrumentModel m(Kind::Digital, 0, seed);
        m.applyAsFound();
        ErrorModel errors = m.errorModel();
        errors.noiseE = 2;
        m.setErrorModel(errors);
        QVector<qint32> readings;
        for (double load : {0.0, 700.0, 1400.0, 700.0}) {
            m.placeLoad(load, load == 1400.0 ? 2 : 0);
            for (int i = 0; i < 25; ++i) {
                m.tick(100);
                readings.append(weightRaw(m));
            }
        }
        return readings;
    };
    const QVector<qint32> first = run(11);
    QCOMPARE(run(11), first);
    QVERIFY(run(12) != first);
}

void TestSimWeighing::eachRangeWeighsInItsOwnDivision_data()
{
    // Three ranges in tenths of a kilogram: 500.0 kg in 0.1 kg, 1500.0 kg in
    // 0.2 kg, 3000.0 kg in 0.5 kg; nine divisions of range 3 above its full
    // scale the instrument still shows, beyond that it overflows.
    QTest::addColumn<double>("load");  // kg
    QTest::addColumn<qint32>("shown"); // raw; -1: overflow
    QTest::newRow("range 1 in 0.1 kg") << 123.44 << 1234;
    QTest::newRow("range 1's full scale") << 500.0 << 5000;
    QTest::newRow("just above range 1: range 2 in 0.2 kg") << 500.13 << 5002;
    QTest::newRow("range 2 in 0.2 kg") << 1000.13 << 10002;
    QTest::newRow("range 3 in 0.5 kg") << 2000.17 << 20000;
    QTest::newRow("max") << 3000.0 << 30000;
    QTest::newRow("nine divisions of range 3 above max") << 3004.5 << 30045;
    QTest::newRow("beyond them: overflow") << 3004.8 << -1;
}

void TestSimWeighing::eachRangeWeighsInItsOwnDivision()
{
    QFETCH(double, load);
    QFETCH(qint32, shown);
    InstrumentModel m;
    setupBench(m); // range 1: 3000.0 kg in 0.5 kg, redrawn below
    m.setValue32(Reg::FullScale, 5000);
    m.setValue32(Reg::Division, 1);
    m.setValue32(Reg::FullScale2, 15000);
    m.setValue32(Reg::Division2, 2);
    m.setValue32(Reg::FullScale3, 30000);
    m.setValue32(Reg::Division3, 5);
    QVERIFY(m.placeLoad(load));
    const bool overflow = m.reg(Reg::Status) & Status::Overflow;
    QCOMPARE(overflow, shown < 0);
    if (shown >= 0)
        QCOMPARE(weightRaw(m), shown);
    QVERIFY(stable(m));

    // A calibration point may be written up to the last range's full scale,
    // not above it.
    if (load == 2000.17) {
        QCOMPARE(writePoint(m, 1, 20000), 0);
        QCOMPARE(errorBits(m), 0u);
        QCOMPARE(weightRaw(m), 20000);
        QCOMPARE(writePoint(m, 1, 30005), 0);
        QCOMPARE(errorBits(m), quint32(Error::PointAboveFullScale));
    }
}

void TestSimWeighing::controlLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("units");
    QTest::addColumn<int>("corner");

    QTest::newRow("load") << "load 500"
                          << "ok" << 500.0 << 0;
    QTest::newRow("load on a corner") << "load 250.5 corner 2"
                                      << "ok" << 250.5 << 2;
    QTest::newRow("spaces and case") << "  LOAD   12   Corner 4 "
                                     << "ok" << 12.0 << 4;
    QTest::newRow("remove") << "remove"
                            << "ok" << 0.0 << 0;
    QTest::newRow("negative") << "load -1"
                              << "error" << 100.0 << 0;
    QTest::newRow("not a number") << "load lots"
                                  << "error" << 100.0 << 0;
    QTest::newRow("infinite") << "load inf"
                              << "error" << 100.0 << 0;
    QTest::newRow("corner 0") << "load 5 corner 0"
                              << "error" << 100.0 << 0;
    QTest::newRow("corner 5") << "load 5 corner 5"
                              << "error" << 100.0 << 0;
    QTest::newRow("corner without number") << "load 5 corner"
                                           << "error" << 100.0 << 0;
    QTest::newRow("other word") << "load 5 side 2"
                                << "error" << 100.0 << 0;
    QTest::newRow("remove with more") << "remove 5"
                                      << "error" << 100.0 << 0;
    QTest::newRow("unknown") << "tare"
                             << "error" << 100.0 << 0;
    QTest::newRow("empty") << ""
                           << "error" << 100.0 << 0;
    QTest::newRow("too long") << "load " + QString(300, '1') << "error" << 100.0 << 0;
    QTest::newRow("settle") << "settle 0"
                            << "ok" << 100.0 << 0;
    QTest::newRow("settle negative") << "settle -5"
                                     << "error" << 100.0 << 0;
    QTest::newRow("state") << "state"
                           << "ok load 100 corner 0 settling 0 stable 1" << 100.0 << 0;
}

void TestSimWeighing::controlLines()
{
    QFETCH(QString, line);
    QFETCH(QString, answer);
    QFETCH(double, units);
    QFETCH(int, corner);

    InstrumentModel m;
    setupBench(m);
    QVERIFY(m.placeLoad(100));
    const QString got = runControlLine(&m, line);
    if (answer == "error")
        QVERIFY2(got.startsWith("error "), qPrintable(got));
    else
        QCOMPARE(got, answer);
    QCOMPARE(m.loadState().units, units);
    QCOMPARE(m.loadState().corner, corner);
}

void TestSimWeighing::controlChannelOverLoopbackAnswersEachLine()
{
    InstrumentModel m;
    setupBench(m);
    ControlChannel channel(&m);
    QVERIFY(!channel.listen("192.0.2.1:0")); // loopback only
    QVERIFY(!channel.listen("127.0.0.1:port"));
    QVERIFY2(channel.listen("127.0.0.1:0"), qPrintable(channel.errorString()));

    QTcpSocket client;
    const QString address = channel.address();
    client.connectToHost(address.section(':', 0, 0), quint16(address.section(':', 1).toUInt()));
    QVERIFY(client.waitForConnected(3000));
    auto answers = [&](int n) {
        QStringList lines;
        while (lines.size() < n) {
            while (client.canReadLine())
                lines.append(QString::fromUtf8(client.readLine()).trimmed());
            if (lines.size() < n && !QSignalSpy(&client, &QTcpSocket::readyRead).wait(3000))
                break;
        }
        return lines;
    };
    // two lines in one packet, then a line in two
    client.write("load 700 corner 3\r\nstate\n");
    QCOMPARE(answers(2), (QStringList{"ok", "ok load 700 corner 3 settling 0 stable 1"}));
    client.write("remo");
    client.flush();
    client.write("ve\n");
    QCOMPARE(answers(1), QStringList{"ok"});
    QCOMPARE(weightRaw(m), 0);

    // a line without end is answered once and dropped; the next line counts
    client.write(QByteArray(5000, 'x'));
    QCOMPARE(answers(1), QStringList{"error line too long"});
    client.write(QByteArray(100, 'x') + "\nload 10\n");
    QCOMPARE(answers(1), QStringList{"ok"});
    QCOMPARE(weightRaw(m), 100);
}

void TestSimWeighing::errorModelTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("spanE");
    QTest::addColumn<int>("settleMs");
    QTest::newRow("empty keeps all") << "" << true << 4.0 << 1500;
    QTest::newRow("two keys") << "span=2.5, settle=300" << true << 2.5 << 300;
    QTest::newRow("negative span") << "span=-1" << true << -1.0 << 1500;
    QTest::newRow("unknown key") << "spam=1" << false << 4.0 << 1500;
    QTest::newRow("not a number") << "noise=much" << false << 4.0 << 1500;
    QTest::newRow("no value") << "creep" << false << 4.0 << 1500;
    QTest::newRow("negative time") << "settle=-5" << false << 4.0 << 1500;
    QTest::newRow("huge") << "span=1e9" << false << 4.0 << 1500;
}

void TestSimWeighing::errorModelTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, spanE);
    QFETCH(int, settleMs);
    ErrorModel m = ErrorModel::asFound();
    QCOMPARE(m.set(text).isEmpty(), accepted);
    QCOMPARE(m.spanE, spanE);
    QCOMPARE(m.settleMs, settleMs);
}

// The program: options checked, the control channel's address printed, loads taken.
void TestSimWeighing::zeltSimTakesLoadsOnItsControlChannel()
{
    auto run = [](const QStringList &args) {
        QProcess p;
        p.start(QStringLiteral(ZELT_SIM_PATH), args);
        p.waitForFinished(10000);
        return p.exitCode();
    };
    QCOMPARE(run({"--tcp", "127.0.0.1:0", "--errors", "span=x"}), 2);
    QCOMPARE(run({"--tcp", "127.0.0.1:0", "--control", "192.0.2.1:4000"}), 1);

    QProcess sim;
    sim.start(QStringLiteral(ZELT_SIM_PATH), {"--tcp", "127.0.0.1:0", "--control", "127.0.0.1:0",
                                              "--as-found", "--errors", "settle=0,noise=0"});
    QString address;
    while (address.isEmpty() && sim.waitForReadyRead(10000)) {
        const QString out = QString::fromUtf8(sim.readAllStandardOutput());
        const QRegularExpressionMatch m =
            QRegularExpression("control channel on (127\\.0\\.0\\.1:\\d+)").match(out);
        if (m.hasMatch())
            address = m.captured(1);
    }
    QVERIFY2(!address.isEmpty(), "no control channel address printed");
    QTcpSocket client;
    client.connectToHost("127.0.0.1", quint16(address.section(':', 1).toUInt()));
    QVERIFY(client.waitForConnected(3000));
    client.write("load 1500 corner 1\nstate\n");
    QStringList lines;
    while (lines.size() < 2 && (client.canReadLine() || client.waitForReadyRead(3000))) {
        while (client.canReadLine())
            lines.append(QString::fromUtf8(client.readLine()).trimmed());
    }
    QCOMPARE(lines, (QStringList{"ok", "ok load 1500 corner 1 settling 0 stable 1"}));
    sim.kill();
    sim.waitForFinished(3000);
}

QTEST_GUILESS_MAIN(TestSimWeighing)
#include "tst_simweighing.moc"
