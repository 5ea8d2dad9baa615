#include "historypage.h"

#include "filepaths.h"
#include "historymodel.h"
#include "programrecord.h"
#include "servicerecord.h"
#include "sharedpager.h"
#include "sharedurl.h"
#include "workbook.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QTableView>
#include <QThread>

#include <algorithm>

namespace {

constexpr int ExportPageSize = 1000;
// Room a cell keeps either side of its text.
constexpr int CellPadding = 10;
// The rows whose texts decide the columns' widths.
constexpr int FittedRows = 50;
// The widest serial number an instrument reports, and the widest time stamp
// (a time of this computer's zone is shown without its offset).
const char WidestSerial[] = "ZT20261105001-000000A3B4C1";
const char WidestTime[] = "2026-12-08 23:59:59";

const ServiceEntry::Outcome FilterOutcomes[] = {
    ServiceEntry::Written,           ServiceEntry::Refused,         ServiceEntry::TimedOut,
    ServiceEntry::LinkLost,          ServiceEntry::ReadBackDiffers, ServiceEntry::OutcomeUnknown,
    ServiceEntry::InstrumentRefused, ServiceEntry::VerdictUnknown};

// Runs work with the wait cursor up.
template <typename Work> auto waiting(Work &&work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto result = work();
    QApplication::restoreOverrideCursor();
    return result;
}

} // namespace

HistoryPage::HistoryPage(QWidget *parent) : QWidget(parent), m_model(new HistoryModel(this))
{
    // The light ground of the parameter pages (the style sheet names the page):
    // the filters' labels are dark text.
    setObjectName(QStringLiteral("HistoryPage"));
    setAttribute(Qt::WA_StyledBackground);
    buildForm();
    retranslate();
}

void HistoryPage::buildForm()
{
    m_serialLabel = new QLabel(this);
    m_serial = new QLineEdit(this);
    m_serial->setObjectName(QStringLiteral("EditHistorySerial"));
    m_paramLabel = new QLabel(this);
    m_param = new QLineEdit(this);
    m_param->setObjectName(QStringLiteral("EditHistoryParam"));
    m_sourceLabel = new QLabel(this);
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("EditHistorySource"));
    m_outcomeLabel = new QLabel(this);
    m_outcome = new QComboBox(this);
    m_outcome->setObjectName(QStringLiteral("ComboHistoryOutcome"));
    m_outcome->addItem(QString(), -1);
    for (ServiceEntry::Outcome outcome : FilterOutcomes)
        m_outcome->addItem(QString(), int(outcome));
    m_fromCheck = new QCheckBox(this);
    m_fromCheck->setObjectName(QStringLiteral("CheckHistoryFrom"));
    m_from = new QDateEdit(QDate::currentDate().addMonths(-1), this);
    m_from->setObjectName(QStringLiteral("DateHistoryFrom"));
    m_toCheck = new QCheckBox(this);
    m_toCheck->setObjectName(QStringLiteral("CheckHistoryTo"));
    m_to = new QDateEdit(QDate::currentDate(), this);
    m_to->setObjectName(QStringLiteral("DateHistoryTo"));
    for (QDateEdit *date : {m_from, m_to}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    m_refresh = new QPushButton(this);
    m_refresh->setObjectName(QStringLiteral("BtnHistoryRefresh"));
    m_verify = new QPushButton(this);
    m_verify->setObjectName(QStringLiteral("BtnHistoryVerify"));
    m_exportCsv = new QPushButton(this);
    m_exportCsv->setObjectName(QStringLiteral("BtnHistoryExportCsv"));
    m_exportExcel = new QPushButton(this);
    m_exportExcel->setObjectName(QStringLiteral("BtnHistoryExportExcel"));
    m_sharedCheck = new QCheckBox(this);
    m_sharedCheck->setObjectName(QStringLiteral("CheckHistoryShared"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelHistoryStatus"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("TableHistory"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->setTextElideMode(Qt::ElideMiddle);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_emptyHint = new QLabel(m_view->viewport());
    m_emptyHint->setObjectName(QStringLiteral("LabelHistoryEmpty"));
    m_emptyHint->setAlignment(Qt::AlignCenter);
    m_emptyHint->setWordWrap(true);
    // A palette rather than a style sheet of its own, which would restyle the label apart.
    QPalette grey = m_emptyHint->palette();
    grey.setColor(QPalette::WindowText, QColor(90, 90, 90));
    m_emptyHint->setPalette(grey);
    m_view->viewport()->installEventFilter(this);
    connect(m_model, &QAbstractItemModel::modelReset, this, &HistoryPage::showEmptyHint);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &HistoryPage::showEmptyHint);
    connect(m_model, &HistoryModel::sharedPageRead, this, &HistoryPage::sharedPageRead);

    // Two rows of filters: the texts to look for, then the outcome and days;
    // the buttons keep a row of their own, beside the dates they were cut short.
    auto *page = new QVBoxLayout(this);
    auto *texts = new QHBoxLayout;
    texts->addWidget(m_serialLabel);
    texts->addWidget(m_serial);
    texts->addSpacing(8);
    texts->addWidget(m_paramLabel);
    texts->addWidget(m_param, 1);
    texts->addSpacing(8);
    texts->addWidget(m_sourceLabel);
    texts->addWidget(m_source, 1);
    page->addLayout(texts);
    auto *choices = new QHBoxLayout;
    choices->addWidget(m_outcomeLabel);
    choices->addWidget(m_outcome);
    choices->addSpacing(16);
    choices->addWidget(m_fromCheck);
    choices->addWidget(m_from);
    choices->addSpacing(8);
    choices->addWidget(m_toCheck);
    choices->addWidget(m_to);
    choices->addSpacing(16);
    choices->addWidget(m_sharedCheck);
    choices->addStretch(1);
    page->addLayout(choices);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {m_refresh, m_verify, m_exportCsv, m_exportExcel})
        buttons->addWidget(button);
    page->addLayout(buttons);
    page->addWidget(m_status);
    page->addWidget(m_view, 1);
    m_outcome->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    for (QLineEdit *edit : {m_serial, m_param, m_source})
        connect(edit, &QLineEdit::editingFinished, this, &HistoryPage::refresh);
    connect(m_outcome, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &HistoryPage::refresh);
    for (QCheckBox *check : {m_fromCheck, m_toCheck})
        connect(check, &QCheckBox::toggled, this, &HistoryPage::refresh);
    connect(m_from, &QDateEdit::dateChanged, this, [this] {
        if (m_fromCheck->isChecked())
            refresh();
    });
    connect(m_to, &QDateEdit::dateChanged, this, [this] {
        if (m_toCheck->isChecked())
            refresh();
    });
    connect(m_refresh, &QPushButton::clicked, this, &HistoryPage::refresh);
    connect(m_verify, &QPushButton::clicked, this, &HistoryPage::verifyChain);
    connect(m_exportCsv, &QPushButton::clicked, this, &HistoryPage::chooseCsvFile);
    connect(m_exportExcel, &QPushButton::clicked, this, &HistoryPage::chooseExcelFile);
    connect(m_sharedCheck, &QCheckBox::toggled, this, &HistoryPage::showShared);
}

