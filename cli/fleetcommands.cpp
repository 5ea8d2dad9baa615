// The commands on a list of instruments: backup, compare and restore --dry-run
// of every instrument of a hosts file at once.
#include "zeltctl.h"

#include "exeltowrite.h"
#include "fleetrun.h"
#include "paramtemplate.h"
#include "servicerecorder.h"
#include "workbook.h"
#include "zeltctlcommon.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryFile>

using namespace zeltctl;

namespace {

// TCP hosts and serial lines worked at once: one connection each costs the
// program little, and a plant's instruments are rarely more.
constexpr int DefaultJobs = 64;

// Where an instrument is, for the JSON documents.
QJsonObject instrumentJson(const FleetResult &r)
{
    QJsonObject o{{"instrument", r.where.name()}, {"serialNumber", r.serial}};
    if (r.where.serial) {
        o.insert(QStringLiteral("device"), r.where.host);
        o.insert(QStringLiteral("slave"), r.where.slaveId);
    } else {
        o.insert(QStringLiteral("host"), r.where.host);
        o.insert(QStringLiteral("port"), r.where.port);
    }
    return o;
}

QJsonArray rowArray(const QVector<int> &rows)
{
    QJsonArray a;
    for (int r : rows)
        a.append(r);
    return a;
}

// "row 14 (register 62, Sample rate)" of the template a fleet backup fills.
QString templateRowLabel(int row)
{
    static const QVector<QStringList> rows = ParamTemplateRows(0);
    const QStringList cells = rows.value(row - 1);
    return QStringLiteral("row %1 (register %2, %3)").arg(row).arg(cells.value(0), cells.value(1));
}

QString secondsText(const FleetResult &r)
{
    return QString::number(r.elapsedMs / 1000.0, 'f', 2);
}

} // namespace

bool Zeltctl::readFleet(const QString &hostsFile, QVector<FleetHost> *hosts, int *jobs, int *status)
{
    QString error;
    *jobs = DefaultJobs;
    if (m_parser.isSet("serial") || m_parser.isSet("tcp"))
        error = QStringLiteral("--hosts takes its instruments from the file, not from --tcp or "
                               "--serial");
    else if (intOption("jobs", 1, 1024, jobs, &error))
        ReadHostsFile(hostsFile, hosts, &error);
    if (!error.isEmpty())
        *status = usageError(error);
    return error.isEmpty();
}

void Zeltctl::runFleet(FleetRun *fleet, const QString &label)
{
    ProgressBar bar(m_s, label);
    QObject::connect(fleet, &FleetRun::progress,
                     [&bar](int done, int total) { bar.show(total ? done * 100 / total : 100); });
    QEventLoop loop;
    QObject::connect(fleet, &FleetRun::finished, &loop, &QEventLoop::quit);
    fleet->start();
    if (!fleet->isFinished())
        loop.exec();
}

int Zeltctl::cmdFleetBackup(const QString &hostsFile, const QString &dir)
{
    QVector<FleetHost> hosts;
    int jobs = 0, status = 0;
    if (!readFleet(hostsFile, &hosts, &jobs, &status))
        return status;
    if (!QFileInfo(dir).isDir())
        return usageError(QStringLiteral("%1: no such folder").arg(dir));
    {
        // A folder no file can be made in is found before any instrument is asked.
        QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".zeltctl.XXXXXX")));
        if (!probe.open())
            return usageError(QStringLiteral("%1: no file can be written in this folder (%2)")
                                  .arg(dir, probe.errorString()));
    }

    FleetRun fleet(FleetMode::Backup, hosts, dir, nullptr, m_link, jobs, m_timeoutMs);
    runFleet(&fleet, QStringLiteral("backup"));
    int failedHosts = 0, unreached = 0;
    QVector<QStringList> rows;
    QJsonArray list;
    for (const FleetResult &r : fleet.results()) {
        unreached += r.reached() ? 0 : 1;
        if (!r.ok()) {
            ++failedHosts;
            fail(ExitDiffers, QStringLiteral("%1: %2").arg(r.where.name(), r.detail));
        }
        // An instrument given up on is one line above; its rows are in the .part file.
        for (int row : r.reached() ? r.failedRows : QVector<int>())
            fail(ExitDiffers,
                 QStringLiteral("%1: %2 failed: %3")
                     .arg(r.where.name(), templateRowLabel(row), r.failedWhy.value(row)));
        if (!r.file.isEmpty()) {
            // So that a later restore can be traced to the backup it came from.
            ServiceEntry instrument;
            instrument.serial = r.serial;
            instrument.softwareVersion = r.softwareVersion;
            instrument.instrumentKind = r.instrumentKind;
            const LinkSettings link = r.where.link(m_link);
            instrument.link = ServiceRecorder::LinkText(link);
            instrument.slaveId = link.slaveId;
            ServiceRecorder::RecordBackupOf(instrument, QFileInfo(r.file).absoluteFilePath(),
                                            QStringLiteral("%1 rows: %2 read, %3 failed")
                                                .arg(r.rows)
                                                .arg(r.read)
                                                .arg(r.failed));
        }
        rows.append({r.where.name(), r.serial, r.statusText(), QString::number(r.read),
                     QString::number(r.failed), secondsText(r), r.file});
        QJsonObject o = instrumentJson(r);
        o.insert(QStringLiteral("status"), r.statusText());
        o.insert(QStringLiteral("rows"), r.rows);
        o.insert(QStringLiteral("read"), r.read);
        o.insert(QStringLiteral("failed"), rowArray(r.failedRows));
        o.insert(QStringLiteral("seconds"), r.elapsedMs / 1000.0);
        o.insert(QStringLiteral("file"), r.file);
        o.insert(QStringLiteral("detail"), r.detail);
        list.append(o);
    }
    printResult(QJsonObject{{"hosts", list},
                            {"ok", hosts.size() - failedHosts},
                            {"failed", failedHosts},
                            {"unreached", unreached}},
                {QStringLiteral("INSTRUMENT"), QStringLiteral("SERIAL"), QStringLiteral("STATUS"),
                 QStringLiteral("READ"), QStringLiteral("FAILED"), QStringLiteral("SECONDS"),
                 QStringLiteral("FILE")},
                rows,
                QStringLiteral("%1 instruments: %2 backed up, %3 failed")
                    .arg(hosts.size())
                    .arg(hosts.size() - failedHosts)
                    .arg(failedHosts));
    // As every command: an instrument out of reach outweighs failed rows.
    if (unreached)
        return ExitUnreachable;
    return failedHosts ? ExitDiffers : ExitDone;
}

