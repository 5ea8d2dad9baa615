#include "servicerecord.h"

#include "entrycolumns.h"
#include "entryhash.h"
#include "localstore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcRecord, "zelt.record", QtCriticalMsg)

QString OsUserName()
{
    for (const char *name : {"USER", "USERNAME", "LOGNAME"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
#ifdef Q_OS_UNIX
    if (const passwd *pw = getpwuid(geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
#endif
    return QString();
}

namespace {

// The local offset, looked up again after a minute: the look-up asks the time
// zone files each time, which would cost an import's rows more than the rest.
int localOffsetSeconds(qint64 nowMs)
{
    static bool taken = false;
    static qint64 takenMs = 0;
    static int offset = 0;
    if (!taken || nowMs - takenMs > 60000 || nowMs < takenMs) {
        offset = QDateTime::fromMSecsSinceEpoch(nowMs).offsetFromUtc();
        takenMs = nowMs;
        taken = true;
    }
    return offset;
}

void fillDefaults(ServiceEntry &e)
{
    e.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!e.timeUtc.isValid()) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        e.utcOffsetSeconds = localOffsetSeconds(now);
        e.timeUtc = QDateTime::fromMSecsSinceEpoch(now, Qt::UTC);
    }
    // Stored as UTC milliseconds: hash what a read gives back.
    e.timeUtc = QDateTime::fromMSecsSinceEpoch(e.timeUtc.toMSecsSinceEpoch(), Qt::UTC);
    // Neither changes while the process runs.
    static const QString user = OsUserName();
    static const QString host = QSysInfo::machineHostName();
    if (e.user.isEmpty())
        e.user = user;
    if (e.host.isEmpty())
        e.host = host;
}

const char *const NewestFirst = " ORDER BY time_ms DESC, seq DESC";

} // namespace

ServiceRecord::ServiceRecord(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<ServiceEntry>();
    m_batchTimer.setSingleShot(true);
    connect(&m_batchTimer, &QTimer::timeout, this, &ServiceRecord::commitBatch);
}

ServiceRecord::~ServiceRecord()
{
    close();
}

bool ServiceRecord::open(const QString &path, QString *error)
{
    close();
    if (!OpenLocalStore(m_connection, path, &m_origin, &m_lastError)) {
        SetError(error, m_lastError);
        return false;
    }
    m_path = path;
    m_lastQuery = std::make_unique<QSqlQuery>(m_connection.db());
    m_lastQuery->prepare(QStringLiteral("SELECT seq, hash FROM entries ORDER BY seq DESC LIMIT 1"));
    m_insertQuery = std::make_unique<QSqlQuery>(m_connection.db());
    m_insertQuery->prepare(QStringLiteral("INSERT INTO entries (%1) VALUES (%2)")
                               .arg(EntryColumns(), EntryPlaceholders()));
    return true;
}

void ServiceRecord::close()
{
    if (m_connection.isOpen()) {
        m_batching = false;
        commitBatch();
    }
    m_lastQuery.reset();
    m_insertQuery.reset();
    m_connection.close();
    m_origin.clear();
}

bool ServiceRecord::append(ServiceEntry &entry, QString *error)
{
    if (!isOpen()) {
        SetError(error, QStringLiteral("the service record is not open"));
        return false;
    }
    fillDefaults(entry);
    entry.origin = m_origin;
    const QSqlDatabase db = m_connection.db();
    QString why;
    if (m_batching) {
        if (!m_inTransaction) {
            m_inTransaction = BeginImmediate(db, &why);
            if (m_inTransaction)
                m_batchTimer.start(BatchMs);
        }
        if (m_inTransaction && insertNext(entry, &why)) {
            m_uncommitted.append(entry);
            if (m_uncommitted.size() >= BatchEntries)
                commitBatch();
            return true;
        }
        // What the batch holds already stays: it is committed, this entry is not.
        commitBatch();
        m_lastError = QStringLiteral("the entry was not recorded: %1").arg(why);
        SetError(error, m_lastError);
        return false;
    }
    if (BeginImmediate(db, &why) && insertNext(entry, &why) && Commit(db, &why)) {
        emit appended(entry);
        return true;
    }
    Rollback(db);
    m_lastError = QStringLiteral("the entry was not recorded: %1").arg(why);
    SetError(error, m_lastError);
    return false;
}

void ServiceRecord::beginBatch()
{
    m_batching = true;
}

void ServiceRecord::endBatch()
{
    m_batching = false;
    commitBatch();
}

void ServiceRecord::commitBatch()
{
    m_batchTimer.stop();
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    m_chainEndKnown = false;
    QString why;
    const QVector<ServiceEntry> done = std::move(m_uncommitted);
    m_uncommitted.clear();
    if (!Commit(m_connection.db(), &why)) {
        Rollback(m_connection.db());
        m_lastError = QStringLiteral("%1 entries were not recorded: %2").arg(done.size()).arg(why);
        qCWarning(lcRecord).noquote() << "service record:" << m_lastError;
        return;
    }
    for (const ServiceEntry &e : done)
        emit appended(e);
}

bool ServiceRecord::insertNext(ServiceEntry &entry, QString *error)
{
    // Inside a batch's transaction no other writer can append, so the chain's
    // end is the entry inserted last; a new transaction looks it up again.
    if (!m_chainEndKnown) {
        if (!ExecQuery(*m_lastQuery, error))
            return false;
        m_chainEndSeq = 0;
        m_chainEndHash = GenesisHash();
        if (m_lastQuery->next()) {
            m_chainEndSeq = m_lastQuery->value(0).toLongLong();
            m_chainEndHash = m_lastQuery->value(1).toString();
        }
        m_lastQuery->finish();
    }
    entry.seq = m_chainEndSeq + 1;
    entry.prevHash = m_chainEndHash;
    entry.hash = EntryHash(entry);
    BindEntry(*m_insertQuery, entry);
    const bool ok = ExecQuery(*m_insertQuery, error);
    m_insertQuery->finish();
    m_chainEndKnown = ok && m_inTransaction;
    if (m_chainEndKnown) {
        m_chainEndSeq = entry.seq;
        m_chainEndHash = entry.hash;
    }
    return ok;
}

VerifyResult ServiceRecord::verify()
{
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT %1 FROM entries ORDER BY seq").arg(EntryColumns()));
    return WalkChainRows(query, m_origin);
}

int ServiceRecord::count(const HistoryFilter &filter)
{
    const SqlCondition condition = FilterCondition(filter);
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM entries WHERE ") + condition.sql);
    for (const QVariant &value : condition.values)
        query.addBindValue(value);
    if (!ExecQuery(query, &m_lastError) || !query.next())
        return -1;
    return query.value(0).toInt();
}

QVector<ServiceEntry> ServiceRecord::fetch(const HistoryFilter &filter, int offset, int limit)
{
    return select(FilterCondition(filter), QStringLiteral("%1 LIMIT %2 OFFSET %3")
                                               .arg(QLatin1String(NewestFirst))
                                               .arg(qMax(0, limit))
                                               .arg(qMax(0, offset)));
}

QVector<ServiceEntry> ServiceRecord::fetchAfter(const HistoryFilter &filter,
                                                const ServiceEntry &last, int limit)
{
    SqlCondition condition = FilterCondition(filter);
    const qint64 time = last.timeUtc.toMSecsSinceEpoch();
    // The first term bounds the index range; the second breaks ties at that time.
    condition.sql += QStringLiteral(" AND time_ms <= ? AND (time_ms < ? OR seq < ?)");
    condition.values << time << time << last.seq;
    return select(
        condition,
        QStringLiteral("%1 LIMIT %2").arg(QLatin1String(NewestFirst)).arg(qMax(0, limit)));
}

QVector<ServiceEntry> ServiceRecord::select(const SqlCondition &condition, const QString &tail)
{
    QVector<ServiceEntry> entries;
    QSqlQuery query(m_connection.db());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM entries WHERE %2%3")
                      .arg(EntryColumns(), condition.sql, tail));
    for (const QVariant &value : condition.values)
        query.addBindValue(value);
    if (!ExecQuery(query, &m_lastError))
        return entries;
    while (query.next()) {
        entries.append(EntryFromRow(query));
        entries.last().origin = m_origin;
    }
    return entries;
}

int ServiceRecord::pendingCopies()
{
    return PendingCopies(m_connection.db());
}

SyncResult ServiceRecord::syncShared(const QString &url)
{
    return CopyToShared(m_connection.db(), m_origin, url);
}
