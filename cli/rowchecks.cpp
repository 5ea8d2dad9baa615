#include "rowchecks.h"

#include "workbook.h"

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
    c.cells = QStringList{QString::number(r), book.cellText(r, 1), book.cellText(r, 2), fileText,
                          instrumentText};
    c.json = QJsonObject{{"row", r},
                         {"address", book.cellText(r, 1).toInt()},
                         {"name", book.cellText(r, 2)},
                         {"file", fileText},
                         {"instrument", instrumentText}};
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
        c.cells =
            QStringList{QString::number(r), QString::number(plan.address), book.cellText(r, 2),
                        QString::number(now), QString::number(plan.value)};
        c.json = QJsonObject{{"row", r},
                             {"address", plan.address},
                             {"name", book.cellText(r, 2)},
                             {"instrument", qint64(now)},
                             {"file", qint64(plan.value)}};
    }
    return c;
}

ExelToWrite::InstrumentValues ImageValues(const RegisterImage &image, quint32 wordOrder)
{
    return [&image, wordOrder](int address, int count, quint32 *value) {
        return image.value(address, count, wordOrder, value);
    };
}
