#pragma once

// compare and restore --dry-run, row by row, on values the instrument gave
// (one instrument or each of a fleet).

#include "exeltowrite.h"
#include "registerimage.h"

#include <QJsonObject>
#include <QStringList>

class Workbook;

// What one row of a parameter file is against the instrument.
struct RowCheck
{
    enum Outcome { Skipped, Refused, Unreadable, Same, Differs };
    Outcome outcome = Skipped;
    QString reason;       // Refused: why
    int address = 0;      // Unreadable: the register that could not be read
    QStringList cells;    // Differs: the row of the table, values as the page shows them
    QStringList rawCells; // Differs: the same with the register values
    QJsonObject json;     // Differs: the row of the JSON list (DifferingRowJson)
};

// The registers each command reads for the rows of the sheet.
QVector<RegisterSpan> CompareSpans(const Workbook &book);
QVector<RegisterSpan> DryRunSpans(const Workbook &book);

// What a backup would write into the row, against what the row holds.
RowCheck CompareRow(const Workbook &book, int row, const ExelToWrite::InstrumentValues &values);
// The import's own row rules, with the instrument's value in place of the write:
// a row whose register holds the file's value is unchanged, whatever the limits.
RowCheck DryRunRow(const Workbook &book, int row, const ExelToWrite::InstrumentValues &values);

// A row that differs, as every command gives it in JSON: row, address, name
// (the file's), description, unit, and "file" and "instrument" each as
// {"value": the text the page shows, "raw": the register value}.
QJsonObject DifferingRowJson(int row, int address, const QString &name, quint32 fileRaw,
                             quint32 instrumentRaw, const ExelToWrite::InstrumentValues &values);

// The table header of each command's differing rows.
QStringList CompareHeader();
QStringList DryRunHeader();

// The values of a grouped read, in the word order configured for the instrument.
ExelToWrite::InstrumentValues ImageValues(const RegisterImage &image, quint32 wordOrder);
