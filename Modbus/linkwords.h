#pragma once

#include <QtGlobal>

// The bottom of the link: how two registers make one 32-bit value. Everything
// above (the connection, the program-wide link, the device model) takes its
// word handling from here.

// 32-bit packing of two registers in a word order (0 high half first).
quint32 JoinWords(quint16 first, quint16 second, quint32 wordOrder);
void SplitWords(quint32 value, quint32 wordOrder, quint16 *first, quint16 *second);

// The word order of the 32-bit value starting at this register: the digital-sensor
// block (600-681) and the version and compile date (10000-10003) are always high
// half first; everything else follows the configured order. Reads, writes, the
// group store, export and import all take the order from here.
quint32 WordOrderAt(int address, quint32 configured);
