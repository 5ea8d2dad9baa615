// The weight and calibration page against the simulated instrument: the
// calibration weights the page keeps, the fixed-factor fields, the division
// combo boxes, the two display modes, zero capture, refused writes and the
// width adaptation.
#include "pagefixture.h"
#include "weightcal.h"

#include <QLabel>
#include <QPushButton>

using namespace pagetest;

class TestCalPage : public QObject
{
    Q_OBJECT

private:
    Bench bench;
    PollCycle poll;
    std::unique_ptr<WeightCal> page;

    QLineEdit *edit(const char *name) { return child<QLineEdit>(page.get(), name); }
    QComboBox *combo(const char *name) { return child<QComboBox>(page.get(), name); }
    QLabel *label(const char *name) { return child<QLabel>(page.get(), name); }
    QLineEdit *calPoint(int n)
    {
        return edit(QByteArray("EditWeightCp" + QByteArray::number(n)).constData());
    }
    QStringList calPointTexts()
    {
        QStringList texts;
        for (int n = 1; n <= WeightCal::CalPoints; ++n)
            texts << calPoint(n)->text();
        return texts;
    }

    // One poll cycle while this page is shown: the live groups, groups 5 and 2,
    // then the refresh.
    void pollCycle() { QVERIFY(poll.run()); }

private slots:
    void initTestCase() { QVERIFY(bench.start()); }

    void init()
    {
        bench.reset();
        // the page's own bookkeeping: every calibration point is taken
        bench.model().setTakesEveryPoint(true);
        gu32_PageIndex = 2;
        gu8_DigSensorsType = 0;
        calPointsResetPending = false;
        page = std::make_unique<WeightCal>();
        poll.routine.setPage(2, page.get());
        page->resize(1150, 800);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        QVERIFY(readGroups({5, 2}));
        page->enterPage();
        bench.host->clearLog();
    }

    void cleanup() { page.reset(); }

    void enteringThePageShowsEveryFieldInItsFormat()
    {
        page->enterPage();
        QCOMPARE(combo("cBoxUnit")->currentText(), QStringLiteral("kg"));
        QCOMPARE(combo("cBoxDecimal")->currentText(), QStringLiteral("0.00"));
        QCOMPARE(combo("cBoxDivision")->currentText(), QStringLiteral("d = 1"));
        QCOMPARE(edit("EditFullScale")->text(), QStringLiteral("10000.00"));
        QCOMPARE(edit("EditFullScale")->toolTip(), QStringLiteral("0 - 9999.99"));
        QCOMPARE(edit("EditManualZero")->text(), QStringLiteral("0.1500"));
        QCOMPARE(edit("EditLcMv")->text(), QStringLiteral("2.0000"));
        QCOMPARE(edit("EditLcCapacity")->text(), QStringLiteral("10000"));
        QCOMPARE(edit("EditCorrectCoef")->text(), QStringLiteral("1.00000"));
        QCOMPARE(calPointTexts(), (QStringList{"0.00", "0.00", "0.00", "0.00", "0.00"}));
        QCOMPARE(label("LabWeightCP_1")->text(), QStringLiteral("0.0000"));
        for (const char *unit : {"label_FullScaleUnit", "label_FullScaleUnit_3", "LabWCPUnit_5"})
            QCOMPARE(label(unit)->text(), QStringLiteral("kg"));
    }

    void aFirstPointWrittenClearsTheLaterPoints()
    {
        typeEntry(calPoint(3), QStringLiteral("55"));
        QCOMPARE(bench.model().value32(116), 5500u);
        QCOMPARE(calPoint(3)->text(), QStringLiteral("55.00"));

        typeEntry(calPoint(1), QStringLiteral("100"));
        QCOMPARE(bench.model().value32(112), 10000u);
        QCOMPARE(calPointTexts(), (QStringList{"100.00", "0.00", "0.00", "0.00", "0.00"}));
        pollCycle();
        QCOMPARE(calPointTexts(), (QStringList{"100.00", "0.00", "0.00", "0.00", "0.00"}));
    }

    // A calibration weight entered again calibrates that point again at the present
    // load; a value field left as it was is not written.
    void theSameCalibrationWeightAgainIsWrittenButUnchangedValuesAreNot()
    {
        typeEntry(calPoint(2), QStringLiteral("50"));
        QCOMPARE(calPoint(2)->text(), QStringLiteral("50.00"));
        typeEntry(calPoint(2), QStringLiteral("50.00"));
        QCOMPARE(bench.writesTo(114).size(), 2);
        QTest::mouseClick(calPoint(2), Qt::LeftButton);
        QTRY_VERIFY(calPoint(2)->hasFocus());
        QTest::keyClick(calPoint(2), Qt::Key_Return);
        QCOMPARE(bench.writesTo(114).size(), 3);

        const QString fullScale = edit("EditFullScale")->text();
        typeEntry(edit("EditFullScale"), fullScale);
        QTest::mouseClick(edit("EditLcCapacity"), Qt::LeftButton);
        QTRY_VERIFY(edit("EditLcCapacity")->hasFocus());
        QTest::keyClick(edit("EditLcCapacity"), Qt::Key_Tab);
        QCOMPARE(bench.requestsAt(106), 0);
        QCOMPARE(bench.requestsAt(124), 0);
    }

