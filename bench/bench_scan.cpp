// The bus scan against a paced simulated RS-485 line: ids 1-99 at one framing
// with one instrument at id 99, beside the wire floor and a scan with a fixed
// 200 ms timeout measured in the same run; then every framing of the default
// plan. Run by hand: bench_scan [repeats]
#include "benchsupport.h"
#include "busscan.h"
#include "wiretime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int Baud = 38400;
constexpr int Parity = 2; // even
constexpr int TurnaroundMs = 5;
constexpr int InstrumentId = 99;

struct Outcome
{
    double seconds = 0;
    int found = 0;
};

Outcome runScan(const ScanPlan &plan, int fixedTimeoutMs)
{
    BusScan scan(plan);
    scan.setFixedTimeoutMs(fixedTimeoutMs);
    QEventLoop loop;
    QObject::connect(&scan, &BusScan::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    scan.start();
    loop.exec();
    Outcome o;
    o.seconds = clock.nsecsElapsed() / 1e9;
    for (const ScanFind &f : scan.finds())
        o.found +=
            f.slaveId == InstrumentId && f.framing.baud == Baud && f.framing.parity == Parity;
    if (scan.finds().size() != o.found)
        o.found = -1; // something answered that is not there
    return o;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    const int repeats = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3;

    QTemporaryDir dir;
    const QString line = dir.filePath(QStringLiteral("line"));
    QProcess sim;
    sim.start(QStringLiteral(ZELT_SIM_PATH),
              {"--pty", line, "--slave", QString::number(InstrumentId), "--baud",
               QString::number(Baud), "--parity", "even", "--pace", "--turnaround-ms",
               QString::number(TurnaroundMs)});
    if (!sim.waitForReadyRead(5000) || !QFile::exists(line)) {
        std::fprintf(stderr, "zelt-sim did not start\n");
        return 1;
    }

    ScanPlan one;
    one.serialPort = line;
    one.framings = {ScanFraming{Baud, Parity, 8, 1}};
    one.slaves = DefaultScanSlaves();

    // The floor: every probe's request and answer bytes on the wire, and one
    // turnaround each.
    const double floorSeconds =
        one.slaves.size() *
        (WireMicroseconds(8 + 9, Baud, 8, Parity, 1) / 1e6 + TurnaroundMs / 1e3);

    QVector<double> adaptive;
    for (int i = 0; i < repeats; ++i) {
        const Outcome o = runScan(one, 0);
        if (o.found != 1) {
            std::fprintf(stderr, "adaptive scan found %d, expected the one at id 99\n", o.found);
            return 1;
        }
        adaptive.append(o.seconds);
    }
    const Outcome fixed = runScan(one, 200);
    const double scanSeconds = median(adaptive);
    std::printf("scan ids 1-99 at %d 8E1, paced, turnaround %d ms, one instrument at id %d:\n",
                Baud, TurnaroundMs, InstrumentId);
    std::printf("  adaptive scan    %7.3f s (median of %d)\n", scanSeconds, repeats);
    std::printf("  wire floor       %7.3f s   scan / floor = %.2fx (goal <= 2x)\n", floorSeconds,
                scanSeconds / floorSeconds);
    std::printf("  fixed 200 ms     %7.3f s   fixed / scan = %.1fx (goal >= 5x)%s\n", fixed.seconds,
                fixed.seconds / scanSeconds,
                fixed.found == 1 ? "" : "  (fixed scan missed the instrument)");

    ScanPlan full = one;
    full.framings = ScanFramings(DefaultScanBauds(), DefaultScanParities());
    const Outcome all = runScan(full, 0);
    std::printf("full scan, %d framings x %d ids: %7.3f s (goal < 60 s), found %s\n",
                full.framings.size(), full.slaves.size(), all.seconds,
                all.found == 1 ? "the instrument, only at its framing" : "WRONG");
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
