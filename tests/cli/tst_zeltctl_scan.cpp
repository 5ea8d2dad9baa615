// zeltctl scan and the bus scan under it: instruments on a paced simulated
// RS-485 line, TCP ranges, misbehaving peers, cancelling.
#include "busscan.h"
#include "hostilepeer.h"
#include "linkfixture.h"
#include "scanplan.h"
#include "simhost.h"
#include "zeltctlrun.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>

using sim::SimHost;

namespace {

sim::BusTiming paced()
{
    sim::BusTiming t;
    t.pace = true;
    t.turnaroundMs = 5;
    return t;
}

// The least time the scan is to give an instrument on the test's line beyond
// the wire: the instruments' own turnaround and the relay through the
// pseudo-terminals (and socat), processes that a busy machine holds back for
// tens of milliseconds at a time. With the scan's own floor of 8 ms an answer
// held back 3 ms longer is taken for silence.
QString lineTurnaroundMs()
{
    constexpr int RelayAllowanceMs = 95;
    return QString::number(paced().turnaroundMs + RelayAllowanceMs);
}

// slave id -> "baud parity" of every instrument a --json scan reported.
QMap<int, QStringList> foundAt(const QJsonObject &json)
{
    QMap<int, QStringList> found;
    for (const QJsonValue &v : json.value("instruments").toArray()) {
        const QJsonObject o = v.toObject();
        found[o.value("slave").toInt()].append(
            QStringLiteral("%1 %2").arg(o.value("baud").toInt()).arg(o.value("parity").toString()));
    }
    return found;
}

int writesIn(const QVector<sim::LoggedRequest> &log)
{
    int n = 0;
    for (const sim::LoggedRequest &r : log)
        n += r.function != 3;
    return n;
}

// File descriptors of this process open on the device a link name leads to.
int openDescriptorsOn(const QString &link)
{
    const QString device = QFileInfo(link).canonicalFilePath();
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        n += fd.symLinkTarget() == device;
    return n;
}

// Whether another process has the device a link name leads to open.
bool openDescriptorsOfOthers(const QString &link)
{
    const QString device = QFileInfo(link).canonicalFilePath();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.toLongLong() <= 0 || pid.toLongLong() == QCoreApplication::applicationPid())
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() == device)
                return true;
        }
    }
    return false;
}

} // namespace

class TestZeltctlScan : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString link() const { return m_dir.filePath(QStringLiteral("bus")); }

    void checkThreeInstruments(const Run &run, SimHost &sim, const QStringList &where)
    {
        QVERIFY2(run.status == ExitDone, qPrintable(run.err));
        const QJsonObject json = run.json();
        const QMap<int, QStringList> found = foundAt(json);
        QCOMPARE(found.keys(), (QList<int>{3, 47, 99}));
        for (int id : {3, 47, 99})
            QCOMPARE(found.value(id), where);
        for (const QJsonValue &v : json.value("instruments").toArray()) {
            const QJsonObject o = v.toObject();
            const int id = o.value("slave").toInt();
            QCOMPARE(o.value("version").toInt(), 10203);
            QCOMPARE(o.value("kind").toString(), QStringLiteral("analog"));
            // The serial number is each instrument's own (the id is in it).
            QVERIFY(o.value("serialNumber")
                        .toString()
                        .contains(QStringLiteral("-000%1").arg(id, 3, 10, QLatin1Char('0'))));
            QCOMPARE(o.value("exception").toInt(), 0);
        }
        QCOMPARE(writesIn(sim.requestLog()), 0);
    }

