#include "localstore.h"

#include "entrycolumns.h"
#include "sqlconnection.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QUuid>
#include <QVariant>

namespace {

// Long enough for a burst of writers; an append holds the lock for a few ms.
const int BusyTimeoutMs = 30000;
const int SqliteBusy = 5;
const int SqliteLocked = 6;

// SQLite answers "busy" at once instead of waiting where waiting could
// deadlock (changing the journal mode while another process creates the file,
// a writer finding the log being recovered); such statements are tried again.
bool execWaiting(const QSqlDatabase &db, const QString &sql, QString *error)
{
    QElapsedTimer waited;
    waited.start();
    for (int pause = 1;; pause = qMin(pause * 2, 50)) {
        QSqlQuery query(db);
        if (query.exec(sql))
            return true;
        const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
        if ((code != SqliteBusy && code != SqliteLocked) || waited.elapsed() > BusyTimeoutMs) {
            SetError(error, query.lastError().text());
            return false;
        }
        QThread::msleep(pause);
    }
}

bool makeTables(const QSqlDatabase &db, QString *error)
{
    const QStringList statements = {
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS entries (seq INTEGER PRIMARY KEY,"
                       " id TEXT NOT NULL UNIQUE, %1, copied INTEGER NOT NULL DEFAULT 0)")
            .arg(EntryFieldDefinitions()),
        QStringLiteral("CREATE INDEX IF NOT EXISTS entries_time ON entries (time_ms)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS entries_serial ON entries (serial, time_ms)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS entries_param ON entries (param_name)"),
        // Failures are few: a filter on them must not walk every entry to find none.
        QStringLiteral("CREATE INDEX IF NOT EXISTS entries_outcome ON entries (outcome, time_ms)"),
        // Small: only the entries still waiting for the shared store.
        QStringLiteral("CREATE INDEX IF NOT EXISTS entries_uncopied ON entries (seq)"
                       " WHERE copied = 0"),
        // A write announced before it is sent, until its outcome is in the chain.
        QStringLiteral("CREATE TABLE IF NOT EXISTS intents (seq INTEGER, id TEXT PRIMARY KEY, %1,"
                       " owner_pid BIGINT NOT NULL, owner_host TEXT NOT NULL,"
                       " owner_start TEXT NOT NULL)")
            .arg(EntryFieldDefinitions()),
        QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES ('schema', '1')"),
    };
    for (const QString &sql : statements) {
        if (!ExecSql(db, sql, error))
            return false;
    }
    QSqlQuery origin(db);
    origin.prepare(QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES ('origin', ?)"));
    origin.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    return ExecQuery(origin, error);
}

bool readOrigin(const QSqlDatabase &db, QString *origin, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'origin'")) ||
        !query.next()) {
        SetError(error, QStringLiteral("the database has no origin id"));
        return false;
    }
    *origin = query.value(0).toString();
    return true;
}

bool prepare(const QSqlDatabase &db, QString *origin, QString *error)
{
    // A committed entry survives the process being killed (the write-ahead log
    // holds it); it is flushed to the disk at each checkpoint rather than at
    // every entry, which would cost a third of an import's time.
    const bool ready = execWaiting(db, QStringLiteral("PRAGMA journal_mode = WAL"), error) &&
                       ExecSql(db, QStringLiteral("PRAGMA synchronous = NORMAL"), error) &&
                       BeginImmediate(db, error);
    if (ready && makeTables(db, error) && Commit(db, error) && readOrigin(db, origin, error))
        return true;
    Rollback(db);
    return false;
}

} // namespace

bool OpenLocalStore(SqlConnection &connection, const QString &path, QString *origin, QString *error)
{
    const auto setup = [&](QSqlDatabase &db) {
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    };
    QString why;
    if (!connection.open(QStringLiteral("QSQLITE"), setup, &why)) {
        SetError(error, QStringLiteral("cannot open %1: %2").arg(path, why));
        return false;
    }
    if (prepare(connection.db(), origin, &why))
        return true;
    connection.close();
    SetError(error, QStringLiteral("cannot use %1 as the service record: %2")
                        .arg(QFileInfo(path).absoluteFilePath(), why));
    return false;
}

bool OpenLocalStoreReadOnly(SqlConnection &connection, const QString &path, QString *origin,
                            QString *error)
{
    if (!QFileInfo(path).isFile()) {
        SetError(error, QStringLiteral("no record here: %1 does not exist").arg(path));
        return false;
    }
    const auto setup = [&](QSqlDatabase &db) {
        db.setDatabaseName(path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    };
    QString why;
    if (!connection.open(QStringLiteral("QSQLITE"), setup, &why)) {
        SetError(error, QStringLiteral("cannot open %1: %2").arg(path, why));
        return false;
    }
    QSqlQuery query(connection.db());
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND "
                                   "name = 'entries'")) ||
        !query.next() || query.value(0).toInt() != 1) {
        const QString reason = query.lastError().isValid()
                                   ? query.lastError().text()
                                   : QStringLiteral("it holds no entries table");
        query.finish();
        connection.close();
        SetError(
            error,
            QStringLiteral("no record here: %1 is not a service record (%2)").arg(path, reason));
        return false;
    }
    query.finish();
    origin->clear();
    if (query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'origin'")) && query.next())
        *origin = query.value(0).toString();
    return true;
}

bool BeginImmediate(const QSqlDatabase &db, QString *error)
{
    return execWaiting(db, QStringLiteral("BEGIN IMMEDIATE"), error);
}

bool Commit(const QSqlDatabase &db, QString *error)
{
    return ExecSql(db, QStringLiteral("COMMIT"), error);
}

void Rollback(const QSqlDatabase &db)
{
    ExecSql(db, QStringLiteral("ROLLBACK"), nullptr);
}
