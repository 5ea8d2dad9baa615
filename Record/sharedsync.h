#pragma once

#include <QDeadlineTimer>
#include <QMetaType>
#include <QString>

class QSqlDatabase;
class SharedStore;

// What one copying run to the shared store did.
struct SyncResult
{
    bool ok = false;
    int copied = 0;       // new in the shared store
    int alreadyThere = 0; // the shared store had them (copied before, the mark not yet set)
    int failed = 0;       // left waiting for the next run because of the error
    QString store;        // the shared store's own id, when it was reached
    QString error;
};
Q_DECLARE_METATYPE(SyncResult)

// Copies the local entries not yet copied to this shared store (by the id
// init-shared gave it: a record keeps how far it has copied to each store, so
// a new store gets every entry), oldest first, in batches: each batch goes
// over in one shared transaction within the store's call limit, then the
// store's mark moves on locally. An entry already in the shared store (same
// id, same hash) is left as it is there; another entry at its position of the
// chain (a record cut back and written on again) stops the copy and is named.
// A run that passes `until` stops after its batch, the rest left waiting.
SyncResult CopyPending(const QSqlDatabase &local, const QString &origin, SharedStore &shared,
                       QDeadlineTimer until = QDeadlineTimer(QDeadlineTimer::Forever));
// Local entries not yet copied to the store with that id (with none: to the
// store that lacks the most); -1 when unreadable.
int PendingCopies(const QSqlDatabase &local, const QString &store);
// The same over a connection of its own to url; every call within callMs,
// the whole run within `until`.
SyncResult CopyToShared(const QSqlDatabase &local, const QString &origin, const QString &url,
                        int callMs = 10000,
                        QDeadlineTimer until = QDeadlineTimer(QDeadlineTimer::Forever));
