#pragma once

#include "linkstats.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class ModbusConnection;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

// The traffic lines shown: the newest at the bottom, at most the link's
// capacity, failures in red; a filter keeps only one kind of outcome.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Filter { All, Failures, Good, Timeouts, Exceptions, Malformed, LinkLost };

    explicit TrafficModel(QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(const QVector<TrafficLine> &lines);
    void clear();
    void setFilter(Filter filter);
    // Every kept line, filtered or not.
    const QVector<TrafficLine> &lines() const { return m_lines; }
    static bool passes(const TrafficLine &line, Filter filter);

private:
    void rebuild();

    QVector<TrafficLine> m_lines;
    QVector<int> m_shown; // indexes into m_lines
    Filter m_filter = All;
};

// The "Communication" window: what the program-wide link did (requests, failures
// by kind, response times, reconnects) updated once a second while it is open,
// and the last requests one line each, with pause, clear, a filter and saving.
// Closed, it costs nothing: it reads the link's own figures only while shown.
class CommunicationWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CommunicationWindow(QWidget *parent = nullptr);

    // Reads the link's figures and new traffic now.
    void refresh();
    // Writes the traffic shown to path: CSV when it ends in .csv, text lines otherwise.
    bool saveTraffic(const QString &path, QString *error) const;
    TrafficModel *traffic() const { return m_model; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void resetFigures();
    void save();

    QTimer m_timer;
    TrafficModel *m_model;
    QTableView *m_view;
    QComboBox *m_filter;
    QPushButton *m_pause;
    QPushButton *m_clear;
    QPushButton *m_save;
    QPushButton *m_reset;
    QVector<QLabel *> m_names;
    QVector<QLabel *> m_values;
    QLabel *m_trafficTitle;
    QPointer<ModbusConnection> m_link;
    quint64 m_lastSerial = 0;
};
