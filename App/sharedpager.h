#pragma once

#include "historyfilter.h"
#include "serviceentry.h"

#include <QObject>
#include <QVector>

class QThread;

// Reads the shared store on a thread of its own, so that a slow or silent
// server never holds the window: a call at a time, each answered by a signal.
// The connection is made, used and closed on that thread.
class SharedPager : public QObject
{
    Q_OBJECT

public:
    explicit SharedPager(QObject *parent = nullptr);
    // Waits for a call under way (each is bounded by the reader's call limit).
    ~SharedPager() override;

    // Connects; answered by opened().
    void open(const QString &url);
    // The first page of filter's entries, or the one after `after`; answered by
    // pageRead() with the same ticket.
    void fetch(const HistoryFilter &filter, int limit, int ticket,
               const ServiceEntry *after = nullptr);

signals:
    void opened(bool ok, const QString &error);
    void pageRead(int ticket, const QVector<ServiceEntry> &entries, const QString &error);

private:
    class Worker;
    QThread *m_thread;
    Worker *m_worker;
};
