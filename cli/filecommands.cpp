// The commands on parameter files: backup, restore and compare of one
// instrument.
#include "zeltctl.h"

#include "exeltowrite.h"
#include "paramtemplate.h"
#include "rowchecks.h"
#include "servicerecorder.h"
#include "workbook.h"
#include "zeltctlcommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryFile>

using namespace zeltctl;

namespace {

// A hidden name beside path that no file has, or empty with *error set when no
// file can be made there. The name is freed again, so that the workbook written
// there gets the usual permissions rather than a temporary file's.
QString UnusedSiblingName(const QString &path, QString *error)
{
    const QFileInfo info(path);
    QTemporaryFile file(info.dir().filePath(QLatin1Char('.') + info.completeBaseName() +
                                            QStringLiteral(".XXXXXX.xlsx")));
    if (file.open())
        return file.fileName();
    *error = file.errorString();
    return QString();
}

} // namespace

// How compare and restore --dry-run name what they found.
struct RowCheckTexts
{
    QString progress; // the progress bar's label
    QStringList header;
    QString listKey;      // the JSON list of the rows that differ
    QString differ;       // "differ", "would change"
    QString same;         // "equal", "unchanged"; also the JSON key of that count
    bool refusable;       // rows can be refused (counted and shown) before any read
    bool differencesFail; // exit status 1 when any row differs
};

bool Zeltctl::openSheet(Workbook *book, const QString &file)
{
    if (!book->open(file)) {
        noteErrorKind(ErrorKind::File);
        fail(ExitDiffers, QStringLiteral("%1: %2").arg(file, book->errorText()));
        return false;
    }
    if (!book->selectSheet(ParamSheet)) {
        // A sheet the engine refused to read says why, not that it is missing.
        const QString why = book->status() == WorkbookStatus::SheetMissing
                                ? QStringLiteral("no parameter sheet \"%1\"").arg(ParamSheet)
                                : book->errorText();
        noteErrorKind(ErrorKind::File);
        fail(ExitDiffers, QStringLiteral("%1: %2").arg(file, why));
        return false;
    }
    return true;
}

// Names on standard error every row whose limits differ from the catalogue's:
// the file was edited, or made for another version. The catalogue's apply.
void Zeltctl::noteOtherLimits(const QString &file, const Workbook &book)
{
    for (int r = 2; r <= book.rowCount(); ++r) {
        const QString note = PlanImportRow(book, r).limitsNote;
        if (!note.isEmpty())
            fail(ExitDone, QStringLiteral("%1: %2: %3").arg(file, rowLabel(book, r), note));
    }
}

QString Zeltctl::rowLabel(const Workbook &book, int row) const
{
    return QStringLiteral("row %1 (register %2, %3)")
        .arg(row)
        .arg(book.cellText(row, 1), book.cellText(row, 2));
}