void HistoryPage::retranslate()
{
    m_serialLabel->setText(tr("Instrument"));
    m_paramLabel->setText(tr("Parameter"));
    m_sourceLabel->setText(tr("Source"));
    m_outcomeLabel->setText(tr("Outcome"));
    m_outcome->setItemText(0, tr("All"));
    for (int i = 1; i < m_outcome->count(); ++i)
        m_outcome->setItemText(
            i, HistoryModel::outcomeName(ServiceEntry::Outcome(m_outcome->itemData(i).toInt())));
    m_fromCheck->setText(tr("From"));
    m_toCheck->setText(tr("To"));
    m_refresh->setText(tr("Refresh"));
    m_verify->setText(tr("Verify chain"));
    m_exportCsv->setText(tr("Export CSV…"));
    m_exportExcel->setText(tr("Export Excel…"));
    m_sharedCheck->setText(tr("Shared (all computers)"));
    m_model->retranslate();
    // A whole serial number fits the instrument filter.
    m_serial->ensurePolished();
    const QFontMetrics metrics(m_serial->font());
    m_serial->setMinimumWidth(metrics.horizontalAdvance(QLatin1String(WidestSerial)) +
                              2 * CellPadding);
    fitColumns();
    showEmptyHint();
}

void HistoryPage::fitColumns()
{
    m_view->ensurePolished();
    const QFontMetrics metrics(m_view->font());
    const QHeaderView *header = m_view->horizontalHeader();
    // The widest text of a column among the first rows shown: measured with
    // the font alone, which is quick and keeps nothing (a view's own measure
    // lays every cell out). The samples cover what later rows may bring.
    const auto widest = [&](int column) {
        int width = 0;
        const int rows = std::min(m_model->rowCount(), FittedRows);
        for (int row = 0; row < rows; ++row)
            width = std::max(
                width, metrics.horizontalAdvance(m_model->index(row, column).data().toString()));
        return width;
    };
    const auto fit = [&](int column, int textWidth) {
        m_view->setColumnWidth(column,
                               std::max({std::max(textWidth, widest(column)) + 2 * CellPadding,
                                         header->sectionSizeHint(column)}));
    };
    int outcomeWidth = 0;
    for (ServiceEntry::Outcome outcome : FilterOutcomes) {
        // The long outcome of an ended program is read whole in its tooltip.
        if (outcome != ServiceEntry::OutcomeUnknown && outcome != ServiceEntry::VerdictUnknown)
            outcomeWidth = std::max(outcomeWidth,
                                    metrics.horizontalAdvance(HistoryModel::outcomeName(outcome)));
    }
    fit(HistoryModel::TimeColumn, metrics.horizontalAdvance(QLatin1String(WidestTime)));
    fit(HistoryModel::SerialColumn, metrics.horizontalAdvance(QLatin1String(WidestSerial)));
    const int letter = metrics.horizontalAdvance(QLatin1Char('M'));
    fit(HistoryModel::ParamColumn, letter * 8);
    fit(HistoryModel::ChangeColumn, letter * 8);
    m_view->setColumnWidth(HistoryModel::OutcomeColumn,
                           std::max(outcomeWidth + 2 * CellPadding,
                                    header->sectionSizeHint(HistoryModel::OutcomeColumn)));
    // The source gives way first: User@Host keeps room for a name, and no row
    // needs the scroll bar where the window has the room.
    int taken = 0;
    for (int c = 0; c < HistoryModel::ColumnCount; ++c) {
        if (c != HistoryModel::SourceColumn && c != HistoryModel::WhoColumn &&
            !m_view->isColumnHidden(c))
            taken += m_view->columnWidth(c);
    }
    const int whoRoom = header->sectionSizeHint(HistoryModel::WhoColumn);
    const int spare = m_view->viewport()->width() - taken - whoRoom;
    const int source = widest(HistoryModel::SourceColumn) + 2 * CellPadding;
    m_view->setColumnWidth(HistoryModel::SourceColumn,
                           std::clamp(std::min(source, spare), letter * 9, letter * 14));
}

