#include "commwindow.h"

#include "modbuslink.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QTextStream>
#include <QVBoxLayout>

namespace {

enum Column {
    TimeColumn,
    FunctionColumn,
    CodeColumn,
    SlaveColumn,
    StartColumn,
    CountColumn,
    ValuesColumn,
    OutcomeColumn,
    MsColumn,
    Columns
};

enum Figure {
    Requests,
    Good,
    Timeouts,
    Refused,
    Malformed,
    LinkLost,
    Reconnects,
    Times,
    Share,
    Figures
};

const char *const FigureNames[Figures] = {
    QT_TRANSLATE_NOOP("CommunicationWindow", "Requests"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Answered well"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Timeouts"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Refused by the instrument"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Malformed replies"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Link lost"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Reconnects"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Response time (ms)"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Good answers in the last minute"),
};

const char *const FilterNames[] = {
    QT_TRANSLATE_NOOP("CommunicationWindow", "All requests"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Failures"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Answered well"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Timeouts"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Refused by the instrument"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Malformed replies"),
    QT_TRANSLATE_NOOP("CommunicationWindow", "Link lost"),
};

QString commText(const char *text)
{
    return QCoreApplication::translate("CommunicationWindow", text);
}

// The link's own English names (exception meanings, kinds, reasons) in the
// program's language.
QString linkText(const QString &english)
{
    return QCoreApplication::translate("LinkStats", english.toUtf8().constData());
}

QString msText(double ms)
{
    return ms < 0 ? QStringLiteral("-") : QString::number(ms, 'f', 1);
}

QString outcomeText(const TrafficLine &line)
{
    switch (line.result) {
    case ModbusOk:
        return QCoreApplication::translate("CommunicationWindow", "ok");
    case ModbusTimeout:
        return QCoreApplication::translate("CommunicationWindow", "timeout");
    case ModbusProtocolError:
        return QCoreApplication::translate("CommunicationWindow", "exception %1 (%2)")
            .arg(line.exceptionCode)
            .arg(linkText(ModbusExceptionName(line.exceptionCode)));
    case ModbusMalformed:
        return QCoreApplication::translate("CommunicationWindow", "malformed (%1)")
            .arg(linkText(MalformedKindText(line.malformed)));
    case ModbusNoLink:
    case ModbusNotRecorded:        // never sent, so never a line of traffic
    case ModbusCalibrationRefused: // a verdict, not a line of traffic
    case ModbusCalibrationUnknown:
        break;
    }
    return QCoreApplication::translate("CommunicationWindow", "link lost");
}

QString valuesText(const TrafficLine &line)
{
    QStringList out;
    for (quint16 v : line.values)
        out << QStringLiteral("0x%1 (%2)").arg(v, 4, 16, QLatin1Char('0')).arg(v);
    return out.join(QStringLiteral("  "));
}

// "3: 2 illegal data address, 1 device failure"
QString withParts(quint64 total, const QVector<QPair<quint64, QString>> &parts)
{
    QStringList shown;
    for (const auto &p : parts) {
        if (p.first)
            shown << QStringLiteral("%1 %2").arg(p.first).arg(p.second);
    }
    return shown.isEmpty()
               ? QString::number(total)
               : QStringLiteral("%1: %2").arg(total).arg(shown.join(QStringLiteral(", ")));
}

} // namespace

// ---- traffic model ---------------------------------------------------------

TrafficModel::TrafficModel(QObject *parent) : QAbstractTableModel(parent)
{}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shown.size();
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size())
        return {};
    const TrafficLine &line = m_lines[m_shown[index.row()]];
    if (role == Qt::ForegroundRole)
        return line.result == ModbusOk ? QVariant() : QVariant(QColor(Qt::red));
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case TimeColumn:
        return QDateTime::fromMSecsSinceEpoch(line.timeMs).toString(QStringLiteral("HH:mm:ss.zzz"));
    case FunctionColumn:
        return line.write ? QCoreApplication::translate("CommunicationWindow", "write")
                          : QCoreApplication::translate("CommunicationWindow", "read");
    case CodeColumn:
        return QStringLiteral("%1").arg(line.function, 2, 16, QLatin1Char('0'));
    case SlaveColumn:
        return line.slaveId;
    case StartColumn:
        return line.start;
    case CountColumn:
        return line.count;
    case ValuesColumn:
        return valuesText(line);
    case OutcomeColumn:
        return outcomeText(line);
    case MsColumn:
        return msText(line.responseMs);
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const names[Columns] = {
        QT_TRANSLATE_NOOP("CommunicationWindow", "Time"),
        QT_TRANSLATE_NOOP("CommunicationWindow", "Function"),
        QT_TRANSLATE_NOOP("CommunicationWindow", "Code"),
        QT_TRANSLATE_NOOP("CommunicationWindow", "Slave"),
        QT_TRANSLATE_NOOP("CommunicationWindow", "Start"),
        QT_TRANSLATE_NOOP("CommunicationWindow", "Count"),
        QT_TRANSLATE_NOOP("CommunicationWindow", "Values"),
        QT_TRANSLATE_NOOP("CommunicationWindow", "Outcome"),
        QT_TRANSLATE_NOOP("CommunicationWindow", "ms"),
    };
    return section >= 0 && section < Columns ? commText(names[section]) : QVariant();
}

