#pragma once

#include "chainwalker.h"
#include "serviceentry.h"

#include <functional>

class QSqlQuery;

// The entry's columns, the same in the local and the shared table (origin is a
// column of the shared table only; locally it is the database's own id).
QString EntryColumns();
// The column definitions after seq and id, for CREATE TABLE, in EntryColumns() order.
QString EntryFieldDefinitions();
// "?, ?, ..." for EntryColumns().
QString EntryPlaceholders();
// The entry's values in EntryColumns() order.
QVariantList EntryValues(const ServiceEntry &entry);
// Binds the entry's values in EntryColumns() order.
void BindEntry(QSqlQuery &query, const ServiceEntry &entry);
// Reads a row whose first columns are EntryColumns().
ServiceEntry EntryFromRow(const QSqlQuery &query);
// Runs a prepared query (or takes one that ran) whose rows are one chain's entries in seq order
// (first columns EntryColumns()) and walks them. progress, when given, is told how many entries
// were checked now and then and stops the walk when it returns false (the result then has error
// "cancelled"). anchorSeq > 0 keeps that entry's hash in the result.
using VerifyProgress = std::function<bool(qint64 checked)>;
VerifyResult WalkChainRows(QSqlQuery &query, const QString &origin, qint64 anchorSeq = 0,
                           const VerifyProgress &progress = {});
