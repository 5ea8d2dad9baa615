// zeltctl itself: the help, the options, the link to the instrument and the
// dispatch to the commands (instrumentcommands.cpp, filecommands.cpp).
#include "zeltctl.h"

#include "historycommands.h"
#include "historyshared.h"
#include "servicerecorder.h"
#include "writesource.h"
#include "zeltctlcommon.h"

#include <QDateTime>
#include <QEventLoop>
#include <QJsonDocument>
#include <QModbusClient>
#include <QTimer>

using namespace zeltctl;

namespace {

constexpr int DefaultTcpPort = 502;

const char *const HelpText = R"(
Back up, restore, compare and watch Zelt weighing transmitters without a window.

Usage: zeltctl [LINK] COMMAND [ARGS] [--json]

LINK:
  --tcp HOST[:PORT]             Modbus TCP (port 502 when omitted)
  --serial DEVICE               Modbus RTU on a serial port, with
      [--baud 38400] [--parity none|even|odd] [--data-bits 8] [--stop-bits 1|2]
  [--slave 1..99]               the instrument's slave id (1)
  [--word-order AB-CD|CD-AB]    the instrument's 32-bit word order (AB-CD)
  [--timeout MS]                reply timeout (1000, 2000 at 2400 bit/s and below)
  [--retries N]                 repeats of a request without reply (0)

COMMANDS:
  info                          system information: version, compile date,
                                serial number, MAC, kind
  read NAME|ADDRESS... [--raw]  parameters by catalogue name (the page's field
                                name, e.g. EditZeroRange) or register address,
                                shown as the page shows them (--raw: registers)
  write NAME=VALUE...           the page's conversion and range checks of every
                                value first, then one write each, read back and
                                shown
  backup FILE.xlsx              every parameter into a workbook in the template
                                layout; it replaces FILE (kept under its time)
                                only when every row was read, else it is left
                                as NAME.part.xlsx
  restore FILE.xlsx [--dry-run] [--all]
                                the parameters of the workbook into the
                                instrument: the rows whose value differs from
                                the instrument's, within the limits the file
                                states, each read back; rows already holding the
                                file's value are unchanged; --all writes every
                                row; --dry-run lists what would change, writing
                                nothing
  compare FILE.xlsx [--raw]     rows whose file value differs from the instrument
  watch [--interval MS] [--count N] [--csv FILE]
                                live weight, unit, status marks and error text,
                                one line per poll (Ctrl-C ends it)
  scan --serial DEVICE [--bauds 9600,19200,38400,57600,115200]
       [--parities none,even,odd] [--slaves 1-99] [--turnaround-ms 8]
  scan --tcp HOST[-HOST] [--port 502] [--slaves 1-99]
                                every instrument on the line or at the
                                addresses: slave id, framing or host, version,
                                kind and serial number; only reads (exit 1 when
                                none is found)
  backup --hosts FILE DIR [--jobs N]
                                every instrument listed in FILE backed up at
                                once into DIR/<host>_<port>_<serial>.xlsx
                                (ttyUSB0_<slave>_<serial>.xlsx), at most N (64)
                                TCP hosts or serial lines at a time, the
                                instruments of one serial line one after
                                another, with a summary table. FILE holds one
                                instrument a line, # comments:
                                  HOST[:PORT]                  (port 502)
                                  DEVICE BAUD FRAMING SLAVE    e.g.
                                  /dev/ttyUSB0 38400 8E1 5
  compare --hosts FILE GOLDEN.xlsx [--jobs N]
  restore --hosts FILE GOLDEN.xlsx --dry-run [--jobs N]
                                every instrument of FILE against one approved
                                workbook at once: a line per instrument with the
                                number of rows that differ (--json: every such
                                row); exit 1 when any differs, 3 when any could
                                not be reached
  report FILE.pdf [--site TEXT] [--note TEXT] [--since DATE] [--sample S]
                                the service report: instrument, calibration
                                with a curve of the live weight sampled for S
                                (10) seconds, every parameter, the service
                                record's changes since DATE (today) and its
                                check; in the window's language
  test [--standard oiml-r76|hb44|custom] [--class I|II|III|IIII]
       [--accuracy initial|in-service|acceptance|maintenance]
       [--tolerance P%|Nd] [--loads 0,500,...|none] [--corners N] [--auto]
       [--phase as-found|as-left] [--weights TEXT]
       [--weights-class E1|E2|F1|F2|M1|M1-2|M2|M2-3|M3]
       [--decision simple|guarded]
       [--settle MS] [--flicker D] [--point-timeout S] [--interval MS]
                                a scale test: each load is asked for ("place
                                500.0 kg, then Enter"), or with --auto taken as
                                it is placed, once the stable reading held for
                                the settle time (1000 ms); error and tolerance
                                per point against the standard (OIML R 76
                                class III initial verification when omitted;
                                loads 0, 10, 25, 50, 75, 100 % of max and down
                                when omitted); --corners adds a third of max
                                (more than four supports: max / (n - 1)) on
                                each of N corners, at most the platform's
                                supports (eccentricity, the worst corner
                                named); every test goes into the service
                                record, one that did not finish as incomplete;
                                --weights-class states U (k = 2) per point
                                (EURAMET cg-18), --decision guarded passes a
                                point only when |E| + U is within tolerance;
                                exit 0 pass, 1 fail or incomplete, 3 link lost
  calibrate zero | span WEIGHT | point N WEIGHT [--yes]
       [--settle MS] [--flicker D] [--point-timeout S] [--interval MS]
                                a calibration step, checked first: the zero
                                only with the platform empty (within the
                                instrument's zero range) and stable; a point
                                (span: CP1) with WEIGHT on the platform, the
                                stable reading within 1 % (at least 10 e) of
                                it, else asked again (refused with --yes); the
                                points in order. Asks "place 3000.0 kg on the
                                platform, then Enter" (--yes: placed already).
                                The instrument's error word after the write is
                                the outcome: exit 0 written, 1 refused by the
                                instrument or not done, 3 link lost
%1

  --json                        one JSON document instead of the table (watch:
                                one JSON object a line), a failure's too:
                                {"error": {"kind", "message"}} beside what was
                                done; kind: usage, record, unreachable, lost,
                                refused, file or failed
  --stats                       the link's figures when the command ends:
                                requests, failures by kind, reconnects, response
                                times (on standard error; under "link" in the
                                --json document)
  --trace FILE                  every request of the run, one line each: time,
                                function, start, count, values, outcome, time
  --no-record                   write, restore, calibrate: write even though the service
                                record cannot be used (without it they send
                                nothing and exit 2); the choice is noted in the
                                record when it can be opened

Exit status, the same for every command:
  0  done
  1  differences or failed rows: a row that differs (compare), a row refused
     or failed (backup, restore), a failed poll (watch), an instrument that
     differs or has failed rows (--hosts), a broken chain (history verify), a
     failed copy (history sync)
  2  usage error (also a value write cannot send); nothing was asked
  3  an instrument unreachable or lost: no connection, or three requests in a
     row unanswered (--hosts: any one instrument); it outweighs 1
Errors are one line on standard error; progress bars go to standard error only
when it is a terminal. read, write, compare and restore --dry-run show values
as the page does (a list's item, decimals, units); --raw shows the registers;
--json gives both ("value" and "raw"), in the one shape every command uses.
)";

// "host", "host:port"; false for a port that is no port.
bool splitHostPort(const QString &text, QString *host, int *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    *port = DefaultTcpPort;
    *host = text.trimmed();
    if (colon >= 0) {
        bool ok = false;
        *port = text.mid(colon + 1).toInt(&ok);
        *host = text.left(colon).trimmed();
        if (!ok || *port < 1 || *port > 65535)
            return false;
    }
    return !host->isEmpty();
}

// The commands that change an instrument or write its backup are kept in the
// service record, with their command line, while this lives. Without a usable
// record a command that writes to the instrument sends nothing (refusal says
// why), unless --no-record chose to work without one.
class Recording
{
public:
    Recording(bool on, bool writes, bool unrecorded, const QStringList &arguments) : on(on)
    {
        if (!on)
            return;
        const QString run = QStringLiteral("zeltctl ") + arguments.mid(1).join(QLatin1Char(' '));
        if (unrecorded)
            ServiceRecorder::InstallUnrecorded(
                QStringLiteral("%1: the writes of this run are not recorded").arg(run));
        else
            ServiceRecorder::Install();
        SetWriteRunDetail(run);
        QString why;
        // A lock names its holder and says to close it; moving a live record
        // would only start a new one.
        if (writes && ServiceRecorder::Refuses(&why))
            refusal = QStringLiteral("nothing written: the service record cannot be used: %1. "
                                     "%2, or give --no-record to write without a record")
                          .arg(why, why.contains(QLatin1String("it is locked by"))
                                        ? QStringLiteral("Close the program that holds it")
                                        : QStringLiteral("Repair or move the file"));
    }
    ~Recording()
    {
        if (!on)
            return;
        ServiceRecorder::Uninstall();
        SetWriteRunDetail(QString());
    }
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    const bool on;
    QString refusal;
};

} // namespace

int RunZeltctl(const QStringList &arguments, CliStreams &streams)
{
    Zeltctl program(streams);
    return program.run(arguments);
}

int Zeltctl::usageError(const QString &message)
{
    m_s.err << "zeltctl: " << message << " (see zeltctl --help)\n";
    m_s.err.flush();
    m_errorStatus = ExitUsage;
    m_errorMessage = message;
    return ExitUsage;
}

int Zeltctl::fail(int status, const QString &message)
{
    m_s.err << "zeltctl: " << message << '\n';
    m_s.err.flush();
    // The worst line, the last of equals: a run lost after failed rows names the loss.
    if (status > ExitDone && status >= m_errorStatus) {
        m_errorStatus = status;
        m_errorMessage = message;
    }
    return status;
}

bool Zeltctl::intOption(const QString &name, int low, int high, int *value, QString *error) const
{
    const QCommandLineParser &p = m_parser;
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        *error = QStringLiteral("--%1 %2: expected a number from %3 to %4")
                     .arg(name, p.value(name))
                     .arg(low)
                     .arg(high);
        return false;
    }
    *value = v;
    return true;
}

void Zeltctl::printResult(const QJsonObject &json, const QStringList &header,
                          const QVector<QStringList> &rows, const QString &summary)
{
    if (m_json) {
        m_document = json;
        m_documentSet = true;
        return;
    }
    PrintTable(m_s.out, header, rows);
    if (!summary.isEmpty()) {
        m_s.out << summary << '\n';
        m_s.out.flush();
    }
}

int Zeltctl::run(const QStringList &arguments)
{
    // A command line that does not parse still asked for JSON.
    m_json = arguments.contains(QStringLiteral("--json")) && !IsHistoryCommand(arguments);
    const int status = runCommand(arguments);
    if (m_json)
        printDocument(status);
    return status;
}

void Zeltctl::printDocument(int status)
{
    QJsonObject document = m_jsonLines ? QJsonObject() : m_document;
    // A run that ended early says why; differences and failed rows are in the
    // result itself, unless nothing was done or a kind was named.
    const bool ended = status == ExitUsage || status == ExitUnreachable ||
                       (status != ExitDone && (!m_documentSet || !m_errorKind.isEmpty()));
    if (ended) {
        QString kind = m_errorKind;
        if (status == ExitUnreachable)
            kind = m_connected ? ErrorKind::Lost : ErrorKind::Unreachable;
        else if (status == ExitUsage && kind != ErrorKind::Record)
            kind = ErrorKind::Usage;
        else if (kind.isEmpty())
            kind = ErrorKind::Failed;
        document.insert(QStringLiteral("error"), ErrorJson(kind, m_errorMessage, m_peer));
    }
    document = withLinkFigures(document);
    if (!m_jsonLines) {
        PrintJson(m_s.out, document);
    } else if (!document.isEmpty()) {
        m_s.out << QJsonDocument(document).toJson(QJsonDocument::Compact) << '\n';
        m_s.out.flush();
    }
}

int Zeltctl::runCommand(const QStringList &arguments)
{
    if (IsHistoryCommand(arguments))
        return RunHistory(arguments, m_s);
    QCommandLineParser &p = m_parser;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions({
        {"tcp", "Modbus TCP instrument.", "host[:port]"},
        {"serial", "Modbus RTU serial device.", "device"},
        {"baud", "Serial baud rate.", "n"},
        {"parity", "Serial parity.", "none|even|odd"},
        {"data-bits", "Serial data bits.", "7|8"},
        {"stop-bits", "Serial stop bits.", "1|2"},
        {"slave", "Slave id.", "1..99"},
        {"word-order", "32-bit word order.", "AB-CD|CD-AB"},
        {"timeout", "Reply timeout in ms.", "ms"},
        {"retries", "Retries of a request.", "n"},
        {"json", "JSON output."},
        {"raw", "read, compare, restore --dry-run: register values, not the page's texts."},
        {"stats", "The link's figures when the command ends."},
        {"trace", "Every request of the run into this file.", "file"},
        {"dry-run", "restore: list, write nothing."},
        {"all", "restore: write every row, not only those that differ."},
        {"no-record", "write, restore: write without a service record."},
        {"interval", "watch: poll interval.", "ms"},
        {"count", "watch: number of polls.", "n"},
        {"csv", "watch: also write CSV lines to this file.", "file"},
        {"hosts", "backup, compare, restore --dry-run: file of instruments.", "file"},
        {"jobs", "--hosts: TCP hosts or serial lines at a time.", "n"},
        {"bauds", "scan: baud rates to try.", "list"},
        {"parities", "scan: parities to try.", "list"},
        {"slaves", "scan: slave ids to try.", "list"},
        {"port", "scan --tcp: the TCP port.", "port"},
        {"site", "report: customer or site.", "text"},
        {"note", "report: a note.", "text"},
        {"since", "report: changes from this date on.", "date"},
        {"sample", "report: seconds of live weight for the curve.", "s"},
        {"turnaround-ms", "scan: the least time an instrument is given to answer.", "ms"},
        {"standard", "test: oiml-r76, hb44 or custom.", "standard"},
        {"class", "test: accuracy class.", "I|II|III|IIII"},
        {"accuracy", "test: initial, in-service, acceptance or maintenance.", "accuracy"},
        {"tolerance", "test --standard custom: P% or Nd.", "tolerance"},
        {"loads", "test: the test loads in order.", "list"},
        {"corners", "test: a third of max on each of n corners.", "n"},
        {"auto", "test: take each load as it is placed."},
        {"phase", "test: as-found or as-left.", "phase"},
        {"weights", "test: the test weights (set, certificate, due date).", "text"},
        {"weights-class", "test: the test weights' OIML R 111 class (E1 ... M3), for U.", "class"},
        {"decision", "test: the decision rule, simple or guarded (|E| + U).", "rule"},
        {"settle", "test: how long a stable reading must hold.", "ms"},
        {"flicker", "test: divisions a stable reading may flicker by (0 to 2).", "d"},
        {"point-timeout", "test: how long a point may take to settle.", "s"},
        {"yes", "calibrate: the weight is placed already; ask nothing."},
        {{"h", "help"}, "This help."},
    });
    if (!p.parse(arguments))
        return usageError(p.errorText());
    if (p.isSet("help")) {
        m_json = false; // the help is text
        m_s.out << QString::fromUtf8(HelpText).arg(HistoryHelpText()).trimmed() << '\n';
        m_s.out.flush();
        return ExitDone;
    }
    m_json = p.isSet("json");
    QStringList args = p.positionalArguments();
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = args.takeFirst();

    // A scan is told a line and what to try on it, not one instrument's link.
    if (command == QLatin1String("scan") && (p.isSet("stats") || p.isSet("trace")))
        return usageError(QStringLiteral("--stats and --trace take one instrument, not a scan"));
    if (command == QLatin1String("scan"))
        return args.isEmpty() ? cmdScan() : usageError(QStringLiteral("scan takes no arguments"));
    QString error;
    if (!readLinkOptions(&error))
        return usageError(error);

    // Options that belong to one command only are refused elsewhere, so that a
    // mistyped command line never does something other than what was meant.
    const auto only = [&](const char *option, const QStringList &commands) {
        if (p.isSet(QLatin1String(option)) && !commands.contains(command))
            error = QStringLiteral("--%1 does not apply to %2").arg(QLatin1String(option), command);
    };
    only("dry-run", {"restore"});
    only("all", {"restore"});
    only("no-record", {"write", "restore", "calibrate"});
    only("interval", {"watch", "test", "calibrate"});
    only("yes", {"calibrate"});
    only("count", {"watch"});
    only("csv", {"watch"});
    only("raw", {"read", "compare", "restore"});
    only("hosts", {"backup", "compare", "restore"});
    only("jobs", {"backup", "compare", "restore"});
    for (const char *option : {"bauds", "parities", "slaves", "port", "turnaround-ms"})
        only(option, {"scan"});
    for (const char *option : {"site", "note", "since", "sample"})
        only(option, {"report"});
    for (const char *option : {"standard", "class", "accuracy", "tolerance", "loads", "corners",
                               "auto", "phase", "weights", "weights-class", "decision"})
        only(option, {"test"});
    for (const char *option : {"settle", "flicker", "point-timeout"})
        only(option, {"test", "calibrate"});
    if (!error.isEmpty())
        return usageError(error);
    m_stats = p.isSet("stats");
    m_raw = p.isSet("raw");
    if (p.isSet("hosts") && (m_stats || p.isSet("trace")))
        return usageError(QStringLiteral("--stats and --trace take one instrument, not --hosts"));
    if (p.isSet("trace")) {
        m_trace = std::make_shared<QFile>(p.value("trace"));
        if (!m_trace->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return usageError(
                QStringLiteral("--trace %1: %2").arg(p.value("trace"), m_trace->errorString()));
    }

    const auto oneFile = [&](int wanted) {
        if (args.size() != wanted)
            error = QStringLiteral("%1 takes %2 argument(s)").arg(command).arg(wanted);
        return error.isEmpty();
    };
    if (command == QLatin1String("backup") && p.isSet("hosts")) {
        if (!oneFile(1))
            return usageError(error + QStringLiteral(": DIR"));
        SharedCopyAtExit copy(m_s);
        const Recording recording(true, false, false, arguments);
        copy.on = recording.on;
        return cmdFleetBackup(p.value("hosts"), args.first());
    }
    if (p.isSet("hosts")) {
        if (command == QLatin1String("restore") && (!p.isSet("dry-run") || p.isSet("all")))
            return usageError(QStringLiteral("restore --hosts lists what would change: give "
                                             "--dry-run (and not --all)"));
        if (!oneFile(1))
            return usageError(error + QStringLiteral(": FILE.xlsx"));
        return cmdFleetCheck(p.value("hosts"), args.first(), p.isSet("dry-run"));
    }
    if (p.isSet("tcp") == p.isSet("serial"))
        return usageError(QStringLiteral("give the instrument's link: --tcp HOST[:PORT] or "
                                         "--serial DEVICE"));
    SharedCopyAtExit copy(m_s); // after the recording ended
    const bool writes = command == QLatin1String("write") ||
                        command == QLatin1String("calibrate") ||
                        (command == QLatin1String("restore") && !p.isSet("dry-run"));
    const Recording recording(writes || command == QLatin1String("backup") ||
                                  command == QLatin1String("test"),
                              writes, p.isSet("no-record"), arguments);
    if (!recording.refusal.isEmpty()) {
        noteErrorKind(ErrorKind::Record);
        return fail(ExitUsage, recording.refusal);
    }
    m_recording = recording.on;
    copy.on = recording.on;
    if (command == QLatin1String("info"))
        return oneFile(0) ? cmdInfo() : usageError(error);
    if (command == QLatin1String("read")) {
        if (args.isEmpty())
            return usageError(QStringLiteral("read takes one or more NAME|ADDRESS"));
        return cmdRead(args);
    }
    // A record that failed during the run (a full disk) stopped it: nothing
    // was sent after that, and the command ends as one refused by the record.
    const auto recorded = [this](int status) {
        QString why;
        if (!ServiceRecorder::Failed(&why))
            return status;
        return fail(ExitUsage, QStringLiteral("stopped: the service record could not keep the "
                                              "writes: %1. Nothing was sent after that; every "
                                              "write sent has its entry")
                                   .arg(why.simplified()));
    };
    if (command == QLatin1String("write")) {
        if (args.isEmpty())
            return usageError(QStringLiteral("write takes one or more NAME=VALUE"));
        return recorded(cmdWrite(args));
    }
    const bool onFile = command == QLatin1String("backup") || command == QLatin1String("restore") ||
                        command == QLatin1String("compare");
    if (onFile && !oneFile(1))
        return usageError(error + QStringLiteral(": FILE.xlsx"));
    if (command == QLatin1String("backup"))
        return cmdBackup(args.first());
    if (command == QLatin1String("restore"))
        return recorded(cmdRestore(args.first(), p.isSet("dry-run"), p.isSet("all")));
    if (command == QLatin1String("compare"))
        return cmdCompare(args.first());
    if (command == QLatin1String("watch"))
        return oneFile(0) ? cmdWatch() : usageError(error);
    if (command == QLatin1String("test"))
        return oneFile(0) ? cmdTest() : usageError(error);
    if (command == QLatin1String("calibrate"))
        return cmdCalibrate(args);
    if (command == QLatin1String("report"))
        return oneFile(1) ? cmdReport(args.first())
                          : usageError(error + QStringLiteral(": FILE.pdf"));
    return usageError(QStringLiteral("unknown command %1").arg(command));
}

bool Zeltctl::readLinkOptions(QString *error)
{
    const QCommandLineParser &p = m_parser;
    LinkSettings s;
    if (p.isSet("tcp")) {
        QString host;
        int port = 0;
        if (!splitHostPort(p.value("tcp"), &host, &port)) {
            *error = QStringLiteral("--tcp %1: expected HOST[:PORT]").arg(p.value("tcp"));
            return false;
        }
        s.connectType = 1;
        s.EditIP = host;
        s.EditPort = QString::number(port);
    } else {
        s.connectType = 0;
        s.SerialNum = p.value("serial");
    }
    if (p.isSet("parity")) {
        const QString v = p.value("parity").toLower();
        if (v == QLatin1String("none"))
            s.parity = 0;
        else if (v == QLatin1String("even"))
            s.parity = 2;
        else if (v == QLatin1String("odd"))
            s.parity = 3;
        else {
            *error =
                QStringLiteral("--parity %1: expected none, even or odd").arg(p.value("parity"));
            return false;
        }
    }
    if (p.isSet("word-order")) {
        const QString v = p.value("word-order").toUpper();
        if (v == QLatin1String("AB-CD") || v == QLatin1String("0"))
            s.dwordFormat = 0;
        else if (v == QLatin1String("CD-AB") || v == QLatin1String("1"))
            s.dwordFormat = 1;
        else {
            *error = QStringLiteral("--word-order %1: expected AB-CD or CD-AB")
                         .arg(p.value("word-order"));
            return false;
        }
    }
    if (!intOption("baud", 1200, 115200, &s.baud, error) ||
        !intOption("data-bits", 7, 8, &s.dataBits, error) ||
        !intOption("stop-bits", 1, 2, &s.stopBits, error) ||
        !intOption("slave", 1, 99, &s.slaveId, error) ||
        !intOption("retries", 0, 10, &s.numberOfRetries, error) ||
        !intOption("timeout", 10, 60000, &m_timeoutMs, error))
        return false;
    m_link = s;
    return true;
}

int Zeltctl::connectInstrument()
{
    const QString peer = m_link.connectType == 1
                             ? m_link.EditIP + QLatin1Char(':') + m_link.EditPort
                             : m_link.SerialNum;
    m_peer = peer;
    gu32_ConnectType = quint32(m_link.connectType);
    gu32_SlaveId = quint32(m_link.slaveId);
    gu32_DwordFormat = quint32(m_link.dwordFormat);
    ClearMirror();
    DisconnectModbus();
    if (!SetupModbusClient(m_link, nullptr)) {
        const QString why = gp_ModbusDevice ? gp_ModbusDevice->errorString() : QString();
        disconnectInstrument();
        return fail(ExitUnreachable, QStringLiteral("%1: cannot connect: %2").arg(peer, why));
    }
    if (m_timeoutMs > 0)
        gp_ModbusDevice->setTimeout(m_timeoutMs);
    if (m_trace) {
        const std::shared_ptr<QFile> trace = m_trace;
        ProgramLink()->stats().setTrafficSink([trace](const TrafficLine &line) {
            trace->write(TrafficLineText(line).toUtf8() + '\n');
        });
    }
    // No link check runs here: a link the instrument closed is opened again by
    // the next request.
    SetReopenClosedLink(true);
    if (!LinkUp()) {
        QEventLoop loop;
        QObject::connect(gp_ModbusDevice, &QModbusDevice::stateChanged, &loop,
                         [&loop](QModbusDevice::State state) {
                             if (state == QModbusDevice::ConnectedState ||
                                 state == QModbusDevice::UnconnectedState)
                                 loop.quit();
                         });
        QTimer::singleShot(qMax(LeastConnectWaitMs, m_timeoutMs), &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!LinkUp()) {
        const QString why = gp_ModbusDevice->errorString().isEmpty()
                                ? QStringLiteral("no connection")
                                : gp_ModbusDevice->errorString();
        disconnectInstrument();
        return fail(ExitUnreachable, QStringLiteral("%1: cannot connect: %2").arg(peer, why));
    }
    // The unit and decimal settings drive every conversion; reading them also
    // tells whether the instrument answers at all.
    LinkSettings base = m_link;
    const ModbusResult probe = ReadGroup(base, 2);
    if (probe == ModbusProtocolError) {
        // An instrument that refuses has answered: it is reachable.
        const QString why = LinkResultText(probe);
        disconnectInstrument();
        noteErrorKind(ErrorKind::Refused);
        return fail(ExitDiffers,
                    QStringLiteral("%1 (slave %2): the instrument refused the first "
                                   "read (registers %3-%4): %5")
                        .arg(peer)
                        .arg(m_link.slaveId)
                        .arg(RegisterGroupTable[2].start)
                        .arg(RegisterGroupTable[2].start + RegisterGroupTable[2].count - 1)
                        .arg(why));
    }
    if (probe != ModbusOk) {
        disconnectInstrument();
        return fail(ExitUnreachable,
                    QStringLiteral("%1 (slave %2): the instrument does not answer: %3")
                        .arg(peer)
                        .arg(m_link.slaveId)
                        .arg(LinkResultText(probe)));
    }
    m_connected = true;
    if (m_recording)
        ServiceRecorder::LinkOpened(m_link);
    return ExitDone;
}

void Zeltctl::disconnectInstrument()
{
    if (m_recording)
        ServiceRecorder::LinkClosed();
    SetReopenClosedLink(false);
    if (ModbusConnection *link = ProgramLink()) {
        link->stats().setTrafficSink({});
        const LinkFigures figures = link->stats().figures(QDateTime::currentMSecsSinceEpoch());
        m_lastFigures = figures.json();
        if (m_stats && !m_json) {
            m_s.err << figures.text() << '\n';
            m_s.err.flush();
        }
    }
    if (m_trace)
        m_trace->flush();
    DisconnectModbus();
}

QJsonObject Zeltctl::withLinkFigures(QJsonObject json) const
{
    // No figures before a link was opened (a usage error).
    if (!m_stats || (!ProgramLink() && m_lastFigures.isEmpty()))
        return json;
    json.insert(QStringLiteral("link"),
                ProgramLink()
                    ? ProgramLink()->stats().figures(QDateTime::currentMSecsSinceEpoch()).json()
                    : m_lastFigures);
    return json;
}
