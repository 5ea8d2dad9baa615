#pragma once

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

// Paces the polls: every 500 ms it signals the main window, unless the previous
// poll has not finished (gu8_PollBusy still set).
class DisplayWeightThread : public QThread
{
    Q_OBJECT

public:
    static constexpr int PollPeriodMs = 500;

    explicit DisplayWeightThread(QObject *parent = nullptr);
    ~DisplayWeightThread() override;

signals:
    void isdone();

protected:
    void run() override;

private:
    QMutex m_mutex;
    QWaitCondition m_wake; // lets the destructor end the 500 ms sleep at once
};
