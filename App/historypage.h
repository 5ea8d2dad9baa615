#pragma once

#include "historyfilter.h"

#include <QWidget>

#include <atomic>

class QThread;
struct VerifyResult;
#include <memory>

class HistoryModel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class ServiceRecord;
class SharedPager;

// The History page: the service record's entries, newest first, filtered by
// instrument, parameter, source, outcome and day, with the chain check and the
// exports of what the filter shows. It reads only the local record, never the
// instrument.
class HistoryPage : public QWidget
{
    Q_OBJECT

public:
    // The spreadsheet engine builds a workbook in memory: an export to Excel
    // stops after this many entries (the CSV export has no limit).
    static constexpr int ExcelRowLimit = 100000;

    explicit HistoryPage(QWidget *parent = nullptr);
    ~HistoryPage() override;

    // The record shown; the program's own (ProgramRecord()) when none was set
    // by the time the page is first shown.
    void setRecord(ServiceRecord *record);
    // The connected instrument's serial number becomes the serial filter.
    void setCurrentSerial(const QString &serial);
    // The shared store of the shared view; the settings' (or $ZELT_HISTORY_URL) unless set.
    void setSharedUrl(const QString &url) { m_sharedUrl = url; }
    HistoryFilter filter() const;
    HistoryModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    QString statusText() const;
    // A chain check runs (on a thread of its own; the button then cancels it).
    bool verifying() const { return m_verifyThread != nullptr; }

    bool exportCsv(const QString &path, QString *error);
    // *written: the entries in the workbook (at most ExcelRowLimit).
    bool exportExcel(const QString &path, int *written, QString *error);

public slots:
    // Shows the first page of what the filter matches.
    void refresh();
    // Starts the chain check, or cancels the one running.
    void verifyChain();
    // The shared view: every computer's entries in the shared store (filters
    // apply; the chain check and the exports are the local record's).
    void showShared(bool on);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildForm();
    void retranslate();
    // Widths that hold a whole time stamp, serial number and outcome.
    void fitColumns();
    // The line shown across an empty table: why it is empty.
    void showEmptyHint();
    ServiceRecord *record();
    void onAppended();
    void sharedOpened(bool ok, const QString &error);
    void sharedPageRead(const QString &error);
    void chooseCsvFile();
    void chooseExcelFile();
    QString exportPath(const QString &suffix, const QString &filter);
    void verifyProgress(qint64 checked);
    void verifyDone(const VerifyResult &result);
    void stopVerify();

    HistoryModel *m_model;
    ServiceRecord *m_record = nullptr;
    bool m_recordChosen = false;
    QString m_currentSerial;
    QLabel *m_serialLabel;
    QLineEdit *m_serial;
    QLabel *m_paramLabel;
    QLineEdit *m_param;
    QLabel *m_sourceLabel;
    QLineEdit *m_source;
    QLabel *m_outcomeLabel;
    QComboBox *m_outcome;
    QCheckBox *m_fromCheck;
    QDateEdit *m_from;
    QCheckBox *m_toCheck;
    QDateEdit *m_to;
    QPushButton *m_refresh;
    QPushButton *m_verify;
    QPushButton *m_exportCsv;
    QPushButton *m_exportExcel;
    QCheckBox *m_sharedCheck;
    QString m_sharedUrl;
    // Reads the shared store on a thread of its own; made when first shown.
    SharedPager *m_pager = nullptr;
    // The shared store is shown (the pager is open).
    bool m_shared = false;
    QLabel *m_status;
    QTableView *m_view;
    QLabel *m_emptyHint;
    QThread *m_verifyThread = nullptr;
    std::atomic_bool m_verifyCancel{false};
    qint64 m_verifyTotal = 0;
};
