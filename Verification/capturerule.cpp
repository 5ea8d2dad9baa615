#include "capturerule.h"

CaptureRule::CaptureRule(const CaptureSettings &settings) : m_settings(settings)
{}

void CaptureRule::start(qint64 nowMs)
{
    m_state = Waiting;
    m_startMs = nowMs;
    m_holding = false;
    m_hindrance = NoReading;
    m_last = Reading();
}

void CaptureRule::setAccept(std::function<bool(qint64)> accept)
{
    m_accept = std::move(accept);
}

CaptureRule::State CaptureRule::feed(const Reading &reading, qint64 nowMs)
{
    if (m_state != Waiting)
        return m_state;
    m_last = reading;
    if (reading.overflow)
        m_hindrance = Overflow;
    else if (!reading.stable)
        m_hindrance = Moving;
    else if (m_accept && !m_accept(reading.weight))
        m_hindrance = NotTheLoad;
    else
        m_hindrance = Settling;
    if (m_hindrance != Settling) {
        m_holding = false;
    } else if (!m_holding || qAbs(reading.weight - m_anchor) > m_flicker) {
        // A new weight, or the first stable one: its settle time starts now.
        m_holding = true;
        m_anchor = reading.weight;
        m_candidate = reading.weight;
        m_since = nowMs;
        m_seen = {{reading.weight, 1}};
    } else {
        count(reading.weight);
    }
    if (m_holding && nowMs - m_since >= m_settings.settleMs) {
        m_state = Captured;
        return m_state;
    }
    return timeOutIfDue(nowMs);
}

void CaptureRule::count(qint64 weight)
{
    int i = 0;
    while (i < m_seen.size() && m_seen[i].first != weight)
        ++i;
    if (i == m_seen.size())
        m_seen.append({weight, 0});
    ++m_seen[i].second;
    // Strictly more: of weights read equally often the first seen stays.
    int best = 0;
    for (int k = 1; k < m_seen.size(); ++k) {
        if (m_seen[k].second > m_seen[best].second)
            best = k;
    }
    m_candidate = m_seen[best].first;
}

qint64 CaptureRule::dueInMs(qint64 nowMs) const
{
    if (m_state != Waiting || !m_holding)
        return -1;
    return qMax<qint64>(0, m_since + m_settings.settleMs - nowMs);
}

CaptureRule::State CaptureRule::feedNothing(qint64 nowMs)
{
    if (m_state != Waiting)
        return m_state;
    // What happened between two readings is unknown: it may have moved.
    m_holding = false;
    m_hindrance = NoReading;
    return timeOutIfDue(nowMs);
}

CaptureRule::State CaptureRule::timeOutIfDue(qint64 nowMs)
{
    if (nowMs - m_startMs >= m_settings.timeoutMs)
        m_state = TimedOut;
    return m_state;
}
