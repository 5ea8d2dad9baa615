#pragma once

// The program's one client connected for a benchmark.

#include "modbuslink.h"

#include <QEventLoop>
#include <QModbusClient>
#include <QTimer>

// Sets up the program's client on link and waits (at most 5 s) for it to connect.
inline bool ConnectProgramLink(const LinkSettings &link)
{
    gu32_ConnectType = quint32(link.connectType);
    if (!SetupModbusClient(link, nullptr))
        return false;
    if (gp_ModbusDevice->state() != QModbusDevice::ConnectedState) {
        QEventLoop loop;
        QObject::connect(gp_ModbusDevice, &QModbusDevice::stateChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return gp_ModbusDevice->state() == QModbusDevice::ConnectedState;
}