bool TrafficModel::passes(const TrafficLine &line, Filter filter)
{
    switch (filter) {
    case All:
        return true;
    case Failures:
        return line.result != ModbusOk;
    case Good:
        return line.result == ModbusOk;
    case Timeouts:
        return line.result == ModbusTimeout;
    case Exceptions:
        return line.result == ModbusProtocolError;
    case Malformed:
        return line.result == ModbusMalformed;
    case LinkLost:
        return line.result == ModbusNoLink;
    }
    return true;
}

void TrafficModel::append(const QVector<TrafficLine> &lines)
{
    if (lines.isEmpty())
        return;
    const int overflow = m_lines.size() + lines.size() - LinkStats::TrafficCapacity;
    if (overflow > 0) {
        // The oldest lines go, as on the link itself.
        m_lines.remove(0, qMin(overflow, m_lines.size()));
        m_lines += lines.mid(qMax(0, lines.size() - LinkStats::TrafficCapacity));
        rebuild();
        return;
    }
    QVector<int> added;
    for (int i = 0; i < lines.size(); ++i) {
        if (passes(lines[i], m_filter))
            added << m_lines.size() + i;
    }
    m_lines += lines;
    if (added.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_shown.size(), m_shown.size() + added.size() - 1);
    m_shown += added;
    endInsertRows();
}

void TrafficModel::clear()
{
    m_lines.clear();
    rebuild();
}

void TrafficModel::setFilter(Filter filter)
{
    m_filter = filter;
    rebuild();
}

void TrafficModel::rebuild()
{
    beginResetModel();
    m_shown.clear();
    for (int i = 0; i < m_lines.size(); ++i) {
        if (passes(m_lines[i], m_filter))
            m_shown << i;
    }
    endResetModel();
}

// ---- window ------------------------------------------------------------------

CommunicationWindow::CommunicationWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(new TrafficModel(this)), m_view(new QTableView(this)),
      m_filter(new QComboBox(this)), m_pause(new QPushButton(this)), m_clear(new QPushButton(this)),
      m_save(new QPushButton(this)), m_reset(new QPushButton(this)),
      m_trafficTitle(new QLabel(this))
{
    setObjectName(QStringLiteral("CommunicationWindow"));
    // The program's style sheet gives the window its background.
    setAttribute(Qt::WA_StyledBackground);
    resize(1280, 680);
    auto *layout = new QVBoxLayout(this);
    auto *figures = new QGridLayout;
    for (int i = 0; i < Figures; ++i) {
        auto *name = new QLabel(this);
        auto *value = new QLabel(this);
        value->setObjectName(QStringLiteral("figure_%1").arg(i));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figures->addWidget(name, i, 0);
        figures->addWidget(value, i, 1);
        m_names << name;
        m_values << value;
    }
    figures->setColumnStretch(1, 1);
    m_reset->setObjectName(QStringLiteral("resetFigures"));
    figures->addWidget(m_reset, 0, 2);
    layout->addLayout(figures);

    auto *bar = new QHBoxLayout;
    bar->setSpacing(10);
    bar->addWidget(m_trafficTitle);
    bar->addStretch(1);
    m_filter->setObjectName(QStringLiteral("trafficFilter"));
    m_pause->setObjectName(QStringLiteral("pauseTraffic"));
    m_pause->setCheckable(true);
    m_clear->setObjectName(QStringLiteral("clearTraffic"));
    m_save->setObjectName(QStringLiteral("saveTraffic"));
    for (QWidget *w : {static_cast<QWidget *>(m_filter), static_cast<QWidget *>(m_pause),
                       static_cast<QWidget *>(m_clear), static_cast<QWidget *>(m_save)})
        bar->addWidget(w);
    layout->addLayout(bar);

    m_view->setObjectName(QStringLiteral("trafficView"));
    m_view->setModel(m_model);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(20);
    // Fixed widths that fit their widest contents in the table's font:
    // measuring 2000 rows at every update would cost more than the rows themselves.
    // The style sheet's font is the table's once it is polished.
    m_view->ensurePolished();
    m_view->horizontalHeader()->ensurePolished();
    const QFontMetrics cells(m_view->font());
    const QFontMetrics heads(m_view->horizontalHeader()->font());
    const char *const widest[Columns] = {
        "88:88:88.888", "write", "888", "888", "88888", "888", "", "malformed reply", "8888.8"};
    for (int c = 0; c < Columns; ++c) {
        if (c == ValuesColumn)
            continue;
        const QString head = m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        m_view->setColumnWidth(c, qMax(cells.horizontalAdvance(QLatin1String(widest[c])),
                                       heads.horizontalAdvance(head)) +
                                      2 * cells.averageCharWidth());
    }
    m_view->horizontalHeader()->setStretchLastSection(false);
    m_view->horizontalHeader()->setSectionResizeMode(ValuesColumn, QHeaderView::Stretch);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setWordWrap(false);
    layout->addWidget(m_view, 1);

    connect(m_reset, &QPushButton::clicked, this, &CommunicationWindow::resetFigures);
    connect(m_clear, &QPushButton::clicked, m_model, &TrafficModel::clear);
    connect(m_save, &QPushButton::clicked, this, &CommunicationWindow::save);
    connect(m_filter, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { m_model->setFilter(TrafficModel::Filter(index)); });
    connect(m_pause, &QPushButton::toggled, this, [this](bool paused) {
        if (!paused)
            refresh();
    });
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CommunicationWindow::refresh);
    retranslate();
}

