#pragma once

#include "historyfilter.h"
#include "serviceentry.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QVector>

class ServiceRecord;
class SharedPager;

// The service record's entries that match a filter, newest first, read a page
// at a time as the view scrolls down (keyset paging, as quick deep in the
// history as at its start).
class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        TimeColumn,
        SerialColumn,
        ParamColumn,
        ChangeColumn,
        SourceColumn,
        OutcomeColumn,
        WhoColumn,
        ColumnCount
    };
    static constexpr int PageSize = 200;

    explicit HistoryModel(QObject *parent = nullptr);

    void setRecord(ServiceRecord *record);
    ServiceRecord *record() const;
    // Reads the shared store instead of the record while set (null: the record
    // again). Its pages come on the pager's thread: setFilter() and
    // fetchMore() ask for them, and rows appear as they arrive.
    void setShared(SharedPager *pager);
    // A page of the shared store is on its way.
    bool reading() const { return m_waiting; }
    // Starts over with the first page of the entries this filter matches.
    void setFilter(const HistoryFilter &filter);
    HistoryFilter filter() const { return m_filter; }
    const ServiceEntry &entry(int row) const { return m_rows.at(row); }
    // The texts of the language in use changed (names, outcomes, headers).
    void retranslate();

    // A cell as the table shows it; the parameter in the language in use.
    static QString cellText(const ServiceEntry &entry, int column);
    static QString columnTitle(int column);
    // The time column's text: without the offset when it is this computer's.
    static QString shownTime(const ServiceEntry &entry);
    static QString outcomeName(ServiceEntry::Outcome outcome);
    static QString kindName(ServiceEntry::Kind kind);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    // A page of the shared store arrived (error: why it could not be read).
    void sharedPageRead(const QString &error);

private:
    QVector<ServiceEntry> page(const ServiceEntry *last) const;
    void askShared(const ServiceEntry *last);
    void takeShared(int ticket, const QVector<ServiceEntry> &entries, const QString &error);

    QPointer<ServiceRecord> m_record;
    SharedPager *m_shared = nullptr;
    // Pages asked for before the last setFilter() carry an older ticket.
    int m_ticket = 0;
    bool m_waiting = false;
    HistoryFilter m_filter;
    QVector<ServiceEntry> m_rows;
    bool m_atEnd = true;
};
