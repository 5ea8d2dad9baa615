// The data transmission page against the simulated instrument: every field and
// the register it writes, the item lists, the delayed re-set of the data formats,
// the analog output section and its live preview, and the width adaptation.
#include "analogoutput.h"
#include "datatrans.h"
#include "pagefixture.h"

#include <QLabel>
#include <QTimer>

using namespace pagetest;

namespace {

// The standard 4-20 mA output: minimum 3.920, zero 4.000, maximum 20.050 mA.
AnalogRange currentLoop()
{
    const quint16 read[5] = {0, 0, 0, 0, 0};
    AnalogRange r;
    EffectiveAnalogRange(Analog4To20mA, read, &r);
    return r;
}

} // namespace

class TestDataPage : public QObject
{
    Q_OBJECT

private:
    Bench bench;
    PollCycle poll;
    std::unique_ptr<DataTrans> page;

    QLineEdit *edit(const QString &name) { return child<QLineEdit>(page.get(), qPrintable(name)); }
    QComboBox *combo(const QString &name) { return child<QComboBox>(page.get(), qPrintable(name)); }
    QLabel *label(const QString &name) { return child<QLabel>(page.get(), qPrintable(name)); }
    QWidget *panel(const char *name) { return child<QWidget>(page.get(), name); }

    void pollCycle() { QVERIFY(poll.run()); }

    // Full scale 10000 without decimals, division 1, the scale half loaded. Group 2,
    // read after the page's refresh, brings the full scale to the second cycle.
    void halfOfTenThousand()
    {
        bench.model().setValue32(102, 0);
        bench.model().setValue32(104, 1);
        bench.model().setValue32(106, 10000);
        bench.model().setLiveLoad(0.5);
        pollCycle();
        pollCycle();
    }

private slots:
    void initTestCase() { QVERIFY(bench.start()); }

    void init()
    {
        bench.reset();
        bench.model().setLiveLoad(0); // an empty scale, whatever an earlier case loaded
        gu32_PageIndex = 4;
        page = std::make_unique<DataTrans>();
        poll.routine.setPage(4, page.get());
        page->resize(1150, 800);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        QVERIFY(readGroups({0, 10, 11, 12, 13, 2}));
        page->enterPage();
        bench.host->clearLog();
    }

    void cleanup() { page.reset(); }

    void analogPreviewFollowsTheWeight_data()
    {
        QTest::addColumn<qint32>("weight");
        QTest::addColumn<quint32>("status");
        QTest::addColumn<qint32>("fullScale");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("half scale") << 5000 << 0u << 10000 << 12000;
        QTest::newRow("full scale") << 10000 << 0u << 10000 << 20000;
        QTest::newRow("nine divisions over") << 10009 << 0u << 10000 << 20014;
        QTest::newRow("beyond nine divisions") << 10010 << 0u << 10000 << 20050;
        QTest::newRow("negative below the minimum") << -5000 << 0u << 10000 << 3920;
        QTest::newRow("small negative") << -50 << 0u << 10000 << 3920;
        QTest::newRow("tiny negative") << -4 << 0u << 10000 << 3994;
        QTest::newRow("zero") << 0 << 0u << 10000 << 4000;
        QTest::newRow("half rounds up") << 1 << 0u << 3200 << 4005; // 16000 / 3200 x 1 = 5
        QTest::newRow("below half") << 1 << 0u << 6000 << 4003;     // 2.67 rounds to 3
        QTest::newRow("exact half") << 3 << 0u << 32000 << 4002;    // 1.5 rounds to 2
        QTest::newRow("overload bit") << 0 << 0x40u << 10000 << 20050;
        QTest::newRow("underload bit") << 0 << 0x80u << 10000 << 3920;
        QTest::newRow("below minus full scale") << -10010 << 0u << 10000 << 3920;
        QTest::newRow("zero full scale") << 5000 << 0u << 0 << 4000;
        QTest::newRow("zero full scale negative") << -5 << 0u << 0 << 4000;
        QTest::newRow("zero full scale beyond nine divisions") << 10 << 0u << 0 << 4000;
        QTest::newRow("zero full scale overload bit") << 0 << 0x40u << 0 << 4000;
        QTest::newRow("negative full scale") << 5000 << 0u << -10000 << 4000;
        QTest::newRow("most negative weight") << INT32_MIN << 0u << 10000 << 3920;
    }
    void analogPreviewFollowsTheWeight()
    {
        QFETCH(qint32, weight);
        QFETCH(quint32, status);
        QFETCH(qint32, fullScale);
        QFETCH(qint32, expected);
        QCOMPARE(AnalogOutputFor(weight, status, fullScale, 1, currentLoop()), expected);
    }

