// zeltctl report: the service report of the instrument as a PDF.
#include "zeltctl.h"

#include "filepaths.h"
#include "historycommands.h"
#include "programrecord.h"
#include "reportpdf.h"
#include "reportreader.h"
#include "zeltctlcommon.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QSettings>

using namespace zeltctl;

namespace {

constexpr int DefaultSampleSeconds = 10;
constexpr int MostSampleSeconds = 600;

// The language the window was last left in: the report speaks it too.
bool windowIsChinese()
{
    QSettings file(SettingsFilePath(), QSettings::IniFormat);
    return file.value(QStringLiteral("Zelt/Language")).toInt() != 0;
}

} // namespace

int Zeltctl::cmdReport(const QString &file)
{
    QString error;
    int sampleSeconds = DefaultSampleSeconds;
    if (!intOption("sample", 0, MostSampleSeconds, &sampleSeconds, &error))
        return usageError(error);
    // The changes of today unless another start is given.
    QDateTime since(QDate::currentDate(), QTime(0, 0), Qt::LocalTime);
    if (m_parser.isSet("since") && !ParseHistoryTime(m_parser.value("since"), false, &since))
        return usageError(QStringLiteral("--since %1: expected YYYY-MM-DD or an ISO date-time")
                              .arg(m_parser.value("since")));

    ReportContent content;
    content.chinese = windowIsChinese();
    content.created = QDateTime::currentDateTime();
    content.engineer = OsUserName();
    content.site = m_parser.value("site");
    content.note = m_parser.value("note");
    content.changesSince = since;
    if (const int status = connectInstrument())
        return status;
    ReportReader reader(m_link, &content);
    reader.setSampling(sampleSeconds * 1000);
    reader.setRecord(ProgramRecord());
    {
        ProgressBar bar(m_s, QStringLiteral("report"));
        QEventLoop loop;
        QObject::connect(&reader, &ReportReader::progress, &loop,
                         [&bar](int done, int total) { bar.show(100 * done / qMax(1, total)); });
        QObject::connect(&reader, &ReportReader::finished, &loop, &QEventLoop::quit);
        reader.start();
        loop.exec();
    }
    const bool lost = content.linkLost || OutOfReach();
    disconnectInstrument();

    if (!WriteReportPdf(content, file, &error)) {
        noteErrorKind(ErrorKind::File);
        return fail(ExitDiffers,
                    QStringLiteral("%1: the report could not be written: %2").arg(file, error));
    }
    QJsonArray gaps;
    QVector<QStringList> rows;
    for (const ReportGap &gap : content.gaps) {
        gaps.append(QJsonObject{{"values", gap.what}, {"why", gap.why}});
        rows.append({gap.what, gap.why});
    }
    const QString summary =
        QStringLiteral("report written to %1: %2 parameters, %3 changes, %4 reads failed")
            .arg(file)
            .arg(content.params.size())
            .arg(content.changes.size())
            .arg(content.gaps.size());
    if (m_json || !rows.isEmpty()) {
        printResult(QJsonObject{{"file", file},
                                {"parameters", content.params.size()},
                                {"changes", content.changes.size()},
                                {"samples", content.curve.size()},
                                {"unread", gaps}},
                    {QStringLiteral("NOT READ"), QStringLiteral("WHY")}, rows, summary);
    } else {
        m_s.out << summary << '\n';
        m_s.out.flush();
    }
    if (content.gaps.isEmpty())
        return ExitDone;
    if (lost)
        return fail(ExitUnreachable,
                    QStringLiteral("the link to the instrument was lost: %1 of the report not "
                                   "read")
                        .arg(content.gaps.size() == 1
                                 ? content.gaps.first().what
                                 : QStringLiteral("%1 parts").arg(content.gaps.size())));
    return ExitDiffers;
}
