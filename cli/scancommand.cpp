// zeltctl scan: every instrument on a serial line or a range of TCP addresses.
#include "zeltctl.h"

#include "busscan.h"
#include "modbusconnection.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QJsonArray>
#include <QTimer>
#include <csignal>
#include <memory>

namespace {

constexpr int DefaultTcpPort = 502;
constexpr int InterruptPollMs = 50;

volatile std::sig_atomic_t scanInterrupted = 0;
void onScanInterrupt(int)
{
    scanInterrupted = 1;
}

QString noteOf(const ScanFind &find)
{
    if (find.exceptionCode != 0)
        return ModbusResultText(ModbusProtocolError, find.exceptionCode);
    return find.identified ? QString() : QStringLiteral("identity not read");
}

QJsonObject findJson(const ScanFind &find)
{
    QJsonObject o{{"slave", find.slaveId},
                  {"version", qint64(find.version)},
                  {"kind", find.kind},
                  {"serialNumber", find.serialNumber}};
    if (find.connectType == 1) {
        o.insert("host", find.host);
        o.insert("port", find.tcpPort);
    } else {
        o.insert("device", find.serialPort);
        o.insert("baud", find.framing.baud);
        o.insert("parity", ParityName(find.framing.parity));
        o.insert("dataBits", find.framing.dataBits);
        o.insert("stopBits", find.framing.stopBits);
    }
    if (find.exceptionCode != 0)
        o.insert("exception", find.exceptionCode);
    return o;
}

} // namespace

bool Zeltctl::readScanPlan(ScanPlan *plan, QString *error) const
{
    const QCommandLineParser &p = m_parser;
    if (p.isSet("tcp") == p.isSet("serial")) {
        *error = QStringLiteral("scan takes --serial DEVICE or --tcp HOST[-HOST]");
        return false;
    }
    for (const char *single : {"baud", "parity", "slave"}) {
        if (p.isSet(QLatin1String(single))) {
            *error = QStringLiteral("scan takes --bauds, --parities and --slaves, not --%1")
                         .arg(QLatin1String(single));
            return false;
        }
    }
    plan->slaves = DefaultScanSlaves();
    if (p.isSet("slaves") && !ParseSlaveList(p.value("slaves"), &plan->slaves, error))
        return false;
    if (p.isSet("tcp")) {
        plan->connectType = 1;
        plan->tcpPort = DefaultTcpPort;
        if (!intOption(QStringLiteral("port"), 1, 65535, &plan->tcpPort, error))
            return false;
        if (p.isSet("bauds") || p.isSet("parities") || p.isSet("turnaround-ms")) {
            *error =
                QStringLiteral("--bauds, --parities and --turnaround-ms are for a serial scan");
            return false;
        }
        return ParseHostRange(p.value("tcp"), &plan->hosts, error);
    }
    if (p.isSet("port")) {
        *error = QStringLiteral("--port is for a TCP scan");
        return false;
    }
    plan->connectType = 0;
    plan->serialPort = p.value("serial");
    if (!intOption(QStringLiteral("turnaround-ms"), 1, 1000, &plan->turnaroundFloorMs, error))
        return false;
    QVector<int> bauds = DefaultScanBauds();
    QVector<int> parities = DefaultScanParities();
    if (p.isSet("bauds") && !ParseBaudList(p.value("bauds"), &bauds, error))
        return false;
    if (p.isSet("parities") && !ParseParityList(p.value("parities"), &parities, error))
        return false;
    plan->framings = ScanFramings(bauds, parities);
    return true;
}

// One line per reason: a range of hosts that all refuse the connection is
// one line naming how many and the first and last of them, not one each.
void Zeltctl::printProblems(const QStringList &problems, const QString &noun)
{
    QStringList reasons;
    QHash<QString, QStringList> where;
    for (const QString &problem : problems) {
        // "127.0.0.2:1502: TCP socket error (Connection refused)."
        const int colon = problem.indexOf(QLatin1String(": "));
        const QString reason = colon < 0 ? problem : problem.mid(colon + 2);
        if (!where.contains(reason))
            reasons << reason;
        where[reason] << (colon < 0 ? QString() : problem.left(colon));
    }
    for (const QString &reason : reasons) {
        const QStringList &at = where.value(reason);
        if (at.size() == 1)
            m_s.err << "zeltctl: " << at.first() << ": " << reason << '\n';
        else
            m_s.err << "zeltctl: " << at.size() << ' ' << noun << " (" << at.first() << " to "
                    << at.last() << "): " << reason << '\n';
    }
    m_s.err.flush();
}

