// zeltctl by register groups and across a fleet: grouped reads against the
// window's row-by-row export, a restore that writes only what differs, hosts
// files with serial lines, and compare / dry run of many instruments at once.
#include "devicemodel.h"
#include "exeltowrite.h"
#include "hostilepeer.h"
#include "hostsfile.h"
#include "linkfixture.h"
#include "modbuslink.h"
#include "paramcatalogue.h"
#include "paramtemplate.h"
#include "programrecord.h"
#include "registerimage.h"
#include "rowchecks.h"
#include "servicerecord.h"
#include "sheetfixture.h"
#include "simhost.h"
#include "workbook.h"
#include "zeltctlrun.h"

#include <QJsonArray>
#include <QModbusClient>
#include <QSerialPort>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using sim::SimHost;

using namespace sheet;

namespace {

QVector<int> writtenAddresses(const QVector<sim::LoggedRequest> &log)
{
    QVector<int> a;
    for (const sim::LoggedRequest &r : log) {
        if (r.function == 6 || r.function == 16)
            a.append(r.address);
    }
    return a;
}

void writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

QStringList tcp(int port, int wordOrder = 0)
{
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port),
            QStringLiteral("--word-order"),
            wordOrder ? QStringLiteral("CD-AB") : QStringLiteral("AB-CD")};
}

// The window's row-by-row export of the instrument on this port into path.
int windowExport(int port, int wordOrder, const QString &path)
{
    LinkSettings s;
    s.connectType = 1;
    s.EditIP = QStringLiteral("127.0.0.1");
    s.EditPort = QString::number(port);
    gu32_ConnectType = 1;
    gu32_DwordFormat = quint32(wordOrder);
    gu32_SlaveId = 1;
    if (!SetupModbusClient(s, nullptr) ||
        !QTest::qWaitFor([] { return gp_ModbusDevice->state() == QModbusDevice::ConnectedState; },
                         3000))
        return -100;
    WriteParamTemplate(path, 0);
    ExelToWrite excel;
    const int result = excel.RunExport(path, gp_ModbusDevice, {});
    DisconnectModbus();
    return result;
}

// The template's rows that lie in registers first .. last.
QVector<int> templateRowsIn(int first, int last)
{
    QVector<int> rows;
    const QVector<QStringList> t = ParamTemplateRows(0);
    for (int r = 1; r < t.size(); ++r) {
        const int a = t[r][0].toInt();
        if (a >= first && a <= last)
            rows.append(r + 1);
    }
    return rows;
}

} // namespace

class TstZeltctlFleet : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void groupedReadsFillTheRowsTheWindowsExportReads_data();
    void groupedReadsFillTheRowsTheWindowsExportReads();
    void aRefusedGroupFailsItsRowsAloneAndNamesThem();
    void restoreWritesOnlyTheRowsThatDiffer();
    void rowsHoldingTheFilesValueAreNeverRefused();
    void aWrittenRowThatReadsBackOtherwiseFails();

    void hostsFileLines_data();
    void hostsFileLines();
    void fleetCompareNamesExactlyTheChangedRows();
    void fleetChecksReportTheOthersWhenOneIsUnreachable();
    void serialBusesAreWorkedOneInstrumentAtATime();
    void aFleetNamesTheRowsAnInstrumentRefuses();
    void aBusyDeviceFailsItsOwnInstrumentsAlone();
    void anInstrumentSilentPartwayKeepsWhatWasRead();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstZeltctlFleet::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("ZELT_HOME", m_dir->path().toUtf8());
}

void TstZeltctlFleet::cleanup()
{
    DisconnectModbus();
}

void TstZeltctlFleet::groupedReadsFillTheRowsTheWindowsExportReads_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("wordOrder");
    QTest::newRow("analog AB-CD") << int(sim::Kind::Analog) << 0;
    QTest::newRow("analog CD-AB") << int(sim::Kind::Analog) << 1;
    QTest::newRow("digital AB-CD") << int(sim::Kind::Digital) << 0;
    QTest::newRow("digital CD-AB") << int(sim::Kind::Digital) << 1;
}

