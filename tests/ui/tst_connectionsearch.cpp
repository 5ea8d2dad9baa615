// The connection window's Search: scans the chosen port or address, lists what
// answered, fills the form from the chosen line and connects; cancelling frees
// the port.
#include "busscandialog.h"
#include "filepaths.h"
#include "linkfixture.h"
#include "modbuslink.h"
#include "modbussetting.h"
#include "simhost.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using sim::SimHost;

class TestConnectionSearch : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<ModbusSetting> m_window;

    template <typename T> T *field(QWidget *parent, const char *name)
    {
        T *w = parent->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }

    void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    BusScanDialog *search()
    {
        QTest::mouseClick(field<QPushButton>(m_window.get(), "searchButton"), Qt::LeftButton);
        return m_window->findChild<BusScanDialog *>();
    }

    // A search over TCP from the host and port typed in, run to its end; null
    // when no dialog came up or the search did not end.
    BusScanDialog *searchTcp(const QString &host, int port)
    {
        field<QComboBox>(m_window.get(), "connectType")->setCurrentIndex(1);
        m_window->on_connectType_activated(1);
        typeInto(field<QLineEdit>(m_window.get(), "EditHostIP"), host);
        typeInto(field<QLineEdit>(m_window.get(), "EditPort"), QString::number(port));
        BusScanDialog *dialog = search();
        if (!dialog || !QTest::qWaitFor([dialog] { return !dialog->scan()->isRunning(); }, 60000))
            return nullptr;
        return dialog;
    }

    // Picks the line of this slave id and connects to it.
    void connectTo(BusScanDialog *dialog, int slaveId)
    {
        auto *table = field<QTableWidget>(dialog, "tableScanFinds");
        const QList<QTableWidgetItem *> items =
            table->findItems(QString::number(slaveId), Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        table->selectRow(items.first()->row());
        QSignalSpy connected(m_window.get(), &ModbusSetting::ConnectSuccessfulSignal);
        QTest::mouseClick(field<QPushButton>(dialog, "BtnScanConnect"), Qt::LeftButton);
        QVERIFY(connected.size() == 1 || connected.wait(5000));
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
        gsrt_LinkPara = LinkSettings();
        m_window.reset(new ModbusSetting);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup()
    {
        m_window.reset();
        DisconnectModbus();
    }

    void searchOnASerialBusFillsTheFormAndConnects()
    {
        SimHost sim;
        const QString line = m_home.filePath(QStringLiteral("bus"));
        sim::BusTiming paced;
        paced.pace = true;
        QVERIFY(sim.startBus(line, true, {3, 47, 99}, {19200, 2, 8, 1}, paced));
        field<QComboBox>(m_window.get(), "connectType")->setCurrentIndex(0);
        typeInto(field<QComboBox>(m_window.get(), "serialnumcomboBox")->lineEdit(), line);
        field<QComboBox>(m_window.get(), "baudCombo")->setCurrentIndex(0);
        field<QComboBox>(m_window.get(), "parityCombo")->setCurrentIndex(0);

        BusScanDialog *dialog = search();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        auto *table = field<QTableWidget>(dialog, "tableScanFinds");
        // All three at 19200 8E1, the framing the line listens at; the user picks
        // one while the scan goes on, which ends it.
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 3, 60000);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(table->item(row, 1)->text(), QStringLiteral("19200 8E1"));
            QCOMPARE(table->item(row, 3)->text(), QStringLiteral("Analog"));
            QVERIFY(table->item(row, 4)->text().contains(table->item(row, 0)->text()));
        }
        QPointer<BusScanDialog> guard(dialog);
        connectTo(dialog, 47);
        QTRY_VERIFY(!guard);

        QCOMPARE(field<QComboBox>(m_window.get(), "baudCombo")->currentText(),
                 QStringLiteral("19200"));
        QCOMPARE(field<QComboBox>(m_window.get(), "parityCombo")->currentIndex(), 1);
        QCOMPARE(field<QSpinBox>(m_window.get(), "spinboxSlaveId")->value(), 47);
        QCOMPARE(gsrt_LinkPara.slaveId, 47);
        QCOMPARE(gsrt_LinkPara.baud, 19200);
        QCOMPARE(gsrt_LinkPara.parity, 2);
        QVERIFY(gp_ModbusDevice && gp_ModbusDevice->state() == QModbusDevice::ConnectedState);
        // The scan only read; the window's own probe after it too.
        for (const sim::LoggedRequest &r : sim.requestLog())
            QCOMPARE(r.function, 3);
    }

    void searchOverTcpFindsTheInstrumentsId()
    {
        SimHost sim;
        QVERIFY(sim.startTcp({}, 5));
        BusScanDialog *dialog = searchTcp(QStringLiteral("127.0.0.1"), sim.port());
        QVERIFY(dialog);
        auto *table = field<QTableWidget>(dialog, "tableScanFinds");
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("127.0.0.1:%1").arg(sim.port()));
        QVERIFY(
            field<QLabel>(dialog, "LabScanStatus")->text().contains(QStringLiteral("finished")));
        connectTo(dialog, 5);
        QCOMPARE(field<QSpinBox>(m_window.get(), "spinboxSlaveId")->value(), 5);
        QCOMPARE(gsrt_LinkPara.connectType, 1);
        QCOMPARE(gsrt_LinkPara.slaveId, 5);
    }

    void theHostFieldTakesARangeForSearchButNotForConnect()
    {
        SimHost sim;
        QVERIFY(sim.startTcpAt(QStringLiteral("127.0.0.2"), 0, {}, 5));
        BusScanDialog *dialog = searchTcp(QStringLiteral("127.0.0.1-127.0.0.3"), sim.port());
        QVERIFY(dialog);
        QCOMPARE(field<QLineEdit>(m_window.get(), "EditHostIP")->text(),
                 QStringLiteral("127.0.0.1-127.0.0.3"));
        auto *table = field<QTableWidget>(dialog, "tableScanFinds");
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("127.0.0.2:%1").arg(sim.port()));
        dialog->close();
        // Connect takes one host: a range is refused with a notice, nothing is opened.
        bool noticed = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&noticed] {
            if (QWidget *notice = QApplication::activeModalWidget()) {
                noticed = true;
                notice->close();
            }
        });
        closer.start(20);
        QTest::mouseClick(field<QPushButton>(m_window.get(), "connectButton"), Qt::LeftButton);
        QTRY_VERIFY(noticed);
        closer.stop();
        QVERIFY(!gp_ModbusDevice);
    }

    void cancelStopsTheSearchAndFreesThePort()
    {
        SimHost sim;
        const QString line = m_home.filePath(QStringLiteral("bus"));
        QVERIFY(sim.startBus(line, true, {99}, {115200, 0, 8, 1}, {}));
        typeInto(field<QComboBox>(m_window.get(), "serialnumcomboBox")->lineEdit(), line);
        BusScanDialog *dialog = search();
        QVERIFY(dialog);
        auto *bar = field<QProgressBar>(dialog, "progressScan");
        QTRY_VERIFY(bar->value() > 3);
        auto *cancel = field<QPushButton>(dialog, "BtnScanCancel");
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!dialog->scan()->isRunning());
        QVERIFY(dialog->scan()->wasCancelled());
        QVERIFY(
            field<QLabel>(dialog, "LabScanStatus")->text().contains(QStringLiteral("cancelled")));
        QCOMPARE(cancel->text(), QStringLiteral("Close"));
        QSerialPort port(line);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.close();
        QPointer<BusScanDialog> guard(dialog);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_VERIFY(!guard);
        QVERIFY(!gp_ModbusDevice || gp_ModbusDevice->state() != QModbusDevice::ConnectedState);
    }
};

QTEST_MAIN(TestConnectionSearch)
#include "tst_connectionsearch.moc"
