#include "exeltowrite.h"
#include "logcategories.h"

#include "modbuslink.h"
#include "paramcatalogue.h"
#include "pollhold.h"
#include "valuebinding.h"
#include "workbook.h"
#include "writesource.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstring>

namespace {

const QString ParamSheet = QStringLiteral("读写类");

enum Column {
    AddressColumn = 1,
    NameColumn = 2,
    CountColumn = 3,
    MaxColumn = 4,
    MinColumn = 5,
    ValueColumn = 7
};

// Link parameters of the link in use: writing them would cut the import's own link.
bool isCalibrationActRow(qint64 address)
{
    constexpr qint64 FirstPoint = 112, LastPoint = 120;
    return address >= FirstPoint && address <= LastPoint && address % 2 == 0;
}

bool isLinkRow(qint64 address)
{
    if (gu32_ConnectType == 0)
        return address >= 300 && address <= 352;
    if (gu32_ConnectType == 1)
        return address >= 360 && address <= 395;
    return false;
}

// An unsigned decimal number of at most max, as the sheet holds it.
bool unsignedDecimal(const QString &text, quint64 max, quint64 *value)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,12}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch())
        return false;
    const quint64 v = t.toULongLong();
    if (v > max)
        return false;
    *value = v;
    return true;
}

// The limit cells convert as the layout says: a text that is no number counts as 0.
quint64 limitValue(const QString &text)
{
    quint64 v = 0;
    return unsignedDecimal(text, 0xFFFFFFFFull, &v) ? v : 0;
}

QString fileSha256(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QStringLiteral("unreadable");
    return QString::fromLatin1(hash.result().toHex());
}

QString rowList(const QVector<int> &rows)
{
    QStringList out;
    for (int r : rows)
        out << QString::number(r);
    return out.join(QStringLiteral(", "));
}

// The register a parameter's value is read from: a write-only switch reads back elsewhere.
int readBackAddress(int address)
{
    const ParamRow *p = FindParamByAddress(address);
    return p && p->access == ParamAccess::WriteOnly && p->readBack ? p->readBack : address;
}

// Empty, with *row set to the catalogue row, when a file row of this address,
// count and name stands for a parameter a file may write; otherwise why not.
QString identifyFileRow(int address, int count, const QString &name, const ParamRow **row)
{
    const ParamRow *p = FindParamByAddress(address);
    const bool writable =
        p && p->page > 0 &&
        (p->access == ParamAccess::ReadWrite || p->access == ParamAccess::WriteOnly);
    if (!writable)
        return p ? QStringLiteral("register %1 is never written by an import").arg(address)
                 : QStringLiteral("register %1 is no parameter of this version").arg(address);
    if (p->count != count)
        return QStringLiteral("register %1 holds %2 register(s), not %3")
            .arg(address)
            .arg(p->count)
            .arg(count);
    const QString stated = name.trimmed();
    const auto same = [&stated](const char *known) {
        return known && stated.compare(QString::fromUtf8(known), Qt::CaseInsensitive) == 0;
    };
    if (!same(p->nameEn) && !same(p->nameCn)) {
        // A name moved to another address says where it belongs.
        for (const ParamRow &other : ParameterCatalogue()) {
            if (same(other.nameEn) || same(other.nameCn))
                return QStringLiteral("\"%1\" is register %2, not %3 (%4)")
                    .arg(stated)
                    .arg(other.address)
                    .arg(address)
                    .arg(QString::fromUtf8(p->nameEn));
        }
        return QStringLiteral("register %1 is %2, not \"%3\"")
            .arg(address)
            .arg(QString::fromUtf8(p->nameEn), stated);
    }
    if (row)
        *row = p;
    return QString();
}

// What a request came to, with the instrument's exception when it refused.
QString resultText(ModbusResult result)
{
    const ModbusConnection *link = ProgramLink();
    return ModbusResultText(result, link ? link->lastExceptionCode() : 0);
}

QString floatText(quint32 bits)
{
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return QString::number(double(f), 'g', 6);
}

} // namespace

WorkBooks::WorkBooks() : m_failed(std::make_unique<Workbook>())
{}

WorkBooks::~WorkBooks()
{
    qDeleteAll(m_books);
}

Workbook *WorkBooks::Open(const QString &path)
{
    auto *book = new Workbook;
    if (!book->open(path)) {
        m_failed.reset(book);
        return nullptr;
    }
    m_books.append(book);
    return book;
}

ExelToWrite::ExelToWrite(QObject *parent) : QObject(parent)
{}

