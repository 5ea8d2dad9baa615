// zelt-sim: the instrument simulator as a stand-alone Modbus TCP/RTU server.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPort>
#include <QTextStream>
#include <cstdio>

#include "controlchannel.h"
#include "instrumentmodel.h"
#include "simserver.h"

namespace {

struct Settings
{
    QString host = QStringLiteral("127.0.0.1");
    int port = 1502;
    QString serialDevice;
    int baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    int dataBits = 8;
    int stopBits = 1;
    int slaveId = 1;
    QList<int> slaves; // several: instruments sharing one serial bus
    QString ptyLink;
    bool pace = false;
    int turnaroundMs = 5;
    int wordOrder = 0;
    sim::Kind kind = sim::Kind::Analog;
    quint32 seed = 1;
    QString logFile;
    sim::FaultOptions faults;
    QString control;
    bool asFound = false;
    sim::ErrorModel errors;
};

int fail(const QString &message, int code = 2)
{
    QTextStream(stderr) << "zelt-sim: " << message << '\n';
    return code;
}

bool parseRate(const QString &text, double *rate)
{
    bool ok = false;
    *rate = text.toDouble(&ok);
    return ok && *rate >= 0 && *rate <= 1;
}

// Fills *s from the command line; returns an error message or an empty string.
QString readSettings(const QCommandLineParser &p, Settings *s)
{
    bool ok = true;
    if (p.isSet("tcp")) {
        const QString endpoint = p.value("tcp");
        QString portText;
        if (endpoint.startsWith('[')) { // [::1]:1502
            const int close = endpoint.indexOf(']');
            s->host = endpoint.mid(1, close - 1);
            if (close > 0 && endpoint.mid(close + 1).startsWith(':'))
                portText = endpoint.mid(close + 2);
        } else if (endpoint.count(':') == 1) {
            s->host = endpoint.section(':', 0, 0);
            portText = endpoint.section(':', 1);
        } else {
            s->host = endpoint; // a bare IPv6 address or a host without port
        }
        if (!portText.isEmpty())
            s->port = portText.toInt(&ok);
        if (!ok || s->port < 0 || s->port > 65535 || s->host.isEmpty())
            return QStringLiteral("--tcp wants HOST:PORT, got '%1'").arg(endpoint);
    }
    s->serialDevice = p.value("serial");
    s->baud = p.value("baud").toInt(&ok);
    if (!ok || s->baud <= 0)
        return QStringLiteral("bad --baud");
    const QString parity = p.value("parity").toLower();
    if (parity == "none")
        s->parity = QSerialPort::NoParity;
    else if (parity == "even")
        s->parity = QSerialPort::EvenParity;
    else if (parity == "odd")
        s->parity = QSerialPort::OddParity;
    else
        return QStringLiteral("--parity must be none, even or odd");
    s->dataBits = p.value("data-bits").toInt(&ok);
    if (!ok || (s->dataBits != 7 && s->dataBits != 8))
        return QStringLiteral("--data-bits must be 7 or 8");
    s->stopBits = p.value("stop-bits").toInt(&ok);
    if (!ok || (s->stopBits != 1 && s->stopBits != 2))
        return QStringLiteral("--stop-bits must be 1 or 2");
    for (const QString &id : p.value("slave").split(',')) {
        const int slave = id.trimmed().toInt(&ok);
        if (!ok || slave < 1 || slave > 247 || s->slaves.contains(slave))
            return QStringLiteral("--slave must be ids from 1..247, each once");
        s->slaves.append(slave);
    }
    s->slaveId = s->slaves.first();
    s->ptyLink = p.value("pty");
    s->pace = p.isSet("pace");
    s->turnaroundMs = p.value("turnaround-ms").toInt(&ok);
    if (!ok || s->turnaroundMs < 0)
        return QStringLiteral("bad --turnaround-ms");
    const QString order = p.value("word-order").toUpper();
    if (order == "0" || order == "AB-CD")
        s->wordOrder = 0;
    else if (order == "1" || order == "CD-AB")
        s->wordOrder = 1;
    else
        return QStringLiteral("--word-order must be 0, 1, AB-CD or CD-AB");
    const QString kind = p.value("kind").toLower();
    if (kind == "analog")
        s->kind = sim::Kind::Analog;
    else if (kind == "digital")
        s->kind = sim::Kind::Digital;
    else
        return QStringLiteral("--kind must be analog or digital");
    s->faults.delayMs = p.value("delay-ms").toInt(&ok);
    if (!ok || s->faults.delayMs < 0)
        return QStringLiteral("bad --delay-ms");
    if (!parseRate(p.value("drop"), &s->faults.dropRate))
        return QStringLiteral("--drop must be a rate from 0 to 1");
    if (!parseRate(p.value("exception"), &s->faults.exceptionRate))
        return QStringLiteral("--exception must be a rate from 0 to 1");
    if (!parseRate(p.value("cut"), &s->faults.cutRate))
        return QStringLiteral("--cut must be a rate from 0 to 1");
    s->faults.closeAfter = p.value("close-after").toInt(&ok);
    if (!ok || s->faults.closeAfter < 0)
        return QStringLiteral("bad --close-after");
    s->seed = p.value("seed").toUInt(&ok);
    if (!ok)
        return QStringLiteral("bad --seed");
    s->faults.seed = s->seed;
    s->logFile = p.value("log");
    s->control = p.value("control");
    s->asFound = p.isSet("as-found");
    if (s->asFound)
        s->errors = sim::ErrorModel::asFound();
    if (p.isSet("fast-settle"))
        s->errors.settleMs = sim::ErrorModel::FastSettleMs;
    const QString errors = s->errors.set(p.value("errors"));
    if (!errors.isEmpty())
        return QStringLiteral("--errors: ") + errors;
    return QString();
}

void addOptions(QCommandLineParser *p)
{
    p->addOptions({
        {"tcp", "Serve Modbus TCP on HOST:PORT (default 127.0.0.1:1502).", "host:port"},
        {"serial", "Serve Modbus RTU on this serial device instead of TCP.", "device"},
        {"baud", "Serial baud rate.", "n", "9600"},
        {"parity", "Serial parity: none, even or odd.", "parity", "none"},
        {"data-bits", "Serial data bits: 7 or 8.", "n", "8"},
        {"stop-bits", "Serial stop bits: 1 or 2.", "n", "1"},
        {"slave",
         "Modbus slave (unit) id; on a serial line a list (1,5,17) puts that many instruments "
         "on one bus.",
         "ids", "1"},
        {"pty",
         "Serve RTU on a pseudo-terminal pair made here, the program's end under this link "
         "name; frames sent at another baud rate, parity or stop bits go unanswered.",
         "link"},
        {"pace",
         "Serial: send each answer only once the request and the answer would have crossed the "
         "wire at the line's framing, with the frame gap and the turnaround between them."},
        {"turnaround-ms", "Serial: the instrument's time to answer when paced.", "ms", "5"},
        {"word-order", "32-bit word order: 0/AB-CD (high first) or 1/CD-AB.", "order", "0"},
        {"kind", "Instrument kind: analog or digital.", "kind", "analog"},
        {"delay-ms", "Wait this many ms before each answer.", "ms", "0"},
        {"drop", "Chance (0..1) of not answering a request.", "rate", "0"},
        {"exception", "Chance (0..1) of answering exception 0x04.", "rate", "0"},
        {"close-after", "TCP: close client connections after every N answers.", "n", "0"},
        {"cut", "TCP: chance (0..1) of an answer that lacks its last 3 bytes.", "rate", "0"},
        {"seed", "Seed for the live weight and the faults.", "n", "1"},
        {"log", "Write one line per request to this file (truncated first).", "file"},
        {"control",
         "Take test loads on this loopback HOST:PORT or Unix socket path, one line each: "
         "'load 500', 'load 500 corner 2', 'remove', 'settle MS', 'state'. The scale starts "
         "empty.",
         "where"},
        {"as-found",
         "A scale due for calibration: 3000.0 kg in e = 0.5 kg, its span off by 4 e and the "
         "other as-found errors, an empty platform."},
        {"errors",
         "Error model, in e of the present setting: span, nonlinearity, hysteresis, "
         "eccentricity, noise, creep; creep-tau and settle in ms (e.g. span=3,noise=0.2).",
         "list"},
        {"fast-settle", "Settle 200 ms after each change of load (for benchmarks)."},
        {"direct", "TCP: clients talk to the Modbus server without the relay; one hop less per "
                   "request, but --drop and --close-after are not available."},
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelt-sim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated weighing transmitter speaking Modbus TCP or RTU."));
    parser.addHelpOption();
    addOptions(&parser);
    parser.process(app);

    Settings s;
    const QString error = readSettings(parser, &s);
    if (!error.isEmpty())
        return fail(error);
    if (int(parser.isSet("tcp")) + int(!s.serialDevice.isEmpty()) + int(!s.ptyLink.isEmpty()) > 1)
        return fail(QStringLiteral("use one of --tcp, --serial and --pty"));
    // The bus model serves the new serial options; without them the line is Qt's own slave.
    const bool onBus =
        !s.ptyLink.isEmpty() || s.pace || parser.isSet("turnaround-ms") || s.slaves.size() > 1;
    if (onBus && parser.isSet("tcp"))
        return fail(QStringLiteral("several --slave ids, --pace and --turnaround-ms need a serial "
                                   "line (--serial or --pty)"));

    const bool direct = parser.isSet("direct");
    if (direct && (s.faults.dropRate > 0 || s.faults.closeAfter > 0 || s.faults.cutRate > 0 ||
                   !s.serialDevice.isEmpty() || onBus))
        return fail(
            QStringLiteral("--direct serves TCP only, without --drop, --close-after and --cut"));

    sim::InstrumentModel model(s.kind, s.wordOrder, s.seed);
    sim::SimServer server(&model);
    server.setSlaves(s.slaves);
    server.setFaults(s.faults);
    server.setDirect(direct);
    if (!s.logFile.isEmpty() && !server.setLogFile(s.logFile))
        return fail(QStringLiteral("cannot write log file %1").arg(s.logFile), 1);
    if (s.asFound)
        model.applyAsFound();
    model.setErrorModel(s.errors); // the preset's errors with the ones given over them
    sim::ControlChannel control(&model);
    if (!s.control.isEmpty()) {
        if (!control.listen(s.control))
            return fail(QStringLiteral("--control: %1").arg(control.errorString()), 1);
        model.removeLoad();
        QTextStream(stdout) << "zelt-sim: control channel on " << control.address() << Qt::endl;
    }

    QStringList ids;
    for (int id : qAsConst(s.slaves))
        ids.append(QString::number(id));
    const QString details = QStringLiteral("(%1, slave %2, word order %3)")
                                .arg(s.kind == sim::Kind::Digital ? "digital" : "analog")
                                .arg(ids.join(','))
                                .arg(s.wordOrder == 0 ? "AB-CD" : "CD-AB");
    const char parity =
        s.parity == QSerialPort::NoParity ? 'N' : (s.parity == QSerialPort::EvenParity ? 'E' : 'O');
    if (onBus) {
        const QString line = s.ptyLink.isEmpty() ? s.serialDevice : s.ptyLink;
        sim::BusTiming timing;
        timing.pace = s.pace;
        timing.turnaroundMs = s.turnaroundMs;
        if (!server.openBus(line, !s.ptyLink.isEmpty(),
                            {s.baud, int(s.parity), s.dataBits, s.stopBits}, timing))
            return fail(QStringLiteral("cannot open %1: %2").arg(line, server.errorString()), 1);
        QTextStream(stdout) << "zelt-sim: serving " << line << " at " << s.baud << ' ' << s.dataBits
                            << parity << s.stopBits
                            << (s.pace
                                    ? QStringLiteral(" paced, turnaround %1 ms").arg(s.turnaroundMs)
                                    : QString())
                            << ' ' << details << Qt::endl;
    } else if (s.serialDevice.isEmpty()) {
        if (!server.listenTcp(s.host, s.port)) {
            return fail(QStringLiteral("cannot listen on %1:%2: %3")
                            .arg(s.host)
                            .arg(s.port)
                            .arg(server.errorString()),
                        1);
        }
        const QString shownHost = s.host.contains(':') ? '[' + s.host + ']' : s.host;
        QTextStream(stdout) << "zelt-sim: listening on " << shownHost << ':' << server.tcpPort()
                            << ' ' << details << Qt::endl;
    } else {
        if (!server.openSerial(s.serialDevice, s.baud, s.parity, s.dataBits, s.stopBits)) {
            return fail(
                QStringLiteral("cannot open %1: %2").arg(s.serialDevice, server.errorString()), 1);
        }
        QTextStream(stdout) << "zelt-sim: serving " << s.serialDevice << " at " << s.baud << ' '
                            << s.dataBits << parity << s.stopBits << ' ' << details << Qt::endl;
    }
    return app.exec();
}
