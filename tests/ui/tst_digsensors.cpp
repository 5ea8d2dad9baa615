// The digital-sensor page against the simulated instrument: the module count
// and what it shows, the corner factors, signed readings and unsigned addresses,
// the output way prefixes, the three procedures behind their confirmations, and
// the digital block's fixed word order on a CD-AB link.
#include "digsensors.h"
#include "pagefixture.h"

#include <QLabel>
#include <QPushButton>

using namespace pagetest;

namespace {

QByteArray numbered(const char *prefix, int n)
{
    return QByteArray(prefix) + QByteArray::number(n);
}

} // namespace

class TestDigSensors : public QObject
{
    Q_OBJECT

private:
    Bench bench;
    PollCycle poll;
    std::unique_ptr<DigSensors> page;

    QLineEdit *edit(const QByteArray &name) { return child<QLineEdit>(page.get(), name); }
    QComboBox *combo(const char *name) { return child<QComboBox>(page.get(), name); }
    QLabel *label(const QByteArray &name) { return child<QLabel>(page.get(), name); }
    QPushButton *button(const char *name) { return child<QPushButton>(page.get(), name); }
    QLineEdit *corner(int n) { return edit(numbered("EditAngleDif", n)); }
    bool shown(const QByteArray &name) { return !child<QWidget>(page.get(), name)->isHidden(); }

    // One poll cycle while this page is shown: group 17, then the refresh.
    // One poll cycle of the main window while this page is shown.
    void pollCycle() { QVERIFY(poll.run()); }

private slots:
    void initTestCase() { QVERIFY(bench.start()); }

    void init()
    {
        bench.reset();
        gu32_PageIndex = 6;
        bench.model().setValue32(640, 8);
        page = std::make_unique<DigSensors>();
        poll.routine.setPage(6, page.get());
        page->resize(1150, 800);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        QVERIFY(readGroups({17}));
        page->enterPage();
        bench.host->clearLog();
    }

    void cleanup() { page.reset(); }

    void theFormCarriesItsItemsTextsAndTooltips()
    {
        const QStringList outWays = {"AD OutWay", "Wt OutWay"};
        const QStringList accuracies = {"1", "0.1", "0.01"};
        const QStringList filters = {"Low Filter", "Mid Filter", "High Filter"};
        const std::pair<const char *, QStringList> boxes[] = {{"RemotoOutWay", outWays},
                                                              {"RemotoAccuracy", accuracies},
                                                              {"RemotoSetFilter", filters}};
        for (const auto &box : boxes) {
            QStringList items;
            for (int i = 0; i < combo(box.first)->count(); ++i)
                items << combo(box.first)->itemText(i);
            QCOMPARE(items, box.second);
        }
        QCOMPARE(edit("EditModuleNum")->toolTip(), QStringLiteral("1 - 8"));
        QCOMPARE(edit("EditSendTime")->toolTip(), QStringLiteral("20 - 100ms"));
        for (int n = 1; n <= 8; ++n) {
            QCOMPARE(corner(n)->toolTip(), QStringLiteral("0.00001 - 8.00000"));
            QCOMPARE(label(numbered("label_AngleDif", n))->text(),
                     QStringLiteral("Angle Differe %1:").arg(n));
        }
        QCOMPARE(button("BtnSearchSen")->text(), QStringLiteral("Search"));
        QCOMPARE(button("BtnAngleFix")->text(), QStringLiteral("Fix?"));
        QCOMPARE(button("BtnAngleReset")->text(), QStringLiteral("Reset?"));
        // The page never shows the remote-edit banner.
        QVERIFY(!shown("widget_top"));
        DigSensors fresh;
        QCOMPARE(child<QLineEdit>(&fresh, "EditModuleNum")->text(), QStringLiteral("8"));
        QCOMPARE(child<QLineEdit>(&fresh, "EditSendTime")->text(), QStringLiteral("20"));
        QCOMPARE(child<QLineEdit>(&fresh, "EditAngleDif8")->text(), QStringLiteral("1.00000"));
        QCOMPARE(child<QLabel>(&fresh, "label_SensorAdd8")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLabel>(&fresh, "label_SensorAD8")->text(), QString());
    }

    void moduleCountThreeShowsThreeSensorsButFillsAllEight()
    {
        for (int n = 1; n <= 8; ++n)
            bench.model().setValue32(642 + 2 * (n - 1), quint32(20 + n));
        bench.model().setValue32(640, 3);
        bench.model().setValue32(664, 123); // corner 4, not present
        QVERIFY(readGroups({17}));
        // The readings move all the time: they come as a register image of group 5.
        QVector<quint16> readings(18, 0);
        for (int n = 1; n <= 8; ++n)
            readings[2 * n + 1] = quint16(1000 + n);
        StoreGroup(5, 0, readings.constData());
        page->refresh(false);
        QCOMPARE(edit("EditModuleNum")->text(), QStringLiteral("3"));
        for (int n = 1; n <= 8; ++n) {
            QCOMPARE(shown(numbered("Widget_AD", n)), n <= 3);
            QCOMPARE(shown(numbered("EditAngleDif", n)), n <= 3);
            QCOMPARE(shown(numbered("label_AngleDif", n)), n <= 3);
            QCOMPARE(label(numbered("label_SensorAD", n))->text(), QString::number(1000 + n));
            QCOMPARE(label(numbered("label_SensorAdd", n))->text(), QString::number(20 + n));
        }
        QCOMPARE(corner(4)->text(), QStringLiteral("1.00000"));

        // A fourth module appears: its corner factor is shown from then on.
        bench.model().setValue32(640, 4);
        pollCycle();
        QVERIFY(shown("Widget_AD4"));
        QCOMPARE(corner(4)->text(), QStringLiteral("0.00123"));
    }

