// The window as a user runs it prints nothing: a search from the connection
// window, polling, a page write, each with the program's logging rules, and
// every message that passes them caught. --verbose's rules let them through.
#include "Modbus/busscandialog.h"
#include "Modbus/filepaths.h"
#include "Modbus/modbussetting.h"
#include "logcategories.h"
#include "mainwindow.h"
#include "pagefixture.h"
#include "pollstate.h"

#include <QMutex>
#include <QSettings>
#include <QTableWidget>

using namespace pagetest;

namespace {

QMutex caughtLock;
QStringList caught;

// Every message that passes the filters, as it would reach standard error.
void catchMessage(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    // The offscreen platform's own note about window sizes is not the program's.
    if (text.contains(QLatin1String("propagateSizeHints")))
        return;
    const QMutexLocker lock(&caughtLock);
    caught << QStringLiteral("%1: %2").arg(QLatin1String(context.category), text);
}

QStringList takeCaught()
{
    const QMutexLocker lock(&caughtLock);
    return std::exchange(caught, {});
}

template <typename T> T *field(QObject *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

} // namespace

class TestQuietWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase() { qputenv("ZELT_HOME", m_home.path().toUtf8()); }
    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        ApplyLoggingRules(false);
        DisconnectModbus();
    }

    void aSessionWithSearchPollingAndAWritePrintsNothing();
    void verboseLetsTheDiagnosticsThrough();
};

void TestQuietWindow::aSessionWithSearchPollingAndAWritePrintsNothing()
{
    sim::SimHost sim(sim::Kind::Analog, 0);
    QVERIFY(sim.startTcp());
    ApplyLoggingRules(false);
    takeCaught();
    qInstallMessageHandler(catchMessage);

    // The connection window comes up set to the simulator, as the demo starts it.
    {
        QSettings ini(SettingsFilePath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Zelt/connectType"), 1);
        ini.setValue(QStringLiteral("Zelt/EditHostIP"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("Zelt/EditPort"), QString::number(sim.port()));
    }
    MainWindow window;
    window.show();
    window.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &window);
    ModbusSetting *connection = window.connectionPage();

    // A search over TCP asks every id: all but one time out.
    QTest::mouseClick(field<QPushButton>(connection, "searchButton"), Qt::LeftButton);
    auto *search = connection->findChild<BusScanDialog *>();
    QVERIFY(search);
    QTRY_VERIFY_WITH_TIMEOUT(!search->scan()->isRunning(), 60000);
    auto *finds = field<QTableWidget>(search, "tableScanFinds");
    QCOMPARE(finds->rowCount(), 1);
    finds->selectRow(0);
    QTest::mouseClick(field<QPushButton>(search, "BtnScanConnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(gu32_PageIndex, 0u, 5000);

    // Some seconds of polling, then a value typed on the basic page.
    sim.clearLog();
    QTRY_VERIFY_WITH_TIMEOUT(sim.requestLog().size() > 20, 15000);
    QTest::mouseClick(field<QPushButton>(&window, "ButtonBasicConfig"), Qt::LeftButton);
    auto *zeroRange = field<QLineEdit>(&window, "EditZeroRange");
    QTRY_VERIFY(zeroRange->isVisible());
    // The search dialog was the last window active.
    window.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &window);
    typeEntry(zeroRange, QStringLiteral("37"));
    QTRY_COMPARE_WITH_TIMEOUT(sim.model().value32(54), 37u, 5000);
    sim.clearLog();
    QTRY_VERIFY_WITH_TIMEOUT(sim.requestLog().size() > 10, 15000);

    const QStringList printed = takeCaught();
    QVERIFY2(printed.isEmpty(), qPrintable(printed.join(QLatin1Char('\n'))));
}

void TestQuietWindow::verboseLetsTheDiagnosticsThrough()
{
    sim::SimHost sim(sim::Kind::Analog, 0);
    QVERIFY(sim.startTcp());
    ApplyLoggingRules(true);
    takeCaught();
    qInstallMessageHandler(catchMessage);
    QVERIFY(connectTcpClient(sim.port()));
    LinkSettings base = gsrt_LinkPara;
    QCOMPARE(ReadGroup(base, 4), ModbusOk);
    bool ok = false;
    ReadParam(54, 2, &ok);
    QVERIFY(ok);
    const QStringList printed = takeCaught();
    QVERIFY2(!printed.filter(QRegularExpression(QStringLiteral("^zelt\\.\\w+: "))).isEmpty(),
             qPrintable(printed.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestQuietWindow)
#include "tst_quietwindow.moc"
