#pragma once

#include "paramcatalogue.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

class QTranslator;

// A parameter's value, unit and range as a reader of its page sees them, in
// either of the program's languages: plain functions over a catalogue row.

// The program's Chinese catalogue (compiled into the program), or null where
// it is not at hand.
const QTranslator *ChineseCatalogue();
// A text of the program in English (its source) or as the Chinese catalogue
// has it; a text without a translation stays English, as on the page.
QString CatalogueText(const char *context, const char *source, bool chinese);

// The catalogue's name of the parameter in English or Chinese.
QString ParamName(const ParamRow &row, bool chinese);

// The items of the parameter's combo box as its page lists them, in order
// (the item's index is the value); empty for a parameter without a list.
QStringList ParamChoices(const ParamRow &row, bool chinese);

// The item the combo box shows for this value; empty when it has no such item.
QString ParamChoiceText(const ParamRow &row, quint32 raw, bool chinese);

// The value as the page shows it: the item for combo boxes, "d = 20" for
// divisions, the number with the decimal setting or fixed factor otherwise.
QString ParamShownText(const ParamRow &row, quint32 raw, quint32 decimals, bool chinese);

// The register that says whether the analog output is a current or a voltage.
constexpr int AnalogOutputTypeRegister = 460;

// The unit shown beside the value ("kg", "mV/V", "ms", "Hz"), or empty. The
// analog output's values are in mA or V as its type (the value of
// AnalogOutputTypeRegister) says, and without a unit while it is not known (-1).
QString ParamUnitText(const ParamRow &row, quint32 unit, bool chinese, qint64 analogType = -1);
// Whether the row's unit is the analog output type's (mA or V).
bool UnitFollowsAnalogType(const ParamRow &row);

// "min .. max" in shown numbers (weights with the decimal setting); empty for
// a list, whose items are its range, and for values that are only shown.
QString ParamRangeText(const ParamRow &row, quint32 decimals);

// Where a change came from as a reader names it: the widget names a source
// text carries ("zeltctl write EditFullScale=15000", "field EditFullScale")
// given as the parameters' names.
QString ReadableSource(const QString &source, bool chinese);