    void aRefusedCalibrationWriteChangesNothing()
    {
        typeEntry(calPoint(1), QStringLiteral("100"));
        typeEntry(calPoint(3), QStringLiteral("7"));
        QCOMPARE(calPointTexts(), (QStringList{"100.00", "0.00", "7.00", "0.00", "0.00"}));

        bench.model().setReg(9301, 0);
        typeEntry(calPoint(3), QStringLiteral("8"));
        QCOMPARE(bench.writesTo(116).last().exception, 4);
        QCOMPARE(bench.model().value32(116), 700u);
        QCOMPARE(calPointTexts(), (QStringList{"100.00", "0.00", "7.00", "0.00", "0.00"}));

        typeEntry(edit("EditFullScale"), QStringLiteral("12"));
        QCOMPARE(edit("EditFullScale")->text(), QStringLiteral("10000.00"));
        QCOMPARE(bench.model().value32(106), 1000000u);

        // The texts kept are still the ones the decimal setting redraws.
        bench.model().setReg(9301, 1);
        bench.model().setValue32(102, 1);
        pollCycle();
        QCOMPARE(calPointTexts(), (QStringList{"1000.0", "0.0", "70.0", "0.0", "0.0"}));
    }

    void aDecimalChangeRedrawsCalibrationWeightsAndRanges()
    {
        typeEntry(calPoint(1), QStringLiteral("100"));
        bench.model().setValue32(102, 1);
        pollCycle();
        QCOMPARE(calPoint(1)->text(), QStringLiteral("1000.0"));
        QCOMPARE(edit("EditFullScale")->text(), QStringLiteral("100000.0"));
        QCOMPARE(edit("EditFullScale_2")->toolTip(), QStringLiteral("0 - 99999.9"));
        typeEntry(calPoint(2), QStringLiteral("2.5"));
        QCOMPARE(bench.model().value32(114), 25u);
    }

    void fixedFactorFieldsWriteExactProducts()
    {
        typeEntry(edit("EditManualZero"), QStringLiteral("1.2345"));
        QCOMPARE(bench.model().value32(110), 12345u);
        typeEntry(edit("EditCorrectCoef"), QStringLiteral("9.99999"));
        QCOMPARE(bench.model().value32(128), 999999u);
        // 10 is beyond the stated 0.00001 - 9.99999: refused, nothing written.
        typeEntry(edit("EditCorrectCoef"), QStringLiteral("10"));
        QCOMPARE(bench.model().value32(128), 999999u);
        QCOMPARE(bench.writesTo(128).size(), 1);
        // Six significant digits, then the fraction is dropped: 19999.5 writes 19999.
        typeEntry(edit("EditLcMv"), QStringLiteral("1.99995"));
        QCOMPARE(bench.model().value32(122), 19999u);
        typeEntry(edit("EditLcCapacity"), QStringLiteral("3000"));
        QCOMPARE(bench.model().value32(124), 3000u);

        bench.model().setValue32(110, 54321);
        pollCycle();
        QCOMPARE(edit("EditManualZero")->text(), QStringLiteral("5.4321"));
        QCOMPARE(edit("EditCorrectCoef")->text(), QStringLiteral("9.99999"));
    }

    void divisionBoxesCarryTheDivisionValue()
    {
        chooseItem(combo("cBoxDivision"), QStringLiteral("d = 20"));
        QCOMPARE(bench.model().value32(104), 20u);
        chooseItem(combo("cBoxDivision_3"), QStringLiteral("d = 50"));
        QCOMPARE(bench.model().value32(134), 50u);
        chooseItem(combo("cBoxUnit"), QStringLiteral("lb"));
        QCOMPARE(bench.model().value32(100), 3u);

        bench.model().setValue32(130, 10);
        pollCycle();
        QCOMPARE(combo("cBoxDivision_2")->currentText(), QStringLiteral("d = 10"));
        QCOMPARE(combo("cBoxDivision")->currentText(), QStringLiteral("d = 20"));
        bench.model().setValue32(130, 3);
        pollCycle();
        QCOMPARE(combo("cBoxDivision_2")->currentText(), QStringLiteral("d = 10"));
    }

