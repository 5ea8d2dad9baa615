#pragma once

#include <QProcess>
#include <QStringList>
#include <QVector>

#include <memory>

// A zelt-sim child process on a free loopback port.
class SimProcess
{
public:
    explicit SimProcess(const QStringList &extraArgs = {});
    ~SimProcess();
    bool ok() const { return m_port > 0; }
    int port() const { return m_port; }

private:
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
};

double median(QVector<double> values);
// CPU time of this process (user + system), in seconds.
double processCpuSeconds();
