#include "linkstats.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

constexpr int SecondsKept = 60;

QString functionName(const TrafficLine &line)
{
    return line.write ? QStringLiteral("write") : QStringLiteral("read ");
}

QString msText(double ms)
{
    return ms < 0 ? QStringLiteral("-") : QString::number(ms, 'f', 1);
}

// The value at fraction q (0..1) of sorted, by the nearest rank.
double rank(const QVector<double> &sorted, double q)
{
    const int at = int(std::ceil(q * sorted.size())) - 1;
    return sorted[qBound(0, at, sorted.size() - 1)];
}

} // namespace

QString ModbusExceptionName(int code)
{
    switch (code) {
    case 1:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "illegal function"));
    case 2:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "illegal data address"));
    case 3:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "illegal data value"));
    case 4:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "device failure"));
    case 5:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "acknowledge"));
    case 6:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "device busy"));
    case 8:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "memory parity error"));
    case 10:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "gateway path unavailable"));
    case 11:
        return QString::fromLatin1(
            QT_TRANSLATE_NOOP("LinkStats", "gateway target did not respond"));
    default:
        return QStringLiteral("exception %1").arg(code);
    }
}

QString MalformedKindText(MalformedKind kind)
{
    switch (kind) {
    case MalformedKind::Count:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "register count"));
    case MalformedKind::Start:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "start address"));
    case MalformedKind::Function:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "function"));
    case MalformedKind::Unit:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "unit id"));
    case MalformedKind::Cut:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "cut frame"));
    case MalformedKind::Undecodable:
        break;
    }
    return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "not decodable"));
}

QString ReconnectReasonText(ReconnectReason reason)
{
    switch (reason) {
    case ReconnectReason::OutOfStep:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "out of step"));
    case ReconnectReason::TimeoutsInARow:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "timeouts in a row"));
    case ReconnectReason::ClosedByPeer:
        break;
    }
    return QString::fromLatin1(QT_TRANSLATE_NOOP("LinkStats", "closed by the peer"));
}

QString TrafficOutcomeText(const TrafficLine &line)
{
    switch (line.result) {
    case ModbusOk:
        return QStringLiteral("ok");
    case ModbusTimeout:
        return QStringLiteral("timeout");
    case ModbusProtocolError:
        return QStringLiteral("exception %1 (%2)")
            .arg(line.exceptionCode)
            .arg(ModbusExceptionName(line.exceptionCode));
    case ModbusMalformed:
        return QStringLiteral("malformed (%1)").arg(MalformedKindText(line.malformed));
    case ModbusNotRecorded:
        return QStringLiteral("not sent (service record)");
    case ModbusCalibrationRefused: // the write's own line was answered
    case ModbusCalibrationUnknown:
        return QStringLiteral("ok");
    case ModbusNoLink:
        break;
    }
    return QStringLiteral("link lost");
}

static QString timeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString TrafficLineText(const TrafficLine &line)
{
    QStringList values;
    for (quint16 v : line.values)
        values << QStringLiteral("0x%1 %2").arg(v, 4, 16, QLatin1Char('0')).arg(v);
    return QStringLiteral("%1  %2 %3  slave %4  start %5  count %6  %7%8  %9 ms")
        .arg(timeText(line.timeMs), functionName(line))
        .arg(line.function, 2, 16, QLatin1Char('0'))
        .arg(line.slaveId)
        .arg(line.start)
        .arg(line.count)
        .arg(values.isEmpty() ? QString()
                              : values.join(QStringLiteral("  ")) + QStringLiteral("  "),
             TrafficOutcomeText(line), msText(line.responseMs));
}

QString TrafficCsvHeader()
{
    return QStringLiteral("time,direction,function,slave,start,count,values hex,values,outcome,"
                          "response ms");
}