void CommunicationWindow::retranslate()
{
    setWindowTitle(tr("Communication"));
    for (int i = 0; i < Figures; ++i)
        m_names[i]->setText(commText(FigureNames[i]));
    m_reset->setText(tr("Reset"));
    m_pause->setText(tr("Pause"));
    m_clear->setText(tr("Clear"));
    m_save->setText(tr("Save..."));
    m_trafficTitle->setText(tr("Traffic (last %1 requests)").arg(LinkStats::TrafficCapacity));
    const int chosen = qMax(0, m_filter->currentIndex());
    m_filter->clear();
    for (const char *name : FilterNames)
        m_filter->addItem(commText(name));
    m_filter->setCurrentIndex(chosen);
    emit m_model->headerDataChanged(Qt::Horizontal, 0, Columns - 1);
    // Buttons with room around their text and whole borders, as elsewhere in
    // the program.
    for (QPushButton *button : {m_reset, m_pause, m_clear, m_save}) {
        button->ensurePolished();
        button->setMinimumSize(button->sizeHint() + QSize(24, 8));
    }
}

void CommunicationWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void CommunicationWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    m_timer.start();
}

void CommunicationWindow::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void CommunicationWindow::resetFigures()
{
    if (m_link)
        m_link->stats().reset();
    m_model->clear();
    refresh();
}

void CommunicationWindow::refresh()
{
    ModbusConnection *link = ProgramLink();
    if (link != m_link) {
        // A new link numbers its requests afresh.
        m_link = link;
        m_lastSerial = 0;
    }
    LinkFigures f;
    if (m_link)
        f = m_link->stats().figures(QDateTime::currentMSecsSinceEpoch());

    QVector<QPair<quint64, QString>> codes, kinds, reasons;
    for (auto it = f.exceptions.cbegin(); it != f.exceptions.cend(); ++it)
        codes.append({it.value(), QStringLiteral("%1 (%2)").arg(it.key()).arg(
                                      linkText(ModbusExceptionName(it.key())))});
    for (int k = 0; k < MalformedKinds; ++k)
        kinds.append({f.malformedBy[k], linkText(MalformedKindText(MalformedKind(k)))});
    for (int r = 0; r < ReconnectReasons; ++r)
        reasons.append({f.reconnectsBy[r], linkText(ReconnectReasonText(ReconnectReason(r)))});
    const QString values[Figures] = {
        QString::number(f.sent),
        QString::number(f.good),
        QString::number(f.timeouts),
        withParts(f.refused(), codes),
        withParts(f.malformed, kinds),
        QString::number(f.noLink),
        withParts(f.reconnects, reasons),
        tr("last %1, min %2, median %3, 95% %4, max %5 (%6 answers)")
            .arg(msText(f.lastMs), msText(f.minMs), msText(f.medianMs), msText(f.p95Ms),
                 msText(f.maxMs))
            .arg(f.samples),
        f.goodShareLastMinute < 0
            ? QStringLiteral("-")
            : QString::number(100 * f.goodShareLastMinute, 'f', 1) + QLatin1Char('%'),
    };
    for (int i = 0; i < Figures; ++i) {
        if (m_values[i]->text() != values[i])
            m_values[i]->setText(values[i]);
    }
    if (!m_link || m_pause->isChecked())
        return;
    const QVector<TrafficLine> fresh = m_link->stats().trafficSince(m_lastSerial);
    if (fresh.isEmpty())
        return;
    m_lastSerial = fresh.last().serial;
    QScrollBar *scroll = m_view->verticalScrollBar();
    const bool atBottom = scroll->value() == scroll->maximum();
    m_model->append(fresh);
    if (atBottom)
        m_view->scrollToBottom();
}

bool CommunicationWindow::saveTraffic(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    const bool csv = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    QTextStream out(&file);
    out.setCodec("UTF-8");
    if (csv)
        out << TrafficCsvHeader() << '\n';
    // The lines shown: the filter applies to the file too.
    for (const TrafficLine &line : m_model->lines()) {
        if (!TrafficModel::passes(line, TrafficModel::Filter(qMax(0, m_filter->currentIndex()))))
            continue;
        out << (csv ? TrafficCsvLine(line) : TrafficLineText(line)) << '\n';
    }
    out.flush();
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void CommunicationWindow::save()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save Traffic"), QStringLiteral("traffic.csv"),
        tr("CSV files (*.csv)") + QLatin1String(";;") + tr("Text files (*.txt)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!saveTraffic(path, &error))
        m_trafficTitle->setText(tr("Not saved: %1").arg(error));
}
