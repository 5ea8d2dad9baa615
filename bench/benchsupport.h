#pragma once

#include <QElapsedTimer>
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

// The median wall time of `runs` calls of work, in ms.
template <typename F> double MedianMs(int runs, F &&work)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times << timer.nsecsElapsed() / 1e6;
    }
    return median(times);
}
