#include "writesource.h"

#include "devicemodel.h"
#include "paramcatalogue.h"

namespace {

WriteObserver &observer()
{
    static WriteObserver o;
    return o;
}

QString &runDetail()
{
    static QString d;
    return d;
}

WriteSource *innermost = nullptr;

WriteIntentObserver &intentObserver()
{
    static WriteIntentObserver o;
    return o;
}

QString &lastRefusal()
{
    static QString r;
    return r;
}

WriteRefusalObserver &refusalObserver()
{
    static WriteRefusalObserver o;
    return o;
}

WriteBatchObserver &batchObserver()
{
    static WriteBatchObserver o;
    return o;
}

void report(WriteEvent event)
{
    if (!observer())
        return;
    event.detail = runDetail();
    observer()(event);
}

} // namespace

void SetWriteObserver(WriteObserver o)
{
    observer() = std::move(o);
}

void SetWriteIntentObserver(WriteIntentObserver o)
{
    intentObserver() = std::move(o);
}

void SetWriteBatchObserver(WriteBatchObserver o)
{
    batchObserver() = std::move(o);
}

WriteBatch::WriteBatch(QVector<WriteEvent> expected)
{
    if (!batchObserver())
        return;
    for (WriteEvent &w : expected)
        w.detail = runDetail();
    batchObserver()(true, expected);
}

WriteBatch::~WriteBatch()
{
    if (batchObserver())
        batchObserver()(false, {});
}

void SetWriteRunDetail(const QString &detail)
{
    runDetail() = detail;
}

WriteSource::WriteSource(const QString &source) : m_outer(innermost)
{
    m_event.source = source;
    innermost = this;
}

WriteSource::~WriteSource()
{
    innermost = m_outer;
    if (m_written)
        report(m_event);
}

void WriteSource::setOldValue(quint32 value)
{
    m_event.oldKnown = true;
    m_event.oldValue = value;
}

void WriteSource::setReadBack(quint32 value)
{
    m_event.readBackKnown = true;
    m_event.readBack = value;
}

bool MirroredParamValue(int address, quint32 *value)
{
    const ParamRow *row = FindParamByAddress(address);
    if (!row || !RegisterKnown(address))
        return false;
    *value = MirrorValue(*row);
    return true;
}

bool AnnounceParamWrite(WriteEvent &write, QString *why)
{
    if (!intentObserver())
        return true;
    if (innermost && !innermost->m_event.intentId.isEmpty()) {
        write.intentId = innermost->m_event.intentId;
        return true;
    }
    WriteEvent intent = write;
    intent.detail = runDetail();
    if (innermost) {
        intent.source = innermost->m_event.source;
        if (innermost->m_event.oldKnown) {
            intent.oldKnown = true;
            intent.oldValue = innermost->m_event.oldValue;
        }
    }
    QString refusal;
    if (!intentObserver()(intent, &write.intentId, &refusal)) {
        lastRefusal() = refusal;
        if (why)
            *why = refusal;
        if (refusalObserver())
            refusalObserver()(refusal);
        return false;
    }
    if (innermost)
        innermost->m_event.intentId = write.intentId;
    return true;
}

void SetWriteRefusalObserver(WriteRefusalObserver o)
{
    refusalObserver() = std::move(o);
}

QString LastWriteRefusal()
{
    return lastRefusal();
}

void NoteParamWrite(const WriteEvent &write)
{
    if (!innermost) {
        report(write);
        return;
    }
    WriteEvent &kept = innermost->m_event;
    // The value before is the one the source was told, or the first try's.
    const bool oldKnown = kept.oldKnown || (!innermost->m_written && write.oldKnown);
    const quint32 oldValue = kept.oldKnown || innermost->m_written ? kept.oldValue : write.oldValue;
    const QString source = kept.source;
    kept = write;
    kept.source = source;
    kept.oldKnown = oldKnown;
    kept.oldValue = oldValue;
    innermost->m_written = true;
}