// Every row of the template holds a value whose two halves differ, so that a
// word taken from the wrong place or in the wrong order shows.
void TstZeltctlFleet::groupedReadsFillTheRowsTheWindowsExportReads()
{
    QFETCH(int, kind);
    QFETCH(int, wordOrder);
    SimHost sim(sim::Kind(kind), wordOrder);
    QVERIFY(sim.startTcp());
    sim::InstrumentModel &m = sim.model();
    m.setLiveFrozen(true);
    const QVector<QStringList> rows = ParamTemplateRows(0);
    for (int r = 1; r < rows.size(); ++r) {
        const int address = rows[r][0].toInt();
        // The unit and decimal settings stay valid: they drive the live weight.
        if (address == 100 || address == 102)
            continue;
        if (rows[r][2] == QLatin1String("1"))
            m.setReg(address, quint16(address * 7 + 3));
        else
            m.setValue32(address, (quint32(address % 251 + 1) << 16) | quint32(address * 3 + 1));
    }

    const QString grouped = m_dir->filePath("grouped.xlsx");
    sim.clearLog();
    const Run backup = zeltctl(tcp(sim.port(), wordOrder) + QStringList{"backup", grouped});
    QVERIFY2(backup.status == 0, qPrintable(backup.err));
    // One request per register group the rows need, each a group of the table
    // (beside them only the link check and the service record's identity).
    Workbook book;
    QVERIFY(book.open(grouped) && book.selectSheet(ParamSheet));
    const QVector<GroupRequest> planned = PlanGroupedReads(CompareSpans(book));
    QVERIFY(planned.size() < rows.size() / 5);
    const QVector<sim::LoggedRequest> log = sim.requestLog();
    for (const GroupRequest &g : planned) {
        QVERIFY2(std::any_of(log.cbegin(), log.cend(),
                             [&g](const sim::LoggedRequest &r) {
                                 return r.function == 3 && r.address == g.start &&
                                        r.count == g.count;
                             }),
                 qPrintable(QString::number(g.start)));
    }
    QVERIFY(log.size() <= planned.size() + 3);

    // The window's export keeps its one request per row.
    const QString rowByRow = m_dir->filePath("rows.xlsx");
    sim.clearLog();
    QCOMPARE(windowExport(sim.port(), wordOrder, rowByRow), ExelToWrite::Done);
    QVERIFY(sim.requestLog().size() >= rows.size() - 1);
    const QMap<QString, QString> a = fileValues(grouped), b = fileValues(rowByRow);
    QCOMPARE(a.size(), rows.size() - 1);
    for (auto it = b.cbegin(); it != b.cend(); ++it) {
        QVERIFY2(!it.value().isEmpty(), qPrintable(it.key()));
        QVERIFY2(a.value(it.key()) == it.value(),
                 qPrintable(it.key() + ": " + a.value(it.key()) + " / " + it.value()));
    }
    // And the other way: compare and a dry run read the groups and find nothing.
    QCOMPARE(zeltctl(tcp(sim.port(), wordOrder) + QStringList{"compare", grouped}).status, 0);
    const Run dry = zeltctl(tcp(sim.port(), wordOrder) +
                            QStringList{"restore", grouped, "--dry-run", "--json"});
    QCOMPARE(dry.json().value("changes").toArray().size(), 0);
}

// The COM block (300-395) is refused: exactly its rows fail, each named, the
// others are read, and the window's row-by-row export fails the same rows.
void TstZeltctlFleet::aRefusedGroupFailsItsRowsAloneAndNamesThem()
{
    hostile::Peer peer;
    QVERIFY(peer.listen());
    peer.refuseReads(300, 395);
    const QString file = m_dir->filePath("refusing.xlsx");
    const Run run = zeltctl(tcp(peer.port()) + QStringList{"backup", file, "--json"});
    QCOMPARE(run.status, 1);
    const QVector<int> refusedRows = templateRowsIn(300, 395);
    QVERIFY(refusedRows.size() > 10);
    QJsonArray expected;
    for (int r : refusedRows)
        expected.append(r);
    QCOMPARE(run.json().value("failed").toArray(), expected);
    for (int r : refusedRows)
        QVERIFY2(run.err.contains(QStringLiteral("row %1 (register ").arg(r)), qPrintable(run.err));
    QCOMPARE(run.json().value("read").toInt(),
             ParamTemplateRows(0).size() - 1 - refusedRows.size());

    const QString partial = m_dir->filePath("refusing.part.xlsx");
    const QString window = m_dir->filePath("window.xlsx");
    QCOMPARE(windowExport(peer.port(), 0, window), ExelToWrite::RowsFailed);
    QCOMPARE(fileValues(partial), fileValues(window));

    // compare of a file with every row filled names the same rows as failed
    // and finds no other difference.
    {
        Workbook book;
        QVERIFY(book.open(window) && book.selectSheet(ParamSheet));
        for (int r : refusedRows)
            QVERIFY(book.setCellText(r, 7, QStringLiteral("1")));
        QVERIFY(book.save());
    }
    const Run compare = zeltctl(tcp(peer.port()) + QStringList{"compare", window, "--json"});
    QCOMPARE(compare.status, 1);
    QCOMPARE(compare.json().value("differences").toArray().size(), 0);
    QCOMPARE(compare.json().value("failed").toArray().size(), refusedRows.size());
    QCOMPARE(compare.err.count('\n'), refusedRows.size());
    QVERIFY2(compare.err.contains(QStringLiteral("row %1 (register %2, ")
                                      .arg(refusedRows[0])
                                      .arg(ParamTemplateRows(0)[refusedRows[0] - 1][0])),
             qPrintable(compare.err));
}

