#include "entrycsv.h"

#include "entryfields.h"

namespace {

QString csvField(QString text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QString CsvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QStringList EntryCsvHeader()
{
    QStringList header;
    for (const EntryField &field : EntryFields(ServiceEntry()))
        header << QLatin1String(field.name);
    return header << QStringLiteral("hash");
}

QStringList EntryCsvValues(const ServiceEntry &entry)
{
    QStringList values;
    for (const EntryField &field : EntryFields(entry))
        values << field.value;
    return values << entry.hash;
}
