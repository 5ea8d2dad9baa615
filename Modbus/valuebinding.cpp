#include "valuebinding.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "modbuslink.h"
#include "paramcatalogue.h"

#include <QComboBox>
#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QString valueBeforeEdit;

namespace {

const char BeforeEditProperty[] = "zeltValueBeforeEdit";

quint32 renderedDecimal = 0;
quint32 renderedUnit = 0;

// Integer parts of this length or more are refused: they would not fit a signed 32-bit value.
constexpr int RefusedIntegerLength = 10;
constexpr int TimeoutRepeats = 2;

LinkSettings parameterRequest(int address, int count)
{
    LinkSettings request;
    request.slaveId = qint32(gu32_SlaveId);
    request.dwordFormat = qint32(WordOrderAt(address, gu32_DwordFormat));
    request.startAddress = address;
    request.count = quint16(count);
    return request;
}

// The value of a parameter read of count registers (1 or 2) in the order of its address.
quint32 readValue(const LinkSettings &request, const quint16 *registers)
{
    return request.count == 1 ? registers[0]
                              : JoinWords(registers[0], registers[1], quint32(request.dwordFormat));
}

quint32 decimalSetting()
{
    return gsrt_CalPara.slot[CalDecimalSlot];
}

} // namespace

void RememberValueBeforeEdit(QWidget *widget, const QString &text)
{
    valueBeforeEdit = text;
    if (widget)
        widget->setProperty(BeforeEditProperty, text);
}

QString ValueBeforeEdit(const QWidget *widget)
{
    const QVariant own = widget ? widget->property(BeforeEditProperty) : QVariant();
    return own.isValid() ? own.toString() : valueBeforeEdit;
}

QString UnitName(quint32 unit)
{
    static const char *const names[] = {"t", "kg", "g", "lb", "KN", "N"};
    return unit < 6 ? QString::fromLatin1(names[unit]) : QString();
}

ModbusResult WriteParam(QModbusClient *client, quint32 v, LinkSettings request)
{
    request.slaveId = qint32(gu32_SlaveId);
    request.dwordFormat = qint32(WordOrderAt(request.startAddress, gu32_DwordFormat));
    // A parameter is one or two registers; any other count would send what is not there.
    if (request.count < 1 || request.count > 2) {
        qDebug() << "Send Address:" << request.startAddress << "refused count" << request.count;
        return ModbusProtocolError;
    }
    quint16 registers[2] = {};
    if (request.count == 1) {
        registers[0] = quint16(v & 0xFFFF);
        qDebug() << "Send Address:" << request.startAddress << "Send data:" << registers[0];
    } else {
        SplitWords(v, quint32(request.dwordFormat), &registers[0], &registers[1]);
        qDebug() << "Send Address:" << request.startAddress << "Send data:" << v;
    }
    return WriteHoldingRegisters(client, request, registers);
}

quint32 ReadParamForExport(int address, int count, bool *ok)
{
    if (ok)
        *ok = true;
    if (count < 1 || count > 3)
        return 0;
    // Count 3 marks a float parameter: the same two registers, taken as float bits by the caller.
    return ReadParam(address, qMin(count, 2), ok);
}

quint32 ReadParam(int address, int count, bool *ok)
{
    if (ok)
        *ok = false;
    // The reply buffer holds one parameter: one or two registers.
    if (count < 1 || count > 2) {
        qDebug() << "ReadParam refused count" << count << "at" << address;
        return ReadParamFailed;
    }
    quint16 registers[2] = {};
    const LinkSettings request = parameterRequest(address, count);
    if (ReadHoldingRegisters(gp_ModbusDevice, request, registers) != ModbusOk)
        return ReadParamFailed;
    const quint32 value = readValue(request, registers);
    qDebug() << "lun_Dword.u32DWord" << value;
    if (ok)
        *ok = true;
    return value;
}

ModbusResult SendWidgetValue(QWidget *widget, const QString &text)
{
    if (!widget || qstrcmp(widget->metaObject()->className(), "QComboBoxListView") == 0)
        return ModbusProtocolError;
    const ParamRow *row = FindWriteRow(gu32_PageIndex, gu32_AppSubPage, widget->objectName());
    if (!row)
        return ModbusProtocolError;

    auto *edit = qobject_cast<QLineEdit *>(widget);
    auto *combo = qobject_cast<QComboBox *>(widget);
    // Taken now: the waits below run other edits, which remember their own.
    const QString before = ValueBeforeEdit(widget);

    // Refused before any traffic: such a value does not fit the register.
    const QString integerPart = text.section(QLatin1Char('.'), 0, 0);
    if (integerPart.size() >= RefusedIntegerLength) {
        if (edit)
            edit->setText(before);
        return ModbusProtocolError;
    }
    const quint32 readVal = ReadParam(row->address, row->count);
    bool numeric = false;
    qint32 sendVal = integerPart.toInt(&numeric);
    if (!numeric)
        sendVal = 0;

    qDebug() << "DIG in" << widget->objectName() << row->address << row->count << "sendVal"
             << sendVal << "readVal" << readVal;

    LinkSettings request;
    request.startAddress = row->address;
    request.count = row->count;
    ModbusResult result = WriteParam(gp_ModbusDevice, quint32(sendVal), request);
    const bool firstTimedOut = result == ModbusTimeout;
    for (int repeat = 0; result == ModbusTimeout && repeat < TimeoutRepeats; ++repeat)
        result = WriteParam(gp_ModbusDevice, quint32(sendVal), request);

    const bool restore = result != ModbusOk || firstTimedOut;
    if (combo) {
        if (restore)
            combo->setCurrentIndex(before.toInt());
    } else if (edit) {
        if (restore || quint32(sendVal) == readVal)
            edit->setText(before);
    }
    return result;
}

QString ToRawText(const QLineEdit *edit)
{
    return ScaleToRawText(edit->text(), int(decimalSetting()));
}

bool RefreshLineEdits(QLineEdit *const *edits, int n, quint32 *const *cached,
                      const quint32 *const *mirror, bool force)
{
    const quint32 d = decimalSetting();
    const bool changed = force || d != renderedDecimal;
    if (changed)
        renderedDecimal = d;
    for (int i = 0; i < n; ++i) {
        const quint32 v = *mirror[i];
        if (*cached[i] != v || changed) {
            *cached[i] = v;
            edits[i]->setText(FormatScaled(qint32(v), int(d)));
        }
    }
    return changed;
}

void RefreshUnitLabels(QLabel *const *labels, int n, bool force)
{
    const quint32 u = gsrt_CalPara.slot[CalUnitSlot];
    if (u == renderedUnit && !force)
        return;
    renderedUnit = u;
    const QString name = UnitName(u);
    for (int i = 0; i < n; ++i)
        labels[i]->setText(name);
}

bool UnitChanged(bool force)
{
    const quint32 u = gsrt_CalPara.slot[CalUnitSlot];
    const bool changed = force || u != renderedUnit;
    renderedUnit = u;
    return changed;
}

void ResetRenderCaches()
{
    renderedDecimal = 0;
    renderedUnit = 0;
}