void TstZeltctlFleet::restoreWritesOnlyTheRowsThatDiffer()
{
    SimHost sim;
    QVERIFY(sim.startTcp());
    const QString file = m_dir->filePath("unit.xlsx");
    QCOMPARE(zeltctl(tcp(sim.port()) + QStringList{"backup", file}).status, 0);

    // Onto the instrument it came from: nothing to write.
    sim.clearLog();
    const Run same = zeltctl(tcp(sim.port()) + QStringList{"restore", file, "--json"});
    QVERIFY2(same.status == 0, qPrintable(same.err));
    QCOMPARE(writeCount(sim.requestLog()), 0);
    QCOMPARE(same.json().value("written").toInt(), 0);
    QVERIFY(same.json().value("unchanged").toInt() > 90);

    // One changed row: that row alone is written, then read back.
    const int row = rowOf(file, 54);
    setCell(file, row, 7, "40");
    sim.clearLog();
    const Run one = zeltctl(tcp(sim.port()) + QStringList{"restore", file, "--json"});
    QVERIFY2(one.status == 0, qPrintable(one.err));
    QCOMPARE(writtenAddresses(sim.requestLog()), QVector<int>{54});
    QCOMPARE(sim.model().value32(54), quint32(40));
    const QVector<sim::LoggedRequest> log = sim.requestLog();
    const auto write = std::find_if(log.cbegin(), log.cend(),
                                    [](const sim::LoggedRequest &r) { return r.function == 16; });
    QVERIFY(write + 1 != log.cend());
    QCOMPARE((write + 1)->function, 3);
    QCOMPARE((write + 1)->address, 54);
    QCOMPARE((write + 1)->count, 2);
    QCOMPARE(one.json().value("written").toInt(), 1);
    QVERIFY2(one.out.contains(QLatin1String(" 1 written, ")), qPrintable(one.out));
    // The service record has the change, with the value the group read found.
    HistoryFilter changes;
    changes.kind = ServiceEntry::Change;
    changes.source = QStringLiteral("file unit.xlsx sha256 ");
    const QVector<ServiceEntry> entries = ProgramRecord()->fetch(changes, 0, 1000);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].address, 54);
    QCOMPARE(entries[0].oldShown, QStringLiteral("20"));
    QCOMPARE(entries[0].newShown, QStringLiteral("40"));

    // --all writes every row, as the window's import does.
    sim.clearLog();
    const Run all = zeltctl(tcp(sim.port()) + QStringList{"restore", file, "--all", "--json"});
    QCOMPARE(all.status, 0);
    QCOMPARE(all.json().value("unchanged").toInt(), 0);
    QCOMPARE(writeCount(sim.requestLog()), all.json().value("written").toInt());
    QVERIFY(all.json().value("written").toInt() > 90);
    QCOMPARE(zeltctl(tcp(sim.port()) + QStringList{"restore", file, "--all", "--dry-run"}).status,
             2);
}

