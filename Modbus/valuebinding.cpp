#include "valuebinding.h"
#include "logcategories.h"

#include "calibrationverdict.h"
#include "decimaltext.h"
#include "devicemodel.h"
#include "modbuslink.h"
#include "paramcatalogue.h"
#include "writesource.h"

namespace {

LinkSettings parameterRequest(int address, int count)
{
    LinkSettings request;
    request.slaveId = qint32(gu32_SlaveId);
    request.dwordFormat = qint32(WordOrderAt(address, gu32_DwordFormat));
    request.startAddress = address;
    request.count = quint16(count);
    return request;
}

// The value of a parameter read of count registers (1 or 2) in the order of its address.
quint32 readValue(const LinkSettings &request, const quint16 *registers)
{
    return request.count == 1 ? registers[0]
                              : JoinWords(registers[0], registers[1], quint32(request.dwordFormat));
}

} // namespace

QString UnitName(quint32 unit)
{
    static const char *const names[] = {"t", "kg", "g", "lb", "KN", "N"};
    return unit < 6 ? QString::fromLatin1(names[unit]) : QString();
}

ModbusResult WriteParam(QModbusClient *client, quint32 v, LinkSettings request)
{
    request.slaveId = qint32(gu32_SlaveId);
    request.dwordFormat = qint32(WordOrderAt(request.startAddress, gu32_DwordFormat));
    // A parameter is one or two registers; any other count would send what is not there.
    if (request.count < 1 || request.count > 2) {
        qCDebug(lcBinding) << "Send Address:" << request.startAddress << "refused count"
                           << request.count;
        return ModbusProtocolError;
    }
    quint16 registers[2] = {};
    if (request.count == 1) {
        registers[0] = quint16(v & 0xFFFF);
        qCDebug(lcBinding) << "Send Address:" << request.startAddress
                           << "Send data:" << registers[0];
    } else {
        SplitWords(v, quint32(request.dwordFormat), &registers[0], &registers[1]);
        qCDebug(lcBinding) << "Send Address:" << request.startAddress << "Send data:" << v;
    }
    WriteEvent write;
    write.address = request.startAddress;
    write.count = request.count;
    write.value = request.count == 1 ? (v & 0xFFFF) : v;
    write.oldKnown = MirroredParamValue(request.startAddress, &write.oldValue);
    // Nothing goes on the wire that the service record could not announce.
    if (!AnnounceParamWrite(write, nullptr))
        return ModbusNotRecorded;
    write.result = WriteHoldingRegisters(client, request, registers);
    if (write.result == ModbusProtocolError && ProgramLink())
        write.exceptionCode = ProgramLink()->lastExceptionCode();
    if (write.result == ModbusOk && IsCalibrationRegister(request.startAddress)) {
        // Written is not taken: the instrument's error word decides.
        const CalibrationVerdict verdict = ReadCalibrationVerdict(request.startAddress);
        SetLastCalibrationVerdict(verdict);
        write.errorWord = verdict.errorWord;
        write.calibrationBit = verdict.bit;
        write.verdictRead = verdict.readResult;
        if (verdict.state == CalibrationVerdict::Refused)
            write.result = ModbusCalibrationRefused;
        else if (verdict.state == CalibrationVerdict::Unknown)
            write.result = ModbusCalibrationUnknown;
    }
    NoteParamWrite(write);
    return write.result;
}

quint32 ReadParamForExport(int address, int count, bool *ok)
{
    if (ok)
        *ok = true;
    if (count < 1 || count > 3)
        return 0;
    // Count 3 marks a float parameter: the same two registers, taken as float bits by the caller.
    return ReadParam(address, qMin(count, 2), ok);
}

quint32 ReadParam(int address, int count, bool *ok, ModbusResult *result)
{
    if (ok)
        *ok = false;
    if (result)
        *result = ModbusProtocolError;
    // The reply buffer holds one parameter: one or two registers.
    if (count < 1 || count > 2) {
        qCDebug(lcBinding) << "ReadParam refused count" << count << "at" << address;
        return ReadParamFailed;
    }
    quint16 registers[2] = {};
    const LinkSettings request = parameterRequest(address, count);
    const ModbusResult read = ReadHoldingRegisters(gp_ModbusDevice, request, registers);
    if (result)
        *result = read;
    if (read != ModbusOk)
        return ReadParamFailed;
    const quint32 value = readValue(request, registers);
    qCDebug(lcBinding) << "lun_Dword.u32DWord" << value;
    if (ok)
        *ok = true;
    return value;
}
