#pragma once

#include "linksettings.h"
#include "linkwords.h"

#include <QString>
#include <QtGlobal>

// Mirror of the instrument's registers: records of 32-bit slots, zero at start,
// written only by StoreGroup and the coil reads, read by the pages.
struct LiveValRecord
{
    quint32 slot[14] = {};
    quint8 netFlag = 0; // coil 4
};
struct CalParaRecord
{
    quint32 slot[19] = {};
};
struct BasicParaRecord
{
    quint32 slot[13] = {};
};
struct AppParaRecord
{
    quint32 slot[30] = {};
};
struct ComParaRecord
{
    quint32 slot[34] = {};
    quint16 analog[5] = {}; // analog output: type, minimum, zero, full scale, maximum
};
struct SysParaRecord
{
    quint32 slot[7] = {};
};
struct DigParaRecord
{
    quint32 slot[39] = {};
};
struct SysInfRecord
{
    quint32 slot[38] = {};
};

// Named slots the rest of the program relies on.
enum MirrorSlot {
    CalUnitSlot = 0,
    CalDecimalSlot = 1,
    CalManualZeroSlot = 5, // u32_ManualZero
    SoftVersionSlot = 0,   // gsrt_SysInf: u32_SoftVersion
    CompileDateSlot = 1,   // gsrt_SysInf: YYMMDD
    SerialNumberSlot = 2,  // gsrt_SysInf: the first of SerialNumberChars, one character each
    MacSlot = 27,          // gsrt_SysInf: the first of MacBytes, one byte each
    InstrumentIdSlot = 35, // gsrt_SysInf
    CalibrationRemoteEditSlot = 33,
    ApplicationRemoteEditSlot = 34,
    RemoteOutWaySlot = 17, // gsrt_DigPara
};

constexpr int SerialNumberChars = 25;
constexpr int MacBytes = 6;

extern LiveValRecord gsrt_LiveVal;
extern CalParaRecord gsrt_CalPara;
extern BasicParaRecord gsrt_BasicPara;
extern AppParaRecord gsrt_AppPara;
extern ComParaRecord gsrt_ComPara;
extern SysParaRecord gsrt_SysPara;
extern DigParaRecord gsrt_DigPara;
extern SysInfRecord gsrt_SysInf;

// Page on screen: 0 monitoring, 1 basic, 2 calibration, 3 application,
// 4 data transmission, 5 test, 6 digital sensors, 8 connection window.
extern quint32 gu32_PageIndex;
// Application tab selector: 6 inputs, 7 outputs, 8 comparators.
extern quint32 gu32_AppSubPage;
// Instrument kind: 0 analog load cell, 1 digital sensors (first from the settings file,
// then from the instrument's software version).
extern int gu8_DigSensorsType;

struct RegisterGroup
{
    quint16 start;
    quint16 count;
};
constexpr int RegisterGroupCount = 33;
// The identity blocks: version, compile date and serial number; MAC and status.
constexpr int SystemInfoGroup = 14;
constexpr int SystemStatusGroup = 15;
constexpr int LargestGroupRegisters = 96;
extern const RegisterGroup RegisterGroupTable[RegisterGroupCount];

// Distributes the registers of group n, read in word order w, into the mirror.
// Groups without a store rule store nothing.
void StoreGroup(int group, quint32 wordOrder, const quint16 *registers);

// Reads group n with a copy of base (which takes the group's start and count and
// the current slave id and word order) and stores it on success.
ModbusResult ReadGroup(LinkSettings &base, int group);

// Poll-cycle coil reads; each fills its slots only on success.
ModbusResult ReadNetCoil();
ModbusResult ReadRemoteEditCoils();

// Resets every mirror record to zero (start of a new connection, tests).
void ClearMirror();

// Whether the mirror holds the instrument's value of this register: a group
// that covers it was stored since the last ClearMirror. A value never read is a
// zero that only looks like the instrument's.
bool RegisterKnown(int address);
