#pragma once

#include "busscan.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

// The connection window's search: runs a bus scan over the chosen port or
// address, shows its progress with a cancel, lists every instrument found and
// hands the chosen one back when the user connects to it.
class BusScanDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BusScanDialog(const ScanPlan &plan, QWidget *parent = nullptr);
    // The instrument chosen when the dialog was accepted.
    ScanFind chosen() const;
    BusScan *scan() const { return m_scan; }

protected:
    void reject() override;

private:
    void showProgress(int done, int total, const QString &where);
    void addFind(const ScanFind &find);
    void scanEnded();
    void cancelOrClose();
    void connectChosen();

    BusScan *m_scan;
    QLabel *m_status;
    QProgressBar *m_bar;
    QTableWidget *m_table;
    QPushButton *m_connect;
    QPushButton *m_cancel;
};
