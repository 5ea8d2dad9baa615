#include "entrycolumns.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace {

struct Column
{
    const char *name;
    bool text;
};

// seq and id first: each store makes its own keys of them.
const QVector<Column> &columns()
{
    static const QVector<Column> list = {{"seq", false},
                                         {"id", true},
                                         {"time_ms", false},
                                         {"utc_offset", false},
                                         {"kind", true},
                                         {"serial", true},
                                         {"mac", true},
                                         {"software_version", true},
                                         {"instrument_kind", true},
                                         {"link", true},
                                         {"slave_id", false},
                                         {"param_name", true},
                                         {"param_name_zh", true},
                                         {"address", false},
                                         {"reg_count", false},
                                         {"old_raw", true},
                                         {"old_shown", true},
                                         {"new_raw", true},
                                         {"new_shown", true},
                                         {"unit", true},
                                         {"source", true},
                                         {"user_name", true},
                                         {"host_name", true},
                                         {"outcome", true},
                                         {"exception_code", false},
                                         {"detail", true},
                                         {"prev_hash", true},
                                         {"hash", true}};
    return list;
}

// Text columns are never NULL, so that a round trip gives back what was hashed.
QVariant text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

} // namespace

QString EntryColumns()
{
    QStringList names;
    for (const Column &column : columns())
        names << QLatin1String(column.name);
    return names.join(QStringLiteral(", "));
}

QString EntryFieldDefinitions()
{
    QStringList definitions;
    for (const Column &column : columns().mid(2))
        definitions << QStringLiteral("%1 %2 NOT NULL")
                           .arg(QLatin1String(column.name),
                                column.text ? QStringLiteral("TEXT") : QStringLiteral("BIGINT"));
    return definitions.join(QStringLiteral(", "));
}

QString EntryPlaceholders()
{
    return QVector<QString>(columns().size(), QStringLiteral("?"))
        .toList()
        .join(QStringLiteral(", "));
}

void BindEntry(QSqlQuery &q, const ServiceEntry &e)
{
    for (const QVariant &value : EntryValues(e))
        q.addBindValue(value);
}

QVariantList EntryValues(const ServiceEntry &e)
{
    return {e.seq,
            text(e.id),
            e.timeUtc.toMSecsSinceEpoch(),
            e.utcOffsetSeconds,
            KindText(e.kind),
            text(e.serial),
            text(e.mac),
            text(e.softwareVersion),
            text(e.instrumentKind),
            text(e.link),
            e.slaveId,
            text(e.paramName),
            text(e.paramNameZh),
            e.address,
            e.count,
            text(e.oldRaw),
            text(e.oldShown),
            text(e.newRaw),
            text(e.newShown),
            text(e.unit),
            text(e.source),
            text(e.user),
            text(e.host),
            text(OutcomeText(e.outcome)),
            e.exceptionCode,
            text(e.detail),
            text(e.prevHash),
            text(e.hash)};
}

ServiceEntry EntryFromRow(const QSqlQuery &q)
{
    ServiceEntry e;
    int i = 0;
    auto next = [&]() { return q.value(i++); };
    e.seq = next().toLongLong();
    e.id = next().toString();
    e.timeUtc = QDateTime::fromMSecsSinceEpoch(next().toLongLong(), Qt::UTC);
    e.utcOffsetSeconds = next().toInt();
    // An unknown kind or outcome reads as a value no text names; the hash then tells.
    KindFromText(next().toString(), &e.kind);
    e.serial = next().toString();
    e.mac = next().toString();
    e.softwareVersion = next().toString();
    e.instrumentKind = next().toString();
    e.link = next().toString();
    e.slaveId = next().toInt();
    e.paramName = next().toString();
    e.paramNameZh = next().toString();
    e.address = next().toInt();
    e.count = next().toInt();
    e.oldRaw = next().toString();
    e.oldShown = next().toString();
    e.newRaw = next().toString();
    e.newShown = next().toString();
    e.unit = next().toString();
    e.source = next().toString();
    e.user = next().toString();
    e.host = next().toString();
    OutcomeFromText(next().toString(), &e.outcome);
    e.exceptionCode = next().toInt();
    e.detail = next().toString();
    e.prevHash = next().toString();
    e.hash = next().toString();
    return e;
}

VerifyResult WalkChainRows(QSqlQuery &query, const QString &origin)
{
    ChainWalker walker(origin);
    if (!query.isActive() && (query.setForwardOnly(true), !query.exec())) {
        VerifyResult failed = walker.result();
        failed.ok = false;
        failed.error = query.lastError().text();
        return failed;
    }
    while (query.next()) {
        ServiceEntry entry = EntryFromRow(query);
        entry.origin = origin;
        if (!walker.feed(entry))
            break;
    }
    return walker.result();
}
