#include "fleetrun.h"

#include "exeltowrite.h"
#include "linkwords.h"
#include "modbusconnection.h"
#include "paramtemplate.h"
#include "registerimage.h"
#include "rowchecks.h"
#include "sysinfotext.h"
#include "workbook.h"
#include "zeltctlcommon.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QModbusClient>
#include <QRegularExpression>
#include <QRunnable>
#include <QThreadPool>

using namespace zeltctl;

namespace {

// Replies missed in a row before an instrument counts as no longer answering.
constexpr int SilentRepliesToGiveUp = 2;
// In the system information block: version, date, then one serial character a register.
constexpr int FirstSerialRegister = 4;

// A text that may stand in a file name.
QString fileNamePart(QString text)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return text.trimmed().replace(unsafe, QStringLiteral("-"));
}

} // namespace

// The template's rows (header first), what each row below the header is filled
// from, and the workbook made and packed but for the value of each row.
struct FleetBackupLayout
{
    QVector<QStringList> rows = ParamTemplateRows(0);
    WorkbookPackage package{ParamSheet, ParamTemplateColumnWidths(), rows, ParamValueColumn()};
    QVector<ExportRowPlan> plans; // from row 2 on
};

// One instrument: connect, read the serial number, read the register groups
// the rows need from its own link, then fill a fresh template (backup) or
// check the approved workbook's rows (compare, dry run).
class HostJob : public QObject
{
    Q_OBJECT

public:
    HostJob(const FleetJobSetup &setup, FleetResult *result, const LinkSettings &settings,
            QObject *parent)
        : QObject(parent), m_setup(setup), m_result(result),
          m_wordOrder(quint32(settings.dwordFormat)), m_link(new ModbusConnection(settings, this))
    {
        m_link->setResponseTimeout(m_setup.timeoutMs);
        connect(m_link, &ModbusConnection::opened, this, &HostJob::onOpened);
    }

    void start()
    {
        m_clock.start();
        m_link->open(qMax(LeastConnectWaitMs, m_setup.timeoutMs));
    }

signals:
    void finished();

private:
    void onOpened(bool ok)
    {
        if (!ok) {
            QString why = m_link->errorString();
            if (why.isEmpty())
                why = QStringLiteral("no connection");
            // A serial device that is missing or held by another program is named.
            finish(FleetResult::Unreachable,
                   m_result->where.serial
                       ? QStringLiteral("cannot open %1: %2").arg(m_result->where.host, why)
                       : QStringLiteral("cannot connect: %1").arg(why));
            return;
        }
        const RegisterGroup info = RegisterGroupTable[SystemInfoGroup];
        m_link->readRegisters(info.start, info.count,
                              [this](ModbusResult r, const QVector<quint16> &values) {
                                  onSystemInformation(r, values);
                              });
    }

    void onSystemInformation(ModbusResult r, const QVector<quint16> &values)
    {
        if (r != ModbusOk) {
            finish(FleetResult::NoAnswer,
                   QStringLiteral("the instrument does not answer: %1")
                       .arg(ModbusResultText(r, m_link->lastExceptionCode())));
            return;
        }
        m_result->serial = SerialNumberText(values, FirstSerialRegister).trimmed();
        const auto pair = [&](int at) {
            return JoinWords(
                values[at], values[at + 1],
                WordOrderAt(RegisterGroupTable[SystemInfoGroup].start + at, m_wordOrder));
        };
        const quint32 version = pair(0);
        m_result->softwareVersion =
            QStringLiteral("%1 (%2)").arg(version).arg(CompileDateText(pair(2)));
        m_result->instrumentKind = InstrumentKindText(version);
        readNextGroup();
    }

    void readNextGroup()
    {
        if (m_next == m_setup.requests.size()) {
            if (m_setup.mode == FleetMode::Backup)
                writeAside();
            else
                checkRows();
            return;
        }
        const GroupRequest g = m_setup.requests[m_next++];
        m_link->readRegisters(
            g.start, g.count,
            [this, g](ModbusResult r, const QVector<quint16> &values) { onGroup(g, r, values); });
    }

    void onGroup(const GroupRequest &g, ModbusResult r, const QVector<quint16> &values)
    {
        if (r == ModbusOk) {
            m_silent = 0;
            m_image.store(g, values.constData());
            readNextGroup();
            return;
        }
        m_image.fail(g, r);
        // Every request the link failed of its own making counts: silence, a
        // frame cut short, a stream dropped out of step.
        const bool silent = r == ModbusTimeout || r == ModbusNoLink || m_link->lastFailedOnLink();
        m_silent = silent ? m_silent + 1 : 0;
        if (r == ModbusNoLink || m_silent >= SilentRepliesToGiveUp) {
            const QString why =
                QStringLiteral("the instrument stopped answering at register %1 (%2)")
                    .arg(g.start)
                    .arg(ModbusResultText(r, m_link->lastExceptionCode()));
            if (m_setup.mode == FleetMode::Backup) {
                // As a single backup: what was read is kept as the .part file with
                // its rows counted; the rows of the groups not asked fail.
                while (m_next < m_setup.requests.size())
                    m_image.fail(m_setup.requests[m_next++], r);
                m_gaveUp = why;
                writeAside();
                return;
            }
            finish(FleetResult::NoAnswer, why);
            return;
        }
        readNextGroup();
    }

