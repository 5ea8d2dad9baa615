#include "historymodel.h"

#include "Dialog/languagefont.h"
#include "Modbus/paramshown.h"
#include "entryshown.h"
#include "entrytext.h"
#include "servicerecord.h"
#include "sharedpager.h"

#include <QBrush>

namespace {

bool isFailure(ServiceEntry::Outcome outcome)
{
    return outcome != ServiceEntry::NoOutcome && outcome != ServiceEntry::Written;
}

} // namespace

HistoryModel::HistoryModel(QObject *parent) : QAbstractTableModel(parent)
{}

void HistoryModel::setRecord(ServiceRecord *record)
{
    m_record = record;
}

ServiceRecord *HistoryModel::record() const
{
    return m_record;
}

void HistoryModel::setShared(SharedPager *pager)
{
    if (m_shared)
        disconnect(m_shared, nullptr, this, nullptr);
    m_shared = pager;
    ++m_ticket;
    m_waiting = false;
    if (pager)
        connect(pager, &SharedPager::pageRead, this, &HistoryModel::takeShared);
}

void HistoryModel::setFilter(const HistoryFilter &filter)
{
    beginResetModel();
    m_filter = filter;
    if (m_shared) {
        m_rows.clear();
        m_atEnd = false;
        ++m_ticket;
        askShared(nullptr);
    } else {
        m_rows = page(nullptr);
        m_atEnd = m_rows.size() < PageSize;
    }
    endResetModel();
}

void HistoryModel::askShared(const ServiceEntry *last)
{
    m_waiting = true;
    m_shared->fetch(m_filter, PageSize, m_ticket, last);
}

void HistoryModel::takeShared(int ticket, const QVector<ServiceEntry> &entries,
                              const QString &error)
{
    if (ticket != m_ticket)
        return; // asked for before the filter changed
    m_waiting = false;
    m_atEnd = entries.size() < PageSize || !error.isEmpty();
    if (!entries.isEmpty()) {
        beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size() + entries.size() - 1);
        m_rows += entries;
        endInsertRows();
    }
    emit sharedPageRead(error);
}

void HistoryModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(m_rows.size() - 1, ColumnCount - 1));
}

QString HistoryModel::outcomeName(ServiceEntry::Outcome outcome)
{
    switch (outcome) {
    case ServiceEntry::NoOutcome:
        return QString();
    case ServiceEntry::Written:
        return tr("written");
    case ServiceEntry::Refused:
        return tr("refused");
    case ServiceEntry::TimedOut:
        return tr("timed out");
    case ServiceEntry::LinkLost:
        return tr("link lost");
    case ServiceEntry::ReadBackDiffers:
        return tr("read back differs");
    case ServiceEntry::OutcomeUnknown:
        return tr("outcome unknown (program ended)");
    case ServiceEntry::InstrumentRefused:
        return tr("refused by the instrument");
    case ServiceEntry::VerdictUnknown:
        return tr("outcome unknown (no error word)");
    }
    return OutcomeText(outcome);
}

QString HistoryModel::kindName(ServiceEntry::Kind kind)
{
    switch (kind) {
    case ServiceEntry::Change:
        return tr("change");
    // The record's own words, as the command line prints them.
    case ServiceEntry::Connect:
        return tr("connect");
    case ServiceEntry::Disconnect:
        return tr("disconnect");
    case ServiceEntry::Backup:
        return tr("backup");
    case ServiceEntry::Test:
        return tr("test");
    }
    return KindText(kind);
}

QString HistoryModel::shownTime(const ServiceEntry &e)
{
    // A time of this computer's zone reads without its offset; one entered
    // in another zone keeps it (the tooltip and the exports always do).
    const QDateTime here = e.timeUtc.toLocalTime();
    if (here.offsetFromUtc() == e.utcOffsetSeconds)
        return here.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return EntryLocalTime(e);
}

QString HistoryModel::columnTitle(int column)
{
    switch (column) {
    case TimeColumn:
        return tr("Time");
    case SerialColumn:
        return tr("Instrument");
    case ParamColumn:
        return tr("Parameter");
    case ChangeColumn:
        return tr("Old → New");
    case SourceColumn:
        return tr("Source");
    case OutcomeColumn:
        return tr("Outcome");
    case WhoColumn:
        return tr("User@Host");
    default:
        return QString();
    }
}

QString HistoryModel::cellText(const ServiceEntry &e, int column)
{
    switch (column) {
    case TimeColumn:
        return EntryLocalTime(e);
    case SerialColumn:
        return e.serial;
    case ParamColumn:
        if (e.paramName.isEmpty() && e.paramNameZh.isEmpty())
            return kindName(e.kind);
        return gu32_Language == 1 && !e.paramNameZh.isEmpty() ? e.paramNameZh : e.paramName;
    case ChangeColumn:
        return EntryShownChange(e, gu32_Language == 1);
    case SourceColumn:
        return e.source;
    case OutcomeColumn: {
        // the instrument's own word where it refused a calibration
        const QString error = InstrumentErrorOf(e);
        return e.outcome == ServiceEntry::InstrumentRefused && !error.isEmpty()
                   ? outcomeName(e.outcome) + QStringLiteral(": ") + error
                   : outcomeName(e.outcome);
    }
    case WhoColumn:
        return EntryWho(e);
    default:
        return QString();
    }
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const ServiceEntry &e = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == TimeColumn)
            return shownTime(e);
        if (index.column() == SourceColumn)
            return ReadableSource(e.source, gu32_Language == 1);
        return cellText(e, index.column());
    case Qt::ToolTipRole:
        if (index.column() == ChangeColumn && !e.newRaw.isEmpty())
            return tr("Registers %1 (%2): %3 → %4")
                .arg(e.address)
                .arg(e.count)
                .arg(e.oldRaw, e.newRaw);
        if (index.column() == OutcomeColumn && !e.detail.isEmpty())
            return e.detail;
        // A cell cut short by its column is read whole under the pointer.
        return cellText(e, index.column());
    case Qt::ForegroundRole:
        return isFailure(e.outcome) ? QVariant(QBrush(Qt::red)) : QVariant();
    default:
        return QVariant();
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return columnTitle(section);
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd && !m_waiting && (m_record || m_shared);
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent) || m_rows.isEmpty())
        return;
    if (m_shared) {
        askShared(&m_rows.last());
        return;
    }
    const QVector<ServiceEntry> more = page(&m_rows.last());
    m_atEnd = more.size() < PageSize;
    if (more.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size() + more.size() - 1);
    m_rows += more;
    endInsertRows();
}

QVector<ServiceEntry> HistoryModel::page(const ServiceEntry *last) const
{
    if (!m_record)
        return {};
    return last ? m_record->fetchAfter(m_filter, *last, PageSize)
                : m_record->fetch(m_filter, 0, PageSize);
}
