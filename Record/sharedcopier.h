#pragma once

#include "sharedsync.h"

#include <QObject>

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
    // The longest stop() waits for the thread.
    static constexpr int StopWaitMs = 800;

    SharedCopier(const QString &databasePath, const QString &url, QObject *parent = nullptr);
    ~SharedCopier() override;

    // Before start(); 30 s unless set.
    void setRetryInterval(int ms);
    // Before start(): the time limit of each call on the shared store.
    void setCallLimit(int ms);
    // Starts the thread and a first run at once.
    void start();
    // Ends the run in progress and the thread, within StopWaitMs: a call on
    // the shared store is cut at once. A thread still connecting then (at most
    // the connect timeout) or waiting for the local file is left to end on its
    // own, and says nothing more: false then.
    bool stop();

public slots:
    // Asks for a run soon; from any thread; wakes given during a run give one more run.
    void wake();

signals:
    // After every run, from the copier's thread.
    void passFinished(const SyncResult &result);

private:
    struct State;
    static void run(const std::shared_ptr<State> &state);
    // For a later start(), after stop().
    void renewState();

    std::shared_ptr<State> m_state;
    std::unique_ptr<QThread> m_thread;
};