    void theSensorTypeSwitchesTheRows()
    {
        gsrt_CalPara.slot[6] = 123456;
        gsrt_CalPara.slot[4] = 777;
        page->refresh(false);
        const char *analogRows[] = {"label_EditkeyInmv", "EditManualZero", "EditManualZeroUnit",
                                    "label_LCmV",        "EditLcMv",       "label_LcCapacity",
                                    "EditLcCapacity"};
        const char *digitalRows[] = {"label_CalZero", "label_CalZeroMv_Wt", "label_ActMv_Wt"};
        auto shown = [this](const char *name) {
            return !child<QWidget>(page.get(), name)->isHidden();
        };
        for (const char *name : analogRows)
            QVERIFY2(shown(name), name);
        for (const char *name : digitalRows)
            QVERIFY2(!shown(name), name);
        QCOMPARE(label("label_MV1")->text(), QStringLiteral("mV"));
        QCOMPARE(label("LabWeightCP_1")->text(), QStringLiteral("12.3456"));

        gu8_DigSensorsType = 1;
        page->refresh(false);
        for (const char *name : analogRows)
            QVERIFY2(!shown(name), name);
        for (const char *name : digitalRows)
            QVERIFY2(shown(name), name);
        QVERIFY(!shown("label_SigngleSensorAD"));
        QVERIFY(!shown("label_SignleADLC"));
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(label(QByteArray("label_MV" + QByteArray::number(n)).constData())->text(),
                     QStringLiteral(" "));
        QCOMPARE(label("LabWeightCP_1")->text(), QStringLiteral("123456"));
        QCOMPARE(label("label_ActMv_Wt")->text(), QStringLiteral("777"));
        QCOMPARE(label("label_CalZeroMv_Wt")->text(), QString::number(gsrt_CalPara.slot[5]));

        gu8_DigSensorsType = 0;
        page->refresh(false);
        QCOMPARE(label("LabWeightCP_1")->text(), QStringLiteral("12.3456"));
        QVERIFY(shown("EditLcMv"));
    }

    void theZeroButtonWritesOneToTheCaptureRegister_data()
    {
        QTest::addColumn<bool>("takesFocus");
        QTest::newRow("button takes the focus") << true;
        QTest::newRow("button takes no focus") << false;
    }
    void theZeroButtonWritesOneToTheCaptureRegister()
    {
        QFETCH(bool, takesFocus);
        auto *zero = child<QPushButton>(page.get(), "BtnAutoZero");
        if (!takesFocus)
            zero->setFocusPolicy(Qt::NoFocus); // as on desktops where buttons keep no focus
        // The field clicked before must not receive the button's value.
        QTest::mouseClick(edit("EditFullScale"), Qt::LeftButton);
        QTRY_VERIFY(edit("EditFullScale")->hasFocus());
        bench.host->clearLog();
        QTest::mouseClick(zero, Qt::LeftButton);
        QCOMPARE(zero->hasFocus(), takesFocus);
        const auto writes = bench.writesTo(108);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].values, pairWords(1, 0));
        QCOMPARE(writes[0].exception, 0);
        QCOMPARE(bench.model().value32(106), 1000000u);
    }

    void aCalibrationResetForgetsTheWeights()
    {
        typeEntry(calPoint(1), QStringLiteral("100"));
        typeEntry(calPoint(2), QStringLiteral("200"));
        calPointsResetPending = true;
        pollCycle();
        QVERIFY(!calPointsResetPending);
        QCOMPARE(calPointTexts(), (QStringList{"0.00", "0.00", "0.00", "0.00", "0.00"}));
    }

    void thePanelsRearrangeAtThreeWidths()
    {
        const int x = child<QWidget>(page.get(), "widget_CALWeight")->x();
        QWidget *theory = child<QWidget>(page.get(), "widget_TheoryCal");
        QWidget *correct = child<QWidget>(page.get(), "widget_CalCorrect");
        page->adaptWidth(x + 780);
        QCOMPARE(theory->pos(), QPoint(10, 365));
        QCOMPARE(correct->pos(), QPoint(370, 365));
        page->adaptWidth(x + 781);
        QCOMPARE(theory->pos(), QPoint(x + 360, 10));
        QCOMPARE(correct->pos(), QPoint(10, 365));
        page->adaptWidth(x + 1140);
        QCOMPARE(correct->pos(), QPoint(10, 365));
        page->adaptWidth(x + 1141);
        QCOMPARE(theory->pos(), QPoint(x + 360, 10));
        QCOMPARE(correct->pos(), QPoint(x + 720, 10));
        QWidget *contents = child<QWidget>(page.get(), "scrollAreaWidgetContents");
        QCOMPARE(contents->maximumWidth(), x + 1141);
    }

    // Every unit the instrument knows has its item, after the first four, so the
    // index written is the unit number.
    void theUnitBoxOffersEveryUnit()
    {
        QComboBox *unit = combo("cBoxUnit");
        QCOMPARE(itemTexts(unit), (QStringList{"t", "kg", "g", "lb", "KN", "N"}));

        bench.model().setValue32(100, 5);
        pollCycle();
        QCOMPARE(unit->currentText(), QStringLiteral("N"));
        QCOMPARE(label("label_FullScaleUnit")->text(), QStringLiteral("N"));
        QCOMPARE(label("LabWCPUnit_5")->text(), QStringLiteral("N"));

        chooseItem(unit, QStringLiteral("KN"));
        QCOMPARE(bench.model().value32(100), 4u);
        pollCycle();
        QCOMPARE(unit->currentText(), QStringLiteral("KN"));
        QCOMPARE(label("label_FullScaleUnit_3")->text(), QStringLiteral("KN"));
    }
};

QTEST_MAIN(TestCalPage)
#include "tst_calpage.moc"
