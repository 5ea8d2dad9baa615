// The test and maintenance page against the simulated instrument: the system
// information decoded in both word orders, the settings combo boxes, the
// remote-edit switches, the password and the three resets, and the import and
// export tabs up to the spreadsheet procedure, with its re-entry guards.
#include "languagefont.h"
#include "pagefixture.h"
#include "sysinfotext.h"
#include "testmaintain.h"
#include "weightcal.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

using namespace pagetest;

namespace {

// The page with a file choice the test decides.
class ScriptedTestPage : public TestMaintain
{
public:
    QString chosenFile;
    int choices = 0;

protected:
    QString chooseImportFile() override
    {
        ++choices;
        return chosenFile;
    }
};

const char Password[] = "582046";

} // namespace

class TestTestPage : public QObject
{
    Q_OBJECT

private:
    Bench bench;
    PollCycle poll;
    std::unique_ptr<ScriptedTestPage> page;

    QLineEdit *edit(const char *name) { return child<QLineEdit>(page.get(), name); }
    QComboBox *combo(const char *name) { return child<QComboBox>(page.get(), name); }
    QLabel *label(const char *name) { return child<QLabel>(page.get(), name); }
    QPushButton *button(const char *name) { return child<QPushButton>(page.get(), name); }

    // One poll cycle of the main window while this page is shown.
    void pollCycle() { QVERIFY(poll.run()); }
    void showTab(const char *name)
    {
        auto *tabs = child<QTabWidget>(page.get(), "tabWidget");
        tabs->setCurrentWidget(child<QWidget>(page.get(), name));
        page->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), page.get());
    }
    int resetWrites()
    {
        return bench.writesTo(520).size() + bench.writesTo(522).size() + bench.writesTo(524).size();
    }

