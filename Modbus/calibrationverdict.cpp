#include "calibrationverdict.h"

#include "errortexts.h"
#include "modbuslink.h"
#include "valuebinding.h"

namespace {

// Registers 4-5: the error word, in the live block.
constexpr int ErrorWordAddress = 4;
// Zero capture (108), keyed-in zero (110), CP1-CP5 (112-120), the load cell's
// mV/V and capacity and Use T-CAL (122-126), the correction coefficient (128).
constexpr int FirstCalibrationRegister = 108;
constexpr int LastCalibrationRegister = 128;
constexpr int ZeroCapture = 108, KeyInZero = 110, FirstPoint = 112, LastPoint = 120;
// Bits 16-18: the zero calibration (not stable, signal under or over); bits
// 19-26: the weight calibration (not stable, signal out of range, below zero
// or the point before, zero, above full scale, beyond the resolution, the
// point before missing); hardware protection (27), remote ban (28) and the
// calibration error (31) refuse any. Bit 30 (AD fault) is the converter's.
constexpr quint32 ZeroBits = 0x7u << 16;
constexpr quint32 PointBits = 0xFFu << 19;
constexpr quint32 AnyCalibrationBits = 0x3u << 27 | 1u << 31;
// A zero or a point is taken from a settled signal; the instrument answers in
// its error word within a few of its own measuring cycles.
int verdictDelayMs = 300;
CalibrationVerdict lastVerdict;

QString linkResultName(ModbusResult r)
{
    switch (r) {
    case ModbusOk:
        return QStringLiteral("Ok");
    case ModbusTimeout:
        return QStringLiteral("Timeout");
    case ModbusProtocolError:
        return QStringLiteral("ProtocolError");
    case ModbusNoLink:
        return QStringLiteral("NoLink");
    case ModbusMalformed:
        return QStringLiteral("Malformed");
    default:
        break;
    }
    return QStringLiteral("result %1").arg(int(r));
}

} // namespace

QString CalibrationVerdict::errorText(bool chinese) const
{
    if (state != Refused || bit < 0)
        return QString();
    QString text = InstrumentErrorText(bit, chinese).trimmed();
    if (text.isEmpty())
        text = QStringLiteral("?");
    return QStringLiteral("%1 (error bit %2)").arg(text).arg(bit);
}

QString CalibrationVerdict::outcomeText() const
{
    switch (state) {
    case Taken:
        return QStringLiteral("written");
    case Refused:
        return QStringLiteral("refused by the instrument: %1").arg(errorText());
    case Unknown:
        break;
    }
    return QStringLiteral("outcome unknown: the error word could not be read (%1)")
        .arg(linkResultName(readResult));
}

bool IsCalibrationRegister(int address)
{
    return address >= FirstCalibrationRegister && address <= LastCalibrationRegister &&
           address % 2 == 0;
}

quint32 CalibrationErrorBits(int address)
{
    if (address == ZeroCapture || address == KeyInZero)
        return ZeroBits | AnyCalibrationBits;
    if (address >= FirstPoint && address <= LastPoint)
        return PointBits | AnyCalibrationBits;
    return AnyCalibrationBits;
}

CalibrationVerdict VerdictOfErrorWord(quint32 errorWord, int address)
{
    CalibrationVerdict v;
    v.errorWord = errorWord;
    const quint32 set = errorWord & CalibrationErrorBits(address);
    if (set == 0)
        return v;
    v.state = CalibrationVerdict::Refused;
    v.bit = 0;
    while (!(set & (1u << v.bit)))
        ++v.bit;
    return v;
}

CalibrationVerdict ReadCalibrationVerdict(int address)
{
    // A zero or a point is taken from the signal as it settles: the instrument
    // is given its time. A stored setting (keyed-in zero, the load cell's
    // data, T-CAL, the correction) is judged as it is written, so its error
    // word is read at once, and a restore pays a read, not a wait, for each.
    const bool takesSignal =
        address == ZeroCapture || (address >= FirstPoint && address <= LastPoint);
    if (takesSignal && verdictDelayMs > 0)
        WaitMs(verdictDelayMs);
    bool ok = false;
    ModbusResult result = ModbusOk;
    const quint32 word = ReadParam(ErrorWordAddress, 2, &ok, &result);
    if (!ok) {
        CalibrationVerdict v;
        v.state = CalibrationVerdict::Unknown;
        v.readResult = result;
        return v;
    }
    return VerdictOfErrorWord(word, address);
}

int CalibrationVerdictDelayMs()
{
    return verdictDelayMs;
}

void SetCalibrationVerdictDelayMs(int ms)
{
    verdictDelayMs = qMax(0, ms);
}

CalibrationVerdict LastCalibrationVerdict()
{
    return lastVerdict;
}

void SetLastCalibrationVerdict(const CalibrationVerdict &verdict)
{
    lastVerdict = verdict;
}
