#include "historygen.h"

#include "entrycolumns.h"
#include "entryhash.h"
#include "localstore.h"
#include "sqlconnection.h"

#include <QFile>
#include <QSqlQuery>

#include <cstdio>

namespace {

const int Serials = 1000;

} // namespace

double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

ServiceEntry GeneratedEntry(qint64 seq, const QString &origin, const QString &prevHash)
{
    static const QDateTime base(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    ServiceEntry e;
    e.id = QStringLiteral("00000000-0000-4000-8000-%1").arg(seq, 12, 10, QLatin1Char('0'));
    e.seq = seq;
    e.origin = origin;
    e.timeUtc = base.addSecs(seq * 90);
    e.serial = QStringLiteral("S%1").arg(seq % Serials, 4, 10, QLatin1Char('0'));
    e.link = QStringLiteral("tcp 192.168.1.20:502");
    e.slaveId = 1;
    e.paramName = QStringLiteral("Param%1").arg(seq % 53);
    e.paramNameZh = QStringLiteral("参数%1").arg(seq % 53);
    e.address = int(seq % 300);
    e.count = 2;
    e.oldRaw = QString::number(seq);
    e.newRaw = QString::number(seq + 1);
    e.source = seq % 7 ? QStringLiteral("page Basic Config") : QStringLiteral("zeltctl write");
    e.user = QStringLiteral("bench");
    e.host = QStringLiteral("bench");
    e.outcome = ServiceEntry::Written;
    e.prevHash = prevHash;
    e.hash = EntryHash(e);
    return e;
}

bool GenerateHistory(const QString &path, qint64 n)
{
    SqlConnection connection;
    QString origin;
    QString error;
    if (!OpenLocalStore(connection, path, &origin, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    QSqlDatabase db = connection.db();
    db.transaction();
    {
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO entries (%1) VALUES (%2)")
                           .arg(EntryColumns(), EntryPlaceholders()));
        QString prev = GenesisHash();
        for (qint64 seq = 1; seq <= n; ++seq) {
            const ServiceEntry e = GeneratedEntry(seq, origin, prev);
            BindEntry(insert, e);
            if (!ExecQuery(insert, &error)) {
                fprintf(stderr, "%s\n", qPrintable(error));
                return false;
            }
            prev = e.hash;
        }
    }
    return db.commit();
}

QVector<NamedFilter> BenchFilters(qint64 n)
{
    HistoryFilter serial;
    serial.serial = QStringLiteral("S0042");
    HistoryFilter param;
    param.paramName = QStringLiteral("Param17");
    HistoryFilter recent;
    recent.since = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).addSecs((n - 5000) * 90);
    return {{"all", HistoryFilter()},
            {"serial S0042", serial},
            {"param part Param17", param},
            {"last 5000", recent}};
}
