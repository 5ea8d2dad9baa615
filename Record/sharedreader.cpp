#include "sharedreader.h"

#include "entrycolumns.h"

#include <QSqlQuery>
#include <QVariant>

QVector<ServiceEntry> SharedReader::fetch(const HistoryFilter &filter, int limit)
{
    return select(FilterCondition(filter), limit);
}

QVector<ServiceEntry> SharedReader::fetchAfter(const HistoryFilter &filter,
                                               const ServiceEntry &last, int limit)
{
    SqlCondition condition = FilterCondition(filter);
    condition.sql += QStringLiteral(" AND (time_ms, origin, seq) < (?, ?, ?)");
    condition.values << last.timeUtc.toMSecsSinceEpoch() << last.origin << last.seq;
    return select(condition, limit);
}

QVector<ServiceEntry> SharedReader::select(SqlCondition condition, int limit)
{
    QVector<ServiceEntry> entries;
    // The local store's LIKE ignores case; PostgreSQL's needs to be told.
    condition.sql.replace(QStringLiteral(" LIKE "), QStringLiteral(" ILIKE "));
    m_lastError.clear();
    const bool read = m_store.call(
        [&](QString *why) {
            QSqlQuery query(m_store.db());
            query.setForwardOnly(true);
            if (!ExecLiteral(query,
                             QStringLiteral("SELECT %1, origin FROM service_entries WHERE %2 ORDER"
                                            " BY time_ms DESC, origin DESC, seq DESC LIMIT %3")
                                 .arg(EntryColumns(), condition.sql)
                                 .arg(qMax(0, limit)),
                             condition.values, why))
                return false;
            const int originColumn = EntryColumns().count(QLatin1Char(',')) + 1;
            while (query.next()) {
                entries.append(EntryFromRow(query));
                entries.last().origin = query.value(originColumn).toString();
            }
            return true;
        },
        &m_lastError);
    if (!read)
        entries.clear();
    return entries;
}
