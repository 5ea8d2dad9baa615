// Changes made through the window's pages and its import go into the service
// record: one entry per change, with the old and new values as the page shows
// them, where it came from and how it ended; the visit's connect entry first.
#include "basicconfig.h"
#include "digsensors.h"
#include "exeltowrite.h"
#include "mainwindow.h"
#include "pagefixture.h"
#include "servicerecord.h"
#include "servicerecorder.h"
#include "testmaintain.h"
#include "weightcal.h"
#include "workbook.h"
#include "writesource.h"

#include <QCryptographicHash>
#include <QTabWidget>

using namespace pagetest;

class TestServiceRecording : public QObject
{
    Q_OBJECT

private:
    Bench bench;
    PollCycle poll;
    std::unique_ptr<BasicConfig> page;
    std::unique_ptr<ServiceRecord> record;
    QTemporaryDir dir;

    QLineEdit *edit(const char *name) { return child<QLineEdit>(page.get(), name); }
    QVector<ServiceEntry> changes()
    {
        HistoryFilter f;
        f.kind = ServiceEntry::Change;
        return record->fetch(f, 0, 100);
    }

private slots:
    void initTestCase() { QVERIFY(bench.start()); }

    void init()
    {
        bench.reset();
        record = std::make_unique<ServiceRecord>();
        QString error;
        QVERIFY2(record->open(
                     dir.filePath(QStringLiteral("%1.sqlite").arg(QTest::currentTestFunction())) +
                         QString::fromLatin1(QTest::currentDataTag()),
                     &error),
                 qPrintable(error));
        ServiceRecorder::Install(record.get());
        gu32_PageIndex = 1;
        page = std::make_unique<BasicConfig>();
        poll.routine.setPage(1, page.get());
        page->resize(1150, 800);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        bench.model().setValue32(54, 5);
        QVERIFY(readGroups({4, 2, 14, 15}));
        page->enterPage();
        LinkSettings link;
        link.connectType = 1;
        link.EditIP = QStringLiteral("127.0.0.1");
        link.EditPort = QString::number(bench.host->port());
        ServiceRecorder::LinkOpened(link);
    }

    void cleanup()
    {
        ServiceRecorder::Uninstall();
        bench.host->setFaults({});
        page.reset();
        record.reset();
    }