ExelToWrite::~ExelToWrite() = default;

WorkBooks *ExelToWrite::StartExcel()
{
    m_books = std::make_unique<WorkBooks>();
    qCDebug(lcFiles) << "workbook engine started";
    return m_books.get();
}

void ExelToWrite::QuitExcel()
{
    m_workbook = nullptr;
    m_books.reset();
}

int ExelToWrite::openParameterSheet(WorkBooks *books, const QString &path, bool import)
{
    m_workbook = nullptr;
    m_refusal.clear();
    if (!books) {
        qCDebug(lcFiles) << "no workbook engine";
        return NoWorkbook;
    }
    if (!QFileInfo(path).isFile()) {
        qCDebug(lcFiles).noquote() << "no such file:" << path;
        return NoWorkbook;
    }
    qCDebug(lcFiles).noquote() << (import ? "importing from" : "exporting to") << path;
    Workbook *book = books->Open(path);
    if (!book) {
        m_refusal = books->lastFailure().errorText();
        qCDebug(lcFiles).noquote() << "not opened:" << path << m_refusal;
        return NoWorkbook;
    }
    m_workbook = book;
    if (book->sheetNames().isEmpty()) {
        qCDebug(lcFiles) << "the workbook has no sheets";
        closeWorkbook();
        return NoSheets;
    }
    if (!book->selectSheet(ParamSheet)) {
        const bool missing = book->status() == WorkbookStatus::SheetMissing;
        if (missing) {
            qCDebug(lcFiles) << "no parameter sheet";
        } else {
            m_refusal = book->errorText();
            qCDebug(lcFiles).noquote() << "the sheets could not be read:" << m_refusal;
        }
        closeWorkbook();
        return missing ? NoParamSheet : NoSheets;
    }
    const int rows = book->rowCount();
    emit ShowMaxnRowssignal(rows);
    if (rows < 1) {
        qCDebug(lcFiles) << "the parameter sheet is empty";
        closeWorkbook();
        return NoData;
    }
    qCDebug(lcFiles) << "parameter sheet:" << rows << "rows," << book->columnCount() << "columns";
    return Done;
}

void ExelToWrite::closeWorkbook()
{
    if (m_workbook)
        m_workbook->close();
    m_workbook = nullptr;
}

ImportRowPlan PlanImportRow(const Workbook &book, int r)
{
    ImportRowPlan plan;
    const QString addressText = book.cellText(r, AddressColumn);
    const QString countText = book.cellText(r, CountColumn);
    const QString maxText = book.cellText(r, MaxColumn);
    const QString minText = book.cellText(r, MinColumn);
    const QString valueText = book.cellText(r, ValueColumn);

    bool signedOk = false;
    const qint64 signedAddress = addressText.trimmed().toLongLong(&signedOk);
    if (signedOk && isLinkRow(signedAddress))
        return plan;
    // A calibration point is an act on the loaded scale, not a value a file can
    // give back: written from a file it would take the point at whatever the
    // platform holds then. The page and zeltctl calibrate take points.
    if (signedOk && isCalibrationActRow(signedAddress))
        return plan;
    if (!countText.contains(QLatin1Char('1')) && !countText.contains(QLatin1Char('2')))
        return plan;
    if (valueText.isEmpty()) {
        plan.action = ImportRowPlan::SkipEmpty;
        return plan;
    }

    // Nothing is sent that the sheet does not state exactly.
    quint64 address = 0, count = 0, value = 0;
    QString refusal;
    if (!unsignedDecimal(countText, 2, &count) || count < 1)
        refusal = QStringLiteral("count %1 is neither 1 nor 2").arg(countText);
    else if (!unsignedDecimal(addressText, 0xFFFF, &address))
        refusal = QStringLiteral("address %1 is not a register").arg(addressText);
    else if (!unsignedDecimal(valueText, count == 1 ? 0xFFFF : 0xFFFFFFFFull, &value))
        refusal = QStringLiteral("value %1 is not an unsigned decimal of %2 register(s)")
                      .arg(valueText)
                      .arg(count);
    const ParamRow *p = nullptr;
    if (refusal.isEmpty())
        refusal = identifyFileRow(int(address), int(count), book.cellText(r, NameColumn), &p);
    plan.address = int(address);
    plan.readAddress = readBackAddress(plan.address);
    plan.count = int(count);
    plan.value = quint32(value);
    plan.stated = refusal.isEmpty();
    if (plan.stated) {
        // The catalogue's limits apply; the file's own are only compared with them.
        if (limitValue(minText) != quint64(p->rawMin) || limitValue(maxText) != quint64(p->rawMax))
            plan.limitsNote = QStringLiteral("the file's limits %1 .. %2 are not this version's "
                                             "%3 .. %4, which apply")
                                  .arg(minText.trimmed(), maxText.trimmed())
                                  .arg(p->rawMin)
                                  .arg(p->rawMax);
        if (qint64(value) < p->rawMin || qint64(value) > p->rawMax)
            refusal = QStringLiteral("value %1 lies outside %2 .. %3")
                          .arg(value)
                          .arg(p->rawMin)
                          .arg(p->rawMax);
    }
    plan.reason = refusal;
    plan.action = refusal.isEmpty() ? ImportRowPlan::Write : ImportRowPlan::Refuse;
    return plan;
}

