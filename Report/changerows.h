#pragma once

#include "serviceentry.h"

#include <QString>
#include <QVector>
#include <functional>

class ReportLanguage;

// The report's changes table as rows to print: one row per change, short
// sources (a file's hash cut to its first 12 hex digits; the record keeps it
// whole), the rows of one file's restore or import as one group row with its
// counts and, beneath it, only the rows whose value changed or that failed,
// and the bytes of one address written together (an IP address) as one row.
struct ChangeRow
{
    QString time;
    QString name;
    QString change;
    QString source;
    QString outcome;
    bool failed = false; // shown in the colour of what did not go well
    bool member = false; // a row of the group above it
};

// outcome: an entry's outcome in the report's language.
QVector<ChangeRow> ReportChangeRows(const QVector<ServiceEntry> &changes,
                                    const ReportLanguage &lang,
                                    const std::function<QString(const ServiceEntry &)> &outcome);

// The source with every SHA-256 in it cut to its first 12 hex digits.
QString ShortSource(const QString &source);
