#pragma once

#include "workbook.h"

#include <QMap>

// Cells of one worksheet keyed by CellKey(row, column).
using CellMap = QHash<quint64, QString>;
// Changes to one worksheet, ordered by row and then column.
using CellEdits = QMap<quint64, QString>;

inline quint64 CellKey(int row, int column)
{
    return (quint64(quint32(row)) << 32) | quint32(column);
}
inline int KeyRow(quint64 key)
{
    return int(key >> 32);
}
inline int KeyColumn(quint64 key)
{
    return int(key & 0xFFFFFFFFu);
}

// What backs a Workbook: the zip package of .xlsx or the binary .xls reader.
class WorkbookBackend
{
public:
    virtual ~WorkbookBackend() = default;
    virtual bool readOnly() const = 0;
    virtual QStringList sheetNames() const = 0;
    virtual WorkbookStatus loadSheet(const QString &name, CellMap *cells, QString *error) = 0;
    virtual void setCell(const QString &sheet, int row, int column, const QString &text) = 0;
    // dimension: the used range of each changed sheet ("A1:G120"), by sheet name.
    virtual WorkbookStatus save(const QString &path, const QHash<QString, QString> &dimensions,
                                QString *error) = 0;
};

std::unique_ptr<WorkbookBackend> OpenXlsx(const QString &path, const WorkbookLimits &limits,
                                          WorkbookStatus *status, QString *error);
std::unique_ptr<WorkbookBackend> OpenXls(const QString &path, const WorkbookLimits &limits,
                                         WorkbookStatus *status, QString *error);

// The shortest text of a number, as a spreadsheet shows a plain value.
QString NumberText(double value);
// Whether a text is a decimal number that a number cell can hold.
bool IsNumericText(const QString &text);
