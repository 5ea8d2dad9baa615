#include "workbook.h"
#include "logcategories.h"

#include "workbookbackend.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace {

WorkbookLimits currentLimits;

const char ZipMagic[] = "PK\x03\x04";
const char EmptyZipMagic[] = "PK\x05\x06";
const char OleMagic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

} // namespace

QString NumberText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // no "-0"
    // Whole numbers in plain digits: 1000000, not 1e+06.
    if (std::abs(value) < 1e15 && std::floor(value) == value)
        return QString::number(qint64(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

bool IsNumericText(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v);
}

QString CellReference(int row, int column)
{
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar('A' + (c - 1) % 26));
    return letters + QString::number(row);
}

bool ParseCellReference(const QStringView &ref, int *row, int *column)
{
    int i = 0;
    qint64 c = 0;
    while (i < ref.size() && ref.at(i).isLetter() && ref.at(i).unicode() < 128) {
        c = c * 26 + (ref.at(i).toUpper().unicode() - 'A' + 1);
        if (c > 16384)
            return false;
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    qint64 r = 0;
    for (; i < ref.size(); ++i) {
        if (!ref.at(i).isDigit())
            return false;
        r = r * 10 + ref.at(i).digitValue();
        if (r > 1048576)
            return false;
    }
    if (r < 1)
        return false;
    *row = int(r);
    *column = int(c);
    return true;
}

Workbook::Workbook() = default;
Workbook::~Workbook() = default;

void Workbook::setLimits(const WorkbookLimits &limits)
{
    currentLimits = limits;
}

WorkbookLimits Workbook::limits()
{
    return currentLimits;
}

bool Workbook::fail(WorkbookStatus status, const QString &text)
{
    m_status = status;
    m_error = text;
    qCDebug(lcFiles).noquote() << "Workbook:" << text;
    return false;
}

bool Workbook::open(const QString &path)
{
    close();
    m_path = path;
    m_status = WorkbookStatus::Ok;
    m_error.clear();
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return fail(WorkbookStatus::FileMissing, QStringLiteral("no such file: %1").arg(path));
    if (file.size() > currentLimits.maxFileBytes)
        return fail(WorkbookStatus::TooLarge,
                    QStringLiteral("file of %1 bytes is too large: %2").arg(file.size()).arg(path));
    const QByteArray head = file.read(8);
    file.close();

    WorkbookStatus status = WorkbookStatus::Ok;
    QString error;
    if (head.startsWith(ZipMagic) || head.startsWith(EmptyZipMagic))
        m_backend = OpenXlsx(path, currentLimits, &status, &error);
    else if (head == QByteArray(OleMagic, 8))
        m_backend = OpenXls(path, currentLimits, &status, &error);
    else
        return fail(WorkbookStatus::NotAWorkbook,
                    QStringLiteral("not a workbook (no zip or binary header): %1").arg(path));
    if (!m_backend)
        return fail(status, error);
    return true;
}

void Workbook::close()
{
    m_backend.reset();
    m_sheet.clear();
    m_cells.clear();
    m_lastRow = 0;
    m_lastColumn = 0;
}

bool Workbook::isOpen() const
{
    return m_backend != nullptr;
}

bool Workbook::isReadOnly() const
{
    return !m_backend || m_backend->readOnly();
}

QStringList Workbook::sheetNames() const
{
    return m_backend ? m_backend->sheetNames() : QStringList();
}

bool Workbook::selectSheet(const QString &name)
{
    m_sheet.clear();
    m_cells.clear();
    m_lastRow = m_lastColumn = 0;
    if (!m_backend)
        return fail(WorkbookStatus::FileMissing, QStringLiteral("no workbook is open"));
    if (!m_backend->sheetNames().contains(name))
        return fail(WorkbookStatus::SheetMissing,
                    QStringLiteral("no worksheet named %1").arg(name));
    QString error;
    const WorkbookStatus status = m_backend->loadSheet(name, &m_cells, &error);
    if (status != WorkbookStatus::Ok) {
        m_cells.clear();
        return fail(status, error);
    }
    m_sheet = name;
    recomputeRange();
    return true;
}

void Workbook::recomputeRange()
{
    m_lastRow = m_lastColumn = 0;
    for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        m_lastRow = qMax(m_lastRow, KeyRow(it.key()));
        m_lastColumn = qMax(m_lastColumn, KeyColumn(it.key()));
    }
}

QString Workbook::cellText(int row, int column) const
{
    return m_cells.value(CellKey(row, column));
}

bool Workbook::setCellText(int row, int column, const QString &text)
{
    if (!m_backend || m_sheet.isEmpty())
        return fail(WorkbookStatus::SheetMissing, QStringLiteral("no worksheet selected"));
    if (m_backend->readOnly())
        return fail(WorkbookStatus::ReadOnly,
                    QStringLiteral("this workbook format is read only: %1").arg(m_path));
    if (row < 1 || column < 1 || row > 1048576 || column > 16384)
        return fail(WorkbookStatus::TooLarge,
                    QStringLiteral("cell %1,%2 lies outside a worksheet").arg(row).arg(column));
    if (text.isEmpty())
        m_cells.remove(CellKey(row, column));
    else
        m_cells.insert(CellKey(row, column), text);
    m_backend->setCell(m_sheet, row, column, text);
    if (!text.isEmpty()) {
        m_lastRow = qMax(m_lastRow, row);
        m_lastColumn = qMax(m_lastColumn, column);
    } else {
        recomputeRange();
    }
    return true;
}

bool Workbook::save()
{
    if (!m_backend)
        return fail(WorkbookStatus::FileMissing, QStringLiteral("no workbook is open"));
    if (m_backend->readOnly())
        return fail(WorkbookStatus::ReadOnly,
                    QStringLiteral("this workbook format is read only: %1").arg(m_path));
    QHash<QString, QString> dimensions;
    if (!m_sheet.isEmpty()) {
        int firstRow = 0, firstColumn = 0;
        for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it) {
            const int r = KeyRow(it.key()), c = KeyColumn(it.key());
            firstRow = firstRow == 0 ? r : qMin(firstRow, r);
            firstColumn = firstColumn == 0 ? c : qMin(firstColumn, c);
        }
        dimensions.insert(m_sheet, m_lastRow == 0
                                       ? QStringLiteral("A1")
                                       : CellReference(firstRow, firstColumn) + QLatin1Char(':') +
                                             CellReference(m_lastRow, m_lastColumn));
    }
    QString error;
    const WorkbookStatus status = m_backend->save(m_path, dimensions, &error);
    if (status != WorkbookStatus::Ok)
        return fail(status, error);
    return true;
}

WorkbookStatus Workbook::statusOf(const QString &path)
{
    Workbook book;
    book.open(path);
    return book.status();
}
