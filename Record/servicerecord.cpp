#include "servicerecord.h"

#include "entrycolumns.h"
#include "entryhash.h"
#include "historypath.h"
#include "localchainwalk.h"
#include "localstore.h"
#include "processliveness.h"
#include "recordhead.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
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

void fillDefaults(ServiceEntry &e, bool keepId = false)
{
    if (!keepId || e.id.isEmpty())
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
    m_leaseTimer.setInterval(LeaseRenewMs);
    connect(&m_leaseTimer, &QTimer::timeout, this, &ServiceRecord::renewLeases);
}

ServiceRecord::~ServiceRecord()
{
    close();
}

bool ServiceRecord::open(const QString &path, QString *error)
{
    close();
    // The program's own record keeps its head in the settings file too, so
    // that removing the History folder with the file beside it is found.
    const QString settings =
        QDir::cleanPath(QFileInfo(path).absoluteFilePath()) ==
                QDir::cleanPath(QFileInfo(DefaultHistoryFile()).absoluteFilePath())
            ? DefaultSettingsFile()
            : QString();
    const RecordHead beside = ReadHeadFile(path);
    const RecordHead kept = ReadSettingsHead(settings);
    const bool known = beside.seq > 0 || kept.seq > 0;
    const QFileInfo file(path);
    QString loss;
    bool noTables = false;
    if ((known && (!file.exists() || file.size() == 0)) ||
        (!OpenLocalStore(m_connection, path, &m_origin, &m_lastError, !known, &noTables) &&
         noTables)) {
        loss = HeadLoss(beside.seq > 0 ? beside : kept,
                        beside.seq > 0 ? HeadFilePath(path) : settings, QString(), 0, QString());
    } else if (!m_connection.isOpen()) {
        SetError(error, m_lastError);
        return false;
    }
    if (loss.isEmpty() && known) {
        QSqlQuery query(m_connection.db());
        qint64 last = 0;
        if (query.exec(QStringLiteral("SELECT MAX(seq) FROM entries")) && query.next())
            last = query.value(0).toLongLong();
        const auto hashAt = [&](qint64 seq) {
            QSqlQuery at(m_connection.db());
            at.prepare(QStringLiteral("SELECT hash FROM entries WHERE seq = ?"));
            at.addBindValue(seq);
            return at.exec() && at.next() ? at.value(0).toString() : QString();
        };
        loss = HeadLoss(beside, HeadFilePath(path), m_origin, last, hashAt(beside.seq));
        if (loss.isEmpty())
            loss = HeadLoss(kept, settings, m_origin, last, hashAt(kept.seq));
    }
    if (!loss.isEmpty()) {
        m_connection.close();
        m_origin.clear();
        m_lastError = QStringLiteral("the service record %1 is not the record this computer "
                                     "kept: %2. If it was replaced on purpose, start a new "
                                     "record with zeltctl history reset --confirm")
                          .arg(file.absoluteFilePath(), loss);
        SetError(error, m_lastError);
        return false;
    }
    m_path = path;
    m_settingsFile = settings;
    m_knownSeq = qMax(beside.seq, kept.seq);
    prepareQueries();
    resolveAbandonedIntents();
    rememberHead();
    return true;
}

void ServiceRecord::rememberHead()
{
    QSqlQuery last(m_connection.db());
    QString why;
    if (!last.exec(QStringLiteral("SELECT seq, hash FROM entries ORDER BY seq DESC LIMIT 1"))) {
        qCWarning(lcRecord).noquote()
            << "service record: head not read:" << last.lastError().text();
        return;
    }
    RecordHead head;
    head.origin = m_origin;
    if (last.next()) {
        head.seq = last.value(0).toLongLong();
        head.hash = last.value(1).toString();
    }
    noteHead(head, true);
}

void ServiceRecord::noteHead(const RecordHead &head, bool now)
{
    // Never lowered: a record that lost entries while it was open keeps the
    // head it had for the next open to find.
    if (head.seq <= 0 || head.seq < m_knownSeq || head.origin.isEmpty())
        return;
    m_knownSeq = head.seq;
    // Written when the program lets the record go and at most once a second
    // between, so that the file costs an entry nothing.
    if (!now && m_headWritten.isValid() && m_headWritten.elapsed() < HeadEveryMs)
        return;
    if (head.seq != m_writtenSeq) {
        m_headWritten.start();
        m_writtenSeq = head.seq;
        WriteHeadFile(m_path, head);
    }
    if (now && head.seq != m_settingsSeq) {
        m_settingsSeq = head.seq;
        WriteSettingsHead(m_settingsFile, head);
    }
}

