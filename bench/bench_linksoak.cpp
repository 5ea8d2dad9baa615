// Fault soak: the main window polls the simulated instrument (zelt-sim's model
// and server in this process, loopback TCP) while the line alternates between
// faulty spells (dropped answers, exception answers, closed connections, cut
// frames) and healthy ones. Prints the polls completed against the polls the
// 500 ms pace allows, the recoveries (red bar back to green), the longest time
// from a healed line to a green bar against the two good polls the bar needs,
// the longest gap between polls, any value shown that the instrument does not
// hold, and memory growth. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_linksoak [minutes]     (default 15)
// With --heal [rounds] (default 5) the window talks to the instrument through a
// proxy that spoils its answers, one kind of fault at a time (garbage, a
// megabyte of random bytes, another unit, a cut frame, silence, a restart, an
// answer held past the timeout, another transaction id, a length too big), and
// the time from a good line to a green bar is printed per kind.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_linksoak --heal [rounds]
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
#include "spoilproxy.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

qint64 median(QVector<qint64> v)
{
    if (v.isEmpty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ApplyAppStyleSheet(app);
    const bool healRun = argc > 1 && std::strcmp(argv[1], "--heal") == 0;
    const int rounds = healRun && argc > 2 ? std::atoi(argv[2]) : 5;
    const double minutes = !healRun && argc > 1 ? std::atof(argv[1]) : 15.0;
    std::srand(7);

    QTemporaryDir home;
    qputenv("ZELT_HOME", home.path().toUtf8());
    sim::SimHost host(sim::Kind::Analog, 0);
    if (!host.startTcp()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(host.errorString()));
        return 1;
    }
    host.model().setLiveFrozen(true); // a steady instrument: any other value shown is a lie
    bench::SpoilProxy proxy(quint16(host.port()));
    if (healRun && !proxy.listen()) {
        std::fprintf(stderr, "the proxy did not start\n");
        return 1;
    }
    {
        QSettings ini(SettingsFilePath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Zelt/connectType"), 1);
        ini.setValue(QStringLiteral("Zelt/EditHostIP"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("Zelt/EditPort"),
                     QString::number(healRun ? proxy.port() : host.port()));
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

    if (healRun) {
        struct Kind
        {
            const char *name;
            bench::Spoil spoil;
        };
        const QVector<Kind> kinds = {
            {"garbage instead of answers", bench::Spoil::Garbage},
            {"1 MB of random bytes", bench::Spoil::RandomMegabyte},
            {"answers of another unit", bench::Spoil::OtherUnit},
            {"frames cut short", bench::Spoil::CutFrame},
            {"silence", bench::Spoil::Silent},
            {"instrument restart", bench::Spoil::Close},
            {"late answers", bench::Spoil::Late},
            {"another transaction id", bench::Spoil::OtherTid},
            {"length too big", bench::Spoil::HugeLength},
        };
        std::printf("heal to green bar after 3 s of each fault, %d rounds (the bar needs two "
                    "good polls: 1000 ms at the 500 ms pace)\n",
                    rounds);
        bool allGreen = true;
        for (const Kind &kind : kinds) {
            QVector<qint64> heal;
            for (int r = 0; r < rounds; ++r) {
                proxy.setSpoil(kind.spoil);
                WaitMs(3000);
                proxy.setSpoil(bench::Spoil::None);
                healing = true;
                pollsSinceHeal = 0;
                sinceHeal.start();
                for (int waited = 0; healing && waited < 15000; waited += 20)
                    WaitMs(20);
                if (healing) {
                    healing = false;
                    allGreen = false;
                    heal << 15000;
                } else {
                    heal << longestHealToGreen;
                }
                longestHealToGreen = 0;
                WaitMs(1000);
            }
            std::printf("  %-28s median %5lld ms, longest %5lld ms (%.2f of the 1000 ms floor)\n",
                        kind.name, median(heal), *std::max_element(heal.begin(), heal.end()),
                        median(heal) / 1000.0);
        }
        std::printf("  values not the instrument's %d%s\n", lies,
                    allGreen ? "" : "; some faults did not heal within 15 s");
        return lies == 0 && allGreen ? 0 : 1;
    }

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
