#include "localstore.h"

#include "entrycolumns.h"
#include "sqlconnection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <QUuid>
#include <QVariant>

namespace {

// Long enough for a burst of writers; an append holds the lock for a few ms.
// ZELT_RECORD_WAIT_MS sets another wait (a slow shared disk, a test).
int busyTimeoutMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("ZELT_RECORD_WAIT_MS", &ok);
    return ok && ms > 0 ? ms : 30000;
}
const int BusyTimeoutMs = busyTimeoutMs();
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
        if (code != SqliteBusy && code != SqliteLocked) {
            SetError(error, query.lastError().text());
            return false;
        }
        if (waited.elapsed() > BusyTimeoutMs) {
            SetError(error, LockHeldText(db.databaseName(), BusyTimeoutMs));
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
        // How far the record has been copied to each shared store (by its id):
        // entries 1 to `through` are there, the last with that hash.
        QStringLiteral("CREATE TABLE IF NOT EXISTS copies (store TEXT PRIMARY KEY,"
                       " through INTEGER NOT NULL, hash TEXT NOT NULL)"),
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
    // The time (UTC ms) by which an intent's program completes or renews it;
    // 0 in intents of earlier versions.
    QSqlQuery columns(db);
    bool leased = false;
    if (!columns.exec(QStringLiteral("PRAGMA table_info(intents)"))) {
        SetError(error, columns.lastError().text());
        return false;
    }
    while (columns.next())
        leased = leased || columns.value(1).toString() == QLatin1String("lease_until");
    columns.finish();
    if (!leased && !ExecSql(db,
                            QStringLiteral("ALTER TABLE intents ADD COLUMN lease_until INTEGER "
                                           "NOT NULL DEFAULT 0"),
                            error))
        return false;
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

bool hasEntries(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND "
                                     "name IN ('entries', 'meta')")) &&
           query.next() && query.value(0).toInt() == 2;
}

bool prepare(const QSqlDatabase &db, bool create, QString *origin, QString *error, bool *noTables)
{
    // A committed entry survives the process being killed (the write-ahead log
    // holds it); it is flushed to the disk at each checkpoint rather than at
    // every entry, which would cost a third of an import's time.
    const bool ready = execWaiting(db, QStringLiteral("PRAGMA journal_mode = WAL"), error) &&
                       ExecSql(db, QStringLiteral("PRAGMA synchronous = NORMAL"), error) &&
                       BeginImmediate(db, error);
    if (ready && !create && !hasEntries(db)) {
        Rollback(db);
        if (noTables)
            *noTables = true;
        SetError(error, QStringLiteral("it holds no entries table"));
        return false;
    }
    if (ready && makeTables(db, error) && Commit(db, error) && readOrigin(db, origin, error))
        return true;
    Rollback(db);
    return false;
}

} // namespace

QString LockHeldText(const QString &path, int waitedMs)
{
    QStringList holders;
#ifdef Q_OS_LINUX
    // The processes that hold the record (or its log) open, other than this one.
    const QString target = QFileInfo(path).canonicalFilePath();
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        bool number = false;
        pid.toLongLong(&number);
        if (!number || pid == self)
            continue;
        const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
        const QStringList links =
            QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &fd : links) {
            const QString file = QFile::symLinkTarget(fds + QLatin1Char('/') + fd);
            if (target.isEmpty() || !file.startsWith(target))
                continue;
            QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
            const QString name = comm.open(QIODevice::ReadOnly)
                                     ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                     : QStringLiteral("a program");
            holders << QStringLiteral("%1 (process %2)").arg(name, pid);
            break;
        }
    }
#endif
    return QStringLiteral("it is locked by %1, which kept it for more than %2 s: close that "
                          "program and try again (moving the record would start a new one)")
        .arg(holders.isEmpty() ? QStringLiteral("another program")
                               : holders.join(QStringLiteral(", ")))
        .arg(waitedMs / 1000);
}

bool OpenLocalStore(SqlConnection &connection, const QString &path, QString *origin, QString *error,
                    bool create, bool *noTables)
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
    if (prepare(connection.db(), create, origin, &why, noTables))
        return true;
    connection.close();
    SetError(error, QStringLiteral("cannot use %1 as the service record: %2")
                        .arg(QFileInfo(path).absoluteFilePath(), why));
    return false;
}

QString RecordFilesStamp(const QString &path)
{
    QStringList parts;
    for (const QString &file : {path, path + QStringLiteral("-wal")}) {
        const QFileInfo info(file);
        parts << (info.exists() ? QStringLiteral("%1@%2")
                                      .arg(info.size())
                                      .arg(info.lastModified().toMSecsSinceEpoch())
                                : QStringLiteral("-"));
    }
    return parts.join(QLatin1Char(' '));
}

namespace {

// The record and its log into a folder of their own, taken again while a
// writer changes them under the copy.
bool copyRecordFiles(const QString &path, QTemporaryDir &into, QString *copied, QString *error)
{
    const QString target = into.filePath(QStringLiteral("history.sqlite"));
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QString before = RecordFilesStamp(path);
        QFile::remove(target);
        QFile::remove(target + QStringLiteral("-wal"));
        QFile::remove(target + QStringLiteral("-shm"));
        if (!QFile::copy(path, target)) {
            SetError(error, QStringLiteral("cannot read %1").arg(path));
            return false;
        }
        const QString wal = path + QStringLiteral("-wal");
        if (QFileInfo(wal).isFile() && !QFile::copy(wal, target + QStringLiteral("-wal"))) {
            SetError(error, QStringLiteral("cannot read %1").arg(wal));
            return false;
        }
        if (RecordFilesStamp(path) == before) {
            *copied = target;
            return true;
        }
    }
    SetError(error, QStringLiteral("%1 kept changing while it was read").arg(path));
    return false;
}

} // namespace

bool OpenLocalStoreReadOnly(SqlConnection &connection, const QString &path, QString *origin,
                            QString *error, ReadOnlySource *source, bool copy)
{
    if (!QFileInfo(path).isFile()) {
        SetError(error, QStringLiteral("no record here: %1 does not exist").arg(path));
        return false;
    }
    source->copy.reset();
    source->stamp = RecordFilesStamp(path);
    const QFileInfo wal(path + QStringLiteral("-wal"));
    QString name;
    if (copy || (wal.isFile() && wal.size() > 0)) {
        source->copy = std::make_unique<QTemporaryDir>();
        QString why;
        if (!source->copy->isValid() || !copyRecordFiles(path, *source->copy, &name, &why)) {
            source->copy.reset();
            SetError(error, QStringLiteral("cannot read %1: %2")
                                .arg(path, why.isEmpty() ? QStringLiteral("no room for a copy of "
                                                                          "its log")
                                                         : why));
            return false;
        }
    } else {
        QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        url.setQuery(QStringLiteral("mode=ro&immutable=1"));
        name = url.toString(QUrl::FullyEncoded);
    }
    const bool uri = !source->copy;
    const auto setup = [&](QSqlDatabase &db) {
        db.setDatabaseName(name);
        // The private copy is opened as any record, so that its log is read in.
        db.setConnectOptions(uri ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI")
                                 : QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    };
    QString why;
    if (!connection.open(QStringLiteral("QSQLITE"), setup, &why)) {
        source->copy.reset();
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
        source->copy.reset();
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
