#include "displayweightthread.h"

#include "pollhold.h"
#include "pollstate.h"

#include <QMutexLocker>

std::atomic<bool> gu8_PollBusy{false};
bool gu8_CommError = false;
int gu32_CommErrCount = 0;

DisplayWeightThread::DisplayWeightThread(QObject *parent) : QThread(parent)
{
    gu8_PollBusy.store(false);
}

DisplayWeightThread::~DisplayWeightThread()
{
    requestInterruption();
    {
        QMutexLocker lock(&m_mutex);
        m_wake.wakeAll();
    }
    quit();
    wait();
}

void DisplayWeightThread::run()
{
    while (!isInterruptionRequested()) {
        if (!gu8_PollBusy.load() && !PollHeld()) {
            gu8_PollBusy.store(true);
            emit isdone();
        }
        QMutexLocker lock(&m_mutex);
        if (!isInterruptionRequested())
            m_wake.wait(&m_mutex, PollPeriodMs);
    }
}
