// Poll cycle of the main window on the monitoring page and on the data
// transmission page (the page with most groups), against libmodbus making the
// same requests to the same simulator; and the CPU the program uses while it
// polls with both curves running. Run by hand:
//   taskset -c 0 build/bench/bench_poll [cycles-per-page]   (QT_QPA_PLATFORM=offscreen is fine)
//   xvfb-run -a build/bench/bench_poll --cpu 60             (a real window that paints)
// Pinning the benchmark and its simulator to one core keeps the scheduler from
// moving the two ends of the loopback between cores mid-run, which changes every
// round trip several-fold on a virtual machine.
// Page 6 reads one group and draws nothing. The monitoring page is timed twice: with
// both curves running, and with both paused, which leaves the link part of its poll.
#include "Modbus/filepaths.h"
#include "App/maininterface.h"
#include "Modbus/modbussetting.h"
#include "appstyle.h"
#include "benchsupport.h"
#include "devicemodel.h"
#include "mainwindow.h"
#include "modbuslink.h"
#include "pollstate.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <modbus.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Request
{
    bool coils;
    int address;
    int count;
};

// What one poll sends: the live groups and coils, then the page's groups.
QVector<Request> pollRequests(int page)
{
    QVector<Request> r = {{false, 0, 38}, {false, 100, 4}, {false, 10100, 28}, {false, 674, 2},
                          {true, 4, 1},   {true, 50, 2}};
    if (page == 4)
        r += {{false, 300, 54}, {false, 360, 20}, {false, 390, 6}, {false, 460, 10}, {false, 100, 38}};
    if (page == 6)
        r += {{false, 600, 82}};
    return r;
}

bool connectWindow(MainWindow &window)
{
    window.connectionPage()->findChild<QPushButton *>(QStringLiteral("connectButton"))->click();
    for (int i = 0; i < 500 && gu32_PageIndex != 0; ++i)
        WaitMs(10);
    return gu32_PageIndex == 0;
}

// One poll of the window, timed. The polling thread stays quiet while we drive
// the polls; polls come 500 ms apart, so the window has painted the last one
// before the next starts (back to back, that repaint would land inside the next
// poll's waits).
double timeOnePoll(MainWindow &window)
{
    gu8_PollBusy.store(true);
    WaitMs(30);
    QElapsedTimer clock;
    clock.start();
    window.onPollTick();
    const double micros = clock.nsecsElapsed() / 1000.0;
    gu8_PollBusy.store(true);
    return micros;
}

double timeLibmodbusCycle(modbus_t *ctx, const QVector<Request> &requests)
{
    uint16_t registers[128]; // the largest group is 96 registers
    uint8_t bits[8];
    QElapsedTimer clock;
    clock.start();
    for (const Request &r : requests) {
        const int got = r.coils ? modbus_read_bits(ctx, r.address, r.count, bits)
                                : modbus_read_registers(ctx, r.address, r.count, registers);
        if (got != r.count)
            std::fprintf(stderr, "libmodbus read %d failed\n", r.address);
    }
    return clock.nsecsElapsed() / 1000.0;
}

struct Timing
{
    double ours;
    double libmodbus;
};

