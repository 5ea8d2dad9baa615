// The History page's first screen on a large record: from showing the page, or
// from a new filter, to its first rows, and the memory the page takes.
//   bench_historypage [N] [--db FILE]
// N entries (1,000,000) are generated into a temporary file, or into FILE when
// it does not exist yet; an existing FILE is used as it is (bench_history
// --keep FILE makes one).

#include "App/historymodel.h"
#include "App/historypage.h"
#include "benchsupport.h"
#include "historygen.h"
#include "servicerecord.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 n = args.size() > 1 && args[1].toLongLong() > 0 ? args[1].toLongLong() : 1000000;
    QTemporaryDir dir;
    const int db = args.indexOf(QStringLiteral("--db"));
    const QString path = db > 0 ? args.value(db + 1) : dir.filePath(QStringLiteral("h.sqlite"));
    if (!QFileInfo::exists(path)) {
        QElapsedTimer timer;
        timer.start();
        if (!GenerateHistory(path, n))
            return 1;
        printf("generated %lld entries in %.1f s\n", n, timer.elapsed() / 1000.0);
    }

    ServiceRecord record;
    QString error;
    if (!record.open(path, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    printf("record: %d entries\n", record.count(HistoryFilter()));
    const double rssBefore = ResidentMb();

    HistoryPage page;
    page.setRecord(&record);
    page.resize(1150, 600);
    QElapsedTimer timer;
    timer.start();
    page.show(); // the page reads its first rows as it is shown
    const double showMs = timer.nsecsElapsed() / 1e6;
    const int firstRows = page.model()->rowCount();
    app.processEvents();
    printf("first screen on showing: %.2f ms (%d rows; target < 100 ms)\n", showMs, firstRows);

    QVector<NamedFilter> filters = BenchFilters(n);
    HistoryFilter refused;
    refused.outcome = ServiceEntry::Refused; // none: the whole table answers no
    filters << NamedFilter{"refused (none)", refused};
    for (const NamedFilter &c : qAsConst(filters)) {
        QVector<double> times;
        int rows = 0;
        for (int run = 0; run < 5; ++run) {
            timer.restart();
            page.model()->setFilter(c.filter);
            times << timer.nsecsElapsed() / 1e6;
            rows = page.model()->rowCount();
        }
        printf("new filter %-20s first rows %8.2f ms median of 5 (%d rows)\n", c.name,
               median(times), rows);
    }

    // Scrolling deep: 50 pages on, then one more page.
    page.model()->setFilter(HistoryFilter());
    for (int i = 0; i < 50; ++i)
        page.model()->fetchMore(QModelIndex());
    timer.restart();
    page.model()->fetchMore(QModelIndex());
    printf("page %d of 200 rows while scrolling: %.2f ms\n", page.model()->rowCount() / 200,
           timer.nsecsElapsed() / 1e6);
    page.model()->setFilter(HistoryFilter());
    app.processEvents();
    const double rssAfter = ResidentMb();
    printf("memory (resident): record open %.1f MB, page shown %.1f MB, difference %+.1f MB "
           "(target < +20 MB)\n",
           rssBefore, rssAfter, rssAfter - rssBefore);
    return 0;
}
