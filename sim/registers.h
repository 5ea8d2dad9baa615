#pragma once

// Holding register addresses of the instrument, shared by the model, the
// front and the tests so nobody repeats magic numbers.
namespace sim {
namespace Reg {
// live block (read-only)
constexpr int Weight = 0;
constexpr int Status = 2;
constexpr int ErrorBits = 4;
constexpr int GrossFloat = 18;
constexpr int NetFloat = 20;
constexpr int TareFloat = 22;
constexpr int ZeroSignal = 30;
constexpr int Signal = 32;
constexpr int Gain = 34;
constexpr int SignalAboveZero = 36;
constexpr int LiveEnd = 38;

// basic parameters
constexpr int BasicFirst = 50;
constexpr int ZeroRange = 54;
constexpr int StabilityRange = 56;
constexpr int BasicEnd = 76;

// calibration
constexpr int Unit = 100;
constexpr int Decimals = 102;
constexpr int Division = 104;
constexpr int FullScale = 106;
constexpr int ZeroCapture = 108;
constexpr int ManualZero = 110;
constexpr int CalPoint1 = 112;
constexpr int CalPointEnd = 122;
constexpr int Sensitivity = 122;
constexpr int Capacity = 124;
constexpr int TheoreticalCal = 126;
constexpr int Correction = 128;
// ranges 2 and 3: each in use once its full scale is above the range below
constexpr int Division2 = 130;
constexpr int FullScale2 = 132;
constexpr int Division3 = 134;
constexpr int FullScale3 = 136;
constexpr int CalibrationFirst = 100;
constexpr int CalibrationEnd = 138;

// application blocks
constexpr int InputModes = 150;
constexpr int OutputModes = 170;
constexpr int Comparators = 190;
constexpr int Ports = 300;
constexpr int Network = 360;
constexpr int Printer = 390;
constexpr int AnalogOutput = 460;
constexpr int AnalogOutputEnd = 470;

// reset commands and indicator defaults
constexpr int ResetAll = 520;
constexpr int ResetCalibration = 522;
constexpr int ResetApplication = 524;
constexpr int Backlight = 530;

// digital sensor block (always high half first)
constexpr int SensorAd = 602;
constexpr int ModuleCount = 640;
constexpr int SensorAddress = 642;
constexpr int AngleDiff = 658;
constexpr int RemoteOutputWay = 674;
constexpr int SensorSearch = 720;
constexpr int CornerReset = 722;
constexpr int CornerFix = 724;

constexpr int ScratchFirst = 8900;
constexpr int CalibrationEdit = 9301;
constexpr int ApplicationEdit = 9302;

// system info
constexpr int Version = 10000;
constexpr int CompileDate = 10002;
constexpr int SerialNumber = 10004;
constexpr int SerialNumberLength = 25;
constexpr int Mac = 10100;
constexpr int CalibrationEditMirror = 10121;
constexpr int ApplicationEditMirror = 10122;
constexpr int InstrumentId = 10123;
constexpr int Battery = 10125;
constexpr int BatteryVoltage = 10126;
constexpr int MapSize = 10128;
} // namespace Reg

namespace Coil {
constexpr int NetState = 4;
constexpr int CalibrationEdit = 50;
constexpr int ApplicationEdit = 51;
} // namespace Coil

// Bits of the status word (register 2).
namespace Status {
constexpr int Stable = 0x01;
constexpr int AtZero = 0x02;
constexpr int OverflowNegative = 0x04;
constexpr int Overflow = 0x08;
constexpr int AboveFullScale = 0x40;
constexpr int BelowFullScale = 0x80;
} // namespace Status

// Bits of the 32-bit error word (registers 4-5).
namespace Error {
constexpr unsigned NotStableAtZero = 1u << 3;
// calibration outcomes
constexpr unsigned ZeroCalUnstable = 1u << 16;
constexpr unsigned PointUnstable = 1u << 19;
constexpr unsigned PointBelowPrevious = 1u << 22;
constexpr unsigned PointWeightZero = 1u << 23;
constexpr unsigned PointAboveFullScale = 1u << 24;
constexpr unsigned PointResolution = 1u << 25;
constexpr unsigned PointBeforeMissing = 1u << 26;
constexpr unsigned CalibrationLocked = 1u << 28;
// every bit that reports on a zero or weight calibration, the lock aside
constexpr unsigned CalibrationOutcome = 0xFFFu << 16; // bits 16 to 27
} // namespace Error
} // namespace sim