// An instrument holding values outside the limits the template states (0 where
// the smallest allowed is 1): its own backup restores with nothing refused,
// and the dry run agrees; --all still refuses those rows.
void TstZeltctlFleet::rowsHoldingTheFilesValueAreNeverRefused()
{
    SimHost sim;
    QVERIFY(sim.startTcp());
    int belowLimits = 0;
    for (const ParamRow *p : FileParameters()) {
        if (p->rawMin > 0 && p->access == ParamAccess::ReadWrite) {
            p->count == 1 ? sim.model().setReg(p->address, 0)
                          : sim.model().setValue32(p->address, 0);
            // The rows of the link in use (TCP: 360-395) are never imported.
            belowLimits += p->address < 360 || p->address > 395;
        }
    }
    QVERIFY(belowLimits > 3);
    const QString file = m_dir->filePath("zeros.xlsx");
    QCOMPARE(zeltctl(tcp(sim.port()) + QStringList{"backup", file}).status, 0);

    const Run dry = zeltctl(tcp(sim.port()) + QStringList{"restore", file, "--dry-run", "--json"});
    QCOMPARE(dry.status, 0);
    QCOMPARE(dry.json().value("refused").toArray().size(), 0);
    sim.clearLog();
    const Run restore = zeltctl(tcp(sim.port()) + QStringList{"restore", file, "--json"});
    QVERIFY2(restore.status == 0, qPrintable(restore.err));
    QCOMPARE(restore.json().value("refused").toArray().size(), 0);
    QCOMPARE(writeCount(sim.requestLog()), 0);

    const Run all = zeltctl(tcp(sim.port()) + QStringList{"restore", file, "--all", "--json"});
    QCOMPARE(all.status, 1);
    QCOMPARE(all.json().value("refused").toArray().size(), belowLimits);
}

// An instrument that takes a write and keeps its old value: the row failed.
void TstZeltctlFleet::aWrittenRowThatReadsBackOtherwiseFails()
{
    SimHost sim;
    QVERIFY(sim.startTcp());
    const QString file = m_dir->filePath("kept.xlsx");
    QCOMPARE(zeltctl(tcp(sim.port()) + QStringList{"backup", file}).status, 0);
    hostile::Peer peer; // echoes writes, always reads 3a + 1
    QVERIFY(peer.listen());
    const int row = rowOf(file, 54);
    const Run run = zeltctl(tcp(peer.port()) + QStringList{"restore", file, "--json"});
    QCOMPARE(run.status, 1);
    const quint32 held = quint32(hostile::registerValue(54)) << 16 | hostile::registerValue(55);
    QVERIFY2(run.err.contains(QStringLiteral("row %1 (register 54, Zero range) failed: register 54 "
                                             "reads %2 back after writing 20")
                                  .arg(row)
                                  .arg(held)),
             qPrintable(run.err));
    QCOMPARE(run.json().value("written").toInt(), 0);
    // The service record tells the same: the write went through, the value did not stay.
    HistoryFilter changes;
    changes.kind = ServiceEntry::Change;
    const QVector<ServiceEntry> entries = ProgramRecord()->fetch(changes, 0, 200);
    const auto e = std::find_if(entries.begin(), entries.end(),
                                [](const ServiceEntry &e) { return e.address == 54; });
    QVERIFY(e != entries.end());
    QVERIFY(e->source.endsWith(QStringLiteral(" row %1").arg(row)));
    QCOMPARE(e->outcome, ServiceEntry::ReadBackDiffers);
    QCOMPARE(e->newShown, QStringLiteral("20"));
    QVERIFY2(e->detail.endsWith(QStringLiteral("the instrument holds %1").arg(held)),
             qPrintable(e->detail));
}

void TstZeltctlFleet::hostsFileLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names"); // empty: refused
    QTest::addColumn<int>("badLine");
    QTest::newRow("tcp and serial")
        << "plc7\n10.0.0.5:1502 # hall\n/dev/ttyUSB0 38400 8E1 5\n"
           "COM3  9600 8n2  17\n"
        << QStringList{"plc7:502", "10.0.0.5:1502", "/dev/ttyUSB0 slave 5", "COM3 slave 17"} << 0;
    QTest::newRow("same id on two lines") << "/dev/a 19200 8O1 1\n/dev/b 19200 8O1 1\n"
                                          << QStringList{"/dev/a slave 1", "/dev/b slave 1"} << 0;
    QTest::newRow("framing") << "/dev/a 38400 8X1 5\n" << QStringList() << 1;
    QTest::newRow("slave 0") << "\n/dev/a 38400 8E1 0\n" << QStringList() << 2;
    // Serial slave ids follow the same rule as --slave: 1 to 99.
    QTest::newRow("slave 99") << "/dev/a 38400 8E1 99\n" << QStringList{"/dev/a slave 99"} << 0;
    QTest::newRow("slave 100") << "/dev/a 38400 8E1 100\n" << QStringList() << 1;
    QTest::newRow("baud") << "/dev/a 300000 8E1 5\n" << QStringList() << 1;
    QTest::newRow("no slave") << "/dev/a 38400 8E1\n" << QStringList() << 1;
    QTest::newRow("twice on a line") << "/dev/a 38400 8E1 5\nx\n/dev/a 9600 8N1 5\n"
                                     << QStringList() << 3;
}

