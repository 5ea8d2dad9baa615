#include "digsensors.h"
#include "logcategories.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "mesgBox.h"
#include "ui_digsensors.h"
#include "valuebinding.h"

#include <algorithm>

namespace {

constexpr int ModuleCountSlot = 0;
// Corner factors are held in units of 0.00001.
constexpr int CornerDigits = 5;

// One confirmation text per corner: the instrument has no more than eight.
const char *const CornerTexts[DigSensors::Modules] = {
    QT_TRANSLATE_NOOP("DigSensors", "Confirmation after pressing corner 1"),
    QT_TRANSLATE_NOOP("DigSensors", "Confirmation after pressing corner 2"),
    QT_TRANSLATE_NOOP("DigSensors", "Confirmation after pressing corner 3"),
    QT_TRANSLATE_NOOP("DigSensors", "Confirmation after pressing corner 4"),
    QT_TRANSLATE_NOOP("DigSensors", "Confirmation after pressing corner 5"),
    QT_TRANSLATE_NOOP("DigSensors", "Confirmation after pressing corner 6"),
    QT_TRANSLATE_NOOP("DigSensors", "Confirmation after pressing corner 7"),
    QT_TRANSLATE_NOOP("DigSensors", "Confirmation after pressing corner 8"),
};

// How many panels, corner rows and corner steps a module count stands for.
int shownModules(int count)
{
    return qBound(0, count, DigSensors::Modules);
}

} // namespace

DigSensors::DigSensors(QWidget *parent) : ParamPage(parent), ui(new Ui::DigSensors)
{
    ui->setupUi(this);
    wirePage();

    QWidget *const panels[] = {ui->Widget_AD1, ui->Widget_AD2, ui->Widget_AD3, ui->Widget_AD4,
                               ui->Widget_AD5, ui->Widget_AD6, ui->Widget_AD7, ui->Widget_AD8};
    QLabel *const prefixes[] = {ui->label_AD_outway_1, ui->label_AD_outway_2, ui->label_AD_outway_3,
                                ui->label_AD_outway_4, ui->label_AD_outway_5, ui->label_AD_outway_6,
                                ui->label_AD_outway_7, ui->label_AD_outway_8};
    QLabel *const cornerLabels[] = {ui->label_AngleDif1, ui->label_AngleDif2, ui->label_AngleDif3,
                                    ui->label_AngleDif4, ui->label_AngleDif5, ui->label_AngleDif6,
                                    ui->label_AngleDif7, ui->label_AngleDif8};
    QLineEdit *const cornerEdits[] = {ui->EditAngleDif1, ui->EditAngleDif2, ui->EditAngleDif3,
                                      ui->EditAngleDif4, ui->EditAngleDif5, ui->EditAngleDif6,
                                      ui->EditAngleDif7, ui->EditAngleDif8};
    QList<QWidget *> corners;
    for (int n = 0; n < Modules; ++n) {
        m_sensorPanel[n] = panels[n];
        m_prefix[n] = prefixes[n];
        m_cornerLabel[n] = cornerLabels[n];
        m_cornerEdit[n] = cornerEdits[n];
        corners.append(cornerEdits[n]);
    }

    bindCatalogue(6);
    // Corner factors of absent modules are not shown.
    limitFields(corners, [] { return moduleCount(); });

    for (QPushButton *button : {ui->BtnSearchSen, ui->BtnAngleFix, ui->BtnAngleReset})
        button->installEventFilter(this);
    connect(ui->BtnSearchSen, &QPushButton::clicked, this, &DigSensors::searchSensors);
    connect(ui->BtnAngleFix, &QPushButton::clicked, this, &DigSensors::fixCorners);
    connect(ui->BtnAngleReset, &QPushButton::clicked, this, &DigSensors::resetCorners);
}

DigSensors::~DigSensors()
{
    delete ui;
}

int DigSensors::moduleCount()
{
    return qint32(gsrt_DigPara.slot[ModuleCountSlot]);
}

void DigSensors::enterPage()
{
    ui->retranslateUi(this);
    refresh(true);
}

void DigSensors::refresh(bool force)
{
    const int count = moduleCount();
    if (force || count != m_shownModules)
        showModules(count);
    refreshPlainFields(force);
    const quint32 way = gsrt_DigPara.slot[RemoteOutWaySlot];
    if (force || way != m_shownWay)
        showOutWay(way);
}

void DigSensors::showModules(int count)
{
    m_shownModules = count;
    const int shown = shownModules(count);
    for (int n = 0; n < Modules; ++n) {
        m_sensorPanel[n]->setVisible(n < shown);
        m_cornerLabel[n]->setVisible(n < shown);
        m_cornerEdit[n]->setVisible(n < shown);
    }
}

void DigSensors::showOutWay(quint32 way)
{
    m_shownWay = way;
    const QString prefix = way == 0 ? QStringLiteral("AD:") : QStringLiteral("Wt:");
    for (QLabel *label : m_prefix)
        label->setText(prefix);
}

QString DigSensors::entryRawText(const QLineEdit *edit) const
{
    const int corner = int(std::find(m_cornerEdit, m_cornerEdit + Modules, edit) - m_cornerEdit);
    if (corner == Modules)
        return QString();
    if (corner < moduleCount())
        return ScaleByFactorText(edit->text(), CornerDigits);
    // A corner without a module takes the text as typed; an empty one is put back.
    return edit->text().isEmpty() ? QString() : edit->text();
}

void DigSensors::startProcedure(QPushButton *button, const QString &note)
{
    qCDebug(lcPages) << "DIG ctrlObject" << button->objectName() << note;
    // The button itself is the target: a button that takes no focus must not send
    // its start value to the field that had the focus before.
    SendWidgetValue(button, QStringLiteral("1"));
}

void DigSensors::searchSensors()
{
    if (showNotice(tr("Tip"), tr("Search?"), 1, this))
        startProcedure(ui->BtnSearchSen, QString());
}

void DigSensors::resetCorners()
{
    if (showNotice(tr("Tip"), tr("Reset?"), 1, this))
        startProcedure(ui->BtnAngleReset, QString());
}

void DigSensors::fixCorners()
{
    // The count is read again before each corner: a refresh may run while a
    // confirmation is open.
    for (int corner = 0; corner < shownModules(moduleCount()); ++corner) {
        const QString text = tr(CornerTexts[corner]);
        if (!showNotice(tr("Tip"), text, 1, this))
            return;
        startProcedure(ui->BtnAngleFix, text);
    }
}
