// The commands on one instrument's live values and parameters: info, read,
// write and watch.
#include "zeltctl.h"

#include "calibrationverdict.h"
#include "decimaltext.h"
#include "errortexts.h"
#include "paramshown.h"
#include "paramtext.h"
#include "valuebinding.h"
#include "writesource.h"
#include "zeltctlcommon.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTime>
#include <csignal>
#include <limits>

using namespace zeltctl;

namespace {

constexpr int DefaultWatchIntervalMs = 500;
// The unit and decimal settings: every weight is shown and typed with them.
constexpr int UnitRegister = 100;
constexpr int DecimalRegister = 102;
// Live block: weight, status word, error word.
constexpr int WeightSlot = 0;
constexpr int StatusSlot = 1;
constexpr int ErrorSlot = 2;

volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int)
{
    interrupted = 1;
}

} // namespace

int Zeltctl::cmdInfo()
{
    if (const int status = connectInstrument())
        return status;
    LinkSettings base = m_link;
    for (int group : {SystemInfoGroup, SystemStatusGroup}) {
        const ModbusResult r = ReadGroup(base, group);
        if (r != ModbusOk) {
            const int status = LinkUp() ? ExitDiffers : ExitUnreachable;
            disconnectInstrument();
            return fail(status, QStringLiteral("system information (registers %1-%2): %3")
                                    .arg(RegisterGroupTable[group].start)
                                    .arg(RegisterGroupTable[group].start +
                                         RegisterGroupTable[group].count - 1)
                                    .arg(LinkResultText(r)));
        }
    }
    disconnectInstrument();
    const QString mac = MacAddressText(gsrt_SysInf.slot, MacSlot);
    const quint32 version = gsrt_SysInf.slot[SoftVersionSlot];
    // Numbers are numbers in JSON, as scan gives the version.
    const QVector<QPair<QString, QJsonValue>> fields = {
        {QStringLiteral("version"), qint64(version)},
        {QStringLiteral("compileDate"), CompileDateText(gsrt_SysInf.slot[CompileDateSlot])},
        {QStringLiteral("serialNumber"), SerialNumberText(gsrt_SysInf.slot, SerialNumberSlot)},
        {QStringLiteral("mac"), mac},
        {QStringLiteral("kind"), InstrumentKindText(version)},
        {QStringLiteral("instrumentId"), qint64(gsrt_SysInf.slot[InstrumentIdSlot])},
    };
    QJsonObject json;
    QVector<QStringList> rows;
    for (const auto &f : fields) {
        json.insert(f.first, f.second);
        rows.append({f.first, f.second.isString() ? f.second.toString()
                                                  : QString::number(f.second.toDouble(), 'f', 0)});
    }
    printResult(json, {QStringLiteral("FIELD"), QStringLiteral("VALUE")}, rows);
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
    const quint32 decimals = DecimalSetting();
    const quint32 unit = gsrt_CalPara.slot[CalUnitSlot];
    const qint64 analogType = AnalogTypeFor(params);
    int status = ExitDone;
    QVector<QStringList> rows;
    QJsonArray list;
    for (int i = 0; i < params.size(); ++i) {
        const CliParam &p = params[i];
        if (GaveUp()) {
            status = fail(ExitUnreachable, GaveUpText(params.size() - i));
            break;
        }
        bool ok = false;
        ModbusResult result = ModbusOk;
        const quint32 raw = ReadParam(p.readAddress(), p.row.count, &ok, &result);
        if (!ok) {
            status = FailedStatus(status);
            fail(status, QStringLiteral("%1 (register %2): read failed: %3")
                             .arg(p.name)
                             .arg(p.readAddress())
                             .arg(LinkResultText(result)));
            continue;
        }
        const QString value = ShownValue(p, raw, decimals);
        const QString unitText = ShownUnit(p, unit, analogType);
        const QString description = p.inCatalogue ? ParamName(p.row, false) : QString();
        // --raw: the register as it stands, which no unit describes.
        rows.append({p.name, QString::number(p.row.address), m_raw ? QString::number(raw) : value,
                     m_raw ? QString() : unitText, description});
        list.append(QJsonObject{{"name", p.name},
                                {"address", p.row.address},
                                {"count", p.row.count},
                                {"raw", qint64(raw)},
                                {"value", value},
                                {"unit", unitText},
                                {"description", description}});
    }
    disconnectInstrument();
    printResult(QJsonObject{{"parameters", list}},
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
        quint32 raw = 0;
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
                QStringLiteral("%1 (register %2) is not a parameter that can be written%3")
                    .arg(w.param.name)
                    .arg(w.param.row.address)
                    .arg(IsCalibrationRegister(w.param.row.address)
                             ? QStringLiteral(": zeltctl calibrate zero takes a zero")
                             : QString()));
        w.text = a.mid(eq + 1);
        pending.append(w);
    }
    if (const int status = connectInstrument())
        return status;
    const auto refused = [this](const CliParam &p, const QString &why, int status) {
        return fail(status, QStringLiteral("%1 (register %2): refused: %3")
                                .arg(p.name)
                                .arg(p.row.address)
                                .arg(why));
    };
    // Every value is converted and checked before the first write, so that one
    // that cannot be sent leaves the instrument untouched. A weight after a new
    // decimal setting is converted with that setting.
    quint32 decimals = DecimalSetting();
    QVector<CliParam> targets;
    for (const Pending &w : qAsConst(pending))
        targets.append(w.param);
    qint64 analogType = AnalogTypeFor(targets);
    int status = ExitDone;
    for (Pending &w : pending) {
        QString why;
        if (!RawFromText(w.param, w.text, decimals, &w.raw, &why))
            status = refused(w.param, why, ExitUsage);
        else if (w.param.row.address == DecimalRegister)
            decimals = w.raw;
        else if (w.param.row.address == AnalogOutputTypeRegister)
            analogType = w.raw;
    }
    if (status != ExitDone) {
        disconnectInstrument();
        return status;
    }
    QVector<QStringList> rows;
    QJsonArray list;
    for (int i = 0; i < pending.size(); ++i) {
        Pending &w = pending[i];
        const CliParam &p = w.param;
        if (GaveUp()) {
            status = fail(ExitUnreachable, GaveUpText(pending.size() - i));
            break;
        }
        // Converted again with the decimal setting as it is now: an earlier
        // write of this run should have changed it as planned, but may not have.
        quint32 &raw = w.raw;
        QString why;
        QString outcome;
        QString shown;
        if (!RawFromText(p, w.text, DecimalSetting(), &raw, &why)) {
            status = qMax(status, refused(p, why, ExitDiffers));
            outcome = QStringLiteral("refused");
        } else {
            LinkSettings request;
            request.startAddress = p.row.address;
            request.count = p.row.count;
            ModbusResult r = ModbusOk;
            bool ok = false;
            quint32 back = 0;
            {
                // The service record keeps what the instrument held before and after.
                WriteSource source(QStringLiteral("zeltctl write %1=%2").arg(p.name, w.text));
                bool held = false;
                const quint32 before = ReadParam(p.row.address, p.row.count, &held);
                if (held)
                    source.setOldValue(before);
                r = WriteParam(gp_ModbusDevice, raw, request);
                if (p.row.address == UnitRegister || p.row.address == DecimalRegister) {
                    LinkSettings base = m_link;
                    ReadGroup(base, 1); // unit and decimals take effect for what follows
                }
                back = ReadParam(p.readAddress(), p.row.count, &ok);
                if (ok)
                    source.setReadBack(back);
            }
            shown = ok ? ShownValue(p, back, DecimalSetting()) : QString();
            if (r == ModbusCalibrationRefused || r == ModbusCalibrationUnknown) {
                // the link took it; the instrument's error word says no, or nothing
                outcome = LastCalibrationVerdict().outcomeText();
                fail(ExitDiffers, QStringLiteral("%1 (register %2): %3")
                                      .arg(p.name)
                                      .arg(p.row.address)
                                      .arg(outcome));
                status = FailedStatus(status);
            } else if (r != ModbusOk) {
                outcome = LinkResultText(r);
                fail(ExitDiffers, QStringLiteral("%1 (register %2): write failed: %3")
                                      .arg(p.name)
                                      .arg(p.row.address)
                                      .arg(outcome));
                status = FailedStatus(status);
            } else if (!ok) {
                outcome = QStringLiteral("written, read-back failed");
                fail(ExitDiffers, QStringLiteral("%1 (register %2): read-back failed")
                                      .arg(p.name)
                                      .arg(p.readAddress()));
                status = FailedStatus(status);
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
        const QString unitText = ShownUnit(p, gsrt_CalPara.slot[CalUnitSlot], analogType);
        rows.append({p.name, QString::number(p.row.address), w.text, shown, unitText, outcome});
        list.append(QJsonObject{{"name", p.name},
                                {"description", ParamName(p.row, false)},
                                {"address", p.row.address},
                                {"requested", w.text},
                                {"raw", qint64(raw)},
                                {"value", shown},
                                {"unit", unitText},
                                {"result", outcome}});
    }
    disconnectInstrument();
    printResult(QJsonObject{{"writes", list}},
                {QStringLiteral("NAME"), QStringLiteral("ADDRESS"), QStringLiteral("REQUESTED"),
                 QStringLiteral("VALUE"), QStringLiteral("UNIT"), QStringLiteral("RESULT")},
                rows);
    return status;
}

int Zeltctl::cmdWatch()
{
    int intervalMs = DefaultWatchIntervalMs;
    int count = 0;
    QString error;
    if (!intOption("interval", 50, 3600000, &intervalMs, &error) ||
        !intOption("count", 1, std::numeric_limits<int>::max(), &count, &error))
        return usageError(error);
    QFile csv;
    if (m_parser.isSet("csv")) {
        csv.setFileName(m_parser.value("csv"));
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return usageError(
                QStringLiteral("--csv %1: %2").arg(csv.fileName(), csv.errorString()));
        csv.write("time,weight,unit,stable,zero,net,overflow,error\n");
    }
    m_jsonLines = m_json;
    if (const int status = connectInstrument())
        return status;
    interrupted = 0;
    const auto previous = std::signal(SIGINT, onInterrupt);
    LinkSettings base = m_link;
    int polls = 0, failures = 0;
    bool lastFailed = false;
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
        lastFailed = r != ModbusOk;
        if (r != ModbusOk) {
            // A failed poll has its line too, so that a script reading the
            // output sees the gap and how many polls failed so far.
            ++failures;
            const QString why = QStringLiteral("poll failed: %1").arg(LinkResultText(r));
            const QString count = QStringLiteral("%1 of %2 polls failed").arg(failures).arg(polls);
            fail(ExitDiffers, QStringLiteral("%1: %2 (%3)").arg(time, why, count));
            m_documentSet = true;
            if (m_json)
                m_s.out << QJsonDocument(QJsonObject{{"time", time},
                                                     {"failed", why},
                                                     {"failures", failures},
                                                     {"polls", polls}})
                               .toJson(QJsonDocument::Compact)
                        << '\n';
            else
                m_s.out << time.leftJustified(14) << why << " (" << count << ")\n";
            m_s.out.flush();
            if (csv.isOpen()) {
                csv.write(QStringLiteral("%1,,,,,,,\"%2\"\n").arg(time, why).toUtf8());
                csv.flush();
            }
            // A link the instrument closed is opened again by the next poll.
            if (GaveUp())
                break;
        } else {
            const quint32 status = gsrt_LiveVal.slot[StatusSlot];
            const bool stable = status & 1u, zero = status & 2u, overflow = status & 8u;
            const bool net = gsrt_LiveVal.netFlag;
            const QString weight =
                overflow ? (status & 4u ? QStringLiteral("-OFL") : QStringLiteral("OFL"))
                         : FormatScaled(qint32(gsrt_LiveVal.slot[WeightSlot]),
                                        int(qMin(DecimalSetting(), 4u)));
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
            m_documentSet = true;
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
    // A last poll that failed with the link down lost the instrument, as three
    // unanswered in a row do.
    const bool lost = lastFailed && OutOfReach();
    disconnectInstrument();
    if (lost)
        return fail(ExitUnreachable, QStringLiteral("the link to the instrument was lost"));
    return failures ? ExitDiffers : ExitDone;
}
