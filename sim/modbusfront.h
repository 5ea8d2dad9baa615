#pragma once

#include <QModbusRtuSerialSlave>
#include <QModbusTcpServer>
#include <functional>

namespace sim {

// Qt's servers keep the framing; every request PDU goes to the handler,
// so the instrument model, not Qt's data map, decides each answer.
using RequestHandler = std::function<QModbusResponse(const QModbusPdu &)>;

template <typename QtServer> class FrontServer : public QtServer
{
public:
    explicit FrontServer(RequestHandler handler, QObject *parent = nullptr)
        : QtServer(parent), m_handler(std::move(handler))
    {}

protected:
    QModbusResponse processRequest(const QModbusPdu &request) override
    {
        return m_handler(request);
    }

private:
    RequestHandler m_handler;
};

using FrontTcpServer = FrontServer<QModbusTcpServer>;
using FrontRtuServer = FrontServer<QModbusRtuSerialSlave>;

} // namespace sim
