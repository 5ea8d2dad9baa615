#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One line of an instrument's service history: a change the program or zeltctl
// made, a connection opened or closed, a backup taken, or a scale test.
struct ServiceEntry
{
    enum Kind : int { Change, Connect, Disconnect, Backup, Test };
    enum Outcome : int {
        NoOutcome,
        Written,
        Refused,
        TimedOut,
        LinkLost,
        ReadBackDiffers,
        // The write was announced and may have been sent, but the program ended
        // before its outcome was kept.
        OutcomeUnknown,
        // A calibration the link delivered and the instrument refused: its
        // error word held a calibration error bit (named in the detail).
        InstrumentRefused,
        // A calibration the link delivered whose error word could not be read
        // after it: taken or not, nobody knows.
        VerdictUnknown
    };

    // Set by ServiceRecord::append.
    QString id;     // UUID without braces, unique across every database
    qint64 seq = 0; // position in its database's chain, from 1
    QString origin; // the id of the database the entry was first written to

    QDateTime timeUtc;        // UTC, millisecond precision; now when left invalid
    int utcOffsetSeconds = 0; // local offset when made; taken from the clock with timeUtc

    Kind kind = Change;

    // The instrument.
    QString serial;
    QString mac;
    QString softwareVersion;
    QString instrumentKind; // "analog" or "digital"
    QString link;           // "tcp 192.168.1.20:502", "serial /dev/ttyUSB0 38400 8E1"
    int slaveId = 0;

    // The parameter.
    QString paramName;   // English
    QString paramNameZh; // Chinese
    int address = 0;
    int count = 0;

    QString oldRaw; // register words as decimal numbers, first register first
    QString oldShown;
    QString newRaw;
    QString newShown;
    QString unit;

    QString source; // "page Basic Config, field EditZeroRange", "zeltctl write EditFullScale=1500"
    QString user;   // OS user; filled in when empty
    QString host;   // computer name; filled in when empty

    Outcome outcome = NoOutcome;
    int exceptionCode = 0; // the instrument's exception code when refused
    QString detail;

    QString prevHash; // hex SHA-256 of the entry before, 64 zeros for the first
    QString hash;     // hex SHA-256 of this entry, see EntryHash
};

Q_DECLARE_METATYPE(ServiceEntry)

// A value that is none of the enumerators (read from a row someone edited) gives "?".
QString KindText(ServiceEntry::Kind kind);
// False, and *kind set to a value no text names, when the text names no kind.
bool KindFromText(const QString &text, ServiceEntry::Kind *kind);
// "written", "refused", "timed out", "link lost", "read back differs",
// "outcome unknown (program ended)", "refused by the instrument",
// "outcome unknown (no error word)"; empty for none.
QString OutcomeText(ServiceEntry::Outcome outcome);
// Like KindFromText.
bool OutcomeFromText(const QString &text, ServiceEntry::Outcome *outcome);

// The user the program runs as (from the environment, else the system's account).
QString OsUserName();
