#include "sharedstore.h"

#include "entrycolumns.h"
#include "sharedurl.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

namespace {

// libpq's connect timeout is in whole seconds, and below 2 it is taken as 2.
int connectSeconds(int callMs)
{
    return qMax(2, (callMs + 999) / 1000);
}

// libpq options: a connect that gets no answer, a link that went silent
// (keepalives, unacknowledged data) and a statement the server cannot finish
// (a lock held elsewhere) end within the call limit; the server ends a session
// whose client went silent inside a transaction, so its locks do not hold up
// the next copy. A peer that acknowledges and never answers is the watchdog's.
QString connectOptions(int callMs)
{
    return QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=5;"
                          "keepalives_interval=2;keepalives_count=2;tcp_user_timeout=%2;"
                          "options='-c statement_timeout=%3 -c lock_timeout=%3 "
                          "-c idle_in_transaction_session_timeout=%2 "
                          "-c client_min_messages=warning'")
        .arg(connectSeconds(callMs))
        .arg(callMs)
        .arg(qMax(500, callMs - 1000));
}

// What a failed connect means to the user: a login the server refused is not
// a server out of reach.
QString connectFailure(const SharedUrl &url, const QString &where, int callMs, QString why)
{
    why = why.simplified();
    static const char *const loginRefused[] = {"authentication failed", "no password supplied",
                                               "password is required", "pg_hba.conf"};
    for (const char *words : loginRefused) {
        if (why.contains(QLatin1String(words), Qt::CaseInsensitive))
            return QStringLiteral("the shared history at %1 refused the login of %2 (wrong or "
                                  "missing password, or a user it does not let in): %3")
                .arg(where, url.user, why);
    }
    if (why.contains(QLatin1String("does not exist")))
        return QStringLiteral("the shared history at %1 refused the connection: %2")
            .arg(where, why);
    if (why.contains(QLatin1String("timeout expired")))
        return QStringLiteral("cannot reach the shared history at %1: no answer within %2 s")
            .arg(where)
            .arg(connectSeconds(callMs));
    return QStringLiteral("cannot reach the shared history at %1: %2").arg(where, why);
}

bool execAll(const QSqlDatabase &db, const QStringList &statements, QString *error)
{
    for (const QString &sql : statements) {
        if (!ExecSql(db, sql, error))
            return false;
    }
    return true;
}

// An arbitrary number of this program's, so that two owners making the tables
// at once take turns.
const char *const InitLock = "SELECT pg_advisory_xact_lock(7415262301)";

