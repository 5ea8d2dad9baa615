#include "reportreader.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "modbusconnection.h"
#include "modbuslink.h"
#include "paramshown.h"
#include "pollhold.h"
#include "reporttexts.h"
#include "servicerecord.h"
#include "servicerecorder.h"
#include "sysinfotext.h"
#include "valuebinding.h"

#include "linkstats.h"

#include <QModbusClient>
#include <QtMath>

namespace {

// The register blocks, in the order they are read: the identity first, then
// the unit and decimal setting every weight is shown with, the live values and
// the parameter pages. The digital block is read from digital instruments only.
constexpr int CalibrationGroup = 2;
constexpr int LiveGroup = 0;
constexpr int DigitalGroup = 17;
constexpr int ReadOrder[] = {
    SystemInfoGroup, SystemStatusGroup, CalibrationGroup, LiveGroup, 4, 6, 7, 8, 10, 11, 12, 13, 16,
    DigitalGroup};

// The live block: weight (with the decimal setting), status word, sensor signal
// (0.0001 mV on analog instruments, AD counts on digital ones).
constexpr int LiveWeightSlot = 0;
constexpr int LiveStatusSlot = 1;
constexpr int LiveSignalSlot = 11;
constexpr quint32 OverflowBit = 8u;
constexpr quint32 NegativeOverflowBit = 4u;
constexpr int SignalDecimals = 4;

// The rows of the report: every catalogue row but the command buttons.
bool listed(const ParamRow &row)
{
    return row.page >= 1 && row.kind != ParamKind::Command;
}

bool inGroup(const ParamRow &row, int group)
{
    const RegisterGroup &g = RegisterGroupTable[group];
    return row.mirror != MirrorRecord::None && row.address >= g.start &&
           row.address < g.start + g.count;
}

// The group of ReadOrder whose store fills the row's mirror slot; -1 for none.
int groupOf(const ParamRow &row)
{
    for (int group : ReadOrder) {
        if (group != LiveGroup && inGroup(row, group))
            return group;
    }
    return -1;
}

QString registersText(int first, int count)
{
    return count > 1 ? QStringLiteral("%1-%2").arg(first).arg(first + count - 1)
                     : QString::number(first);
}

// The instrument kinds InstrumentKindText names.
QString kindName(const QString &kind, const ReportLanguage &lang)
{
    if (kind == QLatin1String("analog"))
        return lang.translate("ServiceReport", "analog");
    if (kind == QLatin1String("digital"))
        return lang.translate("ServiceReport", "digital");
    return lang.translate("ServiceReport", "unknown");
}

} // namespace

ReportReader::ReportReader(const LinkSettings &link, ReportContent *content, QObject *parent)
    : QObject(parent), m_link(link), m_content(content)
{
    const QVector<ParamRow> &rows = ParameterCatalogue();
    m_raw.fill(0, rows.size());
    m_unread.fill(QString(), rows.size());
    m_read.fill(false, rows.size());
    for (int group : ReadOrder)
        m_steps.append({group, -1});
    for (int i = 0; i < rows.size(); ++i) {
        if (listed(rows[i]) && groupOf(rows[i]) < 0)
            m_steps.append({-1, i});
    }
    m_sampleTimer.setInterval(SampleIntervalMs);
    connect(&m_sampleTimer, &QTimer::timeout, this, &ReportReader::sample);
}

int ReportReader::total() const
{
    return m_steps.size() + m_sampleMs / SampleIntervalMs;
}

void ReportReader::start()
{
    m_content->link = ServiceRecorder::LinkText(m_link);
    m_content->slaveId = m_link.slaveId;
    m_digital = gu8_DigSensorsType != 0;
    QTimer::singleShot(0, this, &ReportReader::next);
}

