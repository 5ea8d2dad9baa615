#pragma once

#include <QString>
#include <QtGlobal>

// The range a typed parameter field states in its tooltip, in raw register
// values: the shown limits times ten to the power of the field's fixed factor.
// A weight field's limits follow the decimal setting only in how they are shown
// ("1 - 999999" with no decimals is "0.1 - 99999.9" with one): its raw range is
// the one stated for no decimals.
struct RawRange
{
    qint64 min;
    qint64 max;
};

// The range of the field with this object name, or null where it states none.
const RawRange *FindRawRange(const QString &widget);

// Every field with a range, for the checks that compare them with the tooltips.
struct NamedRange
{
    const char *widget;
    RawRange range;
};
const NamedRange *RawRanges(int *count);
