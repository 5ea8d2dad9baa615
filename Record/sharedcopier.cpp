#include "sharedcopier.h"

#include "localstore.h"
#include "sharedstore.h"
#include "sqlconnection.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

struct SharedCopier::State
{
    State(const QString &path, const QString &url) : databasePath(path), url(url) {}

    const QString databasePath;
    const QString url;
    int retryMs = 30000;
    int callMs = SharedStore::DefaultCallMs;
    SqlWatchdog watchdog;
    QMutex mutex;
    QWaitCondition wakeUp;
    bool woken = false;
    bool stopping = false;
    // Held while a result is handed over; owner is cleared under it once the
    // copier no longer waits for the thread.
    QMutex ownerMutex;
    SharedCopier *owner = nullptr;
};

SharedCopier::SharedCopier(const QString &databasePath, const QString &url, QObject *parent)
    : QObject(parent), m_state(std::make_shared<State>(databasePath, url))
{
    qRegisterMetaType<SyncResult>();
    m_state->owner = this;
}

void SharedCopier::renewState()
{
    // The old state's watchdog cuts every call from now on; a thread left
    // running keeps it.
    auto fresh = std::make_shared<State>(m_state->databasePath, m_state->url);
    fresh->retryMs = m_state->retryMs;
    fresh->callMs = m_state->callMs;
    fresh->owner = this;
    m_state = fresh;
}

SharedCopier::~SharedCopier()
{
    stop();
}

void SharedCopier::setRetryInterval(int ms)
{
    m_state->retryMs = ms;
}

void SharedCopier::setCallLimit(int ms)
{
    m_state->callMs = ms;
}

void SharedCopier::start()
{
    if (m_thread)
        return;
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->woken = true;
        m_state->stopping = false;
    }
    std::shared_ptr<State> state = m_state;
    m_thread.reset(QThread::create([state] { run(state); }));
    m_thread->setObjectName(QStringLiteral("SharedCopier"));
    m_thread->start(QThread::LowPriority);
}

bool SharedCopier::stop()
{
    if (!m_thread)
        return true;
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->stopping = true;
        m_state->wakeUp.wakeAll();
    }
    m_state->watchdog.cutNow();
    if (m_thread->wait(StopWaitMs)) {
        m_thread.reset();
        renewState();
        return true;
    }
    // Still connecting or waiting for the local file: it ends on its own and
    // no longer reports to this object.
    {
        QMutexLocker lock(&m_state->ownerMutex);
        m_state->owner = nullptr;
    }
    QThread *left = m_thread.release();
    QObject::connect(left, &QThread::finished, left, &QObject::deleteLater);
    renewState();
    return false;
}

void SharedCopier::wake()
{
    QMutexLocker lock(&m_state->mutex);
    m_state->woken = true;
    m_state->wakeUp.wakeAll();
}

void SharedCopier::run(const std::shared_ptr<State> &state)
{
    SqlConnection local;
    SharedStore shared(&state->watchdog);
    shared.setCallLimit(state->callMs);
    QString origin;
    const auto stopping = [&] {
        QMutexLocker lock(&state->mutex);
        return state->stopping;
    };
    for (;;) {
        {
            QMutexLocker lock(&state->mutex);
            if (!state->woken && !state->stopping)
                state->wakeUp.wait(&state->mutex, state->retryMs);
            if (state->stopping)
                break;
            state->woken = false;
        }
        SyncResult result;
        if (!local.isOpen())
            OpenLocalStore(local, state->databasePath, &origin, &result.error);
        if (stopping())
            break;
        if (local.isOpen() && !shared.isOpen() && !shared.open(state->url, &result.error))
            result.failed = qMax(0, PendingCopies(local.db(), QString()));
        if (stopping())
            break;
        if (local.isOpen() && shared.isOpen()) {
            result = CopyPending(local.db(), origin, shared);
            // The link may be broken; the next run starts on a fresh one.
            if (!result.ok)
                shared.close();
        }
        // A run cut short by stop() is not a run that failed.
        if (stopping())
            break;
        QMutexLocker lock(&state->ownerMutex);
        if (!state->owner)
            break;
        emit state->owner->passFinished(result);
    }
    QMutexLocker lock(&state->ownerMutex);
    if (!state->owner) {
        // The program may be ending: leave the connections to it.
        local.abandon();
        shared.abandon();
    }
}