private slots:
    void initTestCase() { QVERIFY(bench.start()); }

    void init()
    {
        bench.reset();
        // the page's own bookkeeping: every calibration point is taken
        bench.model().setTakesEveryPoint(true);
        gu32_PageIndex = 5;
        calPointsResetPending = false;
        gu32_Language = 0;
        page = std::make_unique<ScriptedTestPage>();
        poll.routine.setPage(5, page.get());
        page->resize(1150, 800);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        QVERIFY(readGroups({14, 15, 16}));
        page->enterPage(gp_ModbusDevice);
        bench.host->clearLog();
    }

    void cleanup()
    {
        page.reset();
        QVERIFY(exportIdle);
        QVERIFY(importIdle);
    }

    void theFormCarriesItsTabsItemsAndTemplates()
    {
        auto *tabs = child<QTabWidget>(page.get(), "tabWidget");
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        QCOMPARE(titles, (QStringList{"System Information", "System Reset", "Import Data",
                                      "Export Data", "Service Report"}));
        QCOMPARE(tabs->currentIndex(), 0);
        const QStringList ports = {"COM 1", "COM 2", "COM 3", "NetCOM"};
        const std::pair<const char *, QStringList> boxes[] = {
            {"cBoxBacklight", {"Low", "Mid", "High"}},
            {"cBoxNetLedDef", ports + QStringList{"Net"}},
            {"cBoxComLed1Def", ports},
            {"cBoxComLed2Def", ports},
            {"cBoxCalRemoteEdit", {"OFF", "ON"}},
            {"cBoxNCalRemoteEdit", {"OFF", "ON"}}};
        for (const auto &box : boxes) {
            QStringList items;
            for (int i = 0; i < combo(box.first)->count(); ++i)
                items << combo(box.first)->itemText(i);
            QCOMPARE(items, box.second);
        }
        TestMaintain fresh;
        QCOMPARE(child<QLineEdit>(&fresh, "EditSerialNum")->text(),
                 QStringLiteral("0000000000000-123202G60000"));
        QCOMPARE(child<QLineEdit>(&fresh, "EditMAC")->text(), QStringLiteral("BC-66-41-90-0E-06"));
        for (const char *name : {"progressBar_Import", "label_Import", "progressBar_Export",
                                 "label_Export", "widget_top"})
            QVERIFY2(child<QWidget>(&fresh, name)->isHidden(), name);
        for (const char *name :
             {"EditSoftwareVersion", "EditCompileDate", "EditSerialNum", "EditMAC",
              "EditInstrumentID", "EditBatteryLevel", "EditBatteryVolt"}) {
            QVERIFY2(edit(name)->isReadOnly(), name);
            QCOMPARE(edit(name)->cursor().shape(), Qt::ForbiddenCursor);
        }
    }

    void compileDatesAndTemplatesAreDecoded()
    {
        QCOMPARE(CompileDateText(230515), QStringLiteral("2023-05-15"));
        QCOMPARE(CompileDateText(2305), QStringLiteral("2023-05-"));
        QCOMPARE(CompileDateText(7), QStringLiteral("207--"));
        QString mac = QStringLiteral("BC-66-41-90-0E-06");
        PatchMacByte(mac, 0, 10);
        PatchMacByte(mac, 5, 171);
        QCOMPARE(mac, QStringLiteral("0A-66-41-90-0E-AB"));
        QString serial = QStringLiteral("0000000000000-123202G60000");
        PatchSerialChar(serial, 13, 'A');
        PatchSerialChar(serial, 24, 'Z');
        PatchSerialChar(serial, 12, 'Q');
        QCOMPARE(serial, QStringLiteral("000000000000Q-A23202G6000Z"));
    }

    void systemInformationComesFromTheInstrument()
    {
        bench.model().setValue32(10002, 230515);
        const QString serial = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY");
        for (int i = 0; i < serial.size(); ++i)
            bench.model().setReg(10004 + i, serial.at(i).unicode());
        const quint16 mac[6] = {10, 171, 0, 255, 1, 16};
        for (int i = 0; i < 6; ++i)
            bench.model().setReg(10100 + i, mac[i]);
        bench.model().setReg(10125, 87);
        pollCycle();
        QCOMPARE(edit("EditCompileDate")->text(), QStringLiteral("2023-05-15"));
        QCOMPARE(edit("EditSerialNum")->text(), QStringLiteral("ABCDEFGHIJKLM-NOPQRSTUVWXY"));
        QCOMPARE(edit("EditMAC")->text(), QStringLiteral("0A-AB-00-FF-01-10"));
        QCOMPARE(edit("EditBatteryLevel")->text(), QStringLiteral("87"));

        // One character changes: only its place in the text does.
        bench.model().setReg(10004 + 13, 'z');
        pollCycle();
        QCOMPARE(edit("EditSerialNum")->text(), QStringLiteral("ABCDEFGHIJKLM-zOPQRSTUVWXY"));
    }

    void fixedAndOrderedValuesInBothWordOrders_data()
    {
        QTest::addColumn<int>("order");
        QTest::newRow("AB-CD") << 0;
        QTest::newRow("CD-AB") << 1;
    }
    void fixedAndOrderedValuesInBothWordOrders()
    {
        QFETCH(int, order);
        bench.reset(order);
        // Each pair holds 0x0001 in its first register and 0x0002 in its second.
        for (int address : {10000, 10002, 10123, 10126}) {
            bench.model().setReg(address, 1);
            bench.model().setReg(address + 1, 2);
        }
        QVERIFY(readGroups({14, 15, 16}));
        page->enterPage(gp_ModbusDevice);
        QCOMPARE(edit("EditSoftwareVersion")->text(), QStringLiteral("65538"));
        QCOMPARE(edit("EditCompileDate")->text(), QStringLiteral("2065-53-8"));
        const QString ordered = order == 0 ? QStringLiteral("65538") : QStringLiteral("131073");
        QCOMPARE(edit("EditInstrumentID")->text(), ordered);
        QCOMPARE(edit("EditBatteryVolt")->text(), ordered);
    }

    void settingsBoxesWriteOnEveryActivation_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("address");
        QTest::addColumn<QVector<quint16>>("words");
        QTest::newRow("backlight") << "cBoxBacklight"
                                   << "High" << 530 << QVector<quint16>{0, 2};
        QTest::newRow("net led") << "cBoxNetLedDef"
                                 << "Net" << 532 << QVector<quint16>{0, 4};
        QTest::newRow("com led 1") << "cBoxComLed1Def"
                                   << "NetCOM" << 534 << QVector<quint16>{0, 3};
        QTest::newRow("com led 2") << "cBoxComLed2Def"
                                   << "COM 2" << 536 << QVector<quint16>{0, 1};
        QTest::newRow("cal remote edit") << "cBoxCalRemoteEdit"
                                         << "OFF" << 9301 << QVector<quint16>{0};
        QTest::newRow("ncal remote edit") << "cBoxNCalRemoteEdit"
                                          << "OFF" << 9302 << QVector<quint16>{0};
    }
    void settingsBoxesWriteOnEveryActivation()
    {
        QFETCH(QString, box);
        QFETCH(QString, item);
        QFETCH(int, address);
        QFETCH(QVector<quint16>, words);
        showTab("tab_ParamReset");
        QComboBox *target = combo(box.toLatin1().constData());
        chooseItem(target, item);
        chooseItem(target, item);
        QVector<sim::LoggedRequest> writes;
        for (const sim::LoggedRequest &r : bench.host->requestLog()) {
            if ((r.function == 6 || r.function == WriteMultiple) && r.address == address)
                writes.append(r);
        }
        QCOMPARE(writes.size(), 2);
        QCOMPARE(writes[0].values, words);
        QCOMPARE(writes[0].exception, 0);
        QCOMPARE(target->currentText(), item);
        turnWheel(target, 1);
        QCOMPARE(target->currentText(), item);
    }

    void aRefusedSettingPutsItsOwnItemBack()
    {
        showTab("tab_ParamReset");
        // Another page captured a text before; the refused write must not use it.
        valueBeforeEdit = QStringLiteral("12.5");
        bench.model().setValue32(530, 0);
        pollCycle();
        QCOMPARE(combo("cBoxBacklight")->currentIndex(), 0);
        bench.host->setFaults({0, 0, 1.0, 0, 1});
        chooseItem(combo("cBoxBacklight"), QStringLiteral("Mid"));
        bench.host->setFaults({});
        QCOMPARE(combo("cBoxBacklight")->currentIndex(), 0);
        chooseItem(combo("cBoxBacklight"), QStringLiteral("High"));
        bench.host->setFaults({0, 0, 1.0, 0, 1});
        chooseItem(combo("cBoxBacklight"), QStringLiteral("Low"));
        bench.host->setFaults({});
        QCOMPARE(combo("cBoxBacklight")->currentText(), QStringLiteral("High"));
    }

    void remoteEditBoxesFollowTheInstrumentOnlyOnEntry()
    {
        bench.model().setReg(9301, 1);
        bench.model().setReg(9302, 0);
        QVERIFY(readGroups({14, 15, 16}));
        page->enterPage(gp_ModbusDevice);
        QCOMPARE(combo("cBoxCalRemoteEdit")->currentText(), QStringLiteral("ON"));
        QCOMPARE(combo("cBoxNCalRemoteEdit")->currentText(), QStringLiteral("OFF"));
        bench.model().setReg(9301, 0);
        bench.model().setReg(9302, 1);
        pollCycle();
        QCOMPARE(combo("cBoxCalRemoteEdit")->currentText(), QStringLiteral("ON"));
        QCOMPARE(combo("cBoxNCalRemoteEdit")->currentText(), QStringLiteral("OFF"));
        page->enterPage(gp_ModbusDevice);
        QCOMPARE(combo("cBoxCalRemoteEdit")->currentText(), QStringLiteral("OFF"));
        QCOMPARE(combo("cBoxNCalRemoteEdit")->currentText(), QStringLiteral("ON"));

        // The other settings follow every poll.
        bench.model().setValue32(530, 1);
        pollCycle();
        QCOMPARE(combo("cBoxBacklight")->currentText(), QStringLiteral("Mid"));
    }

    void eachResetAsksItsConfirmationAndWritesItsCommand_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("forgetsCalibrationWeights");
        const QString loss = QStringLiteral("Confirm? Reset may result in communication loss!");
        QTest::newRow("all") << "Btn_ResetALL"
                             << "Reset All" << loss << 520 << true;
        QTest::newRow("calibration") << "Btn_ResetCAL"
                                     << "Reset CAL"
                                     << "Confirm?" << 522 << true;
        QTest::newRow("application") << "Btn_ResetAPP"
                                     << "Reset Application" << loss << 524 << false;
    }
    void eachResetAsksItsConfirmationAndWritesItsCommand()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QString, question);
        QFETCH(int, address);
        QFETCH(bool, forgetsCalibrationWeights);
        showTab("tab_ParamReset");
        QPushButton *reset = button(name.toLatin1().constData());
        DialogScript answers({{true, Password}, {false}, {true}, {true}});
        QTest::mouseClick(reset, Qt::LeftButton);
        QCOMPARE(resetWrites(), 0);
        QCOMPARE(calPointsResetPending, false);
        QTest::mouseClick(reset, Qt::LeftButton);
        QCOMPARE(answers.unanswered(), 0);
        QCOMPARE(answers.unexpected, 0);
        QCOMPARE(answers.seen[1].title, title);
        QCOMPARE(answers.seen[1].message, question);
        QCOMPARE(answers.seen[2].message, question);
        QCOMPARE(answers.seen[3].message, QStringLiteral("Reset Successful!"));
        const auto writes = bench.writesTo(address);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].values, pairWords(1, 0));
        QCOMPARE(resetWrites(), 1);
        QCOMPARE(calPointsResetPending, forgetsCalibrationWeights);
    }

    void thePasswordIsAskedOncePerVisit()
    {
        showTab("tab_ParamReset");
        {
            DialogScript answers({{true, QStringLiteral("582046\r\n")}, {false}, {false}});
            QTest::mouseClick(button("Btn_ResetCAL"), Qt::LeftButton);
            QTest::mouseClick(button("Btn_ResetAPP"), Qt::LeftButton);
            QCOMPARE(answers.seen.size(), 3);
            QCOMPARE(answers.seen[0].title, QStringLiteral("Password"));
            QCOMPARE(answers.seen[2].title, QStringLiteral("Reset Application"));
            QVERIFY(page->passwordAccepted());
        }
        // The main window clears the flag when it shows another page.
        page->clearPasswordAccepted();
        DialogScript answers({{false}});
        QTest::mouseClick(button("Btn_ResetCAL"), Qt::LeftButton);
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen[0].title, QStringLiteral("Password"));
        QCOMPARE(resetWrites(), 0);
    }

    void aWrongOrMissingPasswordWritesNothing_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("wrong") << true << "582047" << QStringList{"", "Password Failed!"};
        QTest::newRow("password with a space")
            << true << "582046 " << QStringList{"", "Password Failed!"};
        QTest::newRow("empty") << true << "" << QStringList{""};
        QTest::newRow("cancelled") << false << Password << QStringList{""};
    }
    void aWrongOrMissingPasswordWritesNothing()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, typed);
        QFETCH(QStringList, notices);
        showTab("tab_ParamReset");
        DialogScript answers({{confirm, typed}, {true}});
        QTest::mouseClick(button("Btn_ResetALL"), Qt::LeftButton);
        QCOMPARE(answers.messages(), notices);
        QVERIFY(!page->passwordAccepted());
        QCOMPARE(resetWrites(), 0);
        QVERIFY(!calPointsResetPending);
    }

    void aCalibrationResetClearsTheWeightPagesPoints()
    {
        WeightCal weightPage;
        weightPage.show();
        QVERIFY(QTest::qWaitForWindowActive(&weightPage));
        gu32_PageIndex = 2;
        QVERIFY(readGroups({5, 2}));
        weightPage.enterPage();
        auto *cp1 = child<QLineEdit>(&weightPage, "EditWeightCp1");
        typeEntry(cp1, QStringLiteral("100"));
        QCOMPARE(cp1->text(), QStringLiteral("100.00"));

        gu32_PageIndex = 5;
        showTab("tab_ParamReset");
        DialogScript answers({{true, Password}, {true}, {true}});
        QTest::mouseClick(button("Btn_ResetCAL"), Qt::LeftButton);
        QCOMPARE(bench.writesTo(522).size(), 1);
        QVERIFY(readGroups({2}));
        weightPage.refresh(false);
        QCOMPARE(cp1->text(), QStringLiteral("0.00"));
        QVERIFY(!calPointsResetPending);
    }

    void aFailedResetWriteSaysSo()
    {
        showTab("tab_ParamReset");
        {
            bench.host->setFaults({0, 0, 1.0, 0, 1});
            DialogScript answers({{true, Password}, {true}, {true}});
            QTest::mouseClick(button("Btn_ResetCAL"), Qt::LeftButton);
            bench.host->setFaults({});
            QCOMPARE(answers.messages(), (QStringList{"", "Confirm?", "Reset Failed!"}));
            QCOMPARE(bench.writesTo(522).size(), 1);
            QCOMPARE(bench.writesTo(522)[0].exception, 4);
            QVERIFY(!calPointsResetPending);
        }

        // A page without a connection sends nothing and fails the same way.
        page->enterPage(nullptr);
        DialogScript again({{true}, {true}});
        QTest::mouseClick(button("Btn_ResetALL"), Qt::LeftButton);
        QCOMPARE(again.messages(), (QStringList{"Confirm? Reset may result in communication loss!",
                                                "Reset Failed!"}));
        QVERIFY(bench.writesTo(520).isEmpty());
    }

    void exportRunsTheProcedureOnACopyOfTheTemplate_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("targetName");
        QTest::newRow("English") << 0 << "QuarnT-Zelt_EN.xlsx"
                                 << "QuarnT-Zelt_ExportFile.xlsx";
        QTest::newRow("Chinese") << 1 << "QuarnT-Zelt_CN.xlsx"
                                 << QString::fromUtf8("QuarnT-Zelt_导出文件.xlsx");
    }
    void exportRunsTheProcedureOnACopyOfTheTemplate()
    {
        QFETCH(int, language);
        QFETCH(QString, templateName);
        QFETCH(QString, targetName);
        gu32_Language = quint32(language);
        const QString root = bench.home.path();
        QDir(root).mkpath(QStringLiteral("Template"));
        QDir(root).mkpath(QStringLiteral("Export"));
        const QString templatePath = root + QStringLiteral("/Template/") + templateName;
        const QString target = root + QStringLiteral("/Export/") + targetName;
        QFile t(templatePath);
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write("template");
        t.close();
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older export");
        old.close();
        showTab("tab_Export");

        QString given;
        QByteArray content;
        bool barShown = false;
        int calls = 0;
        page->setExportProcedure([&](const QString &file, QModbusClient *device,
                                     const TestMaintain::Progress &progress) {
            ++calls;
            given = file;
            QFile f(file);
            if (f.open(QIODevice::ReadOnly))
                content = f.readAll();
            barShown = !child<QWidget>(page.get(), "progressBar_Export")->isHidden();
            progress(40);
            [&] { QCOMPARE(child<QProgressBar>(page.get(), "progressBar_Export")->value(), 40); }();
            [&] { QCOMPARE(device, gp_ModbusDevice); }();
            // A second click while the export runs is ignored.
            QTest::mouseClick(button("Btu_Export"), Qt::LeftButton);
            return 0;
        });
        DialogScript answers({{true}});
        QTest::mouseClick(button("Btu_Export"), Qt::LeftButton);
        QCOMPARE(calls, 1);
        QCOMPARE(given, target);
        QCOMPARE(content, QByteArray("template"));
        QVERIFY(barShown);
        QCOMPARE(answers.messages(), QStringList{"Export Successful!"});
        QVERIFY(child<QWidget>(page.get(), "progressBar_Export")->isHidden());
        QVERIFY(child<QWidget>(page.get(), "label_Export")->isHidden());
        QCOMPARE(label("label_exportPath")->text(),
                 QStringLiteral("<a style='color:#00aaff;' href=\"%1\">Export Path>>>%2</a>")
                     .arg(root + QStringLiteral("/Export"), target));
    }

    void stoppedOrFailedTransfersShowNoPath_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("stopped by a disconnect")
            << int(TestMaintain::ProcedureStopped) << QStringList();
        QTest::newRow("failed") << -3 << QStringList{"Export Failed!"};
    }
    void stoppedOrFailedTransfersShowNoPath()
    {
        QFETCH(int, result);
        QFETCH(QStringList, notices);
        showTab("tab_Export");
        page->setExportProcedure([result](const QString &, QModbusClient *,
                                          const TestMaintain::Progress &) { return result; });
        DialogScript answers({{true}});
        QTest::mouseClick(button("Btu_Export"), Qt::LeftButton);
        QCOMPARE(answers.messages(), notices);
        QVERIFY(label("label_exportPath")->text().isEmpty());
        QVERIFY(child<QWidget>(page.get(), "progressBar_Export")->isHidden());
    }

    void withoutAProcedureNothingIsReportedDone()
    {
        showTab("tab_Export");
        {
            DialogScript answers({{true}});
            QTest::mouseClick(button("Btu_Export"), Qt::LeftButton);
            QCOMPARE(answers.messages(), QStringList{"Export Failed!"});
        }
        showTab("tab_Import");
        page->chosenFile = bench.home.filePath(QStringLiteral("params.xlsx"));
        DialogScript answers({{true}});
        QTest::mouseClick(button("But_Import"), Qt::LeftButton);
        QCOMPARE(answers.messages(), QStringList{"Import Failed!"});
        QVERIFY(label("label_importPath")->text().isEmpty());
    }

    void importRunsTheProcedureOnTheChosenFile()
    {
        showTab("tab_Import");
        // No file chosen: nothing happens.
        page->setImportProcedure(
            [](const QString &, QModbusClient *, const TestMaintain::Progress &) { return 0; });
        {
            DialogScript answers;
            QTest::mouseClick(button("But_Import"), Qt::LeftButton);
            QCOMPARE(page->choices, 1);
            QVERIFY(answers.seen.isEmpty());
        }
        page->chosenFile = QStringLiteral("/data/site 4/params.xlsx");
        QString given;
        int calls = 0;
        page->setImportProcedure(
            [&](const QString &file, QModbusClient *, const TestMaintain::Progress &progress) {
                ++calls;
                given = file;
                progress(100);
                QTest::mouseClick(button("But_Import"), Qt::LeftButton);
                return 0;
            });
        DialogScript answers({{true}});
        QTest::mouseClick(button("But_Import"), Qt::LeftButton);
        QCOMPARE(calls, 1);
        QCOMPARE(page->choices, 2);
        QCOMPARE(given, page->chosenFile);
        QCOMPARE(answers.messages(), QStringList{"Import Successful!"});
        QCOMPARE(label("label_importPath")->text(),
                 QStringLiteral("<a style='color:#00aaff;' href=\"/data/site 4\">Import "
                                "Path>>>/data/site 4/params.xlsx</a>"));
        QVERIFY(child<QWidget>(page.get(), "progressBar_Import")->isHidden());
    }
};

QTEST_MAIN(TestTestPage)
#include "tst_testpage.moc"