bool ServiceRecord::openReadOnly(const QString &path, QString *error)
{
    close();
    if (!OpenLocalStoreReadOnly(m_connection, path, &m_origin, &m_lastError, &m_readSource)) {
        SetError(error, m_lastError);
        return false;
    }
    m_path = path;
    m_readOnly = true;
    return true;
}

void ServiceRecord::prepareQueries()
{
    const QSqlDatabase db = m_connection.db();
    m_lastQuery = std::make_unique<QSqlQuery>(db);
    m_lastQuery->prepare(QStringLiteral("SELECT seq, hash FROM entries ORDER BY seq DESC LIMIT 1"));
    m_insertQuery = std::make_unique<QSqlQuery>(db);
    m_insertQuery->prepare(QStringLiteral("INSERT INTO entries (%1) VALUES (%2)")
                               .arg(EntryColumns(), EntryPlaceholders()));
    m_intentQuery = std::make_unique<QSqlQuery>(db);
    m_intentQuery->prepare(
        QStringLiteral("INSERT INTO intents (%1, owner_pid, owner_host, owner_start, "
                       "lease_until) VALUES (%2, ?, ?, ?, ?)")
            .arg(EntryColumns(), EntryPlaceholders()));
    m_dropIntentQuery = std::make_unique<QSqlQuery>(db);
    m_dropIntentQuery->prepare(QStringLiteral("DELETE FROM intents WHERE id = ?"));
}

void ServiceRecord::close()
{
    if (m_connection.isOpen()) {
        m_batching = false;
        commitBatch();
        // Writes this object announced and never completed: whatever happened
        // to them is not known.
        const QSet<QString> open = m_ownIntents;
        for (const QString &id : open) {
            QSqlQuery query(m_connection.db());
            query.prepare(
                QStringLiteral("SELECT %1 FROM intents WHERE id = ?").arg(EntryColumns()));
            query.addBindValue(id);
            if (!ExecQuery(query, nullptr) || !query.next())
                continue;
            ServiceEntry e = EntryFromRow(query);
            query.finish();
            e.outcome = ServiceEntry::OutcomeUnknown;
            complete(e, nullptr);
        }
        if (!m_readOnly)
            rememberHead();
    }
    m_ownIntents.clear();
    m_leaseTimer.stop();
    m_lastQuery.reset();
    m_insertQuery.reset();
    m_intentQuery.reset();
    m_dropIntentQuery.reset();
    m_connection.close();
    m_readSource.copy.reset();
    m_readOnly = false;
    m_commitFailed = false;
    m_knownSeq = 0;
    m_writtenSeq = 0;
    m_settingsSeq = 0;
    m_headWritten.invalidate();
    m_settingsFile.clear();
    m_origin.clear();
}

bool ServiceRecord::append(ServiceEntry &entry, QString *error)
{
    return appendEntry(entry, false, error);
}

bool ServiceRecord::complete(ServiceEntry &entry, QString *error)
{
    return appendEntry(entry, true, error);
}