// Every instrument against one approved workbook: a line per instrument with
// its number of differing rows, and with --json every differing row.
int Zeltctl::cmdFleetCheck(const QString &hostsFile, const QString &file, bool dryRun)
{
    QVector<FleetHost> hosts;
    int jobs = 0, status = 0;
    if (!readFleet(hostsFile, &hosts, &jobs, &status))
        return status;
    if (const QString why = NotAFileText(file); !why.isEmpty())
        return usageError(why);
    Workbook golden;
    if (!openSheet(&golden, file))
        return ExitDiffers;
    if (dryRun)
        noteOtherLimits(file, golden);

    FleetRun fleet(dryRun ? FleetMode::DryRun : FleetMode::Compare, hosts, QString(), &golden,
                   m_link, jobs, m_timeoutMs);
    runFleet(&fleet, dryRun ? QStringLiteral("restore --dry-run") : QStringLiteral("compare"));
    const QString same = dryRun ? QStringLiteral("unchanged") : QStringLiteral("equal");
    const QString differs = dryRun ? QStringLiteral("would change") : QStringLiteral("differs");
    const QString differ = dryRun ? QStringLiteral("would change") : QStringLiteral("differ");
    int equalHosts = 0, differingHosts = 0, failedHosts = 0, unreached = 0;
    QVector<QStringList> rows;
    QJsonArray list;
    for (const FleetResult &r : fleet.results()) {
        const QString name = r.where.name();
        QString state = r.statusText();
        if (!r.reached()) {
            ++unreached;
            fail(ExitUnreachable, QStringLiteral("%1: %2").arg(name, r.detail));
        } else {
            for (int row : r.refusedRows)
                fail(ExitDiffers,
                     QStringLiteral("%1: %2 refused: %3")
                         .arg(name, rowLabel(golden, row), PlanImportRow(golden, row).reason));
            for (int row : r.failedRows)
                fail(ExitDiffers, QStringLiteral("%1: %2 failed: %3")
                                      .arg(name, rowLabel(golden, row), r.failedWhy.value(row)));
            if (!r.failedRows.isEmpty() || !r.refusedRows.isEmpty())
                ++failedHosts;
            else if (r.differing.isEmpty())
                ++equalHosts;
            if (!r.differing.isEmpty())
                ++differingHosts;
            if (r.ok())
                state = r.differing.isEmpty() ? same : differs;
        }
        rows.append({name, r.serial, state, QString::number(r.differing.size()),
                     QString::number(r.failedRows.size() + r.refusedRows.size()), secondsText(r)});
        QJsonObject o = instrumentJson(r);
        o.insert(QStringLiteral("status"), state);
        o.insert(QStringLiteral("rows"), r.rows);
        o.insert(QStringLiteral("differing"), r.differing.size());
        o.insert(dryRun ? QStringLiteral("changes") : QStringLiteral("differences"), r.differing);
        o.insert(same, r.same);
        o.insert(QStringLiteral("failed"), rowArray(r.failedRows));
        if (dryRun)
            o.insert(QStringLiteral("refused"), rowArray(r.refusedRows));
        o.insert(QStringLiteral("seconds"), r.elapsedMs / 1000.0);
        o.insert(QStringLiteral("detail"), r.detail);
        list.append(o);
    }
    const QString summary = QStringLiteral("%1 instruments: %2 %3, %4 %5, %6 with failed rows, "
                                           "%7 not reached")
                                .arg(hosts.size())
                                .arg(equalHosts)
                                .arg(same)
                                .arg(differingHosts)
                                .arg(differ)
                                .arg(failedHosts)
                                .arg(unreached);
    printResult(QJsonObject{{"file", QFileInfo(file).absoluteFilePath()},
                            {"instruments", list},
                            {same, equalHosts},
                            {dryRun ? "change" : "differ", differingHosts},
                            {"failed", failedHosts},
                            {"unreached", unreached},
                            {"summary", summary}},
                {QStringLiteral("INSTRUMENT"), QStringLiteral("SERIAL"), QStringLiteral("STATUS"),
                 dryRun ? QStringLiteral("CHANGES") : QStringLiteral("DIFFERING"),
                 QStringLiteral("FAILED"), QStringLiteral("SECONDS")},
                rows, summary);
    if (unreached)
        return ExitUnreachable;
    return differingHosts || failedHosts ? ExitDiffers : ExitDone;
}
