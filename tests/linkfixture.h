#pragma once

// Connects the program's one client to a simulator the way the connection
// window does, and waits until the link is up.
#include "modbuslink.h"

#include <QModbusClient>
#include <QtTest>

inline bool connectClient(const LinkSettings &s)
{
    gu32_ConnectType = quint32(s.connectType);
    if (!SetupModbusClient(s, nullptr))
        return false;
    return QTest::qWaitFor([] { return gp_ModbusDevice->state() == QModbusDevice::ConnectedState; },
                           5000);
}

inline bool connectTcpClient(int port)
{
    LinkSettings s;
    s.connectType = 1;
    s.EditIP = QStringLiteral("127.0.0.1");
    s.EditPort = QString::number(port);
    return connectClient(s);
}