void TstZeltctlFleet::hostsFileLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QFETCH(int, badLine);
    const QString path = m_dir->filePath("hosts");
    writeFile(path, text);
    QVector<FleetHost> hosts;
    QString error;
    const bool ok = ReadHostsFile(path, &hosts, &error);
    QCOMPARE(ok, !names.isEmpty());
    if (!ok) {
        QVERIFY2(error.contains(QStringLiteral("line %1").arg(badLine)), qPrintable(error));
        return;
    }
    QStringList read;
    for (const FleetHost &h : hosts)
        read << h.name();
    QCOMPARE(read, names);
    const LinkSettings s = hosts[names.size() - 1].link(LinkSettings());
    QCOMPARE(s.connectType, 0);
    if (names.last() == QLatin1String("COM3 slave 17")) {
        QCOMPARE(s.baud, 9600);
        QCOMPARE(s.parity, 0);
        QCOMPARE(s.stopBits, 2);
        QCOMPARE(s.slaveId, 17);
    }
}

// Five instruments, two of them changed: compare and the dry run name exactly
// those rows of exactly those instruments, and write nothing.
void TstZeltctlFleet::fleetCompareNamesExactlyTheChangedRows()
{
    std::vector<std::unique_ptr<SimHost>> sims;
    QString hostsText;
    for (int i = 0; i < 5; ++i) {
        sims.push_back(std::make_unique<SimHost>());
        QVERIFY(sims.back()->startTcp());
        hostsText += QStringLiteral("127.0.0.1:%1\n").arg(sims.back()->port());
    }
    const QString hosts = m_dir->filePath("hosts");
    writeFile(hosts, hostsText);
    const QString golden = m_dir->filePath("golden.xlsx");
    QCOMPARE(zeltctl(tcp(sims[0]->port()) + QStringList{"backup", golden}).status, 0);
    sims[1]->model().setValue32(54, 33);
    sims[3]->model().setValue32(56, 7);
    sims[3]->model().setValue32(106, 90000);

    for (auto &s : sims)
        s->clearLog();
    const Run run = zeltctl({"compare", "--hosts", hosts, golden, "--json"});
    QCOMPARE(run.status, 1);
    const QJsonArray list = run.json().value("instruments").toArray();
    QCOMPARE(list.size(), 5);
    const QVector<QVector<int>> expected = {{}, {54}, {}, {56, 106}, {}};
    for (int i = 0; i < 5; ++i) {
        const QJsonObject o = list[i].toObject();
        QCOMPARE(o.value("port").toInt(), sims[i]->port());
        QVector<int> addresses;
        for (const QJsonValue &d : o.value("differences").toArray())
            addresses << d.toObject().value("address").toInt();
        QCOMPARE(addresses, expected[i]);
        QCOMPARE(o.value("differing").toInt(), expected[i].size());
        QCOMPARE(o.value("status").toString(),
                 expected[i].isEmpty() ? QStringLiteral("equal") : QStringLiteral("differs"));
    }
    QCOMPARE(list[3]
                 .toObject()
                 .value("differences")
                 .toArray()[1]
                 .toObject()
                 .value("instrument")
                 .toObject()
                 .value("raw"),
             QJsonValue(90000));
    QCOMPARE(run.json().value("differ").toInt(), 2);
    QCOMPARE(run.json().value("equal").toInt(), 3);

    const Run dry = zeltctl({"restore", "--hosts", hosts, golden, "--dry-run"});
    QCOMPARE(dry.status, 1);
    QVERIFY2(dry.out.contains(QLatin1String("5 instruments: 3 unchanged, 2 would change, 0 with "
                                            "failed rows, 0 not reached")),
             qPrintable(dry.out));
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(writeCount(sims[i]->requestLog()), 0);
        const QString line = dry.out.section(QStringLiteral("127.0.0.1:%1").arg(sims[i]->port()), 1)
                                 .section('\n', 0, 0);
        QVERIFY2(line.contains(expected[i].isEmpty() ? QStringLiteral(" unchanged ")
                                                     : QStringLiteral(" would change ")),
                 qPrintable(line));
    }
    QCOMPARE(zeltctl({"restore", "--hosts", hosts, golden}).status, 2);
}

