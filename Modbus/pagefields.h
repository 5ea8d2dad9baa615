#pragma once

#include "paramcatalogue.h"

#include <QString>
#include <QtGlobal>

// What the parameter pages put into their widgets and what a combo box item
// writes: plain functions, so they can be checked without a window.

// The text that shows a mirror value of this kind: Plain as an unsigned integer,
// Factor as value / 10^factorDigits with that many decimals, Weight as value /
// 10^decimals with that many decimals, anything else as a signed integer.
QString FieldText(ParamKind kind, int factorDigits, quint32 value, quint32 decimals);

// The register value a division item carries: "d = 20" gives "20".
QString DivisionValueText(const QString &itemText);
// The item text that shows a division value: 20 gives "d = 20".
QString DivisionItemText(quint32 value);

// Five range texts, one for each decimal setting 0 to 4.
using DecimalTexts = const char *const[5];
// The text for this decimal setting; a setting beyond 4 takes the last one.
const char *DecimalRangeText(const DecimalTexts &texts, quint32 decimals);
