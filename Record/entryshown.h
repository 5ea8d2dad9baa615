#pragma once

#include "serviceentry.h"

#include <QtGlobal>

// A change as its page showed it: the list's item, the division, the decimals
// and the unit. Entries written before the record kept the page's words (a
// list's index as "3", no unit) are shown through the catalogue as well as it
// can; what an entry holds is never changed, so its hash stays as it was.

// Fills the entry's shown values and unit for a write of newValue over
// oldValue (when oldKnown) to its parameter, with the instrument's decimal and
// unit settings and its analog output type (-1 when not known).
void SetShownValues(ServiceEntry *entry, quint32 oldValue, bool oldKnown, quint32 newValue,
                    quint32 decimals, quint32 unit, qint64 analogType);

// "240 → 480 Hz" in English or Chinese; a command as what it is ("command");
// "-" for a side not known; empty when neither side is.
QString EntryShownChange(const ServiceEntry &entry, bool chinese);
// The register values of the change, "3 → 4"; empty when neither is known.
QString EntryRawChange(const ServiceEntry &entry);
// The parameter's name in the language asked for, as its page labels it.
QString EntryParamName(const ServiceEntry &entry, bool chinese);
