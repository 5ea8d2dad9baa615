// Parameter import and export against the simulated instrument: the row rules,
// the honest counts, the stop between rows, the templates and the kept exports.
#include "exeltowrite.h"
#include "linkfixture.h"
#include "paramcatalogue.h"
#include "paramtemplate.h"
#include "pollhold.h"
#include "simhost.h"
#include "valuebinding.h"
#include "workbook.h"
#include "workbookfixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

using sim::SimHost;

namespace {

const QString ParamSheet = QStringLiteral("读写类");
const QStringList Header{"Address", "Name", "Count", "Max", "Min", "Note", "Value"};

// A row named as the catalogue names the parameter at address ("p" for others).
QStringList row(const QString &address, const QString &count, const QString &max,
                const QString &min, const QString &value)
{
    const ParamRow *p = FindParamByAddress(address.toInt());
    return {address, p ? QString::fromUtf8(p->nameEn) : QStringLiteral("p"), count, max, min, "",
            value};
}

int writesTo(const QVector<sim::LoggedRequest> &log, int address)
{
    int n = 0;
    for (const sim::LoggedRequest &r : log)
        n += (r.function == 6 || r.function == 16) && r.address == address;
    return n;
}

int writeCount(const QVector<sim::LoggedRequest> &log)
{
    int n = 0;
    for (const sim::LoggedRequest &r : log)
        n += r.function == 6 || r.function == 16;
    return n;
}

quint32 floatBits(float f)
{
    quint32 bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

} // namespace

class TstParamFiles : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimHost> m_sim;
    std::unique_ptr<QProcess> m_socat;
    QTemporaryDir m_dir;
    ExelToWrite m_excel;
    QVector<int> m_percent;

    void startSim(int wordOrder = 0, sim::Kind kind = sim::Kind::Analog)
    {
        m_sim.reset(new SimHost(kind, wordOrder));
        QVERIFY(m_sim->startTcp());
        m_sim->model().setLiveFrozen(true);
        QVERIFY(connectTcpClient(m_sim->port()));
        gu32_DwordFormat = quint32(wordOrder);
        m_sim->clearLog();
    }

    // The instrument on a serial line pair (socat), reached over Modbus RTU.
    bool startRtuSim()
    {
        const QString instrumentEnd = m_dir.filePath(QStringLiteral("instrument"));
        const QString programEnd = m_dir.filePath(QStringLiteral("program"));
        m_socat = std::make_unique<QProcess>();
        m_socat->start(QStringLiteral("socat"),
                       {QStringLiteral("pty,raw,echo=0,link=") + instrumentEnd,
                        QStringLiteral("pty,raw,echo=0,link=") + programEnd});
        if (!m_socat->waitForStarted() ||
            !QTest::qWaitFor(
                [&] { return QFile::exists(instrumentEnd) && QFile::exists(programEnd); }, 5000))
            return false;
        m_sim.reset(new SimHost(sim::Kind::Analog, 0));
        if (!m_sim->startSerial(instrumentEnd, 38400, 2, 8, 1))
            return false;
        LinkSettings s; // Modbus RTU, 38400 8E1
        s.SerialNum = programEnd;
        if (!connectClient(s))
            return false;
        m_sim->clearLog();
        return true;
    }

    QString sheet(const QString &name, const QVector<QStringList> &rows,
                  const QString &sheetName = ParamSheet)
    {
        const QString path = m_dir.filePath(name);
        QVector<QStringList> all{Header};
        all += rows;
        if (!CreateWorkbook(path, sheetName, all, {}))
            return QString();
        return path;
    }

    int runImport(const QString &path)
    {
        m_percent.clear();
        return m_excel.RunImport(path, gp_ModbusDevice, [this](int p) { m_percent.append(p); });
    }

    int runExport(const QString &path)
    {
        WorkBooks *books = m_excel.StartExcel();
        const int result = m_excel.ExportExcel(books, path, gp_ModbusDevice);
        m_excel.QuitExcel();
        return result;
    }

