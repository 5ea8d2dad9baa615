#pragma once

#include "writesource.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

class QModbusClient;
class Workbook;

// The workbooks collection of the spreadsheet engine: opens workbook files and
// owns them until the engine shuts down.
class WorkBooks
{
public:
    WorkBooks();
    ~WorkBooks();
    // The opened workbook, or null; Workbook::status() of lastFailure() says why.
    Workbook *Open(const QString &path);
    const Workbook &lastFailure() const { return *m_failed; }

private:
    QVector<Workbook *> m_books;
    std::unique_ptr<Workbook> m_failed;
};

// What a procedure did with the rows of the parameter sheet.
struct ParamFileReport
{
    int rows = 0;                // rows 2 .. N looked at
    int done = 0;                // import: rows written; export: values filled in
    QVector<int> refused;        // rows not sent: not a number, beyond limits, bad count, protected
    QVector<int> failed;         // rows whose register write or read failed
    int skipped = 0;             // rows passed over as the layout says (link rows, count 3, empty)
    int unreached = 0;           // rows after the one where the run gave up (see setGiveUp)
    int unchanged = 0;           // import with instrument values: rows already holding the value
    QHash<int, QString> reasons; // why a refused or failed row was not done, by row
    // Import: rows whose file limits differ from the catalogue's, with what they state.
    QMap<int, QString> otherLimits;
};

// What the import does with one row of the parameter sheet.
struct ImportRowPlan
{
    enum Action {
        Skip,      // link rows of the link in use, counts without 1 or 2, calibration acts
        SkipEmpty, // no value
        Refuse,    // the sheet does not state a value that may be sent
        Write,
    };
    Action action = Skip;
    int address = 0;
    int readAddress = 0; // a write-only switch reads back elsewhere
    int count = 0;
    quint32 value = 0;
    QString reason; // Refuse: why
    // Address, count and value are stated exactly and name a parameter a file
    // may write (only its limits may still refuse the row).
    bool stated = false;
    // Stated: the file's limits differ from the catalogue's (edited, or made
    // for another version); what they are and that the catalogue's apply.
    QString limitsNote;
};
// A row is identified by the catalogue, never by its address column alone:
// the register must be a parameter a file may write, with its count and its
// name (in either template language). The limits that apply are the
// catalogue's.
ImportRowPlan PlanImportRow(const Workbook &book, int row);

// What the export does with one row of the parameter sheet.
struct ExportRowPlan
{
    enum Action {
        SkipEmpty, // no address
        Skip,      // a count the layout does not know
        Refuse,    // the address is not a register
        Read,
    };
    Action action = SkipEmpty;
    int readAddress = 0; // a write-only switch reads back elsewhere
    int count = 0;       // 1, 2 or 3 (float bits in two registers)
    QString reason;
    int readCount() const { return count == 1 ? 1 : 2; }
    // The text the export writes for a value read from the instrument.
    QString valueText(quint32 value) const;
};
ExportRowPlan PlanExportRow(const Workbook &book, int row);

// The column of the parameter sheet that holds the value.
int ParamValueColumn();

// Moves parameters between the worksheet "读写类" of a workbook and the
// instrument, one row per parameter. Free of widgets: progress is a signal.
class ExelToWrite : public QObject
{
    Q_OBJECT

public:
    enum ProgressSlot { ImportBar = 0, ExportBar = 1 };
    // Result codes beyond the lookup failures.
    static constexpr int Done = 1;
    static constexpr int Stopped = 100;
    static constexpr int NoWorkbook = -1;
    static constexpr int NoSheets = -3;
    static constexpr int NoParamSheet = -4;
    static constexpr int NoData = -5;
    static constexpr int RowsFailed = -6; // some register writes or reads failed
    static constexpr int NotSaved = -7;   // the export could not be saved
    static constexpr int GaveUp = -8;     // ended early as setGiveUp asked; an export is saved

    explicit ExelToWrite(QObject *parent = nullptr);
    ~ExelToWrite() override;

    // Starts the engine and returns its workbooks collection (never null here).
    WorkBooks *StartExcel();
    // Closes every workbook still open and shuts the engine down.
    void QuitExcel();

    int ImportExcel(WorkBooks *books, const QString &path, QModbusClient *device);
    int ExportExcel(WorkBooks *books, const QString &path, QModbusClient *device);

    // The whole life cycle around one procedure: start the engine, run the import
    // or the export on file, shut the engine down. Progress goes to percent (0-100).
    int RunImport(const QString &file, QModbusClient *device,
                  const std::function<void(int)> &percent);
    int RunExport(const QString &file, QModbusClient *device,
                  const std::function<void(int)> &percent);

    // The instrument's value of a parameter (address, one or two registers), or
    // false when it is not known.
    using InstrumentValues = std::function<bool(int address, int count, quint32 *value)>;
    // The export fills its rows from values instead of one read per row; the
    // import writes only the rows whose register does not hold the file's
    // value yet (the others count as unchanged, whatever the limits say) and
    // reads each written row back. Without it (the window) every row is read
    // or written.
    void setInstrumentValues(const InstrumentValues &values) { m_values = values; }

    // Asked after every row whose request failed: true ends the run there, the
    // rows after it counted as unreached. Without it every row is tried.
    void setGiveUp(const std::function<bool()> &giveUp) { m_giveUp = giveUp; }

    const ParamFileReport &lastReport() const { return m_report; }
    // Why the workbook engine refused the file of the last run ("... declares a
    // DTD or entities; refused"), or empty when it opened it and read its sheet
    // or the sheet is merely missing.
    QString refusalText() const { return m_refusal; }
    // "120 rows: 117 written, 3 refused (rows 14, 15, 88)".
    static QString ReportText(const ParamFileReport &report, bool import);

signals:
    void mysignal(QString);
    void myStructsignal(QString);
    void myreadsignal(QString, QString, QString, int, int, QString);
    void myreadsignaldefaultvalue(QString, QString, QString, int, int, QString);
    void ShowMaxnRowssignal(int);
    // Progress of the import bar (slot 0) or the export bar (slot 1).
    void progressRangeChanged(int slot, int minimum, int maximum);
    void progressValueChanged(int slot, int value);

private:
    int openParameterSheet(WorkBooks *books, const QString &path, bool import);
    int runWithProgress(bool import, const QString &file, QModbusClient *device,
                        const std::function<void(int)> &percent);
    void closeWorkbook();

    std::unique_ptr<WorkBooks> m_books;
    Workbook *m_workbook = nullptr;
    bool givingUp(int row, int lastRow);
    void failRow(int row, const QString &why);
    bool writeRow(QModbusClient *device, const ImportRowPlan &plan, const QString &source, int row);
    QVector<WriteEvent> expectedWrites(const Workbook &book, int lastRow,
                                       const QString &source) const;

    ParamFileReport m_report;
    std::function<bool()> m_giveUp;
    InstrumentValues m_values;
    bool m_gaveUp = false;
    QString m_refusal;
};
