// The register map held whole: every register group, every mirror slot each
// group fills (and every slot it must leave alone) in all word orders, the unit
// and decimal ranges, and every write table with its mirror slots. The expected
// tables are typed here from the instrument's register map, slot by slot and
// by absolute register address, never taken from the program's own tables.
#include "devicemodel.h"
#include "paramcatalogue.h"

#include <QtTest>

namespace {

// ---- the mirror, seen as a list of slots --------------------------------

enum Rec { Live, Cal, Basic, App, Com, Analog, SysPara, Dig, SysInf, NetFlag, RecCount };

const char *const recName[RecCount] = {
    "gsrt_LiveVal",        "gsrt_CalPara", "gsrt_BasicPara", "gsrt_AppPara", "gsrt_ComPara",
    "gsrt_ComPara.analog", "gsrt_SysPara", "gsrt_DigPara",   "gsrt_SysInf",  "gsrt_LiveVal.flag"};

int slotCount(Rec rec)
{
    static const int sizes[RecCount] = {14, 19, 13, 30, 34, 5, 7, 39, 38, 1};
    return sizes[rec];
}

quint32 readSlot(Rec rec, int slot)
{
    switch (rec) {
    case Live:
        return gsrt_LiveVal.slot[slot];
    case Cal:
        return gsrt_CalPara.slot[slot];
    case Basic:
        return gsrt_BasicPara.slot[slot];
    case App:
        return gsrt_AppPara.slot[slot];
    case Com:
        return gsrt_ComPara.slot[slot];
    case Analog:
        return gsrt_ComPara.analog[slot];
    case SysPara:
        return gsrt_SysPara.slot[slot];
    case Dig:
        return gsrt_DigPara.slot[slot];
    case SysInf:
        return gsrt_SysInf.slot[slot];
    case NetFlag:
        return gsrt_LiveVal.netFlag;
    case RecCount:
        break;
    }
    return 0;
}

void writeSlot(Rec rec, int slot, quint32 v)
{
    switch (rec) {
    case Live:
        gsrt_LiveVal.slot[slot] = v;
        break;
    case Cal:
        gsrt_CalPara.slot[slot] = v;
        break;
    case Basic:
        gsrt_BasicPara.slot[slot] = v;
        break;
    case App:
        gsrt_AppPara.slot[slot] = v;
        break;
    case Com:
        gsrt_ComPara.slot[slot] = v;
        break;
    case Analog:
        gsrt_ComPara.analog[slot] = quint16(v);
        break;
    case SysPara:
        gsrt_SysPara.slot[slot] = v;
        break;
    case Dig:
        gsrt_DigPara.slot[slot] = v;
        break;
    case SysInf:
        gsrt_SysInf.slot[slot] = v;
        break;
    case NetFlag:
        gsrt_LiveVal.netFlag = quint8(v);
        break;
    case RecCount:
        break;
    }
}

// A value no register image produces, different for every slot of every record.
quint32 untouched(Rec rec, int slot)
{
    if (rec == Analog)
        return 0xEE00u | quint32(slot);
    if (rec == NetFlag)
        return 0x5Au;
    return 0xEE000000u | quint32(rec) << 16 | quint32(slot);
}

void fillMirrorWithMarks()
{
    for (int rec = 0; rec < RecCount; ++rec) {
        for (int s = 0; s < slotCount(Rec(rec)); ++s)
            writeSlot(Rec(rec), s, untouched(Rec(rec), s));
    }
}

// ---- where a slot comes from ------------------------------------------------

enum Source {
    Ordered,   // 32-bit pair at the address, in the configured word order
    HighFirst, // 32-bit pair at the address, first register the high half whatever the order
    Single,    // the one 16-bit register at the address, zero-extended
    LowHalf,   // low 16 bits of the pair in the configured word order
};

struct SlotRule
{
    int group;
    Rec rec;
    int slot;
    int address;
    Source source;
};

// Group stores, typed from the mirror records' register lists.
QVector<SlotRule> slotRules()
{
    QVector<SlotRule> rules;
    auto add = [&rules](int group, Rec rec, int slot, int address, Source source) {
        rules.append({group, rec, slot, address, source});
    };
    // Group 0, the live block 0-37: registers 3, 6-17 and 24-29 are not kept.
    add(0, Live, 0, 0, Ordered);
    add(0, Live, 1, 2, Single);
    add(0, Live, 2, 4, Ordered);
    add(0, Live, 7, 18, Ordered);
    add(0, Live, 8, 20, Ordered);
    add(0, Live, 9, 22, Ordered);
    add(0, Live, 10, 30, Ordered);
    add(0, Live, 11, 32, Ordered);
    add(0, Live, 12, 34, Ordered);
    add(0, Live, 13, 36, Ordered);
    // Group 2, calibration 100-137 (unit and decimal slots are range-checked: see below).
    for (int k = 2; k <= 18; ++k)
        add(2, Cal, k, 100 + 2 * k, Ordered);
    add(3, Dig, 17, 674, HighFirst);
    for (int k = 0; k <= 12; ++k)
        add(4, Basic, k, 50 + 2 * k, Ordered);
    for (int k = 0; k < 8; ++k)
        add(5, Dig, 30 + k, 602 + 2 * k, HighFirst);
    for (int k = 0; k < 4; ++k)
        add(6, App, k, 150 + 2 * k, Ordered);
    for (int k = 0; k < 6; ++k)
        add(7, App, 4 + k, 170 + 2 * k, Ordered);
    for (int c = 0; c < 4; ++c) {
        for (int j = 0; j < 5; ++j)
            add(8, App, 10 + 5 * c + j, 190 + 20 * c + 2 * j, Ordered);
    }
    for (int p = 0; p < 3; ++p) {
        for (int j = 0; j < 7; ++j)
            add(10, Com, 7 * p + j, 300 + 20 * p + 2 * j, Ordered);
    }
    for (int k = 0; k < 10; ++k)
        add(11, Com, 21 + k, 360 + 2 * k, Ordered);
    for (int k = 0; k < 3; ++k)
        add(12, Com, 31 + k, 390 + 2 * k, Ordered);
    for (int k = 0; k < 5; ++k)
        add(13, Analog, k, 460 + 2 * k, LowHalf);
    add(14, SysInf, 0, 10000, HighFirst);
    add(14, SysInf, 1, 10002, HighFirst);
    for (int k = 2; k <= 26; ++k)
        add(14, SysInf, k, 10002 + k, Single);
    for (int k = 0; k < 6; ++k)
        add(15, SysInf, 27 + k, 10100 + k, Single);
    add(15, SysInf, 33, 10121, Single);
    add(15, SysInf, 34, 10122, Single);
    add(15, SysInf, 35, 10123, Ordered);
    add(15, SysInf, 36, 10125, Single);
    add(15, SysInf, 37, 10126, Ordered);
    for (int k = 0; k < 3; ++k)
        add(16, SysPara, k, 520 + 2 * k, Ordered);
    for (int k = 0; k < 4; ++k)
        add(16, SysPara, 3 + k, 530 + 2 * k, Ordered);
    add(17, Dig, 0, 640, HighFirst);
    for (int k = 0; k < 8; ++k) {
        add(17, Dig, 1 + k, 642 + 2 * k, HighFirst);
        add(17, Dig, 9 + k, 658 + 2 * k, HighFirst);
        add(17, Dig, 30 + k, 602 + 2 * k, HighFirst);
    }
    add(17, Dig, 17, 674, HighFirst);
    add(17, Dig, 18, 676, HighFirst);
    add(17, Dig, 19, 678, HighFirst);
    add(17, Dig, 38, 680, HighFirst);
    return rules;
}

struct Group
{
    int start, count;
};

// The register group table: (start, count) for groups 0 to 32.
const Group groupTable[33] = {
    {0, 38},     {100, 4},    {100, 38}, {674, 2},  {50, 26},  {600, 18}, {150, 8},
    {170, 12},   {190, 70},   {300, 96}, {300, 54}, {360, 20}, {390, 6},  {460, 10},
    {10000, 29}, {10100, 28}, {520, 18}, {600, 82}, {210, 2},  {212, 2},  {214, 2},
    {216, 2},    {218, 2},    {220, 2},  {222, 2},  {8900, 1}, {8902, 1}, {8904, 1},
    {8906, 1},   {8901, 1},   {8903, 1}, {8905, 1}, {8907, 1},
};

// Register image of a group: offset i holds 0x1000 + i, so every 32-bit value
// names the two registers it came from and their order.
QVector<quint16> groupImage()
{
    QVector<quint16> r(LargestGroupRegisters);
    for (int i = 0; i < r.size(); ++i)
        r[i] = quint16(0x1000 + i);
    return r;
}

quint32 expectedValue(const SlotRule &rule, quint32 wordOrder)
{
    const quint32 i = quint32(rule.address - groupTable[rule.group].start);
    const quint32 first = 0x1000 + i, second = 0x1000 + i + 1;
    const quint32 highFirst = first << 16 | second, lowFirst = second << 16 | first;
    switch (rule.source) {
    case Ordered:
        return wordOrder == 0 ? highFirst : lowFirst;
    case HighFirst:
        return highFirst;
    case Single:
        return first;
    case LowHalf:
        return (wordOrder == 0 ? highFirst : lowFirst) & 0xFFFF;
    }
    return 0;
}

// Names what a stored value is, for failure messages: "r[20..21] high first".
QString describe(quint32 v)
{
    const quint32 hi = v >> 16, lo = v & 0xFFFF;
    if (hi >= 0x1000 && hi < 0x1000 + LargestGroupRegisters && lo >= 0x1000 &&
        lo < 0x1000 + LargestGroupRegisters)
        return QStringLiteral("offsets %1,%2 (first is high half)")
            .arg(hi - 0x1000)
            .arg(lo - 0x1000);
    if (hi == 0 && lo >= 0x1000 && lo < 0x1000 + LargestGroupRegisters)
        return QStringLiteral("single offset %1").arg(lo - 0x1000);
    if ((v & 0xFF000000u) == 0xEE000000u && ((v >> 16) & 0xFF) < RecCount)
        return QStringLiteral("the mark of %1 slot %2")
            .arg(QLatin1String(recName[(v >> 16) & 0xFF]))
            .arg(v & 0xFFFF);
    if (hi == 0 && (lo & 0xFF00) == 0xEE00)
        return QStringLiteral("the mark of analog value %1").arg(lo & 0xFF);
    return QStringLiteral("0x%1").arg(v, 8, 16, QLatin1Char('0'));
}

// Every slot of every record after storing `group`: the rules' slots hold the
// value from their registers, every other slot is untouched.
void checkWholeMirror(int group, quint32 wordOrder)
{
    const QVector<SlotRule> rules = slotRules();
    for (int rec = 0; rec < RecCount; ++rec) {
        for (int s = 0; s < slotCount(Rec(rec)); ++s) {
            quint32 expected = untouched(Rec(rec), s);
            for (const SlotRule &rule : rules) {
                if (rule.group == group && rule.rec == rec && rule.slot == s)
                    expected = expectedValue(rule, wordOrder);
            }
            const quint32 actual = readSlot(Rec(rec), s);
            QVERIFY2(actual == expected,
                     qPrintable(QStringLiteral("group %1, order %2: %3 slot %4 holds %5, wanted %6")
                                    .arg(group)
                                    .arg(wordOrder)
                                    .arg(QLatin1String(recName[rec]))
                                    .arg(s)
                                    .arg(describe(actual), describe(expected))));
        }
    }
}

// ---- write tables -------------------------------------------------------

struct WriteRow
{
    const char *widget;
    int address;
    int count;
    Rec rec; // RecCount: no mirror slot
    int slot;
};
constexpr Rec NoSlot = RecCount;

struct WriteTable
{
    int page, tab;
    QVector<WriteRow> rows;
    QVector<int> groups; // the groups the page reads, which refill the mirror column
};

QVector<WriteTable> writeTables()
{
    QVector<WriteTable> tables;
    tables.append({1,
                   0,
                   {
                       {"EditPWROnzero", 50, 2, Basic, 0},
                       {"EditTrZeroRange", 52, 2, Basic, 1},
                       {"EditZeroRange", 54, 2, Basic, 2},
                       {"EditSTABRange", 56, 2, Basic, 3},
                       {"EditDigit_Filter", 58, 2, Basic, 4},
                       {"EditAdv_Filter", 60, 2, Basic, 5},
                       {"cBoxSampleRate", 62, 2, Basic, 6},
                       {"cBoxTareRecord", 64, 2, Basic, 7},
                       {"EditTrZeroTime", 66, 2, Basic, 8},
                       {"EditSTABTime", 68, 2, Basic, 9},
                       {"EditRZeroThr", 70, 2, Basic, 10},
                       {"EditRZeroTime", 72, 2, Basic, 11},
                       {"cBoxRZeroSW", 74, 2, Basic, 12},
                   },
                   {4}});
    tables.append({2,
                   0,
                   {
                       {"cBoxUnit", 100, 2, Cal, 0},         {"cBoxDecimal", 102, 2, Cal, 1},
                       {"cBoxDivision", 104, 2, Cal, 2},     {"EditFullScale", 106, 2, Cal, 3},
                       {"BtnAutoZero", 108, 2, Cal, 4},      {"EditManualZero", 110, 2, Cal, 5},
                       {"EditWeightCp1", 112, 2, Cal, 6},    {"EditWeightCp2", 114, 2, Cal, 7},
                       {"EditWeightCp3", 116, 2, Cal, 8},    {"EditWeightCp4", 118, 2, Cal, 9},
                       {"EditWeightCp5", 120, 2, Cal, 10},   {"EditLcMv", 122, 2, Cal, 11},
                       {"EditLcCapacity", 124, 2, Cal, 12},  {"cBoxTCal", 126, 2, Cal, 13},
                       {"EditCorrectCoef", 128, 2, Cal, 14}, {"cBoxDivision_2", 130, 2, Cal, 15},
                       {"EditFullScale_2", 132, 2, Cal, 16}, {"cBoxDivision_3", 134, 2, Cal, 17},
                       {"EditFullScale_3", 136, 2, Cal, 18},
                   },
                   {2}});
    tables.append({3,
                   6,
                   {
                       {"cBoxInputMode_1", 150, 2, App, 0},
                       {"cBoxInputMode_2", 152, 2, App, 1},
                       {"cBoxInputMode_3", 154, 2, App, 2},
                       {"cBoxInputMode_4", 156, 2, App, 3},
                   },
                   {6}});
    tables.append({3,
                   7,
                   {
                       {"cBoxOutputMode_1", 170, 2, App, 4},
                       {"cBoxOutputMode_2", 172, 2, App, 5},
                       {"cBoxOutputMode_3", 174, 2, App, 6},
                       {"cBoxOutputMode_4", 176, 2, App, 7},
                       {"cBoxOutputMode_5", 178, 2, App, 8},
                       {"cBoxOutputMode_6", 180, 2, App, 9},
                   },
                   {7}});
    tables.append(
        {3,
         8,
         {
             {"cBox_JudgeStable_1", 190, 2, App, 10}, {"Edit_Duration_1", 192, 2, App, 11},
             {"cBox_CompMode_1", 194, 2, App, 12},    {"Edit_CompVal1_1", 196, 2, App, 13},
             {"Edit_CompVal2_1", 198, 2, App, 14},    {"cBox_JudgeStable_2", 210, 2, App, 15},
             {"Edit_Duration_2", 212, 2, App, 16},    {"cBox_CompMode_2", 214, 2, App, 17},
             {"Edit_CompVal1_2", 216, 2, App, 18},    {"Edit_CompVal2_2", 218, 2, App, 19},
             {"cBox_JudgeStable_3", 230, 2, App, 20}, {"Edit_Duration_3", 232, 2, App, 21},
             {"cBox_CompMode_3", 234, 2, App, 22},    {"Edit_CompVal1_3", 236, 2, App, 23},
             {"Edit_CompVal2_3", 238, 2, App, 24},    {"cBox_JudgeStable_4", 250, 2, App, 25},
             {"Edit_Duration_4", 252, 2, App, 26},    {"cBox_CompMode_4", 254, 2, App, 27},
             {"Edit_CompVal1_4", 256, 2, App, 28},    {"Edit_CompVal2_4", 258, 2, App, 29},
         },
         {8}});
    tables.append({4,
                   0,
                   {
                       {"EditComID_1", 300, 2, Com, 0},
                       {"cBoxBaudrate_1", 302, 2, Com, 1},
                       {"cBoxProtocol_1", 304, 2, Com, 2},
                       {"cBoxDataFormat_1", 306, 2, Com, 3},
                       {"cBoxDwordFormat_1", 308, 2, Com, 4},
                       {"EditSendGap_1", 310, 2, Com, 5},
                       {"cBoxCRC_1", 312, 2, Com, 6},
                       {"EditComID_2", 320, 2, Com, 7},
                       {"cBoxBaudrate_2", 322, 2, Com, 8},
                       {"cBoxProtocol_2", 324, 2, Com, 9},
                       {"cBoxDataFormat_2", 326, 2, Com, 10},
                       {"cBoxDwordFormat_2", 328, 2, Com, 11},
                       {"EditSendGap_2", 330, 2, Com, 12},
                       {"cBoxCRC_2", 332, 2, Com, 13},
                       {"EditComID_3", 340, 2, Com, 14},
                       {"cBoxBaudrate_3", 342, 2, Com, 15},
                       {"cBoxProtocol_3", 344, 2, Com, 16},
                       {"cBoxDataFormat_3", 346, 2, Com, 17},
                       {"cBoxDwordFormat_3", 348, 2, Com, 18},
                       {"EditSendGap_3", 350, 2, Com, 19},
                       {"cBoxCRC_3", 352, 2, Com, 20},
                       {"cBoxNetComProtocol", 360, 2, Com, 21},
                       {"cBoxNetComDwordFormat", 362, 2, Com, 22},
                       {"EditNetComSendGap", 364, 2, Com, 23},
                       {"EditNetComSocket", 366, 2, Com, 24},
                       {"EditIP_1", 368, 2, Com, 25},
                       {"EditIP_2", 370, 2, Com, 26},
                       {"EditIP_3", 372, 2, Com, 27},
                       {"EditIP_4", 374, 2, Com, 28},
                       {"cBoxWriteEnable", 376, 2, Com, 29},
                       {"cBoxDataType", 378, 2, Com, 30},
                       {"cBoxPrintLanguage", 390, 2, Com, 31},
                       {"cBoxPrintContent", 392, 2, Com, 32},
                       {"EditTicketGap", 394, 2, Com, 33},
                       {"cBoxAnalogType", 460, 2, Analog, 0},
                       {"EditMinOut", 462, 2, Analog, 1},
                       {"EditZeroOut", 464, 2, Analog, 2},
                       {"EditFSOut", 466, 2, Analog, 3},
                       {"EditMaxOut", 468, 2, Analog, 4},
                   },
                   {10, 11, 12, 13}});
    tables.append({5,
                   0,
                   {
                       {"cBoxBacklight", 530, 2, SysPara, 3},
                       {"cBoxNetLedDef", 532, 2, SysPara, 4},
                       {"cBoxComLed1Def", 534, 2, SysPara, 5},
                       {"cBoxComLed2Def", 536, 2, SysPara, 6},
                       {"cBoxCalRemoteEdit", 9301, 1, NoSlot, -1},
                       {"cBoxNCalRemoteEdit", 9302, 1, NoSlot, -1},
                   },
                   {16}});
    tables.append({6,
                   0,
                   {
                       {"EditModuleNum", 640, 2, Dig, 0},     {"BtnAngleFix", 724, 2, NoSlot, -1},
                       {"BtnAngleReset", 722, 2, NoSlot, -1}, {"BtnSearchSen", 720, 2, NoSlot, -1},
                       {"EditAngleDif1", 658, 2, Dig, 9},     {"EditAngleDif2", 660, 2, Dig, 10},
                       {"EditAngleDif3", 662, 2, Dig, 11},    {"EditAngleDif4", 664, 2, Dig, 12},
                       {"EditAngleDif5", 666, 2, Dig, 13},    {"EditAngleDif6", 668, 2, Dig, 14},
                       {"EditAngleDif7", 670, 2, Dig, 15},    {"EditAngleDif8", 672, 2, Dig, 16},
                       {"label_SensorAD1", 602, 2, Dig, 30},  {"label_SensorAD2", 604, 2, Dig, 31},
                       {"label_SensorAD3", 606, 2, Dig, 32},  {"label_SensorAD4", 608, 2, Dig, 33},
                       {"label_SensorAD5", 610, 2, Dig, 34},  {"label_SensorAD6", 612, 2, Dig, 35},
                       {"label_SensorAD7", 614, 2, Dig, 36},  {"label_SensorAD8", 616, 2, Dig, 37},
                       {"label_SensorAdd1", 642, 2, Dig, 1},  {"label_SensorAdd2", 644, 2, Dig, 2},
                       {"label_SensorAdd3", 646, 2, Dig, 3},  {"label_SensorAdd4", 648, 2, Dig, 4},
                       {"label_SensorAdd5", 650, 2, Dig, 5},  {"label_SensorAdd6", 652, 2, Dig, 6},
                       {"label_SensorAdd7", 654, 2, Dig, 7},  {"label_SensorAdd8", 656, 2, Dig, 8},
                       {"EditSendTime", 676, 2, Dig, 18},     {"RemotoOutWay", 674, 2, Dig, 17},
                       {"RemotoAccuracy", 678, 2, Dig, 19},   {"RemotoSetFilter", 680, 2, Dig, 38},
                   },
                   {17}});
    return tables;
}

QString tableName(const WriteTable &t)
{
    return t.page == 3 ? QStringLiteral("page 3 tab %1").arg(t.tab)
                       : QStringLiteral("page %1").arg(t.page);
}

} // namespace

