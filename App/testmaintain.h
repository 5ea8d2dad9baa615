#pragma once

#include "parampage.h"

#include <QPointer>
#include <functional>

class QLabel;
class QModbusClient;
class QProgressBar;
class ServiceReportTab;

namespace Ui {
class TestMaintain;
}

// Keep the export and the import handler from running twice at once: both
// process events while they work, so the same button can be clicked again.
extern bool exportIdle;
extern bool importIdle;

// The test and maintenance page: system information decoded from the
// instrument, display and LED settings, the remote-edit switches, the three
// resets behind a password, and the import and export of all parameters
// through a spreadsheet file.
//
// The spreadsheet procedures plug in through setExportProcedure() and
// setImportProcedure(). A procedure gets the workbook path, the device
// connection handed to the page at entry, and a progress callback (percent,
// 0-100, drives the tab's progress bar); it starts the spreadsheet engine, works
// through the rows, shuts the engine down and returns its result code: below 0
// failed, ProcedureStopped when a disconnect stopped it, ProcedurePartial when
// it went through the file but some rows failed, anything else done.
// The page does the rest: the file choice, the template copy, the progress bar,
// the result notice and the path link. Until a procedure is connected the page
// reports every run as failed (ProcedureUnavailable), never as done.
class TestMaintain : public ParamPage
{
    Q_OBJECT

public:
    using Progress = std::function<void(int percent)>;
    using SheetProcedure =
        std::function<int(const QString &file, QModbusClient *device, const Progress &progress)>;

    static constexpr int ProcedureStopped = 100;
    static constexpr int ProcedurePartial = 101;
    static constexpr int ProcedureUnavailable = -100;

    explicit TestMaintain(QWidget *parent = nullptr);
    ~TestMaintain() override;

    // The main window hands the page the device connection at entry.
    void enterPage(QModbusClient *device);
    void enterPage() override;
    void refresh(bool force) override;

    void setExportProcedure(SheetProcedure procedure);
    void setImportProcedure(SheetProcedure procedure);
    // What the last import or export did with the rows, shown on its tab beside
    // the path link ("120 rows: 117 written, 3 refused (rows 14, 15, 88)").
    void showTransferCounts(bool import, const QString &text);
    // The tab that makes the service report.
    ServiceReportTab *serviceReport() const { return m_serviceReport; }

    // The password is asked again after the page was left.
    void clearPasswordAccepted() { m_passwordAccepted = false; }
    bool passwordAccepted() const { return m_passwordAccepted; }

    // The export target for the language: the English or the Chinese file name
    // under the export folder, and the matching template.
    static QString exportTemplatePath(quint32 language);
    static QString exportTargetPath(quint32 language);

private slots:
    void on_But_Import_clicked();
    void on_Btu_Export_clicked();
    void on_Btn_ResetALL_clicked();
    void on_Btn_ResetAPP_clicked();
    void on_Btn_ResetCAL_clicked();

protected:
    // The workbook to import; empty when the user chose none.
    virtual QString chooseImportFile();

private:
    enum ResetKind { ResetAll = 0, ResetCalibration = 1, ResetApplication = 2 };

    void runReset(ResetKind kind);
    bool passwordGranted();
    void refreshInformation(bool force);
    void prepareProgress(QProgressBar *bar, QLabel *busyLabel, QLabel *pathLabel);
    // Runs procedure on file with the bar as its progress display; returns its result.
    int runProcedure(const SheetProcedure &procedure, const QString &file, QProgressBar *bar);
    void showPathLink(QLabel *pathLabel, const char *prefix, const QString &file);
    // The notice and path link for a procedure's result.
    void reportTransfer(bool import, int result, const QString &file);
    static int procedureUnavailable(const char *what);

    Ui::TestMaintain *ui;
    QLabel *m_importCounts = nullptr;
    QLabel *m_exportCounts = nullptr;
    ServiceReportTab *m_serviceReport = nullptr;
    QPointer<QModbusClient> m_device;
    bool m_passwordAccepted = false;
    SheetProcedure m_exportProcedure;
    SheetProcedure m_importProcedure;

    // What the information fields were last given; the serial number and the MAC
    // address per register. Unknown until the first refresh.
    static constexpr quint32 Unknown = 0xFFFFFFFFu;
    static constexpr int InformationSlots = 38;
    quint32 m_shownInformation[InformationSlots];
};