void TstZeltctlFleet::fleetChecksReportTheOthersWhenOneIsUnreachable()
{
    SimHost good, changed;
    QVERIFY(good.startTcp());
    QVERIFY(changed.startTcp());
    changed.model().setValue32(54, 33);
    const int closed = closedPort();
    const QString hosts = m_dir->filePath("hosts");
    writeFile(hosts, QStringLiteral("127.0.0.1:%1\n127.0.0.1:%2\n127.0.0.1:%3\n")
                         .arg(good.port())
                         .arg(closed)
                         .arg(changed.port()));
    const QString golden = m_dir->filePath("golden.xlsx");
    QCOMPARE(zeltctl(tcp(good.port()) + QStringList{"backup", golden}).status, 0);
    for (const QString &command : {QStringLiteral("compare"), QStringLiteral("restore")}) {
        QStringList args{command, "--hosts", hosts, golden, "--json"};
        if (command == QLatin1String("restore"))
            args << "--dry-run";
        const Run run = zeltctl(args);
        QCOMPARE(run.status, 3);
        const QJsonArray list = run.json().value("instruments").toArray();
        QCOMPARE(list[0].toObject().value("differing").toInt(), 0);
        QCOMPARE(list[1].toObject().value("status").toString(), QStringLiteral("unreachable"));
        QCOMPARE(list[2].toObject().value("differing").toInt(), 1);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.contains(QStringLiteral("127.0.0.1:%1: cannot connect").arg(closed)),
                 qPrintable(run.err));
    }
}

// The number of runs of one slave id in a bus's request log: an instrument
// taken while another on its line was still being read splits a run.
int slaveRuns(const QVector<sim::LoggedRequest> &log)
{
    int runs = 0, last = -1;
    for (const sim::LoggedRequest &r : log) {
        runs += r.slave != last;
        last = r.slave;
    }
    return runs;
}

