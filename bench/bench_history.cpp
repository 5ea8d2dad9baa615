// Service record at scale: a history of N entries (default 1,000,000), then the
// History page's queries on it and the cost of one append next to a bare
// INSERT into a plain table of the same file.
//   bench_history [N] [--keep FILE]

#include "benchsupport.h"
#include "entrycolumns.h"
#include "entryhash.h"
#include "localstore.h"
#include "servicerecord.h"
#include "sqlconnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const int Serials = 1000;

double residentMb()
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

ServiceEntry generated(qint64 seq, const QString &origin, const QString &prevHash)
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

bool generate(const QString &path, qint64 n)
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
            const ServiceEntry e = generated(seq, origin, prev);
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

template <typename F> double medianMs(int runs, F &&work)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times << timer.nsecsElapsed() / 1e6;
    }
    return median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 n = args.size() > 1 && args[1].toLongLong() > 0 ? args[1].toLongLong() : 1000000;
    QTemporaryDir dir;
    const int keep = args.indexOf(QStringLiteral("--keep"));
    const QString path = keep > 0 ? args.value(keep + 1) : dir.filePath(QStringLiteral("h.sqlite"));
    QFile::remove(path);

    const double rssStart = residentMb();
    QElapsedTimer timer;
    timer.start();
    if (!generate(path, n))
        return 1;
    printf("generated %lld entries in %.1f s (%.0f entries/s), file %.0f MB\n", n,
           timer.elapsed() / 1000.0, n * 1000.0 / qMax<qint64>(1, timer.elapsed()),
           QFile(path).size() / 1e6);

    ServiceRecord record;
    QString error;
    timer.restart();
    if (!record.open(path, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    printf("open: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    const double rssOpen = residentMb();

    HistoryFilter all;
    HistoryFilter serial;
    serial.serial = QStringLiteral("S0042");
    HistoryFilter param;
    param.paramName = QStringLiteral("Param17");
    HistoryFilter recent;
    recent.since = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).addSecs((n - 5000) * 90);

    struct Query
    {
        const char *name;
        const HistoryFilter *filter;
    };
    for (const Query &q : {Query{"all", &all}, Query{"serial S0042", &serial},
                           Query{"param part Param17", &param}, Query{"last 5000", &recent}}) {
        timer.restart();
        const QVector<ServiceEntry> cold = record.fetch(*q.filter, 0, 50);
        const double coldMs = timer.nsecsElapsed() / 1e6;
        int counted = 0;
        const double countMs = medianMs(5, [&] { counted = record.count(*q.filter); });
        const double pageMs = medianMs(5, [&] { record.fetch(*q.filter, 0, 50); });
        const double deepMs = medianMs(5, [&] { record.fetch(*q.filter, counted / 2, 50); });
        ServiceEntry middle = record.fetch(*q.filter, counted / 2 - 1, 1).value(0);
        const double keysetMs = medianMs(5, [&] { record.fetchAfter(*q.filter, middle, 50); });
        printf("%-20s count %8d in %7.2f ms | first page (50) %6.2f ms (cold %6.2f, got %d) | "
               "page at the middle: offset %7.2f ms, after an entry %6.2f ms\n",
               q.name, counted, countMs, pageMs, coldMs, int(cold.size()), deepMs, keysetMs);
    }

    // One append against one bare INSERT, alternating, both committed on their own.
    SqlConnection bareConnection;
    QString origin;
    OpenLocalStore(bareConnection, path, &origin, &error);
    ExecSql(bareConnection.db(), QStringLiteral("CREATE TABLE bare (a INTEGER, b TEXT)"), &error);
    QVector<double> appendMs;
    QVector<double> bareMs;
    {
        QSqlQuery bare(bareConnection.db());
        bare.prepare(QStringLiteral("INSERT INTO bare (a, b) VALUES (?, ?)"));
        for (int i = 0; i < 300; ++i) {
            ServiceEntry e = generated(0, QString(), QString());
            timer.restart();
            if (!record.append(e, &error)) {
                fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            appendMs << timer.nsecsElapsed() / 1e6;
            timer.restart();
            bare.addBindValue(i);
            bare.addBindValue(e.source);
            bare.exec();
            bareMs << timer.nsecsElapsed() / 1e6;
        }
    }
    const double a = median(appendMs);
    const double b = median(bareMs);
    printf("append (median of 300): %.3f ms; bare INSERT in the same file: %.3f ms; ratio %.2f\n",
           a, b, a / b);

    timer.restart();
    const VerifyResult check = record.verify();
    printf("verify: %s, %lld entries in %.1f s\n", check.ok ? "ok" : qPrintable(check.reason),
           check.checked, timer.elapsed() / 1000.0);
    printf("memory (resident): start %.1f MB, after open %.1f MB, at the end %.1f MB\n", rssStart,
           rssOpen, residentMb());
    return 0;
}
