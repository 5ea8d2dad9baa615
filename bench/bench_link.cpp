// Latency of one 38-register read through ModbusRead, against libmodbus and a
// bare Qt SerialBus request on the same simulator, and the CPU a read uses while
// it waits on an instrument that never answers. Run by hand:
//   taskset -c 0 build/bench/bench_link [rounds] [reads-per-round]
// (pinned to one core, see bench_poll.cpp)
// For a profile of the read path alone, `bench_link --profile N` makes N reads
// of the live block into the mirror and nothing else:
//   valgrind --tool=callgrind build/bench/bench_link --profile 2000
// (the instructions of N reads less those of fewer give the cost of one).
#include "benchsupport.h"
#include "devicemodel.h"
#include "mbaptcpclient.h"
#include "modbuslink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusReply>
#include <QModbusTcpClient>
#include <QVariant>

#include <modbus.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr int LiveBlockRegisters = 38;

LinkSettings liveBlockRequest()
{
    LinkSettings r;
    r.startAddress = 0;
    r.count = LiveBlockRegisters;
    return r;
}

bool connectGlobalClient(int port)
{
    DisconnectModbus();
    LinkSettings s;
    s.connectType = 1;
    s.EditIP = QStringLiteral("127.0.0.1");
    s.EditPort = QString::number(port);
    gu32_ConnectType = 1;
    SetupModbusClient(s, nullptr);
    for (int i = 0; i < 500 && gp_ModbusDevice->state() != QModbusDevice::ConnectedState; ++i)
        WaitMs(10);
    return gp_ModbusDevice->state() == QModbusDevice::ConnectedState;
}

// The wait as first described: 1 ms steps of event processing, spinning the CPU.
void spinWaitMs(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
}

ModbusResult spinRead(QModbusClient *client, const LinkSettings &request, quint16 *values)
{
    const QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, request.startAddress,
                               request.count);
    auto *tcp = qobject_cast<MbapTcpClient *>(client);
    QModbusReply *reply =
        tcp ? tcp->sendRead(unit, request.slaveId) : client->sendReadRequest(unit, request.slaveId);
    if (!reply)
        return ModbusNoLink;
    while (!reply->isFinished()) {
        if (client->state() != QModbusDevice::ConnectedState) {
            reply->deleteLater();
            return ModbusNoLink;
        }
        spinWaitMs(1);
    }
    const bool ok = reply->error() == QModbusDevice::NoError;
    if (ok) {
        for (int i = 0; i < request.count; ++i)
            values[i] = reply->result().value(i);
    }
    const ModbusResult result = ok ? ModbusOk
                                : reply->error() == QModbusDevice::TimeoutError
                                    ? ModbusTimeout
                                    : ModbusProtocolError;
    reply->deleteLater();
    return result;
}

template <typename Read> void timeReads(int n, QVector<double> *micros, Read read)
{
    quint16 values[LiveBlockRegisters];
    for (int i = 0; i < n; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (read(values) != ModbusOk) {
            std::fprintf(stderr, "a read failed\n");
            continue;
        }
        micros->append(clock.nsecsElapsed() / 1000.0);
    }
}

// Requests chained from the finished signal: nothing waits around them.
void timeBareQt(QModbusTcpClient *client, int n, QVector<double> *micros)
{
    QEventLoop loop;
    QElapsedTimer clock;
    int left = n;
    std::function<void()> next = [&] {
        clock.start();
        QModbusReply *reply = client->sendReadRequest(
            QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 0, LiveBlockRegisters), 1);
        QObject::connect(reply, &QModbusReply::finished, &loop, [&, reply] {
            micros->append(clock.nsecsElapsed() / 1000.0);
            reply->deleteLater();
            if (--left > 0)
                next();
            else
                loop.quit();
        });
    };
    next();
    loop.exec();
}

struct CpuFigure
{
    double wallSeconds;
    double cpuSeconds;
    ModbusResult result;
};

