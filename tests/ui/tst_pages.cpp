// The shared page machinery, driven through the basic configuration page as a
// user would, against the simulated instrument: commits, restores, the input
// rule, the wheel, weight fields and the decimal setting, combo boxes, the
// remote-edit banners and the width adaptation.
#include "application.h"
#include "basicconfig.h"
#include "datatrans.h"
#include "decimaltext.h"
#include "digsensors.h"
#include "pagefields.h"
#include "pagefixture.h"
#include "pagepoll.h"
#include "weightcal.h"

#include <QLabel>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolTip>

using namespace pagetest;

class TestPages : public QObject
{
    Q_OBJECT

private:
    Bench bench;
    PollCycle poll;
    std::unique_ptr<BasicConfig> page;
    // The main window keeps this page too and refreshes it after every read of group 2.
    std::unique_ptr<WeightCal> calPage;

    QLineEdit *edit(const char *name) { return child<QLineEdit>(page.get(), name); }
    QComboBox *combo(const char *name) { return child<QComboBox>(page.get(), name); }

    // One poll cycle while the basic page is shown: the live groups, then group 4
    // refreshes it and group 2 refreshes the calibration page.
    void pollCycle() { QVERIFY(poll.run()); }

private slots:
    void initTestCase() { QVERIFY(bench.start()); }

    void init()
    {
        bench.reset();
        gu32_PageIndex = 1;
        gu8_DigSensorsType = 0;
        calPage = std::make_unique<WeightCal>();
        page = std::make_unique<BasicConfig>();
        poll.routine.setPage(1, page.get());
        poll.routine.setPage(2, calPage.get());
        page->resize(1150, 800);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        QVERIFY(readGroups({4, 2}));
        page->enterPage();
        bench.host->clearLog();
    }

    void cleanup()
    {
        page.reset();
        calPage.reset();
    }

    void fieldTextsFollowTheirKind()
    {
        QCOMPARE(FieldText(ParamKind::Plain, 0, 4294967295u, 2), QStringLiteral("4294967295"));
        QCOMPARE(FieldText(ParamKind::Factor, 4, 12345, 0), QStringLiteral("1.2345"));
        QCOMPARE(FieldText(ParamKind::Factor, 5, quint32(-5), 0), QStringLiteral("-0.00005"));
        QCOMPARE(FieldText(ParamKind::Weight, 0, 1500, 3), QStringLiteral("1.500"));
        QCOMPARE(FieldText(ParamKind::Display, 0, quint32(-12), 3), QStringLiteral("-12"));
        QCOMPARE(DivisionValueText(QStringLiteral("d = 20")), QStringLiteral("20"));
        QCOMPARE(DivisionItemText(50), QStringLiteral("d = 50"));
        static const DecimalTexts ranges = {"a", "b", "c", "d", "e"};
        QCOMPARE(DecimalRangeText(ranges, 3), "d");
        QCOMPARE(DecimalRangeText(ranges, 9), "e");
    }

    // The groups each page has read per poll cycle, and the page refreshed after a group.
    void thePollReadsEachPagesGroupsInOrder()
    {
        QCOMPARE(PagePollGroups(0, 6), QVector<int>());
        QCOMPARE(PagePollGroups(1, 6), (QVector<int>{4, 2}));
        QCOMPARE(PagePollGroups(2, 6), (QVector<int>{5, 2}));
        QCOMPARE(PagePollGroups(3, 6), QVector<int>{6});
        QCOMPARE(PagePollGroups(3, 7), QVector<int>{7});
        QCOMPARE(PagePollGroups(3, 8), QVector<int>{8});
        for (quint32 noTab : {0u, 5u, 9u, 0xFFFFFFFFu})
            QCOMPARE(PagePollGroups(3, noTab), QVector<int>());
        QCOMPARE(PagePollGroups(4, 6), (QVector<int>{10, 11, 12, 13, 2}));
        QCOMPARE(PagePollGroups(5, 6), (QVector<int>{14, 15, 16}));
        QCOMPARE(PagePollGroups(6, 6), QVector<int>{17});
        QCOMPARE(PagePollGroups(8, 6), QVector<int>());

        const int refreshed[18] = {-1, -1, 2, -1, 1, -1, 3, 3, 3, -1, -1, -1, 4, -1, -1, -1, 5, 6};
        for (int group = 0; group < 18; ++group)
            QCOMPARE(PageRefreshedAfter(group), refreshed[group]);
    }