void HistoryPage::showEmptyHint()
{
    // Nothing is said before the page has read anything.
    const bool read = m_shared || m_recordChosen;
    const bool empty =
        m_model->rowCount() == 0 && !m_model->reading() && !m_model->canFetchMore(QModelIndex());
    if (!read || !empty) {
        m_emptyHint->hide();
        return;
    }
    const HistoryFilter f = filter();
    const bool onlySerial = f.paramName.isEmpty() && f.source.isEmpty() && !f.outcome &&
                            !f.since.isValid() && !f.until.isValid();
    QString text;
    if (!m_shared && !m_record)
        text = tr("The service record cannot be opened.");
    else if (onlySerial && f.serial.isEmpty())
        text = m_shared ? tr("The shared record holds no entries yet.")
                        : tr("Nothing is recorded yet: every parameter written from this "
                             "computer is entered here, with the connection it was made on.");
    else if (onlySerial)
        text = tr("Nothing is recorded for instrument %1 yet: every parameter written to it "
                  "is entered here. Clear the instrument filter to see every instrument.")
                   .arg(f.serial);
    else
        text = tr("No entry matches these filters.");
    m_emptyHint->setText(text);
    m_emptyHint->setGeometry(m_view->viewport()->rect().adjusted(40, 20, -40, -20));
    m_emptyHint->show();
}

bool HistoryPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize) {
        m_emptyHint->setGeometry(m_view->viewport()->rect().adjusted(40, 20, -40, -20));
        fitColumns();
    }
    return QWidget::eventFilter(watched, event);
}

void HistoryPage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void HistoryPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void HistoryPage::setRecord(ServiceRecord *record)
{
    if (m_record)
        disconnect(m_record, nullptr, this, nullptr);
    m_record = record;
    m_recordChosen = true;
    m_model->setRecord(record);
    if (record)
        connect(record, &ServiceRecord::appended, this, &HistoryPage::onAppended);
}

ServiceRecord *HistoryPage::record()
{
    if (!m_recordChosen)
        setRecord(ProgramRecord());
    return m_record;
}

void HistoryPage::setCurrentSerial(const QString &serial)
{
    // Once per instrument: a filter the user cleared stays cleared.
    if (serial.isEmpty() || serial == m_currentSerial)
        return;
    m_currentSerial = serial;
    m_serial->setText(serial);
    if (isVisible())
        refresh();
}

