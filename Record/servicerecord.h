#pragma once

#include "chainwalker.h"
#include "historyfilter.h"
#include "serviceentry.h"
#include "sharedsync.h"
#include "sqlconnection.h"

#include <QLoggingCategory>
#include <QObject>
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

    bool open(const QString &path, QString *error);
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
    void beginBatch();
    void endBatch();

    // Walks the whole chain in seq order.
    VerifyResult verify();

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

    // Copies the entries not yet copied to the shared store at url, in seq order.
    SyncResult syncShared(const QString &url);
    // Entries not yet copied to the shared store; -1 when unreadable.
    int pendingCopies();

    QString lastError() const { return m_lastError; }

signals:
    // After each entry this object committed.
    void appended(const ServiceEntry &entry);

private:
    bool insertNext(ServiceEntry &entry, QString *error);
    void commitBatch();
    QVector<ServiceEntry> select(const SqlCondition &condition, const QString &tail);

    SqlConnection m_connection;
    std::unique_ptr<QSqlQuery> m_lastQuery;
    std::unique_ptr<QSqlQuery> m_insertQuery;
    QString m_path;
    QString m_origin;
    QString m_lastError;
    bool m_batching = false;
    bool m_inTransaction = false;
    // The chain's last entry, while a batch's transaction holds the database.
    bool m_chainEndKnown = false;
    qint64 m_chainEndSeq = 0;
    QString m_chainEndHash;
    QVector<ServiceEntry> m_uncommitted;
    QTimer m_batchTimer;
};
