#include "testmaintain.h"
#include "logcategories.h"

#include "devicemodel.h"
#include "filepaths.h"
#include "languagefont.h"
#include "mesgBox.h"
#include "modbuslink.h"
#include "paramtemplate.h"
#include "servicereporttab.h"
#include "sysinfotext.h"
#include "ui_testmaintain.h"
#include "valuebinding.h"
#include "weightcal.h"
#include "writesource.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QModbusClient>
#include <QUrl>

bool exportIdle = true;
bool importIdle = true;

namespace {

const char ResetPassword[] = "582046";

struct ResetRow
{
    const char *title;
    const char *confirmation;
    int commandRegister;
};

const ResetRow ResetTable[] = {
    {QT_TRANSLATE_NOOP("TestMaintain", "Reset All"),
     QT_TRANSLATE_NOOP("TestMaintain", "Confirm? Reset may result in communication loss!"), 520},
    {QT_TRANSLATE_NOOP("TestMaintain", "Reset CAL"), QT_TRANSLATE_NOOP("TestMaintain", "Confirm?"),
     522},
    {QT_TRANSLATE_NOOP("TestMaintain", "Reset Application"),
     QT_TRANSLATE_NOOP("TestMaintain", "Confirm? Reset may result in communication loss!"), 524},
};

// gsrt_SysInf slots of the information fields the device model does not name.
constexpr int BatteryLevelSlot = 36;
constexpr int BatteryVoltSlot = 37;

constexpr int ImportIconSize = 30;

} // namespace

TestMaintain::TestMaintain(QWidget *parent) : ParamPage(parent), ui(new Ui::TestMaintain)
{
    ui->setupUi(this);
    // The page has no scroll area: it draws the page background itself.
    setAttribute(Qt::WA_StyledBackground);
    std::fill(std::begin(m_shownInformation), std::end(m_shownInformation), Unknown);
    // The combo boxes commit on every activation; the read-only information
    // fields are no commit fields at all.
    wirePage(Wiring::CombosOnly);
    bindCatalogue(5);

    ui->progressBar_Import->hide();
    ui->label_Import->hide();
    ui->progressBar_Export->hide();
    ui->label_Export->hide();
    ui->tabWidget->setCurrentIndex(0);

    const auto openFolder = [](const QString &link) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(link));
    };
    connect(ui->label_exportPath, &QLabel::linkActivated, this, openFolder);
    connect(ui->label_importPath, &QLabel::linkActivated, this, openFolder);
    const auto countsLabel = [this](QGridLayout *grid, const char *name) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, 2);
        return label;
    };
    m_importCounts = countsLabel(ui->gridLayout_widget_Import, "label_importCounts");
    m_exportCounts = countsLabel(ui->gridLayout_widget_Export, "label_exportCounts");
    m_serviceReport = new ServiceReportTab(this);
    ui->tabWidget->addTab(m_serviceReport, QString());
    m_serviceReport->retranslate();

    setExportProcedure({});
    setImportProcedure({});
}

TestMaintain::~TestMaintain()
{
    delete ui;
}

void TestMaintain::showTransferCounts(bool import, const QString &text)
{
    (import ? m_importCounts : m_exportCounts)->setText(text);
}

void TestMaintain::setExportProcedure(SheetProcedure procedure)
{
    m_exportProcedure =
        procedure ? std::move(procedure) : [](const QString &, QModbusClient *, const Progress &) {
            return procedureUnavailable("export");
        };
}

void TestMaintain::setImportProcedure(SheetProcedure procedure)
{
    m_importProcedure =
        procedure ? std::move(procedure) : [](const QString &, QModbusClient *, const Progress &) {
            return procedureUnavailable("import");
        };
}

int TestMaintain::procedureUnavailable(const char *what)
{
    qCDebug(lcPages) << "no spreadsheet" << what << "procedure is connected";
    return ProcedureUnavailable;
}

void TestMaintain::enterPage()
{
    enterPage(gp_ModbusDevice);
}

void TestMaintain::enterPage(QModbusClient *device)
{
    ui->retranslateUi(this);
    refresh(true);
    ui->But_Import->setIcon(QIcon(QStringLiteral(":/images/icon_download.ico")));
    ui->But_Import->setIconSize(QSize(ImportIconSize, ImportIconSize));
    for (QLineEdit *edit :
         {ui->EditSoftwareVersion, ui->EditCompileDate, ui->EditSerialNum, ui->EditMAC,
          ui->EditInstrumentID, ui->EditBatteryLevel, ui->EditBatteryVolt})
        edit->setCursor(Qt::ForbiddenCursor);
    m_device = device;
    qCDebug(lcPages) << "Into Test_Maintain------";
}

