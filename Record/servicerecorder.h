#pragma once

#include "serviceentry.h"

#include "linksettings.h"

#include <QDateTime>
#include <QString>

class ServiceRecord;

// Puts every parameter write of the program into the service record: it takes
// the writes the link reports (see writesource.h), names the parameter from the
// catalogue, shows old and new values as the pages do, and ties each change to
// a visit. The instrument's identity is read once per visit, when its first
// change is recorded, so a visit that changes nothing costs no request and
// leaves no entry; the visit's connect entry (with the time of the connect)
// goes in just before its first change, and its disconnect entry when it ends.
namespace ServiceRecorder {

// Records into record (the program record when null). Each write is announced
// to the record before it is sent and completed after; a write the record
// cannot announce (it cannot be opened or written) is not sent.
void Install(ServiceRecord *record = nullptr);
// Writes go out without a record, as chosen by the user; the choice (why) is
// itself noted in the program record when that can be opened.
void InstallUnrecorded(const QString &why);
// True when writes are being refused because the record cannot be used; *why
// then says what is wrong with it.
bool Refuses(QString *why = nullptr);
// True when writes go out unrecorded by choice.
bool Unrecorded();
// True when the record failed to keep an announcement or an outcome since
// Install() (a full disk): every later write is refused, so a run stops at
// once; *why says what failed.
bool Failed(QString *why = nullptr);
// Stops recording.
void Uninstall();
// A visit starts on this link with its slave id. The identity is taken from
// the mirror when the system information was read already (the window reads it
// at connect), else read when the first change is recorded.
void LinkOpened(const LinkSettings &link);
// "tcp 192.168.1.20:502", "serial /dev/ttyUSB0 38400 8E1".
QString LinkText(const LinkSettings &link);
// The visit ends.
void LinkClosed();
// When the open visit's link was opened (UTC); invalid when none is open.
QDateTime VisitSince();
// A backup written (file, rows read and failed), so a restore can be traced to it.
void RecordBackup(const QString &file, const QString &detail);
// A backup made over a link of its own (a fleet run's): `instrument` holds the
// identity and link that link read (serial, MAC, version, kind, link, slave id).
void RecordBackupOf(ServiceEntry instrument, const QString &file, const QString &detail);

// A finished scale test: one entry named `what` ("scale test as found") with
// the verdict as its new value and every point in its detail. False when the
// record did not keep it.
bool RecordTest(const QString &what, const QString &verdict, const QString &source,
                const QString &detail);

} // namespace ServiceRecorder
