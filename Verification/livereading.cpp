#include "livereading.h"

#include "devicemodel.h"

namespace {

// The live block: weight (signed), then the status word.
constexpr int LiveGroup = 0;
constexpr int WeightSlot = 0;
constexpr int StatusSlot = 1;
constexpr quint32 StableBit = 1u << 0;
constexpr quint32 OverflowBit = 1u << 3;

} // namespace

ModbusResult ReadTestReading(const LinkSettings &base, Reading *reading)
{
    LinkSettings link = base;
    const ModbusResult r = ReadGroup(link, LiveGroup);
    if (r != ModbusOk)
        return r;
    const quint32 status = gsrt_LiveVal.slot[StatusSlot];
    reading->weight = qint32(gsrt_LiveVal.slot[WeightSlot]);
    reading->stable = status & StableBit;
    reading->overflow = status & OverflowBit;
    return r;
}
