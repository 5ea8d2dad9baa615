#include "sharedstore.h"

#include "entrycolumns.h"
#include "sharedurl.h"
#include "sqlconnection.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

// libpq options: give up on an unreachable server, a silent link and a stuck
// statement after a few seconds.
const char *const ConnectOptions =
    "connect_timeout=5;keepalives_idle=5;keepalives_interval=2;keepalives_count=2;"
    "options='-c statement_timeout=15000 -c client_min_messages=warning'";

bool makeTable(const QSqlDatabase &db, QString *error)
{
    const QStringList statements = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS service_entries (id TEXT PRIMARY KEY,"
                       " origin TEXT NOT NULL, seq BIGINT NOT NULL, %1,"
                       " copied_at TIMESTAMPTZ NOT NULL DEFAULT now())")
            .arg(EntryFieldDefinitions()),
        QStringLiteral("CREATE INDEX IF NOT EXISTS service_entries_origin"
                       " ON service_entries (origin, seq)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS service_entries_time"
                       " ON service_entries (time_ms)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS service_entries_serial"
                       " ON service_entries (serial, time_ms)"),
    };
    for (const QString &sql : statements) {
        if (!ExecSql(db, sql, error))
            return false;
    }
    return true;
}

} // namespace

bool OpenSharedStore(SqlConnection &connection, const QString &url, QString *error)
{
    SharedUrl parsed;
    if (!ParseSharedUrl(url, &parsed, error))
        return false;
    const auto setup = [&](QSqlDatabase &db) {
        db.setHostName(parsed.host);
        db.setPort(parsed.port);
        db.setUserName(parsed.user);
        db.setPassword(parsed.password);
        db.setDatabaseName(parsed.database);
        db.setConnectOptions(QLatin1String(ConnectOptions));
    };
    QString why;
    if (!connection.open(QStringLiteral("QPSQL"), setup, &why)) {
        SetError(error, QStringLiteral("cannot reach the shared history at %1:%2: %3")
                            .arg(parsed.host)
                            .arg(parsed.port)
                            .arg(why.trimmed()));
        return false;
    }
    if (makeTable(connection.db(), &why))
        return true;
    // Two PCs making the table at the same moment: one of them loses; the table is there.
    if (makeTable(connection.db(), &why))
        return true;
    connection.close();
    SetError(error, QStringLiteral("cannot make the shared history table: %1").arg(why));
    return false;
}

SharedVerifyResult VerifyShared(const QString &url)
{
    SharedVerifyResult result;
    SqlConnection connection;
    if (!OpenSharedStore(connection, url, &result.error))
        return result;
    QStringList origins;
    {
        QSqlQuery query(connection.db());
        if (!query.exec(QStringLiteral("SELECT DISTINCT origin FROM service_entries ORDER BY 1"))) {
            result.error = query.lastError().text();
            return result;
        }
        while (query.next())
            origins << query.value(0).toString();
    }
    result.ok = true;
    for (const QString &origin : origins) {
        QSqlQuery query(connection.db());
        query.prepare(
            QStringLiteral("SELECT %1 FROM service_entries WHERE origin = ? ORDER BY seq, id")
                .arg(EntryColumns()));
        query.addBindValue(origin);
        const VerifyResult chain = WalkChainRows(query, origin);
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
