#pragma once

#include <QDateTime>
#include <QDialog>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// What the engineer types before a service report is made: their name, the
// customer or site and a note (all three remembered in the settings file for
// the next report) and from when the changes are listed.
class ServiceReportDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ServiceReportDialog(const QDateTime &changesSince, QWidget *parent = nullptr);

    QString engineer() const;
    QString site() const;
    QString note() const;
    QDateTime changesSince() const;

    // Keeps engineer, site and note in the settings file.
    void remember() const;

private:
    QLineEdit *m_engineer;
    QLineEdit *m_site;
    QPlainTextEdit *m_note;
    QDateTimeEdit *m_since;
};