ExportRowPlan PlanExportRow(const Workbook &book, int r)
{
    ExportRowPlan plan;
    const QString addressText = book.cellText(r, AddressColumn);
    const QString countText = book.cellText(r, CountColumn);
    if (addressText.isEmpty())
        return plan;
    quint64 address = 0, count = 0;
    if (!unsignedDecimal(countText, 3, &count) || count < 1) {
        plan.action = ExportRowPlan::Skip;
        return plan;
    }
    if (!unsignedDecimal(addressText, 0xFFFF, &address)) {
        plan.action = ExportRowPlan::Refuse;
        plan.reason = QStringLiteral("address %1 is not a register").arg(addressText);
        return plan;
    }
    plan.readAddress = readBackAddress(int(address));
    plan.count = int(count);
    plan.action = ExportRowPlan::Read;
    return plan;
}

QString ExportRowPlan::valueText(quint32 value) const
{
    return count == 3 ? floatText(value) : QString::number(value);
}

int ParamValueColumn()
{
    return ValueColumn;
}

bool ExelToWrite::givingUp(int row, int lastRow)
{
    if (!m_giveUp || !m_giveUp())
        return false;
    qCDebug(lcFiles).noquote() << QStringLiteral("the run gave up after row %1").arg(row);
    m_gaveUp = true;
    m_report.unreached = lastRow - row;
    m_report.rows = lastRow - 1; // rows 2 .. lastRow, done or not
    return true;
}

void ExelToWrite::failRow(int row, const QString &why)
{
    qCDebug(lcFiles).noquote() << QStringLiteral("row %1 failed:").arg(row) << why;
    m_report.failed.append(row);
    m_report.reasons.insert(row, why);
}

// Writes one row; with instrument values, reads it back as well.
bool ExelToWrite::writeRow(QModbusClient *device, const ImportRowPlan &plan, const QString &source,
                           int row)
{
    qCDebug(lcFiles) << "writing register" << plan.address;
    LinkSettings request;
    request.startAddress = plan.address;
    request.count = quint16(plan.count);
    WriteSource rowSource(QStringLiteral("%1 row %2").arg(source).arg(row));
    // The value before, as the instrument's values read for the run hold it
    // (registers the mirror does not keep, such as other ports' settings, included).
    quint32 held = 0;
    if (m_values && m_values(plan.readAddress, plan.count, &held))
        rowSource.setOldValue(held);
    ModbusResult result = WriteParam(device, plan.value, request);
    if (result == ModbusNoLink) {
        // The link went down with the write, so whether it took is not known.
        // The register is read once the link is up again, and written again
        // only when it does not hold the value.
        bool ok = false;
        ModbusResult readResult = ModbusNoLink;
        const quint32 now = ReadParam(plan.readAddress, plan.count, &ok, &readResult);
        if (!ok) {
            failRow(row, QStringLiteral("register %1: link lost during the write, and register "
                                        "%2 could not be read after it (%3)")
                             .arg(plan.address)
                             .arg(plan.readAddress)
                             .arg(resultText(readResult)));
            return false;
        }
        if (now == plan.value) {
            qCDebug(lcFiles).noquote()
                << QStringLiteral("row %1: the write lost with the link took").arg(row);
            rowSource.setReadBack(now);
            return true;
        }
        result = WriteParam(device, plan.value, request);
    }
    if (result != ModbusOk) {
        failRow(row, QStringLiteral("register %1: %2").arg(plan.address).arg(resultText(result)));
        return false;
    }
    if (!m_values)
        return true;
    bool ok = false;
    const quint32 back = ReadParam(plan.readAddress, plan.count, &ok);
    if (ok)
        rowSource.setReadBack(back);
    if (!ok)
        failRow(row, QStringLiteral("register %1 could not be read back after the write")
                         .arg(plan.readAddress));
    else if (back != plan.value)
        failRow(row, QStringLiteral("register %1 reads %2 back after writing %3")
                         .arg(plan.readAddress)
                         .arg(back)
                         .arg(plan.value));
    return ok && back == plan.value;
}