    QString cell(const QString &path, int r, int c)
    {
        Workbook book;
        if (!book.open(path) || !book.selectSheet(ParamSheet))
            return QStringLiteral("<unreadable>");
        return book.cellText(r, c);
    }

private slots:
    void init()
    {
        gu8_LinkStop = 0;
        gu32_DwordFormat = 0;
        gu32_SlaveId = 1;
        gu32_ConnectType = 1;
    }
    void cleanup()
    {
        gu8_LinkStop = 0;
        DisconnectModbus();
        m_sim.reset();
        if (m_socat) {
            m_socat->terminate();
            m_socat->waitForFinished(3000);
            m_socat.reset();
        }
    }

    void importWritesWithinTheCataloguesLimitsOnly();
    void importCountCodesDecideRegisters();
    void importRefusesValuesThatAreNoUnsignedDecimal();
    void importSkipsTheLinkInUse_data();
    void importSkipsTheLinkInUse();
    void importNeverWritesCommandsOrShownOnlyRegisters();
    void importReportsRowsTheInstrumentRefused();
    void oldBinaryWorkbookImportsButIsNeverExportedInto();
    void exportFillsValuesByCount();
    void exportLeavesFailedReadsEmptyAndFails();
    void linkStopEndsBetweenRowsWithoutTraffic();
    void lookupFailuresGiveTheirCodes_data();
    void lookupFailuresGiveTheirCodes();
    void headerOnlySheetSucceedsWithoutTraffic();
    void procedureHoldsPollingUntilItEnds();
    void registerCountsBeyondTwoAreRefused();

    void templatesListEveryFileParameter_data();
    void templatesListEveryFileParameter();
    void freshExportImportsBackWithoutRefusalOrFailure();
    void digitalBlocksTravelHighHalfFirstOnCdAb();
    void previousExportIsKeptUnderItsTime();
    void reportTextNamesTheRows();
};

// The catalogue's limits apply whatever the sheet's columns say; rows whose
// columns say otherwise are reported.
void TstParamFiles::importWritesWithinTheCataloguesLimitsOnly()
{
    startSim();
    m_sim->model().setValue32(54, 7);
    m_sim->model().setValue32(56, 7);
    const QString path =
        sheet("limits.xlsx", {row("54", "2", "200", "0", "150"), row("56", "2", "99", "0", "99"),
                              row("58", "2", "9", "3", "2")});
    QCOMPARE(runImport(path), ExelToWrite::Done);
    QCOMPARE(m_sim->model().value32(54), 7u);
    QCOMPARE(m_sim->model().value32(56), 99u);
    QCOMPARE(m_sim->model().value32(58), 2u);
    QCOMPARE(writesTo(m_sim->requestLog(), 54), 0);
    QCOMPARE(m_excel.lastReport().refused, (QVector<int>{2}));
    QCOMPARE(m_excel.lastReport().reasons.value(2), QString("value 150 lies outside 0 .. 99"));
    QCOMPARE(m_excel.lastReport().done, 2);
    QCOMPARE(m_excel.lastReport().otherLimits.keys(), (QList<int>{2, 4}));
    QCOMPARE(m_percent, (QVector<int>{33, 66, 100})); // rows 2..4 of 1..4
}

void TstParamFiles::importCountCodesDecideRegisters()
{
    startSim();
    const QString path =
        sheet("counts.xlsx", {row("9301", "1", "1", "0", "1"), row("60", "2", "99", "0", "42"),
                              row("62", "3", "99", "0", "1"), row("64", "12", "99", "0", "1"),
                              row("66", "0", "99", "0", "1"), row("68", "", "9999", "0", "1")});
    QCOMPARE(runImport(path), ExelToWrite::Done);
    const QVector<sim::LoggedRequest> log = m_sim->requestLog();
    QCOMPARE(writeCount(log), 2);
    for (const sim::LoggedRequest &r : log) {
        if (r.address == 9301)
            QCOMPARE(r.values, (QVector<quint16>{1}));
        else
            QCOMPARE(r.values, (QVector<quint16>{0, 42}));
    }
    QCOMPARE(m_sim->model().reg(9301), quint16(1));
    QCOMPARE(m_sim->model().value32(60), 42u);
    const ParamFileReport &report = m_excel.lastReport();
    QCOMPARE(report.done, 2);
    QCOMPARE(report.refused, QVector<int>{5}); // "12" holds a 1 and a 2 but is neither
    QCOMPARE(report.skipped, 3);               // "3", "0" and no count are not imported
}

