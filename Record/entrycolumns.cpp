#include "entrycolumns.h"

#include "entryhash.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <future>

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

VerifyResult WalkChainRows(QSqlQuery &query, const QString &origin, qint64 anchorSeq,
                           const VerifyProgress &progress)
{
    ChainWalker walker(origin);
    walker.setAnchor(anchorSeq);
    if (!query.isActive() && (query.setForwardOnly(true), !query.exec())) {
        VerifyResult failed = walker.result();
        failed.ok = false;
        failed.error = query.lastError().text();
        return failed;
    }
    // The rows are read here while the batch read before is hashed on another
    // thread: reading and hashing take about the same time.
    constexpr int BatchRows = 2048;
    struct Batch
    {
        QVector<ServiceEntry> entries;
        QVector<QString> hashes;
    };
    Batch reading, hashing;
    std::future<void> hashed;
    qint64 rows = 0;
    bool more = true, going = true;
    const auto check = [&](const Batch &b) {
        for (int i = 0; going && i < b.entries.size(); ++i)
            going = walker.feed(b.entries[i], b.hashes[i]);
    };
    while (more && going) {
        reading.entries.clear();
        while (reading.entries.size() < BatchRows && (more = query.next())) {
            reading.entries.append(EntryFromRow(query));
            reading.entries.last().origin = origin;
        }
        if (hashed.valid()) {
            hashed.wait();
            check(hashing);
        }
        std::swap(reading, hashing);
        hashed = std::async(std::launch::async, [&hashing] {
            hashing.hashes.resize(hashing.entries.size());
            for (int i = 0; i < hashing.entries.size(); ++i)
                hashing.hashes[i] = EntryHash(hashing.entries[i]);
        });
        rows += hashing.entries.size();
        if (progress && going && !progress(rows)) {
            hashed.wait();
            VerifyResult cancelled = walker.result();
            cancelled.ok = false;
            cancelled.error = QStringLiteral("cancelled");
            return cancelled;
        }
    }
    if (hashed.valid()) {
        hashed.wait();
        check(hashing);
    }
    return walker.result();
}