// The writes the rows of the sheet will make, as far as the sheet and the
// instrument's known values tell.
QVector<WriteEvent> ExelToWrite::expectedWrites(const Workbook &book, int lastRow,
                                                const QString &source) const
{
    QVector<WriteEvent> writes;
    for (int r = 2; r <= lastRow; ++r) {
        const ImportRowPlan plan = PlanImportRow(book, r);
        if (plan.action != ImportRowPlan::Write)
            continue;
        quint32 held = 0;
        const bool known = m_values && m_values(plan.readAddress, plan.count, &held);
        if (known && plan.stated && held == plan.value)
            continue;
        WriteEvent w;
        w.oldKnown = known;
        w.oldValue = held;
        w.source = QStringLiteral("%1 row %2").arg(source).arg(r);
        w.address = plan.address;
        w.count = plan.count;
        w.value = plan.count == 1 ? (plan.value & 0xFFFF) : plan.value;
        writes.append(w);
    }
    return writes;
}

int ExelToWrite::ImportExcel(WorkBooks *books, const QString &path, QModbusClient *device)
{
    m_report = ParamFileReport();
    m_gaveUp = false;
    const int access = openParameterSheet(books, path, true);
    if (access != Done)
        return access;
    Workbook *book = m_workbook;
    const int n = book->rowCount();
    // The file as it was when its rows were written, for the service record.
    const QString fileSource =
        QStringLiteral("file %1 sha256 %2").arg(QFileInfo(path).fileName(), fileSha256(path));
    PollHold hold;
    // The rows are recorded together, and committed before the import returns;
    // the writes the rows will make are announced to the record ahead of them.
    const WriteBatch batch(expectedWrites(*book, n, fileSource));
    emit progressRangeChanged(ImportBar, 1, n);

    for (int r = 2; r <= n; ++r) {
        emit progressValueChanged(ImportBar, r);
        ++m_report.rows;
        const ImportRowPlan plan = PlanImportRow(*book, r);
        if (plan.action == ImportRowPlan::Skip) {
            ++m_report.skipped;
            continue;
        }
        if (gu8_LinkStop)
            return Stopped;
        WaitMs(1);
        if (plan.action == ImportRowPlan::SkipEmpty) {
            ++m_report.skipped;
            continue;
        }
        if (!plan.limitsNote.isEmpty())
            m_report.otherLimits.insert(r, plan.limitsNote);
        // A row whose register already holds the file's value is left alone,
        // even where the limits would refuse that value.
        quint32 held = 0;
        const bool known = m_values && plan.stated && m_values(plan.readAddress, plan.count, &held);
        if (known && held == plan.value) {
            ++m_report.unchanged;
            continue;
        }
        if (plan.action == ImportRowPlan::Refuse) {
            qCDebug(lcFiles).noquote() << QStringLiteral("row %1 refused:").arg(r) << plan.reason;
            m_report.refused.append(r);
            m_report.reasons.insert(r, plan.reason);
            continue;
        }
        // A run that gave up sends nothing more.
        if (givingUp(r - 1, n))
            break;
        if (m_values && !known) {
            failRow(r, QStringLiteral("register %1 could not be read").arg(plan.readAddress));
        } else if (writeRow(device, plan, fileSource, r)) {
            ++m_report.done;
            continue;
        }
        if (givingUp(r, n))
            break;
    }
    qCDebug(lcFiles) << "import done";
    if (!m_report.refused.isEmpty())
        qCDebug(lcFiles).noquote() << "refused rows:" << rowList(m_report.refused);
    if (!m_report.failed.isEmpty())
        qCDebug(lcFiles).noquote() << "failed rows:" << rowList(m_report.failed);
    hold.release();
    closeWorkbook();
    if (m_gaveUp)
        return GaveUp;
    return m_report.failed.isEmpty() ? Done : RowsFailed;
}

