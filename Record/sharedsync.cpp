#include "sharedsync.h"

#include "entrycolumns.h"
#include "localstore.h"
#include "serviceentry.h"
#include "sharedstore.h"
#include "sqlconnection.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace {

const int BatchSize = 200;

// How far the record has copied to a store: every entry up to it is there.
const char *const CopiedThrough = "(SELECT COALESCE(MAX(through), 0) FROM copies WHERE store = ?)";

bool readBatch(const QSqlDatabase &local, const QString &store, QVector<ServiceEntry> *batch,
               QString *error)
{
    QSqlQuery query(local);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM entries WHERE seq > %2 ORDER BY seq LIMIT %3")
                      .arg(EntryColumns(), QLatin1String(CopiedThrough))
                      .arg(BatchSize));
    query.addBindValue(store);
    if (!ExecQuery(query, error))
        return false;
    while (query.next())
        batch->append(EntryFromRow(query));
    return true;
}

// An entry the insert left out: the same one copied before, or another one at
// its position (a fork), which is an error.
bool sameAsShared(const QSqlDatabase &db, const QString &origin, const ServiceEntry &entry,
                  bool *same, QString *error)
{
    QSqlQuery query(db);
    if (!ExecLiteral(query,
                     QStringLiteral("SELECT id, hash, origin, seq FROM service_entries"
                                    " WHERE id = ? OR (origin = ? AND seq = ?)"),
                     {entry.id, origin, entry.seq}, error))
        return false;
    *same = true;
    while (query.next()) {
        *same = *same && query.value(0).toString() == entry.id &&
                query.value(1).toString() == entry.hash && query.value(2).toString() == origin &&
                query.value(3).toLongLong() == entry.seq;
    }
    if (!*same) {
        SetError(error, QStringLiteral("the shared history holds another entry %1 of this record "
                                       "than the local one (id %2): the local record was cut "
                                       "back or rebuilt and written on; history verify --shared "
                                       "names where")
                            .arg(entry.seq)
                            .arg(entry.id));
    }
    return true;
}

bool sendBatch(const QSqlDatabase &shared, const QString &origin,
               const QVector<ServiceEntry> &batch, SyncResult *result, QString *error)
{
    QSqlDatabase db = shared;
    if (!db.transaction()) {
        SetError(error, QStringLiteral("the shared store refused a transaction: %1")
                            .arg(db.lastError().text()));
        return false;
    }
    // The whole batch in one statement: one round trip.
    QStringList rows;
    QVariantList values;
    for (const ServiceEntry &entry : batch) {
        rows << QStringLiteral("(?, %1)").arg(EntryPlaceholders());
        values << origin << EntryValues(entry);
    }
    QSet<QString> inserted;
    bool sent;
    {
        QSqlQuery insert(db);
        sent = ExecLiteral(insert,
                           QStringLiteral("INSERT INTO service_entries (origin, %1) VALUES %2"
                                          " ON CONFLICT DO NOTHING RETURNING id")
                               .arg(EntryColumns(), rows.join(QStringLiteral(", "))),
                           values, error);
        while (sent && insert.next())
            inserted.insert(insert.value(0).toString());
    }
    const int copied = inserted.size();
    for (const ServiceEntry &entry : batch) {
        bool same = false;
        if (!sent || inserted.contains(entry.id))
            continue;
        sent = sameAsShared(db, origin, entry, &same, error) && same;
    }
    if (sent && db.commit()) {
        result->copied += copied;
        result->alreadyThere += batch.size() - copied;
        return true;
    }
    if (sent)
        SetError(error,
                 QStringLiteral("the shared store did not commit: %1").arg(db.lastError().text()));
    // A connection that was cut has nothing to roll back.
    if (db.isOpen())
        db.rollback();
    return false;
}

bool markCopied(const QSqlDatabase &local, const QString &store, const QVector<ServiceEntry> &batch,
                QString *error)
{
    if (!BeginImmediate(local, error))
        return false;
    QSqlQuery mark(local);
    // Another program copying the same record may have moved the mark further.
    mark.prepare(QStringLiteral("INSERT INTO copies (store, through, hash) VALUES (?, ?, ?) ON "
                                "CONFLICT (store) DO UPDATE SET through = excluded.through, hash "
                                "= excluded.hash WHERE excluded.through > through"));
    mark.addBindValue(store);
    mark.addBindValue(batch.last().seq);
    mark.addBindValue(batch.last().hash);
    const bool marked = ExecQuery(mark, error);
    mark.finish();
    if (marked && Commit(local, error))
        return true;
    Rollback(local);
    return false;
}

// A mark whose entry is no longer the one copied (the record was cut back or
// rebuilt and written on) counts for nothing: the copy starts again from the
// first entry, and the store names the first position that differs.
bool checkMark(const QSqlDatabase &local, const QString &store, QString *error)
{
    QSqlQuery query(local);
    query.prepare(QStringLiteral("SELECT c.hash, e.hash FROM copies c LEFT JOIN entries e"
                                 " ON e.seq = c.through WHERE c.store = ?"));
    query.addBindValue(store);
    if (!ExecQuery(query, error))
        return false;
    const bool stale = query.next() && query.value(0).toString() != query.value(1).toString();
    query.finish();
    if (!stale)
        return true;
    QSqlQuery drop(local);
    drop.prepare(QStringLiteral("DELETE FROM copies WHERE store = ?"));
    drop.addBindValue(store);
    return ExecQuery(drop, error);
}

} // namespace

SyncResult CopyPending(const QSqlDatabase &local, const QString &origin, SharedStore &shared,
                       QDeadlineTimer until)
{
    SyncResult result;
    result.store = shared.storeId();
    if (!checkMark(local, result.store, &result.error))
        return result;
    for (;;) {
        if (until.hasExpired()) {
            result.failed = qMax(0, PendingCopies(local, result.store));
            result.error = QStringLiteral("the copy ran out of its time with %1 entries left "
                                          "for the next copy")
                               .arg(result.failed);
            return result;
        }
        QVector<ServiceEntry> batch;
        if (!readBatch(local, result.store, &batch, &result.error))
            return result;
        if (batch.isEmpty())
            break;
        const qint64 left = until.remainingTime();
        const int limit =
            left < 0 ? shared.callLimit() : int(qMin<qint64>(shared.callLimit(), left));
        const bool sent = shared.call(
            [&](QString *why) { return sendBatch(shared.db(), origin, batch, &result, why); },
            &result.error, qMax(1, limit));
        if (!sent || !markCopied(local, result.store, batch, &result.error)) {
            result.failed = qMax(0, PendingCopies(local, result.store));
            return result;
        }
    }
    result.ok = true;
    return result;
}

SyncResult CopyToShared(const QSqlDatabase &local, const QString &origin, const QString &url,
                        int callMs, QDeadlineTimer until)
{
    SharedStore shared;
    shared.setCallLimit(callMs);
    SyncResult result;
    if (!shared.open(url, &result.error)) {
        result.failed = qMax(0, PendingCopies(local, QString()));
        return result;
    }
    return CopyPending(local, origin, shared, until);
}

int PendingCopies(const QSqlDatabase &local, const QString &store)
{
    QSqlQuery query(local);
    query.prepare(store.isEmpty() ? QStringLiteral("SELECT COUNT(*) FROM entries WHERE seq > "
                                                   "(SELECT COALESCE(MIN(through), 0) FROM copies)")
                                  : QStringLiteral("SELECT COUNT(*) FROM entries WHERE seq > %1")
                                        .arg(QLatin1String(CopiedThrough)));
    if (!store.isEmpty())
        query.addBindValue(store);
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toInt();
}
