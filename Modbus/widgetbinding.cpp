#include "logcategories.h"
#include "valuebinding.h"
#include "writesource.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "modbuslink.h"
#include "paramcatalogue.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The widget half of the value binding: the pages' write entry and the renderers.

QString valueBeforeEdit;

namespace {

quint32 renderedDecimal = 0;
quint32 renderedUnit = 0;

const char BeforeEditProperty[] = "zeltValueBeforeEdit";

// Integer parts of this length or more are refused: they would not fit a signed 32-bit value.
constexpr int RefusedIntegerLength = 10;
constexpr int TimeoutRepeats = 2;

// What the service record calls the action a page's command button starts.
QString ProcedureName(const char *button)
{
    static const struct
    {
        const char *button;
        const char *name;
    } Procedures[] = {{"BtnAutoZero", "zero capture"},
                      {"BtnAngleFix", "corner correction"},
                      {"BtnAngleReset", "corner correction reset"},
                      {"BtnSearchSen", "sensor search"}};
    for (const auto &p : Procedures) {
        if (qstrcmp(p.button, button) == 0)
            return QLatin1String(p.name);
    }
    return QLatin1String(button);
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
    static const char *const PageNames[] = {"",
                                            "Basic Config",
                                            "Weight and Calibration",
                                            "Application",
                                            "Data Transmission",
                                            "Test and Maintenance",
                                            "Digital Sensors"};
    const QString page = QLatin1String(PageNames[qBound(0, row->page, 6)]);
    WriteSource source(row->kind == ParamKind::Command
                           ? QStringLiteral("procedure %1, page %2, button %3")
                                 .arg(ProcedureName(row->widget), page, widget->objectName())
                           : QStringLiteral("page %1, field %2").arg(page, widget->objectName()));
    bool readOk = false;
    const quint32 readVal = ReadParam(row->address, row->count, &readOk);
    if (readOk)
        source.setOldValue(readVal);
    bool numeric = false;
    qint32 sendVal = integerPart.toInt(&numeric);
    if (!numeric)
        sendVal = 0;

    qCDebug(lcBinding) << "DIG in" << widget->objectName() << row->address << row->count
                       << "sendVal" << sendVal << "readVal" << readVal;

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
