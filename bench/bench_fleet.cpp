// Fleet backup and fleet compare of simulated instruments that answer with a
// fixed delay, beside sequential single backups and compares of the same
// instruments, all measured in the same run.
// Run by hand: bench_fleet [instruments] [delay-ms] [repeats]
#include "benchsupport.h"
#include "zeltctltiming.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    const QStringList a = app.arguments();
    const int instruments = a.size() > 1 ? a[1].toInt() : 20;
    const int delayMs = a.size() > 2 ? a[2].toInt() : 5;
    const int repeats = a.size() > 3 ? a[3].toInt() : 3;

    std::vector<std::unique_ptr<SimProcess>> sims;
    for (int i = 0; i < instruments; ++i) {
        sims.push_back(std::make_unique<SimProcess>(
            QStringList{"--delay-ms", QString::number(delayMs), "--seed", QString::number(i + 1)}));
        if (!sims.back()->ok()) {
            std::fprintf(stderr, "zelt-sim %d did not start\n", i);
            return 1;
        }
    }
    QTemporaryDir dir;
    QFile hosts(dir.filePath(QStringLiteral("hosts")));
    hosts.open(QIODevice::WriteOnly);
    for (const auto &s : sims)
        hosts.write(QStringLiteral("127.0.0.1:%1\n").arg(s->port()).toUtf8());
    hosts.close();

    const QString golden = dir.filePath(QStringLiteral("golden.xlsx"));
    if (TimedZeltctl(
            {"--tcp", QStringLiteral("127.0.0.1:%1").arg(sims[0]->port()), "backup", golden}) < 0)
        return 1;
    QVector<double> fleet, fleetAll, sequential, single, slowestSingle, fleetCompare,
        sequentialCompare;
    for (int r = 0; r < repeats; ++r) {
        const QString out = dir.filePath(QStringLiteral("fleet%1").arg(r));
        QDir().mkpath(out);
        const double f = TimedZeltctl({"backup", "--hosts", hosts.fileName(), out});
        const QString outAll = dir.filePath(QStringLiteral("fleetall%1").arg(r));
        QDir().mkpath(outAll);
        const double fa = TimedZeltctl({"backup", "--hosts", hosts.fileName(), outAll, "--jobs",
                                        QString::number(instruments)});

        double total = 0, slowest = 0;
        for (int i = 0; i < instruments; ++i) {
            const QString file = dir.filePath(QStringLiteral("single%1_%2.xlsx").arg(r).arg(i));
            const double ms = TimedZeltctl(
                {"--tcp", QStringLiteral("127.0.0.1:%1").arg(sims[i]->port()), "backup", file});
            if (ms < 0)
                return 1;
            total += ms;
            slowest = qMax(slowest, ms);
            if (i == 0)
                single.append(ms);
        }
        const double fc = TimedZeltctl({"compare", "--hosts", hosts.fileName(), golden});
        double compares = 0;
        for (int i = 0; i < instruments; ++i) {
            const double ms = TimedZeltctl(
                {"--tcp", QStringLiteral("127.0.0.1:%1").arg(sims[i]->port()), "compare", golden});
            if (ms < 0)
                return 1;
            compares += ms;
        }
        if (f < 0 || fa < 0 || fc < 0)
            return 1;
        fleetCompare.append(fc);
        sequentialCompare.append(compares);
        fleet.append(f);
        fleetAll.append(fa);
        sequential.append(total);
        slowestSingle.append(slowest);
    }
    const double fa = median(fleetAll);
    const double f = median(fleet), s = median(sequential), one = median(single),
                 slow = median(slowestSingle);
    std::printf("fleet backup of %d instruments answering after %d ms, median of %d runs\n",
                instruments, delayMs, repeats);
    std::printf("  %2d sequential backups      %9.1f ms\n", instruments, s);
    std::printf("  one single backup          %9.1f ms\n", one);
    std::printf("  slowest single backup      %9.1f ms   extra over the first %.1f ms\n", slow,
                slow - one);
    const auto fleetLine = [&](const char *label, double ms) {
        std::printf("  %-26s %9.1f ms   sequential/fleet %.1fx (goal >= 10x), "
                    "fleet/(single + extra) %.2f (goal <= 1.5)\n",
                    label, ms, s / ms, ms / slow);
    };
    fleetLine("fleet, --jobs 64 (default)", f);
    fleetLine(qPrintable(QStringLiteral("fleet, --jobs %1").arg(instruments)), fa);
    const double sc = median(sequentialCompare), fc = median(fleetCompare);
    std::printf("compare against one approved workbook\n");
    std::printf("  %2d sequential compares     %9.1f ms\n", instruments, sc);
    std::printf("  fleet compare, default jobs %8.1f ms   sequential/fleet %.1fx (goal >= 20x)\n",
                fc, sc / fc);
    return 0;
}