QString TrafficCsvLine(const TrafficLine &line)
{
    QStringList hex, decimal;
    for (quint16 v : line.values) {
        hex << QStringLiteral("0x%1").arg(v, 4, 16, QLatin1Char('0'));
        decimal << QString::number(v);
    }
    QString outcome = TrafficOutcomeText(line);
    outcome.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,\"%9\",%10")
        .arg(timeText(line.timeMs), functionName(line).trimmed())
        .arg(line.function)
        .arg(line.slaveId)
        .arg(line.start)
        .arg(line.count)
        .arg(hex.join(QLatin1Char(' ')), decimal.join(QLatin1Char(' ')), outcome,
             msText(line.responseMs));
}

quint64 LinkFigures::refused() const
{
    quint64 n = 0;
    for (quint64 c : exceptions)
        n += c;
    return n;
}

QString LinkFigures::summary() const
{
    return QStringLiteral("%1 requests, %2 failed, median %3 ms")
        .arg(sent)
        .arg(failed())
        .arg(msText(medianMs));
}

QString LinkFigures::text() const
{
    QStringList lines;
    lines << QStringLiteral("requests %1, answered well %2, timeouts %3, link lost %4")
                 .arg(sent)
                 .arg(good)
                 .arg(timeouts)
                 .arg(noLink);
    QStringList codes;
    for (auto it = exceptions.cbegin(); it != exceptions.cend(); ++it)
        codes << QStringLiteral("%1 %2 (%3)")
                     .arg(it.value())
                     .arg(it.key())
                     .arg(ModbusExceptionName(it.key()));
    lines << QStringLiteral("refused by the instrument %1%2")
                 .arg(refused())
                 .arg(codes.isEmpty() ? QString() : QStringLiteral(": ") + codes.join(", "));
    QStringList kinds;
    for (int k = 0; k < MalformedKinds; ++k) {
        if (malformedBy[k])
            kinds << QStringLiteral("%1 %2")
                         .arg(malformedBy[k])
                         .arg(MalformedKindText(MalformedKind(k)));
    }
    lines << QStringLiteral("malformed replies %1%2")
                 .arg(malformed)
                 .arg(kinds.isEmpty() ? QString() : QStringLiteral(": ") + kinds.join(", "));
    QStringList reasons;
    for (int r = 0; r < ReconnectReasons; ++r) {
        if (reconnectsBy[r])
            reasons << QStringLiteral("%1 %2")
                           .arg(reconnectsBy[r])
                           .arg(ReconnectReasonText(ReconnectReason(r)));
    }
    lines << QStringLiteral("reconnects %1%2")
                 .arg(reconnects)
                 .arg(reasons.isEmpty() ? QString() : QStringLiteral(": ") + reasons.join(", "));
    lines << QStringLiteral("response ms (last %1): last %2, min %3, median %4, 95% %5, max %6")
                 .arg(samples)
                 .arg(msText(lastMs), msText(minMs), msText(medianMs), msText(p95Ms),
                      msText(maxMs));
    lines << QStringLiteral("good answers in the last minute: %1")
                 .arg(goodShareLastMinute < 0
                          ? QStringLiteral("-")
                          : QString::number(100 * goodShareLastMinute, 'f', 1) + QLatin1Char('%'));
    return lines.join(QLatin1Char('\n'));
}

QJsonObject LinkFigures::json() const
{
    QJsonObject refusedBy;
    for (auto it = exceptions.cbegin(); it != exceptions.cend(); ++it)
        refusedBy.insert(QString::number(it.key()), double(it.value()));
    QJsonObject malformedKinds;
    for (int k = 0; k < MalformedKinds; ++k)
        malformedKinds.insert(MalformedKindText(MalformedKind(k)), double(malformedBy[k]));
    QJsonObject reasons;
    for (int r = 0; r < ReconnectReasons; ++r)
        reasons.insert(ReconnectReasonText(ReconnectReason(r)), double(reconnectsBy[r]));
    const auto ms = [](double v) { return v < 0 ? QJsonValue() : QJsonValue(v); };
    return QJsonObject{
        {"requests", double(sent)},
        {"good", double(good)},
        {"timeouts", double(timeouts)},
        {"linkLost", double(noLink)},
        {"exceptions", refusedBy},
        {"malformed", double(malformed)},
        {"malformedBy", malformedKinds},
        {"reconnects", double(reconnects)},
        {"reconnectsBy", reasons},
        {"responseSamples", samples},
        {"responseMs", QJsonObject{{"last", ms(lastMs)},
                                   {"min", ms(minMs)},
                                   {"median", ms(medianMs)},
                                   {"p95", ms(p95Ms)},
                                   {"max", ms(maxMs)}}},
        {"goodShareLastMinute", ms(goodShareLastMinute)},
    };
}

