// The connection window: field visibility, reading the form, the settings
// file, and connecting to the simulated instrument over loopback TCP.
#include "Dialog/languagefont.h"
#include "devicemodel.h"
#include "filepaths.h"
#include "modbuslink.h"
#include "modbussetting.h"
#include "simhost.h"
#include "valuebinding.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QModbusClient>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <memory>

using sim::SimHost;

namespace {

// Closes every modal notice that shows up and keeps the texts it showed.
class NoticeCatcher : public QObject
{
public:
    NoticeCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            QStringList texts;
            const QList<QLabel *> labels = modal->findChildren<QLabel *>();
            for (const QLabel *label : labels)
                texts << label->text();
            m_shown << texts;
            modal->close();
        });
        m_timer.start(20);
    }
    int count() const { return m_shown.size(); }
    bool showed(const QString &text) const
    {
        for (const QStringList &texts : m_shown) {
            if (texts.contains(text))
                return true;
        }
        return false;
    }

private:
    QTimer m_timer;
    QList<QStringList> m_shown;
};

int probeReads(const QVector<sim::LoggedRequest> &log)
{
    int n = 0;
    for (const sim::LoggedRequest &r : log)
        n += r.function == 3 && r.address == 0 && r.count == 2;
    return n;
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<ModbusSetting> m_window;
    std::unique_ptr<SimHost> m_sim;

    template <typename T> T *field(const char *name)
    {
        T *w = m_window->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }

    void newWindow()
    {
        m_window.reset(new ModbusSetting);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // Moves a combo box to index by arrow keys, as a user would.
    void chooseByKeys(const char *name, int index)
    {
        QComboBox *box = field<QComboBox>(name);
        while (box->currentIndex() < index)
            QTest::keyClick(box, Qt::Key_Down);
        while (box->currentIndex() > index)
            QTest::keyClick(box, Qt::Key_Up);
    }

    void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    void typeSerialPort(const QString &text)
    {
        typeInto(field<QComboBox>("serialnumcomboBox")->lineEdit(), text);
    }

    void setUpTcp(int port, int slaveId)
    {
        chooseByKeys("connectType", 1);
        typeInto(field<QLineEdit>("EditHostIP"), QStringLiteral("127.0.0.1"));
        typeInto(field<QLineEdit>("EditPort"), QString::number(port));
        field<QSpinBox>("spinboxSlaveId")->setValue(slaveId);
    }

    void startSim(const sim::FaultOptions &faults = {})
    {
        m_sim.reset(new SimHost(sim::Kind::Analog, 0));
        QVERIFY(m_sim->startTcp(faults, 1));
        m_sim->model().setLiveFrozen(true);
    }

    QVariant storedValue(const QString &key)
    {
        QSettings file(SettingsFilePath(), QSettings::IniFormat);
        return file.value(key);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZELT_HOME", m_home.path().toLocal8Bit());
    }
    void init()
    {
        QFile::remove(SettingsFilePath());
        gu8_LinkStop = 0;
        gu32_Language = 0;
        gsrt_LinkPara = LinkSettings();
        newWindow();
    }
    void cleanup()
    {
        m_window.reset();
        DisconnectModbus();
        m_sim.reset();
    }

    void filesLiveUnderTheOverriddenRoot()
    {
        const QString root = QDir(m_home.path()).absolutePath() + QLatin1Char('/');
        QCOMPARE(FilesRoot(), root);
        QCOMPARE(SettingsFilePath(), root + QStringLiteral("Setting/setting.ini"));
        QVERIFY(QDir(TemplateDir()).exists());
        QVERIFY(QDir(ExportDir()).exists());
        QVERIFY(QDir(root + QStringLiteral("Setting")).exists());
    }

    void tcpShowsHostAndPortAndRtuShowsSerialFields()
    {
        const QList<QWidget *> serial = {
            field<QWidget>("serialnumcomboBox"), field<QWidget>("spinboxSlaveId"),
            field<QWidget>("baudCombo"),         field<QWidget>("dataBitsCombo"),
            field<QWidget>("parityCombo"),       field<QWidget>("stopBitsCombo"),
            field<QWidget>("label_1"),           field<QWidget>("label_6")};
        const QList<QWidget *> network = {field<QWidget>("label_hostip"),
                                          field<QWidget>("EditHostIP"),
                                          field<QWidget>("label_Port"), field<QWidget>("EditPort")};
        const QList<QWidget *> always = {field<QWidget>("DwordFormat"),
                                         field<QWidget>("timeoutSpinner")};

        chooseByKeys("connectType", 1);
        for (QWidget *w : serial)
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        for (QWidget *w : network + always)
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));

        chooseByKeys("connectType", 0);
        for (QWidget *w : serial + always)
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
        for (QWidget *w : network)
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    void formIsReadIntoLinkSettings()
    {
        typeSerialPort(QStringLiteral("USB Serial (COM5)"));
        chooseByKeys("parityCombo", 2);
        chooseByKeys("baudCombo", 1);
        chooseByKeys("dataBitsCombo", 0);
        chooseByKeys("stopBitsCombo", 1);
        field<QSpinBox>("timeoutSpinner")->setValue(300);
        LinkSettings s = m_window->settings();
        QCOMPARE(s.SerialNum, QStringLiteral("COM5"));
        QCOMPARE(s.parity, 3);
        QCOMPARE(s.baud, 2400);
        QCOMPARE(s.dataBits, 7);
        QCOMPARE(s.stopBits, 2);
        QCOMPARE(s.responseTime, 300);
        QCOMPARE(s.connectType, 0);
        QCOMPARE(m_window->m_settings.SerialNum, QStringLiteral("COM5"));

        chooseByKeys("parityCombo", 1);
        QCOMPARE(m_window->settings().parity, 2);
        chooseByKeys("parityCombo", 0);
        QCOMPARE(m_window->settings().parity, 0);

        // A typed device path is the port name itself; so is a text whose
        // parenthesis is never closed, rather than a piece of it.
        typeSerialPort(QStringLiteral("/dev/pts/3"));
        QCOMPARE(m_window->settings().SerialNum, QStringLiteral("/dev/pts/3"));
        typeSerialPort(QStringLiteral("Adapter (v2) (ttyUSB1)"));
        QCOMPARE(m_window->settings().SerialNum, QStringLiteral("ttyUSB1"));
        typeSerialPort(QStringLiteral("Adapter (COM5"));
        QCOMPARE(m_window->settings().SerialNum, QStringLiteral("Adapter (COM5"));

        chooseByKeys("connectType", 1);
        typeInto(field<QLineEdit>("EditHostIP"), QStringLiteral("10.1.2.3"));
        typeInto(field<QLineEdit>("EditPort"), QStringLiteral("1502"));
        s = m_window->settings();
        QCOMPARE(s.connectType, 1);
        QCOMPARE(s.EditIP, QStringLiteral("10.1.2.3"));
        QCOMPARE(s.EditPort, QStringLiteral("1502"));
    }

    void portFieldTakesEveryPortAndNothingElse()
    {
        QLineEdit *port = field<QLineEdit>("EditPort");
        for (const char *text : {"1", "80", "502", "8080", "10000", "65535"}) {
            typeInto(port, QLatin1String(text));
            QCOMPARE(port->text(), QLatin1String(text));
            QVERIFY2(port->hasAcceptableInput(), text);
        }
        typeInto(port, QStringLiteral("65536"));
        QCOMPARE(port->text(), QStringLiteral("6553"));
        typeInto(port, QStringLiteral("0"));
        QVERIFY(port->text().isEmpty());
        typeInto(port, QStringLiteral("5x2"));
        QCOMPARE(port->text(), QStringLiteral("52"));

        QLineEdit *host = field<QLineEdit>("EditHostIP");
        typeInto(host, QStringLiteral("192.168.300.1"));
        QCOMPARE(host->text(), QStringLiteral("192.168.30.1"));
    }

    void emptiedAddressGetsItsOldTextBackAndClicksKeepTheirFocus()
    {
        chooseByKeys("connectType", 1);
        QLineEdit *host = field<QLineEdit>("EditHostIP");
        QTest::mouseClick(host, Qt::LeftButton);
        QTRY_VERIFY(host->hasFocus());
        const QString before = host->text();
        QCOMPARE(valueBeforeEdit, before);
        host->selectAll();
        QTest::keyClick(host, Qt::Key_Backspace);
        QVERIFY(host->text().isEmpty());
        QTest::keyClick(host, Qt::Key_Return);
        QCOMPARE(host->text(), before);
        QVERIFY(!host->hasFocus());

        QTest::mouseClick(host, Qt::LeftButton);
        QTRY_VERIFY(host->hasFocus());
        QLineEdit *port = field<QLineEdit>("EditPort");
        QTest::mouseClick(port, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(port));
    }

    void wheelChangesNoComboOrSpinBox()
    {
        QComboBox *baud = field<QComboBox>("baudCombo");
        QSpinBox *slave = field<QSpinBox>("spinboxSlaveId");
        const int baudIndex = baud->currentIndex();
        const int slaveId = slave->value();
        auto wheel = [](QWidget *w) {
            const QPointF at(w->width() / 2, w->height() / 2);
            QWheelEvent event(at, w->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &event);
        };
        wheel(baud);
        wheel(slave);
        QCOMPARE(baud->currentIndex(), baudIndex);
        QCOMPARE(slave->value(), slaveId);

        // The same wheel turns a combo box that is not on this window.
        QComboBox other;
        other.addItems({QStringLiteral("a"), QStringLiteral("b")});
        other.show();
        wheel(&other);
        QCOMPARE(other.currentIndex(), 1);
    }

    void settingsFileRoundTrip()
    {
        typeSerialPort(QStringLiteral("/dev/pts/7"));
        chooseByKeys("baudCombo", 3);
        chooseByKeys("dataBitsCombo", 0);
        chooseByKeys("parityCombo", 2);
        chooseByKeys("stopBitsCombo", 1);
        chooseByKeys("DwordFormat", 1);
        field<QSpinBox>("timeoutSpinner")->setValue(350);
        field<QSpinBox>("spinboxSlaveId")->setValue(42);
        chooseByKeys("connectType", 1);
        typeInto(field<QLineEdit>("EditHostIP"), QStringLiteral("10.0.0.5"));
        typeInto(field<QLineEdit>("EditPort"), QStringLiteral("8080"));
        gu32_Language = 1;
        m_window->saveSettings();

        QCOMPARE(storedValue(QStringLiteral("Zelt/timeoutSpinner")).toString(),
                 QStringLiteral("350"));
        QCOMPARE(storedValue(QStringLiteral("Zelt/spinboxSlaveId")).toString(),
                 QStringLiteral("42"));
        QCOMPARE(storedValue(QStringLiteral("Zelt/Language")).toInt(), 1);

        gu32_Language = 0;
        newWindow();
        m_window->InterfaceInit();
        QCOMPARE(field<QComboBox>("serialnumcomboBox")->currentText(),
                 QStringLiteral("/dev/pts/7"));
        QCOMPARE(field<QComboBox>("baudCombo")->currentIndex(), 3);
        QCOMPARE(field<QComboBox>("dataBitsCombo")->currentIndex(), 0);
        QCOMPARE(field<QComboBox>("parityCombo")->currentIndex(), 2);
        QCOMPARE(field<QComboBox>("stopBitsCombo")->currentIndex(), 1);
        QCOMPARE(field<QComboBox>("DwordFormat")->currentIndex(), 1);
        QCOMPARE(field<QComboBox>("connectType")->currentIndex(), 1);
        QCOMPARE(field<QSpinBox>("timeoutSpinner")->value(), 350);
        QCOMPARE(field<QSpinBox>("spinboxSlaveId")->value(), 42);
        QCOMPARE(field<QLineEdit>("EditHostIP")->text(), QStringLiteral("10.0.0.5"));
        QCOMPARE(field<QLineEdit>("EditPort")->text(), QStringLiteral("8080"));
        QVERIFY(field<QLineEdit>("EditHostIP")->isVisible());
        QVERIFY(!field<QComboBox>("baudCombo")->isVisible());
        QCOMPARE(gu32_Language, 1u);
        QVERIFY(field<QLabel>("label_url")->text().contains(QLatin1String("href")));
        QVERIFY(field<QLabel>("label_url")->openExternalLinks());
    }

    void missingFileLeavesTheFormAsItWas()
    {
        QComboBox *type = field<QComboBox>("connectType");
        const int baud = field<QComboBox>("baudCombo")->currentIndex();
        const QString host = field<QLineEdit>("EditHostIP")->text();
        const int delay = field<QSpinBox>("timeoutSpinner")->value();
        m_window->InterfaceInit();
        QCOMPARE(type->currentIndex(), 0);
        QCOMPARE(field<QComboBox>("baudCombo")->currentIndex(), baud);
        QCOMPARE(field<QLineEdit>("EditHostIP")->text(), host);
        QCOMPARE(field<QSpinBox>("timeoutSpinner")->value(), delay);
        QCOMPARE(field<QLabel>("label_url")->text(), QStringLiteral("url"));
        QVERIFY(!QFile::exists(SettingsFilePath()));
    }

    void missingKeysTakeTheFormsDefaultsAndUnknownKeysStay()
    {
        {
            QSettings file(SettingsFilePath(), QSettings::IniFormat);
            file.setValue(QStringLiteral("Zelt/EditPort"), QStringLiteral("1600"));
            file.setValue(QStringLiteral("Zelt/baudCombo"), 99); // out of range: ignored
            file.setValue(QStringLiteral("Zelt/Comment"), QStringLiteral("bench 3"));
            file.setValue(QStringLiteral("Service/Engineer"), QStringLiteral("K. L."));
        }
        // The form away from its defaults, as after an earlier connection.
        chooseByKeys("connectType", 1);
        chooseByKeys("baudCombo", 6);
        chooseByKeys("dataBitsCombo", 0);
        chooseByKeys("parityCombo", 2);
        chooseByKeys("stopBitsCombo", 1);
        chooseByKeys("DwordFormat", 1);
        field<QSpinBox>("timeoutSpinner")->setValue(500);
        m_window->InterfaceInit();
        QCOMPARE(field<QComboBox>("connectType")->currentIndex(), 0);
        QVERIFY(field<QComboBox>("baudCombo")->isVisible());
        QVERIFY(!field<QLineEdit>("EditHostIP")->isVisible());
        QCOMPARE(field<QComboBox>("baudCombo")->currentIndex(), 6);
        QCOMPARE(field<QComboBox>("dataBitsCombo")->currentText(), QStringLiteral("8"));
        QCOMPARE(field<QComboBox>("parityCombo")->currentText(), QStringLiteral("EVEN"));
        QCOMPARE(field<QComboBox>("stopBitsCombo")->currentText(), QStringLiteral("1"));
        QCOMPARE(field<QComboBox>("DwordFormat")->currentIndex(), 0);
        QCOMPARE(field<QSpinBox>("timeoutSpinner")->value(), 200);
        QCOMPARE(field<QSpinBox>("spinboxSlaveId")->value(), 1);
        QCOMPARE(field<QLineEdit>("EditPort")->text(), QStringLiteral("1600"));

        // Without any key the baud rate is the form's too; a delay that is no number as well.
        {
            QSettings file(SettingsFilePath(), QSettings::IniFormat);
            file.remove(QStringLiteral("Zelt/baudCombo"));
            file.setValue(QStringLiteral("Zelt/timeoutSpinner"), QStringLiteral("fast"));
        }
        chooseByKeys("baudCombo", 0);
        m_window->InterfaceInit();
        QCOMPARE(field<QComboBox>("baudCombo")->currentText(), QStringLiteral("38400"));
        QCOMPARE(field<QSpinBox>("timeoutSpinner")->value(), 200);

        // Saving writes the form and leaves every other key as it was.
        m_window->saveSettings();
        QCOMPARE(storedValue(QStringLiteral("Zelt/Comment")).toString(), QStringLiteral("bench 3"));
        QCOMPARE(storedValue(QStringLiteral("Service/Engineer")).toString(),
                 QStringLiteral("K. L."));
        QCOMPARE(storedValue(QStringLiteral("Zelt/baudCombo")).toInt(), 5);
        QCOMPARE(storedValue(QStringLiteral("Zelt/timeoutSpinner")).toString(),
                 QStringLiteral("200"));
    }

    // The slave id follows the one rule of the link dialog: 1 to 99; a file
    // holding anything else (0 would be a broadcast) falls back to 1.
    void slaveIdFromTheFileFollowsTheRule_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("0") << "0" << 1;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("99") << "99" << 99;
        QTest::newRow("100") << "100" << 1;
        QTest::newRow("250") << "250" << 1;
        QTest::newRow("-3") << "-3" << 1;
    }
    void slaveIdFromTheFileFollowsTheRule()
    {
        QFETCH(QString, stored);
        QFETCH(int, shown);
        {
            QSettings file(SettingsFilePath(), QSettings::IniFormat);
            file.setValue(QStringLiteral("Zelt/spinboxSlaveId"), stored);
        }
        QSpinBox *slave = field<QSpinBox>("spinboxSlaveId");
        slave->setValue(42);
        m_window->InterfaceInit();
        QCOMPARE(slave->value(), shown);
        QCOMPARE(slave->minimum(), MinSlaveId);
        QCOMPARE(slave->maximum(), MaxSlaveId);
    }

    void tcpFileWithHostAndPortOnlyLoadsAsTcp()
    {
        {
            QSettings file(SettingsFilePath(), QSettings::IniFormat);
            file.setValue(QStringLiteral("Zelt/connectType"), 1);
            file.setValue(QStringLiteral("Zelt/EditHostIP"), QStringLiteral("127.0.0.1"));
            file.setValue(QStringLiteral("Zelt/EditPort"), QStringLiteral("40000"));
        }
        m_window->InterfaceInit();
        QCOMPARE(field<QComboBox>("connectType")->currentIndex(), 1);
        QVERIFY(field<QLineEdit>("EditHostIP")->isVisible());
        const LinkSettings s = m_window->settings();
        QCOMPARE(s.connectType, 1);
        QCOMPARE(s.EditIP, QStringLiteral("127.0.0.1"));
        QCOMPARE(s.EditPort, QStringLiteral("40000"));
    }

    void startupLanguageAppliesOnceAndSensorKindIsRead()
    {
        {
            QSettings file(SettingsFilePath(), QSettings::IniFormat);
            file.setValue(QStringLiteral("Config/Startup"), 1);
            file.setValue(QStringLiteral("Config/Language"), 1);
            file.setValue(QStringLiteral("Zelt/Language"), 0);
            file.setValue(QStringLiteral("Zelt/gu8_DigSensorsType"), 1);
        }
        gu8_DigSensorsType = 0;
        m_window->InterfaceInit();
        QCOMPARE(gu8_DigSensorsType, 1);
        QCOMPARE(gu32_Language, 1u);
        QCOMPARE(storedValue(QStringLiteral("Config/Startup")).toInt(), 0);
        m_window->InterfaceInit();
        QCOMPARE(gu32_Language, 0u);
        gu8_DigSensorsType = 0;
    }

    void connectOverTcpProbesAndAnnounces()
    {
        startSim();
        setUpTcp(m_sim->port(), 1);
        chooseByKeys("DwordFormat", 1);
        gu32_SlaveId = 9;
        QSignalSpy connected(m_window.get(), &ModbusSetting::ConnectSuccessfulSignal);
        QTest::mouseClick(field<QPushButton>("connectButton"), Qt::LeftButton);
        QTRY_COMPARE(connected.count(), 1);

        QVERIFY(gp_ModbusDevice);
        QCOMPARE(gp_ModbusDevice->state(), QModbusDevice::ConnectedState);
        QCOMPARE(gu32_ConnectType, 1u);
        QCOMPARE(gu32_SlaveId, 1u);
        QCOMPARE(gu32_DwordFormat, 1u);
        QCOMPARE(gsrt_LinkPara.connectType, 1);
        QCOMPARE(gsrt_LinkPara.EditIP, QStringLiteral("127.0.0.1"));
        QCOMPARE(gsrt_LinkPara.EditPort, QString::number(m_sim->port()));
        QCOMPARE(gsrt_LinkPara.slaveId, 1);
        QCOMPARE(gsrt_LinkPara.dwordFormat, 1);
        QCOMPARE(probeReads(m_sim->requestLog()), 1);
        QCOMPARE(m_sim->requestLog().first().function, 3);
        QCOMPARE(storedValue(QStringLiteral("Zelt/EditPort")).toString(),
                 QString::number(m_sim->port()));

        // The group reads of the main window go over the same link.
        QCOMPARE(m_window->ReadGroup(2), ModbusOk);

        // A second press while connected does nothing.
        QTest::mouseClick(field<QPushButton>("connectButton"), Qt::LeftButton);
        QCOMPARE(connected.count(), 1);

        // The client dies with its window, and the program-wide pointer with it.
        m_window.reset();
        QVERIFY(!gp_ModbusDevice);
    }

    void unansweredProbeShowsNoticeAndDropsClient()
    {
        startSim();
        setUpTcp(m_sim->port(), 5); // the instrument answers only slave 1
        QSignalSpy connected(m_window.get(), &ModbusSetting::ConnectSuccessfulSignal);
        NoticeCatcher notices;
        QTest::mouseClick(field<QPushButton>("connectButton"), Qt::LeftButton);
        QCOMPARE(notices.count(), 1);
        QVERIFY(notices.showed(QStringLiteral("Tip")));
        QVERIFY(notices.showed(QStringLiteral("Operation Failed,Please try again!")));
        QVERIFY(!gp_ModbusDevice);
        QCOMPARE(connected.count(), 0);
        // The attempted values were saved before the probe.
        QCOMPARE(storedValue(QStringLiteral("Zelt/spinboxSlaveId")).toString(),
                 QStringLiteral("5"));
    }

    void linkThatCannotComeUpShowsNotice()
    {
        typeSerialPort(QStringLiteral("/nonexistent/tty0"));
        {
            NoticeCatcher notices;
            QTest::mouseClick(field<QPushButton>("connectButton"), Qt::LeftButton);
            QCOMPARE(notices.count(), 1);
            QVERIFY(notices.showed(QStringLiteral("Operation Failed,Please try again!")));
            QVERIFY(!gp_ModbusDevice);
            QVERIFY(!QFile::exists(SettingsFilePath())); // saved only once the port opened
        }

        startSim();
        const int port = m_sim->port();
        m_sim.reset(); // a TCP connection to it is refused
        setUpTcp(port, 1);
        QSignalSpy connected(m_window.get(), &ModbusSetting::ConnectSuccessfulSignal);
        NoticeCatcher notices;
        QTest::mouseClick(field<QPushButton>("connectButton"), Qt::LeftButton);
        QCOMPARE(notices.count(), 1);
        QVERIFY(notices.showed(QStringLiteral("Operation Failed,Please try again!")));
        QVERIFY(!gp_ModbusDevice);
        QCOMPARE(connected.count(), 0);
    }

    void connectWaitsForTheTeardownToFinish()
    {
        startSim();
        setUpTcp(m_sim->port(), 1);
        QSignalSpy connected(m_window.get(), &ModbusSetting::ConnectSuccessfulSignal);
        gu8_LinkStop = 1;
        QTest::mouseClick(field<QPushButton>("connectButton"), Qt::LeftButton);
        QVERIFY(!gp_ModbusDevice);
        QTest::qWait(700); // two retries fall while the teardown is still running
        QVERIFY(!gp_ModbusDevice);
        QCOMPARE(m_sim->requestCount(), 0);
        gu8_LinkStop = 0;
        QVERIFY(connected.wait(2000));
        QCOMPARE(connected.count(), 1);
        QCOMPARE(probeReads(m_sim->requestLog()), 1);
    }

    void secondPressDuringTheProbeStartsNothing()
    {
        sim::FaultOptions slow;
        slow.delayMs = 300;
        startSim(slow);
        setUpTcp(m_sim->port(), 1);
        QSignalSpy connected(m_window.get(), &ModbusSetting::ConnectSuccessfulSignal);
        QPushButton *button = field<QPushButton>("connectButton");
        QTimer::singleShot(200, button, [button] { button->click(); });
        NoticeCatcher notices;
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(connected.count(), 1);
        QCOMPARE(notices.count(), 0);
        QCOMPARE(probeReads(m_sim->requestLog()), 1);
        QVERIFY(gp_ModbusDevice);
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