// Prints what a procedure did with the rows of file (read from sheetFile when
// it ran on another file) and names every refused or failed row on standard
// error. Returns the exit status.
int Zeltctl::reportProcedure(const QString &file, bool import, const ExelToWrite &excel, int result,
                             const QString &sheetFile)
{
    const ParamFileReport &report = excel.lastReport();
    const bool ranRows = result == ExelToWrite::Done || result == ExelToWrite::RowsFailed ||
                         result == ExelToWrite::NotSaved || result == ExelToWrite::GaveUp;
    if (!ranRows || !excel.refusalText().isEmpty())
        noteErrorKind(ErrorKind::File);
    if (!excel.refusalText().isEmpty())
        return fail(ExitDiffers, QStringLiteral("%1: %2").arg(file, excel.refusalText()));
    if (!ranRows) {
        static const QHash<int, QString> texts = {
            {ExelToWrite::NoWorkbook, QStringLiteral("not a workbook that can be opened")},
            {ExelToWrite::NoSheets, QStringLiteral("the workbook has no worksheet")},
            {ExelToWrite::NoParamSheet,
             QStringLiteral("no parameter sheet \"%1\"").arg(ParamSheet)},
            {ExelToWrite::NoData, QStringLiteral("the parameter sheet is empty")},
            {ExelToWrite::Stopped, QStringLiteral("stopped")},
        };
        return fail(ExitDiffers, QStringLiteral("%1: %2").arg(
                                     file, texts.value(result, QString::number(result))));
    }
    Workbook book;
    const bool labelled =
        book.open(sheetFile.isEmpty() ? file : sheetFile) && book.selectSheet(ParamSheet);
    const auto label = [&](int row) {
        return labelled ? rowLabel(book, row) : QStringLiteral("row %1").arg(row);
    };
    for (int row : report.refused)
        fail(ExitDiffers,
             QStringLiteral("%1: %2 refused: %3").arg(file, label(row), report.reasons.value(row)));
    for (int row : report.failed)
        fail(ExitDiffers,
             QStringLiteral("%1: %2 failed: %3").arg(file, label(row), report.reasons.value(row)));
    if (result == ExelToWrite::NotSaved) {
        noteErrorKind(ErrorKind::File);
        fail(ExitDiffers, QStringLiteral("%1: the workbook could not be saved").arg(file));
    }
    if (result == ExelToWrite::GaveUp)
        fail(ExitUnreachable, file + QStringLiteral(": ") + GaveUpText(report.unreached));

    const QString summary = ExelToWrite::ReportText(report, import);
    if (m_json) {
        const auto rowArray = [](const QVector<int> &rows) {
            QJsonArray a;
            for (int r : rows)
                a.append(r);
            return a;
        };
        printResult(QJsonObject{{"file", QFileInfo(file).absoluteFilePath()},
                                {"rows", report.rows},
                                {import ? "written" : "read", report.done},
                                {"refused", rowArray(report.refused)},
                                {"failed", rowArray(report.failed)},
                                {"unchanged", report.unchanged},
                                {"skipped", report.skipped},
                                {"unreached", report.unreached},
                                {"summary", summary}},
                    {}, {});
    } else {
        m_s.out << QFileInfo(file).absoluteFilePath() << ": " << summary << '\n';
        m_s.out.flush();
    }
    const bool clean =
        report.refused.isEmpty() && report.failed.isEmpty() && result == ExelToWrite::Done;
    return clean ? ExitDone : (OutOfReach() ? ExitUnreachable : ExitDiffers);
}

