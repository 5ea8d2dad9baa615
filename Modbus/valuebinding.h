#pragma once

#include "linksettings.h"

#include <QString>
#include <QtGlobal>

class QLabel;
class QLineEdit;
class QModbusClient;
class QWidget;

// Text (or combo index as a decimal number) the widget that last got the focus had then.
extern QString valueBeforeEdit;

// Remembers text as the widget's own value from before its edit, and as
// valueBeforeEdit. Each edit keeps its own: a focus change while a write waits
// must not give the written field another field's text back.
void RememberValueBeforeEdit(QWidget *widget, const QString &text);
// The widget's own value from before its edit, or valueBeforeEdit when none was
// remembered for it.
QString ValueBeforeEdit(const QWidget *widget);

// What ReadParam returns when the read failed.
constexpr quint32 ReadParamFailed = 88020200;

// The unit names, indexed by the unit setting 0 to 5.
QString UnitName(quint32 unit);

// Writes v to the parameter at request.startAddress: count 1 as one register
// (the low 16 bits), count 2 as a pair in the word order of that address (WordOrderAt).
// Any other count is refused with ModbusProtocolError and nothing is sent.
ModbusResult WriteParam(QModbusClient *client, quint32 v, LinkSettings request);

// The parameter's value, or ReadParamFailed; ok (when given) tells whether the
// read worked, since ReadParamFailed is also a value a parameter can hold.
// Counts other than 1 and 2 are refused without traffic.
quint32 ReadParam(int address, int count, bool *ok = nullptr, ModbusResult *result = nullptr);

// Export read of one parameter: the register for count 1, the pair in the word
// order of its address for counts 2 and 3, 0 for other counts. ok tells whether the read worked.
quint32 ReadParamForExport(int address, int count, bool *ok = nullptr);

// Writes the integer part of text to the register of the widget on the page on
// screen, retries after a timeout and restores valueBeforeEdit when the write
// failed. Returns the write's result, or 2 when nothing was sent.
ModbusResult SendWidgetValue(QWidget *widget, const QString &text);

// The line edit's number x 10^decimal setting, with no decimals.
QString ToRawText(const QLineEdit *edit);

// Renders weight fields from their mirror slots. Returns whether the decimal
// setting changed (or force was set); then every field is rewritten.
bool RefreshLineEdits(QLineEdit *const *edits, int n, quint32 *const *cached,
                      const quint32 *const *mirror, bool force);

// Shows the unit name on every label when the unit setting changed or force is set.
void RefreshUnitLabels(QLabel *const *labels, int n, bool force);

// Whether the unit setting differs from the render cache (or force); updates the cache.
bool UnitChanged(bool force);

// Forgets what was rendered last (a new connection, tests).
void ResetRenderCaches();
