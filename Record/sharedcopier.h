#pragma once

#include "sharedsync.h"

#include <QMutex>
#include <QObject>
#include <QWaitCondition>

#include <memory>

class QThread;

// Copies a local database's entries to the shared store on a thread of its
// own, with connections of its own: woken after each append and retrying
// every retry interval, so a shared server that is down, slow or refusing
// never holds up an append. Entries appended by other processes go over at
// the next wake or retry.
class SharedCopier : public QObject
{
    Q_OBJECT

public:
    SharedCopier(const QString &databasePath, const QString &url, QObject *parent = nullptr);
    ~SharedCopier() override;

    // Before start(); 30 s unless set.
    void setRetryInterval(int ms) { m_retryMs = ms; }
    // Starts the thread and a first run at once.
    void start();
    // Ends the run in progress (a few seconds at the most) and the thread.
    void stop();

public slots:
    // Asks for a run soon; from any thread; wakes given during a run give one more run.
    void wake();

signals:
    // After every run, from the copier's thread.
    void passFinished(const SyncResult &result);

private:
    void run();

    const QString m_databasePath;
    const QString m_url;
    int m_retryMs = 30000;
    std::unique_ptr<QThread> m_thread;
    QMutex m_mutex;
    QWaitCondition m_wakeUp;
    bool m_woken = false;
    bool m_stopping = false;
};
