#include "sharedpager.h"

#include "sharedreader.h"

#include <QThread>

#include <memory>

class SharedPager::Worker : public QObject
{
public:
    std::unique_ptr<SharedReader> reader;
};

SharedPager::SharedPager(QObject *parent)
    : QObject(parent), m_thread(new QThread), m_worker(new Worker)
{
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

SharedPager::~SharedPager()
{
    // The connection goes on the thread it was made on.
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [worker] {
        worker->reader.reset();
        QThread::currentThread()->quit();
    });
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void SharedPager::open(const QString &url)
{
    // The destructor waits for the thread: the pager outlives every call, and
    // an answer posted to it as it goes is dropped with it.
    Worker *worker = m_worker;
    SharedPager *self = this;
    QMetaObject::invokeMethod(worker, [worker, url, self] {
        worker->reader = std::make_unique<SharedReader>();
        QString error;
        const bool ok = worker->reader->open(url, &error);
        if (!ok)
            worker->reader.reset();
        QMetaObject::invokeMethod(self, [self, ok, error] { emit self->opened(ok, error); });
    });
}

void SharedPager::fetch(const HistoryFilter &filter, int limit, int ticket,
                        const ServiceEntry *after)
{
    Worker *worker = m_worker;
    SharedPager *self = this;
    const bool paging = after != nullptr;
    const ServiceEntry last = paging ? *after : ServiceEntry();
    QMetaObject::invokeMethod(worker, [worker, filter, limit, ticket, paging, last, self] {
        QVector<ServiceEntry> entries;
        QString error = tr("the shared record is not open");
        if (worker->reader) {
            entries = paging ? worker->reader->fetchAfter(filter, last, limit)
                             : worker->reader->fetch(filter, limit);
            error = worker->reader->lastError();
        }
        QMetaObject::invokeMethod(
            self, [self, ticket, entries, error] { emit self->pageRead(ticket, entries, error); });
    });
}
