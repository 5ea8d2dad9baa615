// The polling hold of the parameter files in the running main window: no poll
// reaches the instrument between the rows of an import or an export, and a poll
// signalled just before the hold does nothing.
#include "Modbus/filepaths.h"
#include "Modbus/modbussetting.h"
#include "devicemodel.h"
#include "exeltowrite.h"
#include "mainwindow.h"
#include "modbuslink.h"
#include "pollhold.h"
#include "pollstate.h"
#include "simhost.h"
#include "workbook.h"

#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TstFilePolling : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<sim::SimHost> m_sim;
    std::unique_ptr<MainWindow> m_window;

    QString sheet(const QString &name, int rows)
    {
        QVector<QStringList> all{{"Address", "Name", "Count", "Max", "Min", "Note", "Value"}};
        // The test page's indicator settings, which no poll of the live block reads.
        static const QStringList names{"Backlight level", "Network LED function",
                                       "COM LED 1 function", "COM LED 2 function"};
        for (int i = 0; i < rows; ++i)
            all.append({QString::number(530 + 2 * (i % 4)), names[i % 4], "2", "2", "0", "",
                        QString::number(i % 2)});
        const QString path = m_home.filePath(name);
        return CreateWorkbook(path, QStringLiteral("读写类"), all, {}) ? path : QString();
    }

    // Requests between the first and the last request of the rows (function 6/16
    // for an import, reads of the rows' registers for an export) that are not rows.
    static int foreignBetweenRows(const QVector<sim::LoggedRequest> &log, bool import)
    {
        auto isRow = [import](const sim::LoggedRequest &r) {
            const bool ofRow = r.address >= 530 && r.address <= 536 && r.address % 2 == 0;
            return ofRow && (import ? (r.function == 6 || r.function == 16) : r.function == 3);
        };
        int first = -1, last = -1;
        for (int i = 0; i < log.size(); ++i) {
            if (isRow(log[i])) {
                first = first < 0 ? i : first;
                last = i;
            }
        }
        int foreign = 0;
        for (int i = first; first >= 0 && i <= last; ++i)
            foreign += !isRow(log[i]);
        return foreign;
    }

private slots:
    void initTestCase()
    {
        qputenv("ZELT_HOME", m_home.path().toUtf8());
        m_sim.reset(new sim::SimHost(sim::Kind::Analog, 0));
        sim::FaultOptions slow;
        slow.delayMs = 4; // rows take longer than a poll period together
        QVERIFY(m_sim->startTcp(slow));
        m_sim->model().setLiveFrozen(true);
        QSettings ini(SettingsFilePath(), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Zelt"));
        ini.setValue(QStringLiteral("connectType"), 1);
        ini.setValue(QStringLiteral("EditHostIP"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("EditPort"), QString::number(m_sim->port()));
        ini.setValue(QStringLiteral("spinboxSlaveId"), QStringLiteral("1"));
        ini.endGroup();
        ini.sync();
        m_window.reset(new MainWindow);
        m_window->show();
        QTest::mouseClick(
            m_window->connectionPage()->findChild<QPushButton *>(QStringLiteral("connectButton")),
            Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(gu32_PageIndex, 0u, 5000);
        // Polling runs: the live block is read again and again.
        m_sim->clearLog();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->requestLog().size() >= 4, 3000);
    }
    void cleanupTestCase()
    {
        m_window.reset();
        m_sim.reset();
    }

    void noPollBetweenTheRowsOfAnImportOrExport_data()
    {
        QTest::addColumn<bool>("import");
        QTest::newRow("import") << true;
        QTest::newRow("export") << false;
    }

    void noPollBetweenTheRowsOfAnImportOrExport()
    {
        QFETCH(bool, import);
        const QString path = sheet(import ? "in.xlsx" : "out.xlsx", 160);
        ExelToWrite excel;
        m_sim->clearLog();
        WorkBooks *books = excel.StartExcel();
        const int result = import ? excel.ImportExcel(books, path, gp_ModbusDevice)
                                  : excel.ExportExcel(books, path, gp_ModbusDevice);
        excel.QuitExcel();
        QCOMPARE(result, ExelToWrite::Done);
        const QVector<sim::LoggedRequest> log = m_sim->requestLog();
        QCOMPARE(foreignBetweenRows(log, import), 0);
        // Polling comes back once the rows are done.
        const int after = m_sim->requestLog().size();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->requestLog().size() > after, 3000);
    }

    void pollSignalledBeforeTheHoldDoesNothing()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!gu8_PollBusy.load(), 3000);
        PollHold hold;
        m_sim->clearLog();
        // The polling thread's signal was queued just before the hold was taken.
        gu8_PollBusy.store(true);
        QMetaObject::invokeMethod(m_window.get(), "onPollTick", Qt::QueuedConnection);
        QTRY_VERIFY(!gu8_PollBusy.load());
        QTest::qWait(700); // more than a poll period: the thread starts none while held
        QCOMPARE(m_sim->requestLog().size(), 0);
        hold.release();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->requestLog().size() > 0, 3000);
    }
};

QTEST_MAIN(TstFilePolling)
#include "tst_filepolling.moc"