// Two paced RS-485 lines with three instruments each, two TCP instruments and a
// serial device that is not there: every instrument on a line is backed up,
// one after another; the missing device fails its own instrument alone.
void TstZeltctlFleet::serialBusesAreWorkedOneInstrumentAtATime()
{
    const QList<QList<int>> ids = {{3, 47, 99}, {1, 5, 17}};
    const sim::LineFraming framing{38400, 2, 8, 1};
    std::vector<std::unique_ptr<SimHost>> buses;
    QString hostsText;
    for (int b = 0; b < ids.size(); ++b) {
        const QString line = m_dir->filePath(QStringLiteral("bus%1").arg(b));
        buses.push_back(std::make_unique<SimHost>());
        QVERIFY2(buses.back()->startBus(line, true, ids[b], framing, {true, 5}),
                 qPrintable(buses.back()->errorString()));
        for (int id : ids[b]) {
            hostsText += QStringLiteral("%1 38400 8E1 %2\n").arg(line).arg(id);
            buses.back()->model(id)->setValue32(54, quint32(id));
        }
    }
    SimHost tcpA, tcpB;
    QVERIFY(tcpA.startTcp());
    QVERIFY(tcpB.startTcp());
    const QString missing = m_dir->filePath("no-such-device");
    hostsText = QStringLiteral("127.0.0.1:%1\n%2 38400 8E1 4\n").arg(tcpA.port()).arg(missing) +
                hostsText +
                QStringLiteral("127.0.0.1:%1\n%2 38400 8E1 6\n").arg(tcpB.port()).arg(missing);
    const QString hosts = m_dir->filePath("hosts");
    writeFile(hosts, hostsText);
    const QString out = m_dir->filePath("out");
    QVERIFY(QDir().mkpath(out));

    const Run run = zeltctl({"backup", "--hosts", hosts, out, "--json"});
    QCOMPARE(run.status, 3); // the missing device, as compare has it
    QCOMPARE(run.json().value("unreached").toInt(), 2);
    const QJsonArray list = run.json().value("hosts").toArray();
    QCOMPARE(list.size(), 10);
    QCOMPARE(run.json().value("ok").toInt(), 8);
    QCOMPARE(list[1].toObject().value("status").toString(), QStringLiteral("unreachable"));
    QCOMPARE(list[9].toObject().value("status").toString(), QStringLiteral("unreachable"));
    // One line each, naming the device; its second instrument is not tried.
    const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(
        lines[0].startsWith(QStringLiteral("zeltctl: %1 slave 4: cannot open %1: ").arg(missing)),
        qPrintable(run.err));
    QVERIFY2(
        lines[1].startsWith(QStringLiteral("zeltctl: %1 slave 6: cannot open %1: ").arg(missing)) &&
            lines[1].endsWith(QLatin1String("; not tried")),
        qPrintable(run.err));
    const int rows = ParamTemplateRows(0).size() - 1;
    for (int b = 0; b < ids.size(); ++b) {
        QCOMPARE(slaveRuns(buses[b]->requestLog()), ids[b].size());
        for (int id : ids[b]) {
            const QString name = QStringLiteral("%1 slave %2")
                                     .arg(m_dir->filePath(QStringLiteral("bus%1").arg(b)))
                                     .arg(id);
            const auto entry = std::find_if(list.begin(), list.end(), [&name](const QJsonValue &v) {
                return v.toObject().value("instrument").toString() == name;
            });
            QVERIFY2(entry != list.end(), qPrintable(name));
            const QJsonObject o = entry->toObject();
            QCOMPARE(o.value("status").toString(), QStringLiteral("ok"));
            QCOMPARE(o.value("read").toInt(), rows);
            // Each file holds its own instrument's values.
            QCOMPARE(fileValues(o.value("file").toString()).value("54"), QString::number(id));
            QCOMPARE(QFileInfo(o.value("file").toString()).fileName(),
                     QStringLiteral("bus%1_%2_%3.xlsx")
                         .arg(b)
                         .arg(id)
                         .arg(o.value("serialNumber").toString()));
        }
    }

    // Each backup written is on record with the instrument and link it came from.
    ServiceRecord *record = ProgramRecord();
    HistoryFilter backups;
    backups.kind = ServiceEntry::Backup;
    const QVector<ServiceEntry> kept = record->fetch(backups, 0, 8);
    for (const QJsonValue &v : list) {
        const QJsonObject o = v.toObject();
        if (o.value("status").toString() != QLatin1String("ok"))
            continue;
        const QString source = QStringLiteral("backup ") + o.value("file").toString();
        const auto entry = std::find_if(kept.begin(), kept.end(), [&source](const ServiceEntry &e) {
            return e.source == source;
        });
        QVERIFY2(entry != kept.end(), qPrintable(source));
        QCOMPARE(entry->serial, o.value("serialNumber").toString());
        QCOMPARE(entry->instrumentKind, QStringLiteral("analog"));
        QVERIFY2(entry->link.contains(o.value("instrument").toString().section(' ', 0, 0)),
                 qPrintable(entry->link));
        QVERIFY(entry->detail.startsWith(QStringLiteral("%1 rows: %1 read, 0 failed").arg(rows)));
    }
    QVERIFY(record->verify().ok);

    // The fleet compare against instrument 3's backup, over the same lines:
    // every other instrument differs in its own zero range alone.
    const QString golden = list[2].toObject().value("file").toString();
    QVERIFY(golden.contains(QLatin1String("bus0_3_")));
    for (auto &bus : buses)
        bus->clearLog();
    const Run compare = zeltctl({"compare", "--hosts", hosts, golden, "--json"});
    QCOMPARE(compare.status, 3); // the missing device
    const QJsonArray checked = compare.json().value("instruments").toArray();
    QCOMPARE(checked.size(), 10);
    for (const QJsonValue &v : checked) {
        const QJsonObject o = v.toObject();
        if (o.value("status").toString() == QLatin1String("unreachable"))
            continue;
        const QJsonArray d = o.value("differences").toArray();
        const bool isGolden =
            o.value("instrument").toString().endsWith(QLatin1String("bus0 slave 3"));
        QCOMPARE(d.size(), isGolden ? 0 : 1);
        if (!isGolden)
            QCOMPARE(d[0].toObject().value("address").toInt(), 54);
    }
    for (int b = 0; b < ids.size(); ++b)
        QCOMPARE(slaveRuns(buses[b]->requestLog()), ids[b].size());
}