    // An entry typed into a corner whose module goes away before it is committed
    // (a poll reports fewer modules and the field hides) sends nothing, however
    // the entry ends; the corners still present take entries as before.
    void aCornerEntryAcrossAModuleCountDropSendsNothing_data()
    {
        QTest::addColumn<bool>("pressReturn");
        QTest::newRow("committed by hiding") << false;
        QTest::newRow("Return after hiding") << true;
    }
    void aCornerEntryAcrossAModuleCountDropSendsNothing()
    {
        QFETCH(bool, pressReturn);
        bench.model().setValue32(640, 4);
        pollCycle();
        QVERIFY(shown("EditAngleDif4"));
        QTest::mouseClick(corner(4), Qt::LeftButton);
        corner(4)->selectAll();
        QTest::keyClicks(corner(4), QStringLiteral("0.5"));
        bench.model().setValue32(640, 3);
        pollCycle();
        QVERIFY(!shown("EditAngleDif4"));
        if (pressReturn)
            QTest::keyClick(corner(4), Qt::Key_Return);
        QTest::mouseClick(edit("EditSendTime"), Qt::LeftButton);
        pollCycle();
        QVERIFY(bench.writesTo(664).isEmpty());
        QCOMPARE(bench.model().value32(664), 100000u);
        typeEntry(corner(3), QStringLiteral("0.5"));
        QCOMPARE(bench.model().value32(662), 50000u);
    }

    void aModuleCountOutsideOneToEight()
    {
        bench.model().setValue32(640, 12);
        pollCycle();
        QCOMPARE(edit("EditModuleNum")->text(), QStringLiteral("12"));
        for (int n = 1; n <= 8; ++n) {
            QVERIFY(shown(numbered("Widget_AD", n)));
            QVERIFY(shown(numbered("EditAngleDif", n)));
        }
        // The corner correction asks for the eight corners there are texts for.
        QList<DialogScript::Answer> yes;
        for (int n = 0; n < 9; ++n)
            yes.append({true});
        DialogScript answers(yes);
        QTest::mouseClick(button("BtnAngleFix"), Qt::LeftButton);
        QCOMPARE(answers.seen.size(), 8);
        QCOMPARE(answers.seen.last().message,
                 QStringLiteral("Confirmation after pressing corner 8"));
        QCOMPARE(answers.unexpected, 0);
        QCOMPARE(bench.writesTo(724).size(), 8);

        bench.model().setValue32(640, 0xFFFFFFFFu);
        pollCycle();
        QCOMPARE(edit("EditModuleNum")->text(), QStringLiteral("-1"));
        for (int n = 1; n <= 8; ++n)
            QVERIFY(!shown(numbered("Widget_AD", n)));
    }

