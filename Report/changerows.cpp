#include "changerows.h"

#include "entryshown.h"
#include "entrytext.h"
#include "paramshown.h"
#include "reporttexts.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr int ShownHashDigits = 12;

// "file scale7.xlsx sha256 <64 hex> row 12": the file run and the row.
const QRegularExpression &fileRowPattern()
{
    static const QRegularExpression p(
        QStringLiteral("^(file .+ sha256 [0-9a-fA-F]{64}) row (\\d+)$"));
    return p;
}

QString fileRunOf(const ServiceEntry &e, QString *row = nullptr)
{
    if (e.kind != ServiceEntry::Change)
        return QString();
    const QRegularExpressionMatch m = fileRowPattern().match(e.source);
    if (!m.hasMatch())
        return QString();
    if (row)
        *row = m.captured(2);
    return m.captured(1);
}

// "IP address byte 3": the group and the byte, for values written a byte a register.
bool byteOf(const ServiceEntry &e, QString *group, int *byte)
{
    static const QRegularExpression p(QStringLiteral("^(.+) byte (\\d)$"));
    const QRegularExpressionMatch m = p.match(e.paramName);
    if (e.kind != ServiceEntry::Change || !m.hasMatch())
        return false;
    *group = m.captured(1);
    *byte = m.captured(2).toInt();
    return true;
}

bool failedOutcome(const ServiceEntry &e)
{
    return e.outcome != ServiceEntry::Written && e.outcome != ServiceEntry::NoOutcome;
}

// The end of the bytes 1, 2, ... of one value from i on, written one after
// another with one outcome; i + 1 when i is no first byte.
int byteSpan(const QVector<ServiceEntry> &changes, int i, int end)
{
    QString group, g;
    int byte = 0, b = 0;
    if (!byteOf(changes[i], &group, &byte) || byte != 1)
        return i + 1;
    int j = i + 1;
    while (j < end && byteOf(changes[j], &g, &b) && g == group && b == j - i + 1 &&
           changes[j].outcome == changes[i].outcome)
        ++j;
    return j;
}

class Builder
{
public:
    Builder(const ReportLanguage &lang, const std::function<QString(const ServiceEntry &)> &outcome)
        : m_lang(lang), m_outcome(outcome)
    {}

    QVector<ChangeRow> rows(const QVector<ServiceEntry> &changes)
    {
        for (int i = 0; i < changes.size();) {
            const QString run = fileRunOf(changes[i]);
            int end = i + 1;
            if (!run.isEmpty()) {
                while (end < changes.size() && fileRunOf(changes[end]) == run)
                    ++end;
                fileGroup(changes, i, end, run);
            } else {
                end = single(changes, i, end, false);
            }
            i = end;
        }
        return m_rows;
    }

private:
    QString name(const ServiceEntry &e) const
    {
        if (e.kind == ServiceEntry::Backup)
            return m_lang.translate("ServiceReport", "backup");
        return EntryParamName(e, m_lang.chinese());
    }

    QString outcome(const ServiceEntry &e) const { return m_outcome(e); }

    // The entry at i, or the bytes of one value from i on as one row. Returns
    // the index after what it showed.
    int single(const QVector<ServiceEntry> &changes, int i, int end, bool member,
               const QString &source = QString())
    {
        const ServiceEntry &e = changes[i];
        ChangeRow row;
        row.time = EntryLocalTime(e);
        row.name = name(e);
        row.change = e.kind == ServiceEntry::Backup ? e.detail
                     : e.kind == ServiceEntry::Test ? e.newShown
                                                    : EntryShownChange(e, m_lang.chinese());
        row.source =
            source.isEmpty() ? ShortSource(ReadableSource(e.source, m_lang.chinese())) : source;
        row.outcome = outcome(e);
        row.failed = failedOutcome(e);
        row.member = member;
        if (member)
            row.time.clear(); // the group's line gives it
        int next = i + 1;
        QString group;
        int byte = 0;
        const int j = byteSpan(changes, i, end);
        if (j - i > 1 && byteOf(e, &group, &byte)) {
            // One value written a byte a register (an IP address): one row, dotted.
            QStringList before, after;
            for (int k = i; k < j; ++k) {
                before << changes[k].oldShown;
                after << changes[k].newShown;
            }
            const auto joined = [](const QStringList &parts) {
                return parts.contains(QString()) ? QStringLiteral("-")
                                                 : parts.join(QLatin1Char('.'));
            };
            row.name =
                m_lang.chinese() && !e.paramNameZh.isEmpty()
                    ? QString(e.paramNameZh).remove(QRegularExpression(QStringLiteral("\\d+$")))
                    : group;
            row.change = joined(before) + QStringLiteral(" → ") + joined(after);
            next = j;
        }
        m_rows.append(row);
        return next;
    }

    void fileGroup(const QVector<ServiceEntry> &changes, int from, int end, const QString &run)
    {
        int changed = 0, same = 0, unknown = 0, failed = 0;
        for (int i = from; i < end; ++i) {
            const ServiceEntry &e = changes[i];
            if (failedOutcome(e))
                ++failed;
            else if (e.oldShown.isEmpty())
                ++unknown;
            else if (e.oldShown == e.newShown)
                ++same;
            else
                ++changed;
        }
        ChangeRow head;
        head.time = EntryLocalTime(changes[from]);
        head.name = m_lang.translate("ServiceReport", "parameter file");
        head.change = m_lang.translate("ServiceReport", "%1 rows: %2 changed, %3 unchanged")
                          .arg(end - from)
                          .arg(changed)
                          .arg(same);
        // Every row written without reading it first (restore --all, an import).
        if (unknown)
            head.change += m_lang.translate("ServiceReport", ", %1 written over a value not read")
                               .arg(unknown);
        head.source = ShortSource(run);
        head.outcome = failed ? m_lang.translate("ServiceReport", "%1 failed").arg(failed)
                              : outcome(changes[from]);
        head.failed = failed > 0;
        m_rows.append(head);
        // Beneath it the rows that changed a value or failed, named by their row.
        const auto quiet = [](const ServiceEntry &e) {
            return !failedOutcome(e) && (e.oldShown.isEmpty() || e.oldShown == e.newShown);
        };
        for (int i = from; i < end;) {
            const ServiceEntry &e = changes[i];
            // A value of several bytes is listed whole when any of them changed.
            const int span = byteSpan(changes, i, end);
            if (std::all_of(changes.begin() + i, changes.begin() + span, quiet)) {
                i = span;
                continue;
            }
            QString row;
            fileRunOf(e, &row);
            i = single(changes, i, end, true, m_lang.translate("ServiceReport", "row %1").arg(row));
        }
    }

    const ReportLanguage &m_lang;
    const std::function<QString(const ServiceEntry &)> &m_outcome;
    QVector<ChangeRow> m_rows;
};

} // namespace

QVector<ChangeRow> ReportChangeRows(const QVector<ServiceEntry> &changes,
                                    const ReportLanguage &lang,
                                    const std::function<QString(const ServiceEntry &)> &outcome)
{
    return Builder(lang, outcome).rows(changes);
}

QString ShortSource(const QString &source)
{
    static const QRegularExpression hash(QStringLiteral("\\b([0-9a-fA-F]{64})\\b"));
    QString text = source;
    QRegularExpressionMatch m = hash.match(text);
    while (m.hasMatch()) {
        text.replace(m.capturedStart(1), m.capturedLength(1),
                     m.captured(1).left(ShownHashDigits) + QStringLiteral("…"));
        m = hash.match(text, m.capturedStart(1) + ShownHashDigits + 1);
    }
    return text;
}
