#pragma once

#include "linksettings.h"

#include <QString>
#include <QVector>
#include <functional>

// One parameter write as the service record sees it: which register, what was
// there before (when known), what was sent, what for and how it ended.
struct WriteEvent
{
    int address = 0;
    int count = 0;
    quint32 value = 0;
    bool oldKnown = false;
    quint32 oldValue = 0;
    ModbusResult result = ModbusOk;
    int exceptionCode = 0;
    bool readBackKnown = false; // read again after the write
    quint32 readBack = 0;
    QString source;   // "page Basic Config, field EditZeroRange", "file a.xlsx ... row 14", ...
    QString detail;   // the run it belongs to, e.g. a zeltctl command line
    QString intentId; // the record's announcement of this write, when one was made
    // A calibration write: the lowest calibration error bit of the instrument's
    // error word after it (-1 for none), or, with the result
    // ModbusCalibrationUnknown, how the read of that word ended.
    int calibrationBit = -1;
    quint32 errorWord = 0;
    ModbusResult verdictRead = ModbusOk;
};

// Called once for every parameter write, after it ended (the last try counts).
// Set by the layer that keeps the service record; none by default.
using WriteObserver = std::function<void(const WriteEvent &)>;
void SetWriteObserver(WriteObserver observer);

// Called before a parameter write is sent, with what will be sent, its source
// and the value before when known. True lets the write go (*intentId then names
// the kept announcement, or stays empty); false keeps it from the wire, with
// *why saying so. Set by the layer that keeps the service record.
using WriteIntentObserver =
    std::function<bool(const WriteEvent &, QString *intentId, QString *why)>;
void SetWriteIntentObserver(WriteIntentObserver observer);

// Told when a run of many writes (an import's rows) starts (true), with the
// writes it expects to make in their order (source, address, count, value;
// some may not be made), and when it ends.
using WriteBatchObserver = std::function<void(bool starts, const QVector<WriteEvent> &expected)>;
void SetWriteBatchObserver(WriteBatchObserver observer);

// Marks a run of many writes while it lives, so that what records them may
// keep them together.
class WriteBatch
{
public:
    explicit WriteBatch(QVector<WriteEvent> expected = {});
    ~WriteBatch();
    WriteBatch(const WriteBatch &) = delete;
    WriteBatch &operator=(const WriteBatch &) = delete;
};

// What the writes of this run are part of (a zeltctl command line); empty in the window.
void SetWriteRunDetail(const QString &detail);

// Names what the parameter writes made while it lives are for. A write made
// under a source is reported when the source ends, once, with the outcome of
// its last try (a repeated write is one change); a write made outside any
// source is reported at once. Sources nest: the innermost names the write.
class WriteSource
{
public:
    explicit WriteSource(const QString &source);
    ~WriteSource();
    WriteSource(const WriteSource &) = delete;
    WriteSource &operator=(const WriteSource &) = delete;

    // The value the register held before, as read just now.
    void setOldValue(quint32 value);
    // The value read again after the last write (in the write's word order).
    void setReadBack(quint32 value);

private:
    friend void NoteParamWrite(const WriteEvent &);
    friend bool AnnounceParamWrite(WriteEvent &, QString *);
    WriteEvent m_event;
    bool m_written = false;
    WriteSource *m_outer;
};

// Called by the parameter write itself before sending: false when the write
// must not be sent (*why names the reason, also kept for LastWriteRefusal()).
// Tries of one source share the first try's announcement.
bool AnnounceParamWrite(WriteEvent &write, QString *why);
// Why the last write was kept from the wire (ModbusNotRecorded).
QString LastWriteRefusal();
// Told of every write kept from the wire, with why (the window says so).
using WriteRefusalObserver = std::function<void(const QString &why)>;
void SetWriteRefusalObserver(WriteRefusalObserver observer);

// Called by the parameter write itself with what it sent and how it ended; the
// source and detail are filled in here.
void NoteParamWrite(const WriteEvent &write);
// What the mirror held for the parameter at address, when it has been read.
bool MirroredParamValue(int address, quint32 *value);
