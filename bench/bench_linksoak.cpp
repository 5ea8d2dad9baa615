// Fault soak: the main window polls the simulated instrument (zelt-sim's model
// and server in this process, loopback TCP) while the line alternates between
// faulty spells (dropped answers, exception answers, closed connections, cut
// frames) and healthy ones. Prints the polls completed against the polls the
// 500 ms pace allows, the recoveries (red bar back to green), the longest time
// from a healed line to a green bar against the two good polls the bar needs,
// the longest gap between polls, any value shown that the instrument does not
// hold, and memory growth. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_linksoak [minutes]     (default 15)
#include "Modbus/filepaths.h"
#include "Modbus/modbussetting.h"
#include "appstyle.h"
#include "benchsupport.h"
#include "devicemodel.h"
#include "displayweightthread.h"
#include "mainwindow.h"
#include "modbuslink.h"
#include "pollstate.h"
#include "simhost.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

// Resident memory of this process in kB.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

struct Spell
{
    const char *name;
    int seconds;
    sim::FaultOptions faults;
};

sim::FaultOptions faults(double drop, double exception, int closeAfter, double cut)
{
    sim::FaultOptions f;
    f.dropRate = drop;
    f.exceptionRate = exception;
    f.closeAfter = closeAfter;
    f.cutRate = cut;
    f.seed = quint32(std::rand());
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ApplyAppStyleSheet(app);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 15.0;
    std::srand(7);

    QTemporaryDir home;
    qputenv("ZELT_HOME", home.path().toUtf8());
    sim::SimHost host(sim::Kind::Analog, 0);
    if (!host.startTcp()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(host.errorString()));
        return 1;
    }
    host.model().setLiveFrozen(true); // a steady instrument: any other value shown is a lie
    {
        QSettings ini(SettingsFilePath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Zelt/connectType"), 1);
        ini.setValue(QStringLiteral("Zelt/EditHostIP"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("Zelt/EditPort"), QString::number(host.port()));
        ini.setValue(QStringLiteral("Zelt/timeoutSpinner"), QStringLiteral("1000"));
        ini.setValue(QStringLiteral("Zelt/spinboxSlaveId"), QStringLiteral("1"));
        ini.setValue(QStringLiteral("Zelt/baudCombo"), 5); // 38400: the 1000 ms client timeout
    }
    MainWindow window;
    window.show();
    window.connectionPage()->findChild<QPushButton *>(QStringLiteral("connectButton"))->click();
    for (int i = 0; i < 500 && gu32_PageIndex != 0; ++i)
        WaitMs(10);
    if (gu32_PageIndex != 0) {
        std::fprintf(stderr, "the window did not connect\n");
        return 1;
    }
    window.showPage(1); // a parameter page: its groups are polled too
    const quint32 weight = host.model().value32(0);
    const quint32 zeroRange = host.model().value32(54);
    QLabel *state = window.form()->label_ConnectState;
    const QString green = QStringLiteral("Communication-Normal");

    // The spells, round and round: mild faults, healthy, harsh faults, healthy.
    const QVector<Spell> spells = {
        {"mild", 20, faults(0.03, 0.03, 150, 0.02)},
        {"healthy", 10, {}},
        {"harsh", 20, faults(0.25, 0.15, 30, 0.15)},
        {"healthy", 10, {}},
    };

    int polls = 0, recoveries = 0, redSpells = 0, heals = 0, greenAfterHeal = 0, lies = 0;
    qint64 longestHealToGreen = 0, longestGap = 0, lastPoll = 0;
    QElapsedTimer run, sinceHeal;
    bool healing = false, wasRed = false;
    int pollsSinceHeal = 0;

    auto *thread = window.findChild<DisplayWeightThread *>();
    // Queued behind the polling slot: counts the polls and checks what they left.
    QObject::connect(thread, &DisplayWeightThread::isdone, &window, [&] {
        ++polls;
        ++pollsSinceHeal;
        const qint64 now = run.elapsed();
        longestGap = qMax(longestGap, now - lastPoll);
        lastPoll = now;
    });
    const auto check = [&] {
        if ((gsrt_LiveVal.slot[0] != weight && gsrt_LiveVal.slot[0] != 0) ||
            (gsrt_BasicPara.slot[2] != zeroRange && RegisterKnown(54)))
            ++lies;
        const bool red = state->text() != green;
        if (red && !wasRed)
            ++redSpells;
        if (!red && wasRed)
            ++recoveries;
        wasRed = red;
        if (healing && !red && gu32_CommErrCount == 0 && pollsSinceHeal >= 2) {
            healing = false;
            ++greenAfterHeal;
            longestHealToGreen = qMax(longestHealToGreen, sinceHeal.elapsed());
        }
    };
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, check);
    sampler.start(20);

    const long memoryAtStart = residentKb();
    long memoryPeak = memoryAtStart;
    const int requestsAtStart = host.requestCount();
    const double cpuAtStart = processCpuSeconds();
    run.start();
    const qint64 total = qint64(minutes * 60000);
    for (int i = 0; run.elapsed() < total; i = (i + 1) % spells.size()) {
        const Spell &spell = spells[i];
        host.setFaults(spell.faults);
        if (spell.faults.dropRate == 0 && spell.faults.exceptionRate == 0) {
            ++heals;
            healing = true;
            pollsSinceHeal = 0;
            sinceHeal.start();
        }
        WaitMs(int(qMin<qint64>(spell.seconds * 1000, qMax<qint64>(0, total - run.elapsed()))));
        if (healing && spell.faults.dropRate == 0) {
            std::fprintf(stderr, "a healthy spell ended without a green bar\n");
            healing = false;
        }
        memoryPeak = qMax(memoryPeak, residentKb());
        std::fprintf(stderr, "%6.1f min  polls %d  recoveries %d  rss %ld kB\n",
                     run.elapsed() / 60000.0, polls, recoveries, residentKb());
    }
    const double wall = run.elapsed() / 1000.0;
    const double cpu = processCpuSeconds() - cpuAtStart;
    const long memoryAtEnd = residentKb();

    std::printf("fault soak, %.1f min, spells of mild faults (drop 3%%, exception 3%%, close "
                "after 150, cut 2%%) and harsh faults (25%%, 15%%, 30, 15%%) between healthy "
                "ones\n",
                wall / 60);
    std::printf("  polls completed      %8d of %d the 500 ms pace allows (%.2f)\n", polls,
                int(wall * 2), polls / (wall * 2));
    std::printf("  requests answered    %8d\n", host.requestCount() - requestsAtStart);
    std::printf("  red spells           %8d, recoveries to green %d\n", redSpells, recoveries);
    std::printf("  healed lines         %8d, green within the spell %d\n", heals, greenAfterHeal);
    std::printf("  heal to green bar    %8lld ms longest, against 1000 ms for the two good "
                "polls it needs (%.2f)\n",
                longestHealToGreen, longestHealToGreen / 1000.0);
    std::printf("  longest poll gap     %8lld ms (pace 500 ms)\n", longestGap);
    std::printf("  values not the instrument's %d\n", lies);
    std::printf("  memory (VmRSS)       %8ld kB at start, %ld kB at end, %ld kB peak, growth "
                "%ld kB\n",
                memoryAtStart, memoryAtEnd, memoryPeak, memoryAtEnd - memoryAtStart);
    std::printf("  CPU                  %8.1f s over %.0f s = %.1f%% of one core\n", cpu, wall,
                100 * cpu / wall);
    return 0;
}
