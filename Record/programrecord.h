#pragma once

class QString;
class ServiceRecord;
class SharedCopier;

// The program's own service record on DefaultHistoryPath(), opened at the first
// call (which needs a QCoreApplication; the record lives until it ends), for
// the thread that made that call. Null when it cannot be opened: the reason is
// said once in the record's log category and later calls return null at once.
ServiceRecord *ProgramRecord();

// Starts copying the program record to the shared store named by
// SharedHistoryUrl(configured), woken after each append. Null when no shared
// store is configured or the program record is not open; the copier belongs to
// the program record.
SharedCopier *StartProgramSharedCopy(const QString &configured);
