#include "fleetbackup.h"

#include "exeltowrite.h"
#include "modbusconnection.h"
#include "paramtemplate.h"
#include "workbook.h"
#include "zeltctlcommon.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QModbusClient>
#include <QRegularExpression>
#include <QTextStream>
#include <memory>

using namespace zeltctl;

namespace {

// Replies missed in a row before an instrument counts as no longer answering.
constexpr int SilentRepliesToGiveUp = 2;
// The system information block: version, date, then one serial character a register.
constexpr int SysInfoStart = 10000;
constexpr int SysInfoCount = 29;
constexpr int FirstSerialRegister = 4;

// A text that may stand in a file name.
QString fileNamePart(QString text)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return text.trimmed().replace(unsafe, QStringLiteral("-"));
}

} // namespace

// One instrument's backup: connect, read the serial number, fill a fresh
// template row by row from its own link, save.
class HostBackup : public QObject
{
    Q_OBJECT

public:
    HostBackup(FleetResult *result, const QString &dir, const LinkSettings &settings, int timeoutMs,
               QObject *parent)
        : QObject(parent), m_result(result), m_dir(dir), m_timeoutMs(timeoutMs),
          m_link(new ModbusConnection(settings, this))
    {
        m_link->setResponseTimeout(timeoutMs);
        connect(m_link, &ModbusConnection::opened, this, &HostBackup::onOpened);
    }