QString ReportReader::resultText(int result) const
{
    const ReportLanguage lang(m_content->chinese);
    switch (ModbusResult(result)) {
    case ModbusOk:
        return lang.translate("ServiceReport", "ok");
    case ModbusTimeout:
        return lang.translate("ServiceReport", "no reply (timeout)");
    case ModbusProtocolError: {
        const int code = ProgramLink() ? ProgramLink()->lastExceptionCode() : 0;
        if (code <= 0)
            return lang.translate("ServiceReport", "refused by the instrument");
        // The exception names are the link statistics' own texts.
        const QByteArray name = ModbusExceptionName(code).toUtf8();
        return lang.translate("ServiceReport", "refused by the instrument (%1)")
            .arg(lang.translate("LinkStats", name.constData()));
    }
    case ModbusMalformed:
        return lang.translate("ServiceReport", "malformed reply");
    case ModbusNotRecorded: // a report only reads
    case ModbusCalibrationRefused:
    case ModbusCalibrationUnknown:
    case ModbusNoLink:
        break;
    }
    return lang.translate("ServiceReport", "link lost");
}

bool ReportReader::linkGone(int result) const
{
    return result == ModbusNoLink || UnansweredInARow() >= ReopenAfterTimeouts ||
           !gp_ModbusDevice || gp_ModbusDevice->state() != QModbusDevice::ConnectedState;
}

void ReportReader::next()
{
    if (m_done == m_steps.size()) {
        if (m_sampleMs > 0) {
            m_sampleClock.start();
            sample();
            m_sampleTimer.start();
        } else {
            finish();
        }
        return;
    }
    const Step step = m_steps.at(m_done++);
    readStep(step);
    emit progress(m_done, total());
    QTimer::singleShot(0, this, &ReportReader::next);
}

void ReportReader::readStep(const Step &step)
{
    const ReportLanguage lang(m_content->chinese);
    if (step.group == DigitalGroup && !m_digital)
        return;
    if (UnansweredInARow() >= ReopenAfterTimeouts) {
        m_content->linkLost = true;
        markUnread(step,
                   lang.translate("ServiceReport", "not asked: the instrument stopped answering"));
        return;
    }
    const QVector<ParamRow> &rows = ParameterCatalogue();
    if (step.row >= 0) {
        const ParamRow &row = rows[step.row];
        const int address =
            row.access == ParamAccess::WriteOnly && row.readBack ? row.readBack : row.address;
        const int count = row.readBack ? 1 : row.count;
        bool ok = false;
        ModbusResult result = ModbusOk;
        quint32 raw = 0;
        {
            const PollHold hold;
            raw = ReadParam(address, count, &ok, &result);
        }
        if (!ok) {
            m_content->linkLost = m_content->linkLost || linkGone(result);
            markUnread(step, resultText(result));
            return;
        }
        m_raw[step.row] = raw;
        m_read[step.row] = true;
        return;
    }
    ModbusResult result = ModbusOk;
    {
        const PollHold hold;
        LinkSettings base = m_link;
        result = ReadGroup(base, step.group);
    }
    if (result != ModbusOk) {
        m_content->linkLost = m_content->linkLost || linkGone(result);
        markUnread(step, resultText(result));
        return;
    }
    if (step.group == SystemInfoGroup) {
        const quint32 version = gsrt_SysInf.slot[SoftVersionSlot];
        m_content->serial = {SerialNumberText(gsrt_SysInf.slot, SerialNumberSlot), false};
        m_content->softwareVersion = {QString::number(version), false};
        m_content->compileDate = {CompileDateText(gsrt_SysInf.slot[CompileDateSlot]), false};
        const QString kind = InstrumentKindText(version);
        m_content->kind = {kindName(kind, lang), false};
        m_digital = kind == QLatin1String("digital");
    } else if (step.group == SystemStatusGroup) {
        m_content->mac = {MacAddressText(gsrt_SysInf.slot, MacSlot), false};
    } else if (step.group == LiveGroup) {
        m_liveRead = true;
        m_liveWeight = gsrt_LiveVal.slot[LiveWeightSlot];
        m_liveStatus = gsrt_LiveVal.slot[LiveStatusSlot];
        m_liveSignal = gsrt_LiveVal.slot[LiveSignalSlot];
    }
    for (int i = 0; i < rows.size(); ++i) {
        if (listed(rows[i]) && groupOf(rows[i]) == step.group) {
            m_raw[i] = MirrorValue(rows[i]);
            m_read[i] = true;
        }
    }
}