HistoryFilter HistoryPage::filter() const
{
    HistoryFilter f;
    f.serial = m_serial->text().trimmed();
    f.paramName = m_param->text().trimmed();
    f.source = m_source->text().trimmed();
    const int outcome = m_outcome->currentData().toInt();
    if (outcome >= 0)
        f.outcome = ServiceEntry::Outcome(outcome);
    // The days of this computer's calendar; "to" takes in the whole day.
    if (m_fromCheck->isChecked())
        f.since = QDateTime(m_from->date(), QTime(0, 0), Qt::LocalTime);
    if (m_toCheck->isChecked())
        f.until = QDateTime(m_to->date().addDays(1), QTime(0, 0), Qt::LocalTime);
    return f;
}

QString HistoryPage::statusText() const
{
    return m_status->text();
}

void HistoryPage::refresh()
{
    if (!m_shared && !record()) {
        m_status->setText(tr("The service record cannot be opened."));
        showEmptyHint();
        return;
    }
    if (m_shared) {
        // The rows come on the pager's thread; the window goes on meanwhile.
        m_status->setText(tr("Reading the shared record…"));
        m_model->setFilter(filter());
    } else {
        m_status->clear();
        waiting([this] {
            m_model->setFilter(filter());
            return true;
        });
    }
    // Filtered to one instrument, every row would repeat its serial number.
    m_view->setColumnHidden(HistoryModel::SerialColumn, !filter().serial.isEmpty());
    fitColumns();
}

void HistoryPage::sharedPageRead(const QString &error)
{
    if (error.isEmpty())
        m_status->clear();
    else
        m_status->setText(tr("The shared record cannot be read: %1").arg(error));
    fitColumns();
    showEmptyHint();
}

void HistoryPage::showShared(bool on)
{
    if (!on) {
        m_shared = false;
        m_model->setShared(nullptr);
        for (QPushButton *local : {m_verify, m_exportCsv, m_exportExcel})
            local->setEnabled(true);
        refresh();
        return;
    }
    const QString url = m_sharedUrl.isEmpty()
                            ? SharedHistoryUrl(QSettings(SettingsFilePath(), QSettings::IniFormat)
                                                   .value(QStringLiteral("Zelt/historyUrl"))
                                                   .toString())
                            : m_sharedUrl;
    if (url.isEmpty()) {
        const QSignalBlocker blocker(m_sharedCheck);
        m_sharedCheck->setChecked(false);
        m_status->setText(tr("No shared record is set up (historyUrl in the settings file, or "
                             "ZELT_HISTORY_URL)."));
        return;
    }
    if (!m_pager) {
        m_pager = new SharedPager(this);
        connect(m_pager, &SharedPager::opened, this, &HistoryPage::sharedOpened);
    }
    // The box waits for the answer: a second press would open it twice.
    m_sharedCheck->setEnabled(false);
    m_status->setText(tr("Connecting to the shared record…"));
    m_pager->open(url);
}

void HistoryPage::sharedOpened(bool ok, const QString &error)
{
    m_sharedCheck->setEnabled(true);
    if (!ok || !m_sharedCheck->isChecked()) {
        const QSignalBlocker blocker(m_sharedCheck);
        m_sharedCheck->setChecked(false);
        m_status->setText(error);
        return;
    }
    m_shared = true;
    m_model->setShared(m_pager);
    for (QPushButton *local : {m_verify, m_exportCsv, m_exportExcel})
        local->setEnabled(false);
    refresh();
}

void HistoryPage::onAppended()
{
    if (m_shared)
        return;
    // Only a view at its top follows: one scrolled down stays where it is.
    if (m_view->verticalScrollBar()->value() == m_view->verticalScrollBar()->minimum())
        m_model->setFilter(filter());
    else
        m_status->setText(tr("New entries were recorded: Refresh shows them."));
}

HistoryPage::~HistoryPage()
{
    stopVerify();
}

void HistoryPage::stopVerify()
{
    if (!m_verifyThread)
        return;
    // The walk looks at the flag every few thousand entries: the wait is short.
    m_verifyCancel = true;
    m_verifyThread->wait();
    delete m_verifyThread;
    m_verifyThread = nullptr;
}