void TstParamFiles::importRefusesValuesThatAreNoUnsignedDecimal()
{
    startSim();
    m_sim->model().setReg(9301, 0);
    const QVector<QStringList> rows{
        row("9301", "1", "100", "0", "-5"),  row("9301", "1", "100", "0", "12.5"),
        row("9301", "1", "100", "0", "abc"), row("9301", "1", "70000", "0", "65536"),
        row("", "1", "100", "0", "5"),       row("x54", "2", "100", "0", "5"),
        row("70000", "2", "100", "0", "5"),  row("9301", "1", "100", "0", "")};
    QCOMPARE(runImport(sheet("values.xlsx", rows)), ExelToWrite::Done);
    QCOMPARE(writeCount(m_sim->requestLog()), 0);
    QCOMPARE(m_sim->model().reg(9301), quint16(0));
    QCOMPARE(m_excel.lastReport().refused, (QVector<int>{2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(m_excel.lastReport().skipped, 1); // the empty value cell
}

void TstParamFiles::importSkipsTheLinkInUse_data()
{
    QTest::addColumn<int>("connectType");
    QTest::addColumn<QList<int>>("skipped");
    QTest::addColumn<QList<int>>("sent");
    QTest::newRow("Modbus RTU") << 0 << QList<int>{300, 352} << QList<int>{360, 394};
    QTest::newRow("Modbus TCP") << 1 << QList<int>{360, 394} << QList<int>{300, 352, 460};
}

void TstParamFiles::importSkipsTheLinkInUse()
{
    QFETCH(int, connectType);
    QFETCH(QList<int>, skipped);
    QFETCH(QList<int>, sent);
    if (connectType == 0) {
        if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
            QSKIP("socat is not installed");
        QVERIFY(startRtuSim());
    } else {
        startSim();
    }
    QCOMPARE(gu32_ConnectType, quint32(connectType));
    QVector<QStringList> rows;
    for (int a : skipped + sent)
        rows.append(row(QString::number(a), "2", "99", "0", "1"));
    runImport(sheet("link.xlsx", rows));
    const QVector<sim::LoggedRequest> log = m_sim->requestLog();
    for (int a : skipped)
        QCOMPARE(writesTo(log, a), 0);
    for (int a : sent)
        QCOMPARE(writesTo(log, a), 1);
    QCOMPARE(m_excel.lastReport().skipped, skipped.size());
}

void TstParamFiles::importNeverWritesCommandsOrShownOnlyRegisters()
{
    startSim();
    QVector<QStringList> rows;
    for (int a : {108, 520, 522, 524, 720, 722, 724, 602, 642})
        rows.append(row(QString::number(a), "2", "9", "0", "1"));
    QCOMPARE(runImport(sheet("commands.xlsx", rows)), ExelToWrite::Done);
    QCOMPARE(writeCount(m_sim->requestLog()), 0);
    QCOMPARE(m_excel.lastReport().refused.size(), rows.size());
}

void TstParamFiles::importReportsRowsTheInstrumentRefused()
{
    startSim();
    m_sim->model().setReg(9302, 0); // application remote editing off
    m_sim->model().setValue32(54, 3);
    const QString path =
        sheet("locked.xlsx", {row("54", "2", "99", "0", "20"), row("530", "2", "2", "0", "1"),
                              row("56", "2", "99", "0", "20")});
    QCOMPARE(runImport(path), ExelToWrite::RowsFailed);
    QCOMPARE(m_excel.lastReport().failed, (QVector<int>{2, 4}));
    QCOMPARE(m_excel.lastReport().done, 1);
    QCOMPARE(m_sim->model().value32(54), 3u);
}

void TstParamFiles::oldBinaryWorkbookImportsButIsNeverExportedInto()
{
    if (runPython("import xlwt; print('ok')").isNull())
        QSKIP("python3-xlwt is not installed: no binary workbook can be made here");
    startSim();
    const QString path = m_dir.filePath("old.xls");
    QVERIFY(!runPython(QStringLiteral("import sys, xlwt\n"
                                      "wb = xlwt.Workbook(encoding='utf-8')\n"
                                      "s = wb.add_sheet('读写类')\n"
                                      "s.write(0, 0, 'Address')\n"
                                      "for c, v in enumerate([56, 'Stability range', 2, 99, 0, "
                                      "'', 44]):\n"
                                      "    s.write(1, c, v)\n"
                                      "wb.save(sys.argv[1])\n"
                                      "print('ok')\n"),
                       {path})
                 .isNull());
    QCOMPARE(runImport(path), ExelToWrite::Done);
    QCOMPARE(m_sim->model().value32(56), 44u);
    m_sim->clearLog();
    QCOMPARE(runExport(path), ExelToWrite::NoWorkbook);
    QCOMPARE(m_sim->requestLog().size(), 0);
}

void TstParamFiles::exportFillsValuesByCount()
{
    startSim();
    m_sim->model().setValue32(54, 70000 % 100); // keep a real parameter in range
    m_sim->model().setReg(8900, 530);
    // Scratch pairs 8902/8903 carry the float bits, high half first (AB-CD).
    const quint32 bits = floatBits(1.5f);
    m_sim->model().setReg(8902, quint16(bits >> 16));
    m_sim->model().setReg(8903, quint16(bits & 0xFFFF));
    m_sim->model().setValue32(366, 70000);
    const QString path =
        sheet("export.xlsx", {row("8900", "1", "", "", ""), row("8902", "3", "", "", ""),
                              row("366", "2", "", "", ""), row("", "2", "", "", "keep"),
                              row("54", "0", "", "", "zero"), row("54", "4", "", "", "four")});
    QCOMPARE(runExport(path), ExelToWrite::Done);
    QCOMPARE(cell(path, 2, 7), QString("530"));
    QCOMPARE(cell(path, 3, 7), QString("1.5"));
    QCOMPARE(cell(path, 4, 7), QString("70000"));
    QCOMPARE(cell(path, 5, 7), QString("keep"));
    QCOMPARE(cell(path, 6, 7), QString("zero"));
    QCOMPARE(cell(path, 7, 7), QString("four"));
    QCOMPARE(m_sim->requestLog().size(), 3); // rows without a valid count are not read
    QCOMPARE(m_excel.lastReport().done, 3);
}

void TstParamFiles::exportLeavesFailedReadsEmptyAndFails()
{
    startSim();
    m_sim->model().setValue32(56, 12);
    const QString path =
        sheet("failed.xlsx", {row("4000", "2", "", "", "stale"), row("56", "2", "", "", "")});
    QCOMPARE(runExport(path), ExelToWrite::RowsFailed);
    QCOMPARE(cell(path, 2, 7), QString());
    QCOMPARE(cell(path, 3, 7), QString("12"));
    QCOMPARE(m_excel.lastReport().failed, QVector<int>{2});
}

void TstParamFiles::linkStopEndsBetweenRowsWithoutTraffic()
{
    startSim();
    QVector<QStringList> rows;
    for (int i = 0; i < 8; ++i)
        rows.append(row(QString::number(50 + 2 * i), "2", "1", "0", "1"));
    const QString path = sheet("stop.xlsx", rows);
    int sentAtStop = -1;
    QObject scope; // the connection ends with the test, even a failed one
    connect(&m_excel, &ExelToWrite::progressValueChanged, &scope, [&](int, int value) {
        if (value == 5) {
            gu8_LinkStop = 1;
            sentAtStop = m_sim->requestLog().size();
        }
    });
    QCOMPARE(runImport(path), ExelToWrite::Stopped);
    QCOMPARE(sentAtStop, 3);
    QCOMPARE(m_sim->requestLog().size(), 3);
    QVERIFY(!PollHeld());

    gu8_LinkStop = 0;
    m_sim->clearLog();
    const QString exportPath = sheet("stop-export.xlsx", rows);
    QCOMPARE(runExport(exportPath), ExelToWrite::Stopped);
    QCOMPARE(m_sim->requestLog().size(), 3);
    QCOMPARE(cell(exportPath, 2, 7), QString("1")); // not saved: the sheet is as it was
}

void TstParamFiles::lookupFailuresGiveTheirCodes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("refusal"); // the engine's reason, when it refused the file
    QTest::newRow("sheet named otherwise") << "other sheet" << -4 << "";
    QTest::newRow("missing file") << "missing" << -1 << "";
    QTest::newRow("not a workbook") << "text" << -1 << "not a workbook";
    QTest::newRow("damaged sheet") << "damaged" << -3 << "is not well-formed XML";
    QTest::newRow("sheet with a DTD") << "dtd" << -3 << "declares a DTD or entities; refused";
    QTest::newRow("empty sheet") << "empty" << -5 << "";
}

void TstParamFiles::lookupFailuresGiveTheirCodes()
{
    QFETCH(QString, kind);
    QFETCH(int, code);
    QFETCH(QString, refusal);
    startSim();
    QString path = m_dir.filePath(kind + ".xlsx");
    if (kind == "other sheet") {
        path = sheet("other.xlsx", {row("56", "2", "99", "0", "5")}, "Sheet1");
    } else if (kind == "text") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("56,2,99,0,5\n");
    } else if (kind == "damaged") {
        QVERIFY(writeRawZip(path, minimalParts(ParamSheet, sheetXml("<row><c><v>1</c></row>"))));
    } else if (kind == "empty") {
        QVERIFY(writeRawZip(path, minimalParts(ParamSheet, sheetXml(""))));
    } else if (kind == "dtd") {
        QVERIFY(writeRawZip(
            path, minimalParts(ParamSheet,
                               sheetXml("").replace("<worksheet", "<!DOCTYPE w><worksheet"))));
    }
    QCOMPARE(runImport(path), code);
    QVERIFY2(refusal.isEmpty() == m_excel.refusalText().isEmpty() &&
                 m_excel.refusalText().contains(refusal),
             qPrintable(m_excel.refusalText()));
    QCOMPARE(runExport(path), code);
    QCOMPARE(m_sim->requestLog().size(), 0);
    QVERIFY(!PollHeld());
}

void TstParamFiles::headerOnlySheetSucceedsWithoutTraffic()
{
    startSim();
    const QString path = sheet("header.xlsx", {});
    QSignalSpy rows(&m_excel, &ExelToWrite::ShowMaxnRowssignal);
    QCOMPARE(runImport(path), ExelToWrite::Done);
    QCOMPARE(runExport(path), ExelToWrite::Done);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).at(0).toInt(), 1);
    QCOMPARE(m_sim->requestLog().size(), 0);
}