// One instrument of the fleet refuses its COM block: backup and compare name
// exactly those rows of exactly that instrument; the other is done.
void TstZeltctlFleet::aFleetNamesTheRowsAnInstrumentRefuses()
{
    hostile::Peer refusing, good;
    QVERIFY(refusing.listen());
    QVERIFY(good.listen());
    refusing.refuseReads(300, 395);
    const QString hosts = m_dir->filePath("hosts");
    writeFile(hosts,
              QStringLiteral("127.0.0.1:%1\n127.0.0.1:%2\n").arg(good.port()).arg(refusing.port()));
    const QString out = m_dir->filePath("out");
    QVERIFY(QDir().mkpath(out));
    const QVector<int> refusedRows = templateRowsIn(300, 395);
    const QString name = QStringLiteral("127.0.0.1:%1").arg(refusing.port());

    const Run backup = zeltctl({"backup", "--hosts", hosts, out, "--json"});
    QCOMPARE(backup.status, 1);
    QCOMPARE(backup.json().value("ok").toInt(), 1);
    QCOMPARE(backup.err.count('\n'), 1 + refusedRows.size());
    for (int r : refusedRows)
        QVERIFY2(backup.err.contains(QStringLiteral("%1: row %2 (register ").arg(name).arg(r)),
                 qPrintable(backup.err));
    QCOMPARE(backup.err.count(QLatin1String("could not be read: refused by the instrument")),
             refusedRows.size());
    const QString golden =
        backup.json().value("hosts").toArray()[0].toObject().value("file").toString();
    QVERIFY(QFileInfo(golden).isFile());

    const Run compare = zeltctl({"compare", "--hosts", hosts, golden, "--json"});
    QCOMPARE(compare.status, 1);
    const QJsonArray list = compare.json().value("instruments").toArray();
    QCOMPARE(list[0].toObject().value("status").toString(), QStringLiteral("equal"));
    QCOMPARE(list[1].toObject().value("status").toString(), QStringLiteral("rows failed"));
    QJsonArray expected;
    for (int r : refusedRows)
        expected.append(r);
    QCOMPARE(list[1].toObject().value("failed").toArray(), expected);
    QCOMPARE(list[1].toObject().value("differing").toInt(), 0);
    QCOMPARE(compare.err.count('\n'), refusedRows.size());
}

// A serial device another program holds open: its instruments fail with a
// line naming it, the line's other instrument is not tried, a TCP one is done.
void TstZeltctlFleet::aBusyDeviceFailsItsOwnInstrumentsAlone()
{
    const QString line = m_dir->filePath("held");
    SimHost bus;
    QVERIFY(bus.startBus(line, true, {1, 2}, {38400, 2, 8, 1}, {}));
    QSerialPort holder(line);
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    SimHost tcpSim;
    QVERIFY(tcpSim.startTcp());
    const QString hosts = m_dir->filePath("hosts");
    writeFile(hosts, QStringLiteral("%1 38400 8E1 1\n127.0.0.1:%2\n%1 38400 8E1 2\n")
                         .arg(line)
                         .arg(tcpSim.port()));
    const QString out = m_dir->filePath("out");
    QVERIFY(QDir().mkpath(out));
    const Run run = zeltctl({"backup", "--hosts", hosts, out, "--json"});
    QCOMPARE(run.status, 3);
    QCOMPARE(run.json().value("ok").toInt(), 1);
    const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith(QStringLiteral("zeltctl: %1 slave 1: cannot open %1: ").arg(line)),
             qPrintable(run.err));
    QVERIFY2(lines[1].endsWith(QLatin1String("; not tried")), qPrintable(run.err));
    QCOMPARE(bus.requestCount(), 0);
}

// An instrument that falls silent partway through a fleet backup: its counts
// are what was read, the rows read stay in its .part file, and it counts as
// out of reach, as a single backup does.
void TstZeltctlFleet::anInstrumentSilentPartwayKeepsWhatWasRead()
{
    hostile::Peer peer;
    QVERIFY(peer.listen());
    // The system information and three register groups are answered.
    constexpr int Answered = 4;
    peer.onRequest = [&peer] {
        if (peer.requests() > Answered)
            peer.setAnswer(hostile::Answer::Silent);
    };
    const QString hosts = m_dir->filePath("hosts");
    writeFile(hosts, QStringLiteral("127.0.0.1:%1\n").arg(peer.port()));
    const QString out = m_dir->filePath("out");
    QVERIFY(QDir().mkpath(out));
    const Run run = zeltctl({"backup", "--hosts", hosts, out, "--timeout", "100", "--json"});
    QCOMPARE(run.status, 3);
    const QJsonObject o = run.json().value("hosts").toArray().first().toObject();
    QCOMPARE(o.value("status").toString(), QStringLiteral("no answer"));
    const int read = o.value("read").toInt();
    const int failed = o.value("failed").toArray().size();
    QVERIFY2(read > 0 && failed > 0, qPrintable(run.out));
    QCOMPARE(read + failed, o.value("rows").toInt());
    const QString part = o.value("file").toString();
    QVERIFY2(part.endsWith(QLatin1String(".part.xlsx")) && QFile::exists(part), qPrintable(part));
    QCOMPARE(QDir(out).entryList({"*.xlsx"}), QStringList(QFileInfo(part).fileName()));
    // One line names the instrument, not one per row.
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    // Given up after a silent request or two, not after every group left.
    QVERIFY2(peer.requests() <= Answered + 3, qPrintable(QString::number(peer.requests())));
}

QTEST_GUILESS_MAIN(TstZeltctlFleet)
#include "tst_zeltctl_fleet.moc"
