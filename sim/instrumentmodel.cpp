#include "instrumentmodel.h"

#include <QMap>
#include <QMutexLocker>

namespace sim {

InstrumentModel::InstrumentModel(Kind kind, int wordOrder, quint32 seed)
    : m_kind(kind), m_wordOrder(wordOrder != 0 ? 1 : 0), m_seed(seed), m_live(seed), m_load(seed)
{
    resetAllUnlocked();
    refreshLive();
}

int InstrumentModel::readHolding(int address, int count, QVector<quint16> *out)
{
    if (count < 1 || count > MaxReadRegisters)
        return 3;
    if (address < 0 || address + count > 0x10000)
        return 2;
    QMutexLocker lock(&m_mutex);
    for (int a = address; a < address + count; ++a) {
        if (!m_layout.exists(a))
            return 2;
    }
    if (out) {
        out->resize(count);
        for (int i = 0; i < count; ++i)
            (*out)[i] = regUnlocked(address + i);
    }
    return 0;
}

int InstrumentModel::writeHolding(int address, const QVector<quint16> &values)
{
    const int count = values.size();
    if (count < 1 || count > MaxWriteRegisters)
        return 3;
    if (address < 0 || address + count > 0x10000)
        return 2;
    QMutexLocker lock(&m_mutex);
    for (int a = address; a < address + count; ++a) {
        const Cell &c = m_layout.cell(a);
        if (c.type == CellType::None || c.access == Access::ReadOnly)
            return 2;
    }

    // Assemble whole 32-bit values first: a write may cover one half only,
    // and the checks below must see the value the parameter would get.
    QMap<int, quint32> pending;
    for (int i = 0; i < count; ++i) {
        const int a = address + i;
        const int base = m_layout.slotBase(a);
        const Access access = m_layout.cell(a).access;
        const bool readsZero = access == Access::Command;
        const quint32 old =
            pending.contains(base) ? pending.value(base) : (readsZero ? 0 : m_values.at(base));
        pending[base] = withHalf(old, a, values.at(i));
    }

    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        if (const int code = checkValue(it.key(), it.value()))
            return code;
    }
    // The instrument refuses remote edits with "device failure" while locked.
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        const EditGroup group = m_layout.cell(it.key()).group;
        if (group == EditGroup::Calibration && m_values.at(Reg::CalibrationEdit) == 0) {
            raiseError(Error::CalibrationLocked);
            refreshLive();
            return 4;
        }
        if (group == EditGroup::Application && m_values.at(Reg::ApplicationEdit) == 0)
            return 4;
    }

    QVector<int> commands;
    QVector<int> points; // a calibration weight written takes that point at the present load
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        const Access access = m_layout.cell(it.key()).access;
        if (access == Access::Writable)
            m_values[it.key()] = it.value();
        else if (access == Access::Command && it.value() != 0)
            commands.append(it.key());
        if (it.key() >= Reg::CalPoint1 && it.key() < Reg::CalPointEnd)
            points.append((it.key() - Reg::CalPoint1) / 2);
    }
    for (int base : qAsConst(commands))
        runCommand(base);
    for (int point : qAsConst(points))
        calibrationPointWritten(point);
    refreshLive();
    return 0;
}

int InstrumentModel::readCoils(int address, int count, QVector<quint16> *out)
{
    if (count < 1 || count > MaxReadCoils)
        return 3;
    QMutexLocker lock(&m_mutex);
    for (int a = address; a < address + count; ++a) {
        if (a != Coil::NetState && a != Coil::CalibrationEdit && a != Coil::ApplicationEdit)
            return 2;
    }
    if (out) {
        out->resize(count);
        for (int i = 0; i < count; ++i)
            (*out)[i] = coilUnlocked(address + i) ? 1 : 0;
    }
    return 0;
}

quint16 InstrumentModel::reg(int address) const
{
    QMutexLocker lock(&m_mutex);
    return regUnlocked(address);
}

void InstrumentModel::setReg(int address, quint16 v)
{
    QMutexLocker lock(&m_mutex);
    if (!m_layout.exists(address))
        return;
    const int base = m_layout.slotBase(address);
    m_values[base] = withHalf(m_values.at(base), address, v);
    refreshLive();
}

quint32 InstrumentModel::value32(int address) const
{
    QMutexLocker lock(&m_mutex);
    const Cell &c = m_layout.cell(address);
    if (c.type == CellType::Single || c.type == CellType::None)
        return regUnlocked(address);
    if (c.access == Access::Command)
        return 0;
    return m_values.at(m_layout.slotBase(address));
}

void InstrumentModel::setValue32(int address, quint32 v)
{
    QMutexLocker lock(&m_mutex);
    const Cell &c = m_layout.cell(address);
    if (c.type == CellType::None)
        return;
    m_values[m_layout.slotBase(address)] = c.type == CellType::Single ? (v & 0xFFFF) : v;
    refreshLive();
}

bool InstrumentModel::coil(int address) const
{
    QMutexLocker lock(&m_mutex);
    return coilUnlocked(address);
}

int InstrumentModel::wordOrder() const
{
    QMutexLocker lock(&m_mutex);
    return m_wordOrder;
}

void InstrumentModel::setWordOrder(int w)
{
    // Values are kept whole, so changing the order re-packs every pair.
    QMutexLocker lock(&m_mutex);
    m_wordOrder = w != 0 ? 1 : 0;
}

Kind InstrumentModel::kind() const
{
    QMutexLocker lock(&m_mutex);
    return m_kind;
}

void InstrumentModel::setKind(Kind k)
{
    QMutexLocker lock(&m_mutex);
    m_kind = k;
    resetAllUnlocked();
    refreshLive();
}

void InstrumentModel::resetToDefaults()
{
    QMutexLocker lock(&m_mutex);
    resetAllUnlocked();
    refreshLive();
}

quint16 InstrumentModel::regUnlocked(int address) const
{
    const Cell &c = m_layout.cell(address);
    if (c.type == CellType::None || c.access == Access::Command)
        return 0;
    if (address == Reg::CalibrationEditMirror)
        return quint16(m_values.at(Reg::CalibrationEdit));
    if (address == Reg::ApplicationEditMirror)
        return quint16(m_values.at(Reg::ApplicationEdit));
    if (c.type == CellType::Single)
        return quint16(m_values.at(address));
    const quint32 v = m_values.at(m_layout.slotBase(address));
    const bool highFirst = c.type == CellType::PairHighFirst || m_wordOrder == 0;
    const bool high = c.secondHalf != highFirst;
    return high ? quint16(v >> 16) : quint16(v & 0xFFFF);
}

quint32 InstrumentModel::withHalf(quint32 old, int address, quint16 v) const
{
    const Cell &c = m_layout.cell(address);
    if (c.type == CellType::Single)
        return v;
    const bool highFirst = c.type == CellType::PairHighFirst || m_wordOrder == 0;
    if (c.secondHalf != highFirst)
        return (old & 0x0000FFFFu) | (quint32(v) << 16);
    return (old & 0xFFFF0000u) | v;
}

bool InstrumentModel::coilUnlocked(int address) const
{
    switch (address) {
    case Coil::NetState:
        return m_tareRaw != 0;
    case Coil::CalibrationEdit:
        return m_values.at(Reg::CalibrationEdit) != 0;
    case Coil::ApplicationEdit:
        return m_values.at(Reg::ApplicationEdit) != 0;
    default:
        return false;
    }
}

} // namespace sim
