#include "chainwalker.h"

#include "entryhash.h"

ChainWalker::ChainWalker(const QString &origin) : m_prevHash(GenesisHash())
{
    m_result.origin = origin;
}

bool ChainWalker::feed(const ServiceEntry &e)
{
    return feed(e, EntryHash(e));
}

bool ChainWalker::feed(const ServiceEntry &e, const QString &computedHash)
{
    if (!m_result.ok)
        return false;
    const qint64 expected = m_result.checked + 1;
    if (e.seq > expected) {
        fail(expected, QString(),
             QStringLiteral("entry %1 is missing: entry %2 comes after entry %3")
                 .arg(expected)
                 .arg(e.seq)
                 .arg(expected - 1));
    } else if (e.seq < expected) {
        fail(e.seq, e.id, QStringLiteral("a second entry with this position"));
    } else if (e.prevHash != m_prevHash) {
        // Two entries naming the same predecessor: the first of them was slipped in.
        if (m_result.checked > 0 && e.prevHash == m_prevPrevHash)
            fail(e.seq - 1, m_prevId,
                 QStringLiteral("inserted: the entry after it was chained to the one before it"));
        else
            fail(e.seq, e.id,
                 QStringLiteral("does not follow the entry before it (one was removed or "
                                "replaced, or its link was changed)"));
    } else if (computedHash != e.hash) {
        fail(e.seq, e.id,
             QStringLiteral("changed after it was recorded: it no longer matches "
                            "its hash"));
    } else {
        m_prevPrevHash = m_prevHash;
        m_prevHash = e.hash;
        m_prevId = e.id;
        ++m_result.checked;
        m_result.headHash = e.hash;
        if (e.seq == m_result.anchorSeq)
            m_result.anchorHash = e.hash;
        return true;
    }
    return false;
}

void ChainWalker::fail(qint64 seq, const QString &id, const QString &reason)
{
    m_result.ok = false;
    m_result.seq = seq;
    m_result.id = id;
    m_result.reason = reason;
}
