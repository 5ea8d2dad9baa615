// The service report with an instrument that answers at once (zelt-sim on
// loopback): the reads alone, the reads with the service record's search and
// check, the PDF alone in each language, and the whole report, as medians of
// repeated runs, with the whole report's ratio to the reads alone.
//   bench_report [RUNS] [--entries N]

#include "benchlink.h"
#include "benchsupport.h"
#include "devicemodel.h"
#include "modbuslink.h"
#include "reportpdf.h"
#include "reportreader.h"
#include "servicerecord.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QModbusClient>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

ReportContent readReport(const LinkSettings &link, ServiceRecord *record, bool chinese)
{
    ReportContent content;
    content.chinese = chinese;
    content.created = QDateTime::currentDateTime();
    content.engineer = QStringLiteral("bench");
    content.changesSince = QDateTime::currentDateTime().addDays(-1);
    for (int i = 0; i < 300; ++i)
        content.curve.append(QPointF(i * 0.2, 500 + (i % 40) * 3.5));
    ReportReader reader(link, &content);
    reader.setRecord(record);
    QEventLoop loop;
    QObject::connect(&reader, &ReportReader::finished, &loop, &QEventLoop::quit);
    reader.start();
    loop.exec();
    return content;
}

int pdfPages(const ReportContent &content)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    return WriteReportPdf(content, &buffer, &error);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 && args[1].toInt() > 0 ? args[1].toInt() : 9;
    const int entriesAt = args.indexOf(QStringLiteral("--entries"));
    const int entries = entriesAt > 0 ? args.value(entriesAt + 1).toInt() : 200;

    SimProcess sim;
    if (!sim.ok()) {
        fprintf(stderr, "zelt-sim did not start\n");
        return 1;
    }
    LinkSettings link;
    link.connectType = 1;
    link.EditIP = QStringLiteral("127.0.0.1");
    link.EditPort = QString::number(sim.port());
    gu32_SlaveId = 1;
    if (!ConnectProgramLink(link)) {
        fprintf(stderr, "no link to zelt-sim\n");
        return 1;
    }

    // A record with this instrument's changes of the day among others'.
    QTemporaryDir dir;
    ServiceRecord record;
    QString error;
    if (!record.open(dir.filePath(QStringLiteral("history.sqlite")), &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString serial = readReport(link, nullptr, false).serial.text;
    record.beginBatch();
    for (int i = 0; i < entries; ++i) {
        ServiceEntry e;
        e.serial = i % 4 ? serial : QStringLiteral("OTHER-%1").arg(i);
        e.paramName = QStringLiteral("Zero range");
        e.oldShown = QString::number(i);
        e.newShown = QString::number(i + 1);
        e.unit = QStringLiteral("%");
        e.source = QStringLiteral("zeltctl write EditZeroRange=%1").arg(i + 1);
        e.outcome = ServiceEntry::Written;
        record.append(e, &error);
    }
    record.endBatch();

    ReportContent english, chinese;
    const double reads = MedianMs(runs, [&] { readReport(link, nullptr, false); });
    const double withRecord = MedianMs(runs, [&] { english = readReport(link, &record, false); });
    chinese = readReport(link, &record, true);
    int pages = 0, pagesZh = 0;
    const double pdf = MedianMs(runs, [&] { pages = pdfPages(english); });
    const double pdfZh = MedianMs(runs, [&] { pagesZh = pdfPages(chinese); });
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    const double whole = MedianMs(runs, [&] {
        const ReportContent c = readReport(link, &record, false);
        WriteReportPdf(c, path, &error);
    });

    printf(
        "service report, instrument answering at once (zelt-sim on loopback), median of %d runs\n",
        runs);
    printf("  %d parameters, %d of %d record entries listed, %d pages (Chinese %d)\n",
           english.params.size(), english.changes.size(), entries, pages, pagesZh);
    printf("  reads alone                  %8.1f ms\n", reads);
    printf("  reads + record search/check  %8.1f ms  (%.2fx the reads)\n", withRecord,
           withRecord / reads);
    printf("  PDF alone, English           %8.1f ms\n", pdf);
    printf("  PDF alone, Chinese           %8.1f ms\n", pdfZh);
    printf("  whole report to a file       %8.1f ms  (%.2fx the reads alone; goal < 1000 ms)\n",
           whole, whole / reads);
    DisconnectModbus();
    return 0;
}
