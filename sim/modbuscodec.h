#pragma once

#include <QModbusPdu>
#include <QVector>

namespace sim {

class InstrumentModel;

// The fields of a request PDU the instrument understands.
struct DecodedRequest
{
    int function = 0;
    int address = 0;
    int count = 0;
    QVector<quint16> values;
    bool wellFormed = false;
};

DecodedRequest decodeRequest(const QModbusPdu &request);
// Lets the model answer; *exception gets 0 or the exception code sent.
QModbusResponse answerRequest(InstrumentModel &model, const DecodedRequest &request,
                              int *exception);
QModbusResponse exceptionResponse(int function, int code);

} // namespace sim