int Zeltctl::cmdBackup(const QString &file)
{
    if (!file.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return usageError(QStringLiteral("%1: a backup is written as .xlsx").arg(file));
    const QFileInfo target(file);
    if (target.exists() && !target.isFile())
        return usageError(
            QStringLiteral("%1: not a regular file; a backup replaces only a file").arg(file));
    if (!target.absoluteDir().exists())
        return usageError(QStringLiteral("%1: no such folder").arg(target.absolutePath()));
    // The backup is written beside the target and takes its place only once
    // every row is read: a failed run leaves the earlier file as it was. A
    // folder no file can be made in is found before the instrument is asked.
    QString error;
    const QString fresh = UnusedSiblingName(file, &error);
    if (fresh.isEmpty())
        return usageError(QStringLiteral("%1: no file can be written in this folder (%2)")
                              .arg(target.absolutePath(), error));
    if (const int status = connectInstrument())
        return status;
    if (!WriteParamTemplate(fresh, 0, &error)) {
        disconnectInstrument();
        QFile::remove(fresh);
        noteErrorKind(ErrorKind::File);
        return fail(ExitDiffers, QStringLiteral("%1: %2").arg(file, error));
    }
    RegisterImage image;
    readGrouped(fresh, &CompareSpans, &image);
    ExelToWrite excel;
    excel.setGiveUp(&GaveUp);
    excel.setInstrumentValues(ImageValues(image, gu32_DwordFormat));
    int result = 0;
    {
        ProgressBar bar(m_s, QStringLiteral("backup"));
        result =
            excel.RunExport(fresh, gp_ModbusDevice, [&bar](int percent) { bar.show(percent); });
    }
    if (result == ExelToWrite::Done) {
        bool asideFailed = false;
        const QString kept = SetAsidePreviousExport(file, &asideFailed);
        if (asideFailed || !QFile::rename(fresh, file)) {
            disconnectInstrument();
            noteErrorKind(ErrorKind::File);
            return fail(ExitDiffers, QStringLiteral("%1: the earlier file could not be replaced; "
                                                    "the new backup is %2")
                                         .arg(file, fresh));
        }
        if (!kept.isEmpty())
            m_s.err << "zeltctl: the earlier " << file << " is kept as " << kept << '\n';
    }
    const int status = reportProcedure(file, false, excel, result, fresh);
    const ParamFileReport &report = excel.lastReport();
    ServiceRecorder::RecordBackup(QFileInfo(file).absoluteFilePath(),
                                  QStringLiteral("%1 rows: %2 read, %3 failed, %4 refused%5")
                                      .arg(report.rows)
                                      .arg(report.done)
                                      .arg(report.failed.size())
                                      .arg(report.refused.size())
                                      .arg(result == ExelToWrite::Done
                                               ? QString()
                                               : QStringLiteral("; not kept as the backup")));
    disconnectInstrument();
    if (result != ExelToWrite::Done)
        keepPartialBackup(file, fresh, result);
    return status;
}

// A backup that did not read every row never takes the target's place: what it
// did read is kept as <name>.part.xlsx beside it, and named on standard error.
void Zeltctl::keepPartialBackup(const QString &file, const QString &fresh, int result)
{
    const QFileInfo target(file);
    const QString partial =
        target.dir().filePath(target.completeBaseName() + QStringLiteral(".part.xlsx"));
    const bool rowsRead = result == ExelToWrite::RowsFailed || result == ExelToWrite::GaveUp;
    if (rowsRead) {
        QFile::remove(partial);
        if (QFile::rename(fresh, partial)) {
            m_s.err << "zeltctl: " << file << " is left as it was; the incomplete backup is "
                    << partial << '\n';
            m_s.err.flush();
            return;
        }
    }
    QFile::remove(fresh);
    m_s.err << "zeltctl: " << file << " is left as it was\n";
    m_s.err.flush();
}

// Checks every row of the sheet against the instrument, names each refused or
// unreadable row on standard error, prints the rows that differ with a summary
// and returns the exit status. The instrument is connected; this disconnects it.
int Zeltctl::checkRows(const QString &file, const Workbook &book, const RowCheckTexts &texts,
                       const std::function<RowCheck(int row)> &check)
{
    const int n = book.rowCount();
    int same = 0, refused = 0, failed = 0, skipped = 0, unreached = 0;
    QVector<QStringList> rows;
    QJsonArray list;
    // As backup and restore give them: the row numbers.
    QJsonArray refusedRows, failedRows;
    {
        ProgressBar bar(m_s, texts.progress);
        for (int r = 2; r <= n; ++r) {
            bar.show(n > 2 ? (r - 2) * 100 / (n - 2) : 100);
            const RowCheck c = check(r);
            // The rows whose registers were left unread when the instrument fell silent.
            if (c.outcome == RowCheck::Unreadable && GaveUp()) {
                ++unreached;
                continue;
            }
            switch (c.outcome) {
            case RowCheck::Skipped:
                ++skipped;
                break;
            case RowCheck::Refused:
                ++refused;
                refusedRows.append(r);
                fail(ExitDiffers,
                     QStringLiteral("%1: %2 refused: %3").arg(file, rowLabel(book, r), c.reason));
                break;
            case RowCheck::Unreadable:
                ++failed;
                failedRows.append(r);
                fail(ExitDiffers, QStringLiteral("%1: %2 failed: register %3 could not be read")
                                      .arg(file, rowLabel(book, r))
                                      .arg(c.address));
                break;
            case RowCheck::Same:
                ++same;
                break;
            case RowCheck::Differs:
                rows.append(m_raw ? c.rawCells : c.cells);
                list.append(c.json);
                break;
            }
        }
    }
    // A row the instrument would not read is a failed row while it answers.
    const bool lost = OutOfReach();
    disconnectInstrument();
    // The rows as they were counted, so that a row never looked at shows.
    const int counted = rows.size() + same + refused + failed + skipped;
    QString summary = QStringLiteral("%1 rows: %2 %3, %4 %5")
                          .arg(counted + unreached)
                          .arg(rows.size())
                          .arg(texts.differ)
                          .arg(same)
                          .arg(texts.same);
    if (texts.refusable)
        summary += QStringLiteral(", %1 refused").arg(refused);
    summary += QStringLiteral(", %1 failed, %2 skipped").arg(failed).arg(skipped);
    if (unreached)
        summary += QStringLiteral(", %1 not reached").arg(unreached);
    QJsonObject json{{"file", QFileInfo(file).absoluteFilePath()},
                     {"rows", counted + unreached},
                     {texts.listKey, list},
                     {texts.same, same},
                     {"failed", failedRows},
                     {"skipped", skipped},
                     {"unreached", unreached},
                     {"summary", summary}};
    if (texts.refusable)
        json.insert(QStringLiteral("refused"), refusedRows);
    printResult(json, texts.header, rows, summary);
    if (unreached)
        fail(ExitUnreachable, file + QStringLiteral(": ") + GaveUpText(unreached));
    if ((failed && lost) || unreached)
        return ExitUnreachable;
    const bool differs = texts.differencesFail && !rows.isEmpty();
    return refused || failed || differs ? ExitDiffers : ExitDone;
}

// Reads what the rows of file need by register groups, one request per group.
void Zeltctl::readGrouped(const QString &file, QVector<RegisterSpan> (*spans)(const Workbook &book),
                          RegisterImage *image)
{
    Workbook book;
    if (book.open(file) && book.selectSheet(ParamSheet))
        ReadRegisterImage(PlanGroupedReads(spans(book)), image, &GaveUp);
}

int Zeltctl::cmdRestore(const QString &file, bool dryRun, bool all)
{
    if (dryRun && all)
        return usageError(QStringLiteral("--all writes every row; --dry-run shows the rows that "
                                         "differ: give one of them"));
    if (const QString why = NotAFileText(file); !why.isEmpty())
        return usageError(why);
    {
        Workbook book; // a file that is no parameter file is refused before any traffic
        if (!openSheet(&book, file))
            return ExitDiffers;
        noteOtherLimits(file, book);
    }
    if (const int status = connectInstrument())
        return status;
    RegisterImage image;
    if (!all)
        readGrouped(file, &DryRunSpans, &image);
    const ExelToWrite::InstrumentValues values = ImageValues(image, gu32_DwordFormat);
    if (!dryRun) {
        // Only the rows that differ are written, unless --all asks for every row.
        ExelToWrite excel;
        excel.setGiveUp(&GaveUp);
        if (!all)
            excel.setInstrumentValues(values);
        int result = 0;
        {
            ProgressBar bar(m_s, QStringLiteral("restore"));
            result =
                excel.RunImport(file, gp_ModbusDevice, [&bar](int percent) { bar.show(percent); });
        }
        const int status = reportProcedure(file, true, excel, result);
        disconnectInstrument();
        return status;
    }
    Workbook book;
    openSheet(&book, file);
    const RowCheckTexts texts{QStringLiteral("restore --dry-run"),
                              DryRunHeader(),
                              QStringLiteral("changes"),
                              QStringLiteral("would change"),
                              QStringLiteral("unchanged"),
                              /*refusable=*/true,
                              /*differencesFail=*/false};
    return checkRows(file, book, texts, [&](int r) { return DryRunRow(book, r, values); });
}

int Zeltctl::cmdCompare(const QString &file)
{
    if (const QString why = NotAFileText(file); !why.isEmpty())
        return usageError(why);
    Workbook book;
    if (!openSheet(&book, file))
        return ExitDiffers;
    if (const int status = connectInstrument())
        return status;
    RegisterImage image;
    readGrouped(file, &CompareSpans, &image);
    const ExelToWrite::InstrumentValues values = ImageValues(image, gu32_DwordFormat);
    const RowCheckTexts texts{QStringLiteral("compare"),     CompareHeader(),
                              QStringLiteral("differences"), QStringLiteral("differ"),
                              QStringLiteral("equal"),
                              /*refusable=*/false,
                              /*differencesFail=*/true};
    return checkRows(file, book, texts, [&](int r) { return CompareRow(book, r, values); });
}