    void cornerEntriesAreScaledByAHundredThousand_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<quint32>("sent");
        QTest::newRow("smallest factor") << "0.00001" << 1u;
        QTest::newRow("largest factor") << "8" << 800000u;
        // (1.00000, the nominal factor, is what the field shows: typing it again writes nothing.)
        QTest::newRow("above nominal") << "1.10000" << 110000u;
        QTest::newRow("half") << "0.5" << 50000u;
        QTest::newRow("emptied field") << "" << 0u;
    }
    void cornerEntriesAreScaledByAHundredThousand()
    {
        QFETCH(QString, typed);
        QFETCH(quint32, sent);
        typeEntry(corner(2), typed);
        const auto writes = bench.writesTo(660);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].values, pairWords(sent, 0));
        QCOMPARE(bench.model().value32(660), sent);
        // Leaving the field afterwards sends nothing more.
        QTest::mouseClick(edit("EditSendTime"), Qt::LeftButton);
        QCOMPARE(bench.writesTo(660).size(), 1);
    }

    void emptiedCountAndSendTimeFieldsComeBack()
    {
        typeEntry(edit("EditSendTime"), QString());
        QCOMPARE(edit("EditSendTime")->text(), QStringLiteral("100"));
        typeEntry(edit("EditModuleNum"), QString());
        QCOMPARE(edit("EditModuleNum")->text(), QStringLiteral("8"));
        QVERIFY(bench.writesTo(676).isEmpty());
        QVERIFY(bench.writesTo(640).isEmpty());
        typeEntry(edit("EditSendTime"), QStringLiteral("50"));
        QCOMPARE(bench.model().value32(676), 50u);
    }

    void factorsReadingsAndAddressesAreShownByTheirKind()
    {
        // The instrument recomputes its readings all the time: the all-ones pairs
        // are given as the register image of group 17.
        QVector<quint16> block(82, 0);
        block[40 + 1] = 8;                      // module count
        block[58] = 0x0001, block[59] = 0xE240; // corner 1: 123456
        block[2] = block[3] = 0xFFFF;           // reading of sensor 1
        block[42] = block[43] = 0xFFFF;         // address of sensor 1
        StoreGroup(17, 1, block.constData());
        page->refresh(false);
        QCOMPARE(corner(1)->text(), QStringLiteral("1.23456"));
        QCOMPARE(label("label_SensorAD1")->text(), QStringLiteral("-1"));
        QCOMPARE(label("label_SensorAdd1")->text(), QStringLiteral("4294967295"));
    }

    void theOutputWayTurnsEveryPrefix()
    {
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(label(numbered("label_AD_outway_", n))->text(), QStringLiteral("AD:"));
        bench.model().setValue32(674, 1);
        pollCycle();
        QCOMPARE(combo("RemotoOutWay")->currentIndex(), 1);
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(label(numbered("label_AD_outway_", n))->text(), QStringLiteral("Wt:"));
        bench.model().setValue32(674, 0);
        pollCycle();
        QCOMPARE(label("label_AD_outway_8")->text(), QStringLiteral("AD:"));
    }

    void comboBoxesWriteOnEveryActivationAndIgnoreTheWheel()
    {
        chooseItem(combo("RemotoSetFilter"), QStringLiteral("Mid Filter"));
        chooseItem(combo("RemotoSetFilter"), QStringLiteral("Mid Filter"));
        QCOMPARE(bench.writesTo(680).size(), 2);
        QCOMPARE(bench.model().value32(680), 1u);
        chooseItem(combo("RemotoAccuracy"), QStringLiteral("0.01"));
        QCOMPARE(bench.model().value32(678), 2u);
        chooseItem(combo("RemotoOutWay"), QStringLiteral("Wt OutWay"));
        QCOMPARE(bench.model().value32(674), 1u);

        bench.host->clearLog();
        turnWheel(combo("RemotoAccuracy"), -1);
        turnWheel(combo("RemotoAccuracy"), 1);
        QCOMPARE(combo("RemotoAccuracy")->currentIndex(), 2);
        QVERIFY(bench.host->requestLog().isEmpty());
    }

    void declinedCornerStopsTheCorrection()
    {
        DialogScript answers({{true}, {false}});
        QTest::mouseClick(button("BtnAngleFix"), Qt::LeftButton);
        QCOMPARE(answers.messages(), (QStringList{"Confirmation after pressing corner 1",
                                                  "Confirmation after pressing corner 2"}));
        QCOMPARE(answers.seen[0].title, QStringLiteral("Tip"));
        const auto writes = bench.writesTo(724);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].values, pairWords(1, 0));
    }

    void procedureButtonsWriteOneWhenConfirmed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("question");
        QTest::newRow("sensor search") << "BtnSearchSen" << 720 << "Search?";
        QTest::newRow("corner reset") << "BtnAngleReset" << 722 << "Reset?";
    }
    void procedureButtonsWriteOneWhenConfirmed()
    {
        QFETCH(QString, name);
        QFETCH(int, address);
        QFETCH(QString, question);
        QPushButton *start = button(name.toLatin1().constData());
        {
            DialogScript answers({{false}});
            QTest::mouseClick(start, Qt::LeftButton);
            QCOMPARE(answers.messages(), QStringList{question});
            QVERIFY(bench.writesTo(address).isEmpty());
        }
        // The field that had the focus before receives nothing.
        page->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), page.get());
        QTest::mouseClick(edit("EditSendTime"), Qt::LeftButton);
        QTRY_VERIFY(edit("EditSendTime")->hasFocus());
        DialogScript answers({{true}});
        QTest::mouseClick(start, Qt::LeftButton);
        const auto writes = bench.writesTo(address);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].values, pairWords(1, 0));
        QCOMPARE(writes[0].exception, 0);
        // Leaving the field committed its own text, not the button's start value.
        QCOMPARE(bench.model().value32(676), 100u);
    }

    void onACdAbLinkTheModuleCountArrivesAsTyped()
    {
        bench.reset(1);
        bench.model().setValue32(640, 8);
        QVERIFY(readGroups({17}));
        page->enterPage();
        typeEntry(edit("EditModuleNum"), QStringLiteral("3"));
        const auto writes = bench.writesTo(640);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].values, (QVector<quint16>{0, 3}));
        QCOMPARE(bench.model().value32(640), 3u);
        typeEntry(corner(1), QStringLiteral("0.5"));
        QCOMPARE(bench.writesTo(658)[0].values, (QVector<quint16>{0, 50000}));
        pollCycle();
        QCOMPARE(edit("EditModuleNum")->text(), QStringLiteral("3"));
        QCOMPARE(corner(1)->text(), QStringLiteral("0.50000"));
        QVERIFY(!shown("Widget_AD4"));
    }
};

QTEST_MAIN(TestDigSensors)
#include "tst_digsensors.moc"