    // The workbook is written on a pool thread: opening, filling and saving
    // cost more than the reads of a fast instrument, and would hold up every
    // other instrument's replies on this thread.
    void writeAside()
    {
        m_link->close();
        QThreadPool::globalInstance()->start(QRunnable::create([this] {
            QString detail;
            const FleetResult::Status status = writeBackup(&detail);
            QMetaObject::invokeMethod(
                this,
                [this, status, detail] {
                    // An instrument that stopped answering stays out of reach.
                    if (m_gaveUp.isEmpty())
                        finish(status, detail);
                    else
                        finish(FleetResult::NoAnswer, m_gaveUp + QStringLiteral("; ") + detail);
                },
                Qt::QueuedConnection);
        }));
    }

    // Fills the run's template rows from the registers read and writes them as
    // a workbook.
    FleetResult::Status writeBackup(QString *detail)
    {
        const FleetHost &h = m_result->where;
        // A serial instrument's file is named by the device's own name ("ttyUSB0").
        const QString base =
            QStringLiteral("%1_%2_%3")
                .arg(fileNamePart(h.serial ? QFileInfo(h.host).fileName() : h.host))
                .arg(h.serial ? h.slaveId : h.port)
                .arg(fileNamePart(m_result->serial));
        const QDir dir(m_setup.dir);
        const QString final = dir.filePath(base + QStringLiteral(".xlsx"));
        const QString partial = dir.filePath(base + QStringLiteral(".part.xlsx"));
        const FleetBackupLayout &layout = *m_setup.backup;
        QStringList texts;
        for (const QStringList &row : layout.rows)
            texts.append(row.value(ParamValueColumn() - 1));
        const ExelToWrite::InstrumentValues values = ImageValues(m_image, m_wordOrder);
        for (int row = 2; row - 2 < layout.plans.size(); ++row) {
            const ExportRowPlan &plan = layout.plans[row - 2];
            if (plan.action == ExportRowPlan::SkipEmpty || plan.action == ExportRowPlan::Skip)
                continue;
            ++m_result->rows;
            quint32 value = 0;
            if (plan.action == ExportRowPlan::Read &&
                values(plan.readAddress, plan.readCount(), &value)) {
                texts[row - 1] = plan.valueText(value);
                ++m_result->read;
            } else {
                ++m_result->failed;
                failRow(row, plan.readAddress);
            }
        }
        QString error;
        const bool saved = layout.package.write(partial, texts, &error);
        return keep(saved, error, partial, final, detail);
    }

    void checkRows()
    {
        const ExelToWrite::InstrumentValues values = ImageValues(m_image, m_wordOrder);
        for (int row = 2; row <= m_setup.golden->rowCount(); ++row) {
            const RowCheck c = m_setup.mode == FleetMode::DryRun
                                   ? DryRunRow(*m_setup.golden, row, values)
                                   : CompareRow(*m_setup.golden, row, values);
            m_result->rows += c.outcome != RowCheck::Skipped;
            switch (c.outcome) {
            case RowCheck::Skipped:
                break;
            case RowCheck::Refused:
                m_result->refusedRows.append(row);
                break;
            case RowCheck::Unreadable:
                failRow(row, c.address);
                break;
            case RowCheck::Same:
                ++m_result->same;
                break;
            case RowCheck::Differs:
                m_result->differing.append(c.json);
                break;
            }
        }
        m_result->failed = m_result->failedRows.size();
        finish(m_result->failed ? FleetResult::RowsFailed : FleetResult::Done, QString());
    }

    void failRow(int row, int address)
    {
        quint32 value = 0;
        ModbusResult why = ModbusProtocolError;
        m_image.value(address, 1, m_wordOrder, &value, &why);
        m_result->failedRows.append(row);
        m_result->failedWhy.insert(row, QStringLiteral("register %1 could not be read: %2")
                                            .arg(address)
                                            .arg(ModbusResultText(why)));
    }

    // Only a backup that read every row replaces the earlier file; one with
    // failed rows stays beside it as the .part file and leaves it as it was.
    FleetResult::Status keep(bool saved, const QString &error, const QString &partial,
                             const QString &final, QString *detail)
    {
        if (saved && m_result->failed) {
            m_result->file = partial;
            *detail = QStringLiteral("%1 of %2 rows failed; %3 is left as it was, the incomplete "
                                     "backup is %4")
                          .arg(m_result->failed)
                          .arg(m_result->rows)
                          .arg(final, partial);
            return FleetResult::RowsFailed;
        }
        bool asideFailed = false;
        if (saved)
            SetAsidePreviousExport(final, &asideFailed);
        if (!saved || asideFailed || !QFile::rename(partial, final)) {
            QFile::remove(partial);
            *detail = QStringLiteral("%1 could not be written %2").arg(final, error);
            return FleetResult::FileFailed;
        }
        m_result->file = final;
        return FleetResult::Done;
    }

