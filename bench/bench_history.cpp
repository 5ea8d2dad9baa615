// Service record at scale: a history of N entries (default 1,000,000), then the
// History page's queries on it and the cost of one append next to a bare
// INSERT into a plain table of the same file.
//   bench_history [N] [--keep FILE]

#include "benchsupport.h"
#include "historygen.h"
#include "localstore.h"
#include "servicerecord.h"
#include "sqlconnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 n = args.size() > 1 && args[1].toLongLong() > 0 ? args[1].toLongLong() : 1000000;
    QTemporaryDir dir;
    const int keep = args.indexOf(QStringLiteral("--keep"));
    const QString path = keep > 0 ? args.value(keep + 1) : dir.filePath(QStringLiteral("h.sqlite"));
    QFile::remove(path);

    const double rssStart = ResidentMb();
    QElapsedTimer timer;
    timer.start();
    if (!GenerateHistory(path, n))
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
    const double rssOpen = ResidentMb();

    for (const NamedFilter &q : BenchFilters(n)) {
        timer.restart();
        const QVector<ServiceEntry> cold = record.fetch(q.filter, 0, 50);
        const double coldMs = timer.nsecsElapsed() / 1e6;
        int counted = 0;
        const double countMs = MedianMs(5, [&] { counted = record.count(q.filter); });
        const double pageMs = MedianMs(5, [&] { record.fetch(q.filter, 0, 50); });
        const double deepMs = MedianMs(5, [&] { record.fetch(q.filter, counted / 2, 50); });
        ServiceEntry middle = record.fetch(q.filter, counted / 2 - 1, 1).value(0);
        const double keysetMs = MedianMs(5, [&] { record.fetchAfter(q.filter, middle, 50); });
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
            ServiceEntry e = GeneratedEntry(0, QString(), QString());
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
           rssOpen, ResidentMb());
    return 0;
}
