#pragma once

#include "App/pagepoll.h"
#include "linksettings.h"

#include "commwindow.h"

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <memory>

namespace Ui {
class MainWindow;
}
class QPushButton;
class QTimer;
class QTranslator;
class Application;
class BasicConfig;
class DataTrans;
class DigSensors;
class DisplayWeightThread;
class HistoryPage;
class LiveDisplay;
class MainInterface;
class ModbusSetting;
class PageBase;
class TestMaintain;
class WeightCal;

extern quint32 gu32_Language;

// The frameless main window: title bar, page menu, weight panel, stacked pages
// and link bar; it runs the life cycle of the link and the polling.

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void showPage(int page);
    void enterCurrentPage();
    ModbusResult readGroupAndRefresh(int group);
    void refreshLiveDisplay(bool force);
    bool isChinese() const { return m_isChinese; }

    // For the tests: the parts a user sees and the timers of the life cycle.
    ModbusSetting *connectionPage() const { return m_connectionPage; }
    PageBase *page(int number) const;
    QTimer *disconnectTimerForTest() const { return disconnectTimer; }
    Ui::MainWindow *form() const { return ui; }
    // Lays the window out as on a screen whose available area is this one.
    void setAvailableAreaForTest(const QRect &area);
    // Opens (or raises) the non-modal Communication window; a click on the link
    // bar does the same.
    void showCommunication();
    CommunicationWindow *communicationWindow() const { return m_communication; }
    HistoryPage *historyPage() const { return m_historyPage; }

public slots:
    void initActions();
    void InitLinkParam();
    void disconnectModbus();
    void reConnectModbus();
    void onConnected();
    void onPollTick();

private slots:
    void on_ButtonDisconnect_clicked();
    void on_ButtonMainInterface_clicked();
    void on_ButtonBasicConfig_clicked();
    void on_ButtonWeightCal_clicked();
    void on_ButtonApplication_clicked();
    void on_ButtonDataTrans_clicked();
    void on_ButtonTestMaintain_clicked();
    void on_ButtonDigSensors_clicked();
    void on_ButtonHistory_clicked();
    void on_Btn_Max_clicked();
    void on_Btn_Min_clicked();
    void on_Btn_Close_clicked();
    void on_Btn_ChangeLanguage_clicked();
    void on_Btn_SlaveIdSet_clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showConnectionPage();
    void applyLanguage();
    void showLinkState(const QString &text, const QString &sheet);
    void showStale(bool stale);
    QPushButton *menuButton(int page) const;
    void fitMenu();
    void setBorderCursor(int region);
    QVector<PageBase *> widthFollowers() const;
    QRect availableArea() const;
    void fitToScreen();
    void capMinimumSize();

    Ui::MainWindow *ui;

    QPointer<CommunicationWindow> m_communication;
    int m_menuPoints = 0; // the menu items' text size, 0 before the first fit
    bool m_fittingMenu = false;
    ModbusSetting *m_connectionPage;
    MainInterface *m_mainInterface;
    BasicConfig *m_basicConfig;
    Application *m_application;
    WeightCal *m_weightCal;
    DataTrans *m_dataTrans;
    TestMaintain *m_testMaintain;
    DigSensors *m_digSensors;
    HistoryPage *m_historyPage;
    DisplayWeightThread *m_pollThread = nullptr;
    QTimer *disconnectTimer = nullptr;
    QTimer *reconnectTimer = nullptr;
    std::unique_ptr<LiveDisplay> m_liveDisplay;
    PagePoll m_poll;

    int pageIndex[10] = {};
    QTranslator *translator = nullptr;
    bool m_isChinese = false;
    bool m_showingStale = false; // the values on screen are greyed as out of date
    // Whether changes are recorded, in the link bar; a refused write is said once a while.
    QLabel *m_recordState = nullptr;
    qint64 m_refusalShownMs = 0;
    QString recordAdvice(const QString &why) const;
    void showRecordState();
    void writeRefused(const QString &why);
    LinkSettings linkView;

    // Frameless move and resize.
    QPoint pressPoint;
    bool dragging = false;
    bool resizing = false;
    int borderRegion = 0;
    QRect savedGeometry;
    QSize m_designedMinimum;
    QRect m_areaForTest;
};