    // One field, three ends: written, refused by the instrument (remote editing
    // off), no answer (the page's repeats are one change).
    void aFieldEditIsOneEntry_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::newRow("written") << int(ServiceEntry::Written);
        QTest::newRow("refused") << int(ServiceEntry::Refused);
        QTest::newRow("timed out") << int(ServiceEntry::TimedOut);
    }
    void aFieldEditIsOneEntry()
    {
        QFETCH(int, outcome);
        if (outcome == ServiceEntry::Refused)
            bench.model().setReg(9302, 0); // remote editing of these parameters off
        if (outcome == ServiceEntry::TimedOut) {
            gp_ModbusDevice->setTimeout(100);
            sim::FaultOptions drop;
            drop.dropRate = 1.0;
            bench.host->setFaults(drop);
        }
        typeEntry(edit("EditZeroRange"), QStringLiteral("20"));
        bench.host->setFaults({});
        gp_ModbusDevice->setTimeout(1000);
        const QVector<ServiceEntry> found = changes();
        QCOMPARE(found.size(), 1);
        const ServiceEntry &e = found[0];
        QCOMPARE(int(e.outcome), outcome);
        QCOMPARE(e.source, QStringLiteral("page Basic Config, field EditZeroRange"));
        QCOMPARE(e.address, 54);
        QCOMPARE(e.count, 2);
        QCOMPARE(e.paramName, QStringLiteral("Zero range"));
        QCOMPARE(e.newShown, QStringLiteral("20"));
        QCOMPARE(e.newRaw, QStringLiteral("0 20"));
        if (outcome != ServiceEntry::TimedOut)
            QCOMPARE(e.oldShown, QStringLiteral("5"));
        QCOMPARE(e.exceptionCode > 0, outcome == ServiceEntry::Refused);
        QCOMPARE(e.link, QStringLiteral("tcp 127.0.0.1:%1").arg(bench.host->port()));
        QVERIFY(e.serial.contains(QLatin1Char('-')));
        QVERIFY(!e.user.isEmpty() && !e.host.isEmpty());

        // The visit's connect entry comes first; its disconnect when it ends.
        ServiceRecorder::LinkClosed();
        const QVector<ServiceEntry> all = record->fetch({}, 0, 10);
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[2].kind, ServiceEntry::Connect);
        QCOMPARE(all[0].kind, ServiceEntry::Disconnect);
        QVERIFY(record->verify().ok);
    }

    // A record that can no longer be written (closed under the page, as a lost
    // disk would leave it) keeps the page's edit from the instrument.
    void aWriteTheRecordCannotKeepIsNotSent()
    {
        QString refusal;
        SetWriteRefusalObserver([&refusal](const QString &why) { refusal = why; });
        record->close();
        const int before = bench.host->requestLog().size();
        typeEntry(edit("EditZeroRange"), QStringLiteral("20"));
        SetWriteRefusalObserver({});
        for (const sim::LoggedRequest &r : bench.host->requestLog().mid(before))
            QVERIFY2(r.function != 16 && r.function != 6, "a write went out");
        QCOMPARE(bench.model().value32(54), 5u);
        QVERIFY2(refusal.contains(QStringLiteral("cannot keep it")), qPrintable(refusal));
        QCOMPARE(edit("EditZeroRange")->text(), QStringLiteral("5"));
    }

    // The outcome of a write the instrument acknowledged follows what was read
    // back; a failed write keeps its own outcome whatever was read.
    void theReadBackDecidesWhatWasWritten_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("readBack"); // -1: none was read
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("detail");
        QTest::newRow("read back equal") << int(ModbusOk) << 20 << int(ServiceEntry::Written) << "";
        QTest::newRow("not read back") << int(ModbusOk) << -1 << int(ServiceEntry::Written) << "";
        QTest::newRow("instrument kept another")
            << int(ModbusOk) << 7 << int(ServiceEntry::ReadBackDiffers) << "the instrument holds 7";
        QTest::newRow("refused") << int(ModbusProtocolError) << 5 << int(ServiceEntry::Refused)
                                 << "";
        QTest::newRow("malformed")
            << int(ModbusMalformed) << 20 << int(ServiceEntry::LinkLost) << "malformed reply";
        // a calibration the link delivered: the instrument's error word decides
        QTest::newRow("calibration refused")
            << int(ModbusCalibrationRefused) << 20 << int(ServiceEntry::InstrumentRefused)
            << "instrument error: Weight Error (error bit 22)";
        QTest::newRow("calibration verdict unread")
            << int(ModbusCalibrationUnknown) << 20 << int(ServiceEntry::VerdictUnknown)
            << "outcome unknown: the error word could not be read (Timeout)";
    }
    void theReadBackDecidesWhatWasWritten()
    {
        QFETCH(int, result);
        QFETCH(int, readBack);
        QFETCH(int, outcome);
        QFETCH(QString, detail);
        {
            WriteSource source(QStringLiteral("test"));
            WriteEvent w;
            w.address = 54;
            w.count = 2;
            w.value = 20;
            w.result = ModbusResult(result);
            w.errorWord = 1u << 22 | 1u << 3; // a point's error beside a zero-setting one
            w.calibrationBit = 22;
            w.verdictRead = ModbusTimeout;
            NoteParamWrite(w);
            if (readBack >= 0)
                source.setReadBack(quint32(readBack));
        }
        const QVector<ServiceEntry> found = changes();
        QCOMPARE(found.size(), 1);
        QCOMPARE(int(found[0].outcome), outcome);
        QCOMPARE(found[0].detail, detail);
        QCOMPARE(found[0].newShown, QStringLiteral("20"));
    }

    // Each procedure a page's button starts is on record under its name, one
    // entry per command written (the corner correction writes one per corner).
    void eachProcedureIsOnRecord_data()
    {
        QTest::addColumn<int>("pageIndex");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("confirmations");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("source");
        QTest::newRow("zero capture")
            << 2 << "BtnAutoZero" << 0 << 108 << 1
            << "procedure zero capture, page Weight and Calibration, button BtnAutoZero";
        QTest::newRow("sensor search")
            << 6 << "BtnSearchSen" << 1 << 720 << 1
            << "procedure sensor search, page Digital Sensors, button BtnSearchSen";
        QTest::newRow("corner correction")
            << 6 << "BtnAngleFix" << 9 << 724 << 8
            << "procedure corner correction, page Digital Sensors, button BtnAngleFix";
        QTest::newRow("corner correction reset")
            << 6 << "BtnAngleReset" << 1 << 722 << 1
            << "procedure corner correction reset, page Digital Sensors, button BtnAngleReset";
        QTest::newRow("calibration reset")
            << 5 << "Btn_ResetCAL" << 2 << 522 << 1 << "procedure Reset CAL";
    }
    void eachProcedureIsOnRecord()
    {
        QFETCH(int, pageIndex);
        QFETCH(QString, button);
        QFETCH(int, confirmations);
        QFETCH(int, address);
        QFETCH(int, entries);
        QFETCH(QString, source);
        page.reset();
        std::unique_ptr<QWidget> other;
        gu32_PageIndex = quint32(pageIndex);
        QList<DialogScript::Answer> answers;
        if (pageIndex == 2)
            other = std::make_unique<WeightCal>();
        if (pageIndex == 6) {
            bench.model().setValue32(640, 8);
            QVERIFY(readGroups({17}));
            other = std::make_unique<DigSensors>();
        }
        if (pageIndex == 5) {
            other = std::make_unique<TestMaintain>();
            auto *tabs = child<QTabWidget>(other.get(), "tabWidget");
            tabs->setCurrentWidget(child<QWidget>(other.get(), "tab_ParamReset"));
            answers.append({true, QStringLiteral("582046")});
        }
        for (int n = 0; n < confirmations; ++n)
            answers.append({true});
        other->resize(1150, 800);
        other->show();
        QVERIFY(QTest::qWaitForWindowActive(other.get()));
        static_cast<PageBase *>(other.get())->enterPage();
        {
            DialogScript script(answers);
            QTest::mouseClick(child<QPushButton>(other.get(), button.toLatin1().constData()),
                              Qt::LeftButton);
        }
        QCOMPARE(bench.writesTo(address).size(), entries);
        const QVector<ServiceEntry> found = changes();
        QCOMPARE(found.size(), entries);
        for (const ServiceEntry &e : found) {
            QCOMPARE(e.source, source);
            QCOMPARE(e.address, address);
            QCOMPARE(e.newRaw, QStringLiteral("0 1"));
            QCOMPARE(e.outcome, ServiceEntry::Written);
        }
    }

    // A range the page refuses sends nothing and is no change.
    void anEntryThePageRefusesLeavesNoEntry()
    {
        typeEntry(edit("EditZeroRange"), QStringLiteral("150"));
        QCOMPARE(bench.writesTo(54).size(), 0);
        QCOMPARE(record->count({}), 0);
    }

    // Each row of an import is an entry naming the file, its SHA-256 and the row.
    void importRowsNameTheFileAndRow()
    {
        const QString file = dir.filePath(QStringLiteral("site.xlsx"));
        QVERIFY(CreateWorkbook(file, QStringLiteral("读写类"),
                               {{"Address", "Name", "Count", "Max", "Min", "Note", "Value"},
                                {"54", "Zero range", "2", "99", "0", "%", "30"},
                                {"56", "Stability range", "2", "99", "0", "d", "150"},
                                {"530", "Backlight level", "2", "2", "0", "", "1"}},
                               {}));
        QFile bytes(file);
        QVERIFY(bytes.open(QIODevice::ReadOnly));
        const QString sha = QString::fromLatin1(
            QCryptographicHash::hash(bytes.readAll(), QCryptographicHash::Sha256).toHex());
        ExelToWrite excel;
        QCOMPARE(excel.RunImport(file, gp_ModbusDevice, {}), int(ExelToWrite::Done));
        QVector<ServiceEntry> found = changes();
        QCOMPARE(found.size(), 2); // the row beyond its limits is refused, not sent
        std::reverse(found.begin(), found.end());
        QCOMPARE(found[0].source, QStringLiteral("file site.xlsx sha256 %1 row 2").arg(sha));
        QCOMPARE(found[0].newShown, QStringLiteral("30"));
        QCOMPARE(found[0].oldShown, QStringLiteral("5"));
        QCOMPARE(found[1].source, QStringLiteral("file site.xlsx sha256 %1 row 4").arg(sha));
        QCOMPARE(found[1].address, 530);
        QCOMPARE(found[1].outcome, ServiceEntry::Written);
    }

    // Closing the window while connected ends the visit on the record. Last:
    // the window takes the bench's link down with it.
    void closingTheWindowRecordsTheDisconnect()
    {
        typeEntry(edit("EditZeroRange"), QStringLiteral("20"));
        QCOMPARE(changes().size(), 1);
        delete new MainWindow;
        const QVector<ServiceEntry> all = record->fetch({}, 0, 10);
        QCOMPARE(all.size(), 3);
        QCOMPARE(all.first().kind, ServiceEntry::Disconnect);
        QCOMPARE(all.last().kind, ServiceEntry::Connect);
        QVERIFY(record->verify().ok);
    }
};

QTEST_MAIN(TestServiceRecording)
#include "tst_servicerecording.moc"
