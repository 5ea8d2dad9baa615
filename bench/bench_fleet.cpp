// Fleet backup and fleet compare of simulated instruments that answer with a
// fixed delay, beside sequential single backups and compares of the same
// instruments, all measured in the same run; and one backup workbook written
// from the run's prepared package against a copy of the template opened,
// filled and saved.
// Run by hand: bench_fleet [instruments] [delay-ms] [repeats]
//              bench_fleet --workbooks N   (the workbook figures alone)
#include "benchsupport.h"
#include "paramtemplate.h"
#include "workbook.h"
#include "zeltctltiming.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

namespace {

// Milliseconds per backup workbook of the parameter template, written both
// ways in turns: wall time, and the CPU time the writing took (on a shared
// machine the wall time also holds the waits for a core).
void workbookFigures(const QString &dir, int count)
{
    const QString templ = dir + QStringLiteral("/wb-template.xlsx");
    WriteParamTemplate(templ, 0);
    const QVector<QStringList> rows = ParamTemplateRows(0);
    const WorkbookPackage package(QStringLiteral("读写类"), ParamTemplateColumnWidths(), rows, 7);
    QVector<double> packed, reopened, packedCpu, reopenedCpu;
    for (int i = 0; i < count; ++i) {
        QStringList values{rows[0][6]};
        QElapsedTimer clock;
        clock.start();
        double cpu = processCpuSeconds();
        for (int r = 1; r < rows.size(); ++r)
            values.append(QString::number(r * 37 + i));
        package.write(dir + QStringLiteral("/wb-packed.xlsx"), values);
        packed.append(clock.nsecsElapsed() / 1e6);
        packedCpu.append((processCpuSeconds() - cpu) * 1e3);

        const QString file = dir + QStringLiteral("/wb-reopened.xlsx");
        clock.start();
        cpu = processCpuSeconds();
        QFile::remove(file);
        QFile::copy(templ, file);
        Workbook book;
        book.open(file);
        book.selectSheet(QStringLiteral("读写类"));
        for (int r = 2; r <= book.rowCount(); ++r)
            book.setCellText(r, 7, QString::number(r * 37 + i));
        book.save();
        book.close();
        reopened.append(clock.nsecsElapsed() / 1e6);
        reopenedCpu.append((processCpuSeconds() - cpu) * 1e3);
    }
    std::printf("one backup workbook (%d rows), median of %d, wall and CPU ms\n", int(rows.size()),
                count);
    std::printf("  template copied, opened, filled, saved %7.2f ms  CPU %7.2f ms\n",
                median(reopened), median(reopenedCpu));
    std::printf("  prepared package, column written in    %7.2f ms  CPU %7.2f ms   %.1fx less "
                "CPU (goal <= 1 ms)\n",
                median(packed), median(packedCpu), median(reopenedCpu) / median(packedCpu));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    const QStringList a = app.arguments();
    if (a.size() > 2 && a[1] == QLatin1String("--workbooks")) {
        // The workbook figures alone (for a profile: valgrind --tool=callgrind).
        QTemporaryDir dir;
        workbookFigures(dir.path(), a[2].toInt());
        return 0;
    }
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
    workbookFigures(dir.path(), 60);
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
