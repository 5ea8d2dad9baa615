#pragma once

#include "paramcatalogue.h"

#include <QString>
#include <QtGlobal>

// A parameter's value, unit and range as a reader of its page sees them, in
// either of the catalogue's languages: plain functions over a catalogue row.

// The catalogue's name of the parameter in English or Chinese.
QString ParamName(const ParamRow &row, bool chinese);

// The choice a combo box shows for this value, taken from the row's note
// ("0 OFF, 1 ON" gives "ON" for 1); empty when the note names no such choice.
QString ParamChoiceText(const ParamRow &row, quint32 raw, bool chinese);

// The value as the page shows it: the choice for combo boxes, "d = 20" for
// divisions, the number with the decimal setting or fixed factor otherwise.
QString ParamShownText(const ParamRow &row, quint32 raw, quint32 decimals, bool chinese);

// The unit shown beside the value ("kg", "mV/V", "ms"), or empty.
QString ParamUnitText(const ParamRow &row, quint32 unit, bool chinese);

// "min .. max" in shown numbers (weights with the decimal setting).
QString ParamRangeText(const ParamRow &row, quint32 decimals);
