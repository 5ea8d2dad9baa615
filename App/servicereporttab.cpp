#include "servicereporttab.h"

#include "devicemodel.h"
#include "filepaths.h"
#include "languagefont.h"
#include "mesgBox.h"
#include "modbuslink.h"
#include "programrecord.h"
#include "reportpdf.h"
#include "reportreader.h"
#include "servicerecorder.h"
#include "servicereportdialog.h"
#include "sysinfotext.h"

#include <QDesktopServices>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QModbusClient>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

ServiceReportTab::ServiceReportTab(QWidget *parent)
    : QWidget(parent), m_about(new QLabel(this)), m_button(new QPushButton(this)),
      m_progress(new QProgressBar(this)), m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("tab_ServiceReport"));
    m_button->setObjectName(QStringLiteral("Btn_ServiceReport"));
    m_progress->setObjectName(QStringLiteral("progressBar_ServiceReport"));
    m_status->setObjectName(QStringLiteral("label_ServiceReport"));
    m_button->setMinimumSize(160, 36);
    m_progress->setRange(0, 100);
    m_progress->hide();
    m_about->setWordWrap(true);
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::RichText);
    connect(m_status, &QLabel::linkActivated, this,
            [](const QString &link) { QDesktopServices::openUrl(QUrl::fromLocalFile(link)); });
    connect(m_button, &QPushButton::clicked, this, &ServiceReportTab::makeReport);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(16);
    layout->addWidget(m_about);
    layout->addWidget(m_button, 0, Qt::AlignLeft);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addStretch(1);
    retranslate();
}

void ServiceReportTab::setCurveSource(std::function<QVector<QPointF>()> source)
{
    m_curveSource = std::move(source);
}

void ServiceReportTab::setPathChooser(std::function<QString(const QString &)> chooser)
{
    m_pathChooser = std::move(chooser);
}

void ServiceReportTab::retranslate()
{
    m_about->setText(tr("A PDF to leave with the customer: the instrument, its calibration and "
                        "weight curve, every parameter, and the changes since the connection "
                        "with the check of the service record."));
    m_button->setText(tr("Service Report"));
    if (auto *tabs =
            qobject_cast<QTabWidget *>(parentWidget() ? parentWidget()->parentWidget() : nullptr)) {
        const int index = tabs->indexOf(this);
        if (index >= 0)
            tabs->setTabText(index, tr("Service Report"));
    }
}

void ServiceReportTab::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void ServiceReportTab::finish(bool saved, const QString &message)
{
    m_progress->hide();
    m_button->setEnabled(true);
    m_busy = false;
    m_status->setText(message);
    emit reportDone(saved);
}

void ServiceReportTab::makeReport()
{
    if (m_busy)
        return;
    if (!gp_ModbusDevice || gp_ModbusDevice->state() != QModbusDevice::ConnectedState) {
        showNotice(tr("Tip"), tr("Connect to the instrument first."), 1, this);
        return;
    }
    m_busy = true;
    m_lastReport.clear();
    m_lastUnread = 0;
    // The changes of this visit, or of today when no visit is known.
    QDateTime since = ServiceRecorder::VisitSince();
    if (!since.isValid())
        since = QDateTime(QDate::currentDate(), QTime(0, 0));
    ServiceReportDialog dialog(since, this);
    ApplyLanguageFont(&dialog);
    if (dialog.exec() != QDialog::Accepted) {
        finish(false, QString());
        return;
    }
    dialog.remember();
    const QString suggested =
        ExportDir() +
        QStringLiteral("ServiceReport_%1_%2.pdf")
            .arg(SerialNumberText(gsrt_SysInf.slot, SerialNumberSlot),
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmm")));
    const QString path = m_pathChooser
                             ? m_pathChooser(suggested)
                             : QFileDialog::getSaveFileName(this, tr("Save Service Report"),
                                                            suggested, tr("PDF document (*.pdf)"));
    if (path.isEmpty()) {
        finish(false, QString());
        return;
    }

    ReportContent content;
    content.chinese = gu32_Language != 0;
    content.created = QDateTime::currentDateTime();
    content.engineer = dialog.engineer();
    content.site = dialog.site();
    content.note = dialog.note();
    content.changesSince = dialog.changesSince();
    if (m_curveSource)
        content.curve = m_curveSource();
    ReportReader reader(gsrt_LinkPara, &content);
    reader.setRecord(ProgramRecord());
    m_button->setEnabled(false);
    m_progress->setValue(0);
    m_progress->show();
    m_status->setText(tr("Reading the instrument..."));
    {
        QEventLoop loop;
        connect(&reader, &ReportReader::progress, &loop,
                [this](int done, int total) { m_progress->setValue(100 * done / qMax(1, total)); });
        connect(&reader, &ReportReader::finished, &loop, &QEventLoop::quit);
        reader.start();
        loop.exec();
    }
    QString error;
    if (!WriteReportPdf(content, path, &error)) {
        finish(false, tr("The report could not be saved: %1").arg(error.toHtmlEscaped()));
        showNotice(tr("Tip"), tr("The report could not be saved: %1").arg(error), 1, this);
        return;
    }
    m_lastReport = path;
    m_lastUnread = content.gaps.size();
    const QString link =
        QStringLiteral("<a href=\"%1\">%2</a>").arg(path.toHtmlEscaped(), path.toHtmlEscaped());
    finish(true, content.gaps.isEmpty()
                     ? tr("Service report saved: %1").arg(link)
                     : tr("Service report saved: %1. %2 reads failed; the report names the "
                          "values that could not be read.")
                           .arg(link)
                           .arg(content.gaps.size()));
}