    void effectiveRangesFollowTheType()
    {
        const quint16 read[5] = {2, 1000, 2000, 12000, 15000};
        AnalogRange r;
        QVERIFY(EffectiveAnalogRange(Analog0To10V, read, &r));
        QCOMPARE((QVector<qint32>{r.minimum, r.zero, r.maximum, r.span}),
                 (QVector<qint32>{0, 2000, 10000, 10000}));
        QVERIFY(EffectiveAnalogRange(AnalogUserMa, read, &r));
        QCOMPARE((QVector<qint32>{r.minimum, r.zero, r.maximum, r.span}),
                 (QVector<qint32>{1000, 2000, 15000, 10000}));
        QVERIFY(EffectiveAnalogRange(AnalogUserV, read, &r));
        QCOMPARE((QVector<qint32>{r.minimum, r.zero, r.maximum, r.span}),
                 (QVector<qint32>{0, 2000, 10000, 10000}));
        QVERIFY(!EffectiveAnalogRange(4, read, &r));
        // A maximum set below the minimum: overload drives the minimum.
        const AnalogRange upsideDown{5000, 6000, 4000, 1000};
        QCOMPARE(AnalogOutputFor(0, 0x40, 10000, 1, upsideDown), 5000);
        QCOMPARE(AnalogOutputFor(0, 0x80, 10000, 1, upsideDown), 4000);
    }

    void theFormCarriesEveryItemList()
    {
        const QStringList protocols = {"Modbus RTU", "r-Cont",  "r-SPI",   "r-tt",
                                       "r-Cb920",    "rE-Cont", "rE-rEAd", "Pt650D",
                                       "YH",         "Print",   "WI125"};
        const QStringList bauds = {"1200",  "2400",  "4800",  "9600",
                                   "19200", "38400", "57600", "115200"};
        for (int p = 1; p <= 3; ++p) {
            QCOMPARE(itemTexts(combo(QStringLiteral("cBoxProtocol_%1").arg(p))), protocols);
            QCOMPARE(itemTexts(combo(QStringLiteral("cBoxBaudrate_%1").arg(p))), bauds);
            QCOMPARE(itemTexts(combo(QStringLiteral("cBoxDataFormat_%1").arg(p))),
                     (QStringList{"8-N-1", "8-E-1", "8-O-1", "7-E-1", "7-O-1"}));
            QCOMPARE(itemTexts(combo(QStringLiteral("cBoxDwordFormat_%1").arg(p))),
                     (QStringList{"AB-CD", "CD-AB"}));
            QCOMPARE(itemTexts(combo(QStringLiteral("cBoxCRC_%1").arg(p))),
                     (QStringList{"OFF", "ON"}));
            QCOMPARE(edit(QStringLiteral("EditComID_%1").arg(p))->toolTip(),
                     QStringLiteral("1 - 99"));
            QCOMPARE(edit(QStringLiteral("EditSendGap_%1").arg(p))->toolTip(),
                     QStringLiteral("0 - 1000 ms"));
        }
        QCOMPARE(itemTexts(combo("cBoxNetComDwordFormat")), (QStringList{"AB-CD", "CD-AB"}));
        QCOMPARE(itemTexts(combo("cBoxWriteEnable")), (QStringList{"OFF", "ON"}));
        QCOMPARE(itemTexts(combo("cBoxNetComProtocol")),
                 (QStringList{"Modbus/TCP", "Quarn-Cont/TCP"}));
        QCOMPARE(itemTexts(combo("cBoxDataType")), (QStringList{"Weight(Int)", "Weight(Float)"}));
        QCOMPARE(itemTexts(combo("cBoxPrintLanguage")),
                 (QStringList{QStringLiteral("中文"), "English"}));
        QCOMPARE(
            itemTexts(combo("cBoxPrintContent")),
            (QStringList{"Display Weight", "Gross", "Net", "Net & Tare", "Gross & Net & Tare"}));
        QCOMPARE(itemTexts(combo("cBoxAnalogType")),
                 (QStringList{"4-20 mA", "0-10 V", "User-mA", "User-V"}));
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(edit(QStringLiteral("EditIP_%1").arg(n))->toolTip(),
                     QStringLiteral("0 - 255"));
        QCOMPARE(edit("EditNetComSocket")->toolTip(), QStringLiteral("1 - 65535"));
        QCOMPARE(edit("EditTicketGap")->toolTip(), QStringLiteral("0 - 99"));
    }

