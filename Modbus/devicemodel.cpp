#include "devicemodel.h"
#include "logcategories.h"

#include "modbuslink.h"

LiveValRecord gsrt_LiveVal;
CalParaRecord gsrt_CalPara;
BasicParaRecord gsrt_BasicPara;
AppParaRecord gsrt_AppPara;
ComParaRecord gsrt_ComPara;
SysParaRecord gsrt_SysPara;
DigParaRecord gsrt_DigPara;
SysInfRecord gsrt_SysInf;

quint32 gu32_PageIndex = 8;
quint32 gu32_AppSubPage = 6;
int gu8_DigSensorsType = 0;

const RegisterGroup RegisterGroupTable[RegisterGroupCount] = {
    {0, 38},     {100, 4},    {100, 38}, {674, 2},  {50, 26},  {600, 18}, {150, 8},
    {170, 12},   {190, 70},   {300, 96}, {300, 54}, {360, 20}, {390, 6},  {460, 10},
    {10000, 29}, {10100, 28}, {520, 18}, {600, 82}, {210, 2},  {212, 2},  {214, 2},
    {216, 2},    {218, 2},    {220, 2},  {222, 2},  {8900, 1}, {8902, 1}, {8904, 1},
    {8906, 1},   {8901, 1},   {8903, 1}, {8905, 1}, {8907, 1},
};

namespace {

// The unit setting names "t" to "N" (0 to 5), the decimal setting 0 to 4 decimals.
constexpr quint32 MaxUnit = 5;
constexpr quint32 MaxDecimals = 4;

// Groups stored since the last ClearMirror.
bool groupStored[RegisterGroupCount] = {};

// r[i] is register start + i; pair(i) is the 32-bit value from r[i] and r[i + 1]
// in the word order of its address.
class Registers
{
public:
    Registers(const quint16 *r, int start, quint32 wordOrder)
        : m_r(r), m_start(start), m_wordOrder(wordOrder)
    {}
    quint32 reg(int i) const { return m_r[i]; }
    quint32 pair(int i) const
    {
        return JoinWords(m_r[i], m_r[i + 1], WordOrderAt(m_start + i, m_wordOrder));
    }

private:
    const quint16 *m_r;
    int m_start;
    quint32 m_wordOrder;
};

// Unit and decimal settings keep their last good value when the instrument
// answers something out of range, so that scaling keeps working.
void storeGuarded(quint32 &slot, quint32 value, quint32 largest)
{
    if (value <= largest)
        slot = value;
}

void storeUnit(quint32 value)
{
    storeGuarded(gsrt_CalPara.slot[CalUnitSlot], value, MaxUnit);
}

void storeDecimals(quint32 value)
{
    storeGuarded(gsrt_CalPara.slot[CalDecimalSlot], value, MaxDecimals);
}

void storeLive(const Registers &r)
{
    gsrt_LiveVal.slot[0] = r.pair(0);
    gsrt_LiveVal.slot[1] = r.reg(2);
    gsrt_LiveVal.slot[2] = r.pair(4);
    // Slots 7 to 9 carry the bits of single-precision floats; the slot keeps them as they are.
    gsrt_LiveVal.slot[7] = r.pair(18);
    gsrt_LiveVal.slot[8] = r.pair(20);
    gsrt_LiveVal.slot[9] = r.pair(22);
    for (int k = 0; k < 4; ++k)
        gsrt_LiveVal.slot[10 + k] = r.pair(30 + 2 * k);
}

void storeCalibration(const Registers &r)
{
    storeUnit(r.pair(0));
    storeDecimals(r.pair(2));
    for (int k = CalDecimalSlot + 1; k < 19; ++k)
        gsrt_CalPara.slot[k] = r.pair(2 * k);
    qCDebug(lcModel) << "DIG gsrt_CalPara.u32_ManualZero" << gsrt_CalPara.slot[CalManualZeroSlot];
}

void storeSystemInfo(const Registers &r)
{
    gsrt_SysInf.slot[0] = r.pair(0);
    gsrt_SysInf.slot[1] = r.pair(2);
    for (int k = 2; k <= 26; ++k)
        gsrt_SysInf.slot[k] = r.reg(k + 2);
    qCDebug(lcModel) << "DIG gsrt_SysInf.u32_SoftVersion" << gsrt_SysInf.slot[SoftVersionSlot];
    for (int i = 0; i < 2; ++i)
        qCDebug(lcModel) << "DIG pVal[i]" << gsrt_SysInf.slot[i] << i;
}

void storeSystemStatus(const Registers &r)
{
    for (int k = 0; k < 6; ++k)
        gsrt_SysInf.slot[27 + k] = r.reg(k);
    gsrt_SysInf.slot[CalibrationRemoteEditSlot] = r.reg(21);
    gsrt_SysInf.slot[ApplicationRemoteEditSlot] = r.reg(22);
    gsrt_SysInf.slot[35] = r.pair(23);
    gsrt_SysInf.slot[36] = r.reg(25);
    gsrt_SysInf.slot[37] = r.pair(26);
}

// Sensor readings 1 to 8 sit at registers 602 to 617, high half first.
void storeSensorReadings(const Registers &r)
{
    for (int k = 0; k < 8; ++k)
        gsrt_DigPara.slot[30 + k] = r.pair(2 + 2 * k);
}

// The whole block 600-681: module count, addresses, angle differences, remote
// output way, send time and accuracy in slots 0 to 19, readings, remote filter.
void storeDigital(const Registers &r)
{
    for (int k = 0; k <= 19; ++k)
        gsrt_DigPara.slot[k] = r.pair(40 + 2 * k);
    storeSensorReadings(r);
    gsrt_DigPara.slot[38] = r.pair(80);
}

// slot[first + k] = pair(2k) for k = 0 .. n-1
void storePairs(quint32 *target, int n, const Registers &r, int firstRegister = 0)
{
    for (int k = 0; k < n; ++k)
        target[k] = r.pair(firstRegister + 2 * k);
}

LinkSettings coilRequest(int address, quint16 count)
{
    LinkSettings request;
    request.slaveId = qint32(gu32_SlaveId);
    request.dwordFormat = qint32(gu32_DwordFormat);
    request.startAddress = address;
    request.count = count;
    return request;
}

} // namespace