// The two take turns cycle by cycle, so that whatever else the machine does
// weighs on both alike.
Timing timeInTurns(MainWindow &window, modbus_t *ctx, const QVector<Request> &requests, int cycles)
{
    QVector<double> ours, lib;
    for (int i = 0; i < cycles; ++i) {
        lib.append(timeLibmodbusCycle(ctx, requests));
        ours.append(timeOnePoll(window));
    }
    return {median(ours), median(lib)};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ApplyAppStyleSheet(app);
    const bool cpuMode = argc > 1 && QByteArray(argv[1]) == "--cpu";
    const int cpuSeconds = cpuMode && argc > 2 ? std::atoi(argv[2]) : 60;
    const int cycles = !cpuMode && argc > 1 ? std::atoi(argv[1]) : 400;

    QTemporaryDir home;
    qputenv("ZELT_HOME", home.path().toUtf8());
    // Direct: the simulator's Modbus server faces the clients without its fault relay.
    SimProcess sim({QStringLiteral("--direct")});
    if (!sim.ok()) {
        std::fprintf(stderr, "zelt-sim did not start\n");
        return 1;
    }
    {
        QSettings ini(SettingsFilePath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Zelt/connectType"), 1);
        ini.setValue(QStringLiteral("Zelt/EditHostIP"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("Zelt/EditPort"), QString::number(sim.port()));
        ini.setValue(QStringLiteral("Zelt/timeoutSpinner"), QStringLiteral("1000"));
        ini.setValue(QStringLiteral("Zelt/spinboxSlaveId"), QStringLiteral("1"));
    }
    MainWindow window;
    window.show();
    if (!connectWindow(window)) {
        std::fprintf(stderr, "the window did not connect\n");
        return 1;
    }

    if (cpuMode) {
        WaitMs(2000); // let the first polls and paints settle
        const double cpu0 = processCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(cpuSeconds * 1000, &app, &QApplication::quit);
        app.exec();
        const double cpu = processCpuSeconds() - cpu0;
        const double wall = clock.nsecsElapsed() / 1e9;
        std::printf("connected, polling on the monitoring page with both curves running, %s\n",
                    qPrintable(QGuiApplication::platformName()));
        std::printf("  %.1f s wall, %.3f s CPU = %.2f%% of one core (goal under 5%%)\n", wall, cpu,
                    100 * cpu / wall);
        return 0;
    }

    modbus_t *reference = modbus_new_tcp("127.0.0.1", sim.port());
    modbus_set_slave(reference, 1);
    if (modbus_connect(reference) != 0) {
        std::fprintf(stderr, "libmodbus could not connect\n");
        return 1;
    }
    std::printf("one poll cycle on loopback TCP, median of %d cycles each\n", cycles);
    // The cycles come 30 ms apart instead of 500 ms; the curves get the poll's own
    // 500 ms steps, so that they hold as many points as in real use (about 125).
    auto *curves = static_cast<MainInterface *>(window.page(0));
    qint64 virtualMs = QDateTime::currentMSecsSinceEpoch();
    curves->setClock([&virtualMs] { return QDateTime::fromMSecsSinceEpoch(virtualMs += 500); });
    {
        // What the monitoring page itself costs per poll: both curves take a point.
        QVector<double> micros;
        for (int i = 0; i < cycles; ++i) {
            WaitMs(30);
            QElapsedTimer clock;
            clock.start();
            curves->updateDraw();
            micros.append(clock.nsecsElapsed() / 1000.0);
        }
        std::printf("  monitoring page's own share (updateDraw alone): %8.1f us\n", median(micros));
    }
    struct Run
    {
        int page;
        bool curvesPaused;
    };
    for (const Run &run : {Run{0, false}, Run{0, true}, Run{4, false}, Run{6, false}}) {
        window.showPage(run.page);
        if (run.curvesPaused) {
            for (const char *name : {"pushButton_Pause_1", "pushButton_Pause_2"})
                curves->findChild<QPushButton *>(QLatin1String(name))->click();
        }
        const QVector<Request> requests = pollRequests(run.page);
        // Warm up; on the monitoring page until the curves hold the full minute
        // they show from then on (showing the page started them afresh).
        timeInTurns(window, reference, requests, run.page == 0 ? 140 : 20);
        const Timing t = timeInTurns(window, reference, requests, cycles);
        const double ours = t.ours;
        const double lib = t.libmodbus;
        std::printf("  page %d%s (%d requests): poll cycle %8.1f us   libmodbus %8.1f us   ratio %5.2fx\n",
                    run.page, run.curvesPaused ? ", curves paused" : "", int(requests.size()), ours,
                    lib, ours / lib);
    }
    modbus_close(reference);
    modbus_free(reference);
    return 0;
}
