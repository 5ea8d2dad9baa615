// Parameter export and import of the full template against the simulator,
// beside the floor measured in the same run (per row: a 1 ms wait and one bare
// Qt SerialBus request) and beside a Python script (openpyxl + pymodbus) doing
// the same work. Run by hand: bench_files [repeats]
#include "benchsupport.h"
#include "devicemodel.h"
#include "exeltowrite.h"
#include "modbuslink.h"
#include "paramtemplate.h"
#include "servicerecord.h"
#include "servicerecorder.h"
#include "workbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QModbusReply>
#include <QModbusTcpClient>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>
#include <cstdio>

namespace {

struct Row
{
    int address;
    int count;
    quint32 value;
};

// The rows of a file that cause a request: all for the export, the written ones for the import.
QVector<Row> fileRows(const QString &path, bool import)
{
    QVector<Row> rows;
    Workbook book;
    if (!book.open(path) || !book.selectSheet(QStringLiteral("读写类")))
        return rows;
    for (int r = 2; r <= book.rowCount(); ++r) {
        const int address = book.cellText(r, 1).toInt();
        if (import && address >= 360 && address <= 395)
            continue; // the link in use
        rows.append({address, book.cellText(r, 3).toInt(), book.cellText(r, 7).toUInt()});
    }
    return rows;
}

bool bareRequest(QModbusTcpClient *client, const Row &row, bool write)
{
    QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, row.address, quint16(row.count));
    if (write) {
        unit.setValue(0, row.count == 1 ? row.value & 0xFFFF : row.value >> 16);
        if (row.count == 2)
            unit.setValue(1, row.value & 0xFFFF);
    }
    QModbusReply *reply =
        write ? client->sendWriteRequest(unit, 1) : client->sendReadRequest(unit, 1);
    if (!reply)
        return false;
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply, &QModbusReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const bool ok = reply->error() == QModbusDevice::NoError;
    reply->deleteLater();
    return ok;
}

double floorMs(QModbusTcpClient *client, const QVector<Row> &rows, bool write)
{
    QElapsedTimer clock;
    clock.start();
    for (const Row &row : rows) {
        WaitMs(1);
        bareRequest(client, row, write);
    }
    return clock.nsecsElapsed() / 1e6;
}

const char PythonScript[] = R"(
import sys, time, struct, openpyxl
from pymodbus.client import ModbusTcpClient
mode, path, port = sys.argv[1], sys.argv[2], int(sys.argv[3])
start = time.perf_counter()
c = ModbusTcpClient('127.0.0.1', port=port)
c.connect()
wb = openpyxl.load_workbook(path)
ws = wb['读写类']
for r in range(2, ws.max_row + 1):
    a, n = ws.cell(r, 1).value, ws.cell(r, 3).value
    if a is None:
        continue
    a, n = int(a), int(n)
    time.sleep(0.001)
    if mode == 'export':
        rr = c.read_holding_registers(a, min(n, 2), slave=1)
        if rr.isError():
            ws.cell(r, 7).value = None
            continue
        v = rr.registers[0] if n == 1 else (rr.registers[0] << 16) | rr.registers[1]
        ws.cell(r, 7).value = v
    else:
        if 360 <= a <= 395:
            continue
        v, hi, lo = ws.cell(r, 7).value, ws.cell(r, 4).value, ws.cell(r, 5).value
        if v is None or not (int(lo) <= int(v) <= int(hi)):
            continue
        v = int(v)
        regs = [v & 0xFFFF] if n == 1 else [v >> 16, v & 0xFFFF]
        c.write_registers(a, regs, slave=1)
if mode == 'export':
    wb.save(path)
c.close()
print((time.perf_counter() - start) * 1000.0)
)";