void ReportReader::markUnread(const Step &step, const QString &why)
{
    const ReportLanguage lang(m_content->chinese);
    const bool chinese = lang.chinese();
    const QVector<ParamRow> &rows = ParameterCatalogue();
    QString what;
    if (step.row >= 0) {
        const ParamRow &row = rows[step.row];
        m_unread[step.row] = why;
        what = QStringLiteral("%1 (%2 %3)")
                   .arg(ParamName(row, chinese), lang.translate("ServiceReport", "register"))
                   .arg(row.address);
    } else {
        const RegisterGroup &g = RegisterGroupTable[step.group];
        QStringList pages;
        for (int i = 0; i < rows.size(); ++i) {
            if (listed(rows[i]) && groupOf(rows[i]) == step.group) {
                m_unread[i] = why;
                const QString page = ReportPageTitle(rows[i].page, lang);
                if (!pages.contains(page))
                    pages << page;
            }
        }
        if (step.group == SystemInfoGroup) {
            const ReportValue unread = ReportValue::unread(why);
            m_content->serial = m_content->softwareVersion = m_content->compileDate =
                m_content->kind = unread;
            pages << lang.translate("ServiceReport", "Instrument");
        } else if (step.group == LiveGroup) {
            pages << lang.translate("ServiceReport", "Live values");
        } else if (step.group == SystemStatusGroup) {
            m_content->mac = ReportValue::unread(why);
            pages << lang.translate("ServiceReport", "System status");
        }
        what = QStringLiteral("%1 %2 (%3)")
                   .arg(lang.translate("ServiceReport", "registers"),
                        registersText(g.start, g.count), pages.join(QStringLiteral(", ")));
    }
    m_content->gaps.append({what, why});
}

void ReportReader::sample()
{
    if (m_sampleClock.elapsed() >= m_sampleMs || m_samples >= m_sampleMs / SampleIntervalMs) {
        m_sampleTimer.stop();
        finish();
        return;
    }
    ++m_samples;
    ModbusResult result = ModbusNoLink;
    if (!m_content->linkLost) {
        const PollHold hold;
        LinkSettings base = m_link;
        result = ReadGroup(base, LiveGroup);
    }
    if (result == ModbusOk) {
        const int decimals = int(qMin(gsrt_CalPara.slot[CalDecimalSlot], 4u));
        const double weight = qint32(gsrt_LiveVal.slot[LiveWeightSlot]) / qPow(10.0, decimals);
        m_content->curve.append(QPointF(m_sampleClock.elapsed() / 1000.0, weight));
    } else if (m_content->linkLost || linkGone(result)) {
        // Nothing more will come: the curve ends here and the report says why.
        const ReportLanguage lang(m_content->chinese);
        const QString why =
            m_content->linkLost ? lang.translate("ServiceReport", "link lost") : resultText(result);
        m_content->linkLost = true;
        const QString what =
            m_content->curve.isEmpty()
                ? lang.translate("ServiceReport", "live weight samples: none of %1 s")
                      .arg(m_sampleMs / 1000)
                : lang.translate("ServiceReport", "live weight samples after %1 s of %2 s")
                      .arg(m_sampleClock.elapsed() / 1000.0, 0, 'f', 1)
                      .arg(m_sampleMs / 1000);
        m_content->gaps.append({what, why});
        m_sampleTimer.stop();
        finish();
        return;
    }
    emit progress(m_done + m_samples, total());
}

