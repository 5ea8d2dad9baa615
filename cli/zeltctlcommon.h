#pragma once

// What zeltctl's command files and the fleet backup share: the parameter sheet's
// name, the connect wait, the serial number and the state of the program's client.

#include "clioutput.h"
#include "devicemodel.h"
#include "modbusconnection.h"
#include "modbuslink.h"
#include "sysinfotext.h"

#include <QFileInfo>
#include <QModbusClient>
#include <QString>

namespace zeltctl {

inline const QString ParamSheet = QStringLiteral("读写类");
// A link is given at least this long to come up, longer when the reply timeout is.
constexpr int LeastConnectWaitMs = 3000;

// What a request on the program's link came to, naming the instrument's
// exception when it refused.
inline QString LinkResultText(ModbusResult r)
{
    return ModbusResultText(r, ProgramLink() ? ProgramLink()->lastExceptionCode() : 0);
}

// Whether the program's client is connected.
inline bool LinkUp()
{
    return gp_ModbusDevice && gp_ModbusDevice->state() == QModbusDevice::ConnectedState;
}

// An instrument that left ReopenAfterTimeouts requests in a row unanswered
// (silent, or closing the link each time it is opened) is out of reach: the
// run ends there rather than waiting out every request left.
inline bool GaveUp()
{
    return UnansweredInARow() >= ReopenAfterTimeouts;
}

// The line that ends such a run, with what it left undone.
// Requests never sent (the link could not be opened again) are told apart, so
// that the count agrees with the requests a trace shows.
inline QString GaveUpText(int notReached)
{
    const int unsent = UnsentInARow();
    const int sent = UnansweredInARow() - unsent;
    QString text = QStringLiteral("the instrument left %1 requests in a row unanswered").arg(sent);
    if (unsent)
        text += QStringLiteral(" and the link could not be opened again for %1 more").arg(unsent);
    return text + QStringLiteral("; %1 not reached").arg(notReached);
}

inline bool OutOfReach()
{
    return GaveUp() || !LinkUp();
}

// A read or write that failed: a failed row while the instrument answers, the
// instrument out of reach once it does not. Never better than `status`.
inline int FailedStatus(int status)
{
    return OutOfReach() ? int(ExitUnreachable) : qMax(status, int(ExitDiffers));
}

// Why path cannot be read as a parameter file, or empty when it is a file.
inline QString NotAFileText(const QString &path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return QString();
    return info.isDir() ? QStringLiteral("%1: a folder, not a parameter file").arg(path)
                        : QStringLiteral("%1: no such file").arg(path);
}

inline quint32 DecimalSetting()
{
    return gsrt_CalPara.slot[CalDecimalSlot];
}

} // namespace zeltctl
