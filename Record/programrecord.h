#pragma once

#include "sharedsync.h"

class QString;
class ServiceRecord;
class SharedCopier;

// The program's own service record on DefaultHistoryPath(), opened at the first
// call (which needs a QCoreApplication; the record lives until it ends), for
// the thread that made that call. Null when it cannot be opened: the reason is
// said once in the record's log category and later calls return null at once.
ServiceRecord *ProgramRecord();
// Why ProgramRecord() is null: the file and what is wrong with it.
QString ProgramRecordError();
// Closes the program record while the application's database connections
// still work (they are gone once its object is being destroyed): its head is
// written down and the writes it announced and never completed are settled.
void CloseProgramRecord();

// Starts copying the program record to the shared store named by
// SharedHistoryUrl(configured), woken after each append. Null when no shared
// store is configured or the program record is not open; the copier belongs to
// the program record.
SharedCopier *StartProgramSharedCopy(const QString &configured);

// What a command that wrote to an instrument does before it ends: copies the
// program record's waiting entries to the shared store named by
// SharedHistoryUrl(configured), within budgetMs. ok with nothing done when no
// shared store is configured; a failure leaves the entries for the next copy.
SyncResult CopyProgramRecord(const QString &configured, int budgetMs);
