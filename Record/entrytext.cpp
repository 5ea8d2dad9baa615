#include "entrytext.h"

QString EntryLocalTime(const ServiceEntry &entry)
{
    const int offset = entry.utcOffsetSeconds;
    const int minutes = qAbs(offset) / 60;
    const QDateTime local = entry.timeUtc.toOffsetFromUtc(offset);
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString EntryChangeText(const ServiceEntry &entry)
{
    if (entry.oldShown.isEmpty() && entry.newShown.isEmpty())
        return QString();
    const auto side = [](const QString &shown) {
        return shown.isEmpty() ? QStringLiteral("-") : shown;
    };
    QString text = side(entry.oldShown) + QStringLiteral(" → ") + side(entry.newShown);
    if (!entry.unit.isEmpty())
        text += QLatin1Char(' ') + entry.unit;
    return text;
}

QString EntryWho(const ServiceEntry &entry)
{
    return entry.user + QLatin1Char('@') + entry.host;
}

namespace {
const char ErrorNotePrefix[] = "instrument error: ";
}

QString InstrumentErrorNote(const QString &error)
{
    return QLatin1String(ErrorNotePrefix) + error;
}

QString InstrumentErrorOf(const ServiceEntry &entry)
{
    const int at = entry.detail.indexOf(QLatin1String(ErrorNotePrefix));
    if (at < 0)
        return QString();
    const int from = at + int(qstrlen(ErrorNotePrefix));
    const int end = entry.detail.indexOf(QLatin1Char(';'), from);
    return entry.detail.mid(from, end < 0 ? -1 : end - from).trimmed();
}

QString EntryOutcomeText(const ServiceEntry &entry)
{
    const QString outcome = OutcomeText(entry.outcome);
    const QString error =
        entry.outcome == ServiceEntry::InstrumentRefused ? InstrumentErrorOf(entry) : QString();
    return error.isEmpty() ? outcome : outcome + QStringLiteral(": ") + error;
}
