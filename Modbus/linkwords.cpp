#include "linkwords.h"

quint32 JoinWords(quint16 first, quint16 second, quint32 wordOrder)
{
    if (wordOrder == 0)
        return (quint32(first) << 16) | second;
    return (quint32(second) << 16) | first;
}

void SplitWords(quint32 value, quint32 wordOrder, quint16 *first, quint16 *second)
{
    const quint16 high = quint16(value >> 16);
    const quint16 low = quint16(value & 0xFFFF);
    *first = wordOrder == 0 ? high : low;
    *second = wordOrder == 0 ? low : high;
}

quint32 WordOrderAt(int address, quint32 configured)
{
    const auto within = [address](int first, int last) {
        return address >= first && address <= last;
    };
    if (within(600, 681) || within(10000, 10003))
        return 0;
    return configured;
}
