#include "servicerecorder.h"

#include "calibrationverdict.h"
#include "devicemodel.h"
#include "entryshown.h"
#include "entrytext.h"
#include "modbuslink.h"
#include "pagefields.h"
#include "paramcatalogue.h"
#include "paramshown.h"
#include "programrecord.h"
#include "servicerecord.h"
#include "sysinfotext.h"
#include "valuebinding.h"
#include "writesource.h"

#include <QDateTime>
#include <QDebug>
#include <QHash>
#include <QPointer>

namespace {

struct Visit
{
    bool open = false;
    QString link;
    int slaveId = 0;
    QDateTime since;
    bool identityRead = false;
    bool connectRecorded = false;
    QString serial, mac, version, kind;
};

QPointer<ServiceRecord> &record()
{
    static QPointer<ServiceRecord> r;
    return r;
}

Visit &visit()
{
    static Visit v;
    return v;
}

bool identityMirrored()
{
    return RegisterKnown(RegisterGroupTable[SystemInfoGroup].start) &&
           RegisterKnown(RegisterGroupTable[SystemStatusGroup].start);
}

void takeIdentity(Visit &v)
{
    v.identityRead = true;
    const quint32 version = gsrt_SysInf.slot[SoftVersionSlot];
    v.serial = SerialNumberText(gsrt_SysInf.slot, SerialNumberSlot);
    v.mac = MacAddressText(gsrt_SysInf.slot, MacSlot);
    v.version = QStringLiteral("%1 (%2)").arg(version).arg(
        CompileDateText(gsrt_SysInf.slot[CompileDateSlot]));
    v.kind = InstrumentKindText(version);
}

// The system information of the instrument, once per visit. Its mirror is
// filled by the same reads the test page makes.
void readIdentity(Visit &v)
{
    if (v.identityRead)
        return;
    LinkSettings base;
    base.slaveId = v.slaveId;
    for (int group : {SystemInfoGroup, SystemStatusGroup}) {
        if (ReadGroup(base, group) != ModbusOk) {
            v.identityRead = true;
            v.serial = QStringLiteral("(not read)");
            return;
        }
    }
    takeIdentity(v);
}

ServiceEntry visitEntry(const Visit &v, ServiceEntry::Kind kind)
{
    ServiceEntry e;
    e.kind = kind;
    e.serial = v.serial;
    e.mac = v.mac;
    e.softwareVersion = v.version;
    e.instrumentKind = v.kind;
    e.link = v.link;
    e.slaveId = v.slaveId;
    return e;
}

struct Recording
{
    // Writes go out unrecorded only when this was chosen (--no-record).
    bool unrecordedByChoice = false;
    // Why the record cannot be used, when it cannot.
    QString offReason;
    // What the record failed to keep during this run.
    QString failure;
};

Recording &recording()
{
    static Recording r;
    return r;
}

// A batch's expected writes, all announced in one commit just before the
// first of them is sent; those never sent are dropped when the batch ends.
struct Ahead
{
    QVector<WriteEvent> expected;
    int next = 0;                    // the first expected write not yet announced
    QHash<QString, QString> intents; // announced and not yet sent: key -> intent id
};

Ahead &ahead()
{
    static Ahead a;
    return a;
}

QString aheadKey(const WriteEvent &w)
{
    return QStringLiteral("%1\n%2\n%3\n%4").arg(w.source).arg(w.address).arg(w.count).arg(w.value);
}

void append(ServiceEntry &e)
{
    QString error;
    if (record() && !record()->append(e, &error))
        qCWarning(lcRecord).noquote() << "service record: entry not kept:" << error;
}

QString shownValue(const ParamRow *row, quint32 value)
{
    const quint32 decimals = gsrt_CalPara.slot[CalDecimalSlot];
    return row ? ParamShownText(*row, value, decimals, false) : QString::number(value);
}

// The analog output's type as the mirror holds it, -1 while it was not read:
// it decides whether an output value is in mA or V.
qint64 analogOutputType()
{
    const ParamRow *type = FindParamByAddress(AnalogOutputTypeRegister);
    return type && RegisterKnown(AnalogOutputTypeRegister) ? qint64(MirrorValue(*type)) : -1;
}

QString rawText(quint32 value, int count)
{
    return count == 2 ? QStringLiteral("%1 %2").arg(value >> 16).arg(value & 0xFFFF)
                      : QString::number(value & 0xFFFF);
}

ServiceEntry::Outcome outcomeOf(ModbusResult result)
{
    switch (result) {
    case ModbusOk:
        return ServiceEntry::Written;
    case ModbusProtocolError:
        return ServiceEntry::Refused;
    case ModbusTimeout:
        return ServiceEntry::TimedOut;
    case ModbusCalibrationRefused:
        return ServiceEntry::InstrumentRefused;
    case ModbusCalibrationUnknown:
        return ServiceEntry::VerdictUnknown;
    case ModbusMalformed:
    case ModbusNoLink:
    case ModbusNotRecorded:
        break;
    }
    return ServiceEntry::LinkLost;
}

Visit &currentVisit(const QString &detail)
{
    Visit &v = visit();
    if (!v.open) {
        // A write outside a visit the recorder was told of: the program's link as it is.
        v = Visit();
        v.open = true;
        v.link = ProgramLink() ? ProgramLink()->peerName() : QString();
        v.slaveId = int(gu32_SlaveId);
        v.since = QDateTime::currentDateTimeUtc();
    }
    readIdentity(v);
    if (!v.connectRecorded) {
        v.connectRecorded = true;
        ServiceEntry connect = visitEntry(v, ServiceEntry::Connect);
        connect.timeUtc = v.since;
        connect.source = QStringLiteral("connect");
        connect.detail = detail;
        append(connect);
    }
    return v;
}

// The change a write makes, without its outcome.
ServiceEntry changeEntry(const Visit &v, const WriteEvent &w)
{
    ServiceEntry e = visitEntry(v, ServiceEntry::Change);
    e.address = w.address;
    e.count = w.count;
    e.source = w.source.isEmpty() ? QStringLiteral("register write") : w.source;
    e.detail = w.detail;
    e.newRaw = rawText(w.value, w.count);
    if (w.oldKnown)
        e.oldRaw = rawText(w.oldValue, w.count);
    const ParamRow *row = FindParamByAddress(w.address);
    e.paramName = row ? QString::fromUtf8(row->nameEn ? row->nameEn : row->widget)
                      : QStringLiteral("register %1").arg(w.address);
    if (row)
        e.paramNameZh = QString::fromUtf8(row->nameCn ? row->nameCn : "");
    // As the page shows the parameter: the list's item, decimals, the unit.
    SetShownValues(&e, w.oldValue, w.oldKnown, w.value, gsrt_CalPara.slot[CalDecimalSlot],
                   gsrt_CalPara.slot[CalUnitSlot], analogOutputType());
    return e;
}

bool intendWrite(const WriteEvent &w, QString *intentId, QString *why)
{
    if (!record()) {
        if (recording().unrecordedByChoice)
            return true;
        *why = QStringLiteral("the service record cannot keep it: %1").arg(recording().offReason);
        return false;
    }
    // A record that failed to keep an outcome (its batch's commit included)
    // takes no more writes: the run stops where it is.
    if (recording().failure.isEmpty() && record()->commitFailed())
        recording().failure = record()->lastError();
    if (!recording().failure.isEmpty()) {
        *why = QStringLiteral("the service record %1 cannot keep it: %2")
                   .arg(record()->path(), recording().failure);
        return false;
    }
    Ahead &a = ahead();
    if (!a.expected.isEmpty()) {
        const QString key = aheadKey(w);
        if (!a.intents.contains(key)) {
            int at = a.next;
            while (at < a.expected.size() && aheadKey(a.expected[at]) != key)
                ++at;
            if (at < a.expected.size()) {
                // Every row still to come in one commit, before the first is
                // sent: a record that cannot hold them all (a full disk) takes
                // none, and nothing goes out.
                QVector<ServiceEntry> chunk;
                const int end = a.expected.size();
                for (int i = at; i < end; ++i)
                    chunk.append(changeEntry(currentVisit(w.detail), a.expected[i]));
                QString error;
                if (!record()->intendAll(chunk, &error)) {
                    recording().failure = error;
                    *why = QStringLiteral("the service record %1 cannot keep it: %2")
                               .arg(record()->path(), error);
                    return false;
                }
                for (int i = at; i < end; ++i)
                    a.intents.insert(aheadKey(a.expected[i]), chunk[i - at].id);
                a.next = end;
            }
        }
        const QString id = a.intents.take(key);
        if (!id.isEmpty()) {
            *intentId = id;
            return true;
        }
    }
    ServiceEntry e = changeEntry(currentVisit(w.detail), w);
    QString error;
    if (!record()->intend(e, &error)) {
        recording().failure = error;
        *why =
            QStringLiteral("the service record %1 cannot keep it: %2").arg(record()->path(), error);
        return false;
    }
    *intentId = e.id;
    return true;
}

void recordWrite(const WriteEvent &w)
{
    if (!record())
        return;
    ServiceEntry e = changeEntry(currentVisit(w.detail), w);
    const ParamRow *row = FindParamByAddress(w.address);
    e.outcome = outcomeOf(w.result);
    e.exceptionCode = w.exceptionCode;
    QString note;
    if (w.result == ModbusOk && w.readBackKnown && w.readBack != w.value) {
        e.outcome = ServiceEntry::ReadBackDiffers;
        note = QStringLiteral("the instrument holds %1").arg(shownValue(row, w.readBack));
    } else if (w.result == ModbusMalformed) {
        note = QStringLiteral("malformed reply");
    } else if (w.result == ModbusCalibrationRefused) {
        CalibrationVerdict verdict = VerdictOfErrorWord(w.errorWord, w.address);
        if (w.calibrationBit >= 0) { // the bit the write path judged by
            verdict.state = CalibrationVerdict::Refused;
            verdict.bit = w.calibrationBit;
        }
        note = InstrumentErrorNote(verdict.errorText());
    } else if (w.result == ModbusCalibrationUnknown) {
        CalibrationVerdict verdict;
        verdict.state = CalibrationVerdict::Unknown;
        verdict.readResult = w.verdictRead;
        note = verdict.outcomeText();
    }
    if (!note.isEmpty())
        e.detail = e.detail.isEmpty() ? note : e.detail + QStringLiteral("; ") + note;
    QString error;
    e.id = w.intentId;
    const bool kept =
        w.intentId.isEmpty() ? record()->append(e, &error) : record()->complete(e, &error);
    if (!kept) {
        // The write's intent is in the record; its outcome is not.
        recording().failure = error;
        qCWarning(lcRecord).noquote() << "service record: entry not kept:" << error;
    }
}

void installObservers()
{
    SetWriteIntentObserver(intendWrite);
    SetWriteObserver(recordWrite);
    SetWriteBatchObserver([](bool starts, const QVector<WriteEvent> &expected) {
        if (!record())
            return;
        if (starts) {
            ahead() = Ahead();
            ahead().expected = expected;
            record()->beginBatch();
            return;
        }
        record()->endBatch();
        // Announced but never sent.
        record()->dropIntents(ahead().intents.values());
        ahead() = Ahead();
    });
}

} // namespace

