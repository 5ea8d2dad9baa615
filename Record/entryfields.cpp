#include "entryfields.h"

QVector<EntryField> EntryFields(const ServiceEntry &e)
{
    const auto number = [](qint64 value) { return QString::number(value); };
    return {{"id", e.id},
            {"origin", e.origin},
            {"seq", number(e.seq)},
            {"time", e.timeUtc.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"))},
            {"utcOffset", number(e.utcOffsetSeconds)},
            {"kind", KindText(e.kind)},
            {"serial", e.serial},
            {"mac", e.mac},
            {"softwareVersion", e.softwareVersion},
            {"instrumentKind", e.instrumentKind},
            {"link", e.link},
            {"slaveId", number(e.slaveId)},
            {"paramName", e.paramName},
            {"paramNameZh", e.paramNameZh},
            {"address", number(e.address)},
            {"count", number(e.count)},
            {"oldRaw", e.oldRaw},
            {"oldShown", e.oldShown},
            {"newRaw", e.newRaw},
            {"newShown", e.newShown},
            {"unit", e.unit},
            {"source", e.source},
            {"user", e.user},
            {"host", e.host},
            {"outcome", OutcomeText(e.outcome)},
            {"exceptionCode", number(e.exceptionCode)},
            {"detail", e.detail},
            {"prevHash", e.prevHash}};
}