    void enteringThePageShowsTheInstrument()
    {
        page->enterPage();
        QCOMPARE(edit("EditComID_2")->text(), QStringLiteral("1"));
        QCOMPARE(combo("cBoxBaudrate_3")->currentText(), QStringLiteral("38400"));
        QCOMPARE(edit("EditNetComSocket")->text(), QStringLiteral("502"));
        QStringList ip;
        for (int n = 1; n <= 4; ++n)
            ip << edit(QStringLiteral("EditIP_%1").arg(n))->text();
        QCOMPARE(ip.join('.'), QStringLiteral("192.168.1.100"));
        QCOMPARE(combo("cBoxWriteEnable")->currentText(), QStringLiteral("ON"));
        QCOMPARE(edit("EditTicketGap")->text(), QStringLiteral("3"));
        QCOMPARE(combo("cBoxAnalogType")->currentText(), QStringLiteral("4-20 mA"));
        QVERIFY(panel("widget_Analog_2")->isHidden());
        QCOMPARE(label("label_AnalogOutputUnit")->text(), QStringLiteral("mA"));
        QCOMPARE(edit("EditFSOut")->text(), QStringLiteral("20.000"));
        // The frozen instrument rests at zero: the zero output.
        QCOMPARE(label("label_AnalogOutput")->text(), QStringLiteral("4.000"));
    }

