#include "servicerecorder.h"

#include "devicemodel.h"
#include "modbuslink.h"
#include "pagefields.h"
#include "paramcatalogue.h"
#include "programrecord.h"
#include "servicerecord.h"
#include "sysinfotext.h"
#include "valuebinding.h"
#include "writesource.h"

#include <QDateTime>
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

void append(ServiceEntry &e)
{
    QString error;
    if (record() && !record()->append(e, &error))
        qCWarning(lcRecord).noquote() << "service record: entry not kept:" << error;
}

QString unitOf(const ParamRow &row)
{
    if (row.kind == ParamKind::Weight)
        return UnitName(gsrt_CalPara.slot[CalUnitSlot]);
    const QString note = QString::fromUtf8(row.noteEn ? row.noteEn : "");
    // Short notes are units ("d", "%", "mV/V"); longer ones describe the values.
    return note.size() <= 6 ? note : QString();
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
    case ModbusMalformed:
    case ModbusNoLink:
        break;
    }
    return ServiceEntry::LinkLost;
}

void recordWrite(const WriteEvent &w)
{
    Visit &v = visit();
    if (!record())
        return;
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
        connect.detail = w.detail;
        append(connect);
    }
    ServiceEntry e = visitEntry(v, ServiceEntry::Change);
    e.address = w.address;
    e.count = w.count;
    e.source = w.source.isEmpty() ? QStringLiteral("register write") : w.source;
    e.detail = w.detail;
    e.newRaw = rawText(w.value, w.count);
    if (w.oldKnown)
        e.oldRaw = rawText(w.oldValue, w.count);
    const ParamRow *row = FindParamByAddress(w.address);
    const quint32 decimals = gsrt_CalPara.slot[CalDecimalSlot];
    const auto shown = [&](quint32 value) {
        return row ? FieldText(row->kind, row->factorDigits, value, decimals)
                   : QString::number(value);
    };
    e.paramName = row ? QString::fromUtf8(row->nameEn ? row->nameEn : row->widget)
                      : QStringLiteral("register %1").arg(w.address);
    if (row) {
        e.paramNameZh = QString::fromUtf8(row->nameCn ? row->nameCn : "");
        e.unit = unitOf(*row);
    }
    e.newShown = shown(w.value);
    if (w.oldKnown)
        e.oldShown = shown(w.oldValue);
    e.outcome = outcomeOf(w.result);
    e.exceptionCode = w.exceptionCode;
    QString note;
    if (w.result == ModbusOk && w.readBackKnown && w.readBack != w.value) {
        e.outcome = ServiceEntry::ReadBackDiffers;
        note = QStringLiteral("the instrument holds %1").arg(shown(w.readBack));
    } else if (w.result == ModbusMalformed) {
        note = QStringLiteral("malformed reply");
    }
    if (!note.isEmpty())
        e.detail = e.detail.isEmpty() ? note : e.detail + QStringLiteral("; ") + note;
    append(e);
}

} // namespace

namespace ServiceRecorder {

void Install(ServiceRecord *r)
{
    record() = r ? r : ProgramRecord();
    SetWriteObserver(record() ? WriteObserver(recordWrite) : WriteObserver());
    SetWriteBatchObserver(record() ? WriteBatchObserver([](bool starts) {
        if (!record())
            return;
        if (starts)
            record()->beginBatch();
        else
            record()->endBatch();
    })
                                   : WriteBatchObserver());
}

void Uninstall()
{
    if (record())
        record()->endBatch();
    SetWriteObserver({});
    SetWriteBatchObserver({});
    record() = nullptr;
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

} // namespace ServiceRecorder
