#pragma once

#include "serviceentry.h"

// An entry as the history's tables show it, the same in zeltctl and the window.

// The time on the clock where the entry was made, with that clock's offset:
// "2024-05-01 14:03:22 +08:00".
QString EntryLocalTime(const ServiceEntry &entry);
// "1000 → 1500 kg" from the shown values; "-" for a side that is empty, nothing
// when both are.
QString EntryChangeText(const ServiceEntry &entry);
// "user@host".
QString EntryWho(const ServiceEntry &entry);

// The detail's note of the instrument's calibration error:
// "instrument error: Weight Error (error bit 22)".
QString InstrumentErrorNote(const QString &error);
// That error, read back from an entry's detail; empty for none.
QString InstrumentErrorOf(const ServiceEntry &entry);
// The outcome with the instrument's own word where it refused a calibration:
// "refused by the instrument: Weight Error (error bit 22)"; else OutcomeText.
QString EntryOutcomeText(const ServiceEntry &entry);
