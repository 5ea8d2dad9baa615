#include "rowchecks.h"

#include "paramshown.h"
#include "workbook.h"

namespace {

constexpr int UnitRegister = 100;
constexpr int DecimalRegister = 102;

// The value as the page shows it, with the instrument's own unit and decimal
// setting; a register the catalogue does not know, or a weight whose decimal
// setting is not at hand, stays a number.
QString shownValue(int address, quint32 raw, const ExelToWrite::InstrumentValues &values,
                   QString *unit)
{
    const ParamRow *row = FindParamByAddress(address);
    quint32 decimals = 0, unitIndex = 0;
    const bool decimalsKnown = values(DecimalRegister, 2, &decimals);
    const bool unitKnown = values(UnitRegister, 2, &unitIndex);
    if (!row || (row->kind == ParamKind::Weight && !decimalsKnown)) {
        unit->clear();
        return QString::number(raw);
    }
    quint32 analogType = 0;
    const bool typeKnown = values(AnalogOutputTypeRegister, 2, &analogType);
    *unit = row->kind == ParamKind::Weight && !unitKnown
                ? QString()
                : ParamUnitText(*row, unitIndex, false, typeKnown ? qint64(analogType) : -1);
    return ParamShownText(*row, raw, decimals, false);
}

QString withUnit(const QString &value, const QString &unit)
{
    return unit.isEmpty() ? value : value + QLatin1Char(' ') + unit;
}

// The table rows of a differing row, shown and raw, from its JSON.
void fillCells(RowCheck *c, const QString &firstColumn, const QString &secondColumn)
{
    const QJsonObject &j = c->json;
    const QString unit = j.value(QStringLiteral("unit")).toString();
    const QStringList lead{QString::number(j.value(QStringLiteral("row")).toInt()),
                           QString::number(j.value(QStringLiteral("address")).toInt()),
                           j.value(QStringLiteral("name")).toString()};
    const auto part = [&](const QString &side, const char *key) {
        return j.value(side).toObject().value(QLatin1String(key));
    };
    c->cells = lead + QStringList{withUnit(part(firstColumn, "value").toString(), unit),
                                  withUnit(part(secondColumn, "value").toString(), unit)};
    const auto raw = [&](const QString &side) {
        const QJsonValue v = part(side, "raw");
        return v.isDouble() ? QString::number(v.toDouble(), 'g', 15)
                            : part(side, "value").toString();
    };
    c->rawCells = lead + QStringList{raw(firstColumn), raw(secondColumn)};
}

} // namespace

QJsonObject DifferingRowJson(int row, int address, const QString &name, quint32 fileRaw,
                             quint32 instrumentRaw, const ExelToWrite::InstrumentValues &values)
{
    QString unit;
    const QString fileShown = shownValue(address, fileRaw, values, &unit);
    const QString instrumentShown = shownValue(address, instrumentRaw, values, &unit);
    const ParamRow *param = FindParamByAddress(address);
    // As read and write name a parameter: the catalogue's field name, its
    // page label as the description; the file's own name only for a row the
    // catalogue does not know.
    return QJsonObject{
        {"row", row},
        {"address", address},
        {"name", param ? QString::fromLatin1(param->widget) : name},
        {"description", param ? ParamName(*param, false) : QString()},
        {"unit", unit},
        {"file", QJsonObject{{"value", fileShown}, {"raw", qint64(fileRaw)}}},
        {"instrument", QJsonObject{{"value", instrumentShown}, {"raw", qint64(instrumentRaw)}}}};
}

QVector<RegisterSpan> CompareSpans(const Workbook &book)
{
    QVector<RegisterSpan> spans;
    for (int r = 2; r <= book.rowCount(); ++r) {
        const ExportRowPlan plan = PlanExportRow(book, r);
        if (plan.action == ExportRowPlan::Read)
            spans.append({plan.readAddress, plan.readCount()});
    }
    return spans;
}

QVector<RegisterSpan> DryRunSpans(const Workbook &book)
{
    QVector<RegisterSpan> spans;
    for (int r = 2; r <= book.rowCount(); ++r) {
        const ImportRowPlan plan = PlanImportRow(book, r);
        if (plan.stated)
            spans.append({plan.readAddress, plan.count});
    }
    return spans;
}

