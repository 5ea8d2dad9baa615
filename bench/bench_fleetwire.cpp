// Backup of one instrument over a paced RS-485 line at 38400 8E1 (turnaround
// 5 ms): the register groups read at once against one request per row, and
// against the wire floor of the grouped requests (their bytes at the line's
// framing plus one turnaround each), all measured in the same run.
// Run by hand: bench_fleetwire [repeats]
#include "benchsupport.h"
#include "devicemodel.h"
#include "exeltowrite.h"
#include "modbuslink.h"
#include "paramtemplate.h"
#include "registerimage.h"
#include "rowchecks.h"
#include "simhost.h"
#include "wiretime.h"
#include "workbook.h"
#include "zeltctltiming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QModbusClient>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int Baud = 38400;
constexpr int Parity = 2; // even
constexpr int TurnaroundMs = 5;

bool connectProgramLink(const QString &line)
{
    LinkSettings s;
    s.connectType = 0;
    s.SerialNum = line;
    s.baud = Baud;
    s.parity = Parity;
    gu32_ConnectType = 0;
    gu32_SlaveId = 1;
    gu32_DwordFormat = 0;
    if (!SetupModbusClient(s, nullptr))
        return false;
    QElapsedTimer wait;
    wait.start();
    while (gp_ModbusDevice->state() != QModbusDevice::ConnectedState && wait.elapsed() < 5000)
        WaitMs(5);
    return gp_ModbusDevice->state() == QModbusDevice::ConnectedState;
}

// ms of one export of a fresh template; grouped: the register groups first.
double timedExport(const QString &file, const QVector<GroupRequest> &groups, bool grouped)
{
    WriteParamTemplate(file, 0);
    QElapsedTimer clock;
    clock.start();
    RegisterImage image;
    ExelToWrite excel;
    if (grouped) {
        ReadRegisterImage(groups, &image, {});
        excel.setInstrumentValues(ImageValues(image, 0));
    }
    const int result = excel.RunExport(file, gp_ModbusDevice, {});
    const double ms = clock.nsecsElapsed() / 1e6;
    if (result != ExelToWrite::Done) {
        std::fprintf(stderr, "export %s: result %d\n", grouped ? "grouped" : "by row", result);
        return -1;
    }
    return ms;
}

// A request and its answer of `bytes` in all on the wire, with one turnaround.
double wireMs(int bytes)
{
    return WireMicroseconds(bytes, Baud, 8, Parity, 1) / 1000.0 + TurnaroundMs;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    const int repeats = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 5;
    QTemporaryDir dir;
    qputenv("ZELT_HOME", dir.path().toUtf8());
    const QString line = dir.filePath(QStringLiteral("line"));
    sim::SimHost bus;
    if (!bus.startBus(line, true, {1}, {Baud, Parity, 8, 1}, {true, TurnaroundMs})) {
        std::fprintf(stderr, "simulated line: %s\n", qPrintable(bus.errorString()));
        return 1;
    }

    const QString templ = dir.filePath(QStringLiteral("template.xlsx"));
    WriteParamTemplate(templ, 0);
    Workbook book;
    book.open(templ);
    book.selectSheet(QStringLiteral("读写类"));
    const QVector<GroupRequest> groups = PlanGroupedReads(CompareSpans(book));
    int rows = 0;
    for (int r = 2; r <= book.rowCount(); ++r)
        rows += PlanExportRow(book, r).action == ExportRowPlan::Read;
    // Request: id, function, start, count, CRC; answer: id, function, byte count, registers, CRC.
    double floorMs = 0;
    for (const GroupRequest &g : groups)
        floorMs += wireMs(8 + 5 + 2 * g.count);

    QVector<double> grouped, byRow, command, commandFloor;
    for (int r = 0; r < repeats; ++r) {
        if (!connectProgramLink(line))
            return 1;
        const double g = timedExport(dir.filePath(QStringLiteral("grouped.xlsx")), groups, true);
        const double b = timedExport(dir.filePath(QStringLiteral("rows.xlsx")), groups, false);
        DisconnectModbus();
        bus.clearLog();
        const double c =
            TimedZeltctl({"--serial", line, "--baud", QString::number(Baud), "--parity", "even",
                          "backup", dir.filePath(QStringLiteral("zeltctl%1.xlsx").arg(r))});
        if (g < 0 || b < 0 || c < 0)
            return 1;
        grouped.append(g);
        byRow.append(b);
        command.append(c);
        double sent = 0;
        for (const sim::LoggedRequest &q : bus.requestLog())
            sent += wireMs(q.function == 3 ? 8 + 5 + 2 * q.count : 8 + 8);
        commandFloor.append(sent);
    }
    const double g = median(grouped), b = median(byRow), c = median(command);
    std::printf("backup of one instrument, %d rows, paced %d 8E1, turnaround %d ms, median of %d "
                "runs\n",
                rows, Baud, TurnaroundMs, repeats);
    std::printf("  wire floor of the %2d group reads %8.1f ms\n", groups.size(), floorMs);
    std::printf("  read by register groups          %8.1f ms   %.2fx the floor (goal <= 1.3x)\n", g,
                g / floorMs);
    std::printf(
        "  one request per row (%3d)        %8.1f ms   %.1fx the grouped time (goal >= 3x)\n", rows,
        b, b / g);
    const double cf = median(commandFloor);
    std::printf("  zeltctl backup, whole command    %8.1f ms   %.2fx the floor of the group reads,"
                " %.2fx the floor of all it sent (%.1f ms: link check and service record identity"
                " too)\n",
                c, c / floorMs, c / cf, cf);
    return 0;
}