double pythonMs(const QString &mode, const QString &path, int port)
{
    QProcess p;
    p.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"), QString::fromUtf8(PythonScript), mode, path, QString::number(port)});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        std::fprintf(stderr, "python: %s\n", p.readAllStandardError().constData());
        return -1;
    }
    return p.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int repeats = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    SimProcess sim;
    if (!sim.ok()) {
        std::fprintf(stderr, "zelt-sim did not start\n");
        return 1;
    }
    LinkSettings s;
    s.connectType = 1;
    s.EditIP = QStringLiteral("127.0.0.1");
    s.EditPort = QString::number(sim.port());
    gu32_ConnectType = 1;
    SetupModbusClient(s, nullptr);
    QModbusTcpClient bare;
    bare.setConnectionParameter(QModbusDevice::NetworkAddressParameter, s.EditIP);
    bare.setConnectionParameter(QModbusDevice::NetworkPortParameter, sim.port());
    bare.connectDevice();
    QElapsedTimer wait;
    wait.start();
    while ((gp_ModbusDevice->state() != QModbusDevice::ConnectedState ||
            bare.state() != QModbusDevice::ConnectedState) &&
           wait.elapsed() < 5000)
        WaitMs(5);

    QTemporaryDir dir;
    const QString templ = dir.filePath(QStringLiteral("template.xlsx"));
    WriteParamTemplate(templ, 0);
    const QString exported = dir.filePath(QStringLiteral("export.xlsx"));
    const bool havePython =
        !QProcess::execute(QStringLiteral("/usr/bin/python3"),
                           {QStringLiteral("-c"), QStringLiteral("import openpyxl, pymodbus")});

    ExelToWrite excel;
    QVector<double> ours[2], floor[2], python[2], recorded;
    // The import again with every row going into a service record of its own.
    ServiceRecord record;
    QString recordError;
    if (!record.open(dir.filePath(QStringLiteral("history.sqlite")), &recordError)) {
        std::fprintf(stderr, "service record: %s\n", qPrintable(recordError));
        return 1;
    }
    for (int i = 0; i < repeats; ++i) {
        // export: a fresh copy of the template each time
        QFile::remove(exported);
        QFile::copy(templ, exported);
        QElapsedTimer clock;
        clock.start();
        WorkBooks *books = excel.StartExcel();
        const int er = excel.ExportExcel(books, exported, gp_ModbusDevice);
        excel.QuitExcel();
        ours[0].append(clock.nsecsElapsed() / 1e6);
        floor[0].append(floorMs(&bare, fileRows(exported, false), false));

        clock.start();
        books = excel.StartExcel();
        const int ir = excel.ImportExcel(books, exported, gp_ModbusDevice);
        excel.QuitExcel();
        ours[1].append(clock.nsecsElapsed() / 1e6);
        floor[1].append(floorMs(&bare, fileRows(exported, true), true));

        // As the window does at connect: the system information is read, then the visit opens.
        ServiceRecorder::Install(&record);
        for (int group : {14, 15})
            ReadGroup(s, group);
        ServiceRecorder::LinkOpened(s);
        clock.start();
        books = excel.StartExcel();
        excel.ImportExcel(books, exported, gp_ModbusDevice);
        excel.QuitExcel();
        recorded.append(clock.nsecsElapsed() / 1e6);
        ServiceRecorder::Uninstall();
        if (er != 1 || ir != 1)
            std::fprintf(stderr, "export %d, import %d\n", er, ir);

        if (havePython) {
            const QString py = dir.filePath(QStringLiteral("py.xlsx"));
            QFile::remove(py);
            QFile::copy(templ, py);
            python[0].append(pythonMs(QStringLiteral("export"), py, sim.port()));
            python[1].append(pythonMs(QStringLiteral("import"), py, sim.port()));
        }
    }

    const int rows = fileRows(templ, false).size();
    std::printf("parameter files, %d template rows, %d runs, medians (ms)\n", rows, repeats);
    std::printf("%-8s %10s %10s %8s %10s %8s\n", "", "ours", "floor", "x floor", "python",
                "x python");
    const char *names[2] = {"export", "import"};
    for (int k = 0; k < 2; ++k) {
        const double o = median(ours[k]), f = median(floor[k]);
        const double p = havePython ? median(python[k]) : -1;
        std::printf("%-8s %10.1f %10.1f %8.2f %10.1f %8.2f\n", names[k], o, f, o / f, p,
                    p > 0 ? o / p : 0.0);
    }
    std::printf("import with the service record %.1f ms against without %.1f ms: %.3fx (%d "
                "entries)\n",
                median(recorded), median(ours[1]), median(recorded) / median(ours[1]),
                record.count({}));
    // Each run's import with the record against the same run's import without it.
    std::printf("per run:");
    double worst = 0;
    for (int i = 0; i < recorded.size(); ++i) {
        const double ratio = recorded[i] / ours[1][i];
        worst = qMax(worst, ratio);
        std::printf(" %.3f", ratio);
    }
    std::printf("; highest %.3fx\n", worst);
    if (!havePython)
        std::printf("python3-openpyxl or python3-pymodbus missing: no script figures\n");
    DisconnectModbus();
    return 0;
}
