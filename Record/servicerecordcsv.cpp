// ServiceRecord::exportCsv: the filtered history as a spreadsheet-ready file.
#include "servicerecord.h"

#include "entryfields.h"

#include <QSaveFile>
#include <QStringList>

namespace {

const int PageSize = 1000;

QString csvField(QString text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

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
    QStringList header;
    for (const EntryField &field : EntryFields(ServiceEntry()))
        header << QLatin1String(field.name);
    file.write(csvLine(header << QStringLiteral("hash")));
    QVector<ServiceEntry> page = fetch(filter, 0, PageSize);
    while (!page.isEmpty()) {
        for (const ServiceEntry &entry : page) {
            QStringList values;
            for (const EntryField &field : EntryFields(entry))
                values << field.value;
            file.write(csvLine(values << entry.hash));
        }
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
