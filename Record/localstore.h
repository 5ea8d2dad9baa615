#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class QSqlDatabase;
class SqlConnection;

// The local SQLite database: opened with a busy timeout and in WAL mode, so
// that the window and any number of zeltctl processes append at once; tables
// made on first use (unless create is false: a file without them is then an
// error, with *noTables set); *origin receives the database's own id, made once.
bool OpenLocalStore(SqlConnection &connection, const QString &path, QString *origin, QString *error,
                    bool create = true, bool *noTables = nullptr);

// What a record opened for reading was read from: the file itself, or a
// private copy of the file and its write-ahead log.
struct ReadOnlySource
{
    std::unique_ptr<QTemporaryDir> copy;
    // The record's files as they were when it was opened.
    QString stamp;
};

// An existing record for reading only: nothing is made or changed, no -shm or
// -wal included. Without a write-ahead log holding entries the file is read as
// it lies (SQLite's immutable mode: no lock, no shared-memory file); with one
// (a writer at work, or one that ended without its last close) the file and its
// log are copied into a private folder and read there, so a write-protected
// copy reads the same. copy forces the copy. A file that is not a service
// record (no entries table) is an error.
bool OpenLocalStoreReadOnly(SqlConnection &connection, const QString &path, QString *origin,
                            QString *error, ReadOnlySource *source, bool copy = false);
// The size and time of change of a record's file and its log, to tell whether
// a writer changed them while they were read.
QString RecordFilesStamp(const QString &path);

// Why a record could not be written for waitedMs: the programs that hold it
// open (Linux), and that closing them is the remedy.
QString LockHeldText(const QString &path, int waitedMs);

// A write transaction that takes the database's write lock at once, waiting
// for other writers up to the busy timeout.
bool BeginImmediate(const QSqlDatabase &db, QString *error);
bool Commit(const QSqlDatabase &db, QString *error);
void Rollback(const QSqlDatabase &db);