    // The live groups come first in a cycle; a failed live read stops it before the page.
    void aFailedLiveReadSkipsThePagesGroups()
    {
        QVector<int> read;
        PagePoll failing([&read](int group) {
            read.append(group);
            return group == 15 ? ModbusTimeout : ModbusOk;
        });
        bool liveShown = false;
        QCOMPARE(failing.cycle([&liveShown] { liveShown = true; }), ModbusTimeout);
        QCOMPARE(read, (QVector<int>{0, 1, 15}));
        QVERIFY(!liveShown);

        read.clear();
        PagePoll working([&read](int group) {
            read.append(group);
            return ModbusOk;
        });
        working.setPage(1, page.get());
        QCOMPARE(working.cycle([&liveShown] { liveShown = true; }), ModbusOk);
        QCOMPARE(read, (QVector<int>{0, 1, 15, 3, 4, 2}));
        QVERIFY(liveShown);
    }

    void enteringThePageFillsEveryField()
    {
        edit("EditZeroRange")->setText(QStringLiteral("77"));
        combo("cBoxSampleRate")->setCurrentIndex(0);
        page->enterPage();
        QCOMPARE(edit("EditPWROnzero")->text(), QStringLiteral("0"));
        QCOMPARE(edit("EditZeroRange")->text(), QStringLiteral("20"));
        QCOMPARE(edit("EditSTABTime")->text(), QStringLiteral("5"));
        QCOMPARE(edit("EditRZeroThr")->text(), QStringLiteral("0.00"));
        QCOMPARE(combo("cBoxSampleRate")->currentIndex(), 3);
        QCOMPARE(child<QLabel>(page.get(), "LabRZeroThrUnit")->text(), QStringLiteral("kg"));
        QCOMPARE(page->currentWidget(), child<QWidget>(page.get(), "label_RemoteTip"));
    }

