#pragma once

#include "chainwalker.h"
#include "entrycolumns.h"
#include "historyfilter.h"
#include "localstore.h"
#include "recordhead.h"
#include "serviceentry.h"
#include "sharedcompare.h"
#include "sharedsync.h"
#include "sqlconnection.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QVector>

#include <memory>

// The record's diagnostics (zelt.record), off by default like every category
// of the program.
Q_DECLARE_LOGGING_CATEGORY(lcRecord)

class QSqlQuery;

// The service record in its local SQLite database: appends entries to the
// chain, checks the chain, answers the history's queries and copies entries to
// the shared store. An object and its connection belong to the thread that
// opened it; other processes (and other ServiceRecord objects) may append to
// the same file at the same time.
class ServiceRecord : public QObject
{
    Q_OBJECT

public:
    explicit ServiceRecord(QObject *parent = nullptr);
    ~ServiceRecord() override;

    // Opens the record for appending (made when missing). Intents left by a
    // program that ended before their outcome are put into the chain as
    // "outcome unknown" here. A record that no longer holds the head it was
    // last left with (see recordhead.h: emptied, truncated, its tables dropped,
    // replaced, cut back) is refused, not started again.
    bool open(const QString &path, QString *error);
    // Opens an existing record for reading only: nothing is made, resolved or
    // stamped, and no file or folder is created or changed (see
    // OpenLocalStoreReadOnly). A missing file is an error.
    bool openReadOnly(const QString &path, QString *error);
    void close();
    bool isOpen() const { return m_connection.isOpen(); }
    QString path() const { return m_path; }
    // The database's own id, in every entry's origin.
    QString origin() const { return m_origin; }

    // Fills in id, seq, origin, prevHash and hash, and timeUtc (now, with the
    // local offset), user and host when they are empty; then writes the entry
    // as the chain's next one. False with *error when it was not recorded.
    bool append(ServiceEntry &entry, QString *error);

    // A run of appends made in few transactions (the rows of an import): an
    // open batch commits every BatchEntries entries, and BatchMs after its
    // first uncommitted one at the latest, so a process waiting to write waits
    // little; endBatch() commits the rest. appended() follows each commit.
    static constexpr int BatchEntries = 64;
    static constexpr int BatchMs = 100;
    // A write announced before it is sent: committed at once (together with a
    // batch's entries so far), so that a program killed while the write is on
    // the wire leaves the intent behind. Fills in what append() fills in but
    // seq and the hashes; complete() puts the entry into the chain.
    bool intend(ServiceEntry &entry, QString *error);
    // Several intents in one commit (the next writes of a batch).
    bool intendAll(QVector<ServiceEntry> &entries, QString *error);
    // Intents of writes that were never sent (a batch that stopped early).
    void dropIntents(const QStringList &ids);
    // Appends an announced entry (entry.id the intent's) with its outcome and
    // drops the intent, in one transaction.
    bool complete(ServiceEntry &entry, QString *error);
    // Writes announced but not completed, by any program.
    int openIntents();
    // The same by program, with what becomes of them: one line each.
    QStringList intentsUnderWay();
    // An intent carries a lease: the time by which its program completes or
    // renews it (every LeaseRenewMs while it holds intents). An intent of
    // another computer (or of this one under its former name) whose lease
    // ran out is taken as its program's end; hosts' clocks must agree to
    // within LeaseMs - LeaseRenewMs.
    static constexpr qint64 LeaseMs = 5 * 60 * 1000;
    static constexpr int LeaseRenewMs = 60 * 1000;
    // Intents whose program has ended (seen here, or their lease ran out)
    // become entries with the outcome unknown; the number resolved. Done by open().
    int resolveAbandonedIntents();

    void beginBatch();
    void endBatch();

    // Walks the whole chain in seq order.
    // anchorSeq > 0 keeps that entry's hash in the result; progress as for
    // WalkChainRows (the walk can be cancelled from it).
    VerifyResult verify(qint64 anchorSeq = 0, const VerifyProgress &progress = {});

    // -1 when the database cannot be read.
    int count(const HistoryFilter &filter);
    // Newest first (by time, then by seq).
    QVector<ServiceEntry> fetch(const HistoryFilter &filter, int offset, int limit);
    // The page that follows `last` (an entry of the previous page), newest
    // first; as quick deep in the history as at its start.
    QVector<ServiceEntry> fetchAfter(const HistoryFilter &filter, const ServiceEntry &last,
                                     int limit);
    // Every entry the filter matches, newest first, as UTF-8 CSV with a header.
    bool exportCsv(const HistoryFilter &filter, const QString &path, QString *error);

    // Copies the entries not yet copied to the shared store at url, in seq
    // order: each call on the server within callMs, the whole copy within until.
    SyncResult syncShared(const QString &url, int callMs = 10000,
                          QDeadlineTimer until = QDeadlineTimer(QDeadlineTimer::Forever));
    // This record against its copy in the shared store at url.
    SharedComparison compareShared(const QString &url);
    // Entries not yet copied to the shared store with that id (by default the
    // one syncShared() reached last; before any, the store that lacks the
    // most); -1 when unreadable.
    int pendingCopies(const QString &store = QString());

    QString lastError() const { return m_lastError; }
    // A batch's commit failed since the record was opened (its entries, and
    // the outcomes among them, were not kept).
    bool commitFailed() const { return m_commitFailed; }

signals:
    // After each entry this object committed.
    void appended(const ServiceEntry &entry);

private:
    bool appendEntry(ServiceEntry &entry, bool intended, QString *error);
    VerifyResult walk(qint64 anchorSeq, const VerifyProgress &progress);
    void rememberHead();
    void noteHead(const RecordHead &head, bool now);
    bool insertNext(ServiceEntry &entry, bool intended, QString *error);
    void prepareQueries();
    void commitBatch();
    void renewLeases();
    QVector<ServiceEntry> select(const SqlCondition &condition, const QString &tail);

    SqlConnection m_connection;
    std::unique_ptr<QSqlQuery> m_lastQuery;
    std::unique_ptr<QSqlQuery> m_insertQuery;
    std::unique_ptr<QSqlQuery> m_intentQuery;
    std::unique_ptr<QSqlQuery> m_dropIntentQuery;
    // This object's intents still waiting for their outcome.
    QSet<QString> m_ownIntents;
    // The intent being resolved for a program that ended: only the process
    // that drops it puts its entry in.
    bool m_resolving = false;
    QString m_path;
    bool m_readOnly = false;
    // The head kept outside the file: the highest entry known to have been in
    // the record, and when it was last written down.
    static constexpr int HeadEveryMs = 1000;
    QString m_settingsFile;
    qint64 m_knownSeq = 0;
    qint64 m_writtenSeq = 0;
    qint64 m_settingsSeq = 0;
    QElapsedTimer m_headWritten;
    ReadOnlySource m_readSource;
    QString m_origin;
    QString m_lastStore;
    QString m_lastError;
    bool m_batching = false;
    bool m_commitFailed = false;
    bool m_inTransaction = false;
    // The chain's last entry, while a batch's transaction holds the database.
    bool m_chainEndKnown = false;
    qint64 m_chainEndSeq = 0;
    QString m_chainEndHash;
    QVector<ServiceEntry> m_uncommitted;
    QTimer m_batchTimer;
    QTimer m_leaseTimer;
};