    void finish(FleetResult::Status status, const QString &detail)
    {
        if (m_finished)
            return;
        m_finished = true;
        m_result->status = status;
        m_result->detail = detail;
        m_result->elapsedMs = m_clock.elapsed();
        m_link->close();
        emit finished();
    }

    FleetJobSetup m_setup;
    FleetResult *m_result;
    quint32 m_wordOrder;
    ModbusConnection *m_link;
    int m_next = 0;
    RegisterImage m_image;
    int m_silent = 0;
    QString m_gaveUp; // backup: why the instrument was given up, its rows kept
    bool m_finished = false;
    QElapsedTimer m_clock;
};

QString FleetResult::statusText() const
{
    switch (status) {
    case Done:
        return QStringLiteral("ok");
    case Unreachable:
        return QStringLiteral("unreachable");
    case NoAnswer:
        return QStringLiteral("no answer");
    case RowsFailed:
        return QStringLiteral("rows failed");
    case FileFailed:
        return QStringLiteral("file failed");
    case Pending:
        break;
    }
    return QStringLiteral("pending");
}

FleetRun::FleetRun(FleetMode mode, const QVector<FleetHost> &hosts, const QString &dir,
                   const Workbook *golden, const LinkSettings &base, int jobs, int timeoutMs,
                   QObject *parent)
    : QObject(parent), m_setup{mode, dir, nullptr, golden, timeoutMs, {}}, m_base(base),
      m_jobs(qMax(1, jobs))
{
    QHash<QString, int> laneOfDevice;
    for (const FleetHost &h : hosts) {
        FleetResult r;
        r.where = h;
        m_results.append(r);
        const int index = m_results.size() - 1;
        if (h.serial && laneOfDevice.contains(h.host)) {
            m_lanes[laneOfDevice.value(h.host)].append(index);
            continue;
        }
        if (h.serial)
            laneOfDevice.insert(h.host, m_lanes.size());
        m_lanes.append(QVector<int>{index});
    }
    m_laneNext.fill(0, m_lanes.size());
}

FleetRun::~FleetRun() = default;

void FleetRun::start()
{
    emit progress(0, m_results.size());
    // The register groups every instrument is read by, from the template a
    // backup fills or the approved workbook.
    QString error;
    Workbook templ;
    const QString templatePath = m_templateDir.filePath(QStringLiteral("template.xlsx"));
    auto layout = std::make_shared<FleetBackupLayout>();
    if (m_setup.mode == FleetMode::Backup &&
        (!(error = layout->package.errorText()).isEmpty() ||
         !WriteParamTemplate(templatePath, 0, &error) || !templ.open(templatePath) ||
         !templ.selectSheet(ParamSheet))) {
        for (FleetResult &r : m_results) {
            r.status = FleetResult::FileFailed;
            r.detail = QStringLiteral("the template could not be written: %1")
                           .arg(error.isEmpty() ? templ.errorText() : error);
        }
        m_done = m_results.size();
        emit finished();
        return;
    }
    if (m_setup.mode == FleetMode::Backup) {
        for (int row = 2; row <= templ.rowCount(); ++row)
            layout->plans.append(PlanExportRow(templ, row));
        m_setup.backup = layout;
    }
    const Workbook &sheet = m_setup.mode == FleetMode::Backup ? templ : *m_setup.golden;
    m_setup.requests = PlanGroupedReads(m_setup.mode == FleetMode::DryRun ? DryRunSpans(sheet)
                                                                          : CompareSpans(sheet));
    for (int i = 0; i < m_jobs && m_nextLane < m_lanes.size(); ++i)
        startLane();
}

void FleetRun::startLane()
{
    startHost(m_nextLane++);
}

void FleetRun::startHost(int lane)
{
    const int index = m_lanes[lane][m_laneNext[lane]++];
    FleetResult &r = m_results[index];
    LinkSettings s = r.where.link(m_base);
    if (r.where.slaveId == 0)
        r.where.slaveId = s.slaveId;
    auto *job = new HostJob(m_setup, &r, s, this);
    connect(job, &HostJob::finished, this, [this, job, lane, index] {
        job->deleteLater();
        hostFinished(lane, index);
    });
    job->start();
}

void FleetRun::hostFinished(int lane, int index)
{
    ++m_done;
    QVector<int> &members = m_lanes[lane];
    // A serial device that could not be opened fails the rest of its line at once.
    const FleetResult &closed = m_results[index];
    if (closed.where.serial && closed.status == FleetResult::Unreachable) {
        while (m_laneNext[lane] < members.size()) {
            FleetResult &r = m_results[members[m_laneNext[lane]++]];
            r.status = FleetResult::Unreachable;
            r.detail = closed.detail + QStringLiteral("; not tried");
            ++m_done;
        }
    }
    emit progress(m_done, m_results.size());
    if (m_laneNext[lane] < members.size())
        startHost(lane);
    else if (m_nextLane < m_lanes.size())
        startLane();
    else if (isFinished())
        emit finished();
}

#include "fleetrun.moc"
