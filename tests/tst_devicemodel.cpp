// Store rules of every register group and the write-table lookup, on register
// images where each register holds a distinct value, so a wrong offset shows.
#include "devicemodel.h"
#include "paramcatalogue.h"
#include "valuebinding.h"

#include <QtTest>

#include <cstring>

namespace {

// Register i of the image holds 0x0100 + i: every pair (i, i+1) assembles to a
// value that names its offset.
QVector<quint16> image(int count)
{
    QVector<quint16> r(count);
    for (int i = 0; i < count; ++i)
        r[i] = quint16(0x0100 + i);
    return r;
}

quint32 pairAt(int i, quint32 w)
{
    const quint32 a = 0x0100 + i, b = 0x0100 + i + 1;
    return w == 0 ? (a << 16 | b) : (b << 16 | a);
}

quint32 hiAt(int i)
{
    return pairAt(i, 0);
}

} // namespace

class TestDeviceModel : public QObject
{
    Q_OBJECT

private slots:
    void init() { ClearMirror(); }

    void groupTableHasEveryEntry()
    {
        const RegisterGroup expected[] = {{0, 38},     {100, 4},  {100, 38}, {674, 2},  {50, 26},
                                          {600, 18},   {150, 8},  {170, 12}, {190, 70}, {300, 96},
                                          {300, 54},   {360, 20}, {390, 6},  {460, 10}, {10000, 29},
                                          {10100, 28}, {520, 18}, {600, 82}};
        for (int g = 0; g < 18; ++g) {
            QCOMPARE(RegisterGroupTable[g].start, expected[g].start);
            QCOMPARE(RegisterGroupTable[g].count, expected[g].count);
        }
        QCOMPARE(RegisterGroupTable[18].start, quint16(210));
        QCOMPARE(RegisterGroupTable[24].start, quint16(222));
        QCOMPARE(RegisterGroupTable[25].start, quint16(8900));
        QCOMPARE(RegisterGroupTable[29].start, quint16(8901));
        QCOMPARE(RegisterGroupTable[32].start, quint16(8907));
        for (int g = 25; g < RegisterGroupCount; ++g)
            QCOMPARE(RegisterGroupTable[g].count, quint16(1));
        for (int g = 0; g < RegisterGroupCount; ++g)
            QVERIFY(RegisterGroupTable[g].count <= LargestGroupRegisters);
    }