LinkStats::LinkStats()
{
    reset();
}

void LinkStats::reset()
{
    m_counts = LinkFigures();
    m_times = QVector<double>(ResponseWindow, 0.0);
    m_timesNext = m_timesFilled = 0;
    m_lastMs = -1;
    m_seconds = QVector<Second>(SecondsKept);
    m_traffic = QVector<TrafficLine>(TrafficCapacity);
    m_trafficNext = m_trafficFilled = 0;
}

void LinkStats::record(TrafficLine line)
{
    line.serial = ++m_serial;
    ++m_counts.sent;
    const bool good = line.result == ModbusOk;
    switch (line.result) {
    case ModbusOk:
        ++m_counts.good;
        m_times[m_timesNext] = line.responseMs;
        m_timesNext = (m_timesNext + 1) % ResponseWindow;
        m_timesFilled = qMin(m_timesFilled + 1, int(ResponseWindow));
        m_lastMs = line.responseMs;
        break;
    case ModbusTimeout:
        ++m_counts.timeouts;
        break;
    case ModbusProtocolError:
        ++m_counts.exceptions[line.exceptionCode];
        break;
    case ModbusMalformed:
        ++m_counts.malformed;
        ++m_counts.malformedBy[int(line.malformed)];
        break;
    case ModbusNoLink:
        ++m_counts.noLink;
        break;
    case ModbusNotRecorded:
    case ModbusCalibrationRefused:
    case ModbusCalibrationUnknown:
        break;
    }
    const qint64 second = (line.timeMs + qint64(line.responseMs)) / 1000;
    Second &s = m_seconds[int(second % SecondsKept)];
    if (s.second != second)
        s = Second{second, 0, 0};
    ++s.total;
    s.good += good ? 1 : 0;
    if (m_sink)
        m_sink(line);
    if (!m_recording)
        return;
    m_traffic[m_trafficNext] = std::move(line);
    m_trafficNext = (m_trafficNext + 1) % TrafficCapacity;
    m_trafficFilled = qMin(m_trafficFilled + 1, int(TrafficCapacity));
}

void LinkStats::noteReconnect(ReconnectReason reason)
{
    ++m_counts.reconnects;
    ++m_counts.reconnectsBy[int(reason)];
}

LinkFigures LinkStats::figures(qint64 nowMs) const
{
    LinkFigures f = m_counts;
    f.samples = m_timesFilled;
    if (m_timesFilled > 0) {
        QVector<double> sorted(m_times.cbegin(), m_times.cbegin() + m_timesFilled);
        std::sort(sorted.begin(), sorted.end());
        f.lastMs = m_lastMs;
        f.minMs = sorted.first();
        f.maxMs = sorted.last();
        f.medianMs = rank(sorted, 0.5);
        f.p95Ms = rank(sorted, 0.95);
    }
    const qint64 now = nowMs / 1000;
    int good = 0, total = 0;
    for (const Second &s : m_seconds) {
        if (s.second > now - SecondsKept && s.second <= now) {
            good += s.good;
            total += s.total;
        }
    }
    f.goodShareLastMinute = total > 0 ? double(good) / total : -1;
    return f;
}

QVector<TrafficLine> LinkStats::trafficSince(quint64 serial) const
{
    QVector<TrafficLine> out;
    const int first = (m_trafficNext - m_trafficFilled + TrafficCapacity) % TrafficCapacity;
    for (int i = 0; i < m_trafficFilled; ++i) {
        const TrafficLine &line = m_traffic[(first + i) % TrafficCapacity];
        if (line.serial > serial)
            out.append(line);
    }
    return out;
}
