#include "sharedsync.h"

#include "entrycolumns.h"
#include "localstore.h"
#include "serviceentry.h"
#include "sharedstore.h"
#include "sqlconnection.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QVector>

namespace {

const int BatchSize = 200;

bool readBatch(const QSqlDatabase &local, QVector<ServiceEntry> *batch, QString *error)
{
    QSqlQuery query(local);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM entries WHERE copied = 0 ORDER BY seq LIMIT %2")
                      .arg(EntryColumns())
                      .arg(BatchSize));
    if (!ExecQuery(query, error))
        return false;
    while (query.next())
        batch->append(EntryFromRow(query));
    return true;
}

bool sendBatch(const QSqlDatabase &shared, const QString &origin,
               const QVector<ServiceEntry> &batch, SyncResult *result, QString *error)
{
    QSqlDatabase db = shared;
    if (!db.transaction()) {
        SetError(error, QStringLiteral("the shared store refused a transaction"));
        return false;
    }
    int copied = 0;
    {
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO service_entries (origin, %1) VALUES (?, %2)"
                                      " ON CONFLICT (id) DO NOTHING")
                           .arg(EntryColumns(), EntryPlaceholders()));
        for (const ServiceEntry &entry : batch) {
            insert.addBindValue(origin);
            BindEntry(insert, entry);
            if (!ExecQuery(insert, error)) {
                insert.finish();
                db.rollback();
                return false;
            }
            copied += insert.numRowsAffected();
        }
    }
    if (!db.commit()) {
        SetError(error, QStringLiteral("the shared store did not commit"));
        db.rollback();
        return false;
    }
    result->copied += copied;
    result->alreadyThere += batch.size() - copied;
    return true;
}

bool markCopied(const QSqlDatabase &local, const QVector<ServiceEntry> &batch, QString *error)
{
    if (!BeginImmediate(local, error))
        return false;
    QSqlQuery mark(local);
    mark.prepare(
        QStringLiteral("UPDATE entries SET copied = 1 WHERE copied = 0 AND seq BETWEEN ? AND ?"));
    mark.addBindValue(batch.first().seq);
    mark.addBindValue(batch.last().seq);
    const bool marked = ExecQuery(mark, error);
    mark.finish();
    if (marked && Commit(local, error))
        return true;
    Rollback(local);
    return false;
}

} // namespace

SyncResult CopyPending(const QSqlDatabase &local, const QString &origin, const QSqlDatabase &shared)
{
    SyncResult result;
    for (;;) {
        QVector<ServiceEntry> batch;
        if (!readBatch(local, &batch, &result.error))
            return result;
        if (batch.isEmpty())
            break;
        if (!sendBatch(shared, origin, batch, &result, &result.error) ||
            !markCopied(local, batch, &result.error)) {
            result.failed = qMax(0, PendingCopies(local));
            return result;
        }
    }
    result.ok = true;
    return result;
}

SyncResult CopyToShared(const QSqlDatabase &local, const QString &origin, const QString &url)
{
    SqlConnection shared;
    SyncResult result;
    if (!OpenSharedStore(shared, url, &result.error)) {
        result.failed = qMax(0, PendingCopies(local));
        return result;
    }
    return CopyPending(local, origin, shared.db());
}

int PendingCopies(const QSqlDatabase &local)
{
    QSqlQuery query(local);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM entries WHERE copied = 0")) ||
        !query.next())
        return -1;
    return query.value(0).toInt();
}
