#include "sharedcopier.h"

#include "localstore.h"
#include "sharedstore.h"
#include "sqlconnection.h"

#include <QThread>

SharedCopier::SharedCopier(const QString &databasePath, const QString &url, QObject *parent)
    : QObject(parent), m_databasePath(databasePath), m_url(url)
{
    qRegisterMetaType<SyncResult>();
}

SharedCopier::~SharedCopier()
{
    stop();
}

void SharedCopier::start()
{
    if (m_thread)
        return;
    {
        QMutexLocker lock(&m_mutex);
        m_woken = true;
        m_stopping = false;
    }
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->setObjectName(QStringLiteral("SharedCopier"));
    m_thread->start(QThread::LowPriority);
}

void SharedCopier::stop()
{
    if (!m_thread)
        return;
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_wakeUp.wakeAll();
    }
    m_thread->wait();
    m_thread.reset();
}

void SharedCopier::wake()
{
    QMutexLocker lock(&m_mutex);
    m_woken = true;
    m_wakeUp.wakeAll();
}

void SharedCopier::run()
{
    SqlConnection local;
    SqlConnection shared;
    QString origin;
    for (;;) {
        {
            QMutexLocker lock(&m_mutex);
            if (!m_woken && !m_stopping)
                m_wakeUp.wait(&m_mutex, m_retryMs);
            if (m_stopping)
                return;
            m_woken = false;
        }
        SyncResult result;
        if (!local.isOpen())
            OpenLocalStore(local, m_databasePath, &origin, &result.error);
        if (local.isOpen() && !shared.isOpen() && !OpenSharedStore(shared, m_url, &result.error))
            result.failed = qMax(0, PendingCopies(local.db()));
        if (local.isOpen() && shared.isOpen()) {
            result = CopyPending(local.db(), origin, shared.db());
            // The link may be broken; the next run starts on a fresh one.
            if (!result.ok)
                shared.close();
        }
        emit passFinished(result);
    }
}
