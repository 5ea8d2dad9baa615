#include "paramtext.h"

#include "decimaltext.h"
#include "pagefields.h"
#include "paramshown.h"
#include "valuebinding.h"

namespace {

// Integer parts of this length or more do not fit a signed 32-bit register value.
constexpr int RefusedIntegerLength = 10;

} // namespace

int CliParam::readAddress() const
{
    if (inCatalogue && row.access == ParamAccess::WriteOnly && row.readBack)
        return row.readBack;
    return row.address;
}

bool CliParam::writable() const
{
    return inCatalogue &&
           (row.access == ParamAccess::ReadWrite || row.access == ParamAccess::WriteOnly) &&
           row.kind != ParamKind::Command && row.kind != ParamKind::Display;
}

bool FindCliParam(const QString &key, CliParam *param)
{
    const QVector<ParamRow> &rows = ParameterCatalogue();
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (const ParamRow &row : rows) {
            if (key.compare(QLatin1String(row.widget), cs) == 0) {
                param->row = row;
                param->inCatalogue = true;
                param->name = QString::fromLatin1(row.widget);
                return true;
            }
        }
    }
    bool numeric = false;
    const uint address = key.toUInt(&numeric);
    if (!numeric || address > 0xFFFE)
        return false;
    if (const ParamRow *row = FindParamByAddress(int(address))) {
        param->row = *row;
        param->inCatalogue = true;
        param->name = QString::fromLatin1(row->widget);
        return true;
    }
    param->row =
        ParamRow{0, 0, "", quint16(address), 2, MirrorRecord::None, -1, ParamKind::Plain, 0};
    param->row.access = ParamAccess::ReadOnly;
    param->inCatalogue = false;
    param->name = key;
    return true;
}

QString ShownValue(const CliParam &p, quint32 raw, quint32 decimals)
{
    return ParamShownText(p.row, raw, decimals, false);
}

QString ShownUnit(const CliParam &p, quint32 unit, qint64 analogType)
{
    return ParamUnitText(p.row, unit, false, analogType);
}

qint64 AnalogTypeFor(const QVector<CliParam> &params)
{
    const ParamRow *typeRow = FindParamByAddress(AnalogOutputTypeRegister);
    for (const CliParam &p : params) {
        if (!p.inCatalogue || !typeRow || !UnitFollowsAnalogType(p.row))
            continue;
        bool ok = false;
        ModbusResult result = ModbusOk;
        const quint32 type = ReadParam(AnalogOutputTypeRegister, typeRow->count, &ok, &result);
        return ok ? qint64(type) : -1;
    }
    return -1;
}

bool RawFromText(const CliParam &p, const QString &typed, quint32 decimals, quint32 *raw,
                 QString *why)
{
    QString text = typed.trimmed();
    if (p.row.kind == ParamKind::Division)
        text = DivisionValueText(text);
    // A list takes the item as read shows it ("240", "Pre.Point 2"), or its index.
    const QStringList choices = ParamChoices(p.row, false);
    for (int i = 0; i < choices.size(); ++i) {
        if (text.compare(choices[i], Qt::CaseInsensitive) == 0) {
            *raw = quint32(i);
            return true;
        }
    }
    DecimalText number;
    if (!DecimalText::parse(text, &number)) {
        *why = QStringLiteral("%1 is not a number").arg(typed);
        return false;
    }
    QString rawText;
    switch (p.row.kind) {
    case ParamKind::Weight:
        rawText = ScaleToRawText(text, int(qMin(decimals, 4u)));
        break;
    case ParamKind::Factor:
        rawText = ScaleByFactorText(text, p.row.factorDigits);
        break;
    default: {
        DecimalText whole = number;
        whole.roundToDecimals(0);
        if (whole.toPlainString() != number.toPlainString()) {
            *why = QStringLiteral("%1 is not a whole number").arg(typed);
            return false;
        }
        rawText = whole.toPlainString();
        break;
    }
    }
    bool ok = false;
    const qint64 value = rawText.toLongLong(&ok);
    const QString shownMin =
        FieldText(p.row.kind, p.row.factorDigits, quint32(p.row.rawMin), decimals);
    const QString shownMax =
        FieldText(p.row.kind, p.row.factorDigits, quint32(p.row.rawMax), decimals);
    if (!ok || rawText.section(QLatin1Char('.'), 0, 0).size() >= RefusedIntegerLength ||
        value < p.row.rawMin || value > p.row.rawMax) {
        *why = QStringLiteral("%1 lies outside %2 .. %3").arg(typed, shownMin, shownMax);
        if (!choices.isEmpty())
            *why += QStringLiteral(" (%1)").arg(choices.join(QStringLiteral(", ")));
        return false;
    }
    *raw = quint32(value);
    return true;
}