QStringList tableStatements()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS service_entries (id TEXT PRIMARY KEY,"
                       " origin TEXT NOT NULL, seq BIGINT NOT NULL, %1,"
                       " copied_at TIMESTAMPTZ NOT NULL DEFAULT now())")
            .arg(EntryFieldDefinitions()),
        // One entry per position of a chain: a record cut back and written on
        // again cannot fork its copy.
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS service_entries_origin_seq"
                       " ON service_entries (origin, seq)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS service_entries_time"
                       " ON service_entries (time_ms)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS service_entries_serial"
                       " ON service_entries (serial, time_ms)"),
        QStringLiteral("CREATE OR REPLACE FUNCTION service_entries_refuse() RETURNS trigger"
                       " LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION"
                       " 'service entries are kept as they were copied: % refused', TG_OP"
                       " USING ERRCODE = 'insufficient_privilege'; END $$"),
        QStringLiteral("DROP TRIGGER IF EXISTS service_entries_append_only ON service_entries"),
        QStringLiteral("CREATE TRIGGER service_entries_append_only BEFORE UPDATE OR DELETE"
                       " ON service_entries FOR EACH ROW EXECUTE PROCEDURE"
                       " service_entries_refuse()"),
        QStringLiteral("DROP TRIGGER IF EXISTS service_entries_no_truncate ON service_entries"),
        QStringLiteral("CREATE TRIGGER service_entries_no_truncate BEFORE TRUNCATE"
                       " ON service_entries FOR EACH STATEMENT EXECUTE PROCEDURE"
                       " service_entries_refuse()"),
        QStringLiteral("REVOKE UPDATE, DELETE, TRUNCATE ON service_entries FROM PUBLIC"),
        // Each record (origin) belongs to the login that first copied to it:
        // an engineer may add to their own records only, so a colleague who
        // may insert cannot forge or block another's chain. Bound in the
        // server, by a function of the owner's that engineers cannot change.
        QStringLiteral("CREATE TABLE IF NOT EXISTS service_origins (origin TEXT PRIMARY KEY,"
                       " role NAME NOT NULL, bound_at TIMESTAMPTZ NOT NULL DEFAULT now())"),
        QStringLiteral("REVOKE ALL ON service_origins FROM PUBLIC"),
        QStringLiteral("DROP TRIGGER IF EXISTS service_origins_kept ON service_origins"),
        QStringLiteral("CREATE TRIGGER service_origins_kept BEFORE UPDATE OR DELETE"
                       " ON service_origins FOR EACH ROW EXECUTE PROCEDURE"
                       " service_entries_refuse()"),
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION service_entries_bind_origin() RETURNS trigger"
            " LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$"
            " DECLARE bound name; BEGIN"
            " EXECUTE format('INSERT INTO %s.service_origins (origin, role) VALUES ($1, $2)"
            " ON CONFLICT (origin) DO NOTHING', quote_ident(TG_TABLE_SCHEMA))"
            " USING NEW.origin, session_user;"
            " EXECUTE format('SELECT role FROM %s.service_origins WHERE origin = $1',"
            " quote_ident(TG_TABLE_SCHEMA)) INTO bound USING NEW.origin;"
            " IF bound IS DISTINCT FROM session_user THEN RAISE EXCEPTION"
            " 'record % belongs to the role %: % may not add to it', NEW.origin, bound,"
            " session_user USING ERRCODE = 'insufficient_privilege'; END IF;"
            " RETURN NEW; END $$"),
        QStringLiteral("REVOKE ALL ON FUNCTION service_entries_bind_origin() FROM PUBLIC"),
        QStringLiteral("DROP TRIGGER IF EXISTS service_entries_origin_role ON service_entries"),
        QStringLiteral("CREATE TRIGGER service_entries_origin_role BEFORE INSERT"
                       " ON service_entries FOR EACH ROW EXECUTE PROCEDURE"
                       " service_entries_bind_origin()"),
        // The store's own id: what a local record keeps its copies by, so that
        // a new store (another database, or one made again) gets every entry.
        QStringLiteral("CREATE TABLE IF NOT EXISTS service_store (id TEXT PRIMARY KEY,"
                       " made_at TIMESTAMPTZ NOT NULL DEFAULT now())"),
        QStringLiteral("INSERT INTO service_store (id) SELECT '%1' WHERE NOT EXISTS"
                       " (SELECT 1 FROM service_store)")
            .arg(QUuid::createUuid().toString(QUuid::WithoutBraces)),
        QStringLiteral("DROP TRIGGER IF EXISTS service_store_kept ON service_store"),
        QStringLiteral("CREATE TRIGGER service_store_kept BEFORE UPDATE OR DELETE"
                       " ON service_store FOR EACH ROW EXECUTE PROCEDURE"
                       " service_entries_refuse()"),
        QStringLiteral("REVOKE INSERT, UPDATE, DELETE, TRUNCATE ON service_store FROM PUBLIC"),
    };
}

} // namespace

SharedStore::SharedStore(SqlWatchdog *watchdog) : m_watchdog(watchdog ? watchdog : &m_ownWatchdog)
{}

bool SharedStore::connect(const QString &url, QString *error)
{
    SharedUrl parsed;
    if (!ParseSharedUrl(url, &parsed, error))
        return false;
    m_where = parsed.shown();
    const auto setup = [&](QSqlDatabase &db) {
        db.setHostName(parsed.host);
        db.setPort(parsed.port);
        db.setUserName(parsed.user);
        db.setPassword(parsed.password);
        db.setDatabaseName(parsed.database);
        db.setConnectOptions(connectOptions(m_callMs));
    };
    QString why;
    // The driver's statements after the login wait without a limit of their
    // own: the watchdog bounds the whole open.
    const int limit = qMax(m_callMs, 2000);
    m_watchdog->armConnecting(parsed.port, limit);
    const bool opened = m_connection.open(QStringLiteral("QPSQL"), setup, &why);
    if (m_watchdog->disarm()) {
        close();
        SetError(error, QStringLiteral("the shared history at %1 did not answer within %2 s "
                                       "(connecting)")
                            .arg(m_where)
                            .arg(qRound(limit / 100.0) / 10.0));
        return false;
    }
    if (opened)
        return true;
    SetError(error, connectFailure(parsed, m_where, m_callMs, why));
    return false;
}