class TestRegisterMap : public QObject
{
    Q_OBJECT

private slots:
    void init() { ClearMirror(); }

    void registerGroupTableWhole()
    {
        QCOMPARE(RegisterGroupCount, 33);
        for (int g = 0; g < 33; ++g) {
            const QString where = QStringLiteral("group %1").arg(g);
            QVERIFY2(RegisterGroupTable[g].start == groupTable[g].start, qPrintable(where));
            QVERIFY2(RegisterGroupTable[g].count == groupTable[g].count, qPrintable(where));
        }
        QCOMPARE(LargestGroupRegisters, 96);
    }

    void everyGroupFillsItsSlotsAndNothingElse_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<quint32>("order");
        for (int g = -1; g <= 33; ++g) {
            for (quint32 w : {0u, 1u, 7u}) {
                const char *name = w == 0 ? "AB-CD" : w == 1 ? "CD-AB" : "other non-zero";
                QTest::addRow("group %d %s", g, name) << g << w;
            }
        }
    }
    void everyGroupFillsItsSlotsAndNothingElse()
    {
        QFETCH(int, group);
        QFETCH(quint32, order);
        fillMirrorWithMarks();
        const QVector<quint16> image = groupImage();
        StoreGroup(group, order, image.constData());
        checkWholeMirror(group, order);
    }

    // Unit names "t" to "N" are settings 0 to 5, decimals 0 to 4; anything else
    // keeps the last good value, whichever group brings it and in either order.
    void unitAndDecimalRanges_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<quint32>("order");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<int>("storedUnit");
        QTest::addColumn<int>("storedDecimals");
        for (int group : {1, 2}) {
            for (quint32 w : {0u, 1u}) {
                for (int u = 0; u <= 7; ++u) {
                    const int d = u; // decimals 5 to 7 are out of range, units 6 and 7
                    QTest::addRow("group %d order %u unit %d decimals %d", group, w, u, d)
                        << group << w << u << d << (u <= 5 ? u : 3) << (d <= 4 ? d : 2);
                }
                QTest::addRow("group %d order %u high half set", group, w)
                    << group << w << 0x10001 << 0x10001 << 3 << 2;
            }
        }
    }
    void unitAndDecimalRanges()
    {
        QFETCH(int, group);
        QFETCH(quint32, order);
        QFETCH(int, unit);
        QFETCH(int, decimals);
        QFETCH(int, storedUnit);
        QFETCH(int, storedDecimals);
        gsrt_CalPara.slot[CalUnitSlot] = 3;
        gsrt_CalPara.slot[CalDecimalSlot] = 2;
        QVector<quint16> r(38, 0);
        auto put = [&r, order](int at, quint32 v) {
            r[at] = quint16(order == 0 ? v >> 16 : v & 0xFFFF);
            r[at + 1] = quint16(order == 0 ? v & 0xFFFF : v >> 16);
        };
        put(0, quint32(unit));
        put(2, quint32(decimals));
        StoreGroup(group, order, r.constData());
        QCOMPARE(int(gsrt_CalPara.slot[CalUnitSlot]), storedUnit);
        QCOMPARE(int(gsrt_CalPara.slot[CalDecimalSlot]), storedDecimals);
    }

    void everyWriteTableWhole()
    {
        for (const WriteTable &t : writeTables()) {
            QStringList names;
            for (const WriteRow &row : t.rows)
                names.append(QString::fromLatin1(row.widget));
            QCOMPARE(PageWidgetNames(t.page, t.tab), names);
            const QVector<RegisterPair> pairs = PageRegisterTable(t.page, t.tab);
            QVERIFY2(pairs.size() == t.rows.size(), qPrintable(tableName(t)));
            for (int i = 0; i < t.rows.size(); ++i) {
                const QString where =
                    tableName(t) + QStringLiteral(" row %1 ").arg(i) + names.at(i);
                QVERIFY2(pairs[i].address == t.rows[i].address, qPrintable(where));
                QVERIFY2(pairs[i].count == t.rows[i].count, qPrintable(where));
                // The lookup finds the same pair for the page on screen.
                const ParamRow *found =
                    FindWriteRow(quint32(t.page), quint32(t.tab ? t.tab : 6), names.at(i));
                QVERIFY2(found, qPrintable(where));
                QVERIFY2(found->address == t.rows[i].address, qPrintable(where));
                QVERIFY2(found->count == t.rows[i].count, qPrintable(where));
            }
        }
        // No write table belongs to the monitoring page, the connection page or
        // an unknown tab: no name of the catalogue is found there.
        for (int page : {7, 8})
            QVERIFY(PageWidgetNames(page, 0).isEmpty());
        for (int tab : {0, 5, 9})
            QVERIFY(PageWidgetNames(3, tab).isEmpty());
        for (const ParamRow &row : ParameterCatalogue()) {
            const QString name = QString::fromLatin1(row.widget);
            for (quint32 page : {0u, 7u, 8u})
                QVERIFY2(!FindWriteRow(page, 6, name), qPrintable(name));
            for (quint32 tab : {0u, 5u, 9u})
                QVERIFY2(!FindWriteRow(3, tab, name), qPrintable(name));
        }
    }

    // Every row names the mirror slot that shows it: with every slot of the
    // mirror holding its own mark, the row's mirror value is its slot's mark.
    void everyWriteRowShowsItsMirrorSlot()
    {
        fillMirrorWithMarks();
        for (const WriteTable &t : writeTables()) {
            for (const WriteRow &row : t.rows) {
                const QString name = QString::fromLatin1(row.widget);
                const ParamRow *found =
                    FindWriteRow(quint32(t.page), quint32(t.tab ? t.tab : 6), name);
                QVERIFY2(found, qPrintable(name));
                const quint32 expected = row.rec == NoSlot ? 0 : untouched(row.rec, row.slot);
                QVERIFY2(
                    MirrorValue(*found) == expected,
                    qPrintable(QStringLiteral("%1 shows %2, wanted %3")
                                   .arg(name, describe(MirrorValue(*found)), describe(expected))));
            }
        }
    }

    // After the page's groups are read, each row's mirror value is the value of
    // its own registers: the write table, the group table and the store rules
    // agree. The digital-sensor block is high half first in either order.
    void everyWriteRowReadsBackFromItsRegisters_data()
    {
        QTest::addColumn<quint32>("order");
        QTest::newRow("AB-CD") << 0u;
        QTest::newRow("CD-AB") << 1u;
    }
    void everyWriteRowReadsBackFromItsRegisters()
    {
        QFETCH(quint32, order);
        for (const WriteTable &t : writeTables()) {
            ClearMirror();
            // Register a holds a value made of its own address.
            for (int g : t.groups) {
                QVector<quint16> r(LargestGroupRegisters);
                for (int i = 0; i < r.size(); ++i)
                    r[i] = quint16(groupTable[g].start + i);
                StoreGroup(g, order, r.constData());
            }
            for (const WriteRow &row : t.rows) {
                if (row.rec == NoSlot)
                    continue;
                const QString name = QString::fromLatin1(row.widget);
                const ParamRow *found =
                    FindWriteRow(quint32(t.page), quint32(t.tab ? t.tab : 6), name);
                QVERIFY2(found, qPrintable(name));
                const quint32 a = quint32(row.address), b = a + 1;
                const bool highFirst = order == 0 || (row.address >= 600 && row.address <= 681);
                quint32 expected = highFirst ? (a << 16 | b) : (b << 16 | a);
                if (row.rec == Analog)
                    expected &= 0xFFFF;
                if (row.rec == Cal && row.slot <= 1)
                    expected = 0; // out-of-range unit and decimal values are not taken
                QVERIFY2(MirrorValue(*found) == expected,
                         qPrintable(QStringLiteral("%1 (register %2) shows 0x%3, wanted 0x%4")
                                        .arg(name)
                                        .arg(row.address)
                                        .arg(MirrorValue(*found), 8, 16, QLatin1Char('0'))
                                        .arg(expected, 8, 16, QLatin1Char('0'))));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestRegisterMap)
#include "tst_registermap.moc"
