#pragma once

#include "hostsfile.h"
#include "linksettings.h"
#include "registerimage.h"

#include <QHash>
#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QVector>
#include <memory>

class Workbook;

// What a fleet run does with each instrument.
enum class FleetMode {
    Backup,  // every parameter into its own workbook
    Compare, // rows of an approved workbook that differ from the instrument
    DryRun,  // rows a restore of the approved workbook would write
};

// What became of one instrument.
struct FleetResult
{
    enum Status { Pending, Done, Unreachable, NoAnswer, RowsFailed, FileFailed };
    FleetHost where;
    Status status = Pending;
    QString serial;
    QString softwareVersion; // "10203 (2026-11-15)"
    QString instrumentKind;  // "analog", "digital"
    QString file;
    QString detail; // why it failed
    int rows = 0;   // parameter rows of the sheet
    int read = 0;   // backup: rows filled
    int failed = 0;
    qint64 elapsedMs = 0;
    // Compare and dry run: the rows that differ (as their JSON objects), the
    // rows that equal, were refused or failed (row numbers).
    QJsonArray differing;
    int same = 0;
    QVector<int> refusedRows;
    QVector<int> failedRows;
    QHash<int, QString> failedWhy; // by row: the register and what its read came to

    bool ok() const { return status == Done; }
    bool reached() const { return status != Unreachable && status != NoAnswer; }
    QString statusText() const;
};

// What every backup of a run writes, made once per run.
struct FleetBackupLayout;

// What every instrument's job of a run shares.
struct FleetJobSetup
{
    FleetMode mode;
    QString dir; // backup: where the workbooks go
    std::shared_ptr<const FleetBackupLayout> backup;
    const Workbook *golden;
    int timeoutMs;
    QVector<GroupRequest> requests; // what each instrument is read by
};

class HostJob;

// Works many instruments at once on the calling thread's event loop: each has
// its own link and waits only on its own replies, so a slow or silent one costs
// no other one time. The instruments of one serial device share its line and
// are taken one after another; at most `jobs` TCP hosts or serial lines run at
// a time.
class FleetRun : public QObject
{
    Q_OBJECT

public:
    // golden: the approved workbook of a compare or dry run (its parameter
    // sheet selected), or null for a backup into dir.
    FleetRun(FleetMode mode, const QVector<FleetHost> &hosts, const QString &dir,
             const Workbook *golden, const LinkSettings &base, int jobs, int timeoutMs,
             QObject *parent = nullptr);
    ~FleetRun() override;

    void start();
    bool isFinished() const { return m_done == m_results.size(); }
    const QVector<FleetResult> &results() const { return m_results; }

signals:
    void progress(int done, int total);
    void finished();

private:
    void startLane();
    void startHost(int lane);
    void hostFinished(int lane, int index);

    QTemporaryDir m_templateDir;
    FleetJobSetup m_setup;
    LinkSettings m_base;
    int m_jobs;
    QVector<FleetResult> m_results;
    // The instruments of each TCP host or serial device, in file order.
    QVector<QVector<int>> m_lanes;
    QVector<int> m_laneNext;
    int m_nextLane = 0;
    int m_done = 0;
};
