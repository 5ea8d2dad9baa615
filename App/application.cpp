#include "application.h"
#include "logcategories.h"

#include "devicemodel.h"
#include "ui_application.h"

#include <QTabBar>

namespace {

const char BannerText[] = QT_TRANSLATE_NOOP(
    "Application",
    "Application remote editing disabled, remote modification of calibration parameters "
    "prohibited!");

const DecimalTexts CompareValueRanges = {
    QT_TRANSLATE_NOOP("Application", "0 - 999999"),
    QT_TRANSLATE_NOOP("Application", "0 - 99999.9"),
    QT_TRANSLATE_NOOP("Application", "0 - 9999.99"),
    QT_TRANSLATE_NOOP("Application", "0 - 999.999"),
    QT_TRANSLATE_NOOP("Application", "0 - 99.9999"),
};

// The tab selector (register group) of each tab, in tab order.
constexpr quint32 TabGroups[] = {6, 7, 8};
constexpr int TabCount = 3;
// A selector that names no group: nothing is polled for the page.
constexpr quint32 NoTab = 0;

// The fourth preset point goes beside the third from this much room on.
constexpr int FourthBesideExtra = 71;
constexpr QPoint FourthBelow(10, 360);
constexpr int TabWidgetMargin = 60;
constexpr int TabWidgetHeight = 1131;

} // namespace

Application::Application(QWidget *parent) : ParamPage(parent), ui(new Ui::Application)
{
    ui->setupUi(this);
    wirePage();
    setBanner(ApplicationRemoteEditSlot, BannerText);
    setComboCommit(ComboCommit::ArmedOnly);

    for (int tab = 0; tab < TabCount; ++tab) {
        declareOnTab(tab);
        bindCatalogue(3, int(TabGroups[tab]));
    }
    addDecimalTooltips({ui->Edit_CompVal1_1, ui->Edit_CompVal1_2, ui->Edit_CompVal1_3,
                        ui->Edit_CompVal1_4, ui->Edit_CompVal2_1, ui->Edit_CompVal2_2,
                        ui->Edit_CompVal2_3, ui->Edit_CompVal2_4},
                       CompareValueRanges);
    addUnitLabels({ui->LabCompVal1Unit_1, ui->LabCompVal1Unit_2, ui->LabCompVal1Unit_3,
                   ui->LabCompVal1Unit_4, ui->LabCompVal2Unit_1, ui->LabCompVal2Unit_2,
                   ui->LabCompVal2Unit_3, ui->LabCompVal2Unit_4});
    declareOnTab(-1);
    followTabs(ui->tabWidget);
    // The bar spans the page, the tabs keep their own width: a click beside them
    // is a click on no tab.
    ui->tabWidget->tabBar()->setExpanding(false);
    ui->tabWidget->setCurrentIndex(0);
}

Application::~Application()
{
    delete ui;
}

void Application::enterPage()
{
    ui->retranslateUi(this);
    refresh(true);
    qCDebug(lcPages) << "Into Application-------------";
}

void Application::on_tabWidget_tabBarClicked(int index)
{
    gu32_AppSubPage = index >= 0 && index < TabCount ? TabGroups[index] : NoTab;
}

void Application::adaptWidth(int width)
{
    const int x2 = ui->widget_PresetPoint_2->x();
    const int x3 = ui->widget_PresetPoint_3->x();
    const int r3 = ui->widget_PresetPoint_3->geometry().right() + 1;
    const int s = x3 - x2;
    ui->widget_PresetPoint_4->move(width < s + r3 + FourthBesideExtra ? FourthBelow
                                                                      : QPoint(x3 + s, 10));
    ui->tabWidget->setGeometry(0, 0, width - TabWidgetMargin, TabWidgetHeight);
    setContentWidth(width);
}