bool ServiceRecord::appendEntry(ServiceEntry &entry, bool intended, QString *error)
{
    if (!isOpen() || !m_insertQuery) {
        SetError(error, QStringLiteral("the service record is not open for writing"));
        return false;
    }
    fillDefaults(entry, intended);
    entry.origin = m_origin;
    const QSqlDatabase db = m_connection.db();
    QString why;
    if (m_batching) {
        if (!m_inTransaction) {
            m_inTransaction = BeginImmediate(db, &why);
            if (m_inTransaction)
                m_batchTimer.start(BatchMs);
        }
        if (m_inTransaction && insertNext(entry, intended, &why)) {
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
    if (BeginImmediate(db, &why) && insertNext(entry, intended, &why) && Commit(db, &why)) {
        noteHead({m_origin, entry.seq, entry.hash}, false);
        emit appended(entry);
        return true;
    }
    Rollback(db);
    m_chainEndKnown = false;
    m_lastError = QStringLiteral("the entry was not recorded: %1").arg(why);
    SetError(error, m_lastError);
    return false;
}

bool ServiceRecord::intend(ServiceEntry &entry, QString *error)
{
    QVector<ServiceEntry> one{entry};
    if (!intendAll(one, error))
        return false;
    entry = one.first();
    return true;
}

bool ServiceRecord::intendAll(QVector<ServiceEntry> &entries, QString *error)
{
    if (!isOpen() || !m_intentQuery) {
        SetError(error, QStringLiteral("the service record is not open for writing"));
        return false;
    }
    const QSqlDatabase db = m_connection.db();
    const ProcessOwner self = ThisProcess();
    QString why;
    // Inside a batch the intents join the open transaction, and the commit that
    // makes them safe takes the batch's entries so far along.
    const bool ownTransaction = !m_inTransaction && entries.size() > 1;
    bool ok = !ownTransaction || BeginImmediate(db, &why);
    for (int i = 0; ok && i < entries.size(); ++i) {
        ServiceEntry &entry = entries[i];
        fillDefaults(entry);
        entry.origin = m_origin;
        entry.seq = 0;
        entry.prevHash.clear();
        entry.hash.clear();
        BindEntry(*m_intentQuery, entry);
        m_intentQuery->addBindValue(self.pid);
        m_intentQuery->addBindValue(self.host);
        m_intentQuery->addBindValue(self.start);
        m_intentQuery->addBindValue(QDateTime::currentMSecsSinceEpoch() + LeaseMs);
        ok = ExecQuery(*m_intentQuery, &why);
        m_intentQuery->finish();
    }
    if (m_inTransaction) {
        // What the batch holds already stays, whether or not the intents went in.
        commitBatch();
        if (ok && !m_lastError.isEmpty()) {
            ok = false;
            why = m_lastError;
        }
    } else if (ownTransaction) {
        ok = ok && Commit(db, &why);
        if (!ok)
            Rollback(db);
    }
    if (!ok) {
        m_lastError = QStringLiteral("the write could not be announced: %1").arg(why);
        SetError(error, m_lastError);
        return false;
    }
    for (const ServiceEntry &entry : qAsConst(entries))
        m_ownIntents.insert(entry.id);
    if (!m_leaseTimer.isActive())
        m_leaseTimer.start();
    return true;
}

void ServiceRecord::renewLeases()
{
    if (m_ownIntents.isEmpty() || !isOpen()) {
        m_leaseTimer.stop();
        return;
    }
    const ProcessOwner self = ThisProcess();
    QSqlQuery renew(m_connection.db());
    renew.prepare(QStringLiteral("UPDATE intents SET lease_until = ? WHERE owner_pid = ? AND "
                                 "owner_host = ? AND owner_start = ?"));
    renew.addBindValue(QDateTime::currentMSecsSinceEpoch() + LeaseMs);
    renew.addBindValue(self.pid);
    renew.addBindValue(self.host);
    renew.addBindValue(self.start);
    // Inside a batch's transaction the renewal goes with its next commit.
    if (!ExecQuery(renew, &m_lastError))
        qCWarning(lcRecord).noquote() << "service record: a lease was not renewed:" << m_lastError;
}

QStringList ServiceRecord::intentsUnderWay()
{
    QStringList lines;
    QSqlQuery query(m_connection.db());
    if (!query.exec(QStringLiteral("SELECT owner_host, owner_pid, COUNT(*), MAX(lease_until) FROM "
                                   "intents GROUP BY owner_host, owner_pid ORDER BY 1, 2")))
        return lines;
    while (query.next()) {
        const qint64 lease = query.value(3).toLongLong();
        const QString by = QStringLiteral("%1 write(s) announced by process %2 on %3")
                               .arg(query.value(2).toInt())
                               .arg(query.value(1).toLongLong())
                               .arg(query.value(0).toString());
        if (lease <= 0) {
            lines << by + QStringLiteral(", with no lease (an earlier version): shown as outcome "
                                         "unknown once that computer sees its program ended");
        } else {
            const QString until =
                QDateTime::fromMSecsSinceEpoch(lease, Qt::UTC).toString(Qt::ISODate);
            lines << by + (lease < QDateTime::currentMSecsSinceEpoch()
                               ? QStringLiteral(", lease ran out at %1: shown as outcome unknown "
                                                "when the record is next opened for writing")
                               : QStringLiteral(", under way (its lease runs to %1; after that, "
                                                "or when its program is seen to have ended, it "
                                                "is shown as outcome unknown)"))
                              .arg(until);
        }
    }
    return lines;
}

void ServiceRecord::dropIntents(const QStringList &ids)
{
    if (ids.isEmpty() || !isOpen())
        return;
    commitBatch();
    const QSqlDatabase db = m_connection.db();
    QString why;
    if (!BeginImmediate(db, &why))
        return;
    for (const QString &id : ids) {
        m_dropIntentQuery->addBindValue(id);
        ExecQuery(*m_dropIntentQuery, &why);
        m_dropIntentQuery->finish();
        m_ownIntents.remove(id);
    }
    if (!Commit(db, &why))
        Rollback(db);
}

int ServiceRecord::openIntents()
{
    QSqlQuery query(m_connection.db());
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM intents")) || !query.next())
        return -1;
    return query.value(0).toInt();
}

int ServiceRecord::resolveAbandonedIntents()
{
    QVector<ServiceEntry> abandoned;
    {
        QSqlQuery query(m_connection.db());
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT %1, owner_pid, owner_host, owner_start, lease_until "
                                       "FROM intents ORDER BY time_ms")
                            .arg(EntryColumns())))
            return 0;
        const int ownerColumn = EntryColumns().count(QLatin1Char(',')) + 1;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        while (query.next()) {
            ProcessOwner owner;
            owner.pid = query.value(ownerColumn).toLongLong();
            owner.host = query.value(ownerColumn + 1).toString();
            owner.start = query.value(ownerColumn + 2).toString();
            const qint64 lease = query.value(ownerColumn + 3).toLongLong();
            // Here the process itself tells; elsewhere (another computer, or
            // this one under its former name) only the lease can, which its
            // program renews while it runs.
            const bool ended = OwnerHere(owner) ? !OwnerAlive(owner) : lease > 0 && lease < now;
            if (ended)
                abandoned.append(EntryFromRow(query));
        }
    }
    int resolved = 0;
    m_resolving = true;
    for (ServiceEntry &e : abandoned) {
        e.outcome = ServiceEntry::OutcomeUnknown;
        if (complete(e, nullptr))
            ++resolved;
    }
    m_resolving = false;
    return resolved;
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
    m_lastError.clear();
    if (!Commit(m_connection.db(), &why)) {
        Rollback(m_connection.db());
        m_lastError = QStringLiteral("%1 entries were not recorded: %2").arg(done.size()).arg(why);
        m_commitFailed = true;
        qCWarning(lcRecord).noquote() << "service record:" << m_lastError;
        return;
    }
    if (!done.isEmpty())
        noteHead({m_origin, done.last().seq, done.last().hash}, false);
    for (const ServiceEntry &e : done)
        emit appended(e);
}