namespace ServiceRecorder {

void Install(ServiceRecord *r)
{
    recording() = Recording();
    record() = r ? r : ProgramRecord();
    if (!record())
        recording().offReason = ProgramRecordError();
    installObservers();
}

void InstallUnrecorded(const QString &why)
{
    recording() = Recording();
    recording().unrecordedByChoice = true;
    record() = nullptr;
    installObservers();
    // Said in the record itself when it can be opened, so that a gap in it is explained.
    if (ServiceRecord *r = ProgramRecord()) {
        ServiceEntry e;
        e.kind = ServiceEntry::Connect;
        e.source = QStringLiteral("recording off");
        e.detail = why;
        QString error;
        r->append(e, &error);
    }
}

bool Failed(QString *why)
{
    if (recording().failure.isEmpty() && record() && record()->commitFailed())
        recording().failure = record()->lastError();
    if (why)
        *why = recording().failure;
    return !recording().failure.isEmpty();
}

bool Refuses(QString *why)
{
    if (record() || recording().unrecordedByChoice)
        return false;
    if (why)
        *why = recording().offReason;
    return true;
}

bool Unrecorded()
{
    return recording().unrecordedByChoice;
}

void Uninstall()
{
    if (record())
        record()->endBatch();
    SetWriteIntentObserver({});
    SetWriteObserver({});
    SetWriteBatchObserver({});
    if (record())
        record()->dropIntents(ahead().intents.values());
    ahead() = Ahead();
    record() = nullptr;
    recording() = Recording();
    visit() = Visit();
}

QString LinkText(const LinkSettings &link)
{
    if (link.connectType == 1)
        return QStringLiteral("tcp %1:%2").arg(link.EditIP, link.EditPort);
    const char parity = link.parity == 2 ? 'E' : link.parity == 3 ? 'O' : 'N';
    return QStringLiteral("serial %1 %2 %3%4%5")
        .arg(link.SerialNum)
        .arg(link.baud)
        .arg(link.dataBits)
        .arg(QLatin1Char(parity))
        .arg(link.stopBits);
}

void LinkOpened(const LinkSettings &link)
{
    LinkClosed();
    Visit &v = visit();
    v.open = true;
    v.link = LinkText(link);
    v.slaveId = link.slaveId;
    v.since = QDateTime::currentDateTimeUtc();
    if (identityMirrored())
        takeIdentity(v);
}

void LinkClosed()
{
    Visit &v = visit();
    if (v.connectRecorded) {
        ServiceEntry e = visitEntry(v, ServiceEntry::Disconnect);
        e.source = QStringLiteral("disconnect");
        append(e);
    }
    v = Visit();
}

QDateTime VisitSince()
{
    return visit().open ? visit().since : QDateTime();
}

void RecordBackup(const QString &file, const QString &detail)
{
    if (!record())
        return;
    Visit &v = visit();
    // An instrument that stopped answering is not asked again for its identity.
    if (UnansweredInARow() == 0)
        readIdentity(v);
    RecordBackupOf(visitEntry(v, ServiceEntry::Backup), file, detail);
}

void RecordBackupOf(ServiceEntry e, const QString &file, const QString &detail)
{
    if (!record())
        return;
    e.kind = ServiceEntry::Backup;
    e.source = QStringLiteral("backup %1").arg(file);
    e.detail = detail;
    append(e);
}

bool RecordTest(const QString &what, const QString &verdict, const QString &source,
                const QString &detail)
{
    if (!record())
        return false;
    Visit &v = visit();
    if (UnansweredInARow() == 0)
        readIdentity(v);
    ServiceEntry e = visitEntry(v, ServiceEntry::Test);
    e.paramName = what;
    e.newShown = verdict;
    e.source = source;
    e.detail = detail;
    QString error;
    if (record()->append(e, &error))
        return true;
    qCWarning(lcRecord).noquote() << "service record: test not kept:" << error;
    return false;
}

} // namespace ServiceRecorder