void TstParamFiles::procedureHoldsPollingUntilItEnds()
{
    startSim();
    const QString path =
        sheet("hold.xlsx", {row("8900", "1", "100", "0", "1"), row("8901", "1", "100", "0", "2")});
    QVector<bool> heldPerRow;
    QObject scope;
    connect(&m_excel, &ExelToWrite::progressValueChanged, &scope,
            [&](int, int) { heldPerRow.append(PollHeld()); });
    {
        PollHold other; // someone else's hold, e.g. the link dialog
        QCOMPARE(runImport(path), ExelToWrite::Done);
        QVERIFY(PollHeld()); // the import released its own hold only
    }
    QVERIFY(!PollHeld());
    QCOMPARE(heldPerRow, (QVector<bool>{true, true}));
    heldPerRow.clear();
    QCOMPARE(runExport(path), ExelToWrite::Done);
    QCOMPARE(heldPerRow, (QVector<bool>{true, true}));
    QVERIFY(!PollHeld());
}

void TstParamFiles::registerCountsBeyondTwoAreRefused()
{
    startSim();
    LinkSettings request;
    request.startAddress = 8900;
    for (int count : {0, 3, 4, 100}) {
        request.count = quint16(count);
        QCOMPARE(WriteParam(gp_ModbusDevice, 0x12345678, request), ModbusProtocolError);
        bool ok = true;
        QCOMPARE(ReadParam(8900, count, &ok), ReadParamFailed);
        QVERIFY(!ok);
    }
    QCOMPARE(m_sim->requestLog().size(), 0);
    // A parameter that holds the failure marker itself still reads as a success.
    m_sim->model().setValue32(366, ReadParamFailed);
    bool ok = false;
    QCOMPARE(ReadParam(366, 2, &ok), ReadParamFailed);
    QVERIFY(ok);
}

