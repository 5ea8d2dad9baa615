#include "zeltctl.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "errortexts.h"
#include "exeltowrite.h"
#include "fleetbackup.h"
#include "modbusconnection.h"
#include "modbuslink.h"
#include "paramtemplate.h"
#include "paramtext.h"
#include "sysinfotext.h"
#include "valuebinding.h"
#include "workbook.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QModbusClient>
#include <QTime>
#include <QTimer>
#include <csignal>
#include <limits>

namespace {

const QString ParamSheet = QStringLiteral("读写类");
constexpr int DefaultTcpPort = 502;
constexpr int LeastConnectWaitMs = 3000;
constexpr int DefaultJobs = 16;
constexpr int DefaultWatchIntervalMs = 500;
// The serial number field before the instrument fills it in.
const QString SerialTemplate = QStringLiteral("0000000000000-123202G60000");
const QString MacTemplate = QStringLiteral("00-00-00-00-00-00");
// gsrt_SysInf slots of the information fields.
constexpr int VersionSlot = 0;
constexpr int DateSlot = 1;
constexpr int FirstSerialSlot = 2;
constexpr int SerialChars = 25;
constexpr int FirstMacSlot = 27;
constexpr int MacBytes = 6;
constexpr int InstrumentIdSlot = 35;
// Live block: weight, status word, error word.
constexpr int WeightSlot = 0;
constexpr int StatusSlot = 1;
constexpr int ErrorSlot = 2;

volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int)
{
    interrupted = 1;
}

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
  read NAME|ADDRESS...          parameters by catalogue name (the page's field
                                name, e.g. EditZeroRange) or register address,
                                shown with the page's conversion and unit
  write NAME=VALUE...           the page's conversion and range checks, one write
                                each, read back and shown
  backup FILE.xlsx              every parameter into a workbook in the template
                                layout; an earlier FILE is kept under its time
  restore FILE.xlsx [--dry-run] the parameters of the workbook into the
                                instrument, within the limits the file states;
                                --dry-run lists what would change, writing nothing
  compare FILE.xlsx             rows whose file value differs from the instrument
  watch [--interval MS] [--count N] [--csv FILE]
                                live weight, unit, status marks and error text,
                                one line per poll (Ctrl-C ends it)
  backup --hosts FILE DIR [--jobs N]
                                every TCP instrument listed in FILE (one
                                HOST[:PORT] a line, # comments) backed up at once
                                into DIR/<host>_<port>_<serial>.xlsx, at most N
                                (16) at a time, with a summary table

  --json                        one JSON document instead of the table (watch:
                                one JSON object a line)

Exit status: 0 done; 1 differences (compare), refused or failed rows (restore,
backup) or failed hosts (fleet backup); 2 usage error; 3 the instrument could
not be reached. Errors are one line on standard error; progress bars go to
standard error only when it is a terminal.
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

bool intOption(const QCommandLineParser &p, const QString &name, int low, int high, int *value,
               QString *error)
{
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

bool linkUp()
{
    return gp_ModbusDevice && gp_ModbusDevice->state() == QModbusDevice::ConnectedState;
}

quint32 decimalSetting()
{
    return gsrt_CalPara.slot[CalDecimalSlot];
}

QString kindText(quint32 version)
{
    if (version >= 10000 && version <= 19999)
        return QStringLiteral("analog");
    if (version >= 20000 && version <= 29999)
        return QStringLiteral("digital");
    return QStringLiteral("unknown");
}

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
    return ExitUsage;
}

int Zeltctl::fail(int status, const QString &message)
{
    m_s.err << "zeltctl: " << message << '\n';
    m_s.err.flush();
    return status;
}

int Zeltctl::run(const QStringList &arguments)
{
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
        {"dry-run", "restore: list, write nothing."},
        {"interval", "watch: poll interval.", "ms"},
        {"count", "watch: number of polls.", "n"},
        {"csv", "watch: also write CSV lines to this file.", "file"},
        {"hosts", "backup: file of TCP instruments.", "file"},
        {"jobs", "backup --hosts: instruments at a time.", "n"},
        {{"h", "help"}, "This help."},
    });
    if (!p.parse(arguments))
        return usageError(p.errorText());
    if (p.isSet("help")) {
        m_s.out << QString::fromUtf8(HelpText).trimmed() << '\n';
        m_s.out.flush();
        return ExitDone;
    }
    m_json = p.isSet("json");
    QStringList args = p.positionalArguments();
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = args.takeFirst();

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
    only("interval", {"watch"});
    only("count", {"watch"});
    only("csv", {"watch"});
    only("hosts", {"backup"});
    only("jobs", {"backup"});
    if (!error.isEmpty())
        return usageError(error);

    const auto oneFile = [&](int wanted) {
        if (args.size() != wanted)
            error = QStringLiteral("%1 takes %2 argument(s)").arg(command).arg(wanted);
        return error.isEmpty();
    };
    if (command == QLatin1String("backup") && p.isSet("hosts")) {
        if (!oneFile(1))
            return usageError(error + QStringLiteral(": DIR"));
        return cmdFleetBackup(p.value("hosts"), args.first());
    }
    if (p.isSet("tcp") == p.isSet("serial"))
        return usageError(QStringLiteral("give the instrument's link: --tcp HOST[:PORT] or "
                                         "--serial DEVICE"));
    if (command == QLatin1String("info"))
        return oneFile(0) ? cmdInfo() : usageError(error);
    if (command == QLatin1String("read")) {
        if (args.isEmpty())
            return usageError(QStringLiteral("read takes one or more NAME|ADDRESS"));
        return cmdRead(args);
    }
    if (command == QLatin1String("write")) {
        if (args.isEmpty())
            return usageError(QStringLiteral("write takes one or more NAME=VALUE"));
        return cmdWrite(args);
    }
    if (command == QLatin1String("backup"))
        return oneFile(1) ? cmdBackup(args.first())
                          : usageError(error + QStringLiteral(": FILE.xlsx"));
    if (command == QLatin1String("restore"))
        return oneFile(1) ? cmdRestore(args.first(), p.isSet("dry-run"))
                          : usageError(error + QStringLiteral(": FILE.xlsx"));
    if (command == QLatin1String("compare"))
        return oneFile(1) ? cmdCompare(args.first())
                          : usageError(error + QStringLiteral(": FILE.xlsx"));
    if (command == QLatin1String("watch"))
        return oneFile(0) ? cmdWatch() : usageError(error);
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
    if (!intOption(p, "baud", 1200, 115200, &s.baud, error) ||
        !intOption(p, "data-bits", 7, 8, &s.dataBits, error) ||
        !intOption(p, "stop-bits", 1, 2, &s.stopBits, error) ||
        !intOption(p, "slave", 1, 99, &s.slaveId, error) ||
        !intOption(p, "retries", 0, 10, &s.numberOfRetries, error) ||
        !intOption(p, "timeout", 10, 60000, &m_timeoutMs, error))
        return false;
    m_link = s;
    return true;
}