    // The page's write table: each field, the register it writes and what a user
    // enters or picks there.
    void everyFieldWritesItsRegister_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<quint32>("written");
        const char *port[7] = {"EditComID",       "cBoxBaudrate", "cBoxProtocol", "cBoxDataFormat",
                               "cBoxDwordFormat", "EditSendGap",  "cBoxCRC"};
        const char *lastItem[7] = {"", "115200", "WI125", "7-O-1", "CD-AB", "", "ON"};
        const quint32 lastIndex[7] = {0, 7, 10, 4, 1, 0, 1};
        for (int p = 0; p < 3; ++p) {
            for (int j = 0; j < 7; ++j) {
                const QString name = QStringLiteral("%1_%2").arg(port[j]).arg(p + 1);
                const bool isEdit = j == 0 || j == 5;
                QTest::newRow(qPrintable(name))
                    << name << 300 + 20 * p + 2 * j
                    << (isEdit ? QStringLiteral("17") : QString::fromLatin1(lastItem[j]))
                    << (isEdit ? 17u : lastIndex[j]);
            }
        }
        struct Row
        {
            const char *name;
            int address;
            const char *entry;
            quint32 written;
        };
        const Row rows[] = {
            {"cBoxNetComProtocol", 360, "Quarn-Cont/TCP", 1},
            {"cBoxNetComDwordFormat", 362, "CD-AB", 1},
            {"EditNetComSendGap", 364, "250", 250},
            {"EditNetComSocket", 366, "5020", 5020},
            {"EditIP_1", 368, "10", 10},
            {"EditIP_2", 370, "0", 0},
            {"EditIP_3", 372, "12", 12},
            {"EditIP_4", 374, "254", 254},
            {"cBoxWriteEnable", 376, "OFF", 0},
            {"cBoxDataType", 378, "Weight(Float)", 1},
            {"cBoxPrintLanguage", 390, "English", 1},
            {"cBoxPrintContent", 392, "Gross & Net & Tare", 4},
            {"EditTicketGap", 394, "42", 42},
            {"cBoxAnalogType", 460, "User-mA", 2},
            {"EditMinOut", 462, "4.5", 4500},
            {"EditZeroOut", 464, "5", 5000},
            {"EditFSOut", 466, "20", 20000},
            {"EditMaxOut", 468, "23.999", 23999},
        };
        for (const Row &r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.name) << r.address
                                  << QString::fromUtf8(r.entry) << r.written;
    }
    void everyFieldWritesItsRegister()
    {
        QFETCH(QString, field);
        QFETCH(int, address);
        QFETCH(QString, entry);
        QFETCH(quint32, written);
        // The output fields show for the user-defined types only.
        bench.model().setValue32(460, AnalogUserMa);
        pollCycle();
        bench.host->clearLog();
        if (auto *box = page->findChild<QComboBox *>(field))
            chooseItem(box, entry);
        else
            typeEntry(edit(field), entry);
        QCOMPARE(bench.writesTo(address).size(), 1);
        QCOMPARE(bench.writesTo(address)[0].values, pairWords(written, 0));
        QCOMPARE(bench.model().value32(address), written);
        QCOMPARE(bench.host->requestLog().size(), 2); // the read before, the write
    }

    void userVoltsShowTheSubPanelAtOnceAndTheRangeAfterTheInstrumentReports()
    {
        QComboBox *type = combo("cBoxAnalogType");
        chooseItem(type, QStringLiteral("User-V"));
        QCOMPARE(bench.model().value32(460), 3u);
        QVERIFY(!panel("widget_Analog_2")->isHidden());
        for (const char *unit :
             {"label_MinOutUnit", "label_ZeroOutUnit", "label_FSOutUnit", "label_MaxOutUnit"})
            QCOMPARE(label(unit)->text(), QStringLiteral("V"));
        QCOMPARE(edit("EditFSOut")->toolTip(), QString());
        QVERIFY(type->hasFocus());

        // The page's refresh comes before the read of the analog group in a cycle:
        // the second cycle's refresh is the first to see the instrument's type 3.
        pollCycle();
        QCOMPARE(edit("EditFSOut")->toolTip(), QString());
        pollCycle();
        for (const char *field : {"EditMinOut", "EditZeroOut", "EditFSOut", "EditMaxOut"})
            QCOMPARE(edit(field)->toolTip(), QStringLiteral("0 - 10.000 V"));
        QCOMPARE(label("label_AnalogOutputUnit")->text(), QStringLiteral("V"));

        chooseItem(type, QStringLiteral("User-mA"));
        pollCycle();
        pollCycle();
        QCOMPARE(edit("EditMaxOut")->toolTip(), QStringLiteral("0 - 24.000 mA"));
        QCOMPARE(label("label_MaxOutUnit")->text(), QStringLiteral("mA"));
        QCOMPARE(label("label_AnalogOutputUnit")->text(), QStringLiteral("mA"));

        chooseItem(type, QStringLiteral("0-10 V"));
        QVERIFY(panel("widget_Analog_2")->isHidden());
        pollCycle();
        pollCycle();
        QCOMPARE(edit("EditMaxOut")->toolTip(), QString());
        QCOMPARE(label("label_AnalogOutputUnit")->text(), QStringLiteral("V"));
    }

    void aRefusedTypeLeavesTheSubPanelAsTheTypeShown()
    {
        bench.model().setReg(9302, 0);
        chooseItem(combo("cBoxAnalogType"), QStringLiteral("User-V"));
        QCOMPARE(bench.model().value32(460), 0u);
        QCOMPARE(combo("cBoxAnalogType")->currentIndex(), 0);
        QVERIFY(panel("widget_Analog_2")->isHidden());
    }

    void thePreviewShowsTheLiveOutput()
    {
        halfOfTenThousand();
        QCOMPARE(qint32(gsrt_LiveVal.slot[0]), 5000);
        QCOMPARE(label("label_AnalogOutput")->text(), QStringLiteral("12.000"));

        // Readings the simulated instrument does not produce: straight into the mirror.
        const struct
        {
            qint32 weight;
            const char *shown;
        } cases[] = {{10000, "20.000"}, {10009, "20.014"}, {10010, "20.050"}, {-5000, "3.920"}};
        for (const auto &c : cases) {
            gsrt_LiveVal.slot[0] = quint32(c.weight);
            gsrt_LiveVal.slot[1] = 0;
            page->refresh(false);
            QCOMPARE(label("label_AnalogOutput")->text(), QString::fromLatin1(c.shown));
        }
    }

    void aZeroFullScaleShowsTheZeroOutput()
    {
        halfOfTenThousand();
        QCOMPARE(label("label_AnalogOutput")->text(), QStringLiteral("12.000"));
        // A reset instrument: full scale 0, the weight as it was.
        bench.model().setValue32(106, 0);
        pollCycle();
        pollCycle();
        QCOMPARE(gsrt_CalPara.slot[3], 0u);
        QCOMPARE(label("label_AnalogOutput")->text(), QStringLiteral("4.000"));

        // The zero output of a user-defined current range.
        bench.model().setValue32(460, AnalogUserMa);
        bench.model().setValue32(464, 6000);
        pollCycle();
        pollCycle();
        QCOMPARE(label("label_AnalogOutput")->text(), QStringLiteral("6.000"));
    }

    // Before the analog group is read there is nothing to show; its first read fills
    // the section and the preview at once.
    void theAnalogSectionWaitsForItsGroup()
    {
        ClearMirror();
        QVERIFY(readGroups({0, 10, 11, 12, 2}));
        page->enterPage();
        QCOMPARE(combo("cBoxAnalogType")->currentIndex(), -1);
        QCOMPARE(edit("EditFSOut")->text(), QString());
        QCOMPARE(label("label_AnalogOutput")->text(), QString());
        QCOMPARE(edit("EditComID_1")->text(), QStringLiteral("1"));

        QVERIFY(readGroups({13}));
        page->refresh(false);
        QCOMPARE(combo("cBoxAnalogType")->currentText(), QStringLiteral("4-20 mA"));
        QCOMPARE(edit("EditFSOut")->text(), QStringLiteral("20.000"));
        QCOMPARE(label("label_AnalogOutput")->text(), QStringLiteral("4.000"));
    }

    void aDataFormatChangeIsShownAtOnceAndAllThreeAreSetAgainLater()
    {
        QTimer *reshow = page->dataFormatTimer();
        QTRY_VERIFY(!reshow->isActive()); // the entry's own re-set is over
        bench.model().setValue32(326, 3);
        pollCycle();
        QCOMPARE(combo("cBoxDataFormat_2")->currentText(), QStringLiteral("7-E-1"));
        QVERIFY(reshow->isActive());
        QCOMPARE(reshow->interval(), 500);

        // Whatever happened to the boxes meanwhile, the re-set puts the slots back.
        combo("cBoxDataFormat_1")->setCurrentIndex(4);
        combo("cBoxDataFormat_2")->setCurrentIndex(4);
        combo("cBoxDataFormat_3")->setCurrentIndex(4);
        QSignalSpy fired(reshow, &QTimer::timeout);
        QVERIFY(fired.wait(2000));
        QCOMPARE(combo("cBoxDataFormat_1")->currentIndex(), 0);
        QCOMPARE(combo("cBoxDataFormat_2")->currentIndex(), 3);
        QCOMPARE(combo("cBoxDataFormat_3")->currentIndex(), 0);

        // An unchanged slot starts nothing.
        pollCycle();
        QVERIFY(!reshow->isActive());
    }

    void thePanelsFollowTheFourWidthRows_data()
    {
        QTest::addColumn<int>("extra");
        QTest::addColumn<QVector<QPoint>>("places"); // COM 3, network, printer, analog
        const int x = 550;
        QTest::newRow("narrow") << 1130
                                << QVector<QPoint>{{10, 360}, {550, 360}, {550, 710}, {10, 710}};
        QTest::newRow("two rows") << 1131
                                  << QVector<QPoint>{
                                         {x + 540, 10}, {10, 360}, {x + 540, 360}, {550, 360}};
        QTest::newRow("two rows, widest")
            << 1670 << QVector<QPoint>{{x + 540, 10}, {10, 360}, {x + 540, 360}, {550, 360}};
        QTest::newRow("three across")
            << 1671 << QVector<QPoint>{{x + 540, 10}, {x + 1080, 10}, {550, 360}, {10, 360}};
        QTest::newRow("three across, widest")
            << 2210 << QVector<QPoint>{{x + 540, 10}, {x + 1080, 10}, {550, 360}, {10, 360}};
        QTest::newRow("four across")
            << 2211 << QVector<QPoint>{{x + 540, 10}, {x + 1080, 10}, {10, 360}, {x + 1620, 10}};
    }
    void thePanelsFollowTheFourWidthRows()
    {
        QFETCH(int, extra);
        QFETCH(QVector<QPoint>, places);
        const int x = panel("widget_COM_1")->x();
        QCOMPARE(x, 550);
        page->adaptWidth(x + extra);
        const char *names[] = {"widget_COM_2", "widget_NetCOM", "widget_Print", "widget_Analog"};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(panel(names[i])->pos(), places[i]);
        QWidget *contents = panel("scrollAreaWidgetContents");
        QCOMPARE(contents->minimumWidth(), x + extra);
        QCOMPARE(contents->maximumWidth(), x + extra);
    }
};

QTEST_MAIN(TestDataPage)
#include "tst_datapage.moc"
