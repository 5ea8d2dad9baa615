// ServiceRecord::exportCsv: the filtered history as a spreadsheet-ready file.
#include "servicerecord.h"

#include "entrycsv.h"

#include <QSaveFile>

namespace {

const int PageSize = 1000;

} // namespace

bool ServiceRecord::exportCsv(const HistoryFilter &filter, const QString &path, QString *error)
{
    m_lastError.clear();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    // The byte order mark makes spreadsheet programs read the Chinese names as UTF-8.
    file.write("\xEF\xBB\xBF");
    file.write(CsvLine(EntryCsvHeader()).toUtf8());
    QVector<ServiceEntry> page = fetch(filter, 0, PageSize);
    while (!page.isEmpty()) {
        for (const ServiceEntry &entry : page)
            file.write(CsvLine(EntryCsvValues(entry)).toUtf8());
        page = page.size() < PageSize ? QVector<ServiceEntry>()
                                      : fetchAfter(filter, page.last(), PageSize);
    }
    if (!m_lastError.isEmpty() || !file.commit()) {
        SetError(error, QStringLiteral("cannot write %1: %2")
                            .arg(path, m_lastError.isEmpty() ? file.errorString() : m_lastError));
        return false;
    }
    return true;
}
