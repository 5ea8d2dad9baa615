#pragma once

// Connects the program's one client to a simulator the way the connection
// window does, and waits until the link is up.
#include "modbuslink.h"

#include <QModbusClient>
#include <QProcess>
#include <QtTest>
#include <memory>

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

// A serial line pair made by socat; the program opens one end by its link name,
// the instrument the other. Stopping it takes both ends away, as an unplugged
// adapter would.
class SerialPair
{
public:
    explicit SerialPair(const QString &dir)
        : m_instrument(dir + QStringLiteral("/instrument")),
          m_program(dir + QStringLiteral("/program"))
    {}
    ~SerialPair() { stop(); }
    SerialPair(const SerialPair &) = delete;
    SerialPair &operator=(const SerialPair &) = delete;

    static bool available()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty();
    }

    bool start()
    {
        m_socat.start(QStringLiteral("socat"),
                      {QStringLiteral("pty,raw,echo=0,link=") + m_instrument,
                       QStringLiteral("pty,raw,echo=0,link=") + m_program});
        return m_socat.waitForStarted() &&
               QTest::qWaitFor(
                   [this] { return QFile::exists(m_instrument) && QFile::exists(m_program); },
                   5000);
    }
    void stop()
    {
        if (m_socat.state() == QProcess::NotRunning)
            return;
        m_socat.terminate();
        m_socat.waitForFinished(3000);
    }
    QString instrumentEnd() const { return m_instrument; }
    QString programEnd() const { return m_program; }

private:
    QString m_instrument, m_program;
    QProcess m_socat;
};

// The two ends of a line for the simulator's bus: the pty it makes itself (one
// link name for both), or a socat pair in dir.
class BusEnds
{
public:
    BusEnds(const QString &dir, bool pty)
        : m_pair(pty ? nullptr : new SerialPair(dir)), m_link(dir + QStringLiteral("/bus"))
    {}
    bool pty() const { return !m_pair; }
    // False without socat for a pair (the caller skips) or when it did not start.
    bool start() { return !m_pair || (SerialPair::available() && m_pair->start()); }
    QString programEnd() const { return m_pair ? m_pair->programEnd() : m_link; }
    QString simulatorEnd() const { return m_pair ? m_pair->instrumentEnd() : m_link; }

private:
    std::unique_ptr<SerialPair> m_pair;
    QString m_link;
};
