#include "weightcal.h"
#include "logcategories.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "mesgBox.h"
#include "scaletestdialog.h"
#include "ui_weightcal.h"
#include "valuebinding.h"

#include <QDebug>
#include <QPushButton>

bool calPointsResetPending = false;

namespace {

const char BannerText[] = QT_TRANSLATE_NOOP(
    "WeightCal",
    "Calibration remote editing disabled, remote modification of calibration parameters "
    "prohibited!");

const DecimalTexts FullScaleRanges = {
    QT_TRANSLATE_NOOP("WeightCal", "0 - 999999"),  QT_TRANSLATE_NOOP("WeightCal", "0 - 99999.9"),
    QT_TRANSLATE_NOOP("WeightCal", "0 - 9999.99"), QT_TRANSLATE_NOOP("WeightCal", "0 - 999.999"),
    QT_TRANSLATE_NOOP("WeightCal", "0 - 99.9999"),
};

// The recorded signal of a calibration point in 0.0001 mV (analog mode).
constexpr int SignalDigits = 4;
constexpr int FirstSignalSlot = 6;
// Digital mode shows these slots as raw sensor counts.
constexpr int CapturedZeroSlot = 4;
constexpr int SingleSensorAdSlot = 11;

// A platform on four load cells; the digital kind has its modules instead.
constexpr int AnalogCorners = 4;
constexpr int ModuleCountSlot = 0;

// Break points of the width adaptation, measured from the calibration weight panel.
constexpr int TheoryBesideRoom = 781;
constexpr int AllBesideRoom = 1141;

} // namespace

WeightCal::WeightCal(QWidget *parent) : ParamPage(parent), ui(new Ui::WeightCal)
{
    ui->setupUi(this);
    wirePage();
    setBanner(CalibrationRemoteEditSlot, BannerText);

    m_calPointEdit[0] = ui->EditWeightCp1;
    m_calPointEdit[1] = ui->EditWeightCp2;
    m_calPointEdit[2] = ui->EditWeightCp3;
    m_calPointEdit[3] = ui->EditWeightCp4;
    m_calPointEdit[4] = ui->EditWeightCp5;
    m_signalLabel[0] = ui->LabWeightCP_1;
    m_signalLabel[1] = ui->LabWeightCP_2;
    m_signalLabel[2] = ui->LabWeightCP_3;
    m_signalLabel[3] = ui->LabWeightCP_4;
    m_signalLabel[4] = ui->LabWeightCP_5;
    m_signalUnit[0] = ui->label_MV1;
    m_signalUnit[1] = ui->label_MV2;
    m_signalUnit[2] = ui->label_MV3;
    m_signalUnit[3] = ui->label_MV4;
    m_signalUnit[4] = ui->label_MV5;

    // The calibration weights commit as weights but show what the page wrote last.
    QStringList calPointNames;
    for (QLineEdit *edit : m_calPointEdit)
        calPointNames.append(edit->objectName());
    bindCatalogue(2, 0, calPointNames);
    // Entering the same weight again calibrates that point again at the present load.
    QList<QWidget *> calPoints;
    for (QLineEdit *edit : m_calPointEdit)
        calPoints.append(edit);
    commitEvenUnchanged(calPoints);
    for (int n = 0; n < CalPoints; ++n) {
        m_calPointText[n] = QStringLiteral("0");
        addSlotField(m_signalLabel[n], &gsrt_CalPara.slot[FirstSignalSlot + n], ParamKind::Factor,
                     SignalDigits);
    }
    addDecimalTooltips({ui->EditFullScale, ui->EditFullScale_2, ui->EditFullScale_3},
                       FullScaleRanges);
    addUnitLabels({ui->label_FullScaleUnit, ui->label_FullScaleUnit_2, ui->label_FullScaleUnit_3,
                   ui->LabWCPUnit_1, ui->LabWCPUnit_2, ui->LabWCPUnit_3, ui->LabWCPUnit_4,
                   ui->LabWCPUnit_5});
    m_digitalValues = {{ui->label_ActMv_Wt, CapturedZeroSlot, false, 0},
                       {ui->label_CalZeroMv_Wt, CalManualZeroSlot, true, 0},
                       {ui->label_SignleADLC, SingleSensorAdSlot, true, 0}};

    ui->BtnAutoZero->installEventFilter(this);
    connect(ui->BtnAutoZero, &QPushButton::clicked, this, &WeightCal::captureZero);

    m_scaleTest = new QPushButton(ui->widget_CalCorrect);
    m_scaleTest->setObjectName(QStringLiteral("BtnScaleTest"));
    m_scaleTest->setMinimumSize(200, 40);
    ui->verticalLayout_widget_CalCorrect->insertWidget(2, m_scaleTest, 0, Qt::AlignHCenter);
    connect(m_scaleTest, &QPushButton::clicked, this, &WeightCal::openScaleTest);
}

WeightCal::~WeightCal()
{
    delete ui;
}

void WeightCal::enterPage()
{
    ui->retranslateUi(this);
    m_scaleTest->setText(tr("Scale Test..."));
    refresh(true);
    qCDebug(lcPages) << "Into cal translate";
}