int ExelToWrite::ExportExcel(WorkBooks *books, const QString &path, QModbusClient *device)
{
    Q_UNUSED(device) // the parameter reads go through the program's one client
    m_report = ParamFileReport();
    m_gaveUp = false;
    const int access = openParameterSheet(books, path, false);
    if (access != Done)
        return access;
    Workbook *book = m_workbook;
    if (book->isReadOnly()) {
        qCDebug(lcFiles).noquote() << "the export target cannot be written:" << path;
        closeWorkbook();
        return NoWorkbook;
    }
    const int n = book->rowCount();
    PollHold hold;
    emit progressRangeChanged(ExportBar, 1, n);

    for (int r = 2; r <= n; ++r) {
        emit progressValueChanged(ExportBar, r);
        ++m_report.rows;
        const ExportRowPlan plan = PlanExportRow(*book, r);
        if (plan.action == ExportRowPlan::SkipEmpty) {
            ++m_report.skipped;
            continue;
        }
        if (gu8_LinkStop)
            return Stopped;
        // A row read from the instrument waits its turn; one taken from values
        // the caller read before costs no time on the line.
        if (!m_values)
            WaitMs(1);
        if (plan.action == ExportRowPlan::Skip) {
            ++m_report.skipped; // the layout knows no such count: the row stays as it is
            continue;
        }
        if (plan.action == ExportRowPlan::Refuse) {
            qCDebug(lcFiles).noquote() << QStringLiteral("row %1 refused:").arg(r) << plan.reason;
            m_report.refused.append(r);
            m_report.reasons.insert(r, plan.reason);
            continue;
        }
        bool ok = false;
        quint32 value = 0;
        if (m_values)
            ok = m_values(plan.readAddress, plan.readCount(), &value);
        else
            value = ReadParam(plan.readAddress, plan.readCount(), &ok);
        if (!ok) {
            book->setCellText(r, ValueColumn, QString());
            failRow(r, QStringLiteral("register %1 could not be read").arg(plan.readAddress));
            if (givingUp(r, n))
                break;
            continue;
        }
        book->setCellText(r, ValueColumn, plan.valueText(value));
        ++m_report.done;
    }
    qCDebug(lcFiles) << "export done";
    if (!m_report.failed.isEmpty())
        qCDebug(lcFiles).noquote() << "failed rows:" << rowList(m_report.failed);
    hold.release();
    const bool saved = book->save();
    if (!saved)
        qCDebug(lcFiles).noquote() << "export not saved:" << book->errorText();
    closeWorkbook();
    if (!saved)
        return NotSaved;
    if (m_gaveUp)
        return GaveUp;
    return m_report.failed.isEmpty() ? Done : RowsFailed;
}

int ExelToWrite::runWithProgress(bool import, const QString &file, QModbusClient *device,
                                 const std::function<void(int)> &percent)
{
    const int bar = import ? ImportBar : ExportBar;
    int minimum = 0, maximum = 0;
    QObject scope; // the connections end with this run
    connect(this, &ExelToWrite::progressRangeChanged, &scope, [&](int slot, int lo, int hi) {
        if (slot == bar) {
            minimum = lo;
            maximum = hi;
        }
    });
    connect(this, &ExelToWrite::progressValueChanged, &scope, [&](int slot, int value) {
        if (slot == bar && percent)
            percent(maximum > minimum ? (value - minimum) * 100 / (maximum - minimum) : 100);
    });
    WorkBooks *books = StartExcel();
    const int result = import ? ImportExcel(books, file, device) : ExportExcel(books, file, device);
    QuitExcel();
    return result;
}

int ExelToWrite::RunImport(const QString &file, QModbusClient *device,
                           const std::function<void(int)> &percent)
{
    return runWithProgress(true, file, device, percent);
}

int ExelToWrite::RunExport(const QString &file, QModbusClient *device,
                           const std::function<void(int)> &percent)
{
    return runWithProgress(false, file, device, percent);
}

QString ExelToWrite::ReportText(const ParamFileReport &report, bool import)
{
    QString text = tr("%1 rows: ").arg(report.rows) +
                   (import ? tr("%1 written").arg(report.done) : tr("%1 read").arg(report.done));
    if (!report.refused.isEmpty())
        text +=
            tr(", %1 refused (rows %2)").arg(report.refused.size()).arg(rowList(report.refused));
    if (!report.failed.isEmpty())
        text += tr(", %1 failed (rows %2)").arg(report.failed.size()).arg(rowList(report.failed));
    if (report.unchanged)
        text += tr(", %1 unchanged").arg(report.unchanged);
    if (report.skipped)
        text += tr(", %1 skipped").arg(report.skipped);
    if (report.unreached)
        text += tr(", %1 not reached").arg(report.unreached);
    if (!report.otherLimits.isEmpty())
        text += tr("; %1 with limits other than this version's (rows %2)")
                    .arg(report.otherLimits.size())
                    .arg(rowList(report.otherLimits.keys().toVector()));
    return text;
}
