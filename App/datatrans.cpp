#include "datatrans.h"
#include "logcategories.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "ui_datatrans.h"

#include <QTimer>

namespace {

const char BannerText[] = QT_TRANSLATE_NOOP(
    "DataTrans",
    "Application remote editing disabled, remote modification of calibration parameters "
    "prohibited!");
const char CurrentUnit[] = QT_TRANSLATE_NOOP("DataTrans", "mA");
const char VoltageUnit[] = QT_TRANSLATE_NOOP("DataTrans", "V");
const char UserCurrentRange[] = QT_TRANSLATE_NOOP("DataTrans", "0 - 24.000 mA");
const char UserVoltageRange[] = QT_TRANSLATE_NOOP("DataTrans", "0 - 10.000 V");

// Outputs are kept in thousandths of a milliampere or of a volt.
constexpr int OutputDigits = 3;
// A type the instrument may report that leaves the output tooltips and unit as they were.
constexpr quint32 TypeKeepingTexts = 5;

constexpr int AnalogTypeRegister = 460;
constexpr int LiveWeightSlot = 0, LiveStatusSlot = 1;
constexpr int CalDivisionSlot = 2, CalFullScaleSlot = 3;

// Break points of the width adaptation, measured from the second serial panel.
constexpr int TwoRowsRoom = 1131, ThreeAcrossRoom = 1671, FourAcrossRoom = 2211;
constexpr int PanelPitch = 540;

bool isCurrentType(quint32 type)
{
    return type == Analog4To20mA || type == AnalogUserMa;
}

bool isUserType(int type)
{
    return type == AnalogUserMa || type == AnalogUserV;
}

} // namespace

DataTrans::DataTrans(QWidget *parent) : ParamPage(parent), ui(new Ui::DataTrans)
{
    ui->setupUi(this);
    wirePage();
    setBanner(ApplicationRemoteEditSlot, BannerText);

    m_outputs[0] = ui->EditMinOut;
    m_outputs[1] = ui->EditZeroOut;
    m_outputs[2] = ui->EditFSOut;
    m_outputs[3] = ui->EditMaxOut;
    m_outputUnits[0] = ui->label_MinOutUnit;
    m_outputUnits[1] = ui->label_ZeroOutUnit;
    m_outputUnits[2] = ui->label_FSOutUnit;
    m_outputUnits[3] = ui->label_MaxOutUnit;
    std::fill(std::begin(m_analogShown), std::end(m_analogShown), 0u);

    // The analog section commits by the catalogue but is shown by the page.
    QStringList analogNames{ui->cBoxAnalogType->objectName()};
    for (QLineEdit *edit : m_outputs)
        analogNames.append(edit->objectName());
    bindCatalogue(4, 0, analogNames);

    m_dataFormats = {ui->cBoxDataFormat_1, ui->cBoxDataFormat_2, ui->cBoxDataFormat_3};
    m_dataFormatTimer = addReshowTimer(m_dataFormats, DataFormatReshowMs);

    // A refused type write puts the old item back: the sub-panel follows it.
    connect(ui->cBoxAnalogType, QOverload<int>::of(&QComboBox::activated), this, [this] {
        if (ui->cBoxAnalogType->currentIndex() != m_appliedType)
            applyAnalogType(ui->cBoxAnalogType->currentIndex());
    });
    applyAnalogType(0);
}

DataTrans::~DataTrans()
{
    delete ui;
}

void DataTrans::enterPage()
{
    ui->retranslateUi(this);
    refresh(true);
    qCDebug(lcPages) << "Into Data Tran-------------";
}

void DataTrans::refresh(bool force)
{
    refreshBanner(force);
    refreshPlainFields(force);
    qCDebug(lcPages) << "DIG-----------1";
    // Until the analog group is read the section shows nothing rather than zeros.
    if (!RegisterKnown(AnalogTypeRegister)) {
        if (!m_analogBlank || force) {
            ui->cBoxAnalogType->setCurrentIndex(-1);
            for (QLineEdit *edit : m_outputs)
                edit->clear();
            ui->label_AnalogOutput->clear();
        }
        m_analogBlank = true;
        return;
    }
    const bool firstRead = m_analogBlank;
    m_analogBlank = false;
    refreshAnalogValues(force || firstRead);
    refreshPreview(force || firstRead);
}