int Zeltctl::connectInstrument()
{
    const QString peer = m_link.connectType == 1
                             ? m_link.EditIP + QLatin1Char(':') + m_link.EditPort
                             : m_link.SerialNum;
    gu32_ConnectType = quint32(m_link.connectType);
    gu32_SlaveId = quint32(m_link.slaveId);
    gu32_DwordFormat = quint32(m_link.dwordFormat);
    ClearMirror();
    DisconnectModbus();
    if (!SetupModbusClient(m_link, nullptr)) {
        const QString why = gp_ModbusDevice ? gp_ModbusDevice->errorString() : QString();
        DisconnectModbus();
        return fail(ExitUnreachable, QStringLiteral("%1: cannot connect: %2").arg(peer, why));
    }
    if (m_timeoutMs > 0)
        gp_ModbusDevice->setTimeout(m_timeoutMs);
    if (!linkUp()) {
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
    if (!linkUp()) {
        const QString why = gp_ModbusDevice->errorString().isEmpty()
                                ? QStringLiteral("no connection")
                                : gp_ModbusDevice->errorString();
        DisconnectModbus();
        return fail(ExitUnreachable, QStringLiteral("%1: cannot connect: %2").arg(peer, why));
    }
    // The unit and decimal settings drive every conversion; reading them also
    // tells whether the instrument answers at all.
    LinkSettings base = m_link;
    const ModbusResult probe = ReadGroup(base, 2);
    if (probe != ModbusOk) {
        DisconnectModbus();
        return fail(ExitUnreachable,
                    QStringLiteral("%1 (slave %2): the instrument does not answer: %3")
                        .arg(peer)
                        .arg(m_link.slaveId)
                        .arg(ModbusResultText(probe)));
    }
    return ExitDone;
}

void Zeltctl::disconnectInstrument()
{
    DisconnectModbus();
}

// ---- info, read, write ----------------------------------------------------

int Zeltctl::cmdInfo()
{
    if (const int status = connectInstrument())
        return status;
    LinkSettings base = m_link;
    for (int group : {14, 15}) {
        const ModbusResult r = ReadGroup(base, group);
        if (r != ModbusOk) {
            disconnectInstrument();
            return fail(
                linkUp() ? ExitDiffers : ExitUnreachable,
                QStringLiteral("system information (registers %1-%2): %3")
                    .arg(RegisterGroupTable[group].start)
                    .arg(RegisterGroupTable[group].start + RegisterGroupTable[group].count - 1)
                    .arg(ModbusResultText(r)));
        }
    }
    disconnectInstrument();
    QString serial = SerialTemplate;
    for (int i = 0; i < SerialChars; ++i)
        PatchSerialChar(serial, i, quint16(gsrt_SysInf.slot[FirstSerialSlot + i]));
    QString mac = MacTemplate;
    for (int i = 0; i < MacBytes; ++i)
        PatchMacByte(mac, i, gsrt_SysInf.slot[FirstMacSlot + i]);
    const quint32 version = gsrt_SysInf.slot[VersionSlot];
    const QVector<QPair<QString, QString>> fields = {
        {QStringLiteral("version"), QString::number(version)},
        {QStringLiteral("compileDate"), CompileDateText(gsrt_SysInf.slot[DateSlot])},
        {QStringLiteral("serialNumber"), serial},
        {QStringLiteral("mac"), mac},
        {QStringLiteral("kind"), kindText(version)},
        {QStringLiteral("instrumentId"), QString::number(gsrt_SysInf.slot[InstrumentIdSlot])},
    };
    if (m_json) {
        QJsonObject o;
        for (const auto &f : fields)
            o.insert(f.first, f.second);
        PrintJson(m_s.out, o);
    } else {
        QVector<QStringList> rows;
        for (const auto &f : fields)
            rows.append({f.first, f.second});
        PrintTable(m_s.out, {QStringLiteral("FIELD"), QStringLiteral("VALUE")}, rows);
    }
    return ExitDone;
}

int Zeltctl::cmdRead(const QStringList &keys)
{
    QVector<CliParam> params;
    for (const QString &key : keys) {
        CliParam p;
        if (!FindCliParam(key, &p))
            return usageError(QStringLiteral("unknown parameter %1").arg(key));
        params.append(p);
    }
    if (const int status = connectInstrument())
        return status;
    const quint32 decimals = decimalSetting();
    const quint32 unit = gsrt_CalPara.slot[CalUnitSlot];
    int status = ExitDone;
    QVector<QStringList> rows;
    QJsonArray list;
    for (const CliParam &p : params) {
        bool ok = false;
        const quint32 raw = ReadParam(p.readAddress(), p.row.count, &ok);
        if (!ok) {
            status = linkUp() ? qMax(status, int(ExitDiffers)) : ExitUnreachable;
            fail(status,
                 QStringLiteral("%1 (register %2): read failed").arg(p.name).arg(p.readAddress()));
            continue;
        }
        const QString value = ShownValue(p, raw, decimals);
        const QString unitText = ShownUnit(p, unit);
        const QString description = QString::fromUtf8(p.row.nameEn ? p.row.nameEn : "");
        rows.append({p.name, QString::number(p.row.address), value, unitText, description});
        list.append(QJsonObject{{"name", p.name},
                                {"address", p.row.address},
                                {"count", p.row.count},
                                {"raw", qint64(raw)},
                                {"value", value},
                                {"unit", unitText},
                                {"description", description}});
    }
    disconnectInstrument();
    if (m_json)
        PrintJson(m_s.out, QJsonObject{{"parameters", list}});
    else
        PrintTable(m_s.out,
                   {QStringLiteral("NAME"), QStringLiteral("ADDRESS"), QStringLiteral("VALUE"),
                    QStringLiteral("UNIT"), QStringLiteral("DESCRIPTION")},
                   rows);
    return status;
}

int Zeltctl::cmdWrite(const QStringList &assignments)
{
    struct Pending
    {
        CliParam param;
        QString text;
    };
    QVector<Pending> pending;
    for (const QString &a : assignments) {
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return usageError(QStringLiteral("%1: expected NAME=VALUE").arg(a));
        Pending w;
        if (!FindCliParam(a.left(eq), &w.param))
            return usageError(QStringLiteral("unknown parameter %1").arg(a.left(eq)));
        if (!w.param.writable())
            return usageError(
                QStringLiteral("%1 (register %2) is not a parameter that can be written")
                    .arg(w.param.name)
                    .arg(w.param.row.address));
        w.text = a.mid(eq + 1);
        pending.append(w);
    }
    if (const int status = connectInstrument())
        return status;
    int status = ExitDone;
    QVector<QStringList> rows;
    QJsonArray list;
    for (const Pending &w : pending) {
        const CliParam &p = w.param;
        // Converted with the decimal setting as it is now: an earlier write of
        // this run may have changed it.
        quint32 raw = 0;
        QString why;
        QString outcome;
        QString shown;
        if (!RawFromText(p, w.text, decimalSetting(), &raw, &why)) {
            fail(ExitDiffers, QStringLiteral("%1 (register %2): refused: %3")
                                  .arg(p.name)
                                  .arg(p.row.address)
                                  .arg(why));
            status = qMax(status, int(ExitDiffers));
            outcome = QStringLiteral("refused");
        } else {
            LinkSettings request;
            request.startAddress = p.row.address;
            request.count = p.row.count;
            const ModbusResult r = WriteParam(gp_ModbusDevice, raw, request);
            if (p.row.address == 100 || p.row.address == 102) {
                LinkSettings base = m_link;
                ReadGroup(base, 1); // unit and decimals take effect for what follows
            }
            bool ok = false;
            const quint32 back = ReadParam(p.readAddress(), p.row.count, &ok);
            shown = ok ? ShownValue(p, back, decimalSetting()) : QString();
            if (r != ModbusOk) {
                outcome = ModbusResultText(r);
                fail(ExitDiffers, QStringLiteral("%1 (register %2): write failed: %3")
                                      .arg(p.name)
                                      .arg(p.row.address)
                                      .arg(outcome));
                status = linkUp() ? qMax(status, int(ExitDiffers)) : ExitUnreachable;
            } else if (!ok) {
                outcome = QStringLiteral("written, read-back failed");
                fail(ExitDiffers, QStringLiteral("%1 (register %2): read-back failed")
                                      .arg(p.name)
                                      .arg(p.readAddress()));
                status = linkUp() ? qMax(status, int(ExitDiffers)) : ExitUnreachable;
            } else if (back != raw) {
                outcome = QStringLiteral("written, instrument kept %1").arg(shown);
                fail(ExitDiffers,
                     QStringLiteral("%1 (register %2): the instrument holds %3 after the write")
                         .arg(p.name)
                         .arg(p.row.address)
                         .arg(shown));
                status = qMax(status, int(ExitDiffers));
            } else {
                outcome = QStringLiteral("written");
            }
        }
        const QString unitText = ShownUnit(p, gsrt_CalPara.slot[CalUnitSlot]);
        rows.append({p.name, QString::number(p.row.address), w.text, shown, unitText, outcome});
        list.append(QJsonObject{{"name", p.name},
                                {"address", p.row.address},
                                {"requested", w.text},
                                {"raw", qint64(raw)},
                                {"value", shown},
                                {"unit", unitText},
                                {"result", outcome}});
    }
    disconnectInstrument();
    if (m_json)
        PrintJson(m_s.out, QJsonObject{{"writes", list}});
    else
        PrintTable(m_s.out,
                   {QStringLiteral("NAME"), QStringLiteral("ADDRESS"), QStringLiteral("REQUESTED"),
                    QStringLiteral("VALUE"), QStringLiteral("UNIT"), QStringLiteral("RESULT")},
                   rows);
    return status;
}

// ---- parameter files ------------------------------------------------------

bool Zeltctl::openSheet(Workbook *book, const QString &file)
{
    if (!book->open(file)) {
        fail(ExitDiffers, QStringLiteral("%1: %2").arg(file, book->errorText()));
        return false;
    }
    if (!book->selectSheet(ParamSheet)) {
        fail(ExitDiffers, QStringLiteral("%1: no parameter sheet \"%2\"").arg(file, ParamSheet));
        return false;
    }
    return true;
}

QString Zeltctl::rowLabel(const Workbook &book, int row) const
{
    return QStringLiteral("row %1 (register %2, %3)")
        .arg(row)
        .arg(book.cellText(row, 1), book.cellText(row, 2));
}

// Prints what a procedure did with the rows and names every refused or failed
// row on standard error. Returns the exit status.
int Zeltctl::reportProcedure(const QString &file, bool import, const ParamFileReport &report,
                             int result)
{
    const bool ranRows = result == ExelToWrite::Done || result == ExelToWrite::RowsFailed ||
                         result == ExelToWrite::NotSaved;
    if (!ranRows) {
        static const QHash<int, QString> texts = {
            {ExelToWrite::NoWorkbook, QStringLiteral("not a workbook that can be opened")},
            {ExelToWrite::NoSheets, QStringLiteral("the workbook has no worksheet")},
            {ExelToWrite::NoParamSheet,
             QStringLiteral("no parameter sheet \"%1\"").arg(ParamSheet)},
            {ExelToWrite::NoData, QStringLiteral("the parameter sheet is empty")},
            {ExelToWrite::Stopped, QStringLiteral("stopped")},
        };
        return fail(ExitDiffers, QStringLiteral("%1: %2").arg(
                                     file, texts.value(result, QString::number(result))));
    }
    Workbook book;
    const bool labelled = book.open(file) && book.selectSheet(ParamSheet);
    const auto label = [&](int row) {
        return labelled ? rowLabel(book, row) : QStringLiteral("row %1").arg(row);
    };
    for (int row : report.refused)
        fail(ExitDiffers,
             QStringLiteral("%1: %2 refused: %3").arg(file, label(row), report.reasons.value(row)));
    for (int row : report.failed)
        fail(ExitDiffers,
             QStringLiteral("%1: %2 failed: %3").arg(file, label(row), report.reasons.value(row)));
    if (result == ExelToWrite::NotSaved)
        fail(ExitDiffers, QStringLiteral("%1: the workbook could not be saved").arg(file));

    const QString summary = ExelToWrite::ReportText(report, import);
    if (m_json) {
        const auto rowArray = [](const QVector<int> &rows) {
            QJsonArray a;
            for (int r : rows)
                a.append(r);
            return a;
        };
        PrintJson(m_s.out, QJsonObject{{"file", QFileInfo(file).absoluteFilePath()},
                                       {"rows", report.rows},
                                       {import ? "written" : "read", report.done},
                                       {"refused", rowArray(report.refused)},
                                       {"failed", rowArray(report.failed)},
                                       {"skipped", report.skipped},
                                       {"summary", summary}});
    } else {
        m_s.out << QFileInfo(file).absoluteFilePath() << ": " << summary << '\n';
        m_s.out.flush();
    }
    const bool clean =
        report.refused.isEmpty() && report.failed.isEmpty() && result == ExelToWrite::Done;
    return clean ? ExitDone : (linkUp() ? ExitDiffers : ExitUnreachable);
}

int Zeltctl::cmdBackup(const QString &file)
{
    if (!file.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return usageError(QStringLiteral("%1: a backup is written as .xlsx").arg(file));
    if (const int status = connectInstrument())
        return status;
    bool asideFailed = false;
    const QString kept = SetAsidePreviousExport(file, &asideFailed);
    if (asideFailed) {
        disconnectInstrument();
        return fail(ExitDiffers,
                    QStringLiteral("%1: the earlier file could not be kept aside").arg(file));
    }
    if (!kept.isEmpty())
        m_s.err << "zeltctl: the earlier " << file << " is kept as " << kept << '\n';
    QString error;
    if (!WriteParamTemplate(file, 0, &error)) {
        disconnectInstrument();
        return fail(ExitDiffers, QStringLiteral("%1: %2").arg(file, error));
    }
    ExelToWrite excel;
    int result = 0;
    {
        ProgressBar bar(m_s, QStringLiteral("backup"));
        result = excel.RunExport(file, gp_ModbusDevice, [&bar](int percent) { bar.show(percent); });
    }
    const int status = reportProcedure(file, false, excel.lastReport(), result);
    disconnectInstrument();
    return status;
}

int Zeltctl::cmdRestore(const QString &file, bool dryRun)
{
    if (!QFileInfo(file).isFile())
        return usageError(QStringLiteral("%1: no such file").arg(file));
    {
        Workbook book; // a file that is no parameter file is refused before any traffic
        if (!openSheet(&book, file))
            return ExitDiffers;
    }
    if (const int status = connectInstrument())
        return status;
    if (!dryRun) {
        ExelToWrite excel;
        int result = 0;
        {
            ProgressBar bar(m_s, QStringLiteral("restore"));
            result =
                excel.RunImport(file, gp_ModbusDevice, [&bar](int percent) { bar.show(percent); });
        }
        const int status = reportProcedure(file, true, excel.lastReport(), result);
        disconnectInstrument();
        return status;
    }

    // The import's own row rules, with a read of the instrument in place of the write.
    Workbook book;
    openSheet(&book, file);
    const int n = book.rowCount();
    int refused = 0, failed = 0, unchanged = 0, skipped = 0;
    QVector<QStringList> rows;
    QJsonArray changes;
    {
        ProgressBar bar(m_s, QStringLiteral("restore --dry-run"));
        for (int r = 2; r <= n; ++r) {
            bar.show(n > 2 ? (r - 2) * 100 / (n - 2) : 100);
            const ImportRowPlan plan = PlanImportRow(book, r);
            if (plan.action == ImportRowPlan::Skip || plan.action == ImportRowPlan::SkipEmpty) {
                ++skipped;
                continue;
            }
            if (plan.action == ImportRowPlan::Refuse) {
                ++refused;
                fail(
                    ExitDiffers,
                    QStringLiteral("%1: %2 refused: %3").arg(file, rowLabel(book, r), plan.reason));
                continue;
            }
            CliParam p;
            FindCliParam(QString::number(plan.address), &p);
            p.row.count = quint8(plan.count);
            bool ok = false;
            const quint32 now = ReadParam(p.readAddress(), plan.count, &ok);
            if (!ok) {
                ++failed;
                fail(ExitDiffers, QStringLiteral("%1: %2 failed: register %3 could not be read")
                                      .arg(file, rowLabel(book, r))
                                      .arg(p.readAddress()));
                continue;
            }
            if (now == plan.value) {
                ++unchanged;
                continue;
            }
            rows.append({QString::number(r), QString::number(plan.address), book.cellText(r, 2),
                         QString::number(now), QString::number(plan.value)});
            changes.append(QJsonObject{{"row", r},
                                       {"address", plan.address},
                                       {"name", book.cellText(r, 2)},
                                       {"instrument", qint64(now)},
                                       {"file", qint64(plan.value)}});
        }
    }
    disconnectInstrument();
    const QString summary =
        QStringLiteral("%1 rows: %2 would change, %3 unchanged, %4 refused, %5 failed, %6 skipped")
            .arg(n > 1 ? n - 1 : 0)
            .arg(rows.size())
            .arg(unchanged)
            .arg(refused)
            .arg(failed)
            .arg(skipped);
    if (m_json) {
        PrintJson(m_s.out, QJsonObject{{"file", QFileInfo(file).absoluteFilePath()},
                                       {"changes", changes},
                                       {"unchanged", unchanged},
                                       {"refused", refused},
                                       {"failed", failed},
                                       {"skipped", skipped},
                                       {"summary", summary}});
    } else {
        PrintTable(m_s.out,
                   {QStringLiteral("ROW"), QStringLiteral("ADDRESS"), QStringLiteral("NAME"),
                    QStringLiteral("INSTRUMENT"), QStringLiteral("FILE")},
                   rows);
        m_s.out << summary << '\n';
        m_s.out.flush();
    }
    if (failed && !linkUp())
        return ExitUnreachable;
    return refused || failed ? ExitDiffers : ExitDone;
}

int Zeltctl::cmdCompare(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return usageError(QStringLiteral("%1: no such file").arg(file));
    Workbook book;
    if (!openSheet(&book, file))
        return ExitDiffers;
    if (const int status = connectInstrument())
        return status;
    // What a backup would write into each row, against what the row holds.
    const int n = book.rowCount();
    int same = 0, failed = 0, skipped = 0;
    QVector<QStringList> rows;
    QJsonArray differences;
    {
        ProgressBar bar(m_s, QStringLiteral("compare"));
        for (int r = 2; r <= n; ++r) {
            bar.show(n > 2 ? (r - 2) * 100 / (n - 2) : 100);
            const ExportRowPlan plan = PlanExportRow(book, r);
            const QString fileText = book.cellText(r, ParamValueColumn()).trimmed();
            if (plan.action != ExportRowPlan::Read || fileText.isEmpty()) {
                ++skipped;
                continue;
            }
            bool ok = false;
            const quint32 value = ReadParam(plan.readAddress, plan.readCount(), &ok);
            if (!ok) {
                ++failed;
                fail(ExitDiffers, QStringLiteral("%1: %2 failed: register %3 could not be read")
                                      .arg(file, rowLabel(book, r))
                                      .arg(plan.readAddress));
                continue;
            }
            const QString instrumentText = plan.valueText(value);
            // A float row equals when it shows the same six significant digits.
            const bool equal = plan.count == 3
                                   ? QString::number(fileText.toDouble(), 'g', 6) == instrumentText
                                   : fileText == instrumentText;
            if (equal) {
                ++same;
                continue;
            }
            rows.append({QString::number(r), book.cellText(r, 1), book.cellText(r, 2), fileText,
                         instrumentText});
            differences.append(QJsonObject{{"row", r},
                                           {"address", book.cellText(r, 1).toInt()},
                                           {"name", book.cellText(r, 2)},
                                           {"file", fileText},
                                           {"instrument", instrumentText}});
        }
    }
    disconnectInstrument();
    const QString summary = QStringLiteral("%1 rows: %2 differ, %3 equal, %4 failed, %5 skipped")
                                .arg(n > 1 ? n - 1 : 0)
                                .arg(rows.size())
                                .arg(same)
                                .arg(failed)
                                .arg(skipped);
    if (m_json) {
        PrintJson(m_s.out, QJsonObject{{"file", QFileInfo(file).absoluteFilePath()},
                                       {"differences", differences},
                                       {"equal", same},
                                       {"failed", failed},
                                       {"skipped", skipped},
                                       {"summary", summary}});
    } else {
        PrintTable(m_s.out,
                   {QStringLiteral("ROW"), QStringLiteral("ADDRESS"), QStringLiteral("NAME"),
                    QStringLiteral("FILE"), QStringLiteral("INSTRUMENT")},
                   rows);
        m_s.out << summary << '\n';
        m_s.out.flush();
    }
    if (failed && !linkUp())
        return ExitUnreachable;
    return rows.isEmpty() && !failed ? ExitDone : ExitDiffers;
}

// ---- watch ----------------------------------------------------------------

int Zeltctl::cmdWatch()
{
    int intervalMs = DefaultWatchIntervalMs;
    int count = 0;
    QString error;
    if (!intOption(m_parser, "interval", 50, 3600000, &intervalMs, &error) ||
        !intOption(m_parser, "count", 1, std::numeric_limits<int>::max(), &count, &error))
        return usageError(error);
    QFile csv;
    if (m_parser.isSet("csv")) {
        csv.setFileName(m_parser.value("csv"));
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return usageError(
                QStringLiteral("--csv %1: %2").arg(csv.fileName(), csv.errorString()));
        csv.write("time,weight,unit,stable,zero,net,overflow,error\n");
    }
    if (const int status = connectInstrument())
        return status;
    interrupted = 0;
    const auto previous = std::signal(SIGINT, onInterrupt);
    LinkSettings base = m_link;
    int polls = 0, failures = 0;
    if (!m_json)
        m_s.out << "TIME          WEIGHT        UNIT  MARKS              ERROR\n";
    QElapsedTimer clock;
    while (!interrupted && (count == 0 || polls < count)) {
        clock.start();
        ++polls;
        const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
        ModbusResult r = ReadGroup(base, 0);
        if (r == ModbusOk)
            r = ReadGroup(base, 1);
        if (r == ModbusOk)
            r = ReadNetCoil();
        if (r != ModbusOk) {
            ++failures;
            fail(ExitDiffers, QStringLiteral("%1: poll failed: %2").arg(time, ModbusResultText(r)));
            if (!linkUp())
                break;
        } else {
            const quint32 status = gsrt_LiveVal.slot[StatusSlot];
            const bool stable = status & 1u, zero = status & 2u, overflow = status & 8u;
            const bool net = gsrt_LiveVal.netFlag;
            const QString weight =
                overflow ? (status & 4u ? QStringLiteral("-OFL") : QStringLiteral("OFL"))
                         : FormatScaled(qint32(gsrt_LiveVal.slot[WeightSlot]),
                                        int(qMin(decimalSetting(), 4u)));
            const QString unit = UnitName(gsrt_CalPara.slot[CalUnitSlot]);
            const quint32 errors = gsrt_LiveVal.slot[ErrorSlot];
            int bit = 0;
            while (errors && !((errors >> bit) & 1u))
                ++bit;
            const QString errorText =
                errors ? InstrumentErrorText(bit, false) : QStringLiteral("None");
            QStringList marks;
            if (stable)
                marks << QStringLiteral("STABLE");
            if (zero)
                marks << QStringLiteral("ZERO");
            if (net)
                marks << QStringLiteral("NET");
            if (overflow)
                marks << QStringLiteral("OVERFLOW");
            if (m_json) {
                m_s.out << QJsonDocument(QJsonObject{{"time", time},
                                                     {"weight", weight},
                                                     {"unit", unit},
                                                     {"stable", stable},
                                                     {"zero", zero},
                                                     {"net", net},
                                                     {"overflow", overflow},
                                                     {"error", errorText}})
                               .toJson(QJsonDocument::Compact)
                        << '\n';
            } else {
                m_s.out << time.leftJustified(14) << weight.rightJustified(12) << "  "
                        << unit.leftJustified(4) << "  "
                        << marks.join(QLatin1Char(' ')).leftJustified(17) << "  " << errorText
                        << '\n';
            }
            m_s.out.flush();
            if (csv.isOpen()) {
                csv.write(
                    QStringLiteral("%1,%2,%3,%4,%5,%6,%7,\"%8\"\n")
                        .arg(time, weight, unit)
                        .arg(int(stable))
                        .arg(int(zero))
                        .arg(int(net))
                        .arg(int(overflow))
                        .arg(QString(errorText).replace(QLatin1Char('"'), QStringLiteral("\"\"")))
                        .toUtf8());
                csv.flush();
            }
        }
        if (count == 0 || polls < count)
            WaitMs(qMax(0, intervalMs - int(clock.elapsed())));
    }
    std::signal(SIGINT, previous);
    const bool lost = !linkUp();
    disconnectInstrument();
    if (lost)
        return fail(ExitUnreachable, QStringLiteral("the link to the instrument was lost"));
    return failures ? ExitDiffers : ExitDone;
}

// ---- fleet backup ---------------------------------------------------------

int Zeltctl::cmdFleetBackup(const QString &hostsFile, const QString &dir)
{
    if (m_parser.isSet("serial") || m_parser.isSet("tcp"))
        return usageError(QStringLiteral("backup --hosts takes its instruments from the file, not "
                                         "from --tcp or --serial"));
    int jobs = DefaultJobs;
    QString error;
    if (!intOption(m_parser, "jobs", 1, 1024, &jobs, &error))
        return usageError(error);
    QVector<FleetHost> hosts;
    if (!ReadHostsFile(hostsFile, &hosts, &error))
        return usageError(error);
    if (!QFileInfo(dir).isDir())
        return usageError(QStringLiteral("%1: no such folder").arg(dir));

    LinkSettings base = m_link;
    base.connectType = 1;
    FleetBackup fleet(hosts, dir, base, jobs, m_timeoutMs);
    {
        ProgressBar bar(m_s, QStringLiteral("backup"));
        QObject::connect(&fleet, &FleetBackup::progress, [&bar](int done, int total) {
            bar.show(total ? done * 100 / total : 100);
        });
        QEventLoop loop;
        QObject::connect(&fleet, &FleetBackup::finished, &loop, &QEventLoop::quit);
        fleet.start();
        if (!fleet.isFinished())
            loop.exec();
    }
    int failedHosts = 0;
    QVector<QStringList> rows;
    QJsonArray list;
    for (const FleetResult &r : fleet.results()) {
        if (!r.ok()) {
            ++failedHosts;
            fail(ExitDiffers, QStringLiteral("%1:%2: %3").arg(r.host).arg(r.port).arg(r.detail));
        }
        const QString seconds = QString::number(r.elapsedMs / 1000.0, 'f', 2);
        rows.append({r.host, QString::number(r.port), r.serial, r.statusText(),
                     QString::number(r.read), QString::number(r.failed), seconds, r.file});
        list.append(QJsonObject{{"host", r.host},
                                {"port", r.port},
                                {"serial", r.serial},
                                {"status", r.statusText()},
                                {"rows", r.rows},
                                {"read", r.read},
                                {"failed", r.failed},
                                {"seconds", r.elapsedMs / 1000.0},
                                {"file", r.file},
                                {"detail", r.detail}});
    }
    if (m_json) {
        PrintJson(m_s.out, QJsonObject{{"hosts", list},
                                       {"ok", hosts.size() - failedHosts},
                                       {"failed", failedHosts}});
    } else {
        PrintTable(m_s.out,
                   {QStringLiteral("HOST"), QStringLiteral("PORT"), QStringLiteral("SERIAL"),
                    QStringLiteral("STATUS"), QStringLiteral("READ"), QStringLiteral("FAILED"),
                    QStringLiteral("SECONDS"), QStringLiteral("FILE")},
                   rows);
        m_s.out << hosts.size() << " instruments: " << hosts.size() - failedHosts << " backed up, "
                << failedHosts << " failed\n";
        m_s.out.flush();
    }
    return failedHosts ? ExitDiffers : ExitDone;
}
