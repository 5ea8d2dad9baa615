#include "basicconfig.h"
#include "logcategories.h"

#include "devicemodel.h"
#include "ui_basicconfig.h"

namespace {

const char BannerText[] = QT_TRANSLATE_NOOP(
    "BasicConfig",
    "Application remote editing disabled, remote modification of calibration parameters "
    "prohibited!");

// The re-zero threshold is a weight: its range follows the decimal setting.
const DecimalTexts RZeroThrRanges = {
    QT_TRANSLATE_NOOP("BasicConfig", "1 - 999999"),
    QT_TRANSLATE_NOOP("BasicConfig", "0.1 - 99999.9"),
    QT_TRANSLATE_NOOP("BasicConfig", "0.01 - 9999.99"),
    QT_TRANSLATE_NOOP("BasicConfig", "0.001 - 999.999"),
    QT_TRANSLATE_NOOP("BasicConfig", "0.0001 - 99.9999"),
};

// The sample filter panel goes beside the stability panel from this much room on.
constexpr int SideBySideRoom = 781;

} // namespace

BasicConfig::BasicConfig(QWidget *parent) : ParamPage(parent), ui(new Ui::BasicConfig)
{
    ui->setupUi(this);
    wirePage();
    setBanner(ApplicationRemoteEditSlot, BannerText);
    bindCatalogue(1);
    addDecimalTooltips({ui->EditRZeroThr}, RZeroThrRanges);
    addUnitLabels({ui->LabRZeroThrUnit});
}

BasicConfig::~BasicConfig()
{
    delete ui;
}

void BasicConfig::enterPage()
{
    ui->retranslateUi(this);
    refresh(true);
    qCDebug(lcPages) << "IN BasicParam---------";
}

void BasicConfig::adaptWidth(int width)
{
    const int x = ui->widget_Stab_TrZero->x();
    ui->widget_Sample_Filter->move(width < x + SideBySideRoom ? QPoint(10, 365)
                                                              : QPoint(x + 360, 10));
    setContentWidth(width);
}
