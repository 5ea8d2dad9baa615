// Storing a register group from whatever the line delivered: the first byte picks
// the group (also numbers outside the table), the second the word order, the rest
// are the registers. The buffer holds exactly the group's register count, so a
// store rule that reads past its group is caught by AddressSanitizer.
#include "devicemodel.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int group = int(int8_t(data[0]));
    const quint32 wordOrder = data[1] & 1u;
    data += 2;
    size -= 2;
    const bool known = group >= 0 && group < RegisterGroupCount;
    const size_t count = known ? RegisterGroupTable[group].count : LargestGroupRegisters;
    std::vector<quint16> registers(count, 0);
    std::memcpy(registers.data(), data, std::min(size, count * sizeof(quint16)));
    StoreGroup(group, wordOrder, registers.data());
    return 0;
}
