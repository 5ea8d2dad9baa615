#pragma once

#include "historyfilter.h"
#include "serviceentry.h"
#include "sharedstore.h"

#include <QVector>

// The shared store's entries, every origin's, newest first, a page at a time
// (keyset paging: as quick deep in the history as at its start). Each entry
// carries its origin; user and host say whose computer wrote it.
class SharedReader
{
public:
    // Each page within callMs.
    explicit SharedReader(int callMs = 5000) { m_store.setCallLimit(callMs); }

    bool open(const QString &url, QString *error)
    {
        return m_store.open(url, error, SharedStore::Use::Read);
    }
    bool isOpen() const { return m_store.isOpen(); }
    QString where() const { return m_store.where(); }

    QVector<ServiceEntry> fetch(const HistoryFilter &filter, int limit);
    // The page after `last`, an entry of the page before.
    QVector<ServiceEntry> fetchAfter(const HistoryFilter &filter, const ServiceEntry &last,
                                     int limit);
    // Empty after a page that was read.
    QString lastError() const { return m_lastError; }

private:
    QVector<ServiceEntry> select(SqlCondition condition, int limit);

    SharedStore m_store;
    QString m_lastError;
};