void StoreGroup(int group, quint32 wordOrder, const quint16 *registers)
{
    if (group < 0 || group >= RegisterGroupCount)
        return;
    const Registers r(registers, RegisterGroupTable[group].start, wordOrder);
    switch (group) {
    case 0:
        storeLive(r);
        break;
    case 1:
        storeUnit(r.pair(0));
        storeDecimals(r.pair(2));
        break;
    case 2:
        storeCalibration(r);
        break;
    case 3:
        gsrt_DigPara.slot[RemoteOutWaySlot] = r.pair(0);
        break;
    case 4:
        storePairs(gsrt_BasicPara.slot, 13, r);
        break;
    case 5:
        storeSensorReadings(r);
        break;
    case 6:
        storePairs(gsrt_AppPara.slot, 4, r);
        break;
    case 7:
        storePairs(gsrt_AppPara.slot + 4, 6, r);
        break;
    case 8:
        for (int c = 0; c < 4; ++c)
            storePairs(gsrt_AppPara.slot + 10 + 5 * c, 5, r, 20 * c);
        break;
    case 10:
        for (int p = 0; p < 3; ++p)
            storePairs(gsrt_ComPara.slot + 7 * p, 7, r, 20 * p);
        break;
    case 11:
        storePairs(gsrt_ComPara.slot + 21, 10, r);
        break;
    case 12:
        storePairs(gsrt_ComPara.slot + 31, 3, r);
        break;
    case 13:
        for (int k = 0; k < 5; ++k)
            gsrt_ComPara.analog[k] = quint16(r.pair(2 * k) & 0xFFFF);
        break;
    case 14:
        storeSystemInfo(r);
        break;
    case 15:
        storeSystemStatus(r);
        break;
    case 16:
        storePairs(gsrt_SysPara.slot, 3, r);
        storePairs(gsrt_SysPara.slot + 3, 4, r, 10);
        break;
    case 17:
        storeDigital(r);
        break;
    default:
        return; // no store rule: nothing of the mirror became known
    }
    groupStored[group] = true;
}

bool RegisterKnown(int address)
{
    for (int g = 0; g < RegisterGroupCount; ++g) {
        const RegisterGroup &group = RegisterGroupTable[g];
        if (groupStored[g] && address >= group.start && address < group.start + group.count)
            return true;
    }
    return false;
}

ModbusResult ReadGroup(LinkSettings &base, int group)
{
    if (group < 0 || group >= RegisterGroupCount)
        return ModbusProtocolError;
    base.startAddress = RegisterGroupTable[group].start;
    base.count = RegisterGroupTable[group].count;
    base.slaveId = qint32(gu32_SlaveId);
    base.dwordFormat = qint32(gu32_DwordFormat);

    quint16 buffer[LargestGroupRegisters] = {};
    const ModbusResult result = ReadHoldingRegisters(gp_ModbusDevice, base, buffer);
    if (result == ModbusOk)
        StoreGroup(group, gu32_DwordFormat, buffer);
    return result;
}

ModbusResult ReadNetCoil()
{
    quint16 coil = 0;
    const ModbusResult result = ReadCoils(gp_ModbusDevice, coilRequest(4, 1), &coil);
    if (result == ModbusOk)
        gsrt_LiveVal.netFlag = coil ? 1 : 0;
    return result;
}

ModbusResult ReadRemoteEditCoils()
{
    quint16 coils[2] = {};
    const ModbusResult result = ReadCoils(gp_ModbusDevice, coilRequest(50, 2), coils);
    if (result == ModbusOk) {
        gsrt_SysInf.slot[CalibrationRemoteEditSlot] = coils[0] ? 1 : 0;
        gsrt_SysInf.slot[ApplicationRemoteEditSlot] = coils[1] ? 1 : 0;
    }
    return result;
}

void ClearMirror()
{
    for (bool &stored : groupStored)
        stored = false;
    gsrt_LiveVal = LiveValRecord();
    gsrt_CalPara = CalParaRecord();
    gsrt_BasicPara = BasicParaRecord();
    gsrt_AppPara = AppParaRecord();
    gsrt_ComPara = ComParaRecord();
    gsrt_SysPara = SysParaRecord();
    gsrt_DigPara = DigParaRecord();
    gsrt_SysInf = SysInfRecord();
}
