#include "entryshown.h"

#include "entrytext.h"
#include "paramshown.h"

namespace {

// The catalogue's row of a change entry, when the entry names one the
// catalogue still has with the same register count.
const ParamRow *rowOf(const ServiceEntry &entry)
{
    if (entry.kind != ServiceEntry::Change)
        return nullptr;
    const ParamRow *row = FindParamByAddress(entry.address);
    return row && row->count == entry.count ? row : nullptr;
}

// The register words as the record keeps them ("0 3", first register first)
// read back as one value.
bool rawValue(const QString &text, quint32 *value)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || words.size() > 2)
        return false;
    quint32 v = 0;
    for (const QString &word : words) {
        bool ok = false;
        const uint w = word.toUInt(&ok);
        if (!ok || w > 0xFFFF)
            return false;
        v = (v << 16) | w;
    }
    *value = v;
    return true;
}

QString noteText(const ParamRow &row, bool chinese)
{
    const char *note = chinese && row.noteCn ? row.noteCn : row.noteEn;
    return QString::fromUtf8(note ? note : "");
}

// Whether the parameter's unit is the instrument's unit setting, which only
// the entry itself can tell for a change made in the past.
bool unitFollowsSetting(const ParamRow &row)
{
    return ParamUnitText(row, 0, false) != ParamUnitText(row, 1, false);
}

} // namespace

void SetShownValues(ServiceEntry *entry, quint32 oldValue, bool oldKnown, quint32 newValue,
                    quint32 decimals, quint32 unit, qint64 analogType)
{
    const ParamRow *row = FindParamByAddress(entry->address);
    if (!row) {
        entry->newShown = QString::number(newValue);
        entry->oldShown = oldKnown ? QString::number(oldValue) : QString();
        return;
    }
    if (row->kind == ParamKind::Command) {
        // A button: what it does is the change, not the value it sends.
        entry->oldShown.clear();
        entry->newShown = noteText(*row, false);
        entry->unit.clear();
        return;
    }
    entry->newShown = ParamShownText(*row, newValue, decimals, false);
    entry->oldShown = oldKnown ? ParamShownText(*row, oldValue, decimals, false) : QString();
    entry->unit = ParamUnitText(*row, unit, false, analogType);
}

QString EntryShownChange(const ServiceEntry &entry, bool chinese)
{
    const ParamRow *row = rowOf(entry);
    if (!row)
        return EntryChangeText(entry);
    if (row->kind == ParamKind::Command)
        return noteText(*row, chinese);
    // A weight is shown with the decimal setting it was written under, which
    // only the entry knows; every other value follows from its register.
    const auto side = [&](const QString &shown, const QString &raw) {
        quint32 value = 0;
        if (row->kind == ParamKind::Weight || !rawValue(raw, &value))
            return shown;
        return ParamShownText(*row, value, 0, chinese);
    };
    ServiceEntry shown = entry;
    shown.oldShown = side(entry.oldShown, entry.oldRaw);
    shown.newShown = side(entry.newShown, entry.newRaw);
    // A unit the instrument's settings decide is the entry's; any other is
    // the catalogue's (an earlier record kept short notes such as "0/1").
    if (!unitFollowsSetting(*row) && !UnitFollowsAnalogType(*row))
        shown.unit = ParamUnitText(*row, 0, chinese);
    return EntryChangeText(shown);
}

QString EntryRawChange(const ServiceEntry &entry)
{
    if (entry.oldRaw.isEmpty() && entry.newRaw.isEmpty())
        return QString();
    const auto side = [](const QString &raw) {
        quint32 value = 0;
        return raw.isEmpty()           ? QStringLiteral("-")
               : rawValue(raw, &value) ? QString::number(value)
                                       : raw;
    };
    return side(entry.oldRaw) + QStringLiteral(" → ") + side(entry.newRaw);
}

QString EntryParamName(const ServiceEntry &entry, bool chinese)
{
    if (chinese && !entry.paramNameZh.isEmpty())
        return entry.paramNameZh;
    return entry.paramName.isEmpty() ? KindText(entry.kind) : entry.paramName;
}
