#pragma once

#include "serviceentry.h"

#include <QVariantList>

#include <optional>

// Which entries a query returns; every field left empty matches everything.
struct HistoryFilter
{
    QString serial;    // the instrument's serial, exactly
    QString paramName; // part of the English or the Chinese name, any case
    QString source;    // part of the source text, any case
    std::optional<ServiceEntry::Kind> kind;
    std::optional<ServiceEntry::Outcome> outcome;
    QDateTime since; // from this time on (inclusive)
    QDateTime until; // before this time (exclusive)
};

// The filter as an SQL condition on the entries table ("1 = 1" for none) and
// the values for its placeholders, in order.
struct SqlCondition
{
    QString sql;
    QVariantList values;
};
SqlCondition FilterCondition(const HistoryFilter &filter);
