#include "workbookbackend.h"

#include <QFile>
#include <freexl.h>

namespace {

// Old-style binary workbooks, read through FreeXL; they are only imported.
class XlsBackend : public WorkbookBackend
{
public:
    explicit XlsBackend(const WorkbookLimits &limits) : m_limits(limits) {}
    ~XlsBackend() override
    {
        if (m_handle)
            freexl_close(m_handle);
    }

    WorkbookStatus load(const QString &path, QString *error)
    {
        const QByteArray name = QFile::encodeName(path);
        const int rc = freexl_open(name.constData(), &m_handle);
        if (rc != FREEXL_OK) {
            m_handle = nullptr;
            *error = QStringLiteral("the binary workbook cannot be read (FreeXL %1): %2")
                         .arg(rc)
                         .arg(path);
            return WorkbookStatus::Damaged;
        }
        unsigned int count = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) {
            *error = QStringLiteral("the binary workbook lists no worksheets: %1").arg(path);
            return WorkbookStatus::Damaged;
        }
        for (unsigned int i = 0; i < count && i < 0xFFFF; ++i) {
            const char *sheet = nullptr;
            if (freexl_get_worksheet_name(m_handle, quint16(i), &sheet) != FREEXL_OK || !sheet) {
                *error = QStringLiteral("worksheet %1 has no readable name").arg(i);
                return WorkbookStatus::Damaged;
            }
            m_names.append(QString::fromUtf8(sheet));
        }
        return WorkbookStatus::Ok;
    }

    bool readOnly() const override { return true; }
    QStringList sheetNames() const override { return m_names; }

    WorkbookStatus loadSheet(const QString &name, CellMap *cells, QString *error) override
    {
        const int index = m_names.indexOf(name);
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (index < 0 || freexl_select_active_worksheet(m_handle, quint16(index)) != FREEXL_OK ||
            freexl_worksheet_dimensions(m_handle, &rows, &columns) != FREEXL_OK) {
            *error = QStringLiteral("worksheet %1 cannot be read").arg(name);
            return WorkbookStatus::Damaged;
        }
        if (qint64(rows) * columns > m_limits.maxCells) {
            *error = QStringLiteral("worksheet %1 spans %2 x %3 cells, beyond the limit")
                         .arg(name)
                         .arg(rows)
                         .arg(columns);
            return WorkbookStatus::TooLarge;
        }
        for (unsigned int r = 0; r < rows; ++r) {
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue value;
                if (freexl_get_cell_value(m_handle, r, c, &value) != FREEXL_OK)
                    continue;
                QString text;
                switch (value.type) {
                case FREEXL_CELL_INT:
                    text = QString::number(value.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    text = NumberText(value.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    text = QString::fromUtf8(value.value.text_value);
                    break;
                default:
                    break;
                }
                if (!text.isEmpty())
                    cells->insert(CellKey(int(r) + 1, int(c) + 1), text);
            }
        }
        return WorkbookStatus::Ok;
    }

    void setCell(const QString &, int, int, const QString &) override {}
    WorkbookStatus save(const QString &, const QHash<QString, QString> &, QString *error) override
    {
        *error = QStringLiteral("binary workbooks are read only");
        return WorkbookStatus::ReadOnly;
    }

private:
    WorkbookLimits m_limits;
    const void *m_handle = nullptr;
    QStringList m_names;
};

} // namespace

std::unique_ptr<WorkbookBackend> OpenXls(const QString &path, const WorkbookLimits &limits,
                                         WorkbookStatus *status, QString *error)
{
    auto backend = std::make_unique<XlsBackend>(limits);
    *status = backend->load(path, error);
    if (*status != WorkbookStatus::Ok)
        return nullptr;
    return backend;
}