void WeightCal::refresh(bool force)
{
    refreshBanner(force);
    const bool modeChanged = gu8_DigSensorsType != m_shownSensorsType;
    if (force || modeChanged)
        applyDisplayMode(gu8_DigSensorsType);
    // Values not shown in the other mode are brought up to date on a switch.
    refreshDigitalValues(force || modeChanged);
    refreshPlainFields(force);
    if (refreshWeightFields(force)) {
        for (int n = 0; n < CalPoints; ++n)
            showCalPoint(n);
    }
    refreshUnitLabels(force);
    if (calPointsResetPending) {
        for (int n = 0; n < CalPoints; ++n) {
            m_calPointText[n] = QStringLiteral("0");
            showCalPoint(n);
        }
        calPointsResetPending = false;
    }
}

void WeightCal::applyDisplayMode(int sensorsType)
{
    m_shownSensorsType = sensorsType;
    const bool digital = sensorsType != 0;
    for (int n = 0; n < CalPoints; ++n) {
        m_signalUnit[n]->setText(digital ? QStringLiteral(" ") : tr("mV"));
        setFieldFormat(m_signalLabel[n], digital ? ParamKind::Display : ParamKind::Factor,
                       digital ? 0 : SignalDigits);
    }
    const QList<QWidget *> analogOnly = {
        ui->label_EditkeyInmv, ui->EditManualZero,   ui->EditManualZeroUnit, ui->label_LCmV,
        ui->EditLcMv,          ui->label_LcCapacity, ui->EditLcCapacity};
    for (QWidget *widget : analogOnly)
        widget->setVisible(!digital);
    const QList<QWidget *> digitalOnly = {ui->label_CalZero, ui->label_CalZeroMv_Wt,
                                          ui->label_ActMv_Wt};
    for (QWidget *widget : digitalOnly)
        widget->setVisible(digital);
    ui->label_SigngleSensorAD->hide();
    ui->label_SignleADLC->hide();
}

void WeightCal::refreshDigitalValues(bool force)
{
    if (m_shownSensorsType == 0)
        return;
    for (DigitalValue &value : m_digitalValues) {
        const quint32 v = gsrt_CalPara.slot[value.slot];
        if (v == value.shown && !force)
            continue;
        value.shown = v;
        value.label->setText(QString::number(qint32(v)));
        if (value.logged)
            qCDebug(lcPages) << "DIG srtCalBp.u32_ManualZero" << v;
    }
}

void WeightCal::showCalPoint(int point)
{
    const int decimals = int(gsrt_CalPara.slot[CalDecimalSlot]);
    m_calPointEdit[point]->setText(FormatScaled(m_calPointText[point].toLongLong(), decimals));
}

void WeightCal::lineEditCommitted(QLineEdit *edit, const QString &raw, ModbusResult result)
{
    int point = 0;
    while (point < CalPoints && m_calPointEdit[point] != edit)
        ++point;
    if (point == CalPoints || result != ModbusOk)
        return;
    m_calPointText[point] = raw.section(QLatin1Char('.'), 0, 0);
    showCalPoint(point);
    // A new first point starts a new calibration: the later points are void.
    if (point == 0) {
        for (int n = 1; n < CalPoints; ++n) {
            m_calPointText[n] = QStringLiteral("0");
            showCalPoint(n);
        }
    }
}

void WeightCal::captureZero()
{
    // The button itself is the target, whichever widget had the focus before.
    SendWidgetValue(ui->BtnAutoZero, QStringLiteral("1"));
}

void WeightCal::openScaleTest()
{
    ScaleRanges ranges;
    QString error;
    if (!ScaleRangeReader::fromCalibration(gsrt_CalPara.slot, &ranges, &error)) {
        showNotice(tr("Scale Test"), error, 1, this);
        return;
    }
    // the calibration steps go the way the page's own fields and button go
    ScaleTestDialog::Instrument instrument = ScaleTestDialog::linkInstrument();
    instrument.captureZero = [this] {
        return SendWidgetValue(ui->BtnAutoZero, QStringLiteral("1"));
    };
    instrument.writeCalPoint1 = [this](qint64 weight) {
        const QString raw = QString::number(weight);
        const ModbusResult result = SendWidgetValue(m_calPointEdit[0], raw);
        lineEditCommitted(m_calPointEdit[0], raw, result);
        return result;
    };
    const int corners =
        gu8_DigSensorsType != 0 ? int(gsrt_DigPara.slot[ModuleCountSlot]) : AnalogCorners;
    ScaleTestDialog dialog(ranges, corners, instrument, this);
    dialog.exec();
}

void WeightCal::adaptWidth(int width)
{
    const int x = ui->widget_CALWeight->x();
    if (width < x + TheoryBesideRoom) {
        ui->widget_TheoryCal->move(10, 365);
        ui->widget_CalCorrect->move(370, 365);
    } else if (width < x + AllBesideRoom) {
        ui->widget_TheoryCal->move(x + 360, 10);
        ui->widget_CalCorrect->move(10, 365);
    } else {
        ui->widget_TheoryCal->move(x + 360, 10);
        ui->widget_CalCorrect->move(x + 720, 10);
    }
    setContentWidth(width);
}
