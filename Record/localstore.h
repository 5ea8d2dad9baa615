#pragma once

#include <QString>

class QSqlDatabase;
class SqlConnection;

// The local SQLite database: opened with a busy timeout and in WAL mode, so
// that the window and any number of zeltctl processes append at once; tables
// made on first use; *origin receives the database's own id, made once.
bool OpenLocalStore(SqlConnection &connection, const QString &path, QString *origin,
                    QString *error);

// An existing record for reading only: nothing is made or changed. A file
// that is not a service record (no entries table) is an error.
bool OpenLocalStoreReadOnly(SqlConnection &connection, const QString &path, QString *origin,
                            QString *error);

// A write transaction that takes the database's write lock at once, waiting
// for other writers up to the busy timeout.
bool BeginImmediate(const QSqlDatabase &db, QString *error);
bool Commit(const QSqlDatabase &db, QString *error);
void Rollback(const QSqlDatabase &db);
