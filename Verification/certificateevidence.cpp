#include "certificateevidence.h"

#include "calibrationverdict.h"

namespace {
const char AsFound[] = "as found";
const char AsLeft[] = "as left";
} // namespace

bool Certificates::isAdjustment(const ServiceEntry &entry)
{
    return entry.kind == ServiceEntry::Change && IsCalibrationRegister(entry.address);
}

bool Certificates::mayHaveChanged(const ServiceEntry &entry)
{
    return isAdjustment(entry) && entry.outcome != ServiceEntry::InstrumentRefused &&
           entry.outcome != ServiceEntry::Refused;
}

QString Certificates::adjustmentName(const ServiceEntry &entry)
{
    constexpr int ZeroCapture = 108, FirstPoint = 112, LastPoint = 120;
    if (entry.address == ZeroCapture)
        return tr("zero");
    if (entry.address >= FirstPoint && entry.address <= LastPoint)
        return QStringLiteral("CP%1").arg((entry.address - FirstPoint) / 2 + 1);
    return entry.paramName;
}

QString Certificates::phaseOf(const ServiceEntry &entry)
{
    if (entry.kind != ServiceEntry::Test)
        return QString();
    // The phase is kept in English whatever the language of the entry's name.
    if (entry.paramName.endsWith(QLatin1String(AsFound)))
        return QLatin1String(AsFound);
    if (entry.paramName.endsWith(QLatin1String(AsLeft)))
        return QLatin1String(AsLeft);
    return QString();
}

CertificateEvidence Certificates::select(const QVector<ServiceEntry> &entries)
{
    CertificateEvidence c;
    int firstChange = -1, lastChange = -1;
    for (int i = 0; i < entries.size(); ++i) {
        if (!isAdjustment(entries[i]))
            continue;
        c.adjustments.append(i);
        if (mayHaveChanged(entries[i])) {
            if (firstChange < 0)
                firstChange = i;
            lastChange = i;
        }
    }
    int lastAsLeft = -1;
    for (int i = 0; i < entries.size(); ++i) {
        const QString phase = phaseOf(entries[i]);
        if (phase == QLatin1String(AsFound) && (firstChange < 0 || i < firstChange))
            c.asFound = i;
        // the last as-left test after the first change; a change after it is flagged
        if (phase == QLatin1String(AsLeft)) {
            lastAsLeft = i;
            if (i > firstChange)
                c.asLeft = i;
        }
    }
    // An as-left test taken before a later change no longer tells how the scale was left.
    for (int i : qAsConst(c.adjustments)) {
        if (lastAsLeft >= 0 && i > lastAsLeft && mayHaveChanged(entries[i])) {
            c.changedAfter.append(i);
            const ServiceEntry &e = entries[i];
            const int offset = e.utcOffsetSeconds;
            c.flags.append(tr("changed after the as-left test: %1 at %2")
                               .arg(adjustmentName(e), e.timeUtc.toOffsetFromUtc(offset).toString(
                                                           QStringLiteral("HH:mm"))));
        }
    }
    if (lastChange >= 0 && c.asLeft < 0)
        c.flags.append(tr("no as-left test after the last adjustment"));
    if (lastChange >= 0 && c.asFound < 0)
        c.flags.append(tr("no as-found test before the first adjustment"));
    return c;
}
