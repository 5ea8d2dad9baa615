#include "paramshown.h"

#include "pagefields.h"
#include "valuebinding.h"

#include <QRegularExpression>

namespace {

// A note that is a plain unit ("%", "ms", "d") rather than a description.
bool isUnitNote(const QString &note)
{
    static const QRegularExpression unit(QStringLiteral("^[%A-Za-z/]{1,4}$"));
    return unit.match(note).hasMatch();
}

QString noteOf(const ParamRow &row, bool chinese)
{
    const char *note = chinese ? row.noteCn : row.noteEn;
    return QString::fromUtf8(note ? note : "");
}

} // namespace

QString ParamName(const ParamRow &row, bool chinese)
{
    const char *name = chinese && row.nameCn ? row.nameCn : row.nameEn;
    return name ? QString::fromUtf8(name) : QString::fromLatin1(row.widget);
}

QString ParamChoiceText(const ParamRow &row, quint32 raw, bool chinese)
{
    // Choices are "N text" items parted by commas (the Chinese notes use the
    // full-width comma); a trailing unit belongs to the last item's number.
    static const QRegularExpression items(QStringLiteral("\\s*[,，]\\s*"));
    static const QRegularExpression item(QStringLiteral("^(\\d+) (.+)$"));
    for (const QString &part : noteOf(row, chinese).split(items)) {
        const QRegularExpressionMatch m = item.match(part);
        if (m.hasMatch() && m.captured(1).toUInt() == raw)
            return m.captured(2);
    }
    return QString();
}

QString ParamShownText(const ParamRow &row, quint32 raw, quint32 decimals, bool chinese)
{
    if (row.kind == ParamKind::Division)
        return DivisionItemText(raw);
    if (row.kind == ParamKind::Index) {
        const QString choice = ParamChoiceText(row, raw, chinese);
        if (!choice.isEmpty())
            return choice;
    }
    return FieldText(row.kind, row.factorDigits, raw, decimals);
}

QString ParamUnitText(const ParamRow &row, quint32 unit, bool chinese)
{
    if (row.kind == ParamKind::Weight)
        return UnitName(unit);
    const QString note = noteOf(row, chinese);
    if (row.kind == ParamKind::Factor) {
        // "0.0001 mV/V": the factor is in the shown value already, the unit remains.
        const int space = note.indexOf(QLatin1Char(' '));
        const QString rest = space < 0 ? QString() : note.mid(space + 1);
        return isUnitNote(rest) ? rest : QString();
    }
    return isUnitNote(note) ? note : QString();
}

QString ParamRangeText(const ParamRow &row, quint32 decimals)
{
    return QStringLiteral("%1 .. %2")
        .arg(FieldText(row.kind, row.factorDigits, quint32(row.rawMin), decimals),
             FieldText(row.kind, row.factorDigits, quint32(row.rawMax), decimals));
}
