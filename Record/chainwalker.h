#pragma once

#include "serviceentry.h"

// What a walk along a chain found. When !ok and error is empty, seq and id name
// the first entry found out of place; when the entry is missing id is empty.
struct VerifyResult
{
    bool ok = true;
    qint64 checked = 0; // entries that were found in order
    qint64 seq = 0;
    QString id;
    QString reason;
    QString origin; // the chain's database
    QString error;  // the entries could not be read
    // The last entry found in order: with checked, the chain's head, an anchor
    // to check the record against later.
    QString headHash;
    // The hash of entry anchorSeq as found, when an anchor was given and reached.
    qint64 anchorSeq = 0;
    QString anchorHash;
};

// Walks one chain in seq order, entry by entry, and stops at the first fault.
class ChainWalker
{
public:
    explicit ChainWalker(const QString &origin = QString());
    // Keeps the hash of entry seq, to be compared with an anchor taken earlier.
    void setAnchor(qint64 seq) { m_result.anchorSeq = seq; }
    // False once a fault was found; later entries are ignored.
    bool feed(const ServiceEntry &entry);
    // The same, with the entry's hash computed already (EntryHash(entry)).
    bool feed(const ServiceEntry &entry, const QString &computedHash);
    VerifyResult result() const { return m_result; }

private:
    void fail(qint64 seq, const QString &id, const QString &reason);

    VerifyResult m_result;
    QString m_prevHash;
    QString m_prevPrevHash;
    QString m_prevId;
};
