#include "pagefields.h"

#include "decimaltext.h"

namespace {
constexpr quint32 MostDecimals = 4;
const QString DivisionPrefix = QStringLiteral("d = ");
} // namespace

QString FieldText(ParamKind kind, int factorDigits, quint32 value, quint32 decimals)
{
    switch (kind) {
    case ParamKind::Plain:
        return QString::number(value);
    case ParamKind::Factor:
        return FormatScaled(qint32(value), factorDigits);
    case ParamKind::Weight:
        return FormatScaled(qint32(value), int(qMin(decimals, MostDecimals)));
    default:
        return QString::number(qint32(value));
    }
}

QString DivisionValueText(const QString &itemText)
{
    const int at = itemText.indexOf(QLatin1String("= "));
    return at < 0 ? itemText : itemText.mid(at + 2);
}

QString DivisionItemText(quint32 value)
{
    return DivisionPrefix + QString::number(value);
}

const char *DecimalRangeText(const DecimalTexts &texts, quint32 decimals)
{
    return texts[qMin(decimals, MostDecimals)];
}
