#pragma once

#include "linksettings.h"

#include <QHash>
#include <QVector>
#include <functional>

// Reading many parameters by the register groups the device model polls: one
// request per group instead of one per parameter, the parameters then taken
// from the registers that came back, in the word order of their address.

// One parameter of one or two registers a caller wants.
struct RegisterSpan
{
    int address = 0;
    int count = 0;
};

// One request of a grouped read: a group of the table, or (group -1) a lone
// parameter that no group holds whole.
struct GroupRequest
{
    int start = 0;
    int count = 0;
    int group = -1;
};

// The requests that read every span: each span by the largest group of the
// table that holds it whole, otherwise by itself; each request once, by address.
QVector<GroupRequest> PlanGroupedReads(const QVector<RegisterSpan> &spans);

// The registers the requests of a grouped read brought back, and why the
// others did not.
class RegisterImage
{
public:
    void store(const GroupRequest &request, const quint16 *registers);
    void fail(const GroupRequest &request, ModbusResult result);
    // The parameter at address (one or two registers) in the word order of its
    // address under the configured order; false when a register of it was not
    // read, *why then says what became of its request.
    bool value(int address, int count, quint32 configuredOrder, quint32 *value,
               ModbusResult *why = nullptr) const;

private:
    QHash<int, quint16> m_registers;
    QHash<int, ModbusResult> m_failed;
};

// Reads the requests on the program's link into image, storing each group
// into the mirror as polling does. giveUp is asked after every failed request:
// true leaves the rest unread.
void ReadRegisterImage(const QVector<GroupRequest> &requests, RegisterImage *image,
                       const std::function<bool()> &giveUp);
