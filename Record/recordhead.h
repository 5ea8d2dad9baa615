#pragma once

#include <QString>

// The head a record had when a program last held it, kept outside its
// database file, so that a record emptied, truncated, dropped or replaced is
// found at the next open instead of starting a new chain: beside the file
// (FILE.head) and, for the program's own record, in the settings file.
struct RecordHead
{
    QString origin;
    qint64 seq = 0;
    QString hash;
    bool isNull() const { return origin.isEmpty(); }
};

QString HeadFilePath(const QString &record);
// Null when there is none or it cannot be read.
RecordHead ReadHeadFile(const QString &record);
bool WriteHeadFile(const QString &record, const RecordHead &head);

RecordHead ReadSettingsHead(const QString &settingsFile);
void WriteSettingsHead(const QString &settingsFile, const RecordHead &head);

// Forgets both, for a new record made on purpose.
void ForgetRecordHead(const QString &record, const QString &settingsFile);

// Empty when the record as found (origin, its last entry, and the hash it
// holds at the remembered head's position) still holds the remembered head;
// else what it lost.
QString HeadLoss(const RecordHead &remembered, const QString &where, const QString &origin,
                 qint64 lastSeq, const QString &hashAtRemembered);