    void start()
    {
        m_clock.start();
        m_link->open(qMax(LeastConnectWaitMs, m_timeoutMs));
    }

signals:
    void finished();

private:
    void onOpened(bool ok)
    {
        if (!ok) {
            const QString why = m_link->errorString();
            finish(FleetResult::Unreachable,
                   QStringLiteral("cannot connect: %1")
                       .arg(why.isEmpty() ? QStringLiteral("no connection") : why));
            return;
        }
        m_link->readRegisters(SysInfoStart, SysInfoCount,
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
        const QString base = QStringLiteral("%1_%2_%3")
                                 .arg(fileNamePart(m_result->host))
                                 .arg(m_result->port)
                                 .arg(fileNamePart(m_result->serial));
        m_final = QDir(m_dir).filePath(base + QStringLiteral(".xlsx"));
        m_partial = QDir(m_dir).filePath(base + QStringLiteral(".part.xlsx"));
        QString error;
        if (!WriteParamTemplate(m_partial, 0, &error) || !m_book.open(m_partial) ||
            !m_book.selectSheet(ParamSheet)) {
            finish(FleetResult::FileFailed,
                   QStringLiteral("%1: %2").arg(m_partial,
                                                error.isEmpty() ? m_book.errorText() : error));
            return;
        }
        m_row = 1;
        nextRow();
    }

    void nextRow()
    {
        while (++m_row <= m_book.rowCount()) {
            const ExportRowPlan plan = PlanExportRow(m_book, m_row);
            if (plan.action == ExportRowPlan::SkipEmpty || plan.action == ExportRowPlan::Skip)
                continue;
            ++m_result->rows;
            if (plan.action == ExportRowPlan::Refuse) {
                ++m_result->failed;
                continue;
            }
            const int row = m_row;
            m_link->readParam(
                plan.readAddress, plan.readCount(),
                [this, plan, row](ModbusResult r, quint32 value) { onValue(plan, row, r, value); });
            return;
        }
        save();
    }

    void onValue(const ExportRowPlan &plan, int row, ModbusResult r, quint32 value)
    {
        if (r == ModbusOk) {
            m_silent = 0;
            m_book.setCellText(row, ParamValueColumn(), plan.valueText(value));
            ++m_result->read;
            nextRow();
            return;
        }
        ++m_result->failed;
        m_book.setCellText(row, ParamValueColumn(), QString());
        const bool silent = r == ModbusTimeout || r == ModbusNoLink;
        m_silent = silent ? m_silent + 1 : 0;
        if (r == ModbusNoLink || m_silent >= SilentRepliesToGiveUp) {
            m_book.close();
            QFile::remove(m_partial);
            finish(FleetResult::NoAnswer,
                   QStringLiteral("the instrument stopped answering at register %1 (%2)")
                       .arg(plan.readAddress)
                       .arg(ModbusResultText(r, m_link->lastExceptionCode())));
            return;
        }
        nextRow();
    }

    // Only a backup that read every row replaces the earlier file; one with
    // failed rows stays beside it as the .part file and leaves it as it was.
    void save()
    {
        const bool saved = m_book.save();
        const QString error = m_book.errorText();
        m_book.close();
        if (saved && m_result->failed) {
            m_result->file = m_partial;
            finish(FleetResult::RowsFailed,
                   QStringLiteral("%1 of %2 rows failed; %3 is left as it was, the incomplete "
                                  "backup is %4")
                       .arg(m_result->failed)
                       .arg(m_result->rows)
                       .arg(m_final, m_partial));
            return;
        }
        bool asideFailed = false;
        if (saved)
            SetAsidePreviousExport(m_final, &asideFailed);
        if (!saved || asideFailed || !QFile::rename(m_partial, m_final)) {
            QFile::remove(m_partial);
            finish(FleetResult::FileFailed,
                   QStringLiteral("%1 could not be written %2").arg(m_final, error));
            return;
        }
        m_result->file = m_final;
        finish(FleetResult::Done, QString());
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

    FleetResult *m_result;
    QString m_dir;
    int m_timeoutMs;
    ModbusConnection *m_link;
    Workbook m_book;
    QString m_final;
    QString m_partial;
    int m_row = 0;
    int m_silent = 0;
    bool m_finished = false;
    QElapsedTimer m_clock;
};

bool ReadHostsFile(const QString &path, QVector<FleetHost> *hosts, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    static const QRegularExpression hostPort(QStringLiteral("^([A-Za-z0-9.-]+)(?::(\\d{1,5}))?$"));
    QTextStream in(&file);
    int lineNumber = 0;
    while (!in.atEnd()) {
        ++lineNumber;
        const QString line = in.readLine().section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const QRegularExpressionMatch m = hostPort.match(line);
        const int port = m.captured(2).isEmpty() ? 502 : m.captured(2).toInt();
        if (!m.hasMatch() || port < 1 || port > 65535) {
            *error = QStringLiteral("%1 line %2: expected HOST[:PORT], found \"%3\"")
                         .arg(path)
                         .arg(lineNumber)
                         .arg(line);
            return false;
        }
        // One instrument listed twice would be backed up twice into one file.
        for (const FleetHost &h : *hosts) {
            if (h.host.compare(m.captured(1), Qt::CaseInsensitive) == 0 && h.port == port) {
                *error = QStringLiteral("%1 line %2: %3:%4 is listed twice")
                             .arg(path)
                             .arg(lineNumber)
                             .arg(h.host)
                             .arg(port);
                return false;
            }
        }
        hosts->append({m.captured(1), port});
    }
    if (hosts->isEmpty()) {
        *error = QStringLiteral("%1: no instruments listed").arg(path);
        return false;
    }
    return true;
}

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

FleetBackup::FleetBackup(const QVector<FleetHost> &hosts, const QString &dir,
                         const LinkSettings &base, int jobs, int timeoutMs, QObject *parent)
    : QObject(parent), m_dir(dir), m_base(base), m_jobs(qMax(1, jobs)), m_timeoutMs(timeoutMs)
{
    for (const FleetHost &h : hosts) {
        FleetResult r;
        r.host = h.host;
        r.port = h.port;
        m_results.append(r);
    }
}

FleetBackup::~FleetBackup() = default;

void FleetBackup::start()
{
    emit progress(0, m_results.size());
    for (int i = 0; i < m_jobs && m_next < m_results.size(); ++i)
        startNext();
}

void FleetBackup::startNext()
{
    const int index = m_next++;
    FleetResult &r = m_results[index];
    LinkSettings s = m_base;
    s.connectType = 1;
    s.EditIP = r.host;
    s.EditPort = QString::number(r.port);
    auto *job = new HostBackup(&r, m_dir, s, m_timeoutMs, this);
    connect(job, &HostBackup::finished, this, [this, job, index] {
        job->deleteLater();
        hostFinished(index);
    });
    job->start();
}

void FleetBackup::hostFinished(int)
{
    ++m_done;
    emit progress(m_done, m_results.size());
    if (m_next < m_results.size())
        startNext();
    else if (isFinished())
        emit finished();
}

#include "fleetbackup.moc"
