#pragma once

#include <QString>

// The instrument's error message for the lowest set bit of its error word, in
// English or Chinese. Bits without a message give an empty text.
QString InstrumentErrorText(int bit, bool chinese);