bool ServiceRecord::insertNext(ServiceEntry &entry, bool intended, QString *error)
{
    if (intended) {
        m_dropIntentQuery->addBindValue(entry.id);
        if (!ExecQuery(*m_dropIntentQuery, error))
            return false;
        const int dropped = m_dropIntentQuery->numRowsAffected();
        m_dropIntentQuery->finish();
        m_ownIntents.remove(entry.id);
        // Another program resolved this intent first.
        if (m_resolving && dropped == 0) {
            SetError(error, QStringLiteral("resolved already"));
            return false;
        }
    }
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
        // Entries gone since this record was opened: not a chain to write on.
        if (m_chainEndSeq < m_knownSeq) {
            SetError(error, QStringLiteral("the record lost entries it had: it ends at entry %1, "
                                           "entry %2 was in it")
                                .arg(m_chainEndSeq)
                                .arg(m_knownSeq));
            return false;
        }
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

VerifyResult ServiceRecord::verify(qint64 anchorSeq, const VerifyProgress &progress)
{
    VerifyResult walked = walk(anchorSeq, progress);
    // Read in place, the file may have been changed by a writer's checkpoint
    // under the walk: then the walk is made again on a copy taken at one time.
    if (!m_readOnly || m_readSource.copy || RecordFilesStamp(m_path) == m_readSource.stamp)
        return walked;
    const QString path = m_path;
    close();
    if (!OpenLocalStoreReadOnly(m_connection, path, &m_origin, &m_lastError, &m_readSource, true)) {
        walked = VerifyResult();
        walked.error = m_lastError;
        return walked;
    }
    m_path = path;
    m_readOnly = true;
    return walk(anchorSeq, progress);
}

VerifyResult ServiceRecord::walk(qint64 anchorSeq, const VerifyProgress &progress)
{
    VerifyResult walked;
    if (WalkLocalChain(m_connection.db(), m_origin, anchorSeq, progress, &walked))
        return walked;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT %1 FROM entries ORDER BY seq").arg(EntryColumns()));
    return WalkChainRows(query, m_origin, anchorSeq, progress);
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

int ServiceRecord::pendingCopies(const QString &store)
{
    return PendingCopies(m_connection.db(), store.isEmpty() ? m_lastStore : store);
}

SyncResult ServiceRecord::syncShared(const QString &url, int callMs, QDeadlineTimer until)
{
    const SyncResult result = CopyToShared(m_connection.db(), m_origin, url, callMs, until);
    if (!result.store.isEmpty())
        m_lastStore = result.store;
    return result;
}

SharedComparison ServiceRecord::compareShared(const QString &url)
{
    return CompareWithShared(m_connection.db(), m_origin, url);
}
