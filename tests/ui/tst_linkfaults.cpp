// The program against a line that misbehaves: a hostile peer that cuts frames
// or sends garbage, an instrument that refuses or stays silent, a serial pair
// that goes away and comes back, and a window closed while a read waits. What
// the window shows must stay true of the instrument, and the program must keep
// working and close.
#include "App/basicconfig.h"
#include "Modbus/filepaths.h"
#include "Modbus/modbussetting.h"
#include "appstyle.h"
#include "devicemodel.h"
#include "hostilepeer.h"
#include "linkfixture.h"
#include "mainwindow.h"
#include "modbuslink.h"
#include "pagefixture.h"
#include "pollstate.h"
#include "simhost.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QModbusClient>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QColor StaleColour(150, 150, 150);

struct LinkFile
{
    int connectType = 1;
    int port = 0;
    QString serialPort;
};

// The settings file a user would have after connecting to this peer.
void writeSettings(const LinkFile &link)
{
    QFile::remove(SettingsFilePath());
    QSettings ini(SettingsFilePath(), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Zelt"));
    ini.setValue(QStringLiteral("connectType"), link.connectType);
    ini.setValue(QStringLiteral("EditHostIP"), QStringLiteral("127.0.0.1"));
    ini.setValue(QStringLiteral("EditPort"), QString::number(link.port));
    ini.setValue(QStringLiteral("serialnumcomboBox"), link.serialPort);
    ini.setValue(QStringLiteral("baudCombo"), 5);     // 38400
    ini.setValue(QStringLiteral("dataBitsCombo"), 1); // 8
    ini.setValue(QStringLiteral("parityCombo"), 1);   // even
    ini.setValue(QStringLiteral("stopBitsCombo"), 0); // 1
    ini.setValue(QStringLiteral("timeoutSpinner"), QStringLiteral("1000"));
    ini.setValue(QStringLiteral("spinboxSlaveId"), QStringLiteral("1"));
    ini.setValue(QStringLiteral("Language"), 0);
    ini.endGroup();
}

QColor textColour(const QWidget *w)
{
    return w->palette().color(w->foregroundRole());
}

} // namespace

class TestLinkFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<sim::SimHost> m_sim;
    std::unique_ptr<hostile::Peer> m_peer;
    std::unique_ptr<MainWindow> m_window;

    Ui::MainWindow *form() { return m_window->form(); }
    QString linkState() { return form()->label_ConnectState->text(); }

    void openWindow(const LinkFile &link)
    {
        writeSettings(link);
        m_window.reset(new MainWindow);
        m_window->show();
        QTest::mouseClick(
            m_window->connectionPage()->findChild<QPushButton *>(QStringLiteral("connectButton")),
            Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(gu32_PageIndex, 0u, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(linkState(), QStringLiteral("Communication-Normal"), 3000);
    }

    void openWindowOnPeer()
    {
        m_peer.reset(new hostile::Peer);
        QVERIFY(m_peer->listen());
        LinkFile link;
        link.port = m_peer->port();
        openWindow(link);
    }

    void openWindowOnSim()
    {
        m_sim.reset(new sim::SimHost(sim::Kind::Analog, 0));
        QVERIFY(m_sim->startTcp());
        m_sim->model().setLiveFrozen(true);
        LinkFile link;
        link.port = m_sim->port();
        openWindow(link);
    }

private slots:
    void initTestCase()
    {
        qputenv("ZELT_HOME", m_home.path().toUtf8());
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    }

    void init()
    {
        qputenv("ZELT_HOME", m_home.path().toUtf8());
        ClearMirror();
        ResetRenderCaches();
        gu8_LinkStop = 0;
        gu32_Language = 0;
        gu32_CommErrCount = 0;
        gu8_CommError = false;
    }

    void cleanup()
    {
        m_window.reset();
        if (!qApp->styleSheet().isEmpty())
            qApp->setStyleSheet(QString());
        DisconnectModbus();
        m_peer.reset();
        m_sim.reset();
    }

    // The client stops timing a reply once its header is in: without a budget
    // of its own the poll never returned and the bar stayed green.
    void cutFrameTurnsTheLinkBarRedAfterThreePolls_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("last bytes missing") << int(hostile::Answer::CutFrame);
        QTest::newRow("MBAP length 0xFFFF") << int(hostile::Answer::HugeLength);
    }
    void cutFrameTurnsTheLinkBarRedAfterThreePolls()
    {
        openWindowOnPeer();
        const QString weight = form()->labelweight_1->text();
        QFETCH(int, answer);
        m_peer->setAnswer(hostile::Answer(answer));
        QTRY_COMPARE_WITH_TIMEOUT(gu32_CommErrCount, 2, 6000);
        QCOMPARE(linkState(), QStringLiteral("Communication-Normal"));
        QTRY_COMPARE_WITH_TIMEOUT(linkState(), QStringLiteral("Communication-Error"), 4000);
        QCOMPARE(form()->label_ConnectState->styleSheet(), QStringLiteral("color: red;"));
        QCOMPARE(form()->labelweight_1->text(), weight);
        // Polling goes on: the link is reopened and keeps being tried.
        QTRY_VERIFY_WITH_TIMEOUT(m_peer->connections() >= 2, 6000);
    }

    // Stray bytes put the stream out of step: the connection is dropped and a
    // new one opened at once, so polling resumes without a red bar.
    void garbageReopensTheLinkAtOnce()
    {
        openWindowOnPeer();
        QCOMPARE(m_peer->connections(), 1);
        m_peer->setAnswer(hostile::Answer::GarbageOnce);
        QTRY_COMPARE_WITH_TIMEOUT(m_peer->connections(), 2, 3000);
        const int requests = m_peer->requests();
        QTRY_VERIFY_WITH_TIMEOUT(m_peer->requests() >= requests + 12, 3000);
        QCOMPARE(gu32_CommErrCount, 0u);
        QCOMPARE(linkState(), QStringLiteral("Communication-Normal"));
        QCOMPARE(m_peer->connections(), 2);
    }

    // A reply short of registers, or the answer of another unit (a gateway
    // that mixes up its instruments), is a failure: never shown as live.
    void answersNotAskedForAreNeverShownAsLive_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("fewer registers") << int(hostile::Answer::FewerRegisters);
        QTest::newRow("another unit") << int(hostile::Answer::OtherUnit);
    }
    void answersNotAskedForAreNeverShownAsLive()
    {
        QFETCH(int, answer);
        openWindowOnPeer();
        const QString weight = form()->labelweight_1->text();
        const quint32 mirrored = gsrt_LiveVal.slot[0];
        m_peer->setAnswer(hostile::Answer(answer));
        QTRY_COMPARE_WITH_TIMEOUT(linkState(), QStringLiteral("Communication-Error"), 4000);
        QCOMPARE(gsrt_LiveVal.slot[0], mirrored);
        QCOMPARE(form()->labelweight_1->text(), weight);
        m_peer->setAnswer(hostile::Answer::Good);
        QTRY_COMPARE_WITH_TIMEOUT(linkState(), QStringLiteral("Communication-Normal"), 3000);
    }

    // From the third failed poll the panel and the page keep their texts in
    // grey; the next good poll brings the colours back.
    void staleValuesGreyUntilTheNextGoodPoll()
    {
        // The program's own style sheet: stale values must grey over its colours.
        // The other tests look at texts and the link, not colours, and go
        // without it: it makes every window several times slower to build.
        ApplyAppStyleSheet(*qApp);
        openWindowOnSim();
        QTest::mouseClick(form()->ButtonBasicConfig, Qt::LeftButton);
        auto *zeroRange =
            m_window->page(1)->findChild<QLineEdit *>(QStringLiteral("EditZeroRange"));
        QTRY_COMPARE(zeroRange->text(), QString::number(m_sim->model().value32(54)));
        QLabel *weight = form()->labelweight_1;
        const QColor live = textColour(weight);
        QVERIFY(live != StaleColour);
        const QColor liveField = textColour(zeroRange);
        const QString weightText = weight->text();

        m_sim->setFaults({0, 0, 1.0, 0, 1});
        QTRY_COMPARE_WITH_TIMEOUT(gu32_CommErrCount, 2, 3000);
        QCOMPARE(textColour(weight), live);
        QTRY_COMPARE_WITH_TIMEOUT(gu32_CommErrCount, 3, 2000);
        QCOMPARE(textColour(weight), StaleColour);
        QCOMPARE(textColour(form()->label_Mv_1), StaleColour);
        QCOMPARE(textColour(zeroRange), StaleColour);
        QCOMPARE(weight->text(), weightText);
        // The monitoring page's selectors are controls, not values: they keep their colour.
        auto *curve = m_window->page(0)->findChild<QComboBox *>();
        QVERIFY(curve);
        QVERIFY(textColour(curve) != StaleColour);

        m_sim->setFaults({});
        QTRY_COMPARE_WITH_TIMEOUT(gu32_CommErrCount, 0, 2000);
        QCOMPARE(textColour(weight), live);
        QCOMPARE(textColour(zeroRange), liveField);
    }

    // A page whose groups were never read shows nothing rather than zeros that
    // look like the instrument's settings.
    void pageOpenedBeforeAnyGoodReadShowsEmptyFields()
    {
        openWindowOnSim();
        m_sim->model().setValue32(54, 17);
        m_sim->setFaults({0, 0, 1.0, 0, 1});
        QTest::mouseClick(form()->ButtonBasicConfig, Qt::LeftButton);
        auto *zeroRange =
            m_window->page(1)->findChild<QLineEdit *>(QStringLiteral("EditZeroRange"));
        auto *sampleRate =
            m_window->page(1)->findChild<QComboBox *>(QStringLiteral("cBoxSampleRate"));
        QTRY_VERIFY_WITH_TIMEOUT(gu32_CommErrCount >= 1, 2000);
        QCOMPARE(zeroRange->text(), QString());
        QCOMPARE(sampleRate->currentIndex(), -1);
        m_sim->setFaults({});
        QTRY_COMPARE_WITH_TIMEOUT(zeroRange->text(), QStringLiteral("17"), 3000);
        QVERIFY(sampleRate->currentIndex() >= 0);
    }

    // A new connection may reach another instrument: nothing the last one
    // reported shows as the new one's until its groups are read.
    void newConnectionShowsNothingOfTheLastInstrument()
    {
        openWindowOnSim();
        m_sim->model().setValue32(54, 17);
        QTest::mouseClick(form()->ButtonBasicConfig, Qt::LeftButton);
        auto *zeroRange =
            m_window->page(1)->findChild<QLineEdit *>(QStringLiteral("EditZeroRange"));
        QTRY_COMPARE_WITH_TIMEOUT(zeroRange->text(), QStringLiteral("17"), 3000);
        QTest::mouseClick(form()->ButtonDisconnect, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!gp_ModbusDevice, 3000);

        m_sim->model().setValue32(54, 25);
        QTest::mouseClick(
            m_window->connectionPage()->findChild<QPushButton *>(QStringLiteral("connectButton")),
            Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(gu32_PageIndex, 0u, 5000);
        QCOMPARE(gsrt_BasicPara.slot[2], 0u);
        QTest::mouseClick(form()->ButtonBasicConfig, Qt::LeftButton);
        QVERIFY(zeroRange->text() != QStringLiteral("17"));
        QTRY_COMPARE_WITH_TIMEOUT(zeroRange->text(), QStringLiteral("25"), 3000);
    }

    // A serial adapter unplugged and plugged back: the link check reopens the
    // port once per poll until it is there again.
    void serialLinkRecoversWhenThePairComesBack()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
            QSKIP("socat is not installed");
        QTemporaryDir dir;
        SerialPair pair(dir.path());
        QVERIFY(pair.start());
        m_sim.reset(new sim::SimHost(sim::Kind::Analog, 0));
        QVERIFY(m_sim->startSerial(pair.instrumentEnd(), 38400, 2, 8, 1));
        LinkFile link;
        link.connectType = 0;
        link.serialPort = pair.programEnd();
        openWindow(link);

        m_sim.reset();
        pair.stop();
        QTRY_COMPARE_WITH_TIMEOUT(linkState(), QStringLiteral("Communication-Error"), 8000);
        // A few more polls, each reopening the port, fail while the adapter is away.
        const int failed = gu32_CommErrCount;
        QTRY_VERIFY_WITH_TIMEOUT(gu32_CommErrCount >= failed + 3, 8000);

        QVERIFY(pair.start());
        m_sim.reset(new sim::SimHost(sim::Kind::Analog, 0));
        QVERIFY(m_sim->startSerial(pair.instrumentEnd(), 38400, 2, 8, 1));
        QTRY_COMPARE_WITH_TIMEOUT(linkState(), QStringLiteral("Communication-Normal"), 10000);
        const int requests = m_sim->requestCount();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->requestCount() >= requests + 6, 3000);
    }

    // Two fields edited back to back while the first write waits on a silent
    // instrument: each failed write gives its own field its own text back.
    void eachEditGetsItsOwnTextBack()
    {
        pagetest::Bench bench;
        QVERIFY(bench.start());
        bench.reset();
        bench.model().setValue32(54, 12);
        bench.model().setValue32(56, 3);
        gu32_PageIndex = 1;
        BasicConfig page;
        page.resize(1150, 800);
        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        QVERIFY(pagetest::readGroups({4, 2}));
        page.enterPage();
        auto *first = page.findChild<QLineEdit *>(QStringLiteral("EditZeroRange"));
        auto *second = page.findChild<QLineEdit *>(QStringLiteral("EditSTABRange"));
        QCOMPARE(first->text(), QStringLiteral("12"));
        QCOMPARE(second->text(), QStringLiteral("3"));

        bench.host->setFaults({0, 1.0, 0, 0, 1});
        gp_ModbusDevice->setTimeout(300);
        bool secondEdited = false;
        QTimer::singleShot(150, [&] {
            pagetest::typeEntry(second, QStringLiteral("77"));
            secondEdited = true;
        });
        pagetest::typeEntry(first, QStringLiteral("55"));
        QTRY_VERIFY(secondEdited);
        QCOMPARE(second->text(), QStringLiteral("3"));
        QCOMPARE(first->text(), QStringLiteral("12"));
        QCOMPARE(bench.model().value32(54), 12u);
        QCOMPARE(bench.model().value32(56), 3u);
        DisconnectModbus();
    }

    // Once the application quits, the nested loops of a waiting read return at
    // once: the wait must end rather than spin, and the window close at once.
    // Last of the suite: it runs the application's own event loop to its end.
    void windowClosesWithinASecondWithAReadPending()
    {
        openWindowOnPeer();
        QElapsedTimer sinceClose;
        bool closing = false;
        m_peer->onRequest = [&] {
            if (closing)
                return;
            closing = true;
            QTimer::singleShot(50, [&] {
                sinceClose.start();
                m_window->close();
            });
        };
        m_peer->setAnswer(hostile::Answer::Silent);
        {
            const hostile::Watchdog watchdog(10000, "closing the window with a read pending");
            QApplication::exec();
        }
        QVERIFY(closing);
        QVERIFY2(sinceClose.elapsed() < 1000, qPrintable(QString::number(sinceClose.elapsed())));
        QVERIFY(!m_window->isVisible());
    }
};

QTEST_MAIN(TestLinkFaults)
#include "tst_linkfaults.moc"
