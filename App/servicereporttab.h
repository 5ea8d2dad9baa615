#pragma once

#include <QPointF>
#include <QVector>
#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// The test page's "Service Report" tab: asks for the engineer, site and note,
// a file to save to, reads the instrument with the progress on its bar (polling
// goes on between the reads) and writes the PDF in the program's language.
class ServiceReportTab : public QWidget
{
    Q_OBJECT

public:
    explicit ServiceReportTab(QWidget *parent = nullptr);

    // The weight curve of the monitoring page (seconds, weight), taken when a report starts.
    void setCurveSource(std::function<QVector<QPointF>()> source);
    // Where the file name comes from: a save dialog unless a test answers (suggested path).
    void setPathChooser(std::function<QString(const QString &)> chooser);

    // The report saved last, empty when none or it failed.
    QString lastReport() const { return m_lastReport; }
    // Reads the report has left unread in the last run.
    int lastUnread() const { return m_lastUnread; }

    // The button's and the tab's text in the language now installed.
    void retranslate();

public slots:
    void makeReport();

signals:
    void reportDone(bool saved);

protected:
    void changeEvent(QEvent *event) override;

private:
    void finish(bool saved, const QString &message);

    QLabel *m_about;
    QPushButton *m_button;
    QProgressBar *m_progress;
    QLabel *m_status;
    std::function<QVector<QPointF>()> m_curveSource;
    std::function<QString(const QString &)> m_pathChooser;
    QString m_lastReport;
    int m_lastUnread = 0;
    bool m_busy = false;
};
