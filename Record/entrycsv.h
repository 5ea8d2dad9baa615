#pragma once

#include "serviceentry.h"

#include <QStringList>

// One CSV record, fields quoted only where they need it, ended by CR LF.
QString CsvLine(const QStringList &fields);
// The history's CSV columns: every field of an entry, then its hash.
QStringList EntryCsvHeader();
QStringList EntryCsvValues(const ServiceEntry &entry);