int Zeltctl::cmdScan()
{
    ScanPlan plan;
    QString error;
    if (!readScanPlan(&plan, &error))
        return usageError(error);

    BusScan scan(plan);
    // The bar's line ends before the result is printed.
    auto bar = std::make_unique<ProgressBar>(m_s, QStringLiteral("scan"));
    QObject::connect(&scan, &BusScan::progress, [&bar](int done, int total, const QString &) {
        bar->show(total > 0 ? 100 * done / total : 100);
    });
    QEventLoop loop;
    QObject::connect(&scan, &BusScan::finished, &loop, &QEventLoop::quit);
    // Ctrl-C ends the scan as the window's Cancel does: the port is closed.
    scanInterrupted = 0;
    const auto previous = std::signal(SIGINT, onScanInterrupt);
    QTimer interrupt;
    QObject::connect(&interrupt, &QTimer::timeout, &scan, [&scan] {
        if (scanInterrupted)
            scan.cancel();
    });
    interrupt.start(InterruptPollMs);
    QElapsedTimer clock;
    clock.start();
    scan.start();
    loop.exec();
    std::signal(SIGINT, previous);
    const double seconds = clock.elapsed() / 1000.0;
    bar.reset();

    QVector<QStringList> rows;
    QJsonArray list;
    for (const ScanFind &find : scan.finds()) {
        rows.append({QString::number(find.slaveId), find.whereText(),
                     find.version ? QString::number(find.version) : QString(), find.kind,
                     find.serialNumber, noteOf(find)});
        list.append(findJson(find));
    }
    QJsonArray problems;
    for (const QString &problem : scan.problems())
        problems.append(problem);
    printProblems(scan.problems(),
                  plan.connectType == 1 ? QStringLiteral("hosts") : QStringLiteral("framings"));
    // What was asked: the ids of a host or framing that could not be opened were not.
    const int asked = scan.probesDone() - scan.probesSkipped();
    QString summary = QStringLiteral("%1 instrument(s) found, %2 of %3 addresses asked in %4 s")
                          .arg(scan.finds().size())
                          .arg(asked)
                          .arg(scan.probesTotal())
                          .arg(seconds, 0, 'f', 1);
    if (scan.probesSkipped())
        summary +=
            QStringLiteral(", %1 not asked (%2 not opened)")
                .arg(scan.probesSkipped())
                .arg(plan.connectType == 1 ? QStringLiteral("hosts") : QStringLiteral("framings"));
    if (scan.wasCancelled())
        summary += QStringLiteral(", cancelled");
    printResult(QJsonObject{{"instruments", list},
                            {"probed", asked},
                            {"notAsked", scan.probesSkipped()},
                            {"addresses", scan.probesTotal()},
                            {"seconds", seconds},
                            {"cancelled", scan.wasCancelled()},
                            {"problems", problems}},
                {QStringLiteral("SLAVE"),
                 plan.connectType == 1 ? QStringLiteral("HOST") : QStringLiteral("FRAMING"),
                 QStringLiteral("VERSION"), QStringLiteral("KIND"), QStringLiteral("SERIAL NUMBER"),
                 QStringLiteral("NOTE")},
                rows, summary);
    // A line where no framing or host could be opened at all is out of reach.
    if (scan.finds().isEmpty() &&
        scan.problems().size() ==
            (plan.connectType == 1 ? plan.hosts.size() : plan.framings.size()))
        return ExitUnreachable;
    return scan.finds().isEmpty() || scan.wasCancelled() ? ExitDiffers : ExitDone;
}
