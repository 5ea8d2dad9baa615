#include "registerimage.h"

#include "devicemodel.h"
#include "linkwords.h"
#include "modbuslink.h"

#include <algorithm>

QVector<GroupRequest> PlanGroupedReads(const QVector<RegisterSpan> &spans)
{
    QVector<GroupRequest> requests;
    const auto add = [&requests](const GroupRequest &r) {
        const bool known = std::any_of(requests.cbegin(), requests.cend(), [&r](const auto &q) {
            return q.start == r.start && q.count == r.count;
        });
        if (!known)
            requests.append(r);
    };
    for (const RegisterSpan &span : spans) {
        GroupRequest best{span.address, span.count, -1};
        for (int g = 0; g < RegisterGroupCount; ++g) {
            const RegisterGroup &group = RegisterGroupTable[g];
            const bool holds = span.address >= group.start &&
                               span.address + span.count <= group.start + group.count;
            if (holds && (best.group < 0 || group.count > best.count))
                best = {group.start, group.count, g};
        }
        add(best);
    }
    std::sort(requests.begin(), requests.end(),
              [](const GroupRequest &a, const GroupRequest &b) { return a.start < b.start; });
    return requests;
}

void RegisterImage::store(const GroupRequest &request, const quint16 *registers)
{
    for (int i = 0; i < request.count; ++i) {
        m_registers.insert(request.start + i, registers[i]);
        m_failed.remove(request.start + i);
    }
}

void RegisterImage::fail(const GroupRequest &request, ModbusResult result)
{
    for (int i = 0; i < request.count; ++i) {
        if (!m_registers.contains(request.start + i))
            m_failed.insert(request.start + i, result);
    }
}

bool RegisterImage::value(int address, int count, quint32 configuredOrder, quint32 *value,
                          ModbusResult *why) const
{
    if (why)
        *why = ModbusProtocolError;
    if (count < 1 || count > 2)
        return false;
    for (int i = 0; i < count; ++i) {
        if (!m_registers.contains(address + i)) {
            if (why)
                *why = m_failed.value(address + i, ModbusNoLink);
            return false;
        }
    }
    const quint16 first = m_registers.value(address);
    *value = count == 1 ? first
                        : JoinWords(first, m_registers.value(address + 1),
                                    WordOrderAt(address, configuredOrder));
    if (why)
        *why = ModbusOk;
    return true;
}

void ReadRegisterImage(const QVector<GroupRequest> &requests, RegisterImage *image,
                       const std::function<bool()> &giveUp)
{
    for (const GroupRequest &r : requests) {
        LinkSettings request;
        request.slaveId = qint32(gu32_SlaveId);
        request.dwordFormat = qint32(gu32_DwordFormat);
        request.startAddress = r.start;
        request.count = quint16(r.count);
        quint16 registers[LargestGroupRegisters] = {};
        const ModbusResult result = ReadHoldingRegisters(gp_ModbusDevice, request, registers);
        if (result == ModbusOk) {
            image->store(r, registers);
            if (r.group >= 0)
                StoreGroup(r.group, gu32_DwordFormat, registers);
            continue;
        }
        image->fail(r, result);
        if (giveUp && giveUp())
            return;
    }
}
