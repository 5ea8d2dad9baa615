#include "sharedcompare.h"

#include "chainwalker.h"
#include "entrycolumns.h"
#include "serviceentry.h"
#include "sharedstore.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>
#include <QVector>

namespace {

const int ChunkSize = 5000;

struct LocalRow
{
    QString id;
    QString hash;
};

bool readLocal(const QSqlDatabase &local, qint64 from, qint64 to, QHash<qint64, LocalRow> *rows,
               QString *error)
{
    QSqlQuery query(local);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT seq, id, hash FROM entries WHERE seq BETWEEN ? AND ?"));
    query.addBindValue(from);
    query.addBindValue(to);
    if (!ExecQuery(query, error))
        return false;
    while (query.next())
        rows->insert(query.value(0).toLongLong(),
                     {query.value(1).toString(), query.value(2).toString()});
    return true;
}

bool localScalar(const QSqlDatabase &local, const QString &sql, qint64 *value, QString *error)
{
    QSqlQuery query(local);
    if (!query.exec(sql) || !query.next()) {
        SetError(error, query.lastError().text());
        return false;
    }
    *value = query.value(0).toLongLong();
    return true;
}

class Comparer
{
public:
    explicit Comparer(const QString &origin) : m_walker(origin) { m_result.read = true; }
    // False once a difference was found.
    bool feed(const ServiceEntry &shared, const QHash<qint64, LocalRow> &local);
    SharedComparison &result() { return m_result; }
    qint64 lastSeq = 0;
    qint64 localEnd = 0;

private:
    bool found(SharedComparison::Finding finding, qint64 seq, const QString &text)
    {
        m_result.finding = finding;
        m_result.seq = seq;
        m_result.text = text;
        return false;
    }

    ChainWalker m_walker;
    SharedComparison m_result;
};

bool Comparer::feed(const ServiceEntry &s, const QHash<qint64, LocalRow> &local)
{
    if (s.seq == lastSeq && lastSeq > 0)
        return found(SharedComparison::Fork, s.seq,
                     QStringLiteral("the shared history holds two entries %1 of this record: it "
                                    "was cut back and written on again after its first copy")
                         .arg(s.seq));
    lastSeq = s.seq;
    if (!m_walker.feed(s)) {
        const VerifyResult broken = m_walker.result();
        return found(SharedComparison::CopyBroken, broken.seq,
                     QStringLiteral("the shared copy's chain is broken at entry %1: %2")
                         .arg(broken.seq)
                         .arg(broken.reason));
    }
    const auto mine = local.constFind(s.seq);
    if (mine == local.constEnd()) {
        if (s.seq <= localEnd)
            return found(SharedComparison::EntryRemoved, s.seq,
                         QStringLiteral("entry %1 (id %2) was removed from the local record; "
                                        "the shared copy holds it")
                             .arg(s.seq)
                             .arg(s.id));
        return found(SharedComparison::TailCut, s.seq,
                     QStringLiteral("the local record ends at entry %1; the shared copy goes on "
                                    "to entry %2: the last %3 entries were cut off")
                         .arg(localEnd)
                         .arg(m_result.sharedHeadSeq)
                         .arg(m_result.sharedHeadSeq - localEnd));
    }
    if (mine->id != s.id)
        return found(SharedComparison::Fork, s.seq,
                     QStringLiteral("entry %1 is another one locally (id %2) than in the shared "
                                    "copy (id %3): the local record was cut back and written on "
                                    "again (a fork)")
                         .arg(s.seq)
                         .arg(mine->id, s.id));
    if (mine->hash != s.hash)
        return found(SharedComparison::Rewritten, s.seq,
                     QStringLiteral("entry %1 (id %2) differs from its shared copy: the local "
                                    "chain was rebuilt (rewritten and chained again) from there")
                         .arg(s.seq)
                         .arg(s.id));
    ++m_result.matched;
    return true;
}

} // namespace

SharedComparison CompareWithShared(const QSqlDatabase &local, const QString &origin,
                                   const QString &url)
{
    SharedComparison failed;
    SharedStore store;
    if (!store.open(url, &failed.error, SharedStore::Use::Read))
        return failed;
    Comparer comparer(origin);
    SharedComparison &result = comparer.result();
    qint64 localCount = 0;
    if (!localScalar(local, QStringLiteral("SELECT COALESCE(MAX(seq), 0) FROM entries"),
                     &comparer.localEnd, &failed.error) ||
        !localScalar(local, QStringLiteral("SELECT COUNT(*) FROM entries"), &localCount,
                     &failed.error))
        return failed;

    const bool headRead = store.call(
        [&](QString *why) {
            QSqlQuery head(store.db());
            if (!ExecLiteral(head,
                             QStringLiteral("SELECT seq, hash FROM service_entries WHERE origin = ?"
                                            " ORDER BY seq DESC, id DESC LIMIT 1"),
                             {origin}, why))
                return false;
            if (head.next()) {
                result.sharedHeadSeq = head.value(0).toLongLong();
                result.sharedHeadHash = head.value(1).toString();
            }
            QSqlQuery others(store.db());
            if (!ExecLiteral(others,
                             QStringLiteral("SELECT origin, COUNT(*), MIN(user_name || '@' ||"
                                            " host_name) FROM service_entries WHERE host_name = ?"
                                            " AND origin <> ? GROUP BY origin ORDER BY 1"),
                             {QSysInfo::machineHostName(), origin}, why))
                return false;
            while (others.next())
                result.othersFromThisHost << QStringLiteral("%1 (%2 entries, %3)")
                                                 .arg(others.value(0).toString())
                                                 .arg(others.value(1).toLongLong())
                                                 .arg(others.value(2).toString());
            return true;
        },
        &failed.error);
    if (!headRead)
        return failed;

    bool going = true;
    qint64 after = 0;
    QString lastId = QStringLiteral(""); // not NULL: a NULL in the comparison matches nothing
    while (going) {
        QVector<ServiceEntry> chunk;
        const bool fetched = store.call(
            [&](QString *why) {
                QSqlQuery query(store.db());
                query.setForwardOnly(true);
                if (!ExecLiteral(query,
                                 QStringLiteral("SELECT %1 FROM service_entries WHERE origin = ?"
                                                " AND (seq, id) > (?, ?) ORDER BY seq, id LIMIT %2")
                                     .arg(EntryColumns())
                                     .arg(ChunkSize),
                                 {origin, after, lastId}, why))
                    return false;
                while (query.next()) {
                    chunk.append(EntryFromRow(query));
                    chunk.last().origin = origin;
                }
                return true;
            },
            &failed.error);
        if (!fetched)
            return failed;
        if (chunk.isEmpty())
            break;
        QHash<qint64, LocalRow> rows;
        if (!readLocal(local, chunk.first().seq, chunk.last().seq, &rows, &failed.error))
            return failed;
        for (const ServiceEntry &entry : qAsConst(chunk)) {
            going = comparer.feed(entry, rows);
            if (!going)
                break;
        }
        after = chunk.last().seq;
        lastId = chunk.last().id;
        going = going && chunk.size() == ChunkSize;
    }
    if (result.finding == SharedComparison::Matches) {
        result.waiting = localCount - result.matched;
        if (result.sharedHeadSeq == 0) {
            result.finding = SharedComparison::NothingCopied;
            result.text = QStringLiteral("the shared history holds no entry of this record yet");
        }
    }
    return result;
}