QStringList CompareHeader()
{
    return {QStringLiteral("ROW"), QStringLiteral("ADDRESS"), QStringLiteral("NAME"),
            QStringLiteral("FILE"), QStringLiteral("INSTRUMENT")};
}

QStringList DryRunHeader()
{
    return {QStringLiteral("ROW"), QStringLiteral("ADDRESS"), QStringLiteral("NAME"),
            QStringLiteral("INSTRUMENT"), QStringLiteral("FILE")};
}

RowCheck CompareRow(const Workbook &book, int r, const ExelToWrite::InstrumentValues &values)
{
    RowCheck c;
    const ExportRowPlan plan = PlanExportRow(book, r);
    const QString fileText = book.cellText(r, ParamValueColumn()).trimmed();
    if (plan.action != ExportRowPlan::Read || fileText.isEmpty())
        return c;
    quint32 value = 0;
    if (!values(plan.readAddress, plan.readCount(), &value)) {
        c.outcome = RowCheck::Unreadable;
        c.address = plan.readAddress;
        return c;
    }
    const QString instrumentText = plan.valueText(value);
    // A float row equals when it shows the same six significant digits.
    const bool equal = plan.count == 3
                           ? QString::number(fileText.toDouble(), 'g', 6) == instrumentText
                           : fileText == instrumentText;
    if (equal) {
        c.outcome = RowCheck::Same;
        return c;
    }
    c.outcome = RowCheck::Differs;
    const int address = book.cellText(r, 1).toInt();
    if (plan.count == 3) {
        // Float bits: the file and the instrument as the export writes them.
        const ParamRow *param = FindParamByAddress(address);
        c.json =
            QJsonObject{{"row", r},
                        {"address", address},
                        {"name", param ? QString::fromLatin1(param->widget) : book.cellText(r, 2)},
                        {"description", param ? ParamName(*param, false) : QString()},
                        {"unit", QString()},
                        {"file", QJsonObject{{"value", fileText}, {"raw", fileText.toDouble()}}},
                        {"instrument", QJsonObject{{"value", instrumentText},
                                                   {"raw", instrumentText.toDouble()}}}};
    } else {
        bool number = false;
        const qint64 fileRaw = fileText.toLongLong(&number);
        c.json = DifferingRowJson(r, address, book.cellText(r, 2), quint32(fileRaw), value, values);
        if (!number) // the file holds no register value: its text as it stands
            c.json.insert(QStringLiteral("file"),
                          QJsonObject{{"value", fileText}, {"raw", QJsonValue::Null}});
    }
    fillCells(&c, QStringLiteral("file"), QStringLiteral("instrument"));
    return c;
}

RowCheck DryRunRow(const Workbook &book, int r, const ExelToWrite::InstrumentValues &values)
{
    RowCheck c;
    const ImportRowPlan plan = PlanImportRow(book, r);
    if (plan.action == ImportRowPlan::Skip || plan.action == ImportRowPlan::SkipEmpty)
        return c;
    quint32 now = 0;
    const bool known = plan.stated && values(plan.readAddress, plan.count, &now);
    if (known && now == plan.value) {
        c.outcome = RowCheck::Same;
    } else if (plan.action == ImportRowPlan::Refuse) {
        c.outcome = RowCheck::Refused;
        c.reason = plan.reason;
    } else if (!known) {
        c.outcome = RowCheck::Unreadable;
        c.address = plan.readAddress;
    } else {
        c.outcome = RowCheck::Differs;
        c.json = DifferingRowJson(r, plan.address, book.cellText(r, 2), plan.value, now, values);
        fillCells(&c, QStringLiteral("instrument"), QStringLiteral("file"));
    }
    return c;
}

ExelToWrite::InstrumentValues ImageValues(const RegisterImage &image, quint32 wordOrder)
{
    return [&image, wordOrder](int address, int count, quint32 *value) {
        return image.value(address, count, wordOrder, value);
    };
}