void ReportReader::finish()
{
    ReportContent &c = *m_content;
    const ReportLanguage lang(c.chinese);
    const bool chinese = lang.chinese();
    // The unit and decimal setting as read for this report, else as the link
    // last knew them; a weight without a known decimal setting is not guessed.
    const bool decimalsKnown = RegisterKnown(102);
    const quint32 decimals = gsrt_CalPara.slot[CalDecimalSlot];
    const quint32 unit = gsrt_CalPara.slot[CalUnitSlot];
    const QString unknownDecimals =
        lang.translate("ServiceReport", "the decimal setting could not be read");
    const QVector<ParamRow> &rows = ParameterCatalogue();
    qint64 analogType = -1;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].address == AnalogOutputTypeRegister && m_read[i])
            analogType = m_raw[i];
    }
    for (int i = 0; i < rows.size(); ++i) {
        const ParamRow &row = rows[i];
        if (!listed(row) || (row.page == 6 && !m_digital))
            continue;
        ReportParam p;
        p.page = row.page;
        p.widget = QString::fromLatin1(row.widget);
        p.name = ParamName(row, chinese);
        p.unit = ParamUnitText(row, unit, chinese, analogType);
        p.range = ParamRangeText(row, decimals);
        if (!m_read[i])
            p.value = ReportValue::unread(
                m_unread[i].isEmpty() ? lang.translate("ServiceReport", "not read") : m_unread[i]);
        else if (row.kind == ParamKind::Weight && !decimalsKnown)
            p.value = ReportValue::unread(unknownDecimals);
        else
            p.value = {ParamShownText(row, m_raw[i], decimals, chinese), false};
        c.params.append(p);
    }

    c.curveUnit = UnitName(unit);
    if (!m_liveRead) {
        c.liveWeight = c.liveSignal =
            ReportValue::unread(lang.translate("ServiceReport", "not read"));
    } else {
        if (m_liveStatus & OverflowBit)
            c.liveWeight = {m_liveStatus & NegativeOverflowBit ? QStringLiteral("-OFL")
                                                               : QStringLiteral("OFL"),
                            false};
        else if (!decimalsKnown)
            c.liveWeight = ReportValue::unread(unknownDecimals);
        else
            c.liveWeight = {FormatScaled(qint32(m_liveWeight), int(qMin(decimals, 4u))) +
                                QLatin1Char(' ') + UnitName(unit),
                            false};
        c.liveSignal = m_digital
                           ? ReportValue{QString::number(qint32(m_liveSignal)) + QLatin1Char(' ') +
                                             lang.translate("ServiceReport", "AD counts"),
                                         false}
                           : ReportValue{FormatScaled(qint32(m_liveSignal), SignalDecimals) +
                                             QStringLiteral(" mV"),
                                         false};
    }

    if (!m_record) {
        c.changesError = lang.translate("ServiceReport", "the service record could not be opened");
    } else if (c.serial.failed) {
        c.changesError = lang.translate("ServiceReport", "the serial number could not be read");
    } else {
        HistoryFilter filter;
        filter.serial = c.serial.text;
        filter.since = c.changesSince;
        c.entriesInTime = m_record->count(filter);
        QVector<ServiceEntry> entries = m_record->fetch(filter, 0, MostEntriesSearched);
        c.entriesSearched = entries.size();
        if (c.entriesInTime < 0)
            c.changesError = m_record->lastError();
        std::reverse(entries.begin(), entries.end());
        for (const ServiceEntry &e : entries) {
            if (e.kind == ServiceEntry::Change || e.kind == ServiceEntry::Backup ||
                e.kind == ServiceEntry::Test)
                c.changes.append(e);
            if (e.kind == ServiceEntry::Test)
                c.tests.append(e);
        }
        c.chain = m_record->verify();
    }
    m_finished = true;
    emit finished();
}
