// Changes made through the window's pages and its import go into the service
// record: one entry per change, with the old and new values as the page shows
// them, where it came from and how it ended; the visit's connect entry first.
#include "basicconfig.h"
#include "exeltowrite.h"
#include "pagefixture.h"
#include "servicerecord.h"
#include "servicerecorder.h"
#include "workbook.h"

#include <QCryptographicHash>

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
                                {"8900", "scratch", "1", "99", "0", "", "5"}},
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
        QCOMPARE(found[1].address, 8900);
        QCOMPARE(found[1].outcome, ServiceEntry::Written);
    }
};

QTEST_MAIN(TestServiceRecording)
#include "tst_servicerecording.moc"
