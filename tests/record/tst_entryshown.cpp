// A change as its page showed it, for every parameter of the catalogue: the
// entries the recorder writes now, and those an earlier version wrote (list
// positions, no units), shown alike without being rewritten.
#include "entryshown.h"
#include "pagefields.h"
#include "paramshown.h"

#include <QtTest>

namespace {

constexpr quint32 Decimals = 2;
constexpr quint32 KgUnit = 1;
constexpr qint64 CurrentOutput = 0; // 4-20 mA

QString rawWords(quint32 value, int count)
{
    return count == 2 ? QStringLiteral("%1 %2").arg(value >> 16).arg(value & 0xFFFF)
                      : QString::number(value & 0xFFFF);
}

// Two values the parameter takes: its limits, or a list's first and last item.
QPair<quint32, quint32> valuesOf(const ParamRow &row)
{
    const int items = ParamChoices(row, false).size();
    if (items > 1)
        return {0, quint32(items - 1)};
    return {quint32(row.rawMin), quint32(row.rawMax > row.rawMin ? row.rawMax : row.rawMin + 1)};
}

ServiceEntry changeOf(const ParamRow &row, quint32 oldValue, quint32 newValue)
{
    ServiceEntry e;
    e.kind = ServiceEntry::Change;
    e.address = row.address;
    e.count = row.count;
    e.oldRaw = rawWords(oldValue, row.count);
    e.newRaw = rawWords(newValue, row.count);
    return e;
}

// The entry as the recorder wrote it before it kept the page's words: the
// field's number (a list's index) and a short note as the unit.
ServiceEntry earlierEntry(const ParamRow &row, quint32 oldValue, quint32 newValue)
{
    ServiceEntry e = changeOf(row, oldValue, newValue);
    e.oldShown = FieldText(row.kind, row.factorDigits, oldValue, Decimals);
    e.newShown = FieldText(row.kind, row.factorDigits, newValue, Decimals);
    const QString note = QString::fromUtf8(row.noteEn ? row.noteEn : "");
    e.unit = row.kind == ParamKind::Weight ? QStringLiteral("kg")
             : note.size() <= 6            ? note
                                           : QString();
    return e;
}

} // namespace

class TstEntryShown : public QObject
{
    Q_OBJECT

private slots:
    void everyParameterIsShownAsItsPage_data();
    void everyParameterIsShownAsItsPage();
};

void TstEntryShown::everyParameterIsShownAsItsPage_data()
{
    QTest::addColumn<int>("index");
    const QVector<ParamRow> &rows = ParameterCatalogue();
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].access != ParamAccess::ReadOnly)
            QTest::addRow("%s %d", rows[i].widget, rows[i].address) << i;
    }
}

void TstEntryShown::everyParameterIsShownAsItsPage()
{
    QFETCH(int, index);
    const ParamRow &row = ParameterCatalogue().at(index);
    const auto values = valuesOf(row);
    ServiceEntry now = changeOf(row, values.first, values.second);
    SetShownValues(&now, values.first, true, values.second, Decimals, KgUnit, CurrentOutput);
    const QString shown = EntryShownChange(now, false);
    QCOMPARE(EntryRawChange(now), QStringLiteral("%1 → %2").arg(values.first).arg(values.second));
    if (row.kind == ParamKind::Command) {
        // A button is shown as what it does, not as the value it sends.
        QCOMPARE(shown, QString::fromUtf8(row.noteEn));
        QCOMPARE(EntryShownChange(earlierEntry(row, 0, 1), false), shown);
        return;
    }
    // The page's texts: the list's item, "d = 20", decimals, and the unit.
    const QString unit = ParamUnitText(row, KgUnit, false, CurrentOutput);
    const QString page = ParamShownText(row, values.first, Decimals, false) +
                         QStringLiteral(" → ") +
                         ParamShownText(row, values.second, Decimals, false) +
                         (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
    QCOMPARE(shown, page);
    if (!ParamChoiceText(row, values.second, false).isEmpty())
        QVERIFY2(shown.contains(ParamChoiceText(row, values.second, false)), qPrintable(shown));

    // An entry of an earlier version reads the same, but for a unit that only
    // the instrument's settings at the time could tell and that it did not keep.
    const ServiceEntry earlier = earlierEntry(row, values.first, values.second);
    const ServiceEntry kept = earlier;
    const QString earlierShown = EntryShownChange(earlier, false);
    const bool settingsDecide = UnitFollowsAnalogType(row) ||
                                ParamUnitText(row, 0, false) != ParamUnitText(row, 1, false);
    if (earlier.unit.isEmpty() && settingsDecide)
        QCOMPARE(earlierShown + QLatin1Char(' ') + unit, page);
    else
        QCOMPARE(earlierShown, page);
    QCOMPARE(earlier.oldShown, kept.oldShown); // never rewritten: the hash covers it
    QCOMPARE(earlier.unit, kept.unit);

    // In Chinese, a list's item as the Chinese page lists it.
    const QString zh = ParamChoiceText(row, values.second, true);
    if (!zh.isEmpty())
        QVERIFY2(EntryShownChange(now, true).contains(zh), qPrintable(EntryShownChange(now, true)));
}

QTEST_GUILESS_MAIN(TstEntryShown)
#include "tst_entryshown.moc"