void TstParamFiles::templatesListEveryFileParameter_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("English") << 0;
    QTest::newRow("Chinese") << 1;
}

void TstParamFiles::templatesListEveryFileParameter()
{
    QFETCH(int, language);
    const QString path = m_dir.filePath(TemplateFileName(language));
    QFile::remove(path);
    QVERIFY(EnsureParamTemplate(path, language));
    Workbook book;
    QVERIFY(book.open(path));
    QVERIFY(book.selectSheet(ParamSheet));
    const QVector<const ParamRow *> params = FileParameters();
    QCOMPARE(book.rowCount(), params.size() + 1);
    QCOMPARE(book.cellText(1, 1), language == 0 ? QString("Address") : QString("地址"));
    QSet<int> addresses;
    bool switchesSeen = false;
    for (int i = 0; i < params.size(); ++i) {
        const ParamRow *p = params.at(i);
        const int r = i + 2;
        QVERIFY(p->access == ParamAccess::ReadWrite || p->access == ParamAccess::WriteOnly);
        QCOMPARE(book.cellText(r, 1), QString::number(p->address));
        QVERIFY2(!book.cellText(r, 2).isEmpty(), p->widget);
        QCOMPARE(book.cellText(r, 2), QString::fromUtf8(language == 0 ? p->nameEn : p->nameCn));
        QCOMPARE(book.cellText(r, 3), QString::number(p->count));
        QCOMPARE(book.cellText(r, 4), QString::number(p->rawMax));
        QCOMPARE(book.cellText(r, 5), QString::number(p->rawMin));
        QVERIFY(p->rawMin <= p->rawMax);
        QCOMPARE(book.cellText(r, 7), QString());
        QVERIFY2(!addresses.contains(p->address), p->widget);
        addresses.insert(p->address);
        // Remote-edit switches come last: a switch turned off mid-file would lock the rest out.
        const bool isSwitch = p->address == 9301 || p->address == 9302;
        QVERIFY(!switchesSeen || isSwitch);
        switchesSeen = switchesSeen || isSwitch;
    }
    QVERIFY(switchesSeen);
    for (const ParamRow &p : ParameterCatalogue()) {
        const bool sensorOwned =
            (p.address >= 602 && p.address < 618) || (p.address >= 642 && p.address < 658);
        if (p.kind == ParamKind::Command || p.kind == ParamKind::Display || sensorOwned)
            QVERIFY2(!addresses.contains(p.address), p.widget);
        else
            QVERIFY2(addresses.contains(p.address), p.widget);
        QVERIFY2(p.nameEn && p.nameCn, p.widget);
    }
    for (int command : {108, 520, 522, 524, 720, 722, 724}) {
        const ParamRow *p = FindParamByAddress(command);
        QVERIFY(p);
        QCOMPARE(int(p->access), int(ParamAccess::Command));
    }
    QCOMPARE(FindParamByAddress(9301)->readBack, quint16(10121));
    QCOMPARE(FindParamByAddress(9302)->readBack, quint16(10122));
}

