#include "paramfiles.h"

#include "App/testmaintain.h"
#include "exeltowrite.h"

void ConnectParamFiles(TestMaintain *page)
{
    auto *excel = new ExelToWrite(page);
    const auto showCounts = [page, excel](bool import) {
        // A file that never got as far as its rows has nothing to count; one the
        // workbook engine refused (a DTD, a damaged part) shows the engine's reason.
        if (excel->lastReport().rows > 0)
            page->showTransferCounts(import, ExelToWrite::ReportText(excel->lastReport(), import));
        else if (!excel->refusalText().isEmpty())
            page->showTransferCounts(import, excel->refusalText());
    };
    // Some rows failed or were refused and others went through: neither a
    // success nor a failure. A run whose every row was refused is no success.
    const auto outcome = [excel](int result) {
        const ParamFileReport &report = excel->lastReport();
        const bool rowsLeft = result == ExelToWrite::RowsFailed ||
                              (result == ExelToWrite::Done && !report.refused.isEmpty());
        if (!rowsLeft)
            return result;
        return report.done > 0 ? int(TestMaintain::ProcedurePartial) : ExelToWrite::RowsFailed;
    };
    page->setExportProcedure([excel, showCounts, outcome](const QString &file,
                                                          QModbusClient *device,
                                                          const TestMaintain::Progress &progress) {
        const int result = excel->RunExport(file, device, progress);
        showCounts(false);
        return outcome(result);
    });
    page->setImportProcedure([excel, showCounts, outcome](const QString &file,
                                                          QModbusClient *device,
                                                          const TestMaintain::Progress &progress) {
        const int result = excel->RunImport(file, device, progress);
        showCounts(true);
        return outcome(result);
    });
}
