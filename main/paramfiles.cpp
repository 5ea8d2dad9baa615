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
    // Some rows failed and others went through: neither a success nor a failure.
    const auto outcome = [excel](int result) {
        return result == ExelToWrite::RowsFailed && excel->lastReport().done > 0
                   ? TestMaintain::ProcedurePartial
                   : result;
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