private slots:
    void threeInstrumentsOnOneLineAreFoundAndNothingElse_data()
    {
        QTest::addColumn<bool>("pty");
        QTest::newRow("pty made by the simulator") << true;
        QTest::newRow("socat pair") << false;
    }
    void threeInstrumentsOnOneLineAreFoundAndNothingElse()
    {
        QFETCH(bool, pty);
        BusEnds ends(m_dir.path(), pty);
        if (!ends.start())
            QSKIP("socat is not installed or did not start");
        const QString programEnd = ends.programEnd();
        const QString simEnd = ends.simulatorEnd();
        SimHost sim;
        QVERIFY(sim.startBus(simEnd, pty, {3, 47, 99}, {19200, 2, 8, 1}, paced()));
        QStringList line{"scan", "--serial", programEnd, "--bauds", "19200", "--parities", "even"};
        line << "--turnaround-ms" << lineTurnaroundMs();
        const Run run = zeltctl(line + QStringList{"--json"});
        checkThreeInstruments(run, sim, {QStringLiteral("19200 even")});
        QCOMPARE(run.json().value("probed").toInt(), 99);
        // The instruments heard the version read and, found, the identity read;
        // the scan left nothing open.
        QCOMPARE(sim.requestLog().size(), 6);
        QCOMPARE(openDescriptorsOn(programEnd), 0);

        const Run table = zeltctl(line + QStringList{"--slaves", "40-50"});
        QCOMPARE(table.status, int(ExitDone));
        QVERIFY2(table.out.contains(QStringLiteral("47     19200 8E1  10203    analog")),
                 qPrintable(table.out));
        QVERIFY(table.out.contains(QStringLiteral("1 instrument(s) found, 11 of 11 addresses")));
    }

    // Each framing asks the instruments' ids and their neighbours; every id
    // at every framing (1485 probes, most waiting out silence) adds nothing the
    // first test's 99 ids at one framing do not show.
    void everyFramingIsTriedAndOnlyTheRightOneAnswers()
    {
        SimHost sim;
        QVERIFY(sim.startBus(link(), true, {3, 47, 99}, {19200, 2, 8, 1}, paced()));
        const Run run =
            zeltctl({"scan", "--serial", link(), "--slaves", "2-4,46-48,98-99", "--json"});
        checkThreeInstruments(run, sim, {QStringLiteral("19200 even")});
        QCOMPARE(run.json().value("probed").toInt(), 5 * 3 * 8);
        // Only the probes and identity reads at the line's framing reached the
        // instruments; the other framings were noise to them.
        QCOMPARE(sim.requestLog().size(), 6);
        QVERIFY(sim.noiseFrames() > 0);
    }

    // An instrument that refuses the probe is there all the same; a gateway's
    // own refusals say that nothing is behind that id; answers from another
    // unit, cut short or never finished are not instruments.
    void misbehavingPeers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("exceptionRate");
        QTest::addColumn<int>("found");
        QTest::newRow("exception answers") << -1 << 1 << 1;
        QTest::newRow("other unit") << int(hostile::Answer::OtherUnit) << 0 << 0;
        QTest::newRow("cut frame") << int(hostile::Answer::CutFrame) << 0 << 0;
        QTest::newRow("silent") << int(hostile::Answer::Silent) << 0 << 0;
        QTest::newRow("fewer registers") << int(hostile::Answer::FewerRegisters) << 0 << 0;
        QTest::newRow("good peer on every id") << int(hostile::Answer::Good) << 0 << 5;
    }
    void misbehavingPeers()
    {
        QFETCH(int, answer);
        QFETCH(int, exceptionRate);
        QFETCH(int, found);
        int port = 0;
        SimHost sim;
        hostile::Peer peer;
        if (answer < 0) {
            sim::FaultOptions faults;
            faults.exceptionRate = exceptionRate;
            QVERIFY(sim.startTcp(faults, 3));
            port = sim.port();
        } else {
            QVERIFY(peer.listen());
            peer.setAnswer(hostile::Answer(answer));
            port = peer.port();
        }
        const Run run = zeltctl({"scan", "--tcp", "127.0.0.1", "--port", QString::number(port),
                                 "--slaves", "1-5", "--json"});
        const QJsonArray list = run.json().value("instruments").toArray();
        QCOMPARE(list.size(), found);
        QCOMPARE(run.status, found > 0 ? int(ExitDone) : int(ExitDiffers));
        if (answer < 0) {
            QCOMPARE(list.first().toObject().value("slave").toInt(), 3);
            QCOMPARE(list.first().toObject().value("exception").toInt(), 4);
        }
    }

    void gatewayRefusalsAreNotInstruments()
    {
        // A gateway answers 0x0B for ids with nobody behind them.
        hostile::Peer peer;
        QVERIFY(peer.listen());
        peer.answerWith = [](const QByteArray &request, QByteArray *pdu) {
            const int unit = quint8(request.at(6));
            if (unit == 2)
                return false; // the instrument's own good answer
            *pdu = QByteArray("\x83\x0B", 2);
            return true;
        };
        const Run run = zeltctl({"scan", "--tcp", "127.0.0.1", "--port",
                                 QString::number(peer.port()), "--slaves", "1-4", "--json"});
        const QJsonArray list = run.json().value("instruments").toArray();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first().toObject().value("slave").toInt(), 2);
    }

    // A fast answer shortens the time each later id is given, never below the
    // least a TCP answer gets (30 ms): an instrument behind the same gateway
    // that takes 20 ms is still found. A busy machine may hold that answer back
    // past any time given; such a miss is tried again, and only when the scan
    // gave the slower id its 30 ms.
    void aSlowerInstrumentAfterAFastOneIsFound()
    {
        hostile::Peer peer;
        QVERIFY(peer.listen());
        peer.delayFor = [](const QByteArray &request) { return request.at(6) == 2 ? 20 : 0; };
        ScanPlan plan;
        plan.connectType = 1;
        plan.hosts = QStringList{QStringLiteral("127.0.0.1")};
        plan.tcpPort = peer.port();
        plan.slaves = {1, 2};
        const QVector<int> both{1, 2};
        QVector<int> found;
        for (int attempt = 0; attempt < 5 && found != both; ++attempt) {
            BusScan scan(plan);
            QSignalSpy finished(&scan, &BusScan::finished);
            scan.start();
            QVERIFY(finished.wait(10000));
            found.clear();
            for (const ScanFind &find : scan.finds())
                found << find.slaveId;
            QVERIFY2(found == both || scan.timeoutMs(2) >= 30,
                     qPrintable(QStringLiteral("id 2 was given %1 ms").arg(scan.timeoutMs(2))));
        }
        QCOMPARE(found, both);
    }

    void tcpRangeFindsEachListeningHostAndPassesOverClosedOnes()
    {
        SimHost a;
        SimHost b;
        QVERIFY(a.startTcp({}, 7));
        // The second instrument on the same port at the next loopback address.
        QVERIFY(b.startTcpAt(QStringLiteral("127.0.0.3"), a.port(), {}, 12));
        const Run run = zeltctl({"scan", "--tcp", "127.0.0.1-127.0.0.4", "--port",
                                 QString::number(a.port()), "--slaves", "5-15", "--json"});
        QVERIFY2(run.status == ExitDone, qPrintable(run.err));
        QMap<QString, int> found;
        for (const QJsonValue &v : run.json().value("instruments").toArray())
            found.insert(v.toObject().value("host").toString(),
                         v.toObject().value("slave").toInt());
        const QMap<QString, int> expected{{QStringLiteral("127.0.0.1"), 7},
                                          {QStringLiteral("127.0.0.3"), 12}};
        QCOMPARE(found, expected);
        // 127.0.0.2 and .4 refuse the connection: passed over with a note each.
        const QJsonArray problems = run.json().value("problems").toArray();
        QCOMPARE(problems.size(), 2);
        QVERIFY(problems.at(0).toString().startsWith(QStringLiteral("127.0.0.2:")));
        QVERIFY(problems.at(1).toString().startsWith(QStringLiteral("127.0.0.4:")));
        // On standard error one line for the one reason; their ids count as not asked.
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(
            run.err.startsWith(
                QStringLiteral("zeltctl: 2 hosts (127.0.0.2:%1 to 127.0.0.4:%1): ").arg(a.port())),
            qPrintable(run.err));
        QCOMPARE(run.json().value("probed").toInt(), 2 * 11);
        QCOMPARE(run.json().value("notAsked").toInt(), 2 * 11);
        QCOMPARE(run.json().value("addresses").toInt(), 4 * 11);
    }

    void cancelClosesThePort()
    {
        SimHost sim;
        QVERIFY(sim.startBus(link(), true, {99}, {38400, 2, 8, 1}, paced()));
        ScanPlan plan;
        plan.serialPort = link();
        plan.framings = ScanFramings({9600}, {0, 2});
        plan.slaves = DefaultScanSlaves();
        // Whatever else in this process has the line open.
        const int simulatorsOwn = openDescriptorsOn(link());
        BusScan scan(plan);
        QSignalSpy finished(&scan, &BusScan::finished);
        QSignalSpy progress(&scan, &BusScan::progress);
        scan.start();
        QTRY_VERIFY(progress.size() > 5);
        QCOMPARE(openDescriptorsOn(link()), simulatorsOwn + 1);
        scan.cancel();
        QCOMPARE(finished.size(), 1);
        QVERIFY(scan.wasCancelled());
        QVERIFY(!scan.isRunning());
        QCOMPARE(openDescriptorsOn(link()), simulatorsOwn);
        // Not locked either: the port opens at once.
        QSerialPort port(link());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.close();
        // Nothing more happens after the cancel.
        const int probes = scan.probesDone();
        QTest::qWait(100);
        QCOMPARE(scan.probesDone(), probes);
        QCOMPARE(finished.size(), 1);
    }

    void cancellingARangeStopsEveryHost()
    {
        // Two silent instruments, asked side by side: each host's scan waits out
        // every id.
        sim::FaultOptions silent;
        silent.dropRate = 1;
        SimHost a;
        SimHost b;
        QVERIFY(a.startTcp(silent, 1));
        QVERIFY(b.startTcpAt(QStringLiteral("127.0.0.2"), a.port(), silent, 1));
        ScanPlan plan;
        plan.connectType = 1;
        plan.tcpPort = a.port();
        QString error;
        QVERIFY(ParseHostRange(QStringLiteral("127.0.0.1-127.0.0.3"), &plan.hosts, &error));
        plan.slaves = DefaultScanSlaves();
        BusScan scan(plan);
        QSignalSpy finished(&scan, &BusScan::finished);
        QSignalSpy progress(&scan, &BusScan::progress);
        scan.start();
        QTRY_VERIFY(a.requestCount() >= 1 && b.requestCount() >= 1);
        QVERIFY(scan.probesDone() < 2 * 99);
        scan.cancel();
        QCOMPARE(finished.size(), 1);
        QVERIFY(scan.wasCancelled());
        const int reported = progress.size();
        const int done = scan.probesDone();
        QTest::qWait(300); // three timeouts' time: no host goes on
        QCOMPARE(progress.size(), reported);
        QCOMPARE(scan.probesDone(), done);
        QCOMPARE(finished.size(), 1);
    }

    // Ctrl-C in the terminal ends the scan as Cancel does: what was found is
    // printed and the port is free.
    void anInterruptedScanClosesThePort()
    {
        SimHost sim;
        QVERIFY(sim.startBus(link(), true, {2, 3}, {9600, 0, 8, 1}, paced()));
        QProcess scan;
        scan.start(QStringLiteral(ZELTCTL_PATH),
                   {"scan", "--serial", link(), "--bauds", "9600", "--parities", "none,even"});
        QVERIFY(scan.waitForStarted());
        // Interrupted once the instrument at id 2 is found and the scan went on
        // to id 3 (the probe, after id 2's probe and identity read).
        QTRY_VERIFY_WITH_TIMEOUT(sim.requestLog().size() >= 3, 10000);
        QTRY_VERIFY(openDescriptorsOfOthers(link()));
        ::kill(pid_t(scan.processId()), SIGINT);
        QVERIFY(scan.waitForFinished(5000));
        QCOMPARE(scan.exitCode(), int(ExitDiffers));
        const QString out = QString::fromUtf8(scan.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("\n2      9600 8N1")) &&
                     out.contains(QStringLiteral("cancelled")),
                 qPrintable(out));
        QSerialPort port(link());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    }

    // What the window's host field and --tcp take; "" where the text is refused.
    void hostRanges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hosts");
        QTest::newRow("one address") << "10.0.0.7"
                                     << "10.0.0.7";
        QTest::newRow("a host name with a dash") << "scale-01"
                                                 << "";
        QTest::newRow("whole ends") << "10.0.0.254-10.0.1.1"
                                    << "10.0.0.254 10.0.0.255 10.0.1.0 10.0.1.1";
        QTest::newRow("last part only") << "192.168.1.10 - 12"
                                        << "192.168.1.10 192.168.1.11 192.168.1.12";
        QTest::newRow("one long") << "10.0.0.3-3"
                                  << "10.0.0.3";
        QTest::newRow("backwards") << "10.0.0.9-3"
                                   << "";
        QTest::newRow("past 255") << "10.0.0.9-256"
                                  << "";
        QTest::newRow("1024 addresses") << "10.0.0.0-10.0.3.255"
                                        << "1024";
        QTest::newRow("1025 addresses") << "10.0.0.0-10.0.4.0"
                                        << "";
        QTest::newRow("three ends") << "10.0.0.1-2-3"
                                    << "";
    }
    void hostRanges()
    {
        QFETCH(QString, text);
        QFETCH(QString, hosts);
        QStringList parsed;
        QString error;
        const bool ok = ParseHostRange(text, &parsed, &error);
        QCOMPARE(ok, !hosts.isEmpty());
        if (!ok)
            QVERIFY2(error.contains(QLatin1String("is not a host or a range")), qPrintable(error));
        else if (hosts == QLatin1String("1024"))
            QCOMPARE(parsed.size(), 1024);
        else
            QCOMPARE(parsed.join(QLatin1Char(' ')), hosts);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no line") << QStringList{"scan"} << "scan takes --serial DEVICE or --tcp";
        QTest::newRow("both lines") << QStringList{"scan", "--serial", "x", "--tcp", "127.0.0.1"}
                                    << "scan takes --serial DEVICE or --tcp";
        QTest::newRow("one baud") << QStringList{"scan", "--serial", "x", "--baud", "9600"}
                                  << "not --baud";
        QTest::newRow("one slave")
            << QStringList{"scan", "--serial", "x", "--slave", "3"} << "not --slave";
        QTest::newRow("id 0") << QStringList{"scan", "--serial", "x", "--slaves", "0-5"}
                              << "'0-5' is not a slave id";
        QTest::newRow("id 100") << QStringList{"scan", "--serial", "x", "--slaves", "99-100"}
                                << "'99-100' is not a slave id";
        QTest::newRow("backwards")
            << QStringList{"scan", "--serial", "x", "--slaves", "9-3"} << "'9-3' is not a slave id";
        QTest::newRow("twice") << QStringList{"scan", "--serial", "x", "--slaves", "1-5,3"}
                               << "slave id 3 is given twice";
        QTest::newRow("parity") << QStringList{"scan", "--serial", "x", "--parities", "mark"}
                                << "'mark' is not a parity";
        QTest::newRow("baud") << QStringList{"scan", "--serial", "x", "--bauds", "9600,fast"}
                              << "'fast' is not a baud rate";
        QTest::newRow("range") << QStringList{"scan", "--tcp", "127.0.0.9-127.0.0.1"}
                               << "is not a host or a range";
        QTest::newRow("port on serial")
            << QStringList{"scan", "--serial", "x", "--port", "502"} << "--port is for a TCP scan";
        QTest::newRow("bauds on tcp")
            << QStringList{"scan", "--tcp", "127.0.0.1", "--bauds", "9600"}
            << "are for a serial scan";
        QTest::newRow("scan option elsewhere")
            << QStringList{"--tcp", "127.0.0.1", "info", "--slaves", "1-3"}
            << "--slaves does not apply to info";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run run = zeltctl(args);
        QCOMPARE(run.status, int(ExitUsage));
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    void aPortThatCannotBeOpenedIsOutOfReach()
    {
        const Run run = zeltctl({"scan", "--serial", m_dir.filePath(QStringLiteral("nothing")),
                                 "--bauds", "9600,19200", "--parities", "none"});
        QCOMPARE(run.status, int(ExitUnreachable));
        // Both framings fail alike: one line names them.
        QCOMPARE(run.err.count(QStringLiteral("zeltctl: ")), 1);
        QVERIFY2(run.err.contains(QStringLiteral("zeltctl: 2 framings (")), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestZeltctlScan)
#include "tst_zeltctl_scan.moc"