    void parameterGroupsFollowTheWordOrder_data()
    {
        QTest::addColumn<quint32>("w");
        QTest::newRow("AB-CD") << 0u;
        QTest::newRow("CD-AB") << 1u;
    }
    void parameterGroupsFollowTheWordOrder()
    {
        QFETCH(quint32, w);
        const QVector<quint16> r = image(96);

        StoreGroup(0, w, r.constData());
        QCOMPARE(gsrt_LiveVal.slot[0], pairAt(0, w));
        QCOMPARE(gsrt_LiveVal.slot[1], 0x0102u);
        QCOMPARE(gsrt_LiveVal.slot[2], pairAt(4, w));
        QCOMPARE(gsrt_LiveVal.slot[3], 0u);
        QCOMPARE(gsrt_LiveVal.slot[7], pairAt(18, w));
        QCOMPARE(gsrt_LiveVal.slot[9], pairAt(22, w));
        QCOMPARE(gsrt_LiveVal.slot[10], pairAt(30, w));
        QCOMPARE(gsrt_LiveVal.slot[13], pairAt(36, w));

        StoreGroup(4, w, r.constData());
        for (int k = 0; k < 13; ++k)
            QCOMPARE(gsrt_BasicPara.slot[k], pairAt(2 * k, w));

        StoreGroup(6, w, r.constData());
        StoreGroup(7, w, r.constData());
        QCOMPARE(gsrt_AppPara.slot[3], pairAt(6, w));
        QCOMPARE(gsrt_AppPara.slot[4], pairAt(0, w));
        QCOMPARE(gsrt_AppPara.slot[9], pairAt(10, w));
        StoreGroup(8, w, r.constData());
        QCOMPARE(gsrt_AppPara.slot[10], pairAt(0, w));
        QCOMPARE(gsrt_AppPara.slot[14], pairAt(8, w));
        QCOMPARE(gsrt_AppPara.slot[15], pairAt(20, w));
        QCOMPARE(gsrt_AppPara.slot[29], pairAt(68, w));

        StoreGroup(10, w, r.constData());
        QCOMPARE(gsrt_ComPara.slot[6], pairAt(12, w));
        QCOMPARE(gsrt_ComPara.slot[7], pairAt(20, w));
        QCOMPARE(gsrt_ComPara.slot[20], pairAt(52, w));
        StoreGroup(11, w, r.constData());
        QCOMPARE(gsrt_ComPara.slot[21], pairAt(0, w));
        QCOMPARE(gsrt_ComPara.slot[30], pairAt(18, w));
        StoreGroup(12, w, r.constData());
        QCOMPARE(gsrt_ComPara.slot[33], pairAt(4, w));

        StoreGroup(16, w, r.constData());
        QCOMPARE(gsrt_SysPara.slot[2], pairAt(4, w));
        QCOMPARE(gsrt_SysPara.slot[3], pairAt(10, w));
        QCOMPARE(gsrt_SysPara.slot[6], pairAt(16, w));

        StoreGroup(15, w, r.constData());
        QCOMPARE(gsrt_SysInf.slot[27], 0x0100u);
        QCOMPARE(gsrt_SysInf.slot[32], 0x0105u);
        QCOMPARE(gsrt_SysInf.slot[CalibrationRemoteEditSlot], 0x0100u + 21);
        QCOMPARE(gsrt_SysInf.slot[ApplicationRemoteEditSlot], 0x0100u + 22);
        QCOMPARE(gsrt_SysInf.slot[35], pairAt(23, w));
        QCOMPARE(gsrt_SysInf.slot[36], 0x0100u + 25);
        QCOMPARE(gsrt_SysInf.slot[37], pairAt(26, w));
    }

    void fixedGroupsAreHighHalfFirstInEitherOrder_data()
    {
        parameterGroupsFollowTheWordOrder_data();
    }
    void fixedGroupsAreHighHalfFirstInEitherOrder()
    {
        QFETCH(quint32, w);
        const QVector<quint16> r = image(96);

        StoreGroup(17, w, r.constData());
        QCOMPARE(gsrt_DigPara.slot[0], hiAt(40));
        QCOMPARE(gsrt_DigPara.slot[1], hiAt(42));
        QCOMPARE(gsrt_DigPara.slot[8], hiAt(56));
        QCOMPARE(gsrt_DigPara.slot[9], hiAt(58));
        QCOMPARE(gsrt_DigPara.slot[16], hiAt(72));
        QCOMPARE(gsrt_DigPara.slot[17], hiAt(74));
        QCOMPARE(gsrt_DigPara.slot[19], hiAt(78));
        QCOMPARE(gsrt_DigPara.slot[20], 0u);
        QCOMPARE(gsrt_DigPara.slot[30], hiAt(2));
        QCOMPARE(gsrt_DigPara.slot[37], hiAt(16));
        QCOMPARE(gsrt_DigPara.slot[38], hiAt(80));

        ClearMirror();
        StoreGroup(5, w, r.constData());
        QCOMPARE(gsrt_DigPara.slot[30], hiAt(2));
        QCOMPARE(gsrt_DigPara.slot[37], hiAt(16));
        QCOMPARE(gsrt_DigPara.slot[0], 0u);

        StoreGroup(3, w, r.constData());
        QCOMPARE(gsrt_DigPara.slot[RemoteOutWaySlot], hiAt(0));

        StoreGroup(14, w, r.constData());
        QCOMPARE(gsrt_SysInf.slot[SoftVersionSlot], hiAt(0));
        QCOMPARE(gsrt_SysInf.slot[1], hiAt(2));
        QCOMPARE(gsrt_SysInf.slot[2], 0x0104u);
        QCOMPARE(gsrt_SysInf.slot[26], 0x0100u + 28);
    }

