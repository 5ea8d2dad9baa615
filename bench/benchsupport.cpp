#include "benchsupport.h"

#include <QTcpServer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

int freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

SimProcess::SimProcess(const QStringList &extraArgs) : m_process(new QProcess)
{
    const int port = freeLoopbackPort();
    QStringList args{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)};
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(QStringLiteral(ZELT_SIM_PATH), args + extraArgs);
    if (!m_process->waitForStarted(5000))
        return;
    // zelt-sim prints one line when it listens.
    if (!m_process->waitForReadyRead(5000)) {
        std::fprintf(stderr, "zelt-sim did not start: %s\n", qPrintable(m_process->errorString()));
        return;
    }
    m_process->readAll();
    m_port = port;
}

SimProcess::~SimProcess()
{
    m_process->terminate();
    if (!m_process->waitForFinished(3000))
        m_process->kill();
}

double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
