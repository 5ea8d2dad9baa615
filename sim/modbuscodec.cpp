#include "modbuscodec.h"

#include "instrumentmodel.h"

namespace sim {

namespace {
quint16 wordAt(const QByteArray &d, int i)
{
    return quint16((quint8(d.at(i)) << 8) | quint8(d.at(i + 1)));
}

void appendWord(QByteArray *d, quint16 v)
{
    d->append(char(v >> 8));
    d->append(char(v & 0xFF));
}
} // namespace

DecodedRequest decodeRequest(const QModbusPdu &request)
{
    DecodedRequest r;
    r.function = request.functionCode();
    const QByteArray d = request.data();
    switch (r.function) {
    case QModbusPdu::ReadCoils:
    case QModbusPdu::ReadHoldingRegisters:
    case QModbusPdu::WriteSingleRegister:
        if (d.size() == 4) {
            r.address = wordAt(d, 0);
            r.count = wordAt(d, 2);
            r.wellFormed = true;
        }
        if (r.function == QModbusPdu::WriteSingleRegister && r.wellFormed) {
            r.values = {quint16(r.count)};
            r.count = 1;
        }
        break;
    case QModbusPdu::WriteMultipleRegisters:
        if (d.size() >= 5) {
            r.address = wordAt(d, 0);
            r.count = wordAt(d, 2);
            const int bytes = quint8(d.at(4));
            r.wellFormed = bytes == 2 * r.count && d.size() == 5 + bytes;
            for (int i = 0; r.wellFormed && i < r.count; ++i)
                r.values.append(wordAt(d, 5 + 2 * i));
        }
        break;
    default:
        break;
    }
    return r;
}

QModbusResponse exceptionResponse(int function, int code)
{
    return QModbusExceptionResponse(QModbusPdu::FunctionCode(function),
                                    QModbusPdu::ExceptionCode(code));
}

QModbusResponse answerRequest(InstrumentModel &model, const DecodedRequest &request, int *exception)
{
    const auto fc = QModbusPdu::FunctionCode(request.function);
    int code = 0;
    QByteArray data;
    switch (request.function) {
    case QModbusPdu::ReadCoils:
    case QModbusPdu::ReadHoldingRegisters:
    case QModbusPdu::WriteSingleRegister:
    case QModbusPdu::WriteMultipleRegisters:
        code = request.wellFormed ? 0 : 3;
        break;
    default:
        code = 1; // the instrument knows only these four functions
        break;
    }

    QVector<quint16> values;
    if (code == 0 && request.function == QModbusPdu::ReadCoils) {
        code = model.readCoils(request.address, request.count, &values);
        if (code == 0) {
            QByteArray bits((request.count + 7) / 8, 0);
            for (int i = 0; i < values.size(); ++i) {
                if (values.at(i))
                    bits[i / 8] = char(bits.at(i / 8) | (1 << (i % 8)));
            }
            data.append(char(bits.size()));
            data.append(bits);
        }
    } else if (code == 0 && request.function == QModbusPdu::ReadHoldingRegisters) {
        code = model.readHolding(request.address, request.count, &values);
        if (code == 0) {
            data.append(char(2 * values.size()));
            for (quint16 v : qAsConst(values))
                appendWord(&data, v);
        }
    } else if (code == 0) {
        code = model.writeHolding(request.address, request.values);
        appendWord(&data, quint16(request.address));
        appendWord(&data, request.function == QModbusPdu::WriteSingleRegister
                              ? request.values.value(0)
                              : quint16(request.count));
    }

    if (exception)
        *exception = code;
    if (code != 0)
        return exceptionResponse(fc, code);
    return QModbusResponse(fc, data);
}

} // namespace sim