void HistoryPage::verifyChain()
{
    if (m_verifyThread) {
        m_verifyCancel = true;
        return;
    }
    if (!record()) {
        m_status->setText(tr("The service record cannot be opened."));
        return;
    }
    // A connection of its own on a thread of its own, reading only: the page
    // and the recording go on while a long chain is walked.
    const QString path = m_record->path();
    m_verifyTotal = m_record->count({});
    m_verifyCancel = false;
    m_verifyThread = QThread::create([this, path] {
        VerifyResult result;
        {
            ServiceRecord reader;
            QString error;
            if (!reader.openReadOnly(path, &error)) {
                result.ok = false;
                result.error = error;
            } else {
                result = reader.verify(0, [this](qint64 checked) {
                    QMetaObject::invokeMethod(
                        this, [this, checked] { verifyProgress(checked); }, Qt::QueuedConnection);
                    return !m_verifyCancel;
                });
            }
        }
        QMetaObject::invokeMethod(
            this, [this, result] { verifyDone(result); }, Qt::QueuedConnection);
    });
    m_verify->setText(tr("Cancel check"));
    m_status->setText(tr("Checking the chain…"));
    m_verifyThread->start();
}

void HistoryPage::verifyProgress(qint64 checked)
{
    if (m_verifyThread)
        m_status->setText(
            tr("Checking the chain: %1 of %2 entries…").arg(checked).arg(m_verifyTotal));
}

void HistoryPage::verifyDone(const VerifyResult &result)
{
    stopVerify();
    m_verify->setText(tr("Verify chain"));
    if (result.error == QLatin1String("cancelled"))
        m_status->setText(tr("Chain check cancelled after %1 entries.").arg(result.checked));
    else if (!result.error.isEmpty())
        m_status->setText(tr("The service record cannot be read: %1").arg(result.error));
    else if (result.ok && result.checked == 0)
        m_status->setText(tr("No record here: the service record holds no entries."));
    else if (result.ok)
        m_status->setText(tr("Chain intact: %1 entries").arg(result.checked));
    else
        m_status->setText(tr("Chain broken at entry %1 (id %2): %3")
                              .arg(result.seq)
                              .arg(result.id.isEmpty() ? tr("missing") : result.id, result.reason));
}

bool HistoryPage::exportCsv(const QString &path, QString *error)
{
    if (!record()) {
        *error = tr("The service record cannot be opened.");
        return false;
    }
    return m_record->exportCsv(filter(), path, error);
}

bool HistoryPage::exportExcel(const QString &path, int *written, QString *error)
{
    *written = 0;
    if (!record()) {
        *error = tr("The service record cannot be opened.");
        return false;
    }
    const HistoryFilter f = filter();
    QVector<QStringList> rows;
    QStringList header;
    for (int c = 0; c < HistoryModel::ColumnCount; ++c)
        header << HistoryModel::columnTitle(c);
    rows << header;
    QVector<ServiceEntry> page = m_record->fetch(f, 0, ExportPageSize);
    while (!page.isEmpty() && *written < ExcelRowLimit) {
        for (const ServiceEntry &e : qAsConst(page)) {
            if (*written == ExcelRowLimit)
                break;
            QStringList row;
            for (int c = 0; c < HistoryModel::ColumnCount; ++c)
                row << HistoryModel::cellText(e, c);
            rows << row;
            ++*written;
        }
        page = page.size() < ExportPageSize ? QVector<ServiceEntry>()
                                            : m_record->fetchAfter(f, page.last(), ExportPageSize);
    }
    return CreateWorkbook(path, QStringLiteral("History"), rows, {24, 28, 22, 26, 40, 16, 24},
                          error);
}

QString HistoryPage::exportPath(const QString &suffix, const QString &filter)
{
    const QString suggested =
        QDir(ExportDir())
            .filePath(
                QStringLiteral("history_%1.%2")
                    .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")),
                         suffix));
    return QFileDialog::getSaveFileName(this, tr("Export the history"), suggested, filter);
}

void HistoryPage::chooseCsvFile()
{
    const QString path = exportPath(QStringLiteral("csv"), tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (waiting([&] { return exportCsv(path, &error); }))
        m_status->setText(tr("Saved %1").arg(QDir::toNativeSeparators(path)));
    else
        m_status->setText(tr("Not saved: %1").arg(error));
}

void HistoryPage::chooseExcelFile()
{
    const QString path = exportPath(QStringLiteral("xlsx"), tr("Excel workbooks (*.xlsx)"));
    if (path.isEmpty())
        return;
    QString error;
    int written = 0;
    if (!waiting([&] { return exportExcel(path, &written, &error); }))
        m_status->setText(tr("Not saved: %1").arg(error));
    else if (written == ExcelRowLimit)
        m_status->setText(tr("Saved the newest %1 entries to %2; Export CSV saves them all")
                              .arg(written)
                              .arg(QDir::toNativeSeparators(path)));
    else
        m_status->setText(tr("Saved %1").arg(QDir::toNativeSeparators(path)));
}