    void fixedRangesEndExactlyAtTheirBlocks_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("fixed");
        QTest::newRow("before the digital block") << 599 << false;
        QTest::newRow("first digital register") << 600 << true;
        QTest::newRow("module count") << 640 << true;
        QTest::newRow("remote filter") << 680 << true;
        QTest::newRow("last digital register") << 681 << true;
        QTest::newRow("after the digital block") << 682 << false;
        QTest::newRow("sensor search command") << 720 << false;
        QTest::newRow("before the version") << 9999 << false;
        QTest::newRow("version") << 10000 << true;
        QTest::newRow("compile date") << 10002 << true;
        QTest::newRow("last date register") << 10003 << true;
        QTest::newRow("serial number") << 10004 << false;
        QTest::newRow("instrument id") << 10123 << false;
        QTest::newRow("zero range") << 54 << false;
    }
    void fixedRangesEndExactlyAtTheirBlocks()
    {
        QFETCH(int, address);
        QFETCH(bool, fixed);
        QCOMPARE(WordOrderAt(address, 0), 0u);
        QCOMPARE(WordOrderAt(address, 1), fixed ? 0u : 1u);
    }

    void outOfRangeUnitAndDecimalKeepTheLastGoodValue()
    {
        QVector<quint16> r(38, 0);
        r[1] = 3; // unit lb
        r[3] = 2; // two decimals
        r[5] = 50;
        StoreGroup(2, 0, r.constData());
        QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], 3u);
        QCOMPARE(gsrt_CalPara.slot[CalDecimalSlot], 2u);
        QCOMPARE(gsrt_CalPara.slot[2], 50u);

        r[1] = 7;
        r[3] = 9;
        r[5] = 5;
        StoreGroup(1, 0, r.constData());
        QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], 3u);
        QCOMPARE(gsrt_CalPara.slot[CalDecimalSlot], 2u);
        StoreGroup(2, 0, r.constData());
        QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], 3u);
        QCOMPARE(gsrt_CalPara.slot[CalDecimalSlot], 2u);
        QCOMPARE(gsrt_CalPara.slot[2], 5u);

        // A large value in the high half is out of range too, not just the low register.
        r[0] = 1;
        r[1] = 1;
        StoreGroup(1, 0, r.constData());
        QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], 3u);
        // The same registers under both orders: only CD-AB makes 1 a valid unit.
        r[0] = 1;
        r[1] = 0;
        r[2] = 4;
        r[3] = 9;
        StoreGroup(1, 0, r.constData());
        QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], 3u);
        QCOMPARE(gsrt_CalPara.slot[CalDecimalSlot], 2u);
        StoreGroup(1, 1, r.constData());
        QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], 1u);
        QCOMPARE(gsrt_CalPara.slot[CalDecimalSlot], 2u);
    }

    // Every unit 0 to 5 ("t" to "N") is stored; decimals stop at 4, units at 5.
    void unitsUpToNewtonsAreStoredAndDecimalsStopAtFour()
    {
        QVector<quint16> r(38, 0);
        r[3] = 2;
        for (quint16 unit = 0; unit <= 5; ++unit) {
            r[1] = unit;
            StoreGroup(unit % 2 ? 1 : 2, 0, r.constData());
            QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], quint32(unit));
        }
        r[1] = 6;
        r[3] = 5;
        StoreGroup(1, 0, r.constData());
        StoreGroup(2, 0, r.constData());
        QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], 5u);
        QCOMPARE(gsrt_CalPara.slot[CalDecimalSlot], 2u);
        QCOMPARE(UnitName(4), QStringLiteral("KN"));
        QCOMPARE(UnitName(5), QStringLiteral("N"));
    }

    void analogOutputKeepsTheLow16Bits()
    {
        QVector<quint16> r(10, 0);
        r[0] = 0x0001;
        r[1] = 0x2345;
        r[8] = 0xFFFF;
        r[9] = 0x0007;
        StoreGroup(13, 0, r.constData());
        QCOMPARE(gsrt_ComPara.analog[0], quint16(0x2345));
        QCOMPARE(gsrt_ComPara.analog[4], quint16(0x0007));
        StoreGroup(13, 1, r.constData());
        QCOMPARE(gsrt_ComPara.analog[0], quint16(0x0001));
        QCOMPARE(gsrt_ComPara.analog[4], quint16(0xFFFF));
    }

    void groupsWithoutRuleStoreNothing()
    {
        const QVector<quint16> r = image(96);
        for (int g : {9, 18, 24, 25, 32, 33, -1})
            StoreGroup(g, 0, r.constData());
        const ComParaRecord untouched;
        QCOMPARE(std::memcmp(&gsrt_ComPara, &untouched, sizeof(ComParaRecord)), 0);
        QCOMPARE(gsrt_AppPara.slot[15], 0u);
    }

    void writeTablesFollowTheCatalogue()
    {
        QCOMPARE(PageWidgetNames(1, 0).size(), 13);
        QCOMPARE(PageWidgetNames(2, 0).size(), 19);
        QCOMPARE(PageWidgetNames(3, 6).size(), 4);
        QCOMPARE(PageWidgetNames(3, 7).size(), 6);
        QCOMPARE(PageWidgetNames(3, 8).size(), 20);
        QCOMPARE(PageWidgetNames(4, 0).size(), 39);
        QCOMPARE(PageWidgetNames(5, 0).size(), 6);
        QCOMPARE(PageWidgetNames(6, 0).size(), 32);
        QCOMPARE(PageWidgetNames(6, 0).at(29), QStringLiteral("RemotoOutWay"));
        QCOMPARE(PageRegisterTable(6, 0).at(29).address, quint16(674));
        QCOMPARE(PageWidgetNames(4, 0).at(14), QStringLiteral("EditComID_3"));
        QCOMPARE(PageRegisterTable(4, 0).at(14).address, quint16(340));
        QCOMPARE(PageRegisterTable(3, 8).at(19).address, quint16(258));
        QCOMPARE(PageRegisterTable(3, 8).at(5).address, quint16(210));
    }

    void lookupIsByPageOnScreenAndTab()
    {
        const ParamRow *row = FindWriteRow(1, 6, QStringLiteral("EditZeroRange"));
        QVERIFY(row);
        QCOMPARE(row->address, quint16(54));
        QCOMPARE(row->count, quint8(2));

        row = FindWriteRow(5, 6, QStringLiteral("cBoxNCalRemoteEdit"));
        QVERIFY(row);
        QCOMPARE(row->address, quint16(9302));
        QCOMPARE(row->count, quint8(1));

        row = FindWriteRow(3, 8, QStringLiteral("Edit_CompVal2_3"));
        QVERIFY(row);
        QCOMPARE(row->address, quint16(238));
        QCOMPARE(row->slot, 24);

        // Another page's widget, another tab's widget, the connection page.
        QVERIFY(!FindWriteRow(2, 6, QStringLiteral("EditZeroRange")));
        QVERIFY(!FindWriteRow(3, 6, QStringLiteral("cBoxOutputMode_1")));
        QVERIFY(!FindWriteRow(3, 5, QStringLiteral("cBoxInputMode_1")));
        QVERIFY(!FindWriteRow(0, 6, QStringLiteral("EditZeroRange")));
        QVERIFY(!FindWriteRow(8, 6, QStringLiteral("EditZeroRange")));
        QVERIFY(!FindWriteRow(1, 6, QStringLiteral("editzerorange")));
    }

    void mirrorValueReadsTheNamedSlot()
    {
        gsrt_ComPara.analog[3] = 20000;
        gsrt_DigPara.slot[38] = 7;
        // A lookup that finds nothing fails this case, not the whole suite.
        const auto row = [](int page, int subPage, const char *name) {
            const auto *found = FindWriteRow(page, subPage, QString::fromLatin1(name));
            return found ? MirrorValue(*found) : 0xDEADBEEFu;
        };
        QCOMPARE(row(4, 6, "EditFSOut"), 20000u);
        QCOMPARE(row(6, 6, "RemotoSetFilter"), 7u);
        QCOMPARE(row(6, 6, "BtnSearchSen"), 0u);
    }
};

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "tst_devicemodel.moc"
