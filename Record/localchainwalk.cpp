#include "localchainwalk.h"

#include "entryhash.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace {

// Where each canonical field is in "SELECT EntryColumns() ...".
enum Column {
    Seq,
    Id,
    TimeMs,
    UtcOffset,
    Kind,
    Serial,
    Mac,
    SoftwareVersion,
    InstrumentKind,
    Link,
    SlaveId,
    ParamName,
    ParamNameZh,
    Address,
    RegCount,
    OldRaw,
    OldShown,
    NewRaw,
    NewShown,
    Unit,
    Source,
    UserName,
    HostName,
    Outcome,
    ExceptionCode,
    Detail,
    PrevHash,
    Hash
};

QString text(sqlite3_stmt *row, int column)
{
    const auto *utf8 = reinterpret_cast<const char *>(sqlite3_column_text(row, column));
    return QString::fromUtf8(utf8, sqlite3_column_bytes(row, column));
}

// A kind or outcome read back is hashed as its text when it names one, else as
// "?", as an entry read into its fields would be.
template <typename Enum, typename FromText>
void appendNamed(QByteArray &out, const char *name, sqlite3_stmt *row, int column,
                 FromText fromText)
{
    const auto *utf8 = reinterpret_cast<const char *>(sqlite3_column_text(row, column));
    const int size = sqlite3_column_bytes(row, column);
    Enum value;
    if (fromText(QString::fromUtf8(utf8, size), &value))
        AppendCanonicalUtf8(out, name, utf8, size);
    else
        AppendCanonicalUtf8(out, name, "?", 1);
}

} // namespace

bool WalkLocalChain(const QSqlDatabase &db, const QString &origin, qint64 anchorSeq,
                    const VerifyProgress &progress, VerifyResult *result)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (!connection)
        return false;
    ChainWalker walker(origin);
    walker.setAnchor(anchorSeq);
    sqlite3_stmt *row = nullptr;
    const QByteArray sql =
        QStringLiteral("SELECT %1 FROM entries ORDER BY seq").arg(EntryColumns()).toUtf8();
    if (sqlite3_prepare_v2(connection, sql.constData(), sql.size(), &row, nullptr) != SQLITE_OK) {
        *result = walker.result();
        result->ok = false;
        result->error = QString::fromUtf8(sqlite3_errmsg(connection));
        return true;
    }
    const QByteArray originUtf8 = origin.toUtf8();
    QByteArray canonical;
    canonical.reserve(2048);
    const auto field = [&](const char *name, int column) {
        AppendCanonicalUtf8(canonical, name,
                            reinterpret_cast<const char *>(sqlite3_column_text(row, column)),
                            sqlite3_column_bytes(row, column));
    };
    const auto number = [&](const char *name, int column) {
        AppendCanonicalNumber(canonical, name, int(sqlite3_column_int64(row, column)));
    };
    qint64 rows = 0;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(row)) == SQLITE_ROW) {
        canonical.resize(0);
        canonical += "zelt-service-entry-v1\n";
        field("id", Id);
        AppendCanonicalUtf8(canonical, "origin", originUtf8.constData(), originUtf8.size());
        AppendCanonicalNumber(canonical, "seq", sqlite3_column_int64(row, Seq));
        canonical += "time=";
        AppendCanonicalTime(canonical, sqlite3_column_int64(row, TimeMs));
        canonical += '\n';
        number("utcOffset", UtcOffset);
        appendNamed<ServiceEntry::Kind>(canonical, "kind", row, Kind, KindFromText);
        field("serial", Serial);
        field("mac", Mac);
        field("softwareVersion", SoftwareVersion);
        field("instrumentKind", InstrumentKind);
        field("link", Link);
        number("slaveId", SlaveId);
        field("paramName", ParamName);
        field("paramNameZh", ParamNameZh);
        number("address", Address);
        number("count", RegCount);
        field("oldRaw", OldRaw);
        field("oldShown", OldShown);
        field("newRaw", NewRaw);
        field("newShown", NewShown);
        field("unit", Unit);
        field("source", Source);
        field("user", UserName);
        field("host", HostName);
        appendNamed<ServiceEntry::Outcome>(canonical, "outcome", row, Outcome, OutcomeFromText);
        number("exceptionCode", ExceptionCode);
        field("detail", Detail);
        field("prevHash", PrevHash);

        // The walker needs the entry's place and links only.
        ServiceEntry e;
        e.seq = sqlite3_column_int64(row, Seq);
        e.id = text(row, Id);
        e.prevHash = text(row, PrevHash);
        e.hash = text(row, Hash);
        if (!walker.feed(e, Sha256Hex(canonical)))
            break;
        if (progress && (++rows & 0x3FFF) == 0 && !progress(rows)) {
            sqlite3_finalize(row);
            *result = walker.result();
            result->ok = false;
            result->error = QStringLiteral("cancelled");
            return true;
        }
    }
    *result = walker.result();
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        result->ok = false;
        result->error = QString::fromUtf8(sqlite3_errmsg(connection));
    }
    sqlite3_finalize(row);
    return true;
}
