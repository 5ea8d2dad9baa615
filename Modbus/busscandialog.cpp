#include "busscandialog.h"

#include "Dialog/dialogsetup.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Column { SlaveColumn, LinkColumn, VersionColumn, KindColumn, SerialColumn, ColumnCount };
// As the connection window's own buttons, a little smaller.
constexpr int ButtonWidth = 160;
constexpr int ButtonHeight = 44;
} // namespace

BusScanDialog::BusScanDialog(const ScanPlan &plan, QWidget *parent)
    : QDialog(parent), m_scan(new BusScan(plan, this)), m_status(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_table(new QTableWidget(0, ColumnCount, this)),
      m_connect(new QPushButton(tr("Connect"), this)), m_cancel(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("BusScanDialog"));
    setWindowTitle(tr("Search for instruments"));
    auto *title = new QLabel(tr("Search for instruments"), this);
    title->setObjectName(QStringLiteral("LabScanTitle"));
    m_status->setObjectName(QStringLiteral("LabScanStatus"));
    m_status->setWordWrap(true);
    m_bar->setObjectName(QStringLiteral("progressScan"));
    m_bar->setRange(0, qMax(1, m_scan->probesTotal()));
    m_bar->setValue(0);
    m_table->setObjectName(QStringLiteral("tableScanFinds"));
    m_table->setHorizontalHeaderLabels(
        {tr("Slave ID"), tr("Link"), tr("Version"), tr("Kind"), tr("Serial number")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setMinimumSize(820, 240);
    for (QPushButton *button : {m_connect, m_cancel})
        button->setMinimumSize(ButtonWidth, ButtonHeight);
    m_connect->setObjectName(QStringLiteral("BtnScanConnect"));
    m_connect->setEnabled(false);
    m_cancel->setObjectName(QStringLiteral("BtnScanCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_connect);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_status);
    layout->addWidget(m_bar);
    layout->addWidget(m_table);
    layout->addLayout(buttons);

    connect(m_scan, &BusScan::progress, this, &BusScanDialog::showProgress);
    connect(m_scan, &BusScan::found, this, &BusScanDialog::addFind);
    connect(m_scan, &BusScan::finished, this, &BusScanDialog::scanEnded);
    connect(m_cancel, &QPushButton::clicked, this, &BusScanDialog::cancelOrClose);
    connect(m_connect, &QPushButton::clicked, this, &BusScanDialog::connectChosen);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            [this] { m_connect->setEnabled(!m_table->selectedItems().isEmpty()); });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &BusScanDialog::connectChosen);
    PrepareFramelessDialog(this);
    // The language font is larger than the program's style sheet's; the
    // header is measured and drawn at the style sheet's size like the cells.
    m_table->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView { font-size: 14pt; }"));
    title->setStyleSheet(QStringLiteral("QLabel { font-size: 18pt; font-weight: bold; }"));
    m_status->setText(tr("Searching ..."));
    // Two lines are kept for the status, so that a wrapped one never pushes
    // the table under the buttons; the dialog grows with its contents.
    m_status->setMinimumHeight(2 * m_status->fontMetrics().lineSpacing() + 4);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    m_scan->start();
}

void BusScanDialog::showProgress(int done, int total, const QString &where)
{
    m_bar->setRange(0, qMax(1, total));
    m_bar->setValue(done);
    m_status->setText(tr("Searching %1: %2 of %3 addresses").arg(where).arg(done).arg(total));
}

void BusScanDialog::addFind(const ScanFind &find)
{
    QString kind = tr("Unknown");
    if (find.kind == QLatin1String("analog"))
        kind = tr("Analog");
    else if (find.kind == QLatin1String("digital"))
        kind = tr("Digital");
    QString version = find.version ? QString::number(find.version) : QString();
    if (find.exceptionCode != 0)
        version = tr("Refused (exception %1)").arg(find.exceptionCode);
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    const QStringList cells = {QString::number(find.slaveId), find.whereText(), version, kind,
                               find.serialNumber};
    for (int c = 0; c < cells.size(); ++c)
        m_table->setItem(row, c, new QTableWidgetItem(cells.at(c)));
    if (row == 0)
        m_table->selectRow(0);
}

void BusScanDialog::scanEnded()
{
    const int found = m_scan->finds().size();
    QString text = m_scan->wasCancelled() ? tr("Search cancelled. Instruments found: %1").arg(found)
                                          : tr("Search finished. Instruments found: %1").arg(found);
    if (found == 0 && !m_scan->wasCancelled())
        text = tr("No instrument answered.");
    if (!m_scan->problems().isEmpty() && found == 0)
        text += QLatin1Char(' ') + tr("Could not open: %1").arg(m_scan->problems().first());
    m_status->setText(text);
    m_bar->setValue(m_bar->maximum());
    m_cancel->setText(tr("Close"));
}

void BusScanDialog::cancelOrClose()
{
    if (m_scan->isRunning())
        m_scan->cancel();
    else
        reject();
}

void BusScanDialog::reject()
{
    // The port is closed before the form may use it again.
    m_scan->cancel();
    QDialog::reject();
}

void BusScanDialog::connectChosen()
{
    if (m_table->selectedItems().isEmpty())
        return;
    m_scan->cancel();
    accept();
}

ScanFind BusScanDialog::chosen() const
{
    const QList<QTableWidgetItem *> selected = m_table->selectedItems();
    if (selected.isEmpty())
        return ScanFind();
    return m_scan->finds().value(selected.first()->row());
}