    void returnWritesOnceAndLeavingSendsNothingMore_data()
    {
        QTest::addColumn<int>("wordOrder");
        QTest::newRow("AB-CD") << 0;
        QTest::newRow("CD-AB") << 1;
    }
    void returnWritesOnceAndLeavingSendsNothingMore()
    {
        QFETCH(int, wordOrder);
        bench.reset(wordOrder);
        QVERIFY(readGroups({4, 2}));
        page->enterPage();
        bench.model().setValue32(54, 5);
        pollCycle();
        QCOMPARE(edit("EditZeroRange")->text(), QStringLiteral("5"));
        bench.host->clearLog();

        typeEntry(edit("EditZeroRange"), QStringLiteral("20"));
        QCOMPARE(bench.model().value32(54), 20u);
        const auto writes = bench.writesTo(54);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].values, pairWords(20, wordOrder));
        QCOMPARE(edit("EditZeroRange")->text(), QStringLiteral("20"));
        QVERIFY(!page->commitArmed());
        QVERIFY(!edit("EditZeroRange")->hasFocus());

        // Leaving for another field, and leaving that one with Tab, writes nothing.
        QTest::mouseClick(edit("EditTrZeroRange"), Qt::LeftButton);
        QTRY_VERIFY(edit("EditTrZeroRange")->hasFocus());
        QTest::keyClick(edit("EditTrZeroRange"), Qt::Key_Tab);
        QCOMPARE(bench.writesTo(54).size(), 1);
        // The field left by Tab still shows what it showed: nothing to write.
        QCOMPARE(bench.writesTo(52).size(), 0);
        QCOMPARE(bench.model().value32(52), 1u);
    }

    // What a user may type that the field's range does not take: nothing is
    // sent, the old text comes back and the tooltip says the range.
    void hostileEntriesSendNothingAndRestoreTheText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("typed");
        const struct
        {
            const char *field;
            int address;
            QStringList typed;
        } cases[] = {
            {"EditPWROnzero", 50, {"-5", "102", "-"}},
            {"EditTrZeroRange", 52, {"100", "-1"}},
            {"EditZeroRange", 54, {"-", "-20", "100"}},
            {"EditSTABRange", 56, {"100"}},
            {"EditDigit_Filter", 58, {"-9", "123456789", "10"}},
            {"EditAdv_Filter", 60, {"100"}},
            {"EditTrZeroTime", 66, {"0", "5001"}},
            {"EditSTABTime", 68, {"0", "-1", "70000", "999999999"}},
            {"EditRZeroThr", 70, {"-0.01", "10000.00", "-"}},
            {"EditRZeroTime", 72, {"-3", "21"}},
        };
        for (const auto &c : cases) {
            for (const QString &typed : c.typed)
                QTest::addRow("%s %s", c.field, qPrintable(typed)) << c.field << c.address << typed;
        }
    }
    void hostileEntriesSendNothingAndRestoreTheText()
    {
        QFETCH(QString, field);
        QFETCH(int, address);
        QFETCH(QString, typed);
        QLineEdit *entry = edit(qPrintable(field));
        const QString before = entry->text();
        const quint32 held = bench.model().value32(address);
        typeEntry(entry, typed);
        QCOMPARE(entry->text(), before);
        QCOMPARE(bench.requestsAt(address), 0);
        QCOMPARE(bench.model().value32(address), held);
        QVERIFY(!entry->toolTip().isEmpty());
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), entry->toolTip());
        QVERIFY(!page->commitArmed());
        // Leaving the field afterwards sends nothing either.
        QTest::mouseClick(edit("EditAdv_Filter") == entry ? edit("EditZeroRange")
                                                          : edit("EditAdv_Filter"),
                          Qt::LeftButton);
        QCOMPARE(bench.requestsAt(address), 0);
    }

    void theEdgesOfEveryRangeAreWritten()
    {
        const struct
        {
            const char *field;
            int address;
            const char *low;
            const char *high;
        } cases[] = {
            {"EditPWROnzero", 50, "0", "101"},       {"EditTrZeroRange", 52, "0", "99"},
            {"EditZeroRange", 54, "0", "99"},        {"EditSTABRange", 56, "0", "99"},
            {"EditDigit_Filter", 58, "0", "9"},      {"EditAdv_Filter", 60, "0", "99"},
            {"EditTrZeroTime", 66, "1", "5000"},     {"EditSTABTime", 68, "1", "5000"},
            {"EditRZeroThr", 70, "0.01", "9999.99"}, {"EditRZeroTime", 72, "1", "20"},
        };
        const quint32 raw[][2] = {{0, 101}, {0, 99},   {0, 99},   {0, 99},     {0, 9},
                                  {0, 99},  {1, 5000}, {1, 5000}, {1, 999999}, {1, 20}};
        for (int i = 0; i < int(sizeof cases / sizeof cases[0]); ++i) {
            const auto &c = cases[i];
            for (int end = 0; end < 2; ++end) {
                const QString text = QString::fromLatin1(end == 0 ? c.low : c.high);
                if (edit(c.field)->text() == text)
                    continue; // already shown: nothing to write
                bench.host->clearLog();
                typeEntry(edit(c.field), text);
                QCOMPARE(bench.writesTo(c.address).size(), 1);
                QCOMPARE(bench.model().value32(c.address), raw[i][end]);
            }
        }
    }

    void aWeightFieldsRangeFollowsTheDecimalSetting()
    {
        const struct
        {
            quint32 decimals;
            const char *largest;
            const char *beyond;
            const char *smallest;
            const char *below;
        } settings[] = {
            {0, "999999", "1000000", "1", "-1"},
            {1, "99999.9", "100000", "0.1", "-0.1"},
            {3, "999.999", "1000", "0.001", "-0.001"},
            {4, "99.9999", "100.0000", "0.0001", "-0.0001"},
        };
        for (const auto &s : settings) {
            bench.model().setValue32(102, s.decimals);
            pollCycle();
            QLineEdit *threshold = edit("EditRZeroThr");
            bench.host->clearLog();
            typeEntry(threshold, QString::fromLatin1(s.largest));
            QCOMPARE(bench.model().value32(70), 999999u);
            typeEntry(threshold, QString::fromLatin1(s.smallest));
            QCOMPARE(bench.model().value32(70), 1u);
            QCOMPARE(bench.writesTo(70).size(), 2);
            pollCycle();
            const QString shown = threshold->text();
            for (const char *refused : {s.beyond, s.below}) {
                typeEntry(threshold, QString::fromLatin1(refused));
                QCOMPARE(threshold->text(), shown);
            }
            QCOMPARE(bench.writesTo(70).size(), 2);
            QCOMPARE(threshold->toolTip(),
                     QString::fromLatin1(s.decimals == 0   ? "1 - 999999"
                                         : s.decimals == 1 ? "0.1 - 99999.9"
                                         : s.decimals == 3 ? "0.001 - 999.999"
                                                           : "0.0001 - 99.9999"));
        }
    }

    // Parameters sit in non-volatile memory: a field left as it was is not written.
    void aFieldLeftUnchangedWritesNothingAndAnEditedOneWritesOnce()
    {
        bench.model().setValue32(68, 300);
        pollCycle();
        bench.host->clearLog();
        for (const char *name : {"EditPWROnzero", "EditSTABTime", "EditRZeroThr"}) {
            QTest::mouseClick(edit(name), Qt::LeftButton);
            QTRY_VERIFY(edit(name)->hasFocus());
            QTest::keyClick(edit(name), Qt::Key_Tab);
        }
        // Return on an unchanged text, and a text typed again as it was.
        typeEntry(edit("EditSTABTime"), QStringLiteral("300"));
        QCOMPARE(edit("EditSTABTime")->text(), QStringLiteral("300"));
        for (int address : {50, 68, 70})
            QCOMPARE(bench.requestsAt(address), 0);

        typeEntry(edit("EditSTABTime"), QStringLiteral("400"));
        QTest::mouseClick(edit("EditPWROnzero"), Qt::LeftButton);
        QCOMPARE(bench.writesTo(68).size(), 1);
        QCOMPARE(bench.model().value32(68), 400u);
        QCOMPARE(bench.requestsAt(50), 0);
    }

    // The fields take their limits from the catalogue: every value a field's
    // tooltip states must lie within them, or a stated value would be refused.
    void everyValueATooltipStatesIsWithinTheCatalogueLimits()
    {
        gsrt_CalPara.slot[CalDecimalSlot] = 0; // weight ranges as stated for no decimals
        DigSensors sensors;
        Application application;
        DataTrans data;
        QVector<ParamPage *> pages{page.get(), calPage.get(), &sensors, &application, &data};
        for (ParamPage *p : pages)
            p->refresh(true);
        // The comparison points' tooltips are set while their tab is the shown one.
        application.findChild<QTabWidget *>()->setCurrentIndex(2);
        application.refresh(true);
        const QRegularExpression stated(QStringLiteral("^\\s*([0-9.]+)\\s*-\\s*([0-9.]+)"));
        QStringList checked;
        for (const ParamRow &row : ParameterCatalogue()) {
            const QString name = QLatin1String(row.widget);
            QLineEdit *field = nullptr;
            for (ParamPage *p : pages) {
                if (!field)
                    field = p->findChild<QLineEdit *>(name);
            }
            if (!field || !field->validator())
                continue;
            const QRegularExpressionMatch m = stated.match(field->toolTip());
            if (!m.hasMatch())
                continue; // a field that states no range
            QVERIFY2(row.rawMin != 0 || row.rawMax != 0, qPrintable(name));
            const int digits = row.kind == ParamKind::Factor ? row.factorDigits : 0;
            const qint64 low = ScaleToRawText(m.captured(1), digits).toLongLong();
            const qint64 high = ScaleToRawText(m.captured(2), digits).toLongLong();
            QVERIFY2(row.rawMin <= low && high <= row.rawMax,
                     qPrintable(QStringLiteral("%1 states %2 - %3, limits %4 - %5")
                                    .arg(name)
                                    .arg(low)
                                    .arg(high)
                                    .arg(row.rawMin)
                                    .arg(row.rawMax)));
            checked << name;
        }
        // Basic 9 + threshold, calibration 3 + 4, comparison points 12, data
        // transmission 13 (ports, network, IP bytes, ticket gap), digital sensors 2 + 8.
        QCOMPARE(checked.size(), 10 + 7 + 12 + 13 + 10);
    }

    void keypadEnterAloneDoesNotArmASecondCommit()
    {
        typeEntry(edit("EditSTABRange"), QStringLiteral("7"));
        QCOMPARE(bench.writesTo(56).size(), 1);
        // Back into the field: focus arms one commit, a keypad Enter does not add one.
        typeEntry(edit("EditSTABRange"), QStringLiteral("8"), false);
        QTest::keyClick(edit("EditSTABRange"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(bench.writesTo(56).size(), 2);
        QTest::keyClick(edit("EditSTABRange"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(bench.writesTo(56).size(), 2);
        QCOMPARE(bench.model().value32(56), 8u);
    }

    void anEmptiedFieldGetsItsTextBackAndSendsNothing()
    {
        QLineEdit *zero = edit("EditZeroRange");
        QTest::mouseClick(zero, Qt::LeftButton);
        QTRY_VERIFY(zero->hasFocus());
        QTest::keyClick(zero, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(zero, Qt::Key_Backspace);
        QCOMPARE(zero->text(), QString());
        QTest::keyClick(zero, Qt::Key_Return);
        QCOMPARE(zero->text(), QStringLiteral("20"));
        QCOMPARE(bench.requestsAt(54), 0);
        QCOMPARE(bench.model().value32(54), 20u);
    }

    void theInputRuleAcceptsOnlySignedDecimals_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("second point refused") << "1.2.3"
                                              << "1.23";
        QTest::newRow("letters refused") << "abc"
                                         << "";
        QTest::newRow("plus refused") << "+5"
                                      << "5";
        QTest::newRow("negative") << "-7"
                                  << "-7";
        QTest::newRow("trailing point") << "7."
                                        << "7.";
        QTest::newRow("fraction") << "7.25"
                                  << "7.25";
        QTest::newRow("leading point refused") << ".5"
                                               << "5";
    }
    void theInputRuleAcceptsOnlySignedDecimals()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        gu32_PageIndex = 0; // nothing this test types may reach the instrument
        typeEntry(edit("EditAdv_Filter"), typed, false);
        QCOMPARE(edit("EditAdv_Filter")->text(), shown);
    }

    void theWheelNeverChangesAComboBox()
    {
        QComboBox *rate = combo("cBoxSampleRate");
        const int before = rate->currentIndex();
        turnWheel(rate, -1);
        turnWheel(rate, 2);
        rate->view();
        turnWheel(rate->view(), -1);
        QCOMPARE(rate->currentIndex(), before);
        QCOMPARE(bench.requestsAt(62), 0);
    }

    void aWeightFieldScalesByTheDecimalSetting()
    {
        QCOMPARE(bench.model().value32(102), 2u);
        typeEntry(edit("EditRZeroThr"), QStringLiteral("3.5"));
        QCOMPARE(bench.model().value32(70), 350u);
        pollCycle();
        QCOMPARE(edit("EditRZeroThr")->text(), QStringLiteral("3.50"));

        bench.model().setValue32(102, 3);
        bench.model().setValue32(70, 1500);
        pollCycle();
        pollCycle();
        QCOMPARE(edit("EditRZeroThr")->text(), QStringLiteral("1.500"));
        QCOMPARE(edit("EditRZeroThr")->toolTip(), QStringLiteral("0.001 - 999.999"));
        typeEntry(edit("EditRZeroThr"), QStringLiteral("2.25"));
        QCOMPARE(bench.model().value32(70), 2250u);
    }

    void largeEntriesAreWrittenExactly()
    {
        bench.model().setValue32(102, 0);
        pollCycle();
        pollCycle();
        typeEntry(edit("EditRZeroThr"), QStringLiteral("999999"));
        QCOMPARE(bench.model().value32(70), 999999u);
        // Beyond the field's range nothing is written, however exactly it would be.
        typeEntry(edit("EditRZeroThr"), QStringLiteral("16777217"));
        QCOMPARE(bench.model().value32(70), 999999u);
        typeEntry(edit("EditSTABTime"), QStringLiteral("123.9"));
        QCOMPARE(bench.model().value32(68), 123u);
    }

    // The live groups bring a new decimal or unit setting before the page's groups:
    // both pages redraw in that same cycle, each keeping its own record of what it
    // last showed.
    void aDecimalChangeRedrawsEveryWeightFieldAndTooltip()
    {
        bench.model().setValue32(70, 150);
        pollCycle();
        QCOMPARE(edit("EditRZeroThr")->text(), QStringLiteral("1.50"));
        QCOMPARE(edit("EditRZeroThr")->toolTip(), QStringLiteral("0.01 - 9999.99"));

        bench.model().setValue32(102, 1);
        pollCycle();
        QCOMPARE(edit("EditRZeroThr")->text(), QStringLiteral("15.0"));
        QCOMPARE(edit("EditRZeroThr")->toolTip(), QStringLiteral("0.1 - 99999.9"));
        QCOMPARE(child<QLineEdit>(calPage.get(), "EditFullScale")->text(),
                 QStringLiteral("100000.0"));

        bench.model().setValue32(100, 3);
        pollCycle();
        QCOMPARE(child<QLabel>(page.get(), "LabRZeroThrUnit")->text(), QStringLiteral("lb"));
        QCOMPARE(child<QLabel>(calPage.get(), "LabWCPUnit_1")->text(), QStringLiteral("lb"));
    }

    void aPollLeavesAFieldBeingTypedInAlone()
    {
        typeEntry(edit("EditDigit_Filter"), QStringLiteral("9"), false);
        pollCycle();
        QCOMPARE(edit("EditDigit_Filter")->text(), QStringLiteral("9"));
        bench.model().setValue32(58, 4);
        pollCycle();
        QCOMPARE(edit("EditDigit_Filter")->text(), QStringLiteral("4"));
    }

    void aComboItemWritesItsIndexOnEveryActivation()
    {
        QComboBox *rate = combo("cBoxSampleRate");
        chooseItem(rate, QStringLiteral("960"));
        QCOMPARE(bench.model().value32(62), 5u);
        QCOMPARE(bench.writesTo(62).size(), 1);
        QCOMPARE(bench.writesTo(62)[0].values, pairWords(5, 0));
        QVERIFY(rate->hasFocus());

        chooseItem(rate, QStringLiteral("960"));
        QCOMPARE(bench.writesTo(62).size(), 2);
        QCOMPARE(bench.model().value32(62), 5u);

        chooseItem(combo("cBoxRZeroSW"), QStringLiteral("ON"));
        QCOMPARE(bench.model().value32(74), 1u);
    }

    void aRefusedComboWriteReturnsToThePreviousItem()
    {
        bench.model().setReg(9302, 0);
        chooseItem(combo("cBoxTareRecord"), QStringLiteral("ON"));
        QCOMPARE(bench.model().value32(64), 0u);
        QCOMPARE(combo("cBoxTareRecord")->currentIndex(), 0);
    }

    void bannersFollowTheirOwnRemoteEditSwitch()
    {
        QWidget *basicBanner = child<QWidget>(page.get(), "widget_top");
        QWidget *calBanner = child<QWidget>(calPage.get(), "widget_top");
        calPage->refresh(true);
        QVERIFY(basicBanner->isHidden());
        QVERIFY(calBanner->isHidden());

        bench.model().setReg(9302, 0);
        pollCycle();
        QVERIFY(!basicBanner->isHidden());
        QTRY_COMPARE(basicBanner->height(), 60);
        QCOMPARE(child<QLabel>(page.get(), "label_RemoteTip")->text(),
                 QStringLiteral("Application remote editing disabled, remote modification of "
                                "calibration parameters prohibited!"));
        QVERIFY(calBanner->isHidden());

        bench.model().setReg(9301, 0);
        pollCycle();
        QVERIFY(!calBanner->isHidden());
        QCOMPARE(child<QLabel>(calPage.get(), "label_RemoteTip")->text(),
                 QStringLiteral("Calibration remote editing disabled, remote modification of "
                                "calibration parameters prohibited!"));

        bench.model().setReg(9301, 1);
        bench.model().setReg(9302, 1);
        pollCycle();
        QVERIFY(basicBanner->isHidden());
        QVERIFY(calBanner->isHidden());
        QCOMPARE(child<QLabel>(page.get(), "label_RemoteTip")->text(), QString());
    }

    void theSampleFilterPanelWrapsBelowNarrowWidths()
    {
        QWidget *sample = child<QWidget>(page.get(), "widget_Sample_Filter");
        const int x = child<QWidget>(page.get(), "widget_Stab_TrZero")->x();
        page->adaptWidth(x + 780);
        QCOMPARE(sample->pos(), QPoint(10, 365));
        page->adaptWidth(x + 781);
        QCOMPARE(sample->pos(), QPoint(x + 360, 10));
        QWidget *contents = child<QWidget>(page.get(), "scrollAreaWidgetContents");
        QCOMPARE(contents->minimumWidth(), x + 781);
        QCOMPARE(contents->maximumWidth(), x + 781);
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