void TstParamFiles::freshExportImportsBackWithoutRefusalOrFailure()
{
    startSim();
    const QString templ = m_dir.filePath("fresh-template.xlsx");
    QVERIFY(WriteParamTemplate(templ, 0));
    const QString exported = m_dir.filePath("fresh-export.xlsx");
    QFile::remove(exported);
    QVERIFY(QFile::copy(templ, exported));
    QCOMPARE(runExport(exported), ExelToWrite::Done);
    const int rows = FileParameters().size();
    QCOMPARE(m_excel.lastReport().done, rows);
    QCOMPARE(cell(exported, rows + 1, 7), QString("1")); // NCAL remote edit, read back at 10122

    // An edited value goes back into the instrument; everything else is written unchanged.
    Workbook book;
    QVERIFY(book.open(exported) && book.selectSheet(ParamSheet));
    int zeroRangeRow = 0;
    for (int r = 2; r <= book.rowCount(); ++r)
        zeroRangeRow = book.cellText(r, 1) == "54" ? r : zeroRangeRow;
    QVERIFY(zeroRangeRow);
    QVERIFY(book.setCellText(zeroRangeRow, 7, "33"));
    QVERIFY(book.save());
    book.close();

    m_sim->clearLog();
    QCOMPARE(runImport(exported), ExelToWrite::Done);
    const ParamFileReport &report = m_excel.lastReport();
    QCOMPARE(report.refused, QVector<int>());
    QCOMPARE(report.failed, QVector<int>());
    // The link's own rows, and the calibration points, which are taken on the
    // scale and never from a file, are passed over.
    int linkRows = 0, pointRows = 0;
    for (const ParamRow *p : FileParameters()) {
        linkRows += p->address >= 360 && p->address <= 395;
        pointRows += p->address >= 112 && p->address <= 120;
    }
    QCOMPARE(pointRows, 5);
    QCOMPARE(report.skipped, linkRows + pointRows);
    QCOMPARE(report.done, rows - linkRows - pointRows);
    for (int point = 112; point <= 120; point += 2)
        QCOMPARE(writesTo(m_sim->requestLog(), point), 0);
    QCOMPARE(m_sim->model().value32(54), 33u);
    // The switches were written last.
    const QVector<sim::LoggedRequest> log = m_sim->requestLog();
    QCOMPARE(log.at(log.size() - 2).address, 9301);
    QCOMPARE(log.last().address, 9302);
}

