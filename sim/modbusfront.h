#pragma once

#include <QModbusRtuSerialSlave>
#include <QModbusTcpServer>
#include <functional>

namespace sim {

// Qt's servers keep the framing; every request PDU goes to the handler,
// so the instrument model, not Qt's data map, decides each answer.
using RequestHandler = std::function<QModbusResponse(const QModbusPdu &)>;

class FrontTcpServer : public QModbusTcpServer
{
public:
    explicit FrontTcpServer(RequestHandler handler, QObject *parent = nullptr)
        : QModbusTcpServer(parent), m_handler(std::move(handler))
    {}

protected:
    QModbusResponse processRequest(const QModbusPdu &request) override
    {
        return m_handler(request);
    }

private:
    RequestHandler m_handler;
};

class FrontRtuServer : public QModbusRtuSerialSlave
{
public:
    explicit FrontRtuServer(RequestHandler handler, QObject *parent = nullptr)
        : QModbusRtuSerialSlave(parent), m_handler(std::move(handler))
    {}

protected:
    QModbusResponse processRequest(const QModbusPdu &request) override
    {
        return m_handler(request);
    }

private:
    RequestHandler m_handler;
};

} // namespace sim