void TestMaintain::refresh(bool force)
{
    refreshInformation(force);
    refreshPlainFields(force);
    // The remote-edit switches follow the instrument only when the page is entered.
    if (force) {
        ui->cBoxCalRemoteEdit->setCurrentIndex(int(gsrt_SysInf.slot[CalibrationRemoteEditSlot]));
        ui->cBoxNCalRemoteEdit->setCurrentIndex(int(gsrt_SysInf.slot[ApplicationRemoteEditSlot]));
    }
}

void TestMaintain::refreshInformation(bool force)
{
    const auto changed = [&](int slot) {
        const quint32 value = gsrt_SysInf.slot[slot];
        if (value == m_shownInformation[slot] && !force)
            return false;
        m_shownInformation[slot] = value;
        return true;
    };
    if (changed(SoftVersionSlot)) {
        ui->EditSoftwareVersion->setText(QString::number(gsrt_SysInf.slot[SoftVersionSlot]));
        qCDebug(lcPages) << "DIG ctrlValBp[i]" << gsrt_SysInf.slot[SoftVersionSlot];
    }
    if (changed(CompileDateSlot))
        ui->EditCompileDate->setText(CompileDateText(gsrt_SysInf.slot[CompileDateSlot]));

    QString serial = ui->EditSerialNum->text();
    bool serialChanged = false;
    for (int i = 0; i < SerialNumberChars; ++i) {
        if (changed(SerialNumberSlot + i)) {
            PatchSerialChar(serial, i, quint16(gsrt_SysInf.slot[SerialNumberSlot + i]));
            serialChanged = true;
        }
    }
    if (serialChanged)
        ui->EditSerialNum->setText(serial);

    QString mac = ui->EditMAC->text();
    bool macChanged = false;
    for (int i = 0; i < MacBytes; ++i) {
        if (changed(MacSlot + i)) {
            PatchMacByte(mac, i, gsrt_SysInf.slot[MacSlot + i]);
            macChanged = true;
        }
    }
    if (macChanged)
        ui->EditMAC->setText(mac);

    const std::pair<QLineEdit *, int> plain[] = {{ui->EditInstrumentID, InstrumentIdSlot},
                                                 {ui->EditBatteryLevel, BatteryLevelSlot},
                                                 {ui->EditBatteryVolt, BatteryVoltSlot}};
    for (const auto &field : plain) {
        if (changed(field.second))
            field.first->setText(QString::number(gsrt_SysInf.slot[field.second]));
    }
}

// ---- resets ---------------------------------------------------------------

void TestMaintain::on_Btn_ResetALL_clicked()
{
    runReset(ResetAll);
}

void TestMaintain::on_Btn_ResetCAL_clicked()
{
    runReset(ResetCalibration);
}

void TestMaintain::on_Btn_ResetAPP_clicked()
{
    runReset(ResetApplication);
}

bool TestMaintain::passwordGranted()
{
    if (m_passwordAccepted)
        return true;
    const QString entered = askPassword(this);
    if (entered.isEmpty())
        return false;
    const QString password = QLatin1String(ResetPassword);
    if (entered != password && entered != password + QLatin1String("\r\n")) {
        showNotice(tr("Tip"), tr("Password Failed!"), 1, this);
        return false;
    }
    m_passwordAccepted = true;
    return true;
}

void TestMaintain::runReset(ResetKind kind)
{
    const ResetRow &row = ResetTable[kind];
    if (!passwordGranted())
        return;
    if (!showNotice(tr(row.title), tr(row.confirmation), 1, this))
        return;
    LinkSettings request;
    request.startAddress = row.commandRegister;
    request.count = 2;
    const WriteSource source(QStringLiteral("procedure %1").arg(QLatin1String(row.title)));
    if (WriteParam(m_device, 1, request) != ModbusOk) {
        showNotice(tr("Tip"), tr("Reset Failed!"), 0, this);
        return;
    }
    // The calibration weights the weight page keeps are void after these two resets.
    if (kind != ResetApplication)
        calPointsResetPending = true;
    showNotice(tr("Tip"), tr("Reset Successful!"), 0, this);
}

// ---- import and export ----------------------------------------------------