template <typename Read> CpuFigure measureSilentRead(Read read)
{
    quint16 values[LiveBlockRegisters];
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = processCpuSeconds();
    const ModbusResult result = read(values);
    return {clock.nsecsElapsed() / 1e9, processCpuSeconds() - cpu0, result};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--profile") {
        SimProcess sim({QStringLiteral("--direct")});
        if (!sim.ok() || !connectGlobalClient(sim.port())) {
            std::fprintf(stderr, "could not start or reach zelt-sim\n");
            return 1;
        }
        LinkSettings base;
        int failed = 0;
        for (int i = atoi(argv[2]); i > 0; --i)
            failed += ReadGroup(base, 0) != ModbusOk;
        DisconnectModbus();
        std::printf("%d reads failed\n", failed);
        return failed ? 1 : 0;
    }
    const int rounds = argc > 1 ? atoi(argv[1]) : 5;
    const int perRound = argc > 2 ? atoi(argv[2]) : 400;

    // Direct: the simulator's Modbus server faces the clients without its fault relay.
    SimProcess sim({QStringLiteral("--direct")});
    if (!sim.ok() || !connectGlobalClient(sim.port())) {
        std::fprintf(stderr, "could not start or reach zelt-sim\n");
        return 1;
    }
    QModbusTcpClient bare;
    bare.setConnectionParameter(QModbusDevice::NetworkAddressParameter,
                                QStringLiteral("127.0.0.1"));
    bare.setConnectionParameter(QModbusDevice::NetworkPortParameter, sim.port());
    bare.connectDevice();
    modbus_t *reference = modbus_new_tcp("127.0.0.1", sim.port());
    modbus_set_slave(reference, 1);
    if (modbus_connect(reference) != 0) {
        std::fprintf(stderr, "libmodbus could not connect\n");
        return 1;
    }
    for (int i = 0; i < 200 && bare.state() != QModbusDevice::ConnectedState; ++i)
        WaitMs(10);

    const LinkSettings request = liveBlockRequest();
    QVector<double> ours, spin, qtBare, libmodbus, unrecorded;
    const auto setRecording = [](bool on) {
        ProgramLink()->setStatsEnabled(on);
        ProgramLink()->stats().setTrafficRecording(on);
    };
    // Interleaved rounds, so that a noisy moment of the machine hits every contender alike.
    for (int round = 0; round < rounds; ++round) {
        timeReads(perRound, &ours,
                  [&](quint16 *v) { return ReadHoldingRegisters(gp_ModbusDevice, request, v); });
        setRecording(false);
        timeReads(perRound, &unrecorded,
                  [&](quint16 *v) { return ReadHoldingRegisters(gp_ModbusDevice, request, v); });
        setRecording(true);
        timeBareQt(&bare, perRound, &qtBare);
        timeReads(perRound, &libmodbus, [&](quint16 *v) {
            return modbus_read_registers(reference, 0, LiveBlockRegisters, v) == LiveBlockRegisters
                       ? ModbusOk
                       : ModbusProtocolError;
        });
        timeReads(perRound / 4, &spin,
                  [&](quint16 *v) { return spinRead(gp_ModbusDevice, request, v); });
    }
    modbus_close(reference);
    modbus_free(reference);

    const double mOurs = median(ours), mBare = median(qtBare), mLib = median(libmodbus),
                 mSpin = median(spin);
    std::printf("38-register read on loopback TCP, median of %d reads each (%d rounds)\n",
                int(ours.size()), rounds);
    std::printf("  ModbusRead (nested event loop)   %8.1f us\n", mOurs);
    const double mUnrecorded = median(unrecorded);
    std::printf("  ... without statistics/traffic   %8.1f us   with / without         = %5.3fx\n",
                mUnrecorded, mOurs / mUnrecorded);
    std::printf("  bare Qt SerialBus request        %8.1f us   ModbusRead / bare Qt   = %5.2fx\n",
                mBare, mOurs / mBare);
    std::printf("  libmodbus                        %8.1f us   ModbusRead / libmodbus = %5.2fx\n",
                mLib, mOurs / mLib);
    std::printf("  1 ms spin wait (reference)       %8.1f us   spin / libmodbus       = %5.2fx\n",
                mSpin, mSpin / mLib);

    // An instrument that never answers: the read waits for the client's 1000 ms timeout.
    SimProcess silent({QStringLiteral("--drop"), QStringLiteral("1")});
    if (!silent.ok() || !connectGlobalClient(silent.port())) {
        std::fprintf(stderr, "could not start the silent simulator\n");
        return 1;
    }
    std::printf("\nCPU while a read waits on a silent instrument (client timeout 1000 ms)\n");
    for (int i = 0; i < 3; ++i) {
        const CpuFigure f = measureSilentRead(
            [&](quint16 *v) { return ReadHoldingRegisters(gp_ModbusDevice, request, v); });
        std::printf("  ModbusRead      result %d after %.3f s, CPU %.4f s = %5.2f%% of one core\n",
                    int(f.result), f.wallSeconds, f.cpuSeconds, 100 * f.cpuSeconds / f.wallSeconds);
    }
    const CpuFigure s =
        measureSilentRead([&](quint16 *v) { return spinRead(gp_ModbusDevice, request, v); });
    std::printf("  1 ms spin wait  result %d after %.3f s, CPU %.4f s = %5.2f%% of one core\n",
                int(s.result), s.wallSeconds, s.cpuSeconds, 100 * s.cpuSeconds / s.wallSeconds);
    DisconnectModbus();
    return 0;
}