bool SharedStore::open(const QString &url, QString *error, Use use)
{
    if (!connect(url, error))
        return false;
    bool made = false;
    const bool read = call(
        [&](QString *why) {
            QSqlQuery query(db());
            const QString index = use == Use::Copy ? QStringLiteral("service_entries_origin_seq")
                                                   : QStringLiteral("service_entries");
            // Copying needs the store's id and the binding of records to roles.
            const QString store = use == Use::Copy ? QStringLiteral("service_store")
                                                   : QStringLiteral("service_entries");
            const QString origins = use == Use::Copy ? QStringLiteral("service_origins")
                                                     : QStringLiteral("service_entries");
            if (!query.exec(QStringLiteral("SELECT to_regclass('service_entries') IS NOT NULL AND"
                                           " to_regclass('%1') IS NOT NULL AND"
                                           " to_regclass('%2') IS NOT NULL AND"
                                           " to_regclass('%3') IS NOT NULL")
                                .arg(index, store, origins)) ||
                !query.next()) {
                SetError(why, query.lastError().text());
                return false;
            }
            made = query.value(0).toBool();
            query.finish();
            if (!made || use != Use::Copy)
                return true;
            if (!query.exec(
                    QStringLiteral("SELECT id FROM service_store ORDER BY made_at LIMIT 1"))) {
                SetError(why, query.lastError().text());
                return false;
            }
            m_storeId = query.next() ? query.value(0).toString() : QString();
            made = !m_storeId.isEmpty();
            return true;
        },
        error);
    if (read && made)
        return true;
    if (read) {
        SetError(error, QStringLiteral("the shared history at %1 has no service record tables (or "
                                       "tables of an earlier version): their owner makes them "
                                       "once with zeltctl history init-shared")
                            .arg(m_where));
    }
    close();
    return false;
}

bool SharedStore::call(const std::function<bool(QString *)> &work, QString *error, int ms)
{
    if (!isOpen()) {
        SetError(error, QStringLiteral("the shared history is not connected"));
        return false;
    }
    const int limit = ms < 0 ? m_callMs : ms;
    m_watchdog->arm(db(), limit);
    QString why;
    const bool done = work(&why);
    const bool cut = m_watchdog->disarm();
    if (done && !cut)
        return true;
    if (cut) {
        // The connection is gone; a later call starts on a new one.
        close();
        why = QStringLiteral("the shared history at %1 did not answer within %2 s")
                  .arg(m_where)
                  .arg(qRound(limit / 100.0) / 10.0);
    }
    SetError(error, why.simplified());
    return false;
}

bool InitSharedStore(const QString &url, const QString &grantTo, QString *error)
{
    SharedStore store;
    if (!store.connect(url, error))
        return false;
    QStringList statements = tableStatements();
    if (!grantTo.isEmpty()) {
        QString role = grantTo;
        role.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        statements << QStringLiteral("GRANT SELECT, INSERT ON service_entries TO \"%1\"").arg(role)
                   << QStringLiteral("GRANT SELECT ON service_store TO \"%1\"").arg(role);
    }
    return store.call(
        [&](QString *why) {
            QSqlDatabase db = store.db();
            if (!db.transaction()) {
                SetError(why, db.lastError().text());
                return false;
            }
            if (ExecSql(db, QLatin1String(InitLock), why) && execAll(db, statements, why) &&
                db.commit())
                return true;
            if (why->isEmpty())
                SetError(why, db.lastError().text());
            db.rollback();
            return false;
        },
        error);
}

SharedVerifyResult VerifyShared(const QString &url)
{
    SharedVerifyResult result;
    SharedStore store;
    if (!store.open(url, &result.error, SharedStore::Use::Read))
        return result;
    QStringList origins;
    const bool listed = store.call(
        [&](QString *why) {
            QSqlQuery query(store.db());
            if (!query.exec(
                    QStringLiteral("SELECT DISTINCT origin FROM service_entries ORDER BY 1"))) {
                SetError(why, query.lastError().text());
                return false;
            }
            while (query.next())
                origins << query.value(0).toString();
            return true;
        },
        &result.error);
    if (!listed)
        return result;
    result.ok = true;
    for (const QString &origin : origins) {
        VerifyResult chain;
        // A whole chain in one statement: allowed a minute.
        store.call(
            [&](QString *why) {
                QSqlQuery query(store.db());
                query.setForwardOnly(true);
                if (!ExecLiteral(query,
                                 QStringLiteral("SELECT %1 FROM service_entries WHERE origin = ?"
                                                " ORDER BY seq, id")
                                     .arg(EntryColumns()),
                                 {origin}, why))
                    return false;
                chain = WalkChainRows(query, origin);
                SetError(why, chain.error);
                return chain.error.isEmpty();
            },
            &chain.error, 60000);
        if (!chain.error.isEmpty()) {
            result.ok = false;
            result.error = chain.error;
            return result;
        }
        result.ok = result.ok && chain.ok;
        result.origins.append(chain);
    }
    return result;
}
