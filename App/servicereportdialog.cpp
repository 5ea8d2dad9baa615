#include "servicereportdialog.h"

#include "filepaths.h"
#include "serviceentry.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpacerItem>

namespace {

const QString Group = QStringLiteral("ServiceReport/");

} // namespace

ServiceReportDialog::ServiceReportDialog(const QDateTime &changesSince, QWidget *parent)
    : QDialog(parent), m_engineer(new QLineEdit(this)), m_site(new QLineEdit(this)),
      m_note(new QPlainTextEdit(this)), m_since(new QDateTimeEdit(changesSince.toLocalTime(), this))
{
    setObjectName(QStringLiteral("ServiceReportDialog"));
    setWindowTitle(tr("Service Report"));
    m_engineer->setObjectName(QStringLiteral("EditReportEngineer"));
    m_site->setObjectName(QStringLiteral("EditReportSite"));
    m_note->setObjectName(QStringLiteral("EditReportNote"));
    m_since->setObjectName(QStringLiteral("EditReportSince"));
    m_since->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    m_since->setCalendarPopup(true);
    m_note->setTabChangesFocus(true);
    m_note->setMaximumHeight(90);

    const QSettings file(SettingsFilePath(), QSettings::IniFormat);
    const QString engineer = file.value(Group + QStringLiteral("Engineer")).toString();
    m_engineer->setText(engineer.isEmpty() ? OsUserName() : engineer);
    m_site->setText(file.value(Group + QStringLiteral("Site")).toString());
    m_note->setPlainText(file.value(Group + QStringLiteral("Note")).toString());

    auto *form = new QFormLayout(this);
    // Room around the form and between its rows, as the program's pages have.
    form->setContentsMargins(20, 20, 20, 16);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    form->addRow(tr("Engineer:"), m_engineer);
    form->addRow(tr("Customer / site:"), m_site);
    form->addRow(tr("Note:"), m_note);
    form->addRow(tr("Changes since:"), m_since);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Save Report..."));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("Btn_ReportSave"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("Btn_ReportCancel"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    // Whole borders and room around each button's text.
    for (QAbstractButton *button : buttons->buttons()) {
        button->ensurePolished();
        button->setMinimumSize(button->sizeHint() + QSize(24, 8));
    }
    form->addItem(new QSpacerItem(0, 6));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The program's style sheet gives the dialog its background.
    setAttribute(Qt::WA_StyledBackground);
    setMinimumWidth(560);
}

QString ServiceReportDialog::engineer() const
{
    return m_engineer->text().trimmed();
}

QString ServiceReportDialog::site() const
{
    return m_site->text().trimmed();
}

QString ServiceReportDialog::note() const
{
    return m_note->toPlainText().trimmed();
}

QDateTime ServiceReportDialog::changesSince() const
{
    return m_since->dateTime();
}

void ServiceReportDialog::remember() const
{
    QSettings file(SettingsFilePath(), QSettings::IniFormat);
    file.setValue(Group + QStringLiteral("Engineer"), engineer());
    file.setValue(Group + QStringLiteral("Site"), site());
    file.setValue(Group + QStringLiteral("Note"), note());
    file.sync();
}
