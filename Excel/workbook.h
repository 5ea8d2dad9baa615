#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

// Why a workbook operation failed. Every failure also leaves a debug line.
enum class WorkbookStatus {
    Ok,
    FileMissing,  // no such file
    NotAWorkbook, // neither a zip container nor an old-style binary workbook
    Damaged,      // the container itself is broken or truncated
    MissingPart,  // a part the workbook needs is not in the container
    BadXml,       // a part is not well-formed XML
    Forbidden,    // a part declares a DTD or entities
    TooLarge,     // a limit on size, parts or cells was exceeded
    SheetMissing, // no worksheet of that name
    ReadOnly,     // the format is read only here (.xls)
    WriteFailed,  // the new file could not be written
};

// What a workbook may cost before it is refused: a hostile file must not be
// able to exhaust memory or time.
struct WorkbookLimits
{
    qint64 maxFileBytes = 64 * 1024 * 1024;
    qint64 maxPartBytes = 64 * 1024 * 1024;   // one decompressed part
    qint64 maxTotalBytes = 256 * 1024 * 1024; // every decompressed part together
    int maxParts = 10000;
    qint64 maxCells = 2000000;
};

// A cell position, 1-based as on the worksheet.
struct CellPos
{
    int row = 0;
    int column = 0;
};

class WorkbookBackend;

// One spreadsheet file: .xlsx read and write, .xls read only. Cells are read
// as text the way a spreadsheet's plain value reads: numbers in their shortest
// form ("530", "1.5"), strings unchanged, booleans "true"/"false".
class Workbook
{
public:
    Workbook();
    ~Workbook();
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    static void setLimits(const WorkbookLimits &limits);
    static WorkbookLimits limits();

    bool open(const QString &path);
    void close();
    bool isOpen() const;
    bool isReadOnly() const;

    WorkbookStatus status() const { return m_status; }
    QString errorText() const { return m_error; }
    QString path() const { return m_path; }

    QStringList sheetNames() const;
    // Makes the named worksheet the current one; SheetMissing when there is none.
    bool selectSheet(const QString &name);

    // The used range of the current sheet: the last row and column that hold a
    // value (0 for an empty sheet).
    int rowCount() const { return m_lastRow; }
    int columnCount() const { return m_lastColumn; }

    QString cellText(int row, int column) const;
    // A text that is a decimal number is stored as a number cell, any other as
    // a string; an empty text empties the cell. Kept until save().
    bool setCellText(int row, int column, const QString &text);
    // Writes the file anew through a temporary file; every part other than the
    // changed worksheets stays as it was.
    bool save();

    static WorkbookStatus statusOf(const QString &path); // convenience for tests

private:
    friend class WorkbookBackend;
    bool fail(WorkbookStatus status, const QString &text);
    void recomputeRange();

    std::unique_ptr<WorkbookBackend> m_backend;
    WorkbookStatus m_status = WorkbookStatus::Ok;
    QString m_error;
    QString m_path;
    QString m_sheet;
    QHash<quint64, QString> m_cells;
    int m_lastRow = 0;
    int m_lastColumn = 0;
};

// The worksheet's way of naming a cell: column letters and row number ("G12").
QString CellReference(int row, int column);
// The reverse; false for a malformed reference.
bool ParseCellReference(const QStringView &ref, int *row, int *column);

// Writes a new .xlsx with one worksheet: rows of texts from A1 on (numeric
// texts as numbers), the first row bold, the given column widths.
bool CreateWorkbook(const QString &path, const QString &sheetName, const QVector<QStringList> &rows,
                    const QVector<double> &columnWidths, QString *error = nullptr);

// The workbooks CreateWorkbook writes, for writing many that differ only in
// one column (the backups of a fleet): every part, and the worksheet but that
// column's cells, is made and compressed once; each file gets the column's
// cells written in. write() may run on several threads at once.
class WorkbookPackage
{
public:
    // rows as CreateWorkbook takes them; column (1-based): the cells each file
    // has its own of (their texts in rows are not used), 0 for none.
    WorkbookPackage(const QString &sheetName, const QVector<double> &columnWidths,
                    const QVector<QStringList> &rows, int column);
    // Empty when the package is ready, else why not.
    QString errorText() const { return m_error; }
    // column: the column's text of each row, from the first; an empty or
    // missing text leaves the cell empty.
    bool write(const QString &path, const QStringList &column, QString *error = nullptr) const;

private:
    QByteArray sheet(const QStringList &column) const;

    struct PackedPart
    {
        QString name;
        QByteArray deflated;
        quint32 crc = 0;
        quint64 size = 0;
    };
    QVector<PackedPart> m_parts;
    // The worksheet's text before each row's cell of the column, and after the last.
    QVector<QByteArray> m_sheet;
    int m_column;
    QString m_error;
};
