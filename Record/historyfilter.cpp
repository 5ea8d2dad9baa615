#include "historyfilter.h"

#include <QStringList>

namespace {

QString likePattern(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    text.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + text + QLatin1Char('%');
}

} // namespace

SqlCondition FilterCondition(const HistoryFilter &f)
{
    QStringList terms;
    SqlCondition c;
    auto add = [&](const QString &term, const QVariantList &values) {
        terms << term;
        c.values += values;
    };
    if (!f.serial.isEmpty())
        add(QStringLiteral("serial = ?"), {f.serial});
    if (!f.paramName.isEmpty()) {
        const QString pattern = likePattern(f.paramName);
        add(QStringLiteral("(param_name LIKE ? ESCAPE '\\' OR param_name_zh LIKE ? ESCAPE '\\')"),
            {pattern, pattern});
    }
    if (!f.source.isEmpty())
        add(QStringLiteral("source LIKE ? ESCAPE '\\'"), {likePattern(f.source)});
    if (f.kind)
        add(QStringLiteral("kind = ?"), {KindText(*f.kind)});
    if (f.outcome)
        add(QStringLiteral("outcome = ?"), {OutcomeText(*f.outcome)});
    if (f.since.isValid())
        add(QStringLiteral("time_ms >= ?"), {f.since.toMSecsSinceEpoch()});
    if (f.until.isValid())
        add(QStringLiteral("time_ms < ?"), {f.until.toMSecsSinceEpoch()});
    c.sql = terms.isEmpty() ? QStringLiteral("1 = 1") : terms.join(QStringLiteral(" AND "));
    return c;
}