QString TestMaintain::exportTemplatePath(quint32 language)
{
    return TemplateDir() + (language != 0 ? QStringLiteral("QuarnT-Zelt_CN.xlsx")
                                          : QStringLiteral("QuarnT-Zelt_EN.xlsx"));
}

QString TestMaintain::exportTargetPath(quint32 language)
{
    return ExportDir() +
           (language != 0 ? tr("QuarnT-Zelt_导出文件.xlsx") : tr("QuarnT-Zelt_ExportFile.xlsx"));
}

void TestMaintain::prepareProgress(QProgressBar *bar, QLabel *busyLabel, QLabel *pathLabel)
{
    bar->setValue(0);
    bar->setFormat(QStringLiteral("%p%"));
    bar->setAlignment(Qt::AlignCenter);
    bar->setStyleSheet(QStringLiteral("QProgressBar{ color: orange;}"));
    busyLabel->show();
    bar->show();
    pathLabel->clear();
}

int TestMaintain::runProcedure(const SheetProcedure &procedure, const QString &file,
                               QProgressBar *bar)
{
    QPointer<QProgressBar> shown = bar;
    return procedure(file, m_device, [shown](int percent) {
        if (shown)
            shown->setValue(percent);
    });
}

void TestMaintain::showPathLink(QLabel *pathLabel, const char *prefix, const QString &file)
{
    const QString folder = file.left(file.lastIndexOf(QLatin1Char('/')));
    pathLabel->setText(QStringLiteral("<a style='color:#00aaff;' href=\"%1\">%2</a>")
                           .arg(folder, tr(prefix) + file));
}

void TestMaintain::reportTransfer(bool import, int result, const QString &file)
{
    if (result == ProcedureStopped)
        return;
    if (result < 0) {
        showNotice(tr("Tip"), import ? tr("Import Failed!") : tr("Export Failed!"), 1, this);
        return;
    }
    // The rows that went through are in the instrument or the file: the link
    // stays, and the notice says which rows did not.
    showPathLink(import ? ui->label_importPath : ui->label_exportPath,
                 import ? QT_TR_NOOP("Import Path>>>") : QT_TR_NOOP("Export Path>>>"), file);
    if (result == ProcedurePartial) {
        const QString counts = (import ? m_importCounts : m_exportCounts)->text();
        showNotice(
            tr("Tip"),
            (import ? tr("Import finished with problems!") : tr("Export finished with problems!")) +
                (counts.isEmpty() ? QString() : QLatin1Char('\n') + counts),
            1, this);
        return;
    }
    showNotice(tr("Tip"), import ? tr("Import Successful!") : tr("Export Successful!"), 1, this);
}

void TestMaintain::on_Btu_Export_clicked()
{
    if (!exportIdle)
        return;
    exportIdle = false;

    const QString templatePath = exportTemplatePath(gu32_Language);
    const QString target = exportTargetPath(gu32_Language);
    qCDebug(lcPages) << "export template" << templatePath << "target" << target;
    // A missing template is made from the parameter catalogue.
    EnsureParamTemplate(templatePath, int(gu32_Language));
    if (QFile::exists(target)) {
        // The earlier export is kept under its time; a failed copy shows itself
        // when the engine cannot open the target.
        SetAsidePreviousExport(target);
        QFile::copy(templatePath, target);
    } else {
        const bool copied = QFile::copy(templatePath, target);
        qCDebug(lcPages) << "export target made from the template:" << copied;
    }

    prepareProgress(ui->progressBar_Export, ui->label_Export, ui->label_exportPath);
    m_exportCounts->clear();
    reportTransfer(false, runProcedure(m_exportProcedure, target, ui->progressBar_Export), target);
    ui->label_Export->hide();
    ui->progressBar_Export->hide();
    exportIdle = true;
}

QString TestMaintain::chooseImportFile()
{
    return QFileDialog::getOpenFileName(nullptr, tr("Select File"), QString(),
                                        tr("Excel Files (*.xlsx *.xls)") + QLatin1String(";;") +
                                            tr("All Files (*)"));
}

void TestMaintain::on_But_Import_clicked()
{
    if (!importIdle)
        return;
    importIdle = false;

    const QString file = chooseImportFile();
    if (!file.isEmpty()) {
        prepareProgress(ui->progressBar_Import, ui->label_Import, ui->label_importPath);
        m_importCounts->clear();
        reportTransfer(true, runProcedure(m_importProcedure, file, ui->progressBar_Import), file);
        ui->label_Import->hide();
        ui->progressBar_Import->hide();
    }
    importIdle = true;
}