void DataTrans::fieldShown(QWidget *widget)
{
    if (m_dataFormats.contains(widget))
        m_dataFormatTimer->start();
}

void DataTrans::on_cBoxAnalogType_activated(int index)
{
    applyAnalogType(index);
}

void DataTrans::applyAnalogType(int type)
{
    m_appliedType = type;
    const bool user = isUserType(type);
    ui->widget_Analog_2->setVisible(user);
    if (user) {
        const QString unit = pageText(type == AnalogUserMa ? CurrentUnit : VoltageUnit);
        for (QLabel *label : m_outputUnits)
            label->setText(unit);
    }
}

void DataTrans::refreshAnalogValues(bool force)
{
    quint16 *analog = gsrt_ComPara.analog;
    for (int k = 0; k < AnalogValues; ++k) {
        const quint32 value = analog[k];
        if (value == m_analogShown[k] && !force)
            continue;
        qCDebug(lcPages) << "DIG-----------1" << k;
        m_analogShown[k] = value;
        if (k == 0) {
            applyAnalogType(int(value));
            if (value != TypeKeepingTexts) {
                const QString tip = value == AnalogUserMa  ? pageText(UserCurrentRange)
                                    : value == AnalogUserV ? pageText(UserVoltageRange)
                                                           : QString();
                for (QLineEdit *edit : m_outputs)
                    edit->setToolTip(tip);
                if (value <= AnalogUserV)
                    ui->label_AnalogOutputUnit->setText(
                        pageText(isCurrentType(value) ? CurrentUnit : VoltageUnit));
            }
            ui->cBoxAnalogType->setCurrentIndex(int(value));
        } else {
            m_outputs[k - 1]->setText(FormatScaled(value, OutputDigits));
        }
    }

    // The standard types drive fixed outputs; the mirror holds them until group 13
    // is read again.
    const quint32 type = analog[0];
    if (EffectiveAnalogRange(type, analog, &m_range)) {
        if (type != AnalogUserMa) {
            analog[1] = quint16(m_range.minimum);
            analog[4] = quint16(m_range.maximum);
        }
        if (type == Analog4To20mA)
            analog[2] = quint16(m_range.zero);
    }
}

void DataTrans::refreshPreview(bool force)
{
    const qint32 output = AnalogOutputFor(qint32(gsrt_LiveVal.slot[LiveWeightSlot]),
                                          gsrt_LiveVal.slot[LiveStatusSlot],
                                          qint32(gsrt_CalPara.slot[CalFullScaleSlot]),
                                          qint32(gsrt_CalPara.slot[CalDivisionSlot]), m_range);
    qCDebug(lcPages) << "DIG--lu32_AnalogVal--5" << output;
    if (output == m_previewShown && !force)
        return;
    m_previewShown = output;
    ui->label_AnalogOutput->setText(FormatScaled(output, OutputDigits));
}

void DataTrans::adaptWidth(int width)
{
    const int x = ui->widget_COM_1->x();
    if (width < x + TwoRowsRoom) {
        ui->widget_COM_2->move(10, 360);
        ui->widget_NetCOM->move(550, 360);
        ui->widget_Print->move(550, 710);
        ui->widget_Analog->move(10, 710);
    } else if (width < x + ThreeAcrossRoom) {
        ui->widget_COM_2->move(x + PanelPitch, 10);
        ui->widget_NetCOM->move(10, 360);
        ui->widget_Print->move(x + PanelPitch, 360);
        ui->widget_Analog->move(550, 360);
    } else if (width < x + FourAcrossRoom) {
        ui->widget_COM_2->move(x + PanelPitch, 10);
        ui->widget_NetCOM->move(x + 2 * PanelPitch, 10);
        ui->widget_Print->move(550, 360);
        ui->widget_Analog->move(10, 360);
    } else {
        ui->widget_COM_2->move(x + PanelPitch, 10);
        ui->widget_NetCOM->move(x + 2 * PanelPitch, 10);
        ui->widget_Print->move(10, 360);
        ui->widget_Analog->move(x + 3 * PanelPitch, 10);
    }
    setContentWidth(width);
}
