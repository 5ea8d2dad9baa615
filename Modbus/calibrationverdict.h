#pragma once

// A calibration write (a zero capture, a calibration point, a keyed-in zero,
// the theoretical calibration, the correction) is answered twice: the link
// says the registers were written, and the instrument then tells in its
// error word whether it took the calibration. Reading the register back
// cannot tell: a refused point still reads the weight that was written. So
// after such a write the error word is read once the instrument has had its
// time, and only a word without a calibration error bit counts as taken.

#include "linksettings.h"

#include <QString>

struct CalibrationVerdict
{
    enum State { Taken, Refused, Unknown };
    State state = Taken;
    quint32 errorWord = 0;              // as read after the write (Refused, Taken)
    int bit = -1;                       // the lowest calibration error bit set (Refused)
    ModbusResult readResult = ModbusOk; // the error word's read (Unknown)

    // "Weight Error (error bit 22)"; empty when taken.
    QString errorText(bool chinese = false) const;
    // "written", "refused by the instrument: Weight Error (error bit 22)",
    // "outcome unknown: the error word could not be read (Timeout)".
    QString outcomeText() const;
};

// Whether a write to the register at address asks the instrument to calibrate.
bool IsCalibrationRegister(int address);
// The error word's bits that report on a calibration write to address: a
// zero (capture or keyed in) bits 16-18, a calibration point bits 19-26; any
// calibration the hardware protection (27), the remote ban (28) and the
// calibration error (31). An old error of another kind does not refuse it.
quint32 CalibrationErrorBits(int address);
// The verdict an error word gives on a write to address.
CalibrationVerdict VerdictOfErrorWord(quint32 errorWord, int address);

// Reads the instrument's error word (registers 4-5) through the program's link
// after a calibration write to address just sent; a zero capture or a point
// first waits CalibrationVerdictDelayMs() for the instrument to take it.
CalibrationVerdict ReadCalibrationVerdict(int address);
// How long a zero capture or a point is given before the error word is read (ms).
int CalibrationVerdictDelayMs();
void SetCalibrationVerdictDelayMs(int ms);

// The verdict of the last calibration write WriteParam made (its error word
// read, or why it could not be).
CalibrationVerdict LastCalibrationVerdict();
void SetLastCalibrationVerdict(const CalibrationVerdict &verdict);
