// The main window's life cycle against the simulated instrument: start,
// connect, poll, fail and recover, disconnect, reconnect with new link
// settings, language, and the frameless geometry.
#include "App/pagebase.h"
#include "App/testmaintain.h"
#include "Modbus/filepaths.h"
#include "Modbus/modbussetting.h"
#include "appstyle.h"
#include "devicemodel.h"
#include "mainwindow.h"
#include "modbuslink.h"
#include "pagefixture.h"
#include "pollstate.h"
#include "simhost.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QModbusClient>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using sim::LoggedRequest;

namespace {

struct Req
{
    int function, address, count;
};

QVector<Req> shape(const QVector<LoggedRequest> &log)
{
    QVector<Req> out;
    for (const LoggedRequest &r : log)
        out.append({r.function, r.address, r.count});
    return out;
}

// Counts the style changes a widget goes through.
class StyleChanges : public QObject
{
public:
    explicit StyleChanges(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::StyleChange;
        return false;
    }
};

int indexOf(const QVector<Req> &log, const Req &wanted, int from = 0)
{
    for (int i = from; i < log.size(); ++i) {
        if (log[i].function == wanted.function && log[i].address == wanted.address &&
            log[i].count == wanted.count)
            return i;
    }
    return -1;
}

// The settings file a user would have after connecting to this simulator over TCP.
void writeTcpSettings(int port)
{
    QSettings ini(SettingsFilePath(), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Zelt"));
    ini.setValue(QStringLiteral("connectType"), 1);
    ini.setValue(QStringLiteral("EditHostIP"), QStringLiteral("127.0.0.1"));
    ini.setValue(QStringLiteral("EditPort"), QString::number(port));
    ini.setValue(QStringLiteral("timeoutSpinner"), QStringLiteral("1000"));
    ini.setValue(QStringLiteral("spinboxSlaveId"), QStringLiteral("1"));
    ini.setValue(QStringLiteral("Language"), 0);
    ini.endGroup();
}

// A mouse event at a position relative to the window, as the window system sends it.
void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

// Runs f once the next modal dialog is up.
void onModal(std::function<void(QWidget *)> f)
{
    QTimer::singleShot(0, [f] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        f(QApplication::activeModalWidget());
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<sim::SimHost> m_sim;
    std::unique_ptr<MainWindow> m_window;

    Ui::MainWindow *form() { return m_window->form(); }

    void connectWindow()
    {
        QTest::mouseClick(
            m_window->connectionPage()->findChild<QPushButton *>(QStringLiteral("connectButton")),
            Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(gu32_PageIndex, 0u, 5000);
    }

private slots:
    void initTestCase()
    {
        qputenv("ZELT_HOME", m_home.path().toUtf8());
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    }

    void init()
    {
        ClearMirror();
        gu8_LinkStop = 0;
        gu32_Language = 0;
        gu32_CommErrCount = 0;
        gu8_CommError = false;
        m_sim.reset(new sim::SimHost(sim::Kind::Analog, 0));
        QVERIFY(m_sim->startTcp());
        m_sim->model().setLiveFrozen(true);
        QFile::remove(SettingsFilePath());
        writeTcpSettings(m_sim->port());
        m_window.reset(new MainWindow);
        // As the program shows it: without a frame from the window system.
        m_window->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                                 Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
        m_window->show();
        m_sim->clearLog();
    }

    void cleanup()
    {
        m_window.reset();
        DisconnectModbus();
        m_sim.reset();
    }

    void startsOnTheConnectionPageAlone()
    {
        QCOMPARE(gu32_PageIndex, 8u);
        QVERIFY(form()->widget_Menu->isHidden());
        QVERIFY(form()->widget_down->isHidden());
        QVERIFY(form()->WeightDisplay->isHidden());
        QCOMPARE(form()->stackedWidget->currentWidget(),
                 static_cast<QWidget *>(m_window->connectionPage()));
        QVERIFY(!gp_ModbusDevice);
    }

    void connectingReadsTheFirstGroupsAndShowsTheMonitoringPage()
    {
        connectWindow();
        const QVector<Req> log = shape(m_sim->requestLog());
        const int probe = indexOf(log, {3, 0, 2});
        QVERIFY(probe >= 0);
        const int g2 = indexOf(log, {3, 100, 38}, probe);
        const int g14 = indexOf(log, {3, 10000, 29}, g2);
        const int g15 = indexOf(log, {3, 10100, 28}, g14);
        QVERIFY2(g2 > probe && g14 > g2 && g15 > g14, "groups 2, 14, 15 follow the probe in order");
        QVERIFY(!form()->widget_Menu->isHidden());
        QCOMPARE(form()->stackedWidget->currentWidget(), static_cast<QWidget *>(m_window->page(0)));
        QVERIFY(form()->ButtonMainInterface->styleSheet().startsWith(
            QStringLiteral("border-radius: 0px; color:#164A96")));
        QVERIFY(form()->ButtonBasicConfig->styleSheet().startsWith(
            QStringLiteral("QPushButton:hover")));
        QCOMPARE(form()->label_protol->text(), QStringLiteral("Modbus TCP"));
        QCOMPARE(form()->label_port->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(form()->label_SlaveID->text(), QString::number(m_sim->port()));
    }

    void pollsReadTheLiveGroupsThenThePage()
    {
        connectWindow();
        QTest::mouseClick(form()->ButtonBasicConfig, Qt::LeftButton);
        QCOMPARE(gu32_PageIndex, 1u);
        m_sim->clearLog();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->requestLog().size() >= 8, 3000);
        const QVector<Req> log = shape(m_sim->requestLog());
        const int start = indexOf(log, {3, 0, 38});
        QVERIFY(start >= 0 && start + 7 < log.size() + 0);
        const Req expected[] = {{3, 0, 38}, {3, 100, 4}, {3, 10100, 28}, {3, 674, 2},
                                {1, 4, 1},  {1, 50, 2},  {3, 50, 26},    {3, 100, 38}};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(log[start + i].function, expected[i].function);
            QCOMPARE(log[start + i].address, expected[i].address);
            QCOMPARE(log[start + i].count, expected[i].count);
        }
        QTRY_COMPARE(form()->label_ConnectState->text(), QStringLiteral("Communication-Normal"));
    }

    void theTestPageResetsThroughTheClientAndForgetsThePasswordWhenLeft()
    {
        connectWindow();
        QTest::mouseClick(form()->ButtonTestMaintain, Qt::LeftButton);
        QCOMPARE(gu32_PageIndex, 5u);
        auto *testPage = static_cast<TestMaintain *>(m_window->page(5));
        auto *resetCal = testPage->findChild<QPushButton *>(QStringLiteral("Btn_ResetCAL"));
        {
            pagetest::DialogScript answers({{true, QStringLiteral("582046")}, {true}, {true}});
            resetCal->click();
            QCOMPARE(answers.unanswered(), 0);
        }
        QVERIFY(testPage->passwordAccepted());
        int resetWrites = 0;
        for (const LoggedRequest &r : m_sim->requestLog())
            resetWrites += r.function == 16 && r.address == 522 && r.exception == 0;
        QCOMPARE(resetWrites, 1);

        QTest::mouseClick(form()->ButtonBasicConfig, Qt::LeftButton);
        QVERIFY(!testPage->passwordAccepted());
        QTest::mouseClick(form()->ButtonTestMaintain, Qt::LeftButton);
        pagetest::DialogScript answers({{false}});
        resetCal->click();
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen[0].title, QStringLiteral("Password"));
    }

    void threeFailedPollsTurnTheStateRedAndTwoGoodOnesBringItBack()
    {
        connectWindow();
        QTRY_COMPARE(form()->label_ConnectState->text(), QStringLiteral("Communication-Normal"));
        sim::FaultOptions refusing;
        refusing.exceptionRate = 1.0;
        m_sim->setFaults(refusing);
        QTRY_COMPARE_WITH_TIMEOUT(gu32_CommErrCount, 2, 3000);
        QCOMPARE(form()->label_ConnectState->text(), QStringLiteral("Communication-Normal"));
        QTRY_COMPARE_WITH_TIMEOUT(gu32_CommErrCount, 3, 2000);
        QCOMPARE(form()->label_ConnectState->text(), QStringLiteral("Communication-Error"));
        QCOMPARE(form()->label_ConnectState->styleSheet(), QStringLiteral("color: red;"));
        QVERIFY(gu8_CommError);

        m_sim->setFaults({});
        QTRY_COMPARE_WITH_TIMEOUT(gu32_CommErrCount, 0, 2000);
        QCOMPARE(form()->label_ConnectState->text(), QStringLiteral("Communication-Error"));
        QTRY_COMPARE_WITH_TIMEOUT(form()->label_ConnectState->text(),
                                  QStringLiteral("Communication-Normal"), 2000);
        QCOMPARE(form()->label_ConnectState->styleSheet(), QStringLiteral("color: green;"));
    }

    void aClosedTcpConnectionIsReopenedByThePoll()
    {
        connectWindow();
        QTRY_COMPARE(form()->label_ConnectState->text(), QStringLiteral("Communication-Normal"));
        sim::FaultOptions closing;
        closing.closeAfter = 3; // the instrument drops the connection mid-poll
        m_sim->setFaults(closing);
        QTRY_VERIFY_WITH_TIMEOUT(gu8_CommError, 3000);
        m_sim->setFaults({});
        // The link check reconnects the same client; polling carries on by itself.
        QTRY_COMPARE_WITH_TIMEOUT(gp_ModbusDevice->state(), QModbusDevice::ConnectedState, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(form()->label_ConnectState->text(),
                                  QStringLiteral("Communication-Normal"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!gu8_CommError, 3000);
        m_sim->clearLog();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->requestLog().size() >= 6, 3000);
    }

    void disconnectTearsDownAfterOneSecondAndPollsPark()
    {
        connectWindow();
        QElapsedTimer sinceClick;
        sinceClick.start();
        QTest::mouseClick(form()->ButtonDisconnect, Qt::LeftButton);
        QCOMPARE(gu32_PageIndex, 8u);
        QVERIFY(form()->widget_Menu->isHidden());
        QVERIFY(gp_ModbusDevice);
        QCOMPARE(m_window->disconnectTimerForTest()->interval(), 1000);
        const int requestsBefore = m_sim->requestLog().size();
        QTest::qWait(700);
        // The link stays for the first second (a loaded machine may return
        // from the wait later than asked).
        if (sinceClick.elapsed() < 1000)
            QVERIFY(gp_ModbusDevice);
        QVERIFY(m_sim->requestLog().size() <= requestsBefore + 8); // at most the poll under way
        QTRY_VERIFY_WITH_TIMEOUT(!gp_ModbusDevice, 1000);
        QCOMPARE(int(gu8_LinkStop), 0);
        // Parked: nothing more goes out.
        const int parked = m_sim->requestLog().size();
        QTest::qWait(1200);
        QCOMPARE(m_sim->requestLog().size(), parked);
    }

    void disconnectAfterAFailedPollWaitsTwoSeconds()
    {
        connectWindow();
        gu8_CommError = true;
        gu8_PollBusy.store(true); // keep a poll from clearing the failure first
        QTest::mouseClick(form()->ButtonDisconnect, Qt::LeftButton);
        QCOMPARE(m_window->disconnectTimerForTest()->interval(), 2000);
        QTest::qWait(1500);
        QVERIFY(gp_ModbusDevice);
        QTRY_VERIFY_WITH_TIMEOUT(!gp_ModbusDevice, 1500);
    }

    void connectDuringTeardownConnectsLater()
    {
        connectWindow();
        QTest::mouseClick(form()->ButtonDisconnect, Qt::LeftButton);
        QTest::mouseClick(
            m_window->connectionPage()->findChild<QPushButton *>(QStringLiteral("connectButton")),
            Qt::LeftButton);
        QCOMPARE(gu32_PageIndex, 8u);
        QTRY_COMPARE_WITH_TIMEOUT(gu32_PageIndex, 0u, 4000);
        QVERIFY(gp_ModbusDevice);
        QCOMPARE(gp_ModbusDevice->state(), QModbusDevice::ConnectedState);
    }

    void linkBarTexts()
    {
        gsrt_LinkPara = LinkSettings();
        gsrt_LinkPara.SerialNum = QStringLiteral("COM3");
        m_window->InitLinkParam();
        QCOMPARE(form()->label_port->text(), QStringLiteral("COM3:38400-8-E-1"));
        QCOMPARE(form()->label_protol->text(), QStringLiteral("Modbus RTU"));
        QCOMPARE(form()->label_SlaveTitle->text(), QStringLiteral("Slave ID:"));
        QCOMPARE(form()->label_SlaveID->text(), QStringLiteral("1"));
        QCOMPARE(form()->label_DwordFormat->text(), QStringLiteral("AB-CD"));
        QCOMPARE(form()->label_Delay->text(), QStringLiteral("1000ms"));
        gsrt_LinkPara.parity = 5; // mark parity has no letter
        gsrt_LinkPara.dwordFormat = 1;
        m_window->InitLinkParam();
        QCOMPARE(form()->label_port->text(), QStringLiteral("COM3:38400-8--1"));
        QCOMPARE(form()->label_DwordFormat->text(), QStringLiteral("CD-AB"));
        gsrt_LinkPara.parity = 3;
        m_window->InitLinkParam();
        QCOMPARE(form()->label_port->text(), QStringLiteral("COM3:38400-8-O-1"));

        gsrt_LinkPara.connectType = 1;
        gsrt_LinkPara.EditIP = QStringLiteral("127.0.0.9");
        gsrt_LinkPara.EditPort = QStringLiteral("1502");
        m_window->InitLinkParam();
        QCOMPARE(form()->label_port->text(), QStringLiteral("127.0.0.9"));
        QCOMPARE(form()->label_SlaveTitle->text(), QStringLiteral("Port: "));
        QCOMPARE(form()->label_SlaveID->text(), QStringLiteral("1502"));
        gsrt_LinkPara.connectType = 0;
        m_window->InitLinkParam();
        QCOMPARE(form()->label_SlaveTitle->text(), QStringLiteral("Slave ID:"));
    }

    void languageToggleChangesTextsFontsAndTheSettingsFile()
    {
        QTest::mouseClick(form()->Btn_ChangeLanguage, Qt::LeftButton);
        QCOMPARE(gu32_Language, 1u);
        QVERIFY(m_window->isChinese());
        QVERIFY(form()->ButtonDisconnect->text() != QStringLiteral("Disconnect"));
        QCOMPARE(form()->ButtonDisconnect->font().family(), QStringLiteral("simhei"));
        QSettings ini(SettingsFilePath(), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Zelt/Language")).toInt(), 1);

        QTest::mouseClick(form()->Btn_ChangeLanguage, Qt::LeftButton);
        QCOMPARE(gu32_Language, 0u);
        QCOMPARE(form()->ButtonDisconnect->text(), QStringLiteral("Disconnect"));
        QCOMPARE(form()->ButtonDisconnect->font().family(), QStringLiteral("arial"));
        ini.sync();
        QCOMPARE(ini.value(QStringLiteral("Zelt/Language")).toInt(), 0);
    }

    void theDelayBoxKeepsTheFontOfItsNeighboursAcrossLanguagePresses()
    {
        // The fonts the user sees come from the program's style sheet.
        ApplyAppStyleSheet(*qApp);
        const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
        m_window.reset(new MainWindow);
        m_window->show();
        ModbusSetting *setting = m_window->connectionPage();
        const auto shown = [setting](const char *name) {
            auto *field = setting->findChild<QWidget *>(QLatin1String(name));
            // A spin box draws its text with the editor inside it.
            if (auto *editor = field->findChild<QLineEdit *>())
                field = editor;
            const QFontInfo info(field->font());
            return QStringLiteral("%1 %2px").arg(info.family()).arg(info.pixelSize());
        };
        for (int press = 0; press < 2; ++press) {
            QTest::mouseClick(form()->Btn_ChangeLanguage, Qt::LeftButton);
            for (const char *name : {"timeoutSpinner", "spinboxSlaveId", "EditHostIP"})
                QCOMPARE(shown(name), shown("EditPort"));
        }
    }

    void theMenuFitsEveryWidthAndThenRests()
    {
        ApplyAppStyleSheet(*qApp);
        const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
        m_window.reset(new MainWindow);
        m_window->show();
        connectWindow();
        // Counts what makes the menu lay itself out or restyle once more.
        struct Counter : QObject
        {
            int events = 0;
            bool eventFilter(QObject *, QEvent *e) override
            {
                events += e->type() == QEvent::StyleChange || e->type() == QEvent::LayoutRequest;
                return false;
            }
        } counter;
        form()->widget_Menu->installEventFilter(&counter);
        for (int width : {m_window->minimumWidth(), 1366, 1920}) {
            m_window->resize(width, m_window->height());
            QTest::qWait(200);
            counter.events = 0;
            QTest::qWait(500); // a poll tick, and nothing else for the menu to do
            QVERIFY2(counter.events <= 2,
                     qPrintable(QString("%1: %2").arg(width).arg(counter.events)));
            // Every item's icon and text stand inside its button.
            for (QPushButton *item : form()->widget_Menu->findChildren<QPushButton *>()) {
                if (!item->isVisible())
                    continue;
                // "&&" shows as one ampersand.
                const QString shown = item->text().replace(QLatin1String("&&"), QLatin1String("&"));
                const int content =
                    QFontMetrics(item->font()).horizontalAdvance(shown) + item->iconSize().width();
                QVERIFY2(content + 6 <= item->width(),
                         qPrintable(QString("%1 at %2").arg(item->text()).arg(width)));
            }
        }
    }

    void acceptedLinkDialogRebuildsTheClientAndPollingResumes()
    {
        connectWindow();
        QTRY_VERIFY(m_sim->requestLog().size() > 8);
        QModbusClient *before = gp_ModbusDevice;
        int requestsWhileOpen = -1;
        onModal([&](QWidget *dialog) {
            const int atOpen = m_sim->requestLog().size();
            QTest::qWait(1200);
            requestsWhileOpen = m_sim->requestLog().size() - atOpen;
            auto *order = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_DwordFormat"));
            order->setCurrentIndex(1);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_OK")),
                              Qt::LeftButton);
        });
        QTest::mouseClick(form()->Btn_SlaveIdSet, Qt::LeftButton);
        QCOMPARE(requestsWhileOpen, 0);
        QTRY_VERIFY_WITH_TIMEOUT(gp_ModbusDevice && gp_ModbusDevice != before, 2000);
        QCOMPARE(gu32_DwordFormat, 1u);
        QCOMPARE(form()->label_DwordFormat->text(), QStringLiteral("CD-AB"));
        m_sim->clearLog();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->requestLog().size() >= 6, 3000);
    }

    void closedLinkDialogChangesNothing()
    {
        connectWindow();
        QModbusClient *before = gp_ModbusDevice;
        onModal([](QWidget *dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_close")),
                              Qt::LeftButton);
        });
        QTest::mouseClick(form()->Btn_SlaveIdSet, Qt::LeftButton);
        QTest::qWait(700);
        QCOMPARE(gp_ModbusDevice, before);
        QCOMPARE(int(gu8_LinkStop), 0);
    }

    void maximiseAndRestore()
    {
        m_window->setMinimumSize(200, 200);
        m_window->setGeometry(50, 60, 400, 300);
        const QRect before = m_window->geometry();
        QTest::mouseClick(form()->Btn_Max, Qt::LeftButton);
        QCOMPARE(m_window->geometry(), m_window->screen()->availableGeometry());
        QTest::mouseClick(form()->Btn_Max, Qt::LeftButton);
        QCOMPARE(m_window->geometry(), before);

        // A double click below the title strip does nothing; on the strip it maximises.
        QTest::mouseDClick(m_window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 41));
        QCOMPARE(m_window->geometry(), before);
        QTest::mouseDClick(m_window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 30));
        QCOMPARE(m_window->geometry(), m_window->screen()->availableGeometry());
    }

    // Too narrow for the items even at the smallest text: the menu takes that
    // size once. Each restyle asks for a new layout, which fitted the menu again;
    // restyled for every size tried, it never came to rest.
    void aMenuTooNarrowForItsItemsComesToRest()
    {
        m_window->setMinimumSize(200, 200);
        m_window->resize(640, 480);
        connectWindow();
        QWidget *menu = form()->widget_Menu;
        QTRY_COMPARE(menu->styleSheet(), QStringLiteral("QPushButton { font-size: 10pt; }"));
        StyleChanges changes(menu);
        QTest::qWait(200); // nothing to await: the menu is to stay as it is
        QCOMPARE(changes.count, 0);
    }

    // The offscreen screen (800 x 600) is narrower and lower than the designed window:
    // the window takes the screen's size, and maximise still toggles.
    void maximiseWorksOnAScreenSmallerThanTheWindow()
    {
        const QRect area = m_window->screen()->availableGeometry();
        QVERIFY(area.width() < 1150 && area.height() < 800);
        QVERIFY(area.contains(m_window->geometry()));
        m_window->move(20, 10);
        const QSize normalSize = m_window->size();
        for (int round = 0; round < 2; ++round) {
            QTest::mouseClick(form()->Btn_Max, Qt::LeftButton);
            QCOMPARE(m_window->geometry(), area);
            QTest::mouseClick(form()->Btn_Max, Qt::LeftButton);
            QCOMPARE(m_window->size(), normalSize);
            QVERIFY(area.contains(m_window->geometry()));
            m_window->move(20, 10);
        }
    }

    void everyControlIsReachableOnALaptopScreen()
    {
        const QRect laptop(0, 0, 1280, 720);
        m_window->setAvailableAreaForTest(laptop);
        QVERIFY(laptop.contains(m_window->geometry()));
        const auto onScreen = [&](QWidget *control) {
            const QRect at(control->mapTo(m_window.get(), QPoint(0, 0)), control->size());
            return control->isVisible() && m_window->rect().contains(at) &&
                   laptop.contains(at.translated(m_window->pos()));
        };
        // Before connecting the connection form scrolls to its Connect button.
        auto *connect =
            m_window->connectionPage()->findChild<QPushButton *>(QStringLiteral("connectButton"));
        auto *scroll = m_window->connectionPage()->findChild<QScrollArea *>();
        QVERIFY(scroll);
        QTRY_VERIFY(scroll->viewport()->height() > 0);
        scroll->ensureWidgetVisible(connect);
        QTRY_VERIFY(onScreen(connect) &&
                    connect->visibleRegion().boundingRect() == connect->rect());

        connectWindow();
        QTRY_VERIFY(onScreen(form()->ButtonDisconnect));
        QVERIFY(onScreen(form()->Btn_SlaveIdSet));
        const QRect normal = m_window->geometry();
        QTest::mouseClick(form()->Btn_Max, Qt::LeftButton);
        QCOMPARE(m_window->geometry(), laptop);
        QTRY_VERIFY(onScreen(form()->ButtonDisconnect));
        QTest::mouseClick(form()->Btn_Max, Qt::LeftButton);
        QCOMPARE(m_window->geometry(), normal);
    }

    void maximisedOnALargeScreenTheCurvesUseTheWidthAndNothingScrollsSideways()
    {
        const QRect large(0, 0, 1920, 1080);
        m_window->setAvailableAreaForTest(large);
        m_window->setGeometry(100, 100, 1150, 800);
        connectWindow();
        const auto sideBars = [&] {
            QStringList shown;
            for (int n = 0; n < 7; ++n) {
                for (QScrollArea *area : m_window->page(n)->findChildren<QScrollArea *>()) {
                    if (area->isVisible() && area->horizontalScrollBar()->isVisible())
                        shown << m_window->page(n)->metaObject()->className();
                }
            }
            return shown;
        };
        auto *chart =
            m_window->page(0)->findChild<QWidget *>(QStringLiteral("QChartView_Monitor_1"));
        QTRY_VERIFY(chart->isVisible());
        const int normalWidth = chart->width();
        QTRY_COMPARE(sideBars(), QStringList());

        QTest::mouseClick(form()->Btn_Max, Qt::LeftButton);
        QCOMPARE(m_window->geometry(), large);
        QTRY_VERIFY(chart->width() > normalWidth);
        for (int n = 0; n < 7; ++n) {
            m_window->showPage(n);
            QTRY_COMPARE(sideBars(), QStringList());
        }
        m_window->showPage(0);
        QTest::mouseClick(form()->Btn_Max, Qt::LeftButton);
        QTRY_COMPARE(chart->width(), normalWidth);
    }

    void bordersShowTheirResizeCursors()
    {
        connectWindow(); // the pages and bars cover the window as in use
        m_window->setGeometry(0, 0, 1150, 800);
        // A move without a button, delivered as the window system would: to the
        // widget under the pointer, and on to its parents only where tracked.
        const auto hoverAt = [&](QPoint inWindow) {
            QWidget *target = m_window->childAt(inWindow);
            if (!target)
                target = m_window.get();
            const QPoint local = target->mapFrom(m_window.get(), inWindow);
            QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(target, &move);
            return m_window->cursor().shape();
        };
        QCOMPARE(hoverAt(QPoint(500, 400)), Qt::ArrowCursor);
        QCOMPARE(hoverAt(QPoint(2, 400)), Qt::SizeHorCursor);
        QCOMPARE(hoverAt(QPoint(1147, 400)), Qt::SizeHorCursor);
        QCOMPARE(hoverAt(QPoint(500, 797)), Qt::SizeVerCursor);
        QCOMPARE(hoverAt(QPoint(1148, 798)), Qt::SizeFDiagCursor);
        QCOMPARE(hoverAt(QPoint(500, 2)), Qt::SizeVerCursor);
    }

    void pressOnTheTopEdgeResizesAndOnTheStripMoves()
    {
        m_window->setMinimumSize(200, 200);
        m_window->setGeometry(100, 100, 600, 400);
        MainWindow *w = m_window.get();
        sendMouse(w, QEvent::MouseButtonPress, QPoint(100, 5), Qt::LeftButton);
        sendMouse(w, QEvent::MouseMove, QPoint(100, -15), Qt::LeftButton);
        sendMouse(w, QEvent::MouseButtonRelease, QPoint(100, -15), Qt::NoButton);
        QCOMPARE(m_window->geometry().top(), 80);
        QCOMPARE(m_window->geometry().bottom(), 499);

        const QRect before = m_window->geometry();
        sendMouse(w, QEvent::MouseButtonPress, QPoint(100, 20), Qt::LeftButton);
        sendMouse(w, QEvent::MouseMove, QPoint(130, 40), Qt::LeftButton);
        sendMouse(w, QEvent::MouseButtonRelease, QPoint(130, 40), Qt::NoButton);
        QCOMPARE(m_window->geometry().size(), before.size());
        QCOMPARE(m_window->geometry().topLeft(), before.topLeft() + QPoint(30, 20));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
