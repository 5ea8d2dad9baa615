#pragma once

#include <QMetaType>
#include <QString>

class QSqlDatabase;

// What one copying run to the shared store did.
struct SyncResult
{
    bool ok = false;
    int copied = 0;       // new in the shared store
    int alreadyThere = 0; // the shared store had them (copied before, the mark not yet set)
    int failed = 0;       // left waiting for the next run because of the error
    QString error;
};
Q_DECLARE_METATYPE(SyncResult)

// Copies the local entries not yet marked copied, oldest first, in batches:
// each batch goes over in one shared transaction, then is marked locally.
// An entry already in the shared store (same id) is left as it is there.
SyncResult CopyPending(const QSqlDatabase &local, const QString &origin,
                       const QSqlDatabase &shared);
// Local entries not yet copied; -1 when unreadable.
int PendingCopies(const QSqlDatabase &local);
// The same over a connection of its own to url.
SyncResult CopyToShared(const QSqlDatabase &local, const QString &origin, const QString &url);
