#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// The local record against the shared store's copy of the same origin: a
// copy is an anchor kept elsewhere, so a local record cut back, rebuilt or
// cut and written on again no longer matches it.
struct SharedComparison
{
    enum Finding {
        Matches,       // every copied entry is the local one; the local one may go on
        NothingCopied, // the shared store holds no entry of this record
        TailCut,       // the shared copy holds entries past the local record's end
        EntryRemoved,  // the shared copy holds an entry the local record lacks before its end
        Fork,          // another entry at one position (local against shared, or twice shared)
        Rewritten,     // the same entry with another hash: the chain was rebuilt from there
        CopyBroken     // the shared copy's own chain does not hold
    };

    bool read = false; // false: *error in `error`
    QString error;
    Finding finding = Matches;
    qint64 seq = 0;           // the first position that differs
    QString text;             // what was found, for people
    qint64 matched = 0;       // entries alike in both
    qint64 sharedHeadSeq = 0; // the shared copy's chain head
    QString sharedHeadHash;
    qint64 waiting = 0; // local entries past the shared copy's end (not yet copied)
    // Other records in the shared store written on this computer (origin,
    // entries, user@host): a record deleted and made again starts a new origin.
    QStringList othersFromThisHost;

    bool ok() const { return read && (finding == Matches || finding == NothingCopied); }
};

SharedComparison CompareWithShared(const QSqlDatabase &local, const QString &origin,
                                   const QString &url);
