#pragma once

#include "linksettings.h"

#include <QObject>
#include <QString>
#include <QVector>

// One line of a hosts file.
struct FleetHost
{
    QString host;
    int port = 502;
};

// Reads HOST[:PORT] lines; blank lines and text after "#" are ignored. False
// with an error naming the line for anything else.
bool ReadHostsFile(const QString &path, QVector<FleetHost> *hosts, QString *error);

// What became of one instrument.
struct FleetResult
{
    enum Status { Pending, Done, Unreachable, NoAnswer, RowsFailed, FileFailed };
    QString host;
    int port = 0;
    Status status = Pending;
    QString serial;
    QString file;
    QString detail; // why it failed
    int rows = 0;   // parameter rows of the sheet
    int read = 0;
    int failed = 0;
    qint64 elapsedMs = 0;

    bool ok() const { return status == Done; }
    QString statusText() const;
};

class HostBackup;

// Backs up many TCP instruments at once on the calling thread's event loop:
// each has its own link, at most `jobs` run at a time, and each waits only on
// its own replies, so a slow or silent instrument costs no other one time.
class FleetBackup : public QObject
{
    Q_OBJECT

public:
    FleetBackup(const QVector<FleetHost> &hosts, const QString &dir, const LinkSettings &base,
                int jobs, int timeoutMs, QObject *parent = nullptr);
    ~FleetBackup() override;

    void start();
    bool isFinished() const { return m_done == m_results.size(); }
    const QVector<FleetResult> &results() const { return m_results; }

signals:
    void progress(int done, int total);
    void finished();

private:
    void startNext();
    void hostFinished(int index);

    QString m_dir;
    LinkSettings m_base;
    int m_jobs;
    int m_timeoutMs;
    QVector<FleetResult> m_results;
    int m_next = 0;
    int m_done = 0;
};
