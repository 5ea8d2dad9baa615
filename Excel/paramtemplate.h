#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The spreadsheet templates of the parameter files, made from the parameter
// catalogue: worksheet "读写类", a header row, then one row per parameter with
// address, name, count, maximum, minimum, unit or note and an empty value.

// "QuarnT-Zelt_EN.xlsx" for language 0, "QuarnT-Zelt_CN.xlsx" otherwise.
QString TemplateFileName(int language);

// The rows of the template for a language, header first.
QVector<QStringList> ParamTemplateRows(int language);

// The widths of the template's columns.
QVector<double> ParamTemplateColumnWidths();

// Writes the template to path (replacing what is there).
bool WriteParamTemplate(const QString &path, int language, QString *error = nullptr);

// Writes the template when path does not exist yet; true when it exists afterwards.
bool EnsureParamTemplate(const QString &path, int language);

// Keeps an earlier export: renames an existing file at path to its name with the
// file's modification time appended ("..._ExportFile_20260115-093012.xlsx").
// Returns the new name, or an empty string when there was nothing to keep;
// error is set when the file could not be renamed or what is at path is no
// regular file (a folder is never moved).
QString SetAsidePreviousExport(const QString &path, bool *error = nullptr);
