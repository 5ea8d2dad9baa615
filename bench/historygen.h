#pragma once

#include "historyfilter.h"
#include "serviceentry.h"

#include <QVector>

// A generated service history for the benchmarks: entry seq of 1000
// instruments (S0000 to S0999) and 53 parameters, 90 seconds apart from 2020 on.
ServiceEntry GeneratedEntry(qint64 seq, const QString &origin, const QString &prevHash);
// A new record file of n such entries, chained, in one transaction.
bool GenerateHistory(const QString &path, qint64 n);
// This process's resident memory in MB (0 where /proc is not there).
double ResidentMb();

struct NamedFilter
{
    const char *name;
    HistoryFilter filter;
};
// The filters the benchmarks time on a generated history of n entries: none, one
// instrument, part of a parameter name, the last 5000 entries.
QVector<NamedFilter> BenchFilters(qint64 n);
