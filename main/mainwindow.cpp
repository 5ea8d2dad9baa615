#include "mainwindow.h"
#include "logcategories.h"

#include "ui_mainwindow.h"

#include "App/application.h"
#include "App/basicconfig.h"
#include "App/datatrans.h"
#include "App/digsensors.h"
#include "App/historypage.h"
#include "App/maininterface.h"
#include "App/pagepoll.h"
#include "App/servicereporttab.h"
#include "App/sidescroll.h"
#include "App/testmaintain.h"
#include "App/weightcal.h"
#include "Dialog/languagefont.h"
#include "Dialog/modbusparasetdialog.h"
#include "Modbus/modbussetting.h"
#include "commwindow.h"
#include "devicemodel.h"
#include "displayweightthread.h"
#include "livedisplay.h"
#include "modbuslink.h"
#include "paramfiles.h"
#include "pollhold.h"
#include "pollstate.h"
#include "servicerecorder.h"
#include "sysinfotext.h"
#include "tipsdialog.h"
#include "windowgeometry.h"
#include "writesource.h"

#include <QApplication>
#include <QDateTime>
#include <QHelpEvent>
#include <QLabel>
#include <QModbusClient>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>
#include <QWindow>
#include <algorithm>

namespace {

constexpr int ConnectionPage = 8;
// Reads nothing from the instrument: polls of it read the live groups only.
constexpr int HistoryPageNumber = 9;
constexpr int MenuPages[] = {0, 1, 2, 3, 4, 5, 6, HistoryPageNumber};
constexpr int DisconnectDelayMs = 1000;
constexpr int DisconnectDelayAfterFailureMs = 2000;
constexpr int ReconnectDelayMs = 500;

const char *const SelectedMenuStyle =
    "border-radius: 0px; color:#164A96; background-color:qlineargradient(spread:pad, x1:0.5, "
    "y1:0, x2:0.5, y2:1, stop:0 rgba(227, 238, 248, 255), stop:1 rgba(199, 221, 242, 255)); "
    "border-style:none; padding: 0px 8px;";
const char *const PlainMenuStyle =
    "QPushButton:hover{background-color:qlineargradient(spread:pad, x1:0.5, y1:0, x2:0.5, y2:1, "
    "stop:0 rgba(227, 238, 248, 255), stop:1 rgba(199, 221, 242, 255));}QPushButton{background-"
    "color: rgba(0, 0, 0, 0); border-style:none; border-radius: 0px; padding: 0px 8px;}";

// Values that are no longer live keep their texts in grey, over the program's
// style sheet, until the next good poll.
const char *const StalePanelStyle = "#labelweight_1, #label_Mv_1, #label_AD_1, "
                                    "#label_ErrorMessage_1 { color: rgb(150, 150, 150); }";
// The parameter pages' fields only: the monitoring page's selectors are controls.
const char *const StalePageStyle =
    "ParamPage QLineEdit, ParamPage QComboBox { color: rgb(150, 150, 150); }";

QString parityLetter(int parity)
{
    switch (parity) {
    case 0:
        return QStringLiteral("N");
    case 2:
        return QStringLiteral("E");
    case 3:
        return QStringLiteral("O");
    default:
        return QString();
    }
}

// The connected instrument's serial number as its system information last read
// gave it; empty before that.
QString mirroredSerial()
{
    const quint32 *chars = gsrt_SysInf.slot + SerialNumberSlot;
    const bool known =
        std::any_of(chars, chars + SerialNumberChars, [](quint32 c) { return c != 0; });
    return known ? SerialNumberText(gsrt_SysInf.slot, SerialNumberSlot) : QString();
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), m_connectionPage(new ModbusSetting(this)),
      m_mainInterface(new MainInterface(this)), m_basicConfig(new BasicConfig(this)),
      m_application(new Application(this)), m_weightCal(new WeightCal(this)),
      m_dataTrans(new DataTrans(this)), m_testMaintain(new TestMaintain(this)),
      m_digSensors(new DigSensors(this)), m_historyPage(new HistoryPage(this)),
      m_poll([this](int group) { return m_connectionPage->ReadGroup(group); })
{
    ui->setupUi(this);
    ui->label_ConnectState->installEventFilter(this);
    m_recordState = new QLabel(ui->widget_down);
    m_recordState->setObjectName(QStringLiteral("label_RecordState"));
    ui->horizontalLayout_Down1->insertWidget(2, m_recordState);
    SetWriteRefusalObserver([this](const QString &why) { writeRefused(why); });
    // The link state opens the communication details: it looks like a link.
    ui->label_ConnectState->setCursor(Qt::PointingHandCursor);
    // The menu refits its items whenever its width or its items change.
    ui->widget_Menu->installEventFilter(this);
    ui->label_ConnectState->setCursor(Qt::PointingHandCursor);
    for (int n = 1; n < 7; ++n)
        m_poll.setPage(n, page(n));
    m_pollThread = new DisplayWeightThread(this);

    LiveDisplay::Widgets panel;
    panel.weight = ui->labelweight_1;
    panel.netMark = ui->LabNetFg;
    panel.zeroMark = ui->Lab_Zero;
    panel.stableMark = ui->Lab_Stable;
    panel.mvAdPanel = ui->Widget_DisMV_AD;
    panel.mvTitle = ui->label_Mv;
    panel.mvValue = ui->label_Mv_1;
    panel.adTitle = ui->label_AD;
    panel.adValue = ui->label_AD_1;
    panel.splitLine = ui->label_SplitLine_2;
    panel.spacerLeft = ui->horizontalSpacer_1;
    panel.spacerRight = ui->horizontalSpacer_2;
    panel.errorText = ui->label_ErrorMessage_1;
    panel.digSensorsButton = ui->ButtonDigSensors;
    m_liveDisplay.reset(new LiveDisplay(panel));

    initActions();

    connect(m_pollThread, &DisplayWeightThread::isdone, this, &MainWindow::onPollTick);
    connect(m_connectionPage, &ModbusSetting::ConnectSuccessfulSignal, this,
            &MainWindow::onConnected);
    disconnectTimer = new QTimer(this);
    disconnectTimer->setSingleShot(true);
    connect(disconnectTimer, &QTimer::timeout, this, &MainWindow::disconnectModbus);
    reconnectTimer = new QTimer(this);
    reconnectTimer->setSingleShot(true);
    connect(reconnectTimer, &QTimer::timeout, this, &MainWindow::reConnectModbus);

    // Mouse moves arrive without a pressed button, for the border cursors; the
    // pages keep the arrow so a border cursor does not show over them.
    setMouseTracking(true);
    ui->centralWidget->setMouseTracking(true);
    // The title strip's own background passes moves on too, for the top edge; the
    // thin frame the central layout leaves around the content carries the others.
    ui->widget_TitleBar->setMouseTracking(true);
    for (int n = 0; n < 7; ++n)
        page(n)->setCursor(Qt::ArrowCursor);
    m_connectionPage->setCursor(Qt::ArrowCursor);
    for (int n = 0; n < 7; ++n) {
        for (QScrollArea *area : page(n)->findChildren<QScrollArea *>()) {
            if (area->widget() &&
                area->widget()->objectName() == QLatin1String("scrollAreaWidgetContents"))
                SideScrollWhenCut::install(area);
        }
    }

    m_designedMinimum = minimumSize();
    fitToScreen();
}

MainWindow::~MainWindow()
{
    qCDebug(lcShell) << "destroy------";
    // A window closed while connected ends its visit on the record too.
    ServiceRecorder::LinkClosed();
    DisconnectModbus();
    delete m_pollThread; // stops the thread before the pages it signals go away
    m_pollThread = nullptr;
    delete ui;
}

PageBase *MainWindow::page(int number) const
{
    switch (number) {
    case 0:
        return m_mainInterface;
    case 1:
        return m_basicConfig;
    case 2:
        return m_weightCal;
    case 3:
        return m_application;
    case 4:
        return m_dataTrans;
    case 5:
        return m_testMaintain;
    case 6:
        return m_digSensors;
    default:
        return nullptr;
    }
}

// Every menu item keeps its own room at every width the window allows: where
// the items do not fit at the program's text size, their text gets smaller.
void MainWindow::fitMenu()
{
    constexpr int MenuPoints = 14; // the style sheet's size
    constexpr int SmallestMenuPoints = 10;
    // Padding both sides, the gap between icon and text, and some air.
    constexpr int MenuItemRoom = 2 * 8 + 6 + 12;
    if (m_fittingMenu)
        return;
    m_fittingMenu = true;
    const QList<QPushButton *> items = ui->widget_Menu->findChildren<QPushButton *>();
    // The size is found by measuring alone, and the style sheet changes only
    // when the size does: each change lays the menu out again, and a fit that
    // tried the sizes on the sheet itself set it back and forth for ever.
    int points = MenuPoints;
    for (; points > SmallestMenuPoints; --points) {
        // Measured here rather than by the buttons' hints, which follow a
        // style sheet change only once they are polished again.
        QFont font = ui->widget_Menu->font();
        font.setPointSize(points);
        const QFontMetrics fm(font);
        int needed = 0;
        for (QPushButton *item : items) {
            if (item->isVisibleTo(ui->widget_Menu))
                needed +=
                    fm.horizontalAdvance(item->text()) + item->iconSize().width() + MenuItemRoom;
        }
        if (needed <= ui->widget_Menu->width())
            break;
    }
    if (points != m_menuPoints) {
        m_menuPoints = points;
        ui->widget_Menu->setStyleSheet(
            QStringLiteral("QPushButton { font-size: %1pt; }").arg(points));
    }
    m_fittingMenu = false;
}

QPushButton *MainWindow::menuButton(int page) const
{
    QPushButton *const buttons[] = {
        ui->ButtonMainInterface, ui->ButtonBasicConfig,  ui->ButtonWeightCal, ui->ButtonApplication,
        ui->ButtonDataTrans,     ui->ButtonTestMaintain, ui->ButtonDigSensors};
    if (page == HistoryPageNumber)
        return ui->ButtonHistory;
    return page >= 0 && page < 7 ? buttons[page] : nullptr;
}

void MainWindow::initActions()
{
    // The form's stacked widget already holds pages: take the indexes the additions return.
    pageIndex[7] = ui->stackedWidget->addWidget(m_connectionPage);
    pageIndex[0] = ui->stackedWidget->addWidget(m_mainInterface);
    pageIndex[1] = ui->stackedWidget->addWidget(m_basicConfig);
    pageIndex[2] = ui->stackedWidget->addWidget(m_weightCal);
    pageIndex[3] = ui->stackedWidget->addWidget(m_application);
    pageIndex[4] = ui->stackedWidget->addWidget(m_dataTrans);
    pageIndex[5] = ui->stackedWidget->addWidget(m_testMaintain);
    pageIndex[6] = ui->stackedWidget->addWidget(m_digSensors);
    pageIndex[HistoryPageNumber] = ui->stackedWidget->addWidget(m_historyPage);
    ConnectParamFiles(m_testMaintain);
    m_testMaintain->serviceReport()->setCurveSource(
        [this] { return m_mainInterface->weightCurve(); });
    showConnectionPage();
    WaitMs(20);
    applyLanguage();
}

void MainWindow::showConnectionPage()
{
    showStale(false);
    gu32_PageIndex = ConnectionPage;
    m_connectionPage->InterfaceInit();
    ui->widget_Menu->hide();
    ui->widget_down->hide();
    ui->WeightDisplay->hide();
    ui->stackedWidget->setCurrentWidget(m_connectionPage);
}

void MainWindow::onConnected()
{
    ui->ButtonDisconnect->setEnabled(false);
    ui->widget_Menu->show();
    ui->widget_down->show();
    ui->WeightDisplay->show();
    InitLinkParam();
    // This may be another instrument: nothing of the last one may show as its own.
    ClearMirror();
    for (int group : {2, SystemInfoGroup, SystemStatusGroup})
        readGroupAndRefresh(group);
    ServiceRecorder::LinkOpened(gsrt_LinkPara);
    showRecordState();
    refreshLiveDisplay(true);
    showPage(0);
    m_pollThread->start();
    gu8_PollBusy.store(false);
    ui->ButtonDisconnect->setEnabled(true);
}

void MainWindow::showPage(int n)
{
    for (int p : MenuPages)
        menuButton(p)->setStyleSheet(QLatin1String(p == n ? SelectedMenuStyle : PlainMenuStyle));
    gu32_PageIndex = quint32(n);
    ui->stackedWidget->setCurrentIndex(pageIndex[n]);
    enterCurrentPage();
    if (n != 5)
        m_testMaintain->clearPasswordAccepted();
}

void MainWindow::enterCurrentPage()
{
    if (gu32_PageIndex == ConnectionPage)
        m_connectionPage->InterfaceInit();
    else if (gu32_PageIndex == 5)
        m_testMaintain->enterPage(gp_ModbusDevice);
    else if (gu32_PageIndex == HistoryPageNumber)
        m_historyPage->setCurrentSerial(mirroredSerial());
    else if (PageBase *shown = page(int(gu32_PageIndex)))
        shown->enterPage();
}

ModbusResult MainWindow::readGroupAndRefresh(int group)
{
    return m_poll.readGroupAndRefresh(group);
}

void MainWindow::refreshLiveDisplay(bool force)
{
    m_liveDisplay->refresh(force, m_isChinese);
}

void MainWindow::InitLinkParam()
{
    linkView = gsrt_LinkPara;
    if (linkView.connectType == 0) {
        ui->label_SlaveTitle->show();
        ui->label_SlaveID->show();
        ui->label_SlaveTitle->setText(tr("Slave ID:"));
        ui->label_port->setText(QStringLiteral("%1:%2-%3-%4-%5")
                                    .arg(linkView.SerialNum)
                                    .arg(linkView.baud)
                                    .arg(linkView.dataBits)
                                    .arg(parityLetter(linkView.parity))
                                    .arg(linkView.stopBits));
        ui->label_protol->setText(QStringLiteral("Modbus RTU"));
        ui->label_SlaveID->setText(QString::number(linkView.slaveId));
    } else if (linkView.connectType == 1) {
        ui->label_protol->setText(QStringLiteral("Modbus TCP"));
        ui->label_port->setText(linkView.EditIP);
        ui->label_SlaveTitle->setText(tr("Port: "));
        ui->label_SlaveID->setText(linkView.EditPort);
    }
    ui->label_DwordFormat->setText(linkView.dwordFormat ? QStringLiteral("CD-AB")
                                                        : QStringLiteral("AB-CD"));
    ui->label_Delay->setText(QStringLiteral("%1ms").arg(linkView.responseTime));
}

QString MainWindow::recordAdvice(const QString &why) const
{
    // A lock is another program's: moving the live record would start a new one.
    if (why.contains(QLatin1String("it is locked by")))
        return tr("Close the program that holds the record, then start this one again; or set "
                  "Zelt/recordOff=true in the settings file to work without a record.");
    return tr("Repair or move the record file, or set Zelt/recordOff=true in the settings file "
              "to work without a record.");
}

void MainWindow::showRecordState()
{
    QString why;
    if (ServiceRecorder::Refuses(&why)) {
        m_recordState->setText(tr("Service record unusable: changes are not sent"));
        m_recordState->setToolTip(why + QLatin1Char('\n') + recordAdvice(why));
        m_recordState->setStyleSheet(QStringLiteral("color: rgb(230, 80, 60);"));
    } else if (ServiceRecorder::Unrecorded()) {
        m_recordState->setText(tr("Service record off"));
        m_recordState->setToolTip(tr("Changes are written without a record (settings: "
                                     "Zelt/recordOff)"));
        m_recordState->setStyleSheet(QStringLiteral("color: rgb(230, 160, 40);"));
    } else {
        m_recordState->clear();
        m_recordState->setToolTip(QString());
    }
}

void MainWindow::writeRefused(const QString &why)
{
    showRecordState();
    // An import refuses every row: one notice is enough.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_refusalShownMs < 30000)
        return;
    m_refusalShownMs = now;
    // The notice is short; the link bar's tooltip holds the reason.
    m_recordState->setToolTip(why + QLatin1Char('\n') + recordAdvice(why));
    QTimer::singleShot(0, this, [this] {
        TipsDialog notice(this);
        notice.setTitle(tr("Service record"));
        notice.setMessage(tr("Not written: the service record cannot be used."));
        notice.setIconImage(QStringLiteral(":/images/icon/pic12.png"));
        notice.setButtons(0);
        notice.resize(notice.width() + 120, notice.height() + 70);
        notice.exec();
    });
}

void MainWindow::on_ButtonDisconnect_clicked()
{
    const bool lastPollFailed = gu8_CommError;
    gu8_LinkStop = 1;
    disconnectTimer->start(lastPollFailed ? DisconnectDelayAfterFailureMs : DisconnectDelayMs);
    showConnectionPage();
}

void MainWindow::disconnectModbus()
{
    ServiceRecorder::LinkClosed();
    DisconnectModbus();
    gu8_LinkStop = 0;
}

void MainWindow::on_Btn_SlaveIdSet_clicked()
{
    PollHold hold;
    auto *dialog = new ModbusParaSetDialog(this);
    dialog->load(gsrt_LinkPara);
    dialog->exec();
    if (dialog->isAccepted()) {
        gsrt_NewLinkPara = dialog->result();
        gsrt_LinkPara = gsrt_NewLinkPara;
        gu8_LinkStop = 1;
        reconnectTimer->start(ReconnectDelayMs);
    }
    delete dialog;
}

void MainWindow::reConnectModbus()
{
    const LinkSettings &s = gsrt_NewLinkPara;
    // A changed protocol needs a client of the other kind: always start from a new one.
    DisconnectModbus();
    if (s.connectType == 1)
        qCDebug(lcShell) << "Url:" << s.EditIP + QLatin1Char(':') + s.EditPort;
    else
        qCDebug(lcShell) << s.SerialNum << s.slaveId << s.dwordFormat << s.responseTime << s.baud
                         << s.dataBits << s.parity << s.stopBits;
    gu32_SlaveId = quint32(SlaveIdOrDefault(s.slaveId));
    gu32_DwordFormat = quint32(s.dwordFormat);
    gu32_ConnectType = quint32(s.connectType);
    SetupModbusClient(s, m_connectionPage);
    InitLinkParam();
    gu8_PollBusy.store(false);
    gu8_LinkStop = 0;
}

void MainWindow::on_ButtonMainInterface_clicked()
{
    showPage(0);
}
void MainWindow::on_ButtonBasicConfig_clicked()
{
    showPage(1);
}
void MainWindow::on_ButtonWeightCal_clicked()
{
    showPage(2);
}
void MainWindow::on_ButtonApplication_clicked()
{
    showPage(3);
}
void MainWindow::on_ButtonDataTrans_clicked()
{
    showPage(4);
}
void MainWindow::on_ButtonTestMaintain_clicked()
{
    showPage(5);
}
void MainWindow::on_ButtonDigSensors_clicked()
{
    showPage(6);
}
void MainWindow::on_ButtonHistory_clicked()
{
    showPage(HistoryPageNumber);
}

void MainWindow::on_Btn_Min_clicked()
{
    showMinimized();
}

void MainWindow::on_Btn_Close_clicked()
{
    close();
}

void MainWindow::on_Btn_ChangeLanguage_clicked()
{
    gu32_Language = gu32_Language == 0 ? 1 : 0;
    applyLanguage();
}

void MainWindow::applyLanguage()
{
    m_isChinese = gu32_Language != 0;
    ApplyLanguageFont(this);
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    const QString catalogue = m_isChinese ? QStringLiteral(":/Translate/Language_CN.qm")
                                          : QStringLiteral(":/Translate/Language_EN.qm");
    qCDebug(lcShell) << "language:" << (m_isChinese ? "Chinese" : "English");
    m_connectionPage->saveSettings();
    translator = new QTranslator(this);
    translator->load(catalogue);
    QCoreApplication::installTranslator(translator);
    ui->retranslateUi(this);
    enterCurrentPage();
    InitLinkParam();
    refreshLiveDisplay(true);
}

// ---- polling ------------------------------------------------------------

void MainWindow::onPollTick()
{
    if (gu8_LinkStop)
        return; // parked: gu8_PollBusy stays set until the link is up again
    if (PollHeld()) {
        // Signalled before a hold was taken: the holder owns the link now.
        gu8_PollBusy.store(false);
        return;
    }
    if (CheckLink() != 0)
        gu8_PollBusy.store(false);
    const ModbusResult result = m_poll.cycle([this] {
        showStale(false);
        refreshLiveDisplay(false);
        // The monitoring page reads no group: it adds a point to its curves instead.
        if (gu32_PageIndex == 0)
            m_mainInterface->updateDraw();
    });
    if (result != ModbusOk) {
        ++gu32_CommErrCount;
        if (gu32_CommErrCount > 2) {
            showLinkState(tr("Communication-Error"), QStringLiteral("color: red;"));
            showStale(true);
        }
        gu8_CommError = true;
    } else {
        if (gu32_CommErrCount == 0)
            showLinkState(tr("Communication-Normal"), QStringLiteral("color: green;"));
        gu32_CommErrCount = 0;
        gu8_CommError = false;
    }
    gu8_PollBusy.store(false);
}

// Most polls find the state as it was: setting a style sheet re-polishes the
// label, so an unchanged state is left alone.
void MainWindow::showLinkState(const QString &text, const QString &sheet)
{
    QLabel *label = ui->label_ConnectState;
    if (label->text() != text)
        label->setText(text);
    if (label->styleSheet() != sheet)
        label->setStyleSheet(sheet);
}

void MainWindow::showCommunication()
{
    if (!m_communication)
        m_communication = new CommunicationWindow(this);
    m_communication->show();
    m_communication->raise();
    m_communication->activateWindow();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->widget_Menu &&
        (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        fitMenu();
    if (watched == ui->label_ConnectState) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
            QFont font = ui->label_ConnectState->font();
            font.setUnderline(event->type() == QEvent::Enter);
            ui->label_ConnectState->setFont(font);
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            showCommunication();
            return true;
        }
        if (event->type() == QEvent::ToolTip) {
            // The summary is made only when it is asked for.
            const ModbusConnection *link = ProgramLink();
            QString summary = tr("Not connected");
            if (link) {
                const LinkFigures f = link->stats().figures(QDateTime::currentMSecsSinceEpoch());
                summary = tr("%1 requests, %2 failed, median %3 ms")
                              .arg(f.sent)
                              .arg(f.failed())
                              .arg(f.medianMs < 0 ? QStringLiteral("-")
                                                  : QString::number(f.medianMs, 'f', 1));
            }
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                               summary + QLatin1Char('\n') +
                                   tr("Click for the communication details"),
                               ui->label_ConnectState);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showStale(bool stale)
{
    if (stale == m_showingStale)
        return;
    m_showingStale = stale;
    ui->WeightDisplay->setStyleSheet(stale ? QLatin1String(StalePanelStyle) : QString());
    ui->stackedWidget->setStyleSheet(stale ? QLatin1String(StalePageStyle) : QString());
}

// ---- frameless window geometry -----------------------------------------

QVector<PageBase *> MainWindow::widthFollowers() const
{
    return {m_mainInterface, m_basicConfig, m_weightCal, m_application, m_dataTrans};
}

QRect MainWindow::availableArea() const
{
    if (m_areaForTest.isValid())
        return m_areaForTest;
    const QScreen *shown = screen() ? screen() : QGuiApplication::primaryScreen();
    return shown ? shown->availableGeometry() : geometry();
}

void MainWindow::setAvailableAreaForTest(const QRect &area)
{
    m_areaForTest = area;
    fitToScreen();
}

// A laptop screen may offer less than the designed minimum: the window then
// takes what there is (the pages scroll), so that the link bar stays on screen
// and maximise can really fill the screen.
void MainWindow::fitToScreen()
{
    const QRect area = availableArea();
    capMinimumSize();
    const bool maximised = geometry() == area;
    setGeometry(FitInside(geometry(), area));
    if (!maximised) {
        gu32_WinWidth = width();
        gu32_WinHeight = height();
    }
}

void MainWindow::capMinimumSize()
{
    setMinimumSize(CappedMinimumSize(m_designedMinimum, availableArea().size()));
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Dragged onto another screen the window keeps its place (the user is moving
    // it), but may now shrink to that screen.
    if (QWindow *handle = windowHandle())
        connect(handle, &QWindow::screenChanged, this, &MainWindow::capMinimumSize,
                Qt::UniqueConnection);
    fitToScreen();
}

void MainWindow::on_Btn_Max_clicked()
{
    const QRect available = availableArea();
    // A window as large as the screen but moved off it is not maximised yet.
    if (geometry() != available) {
        savedGeometry = geometry();
        setGeometry(available);
        for (PageBase *p : widthFollowers())
            p->adaptWidth(available.width());
    } else {
        // Restored inside the screen, whatever screen the window was maximised on.
        const QRect normal = savedGeometry.isValid()
                                 ? savedGeometry
                                 : QRect(available.topLeft(), QSize(gu32_WinWidth, gu32_WinHeight));
        setGeometry(FitInside(normal, available));
        for (PageBase *p : widthFollowers())
            p->adaptToNormalWidth();
    }
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint buttonPos = ui->Btn_ChangeLanguage->mapTo(this, QPoint(0, 0));
    qCDebug(lcShell) << "BtnPos" << buttonPos;
    const QPoint at = event->pos();
    if (at.y() <= TitleStripHeight && at.x() <= buttonPos.x())
        on_Btn_Max_clicked();
    QMainWindow::mouseDoubleClickEvent(event);
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragging = false;
        pressPoint = event->globalPos() - pos();
        if (pressPoint.y() >= 0 && pressPoint.y() <= TitleStripHeight)
            dragging = true;
        if (BorderRegionAt(pressPoint.x(), pressPoint.y(), width(), height()) != 0) {
            pressPoint = event->pos();
            resizing = true;
            dragging = false;
        }
    }
    QMainWindow::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->pos();
    if (dragging)
        move(event->globalPos() - pressPoint);
    if (resizing) {
        borderRegion = BorderRegionAt(pressPoint.x(), pressPoint.y(), width(), height());
        int left = geometry().left(), top = geometry().top();
        int right = geometry().right(), bottom = geometry().bottom();
        const int dx = at.x() - pressPoint.x();
        const int dy = at.y() - pressPoint.y();
        const bool leftEdge = borderRegion == 3 || borderRegion == 5 || borderRegion == 7;
        const bool rightEdge = borderRegion == 4 || borderRegion == 6 || borderRegion == 8;
        const bool topEdge = borderRegion == 1 || borderRegion == 5 || borderRegion == 6;
        const bool bottomEdge = borderRegion == 2 || borderRegion == 7 || borderRegion == 8;
        if (leftEdge)
            left += dx;
        if (topEdge)
            top += dy;
        if (rightEdge) {
            right += dx;
            pressPoint.setX(at.x());
        }
        if (bottomEdge) {
            bottom += dy;
            pressPoint.setY(at.y());
        }
        if (borderRegion != 0)
            setGeometry(QRect(QPoint(left, top), QPoint(right, bottom)));
        else
            setCursor(Qt::ArrowCursor);
        gu32_WinWidth = right - left + 1;
        gu32_WinHeight = bottom - top + 1;
        const QVector<PageBase *> followers{m_weightCal, m_basicConfig, m_dataTrans,
                                            m_mainInterface, m_application};
        for (PageBase *p : followers)
            p->adaptWidth(gu32_WinWidth);
    } else {
        borderRegion = BorderRegionAt(at.x(), at.y(), width(), height());
        setBorderCursor(borderRegion);
    }
    QMainWindow::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    dragging = false;
    resizing = false;
    QMainWindow::mouseReleaseEvent(event);
}

void MainWindow::setBorderCursor(int region)
{
    switch (region) {
    case 1:
    case 2:
        setCursor(Qt::SizeVerCursor);
        break;
    case 3:
    case 4:
        setCursor(Qt::SizeHorCursor);
        break;
    case 5:
    case 8:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case 6:
    case 7:
        setCursor(Qt::SizeBDiagCursor);
        break;
    default:
        setCursor(Qt::ArrowCursor);
        break;
    }
}