void TstParamFiles::digitalBlocksTravelHighHalfFirstOnCdAb()
{
    startSim(1, sim::Kind::Digital);
    m_sim->model().setValue32(676, 0x0001003C); // > 16 bits: the halves matter
    m_sim->model().setValue32(658, 123456);
    m_sim->model().setValue32(54, 0x00010002);
    const QString path =
        sheet("digital.xlsx", {row("676", "2", "", "", ""), row("658", "2", "", "", ""),
                               row("54", "2", "", "", "")});
    QCOMPARE(runExport(path), ExelToWrite::Done);
    QCOMPARE(cell(path, 2, 7), QString::number(0x0001003C));
    QCOMPARE(cell(path, 3, 7), QString("123456"));
    QCOMPARE(cell(path, 4, 7), QString::number(0x00010002));

    const QString in = sheet("digital-in.xlsx", {row("658", "2", "800000", "1", "654321"),
                                                 row("106", "2", "9999999", "0", "65539")});
    QCOMPARE(runImport(in), ExelToWrite::Done);
    QCOMPARE(m_sim->model().value32(658), 654321u);
    QCOMPARE(m_sim->model().value32(106), 65539u);
    const QVector<sim::LoggedRequest> log = m_sim->requestLog();
    QCOMPARE(log.at(log.size() - 2).values, (QVector<quint16>{0x0009, 0xFBF1}));
    QCOMPARE(log.last().values, (QVector<quint16>{0x0003, 0x0001}));
}

void TstParamFiles::previousExportIsKeptUnderItsTime()
{
    const QString path = m_dir.filePath("QuarnT-Zelt_ExportFile.xlsx");
    QFile::remove(path);
    bool error = true;
    QCOMPARE(SetAsidePreviousExport(path, &error), QString());
    QVERIFY(!error);
    for (int n = 0; n < 2; ++n) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("export " + QByteArray::number(n));
        f.close();
        const QDateTime when(QDate(2026, 1, 15), QTime(9, 30, 12));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
        f.close();
        const QString kept = SetAsidePreviousExport(path, &error);
        QVERIFY(!error);
        QCOMPARE(QFileInfo(kept).fileName(),
                 n == 0 ? QString("QuarnT-Zelt_ExportFile_20260115-093012.xlsx")
                        : QString("QuarnT-Zelt_ExportFile_20260115-093012_2.xlsx"));
        QVERIFY(!QFile::exists(path));
        QFile k(kept);
        QVERIFY(k.open(QIODevice::ReadOnly));
        QCOMPARE(k.readAll(), "export " + QByteArray::number(n));
    }
    // A folder of that name is not an earlier export: it stays where it is.
    QVERIFY(QDir().mkpath(path));
    QCOMPARE(SetAsidePreviousExport(path, &error), QString());
    QVERIFY(error && QFileInfo(path).isDir());
}

void TstParamFiles::reportTextNamesTheRows()
{
    ParamFileReport report;
    report.rows = 120;
    report.done = 117;
    report.refused = {14, 15, 88};
    QCOMPARE(ExelToWrite::ReportText(report, true),
             QString("120 rows: 117 written, 3 refused (rows 14, 15, 88)"));
    report.refused.clear();
    report.failed = {7};
    report.skipped = 2;
    QCOMPARE(ExelToWrite::ReportText(report, false),
             QString("120 rows: 117 read, 1 failed (rows 7), 2 skipped"));
    report.otherLimits = {{9, "a"}, {12, "b"}};
    QVERIFY(ExelToWrite::ReportText(report, true)
                .endsWith("; 2 with limits other than this version's (rows 9, 12)"));
}

QTEST_GUILESS_MAIN(TstParamFiles)
#include "tst_paramfiles.moc"
