// The Communication window on the program's link against the simulator: the
// figures follow the requests, failures stand out, the filter and the saved
// file hold what went over the line.
#include "commwindow.h"
#include "linkfixture.h"
#include "simhost.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestCommWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { DisconnectModbus(); }

    void showsTheFiguresAndTheTrafficAndSavesThem()
    {
        sim::SimHost host;
        QVERIFY(host.startTcp());
        QVERIFY(connectTcpClient(host.port()));
        LinkSettings request;
        request.startAddress = 54;
        request.count = 2;
        quint16 values[2] = {};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
        sim::FaultOptions refuse;
        refuse.exceptionRate = 1.0;
        host.setFaults(refuse);
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusProtocolError);
        host.setFaults({});

        CommunicationWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto figure = [&window](int n) {
            return window.findChild<QLabel *>(QStringLiteral("figure_%1").arg(n))->text();
        };
        QCOMPARE(figure(0), QStringLiteral("4"));
        QCOMPARE(figure(1), QStringLiteral("3"));
        QCOMPARE(figure(3), QStringLiteral("1: 1 4 (device failure)"));
        TrafficModel *traffic = window.traffic();
        QCOMPARE(traffic->rowCount(), 4);
        QCOMPARE(traffic->data(traffic->index(3, 7), Qt::DisplayRole).toString(),
                 QStringLiteral("exception 4 (device failure)"));
        QCOMPARE(traffic->data(traffic->index(3, 7), Qt::ForegroundRole).value<QColor>(),
                 QColor(Qt::red));
        QVERIFY(!traffic->data(traffic->index(0, 7), Qt::ForegroundRole).isValid());
        QCOMPARE(traffic->data(traffic->index(0, 6), Qt::DisplayRole).toString(),
                 QStringLiteral("0x%1 (%2)  0x%3 (%4)")
                     .arg(host.model().reg(54), 4, 16, QLatin1Char('0'))
                     .arg(host.model().reg(54))
                     .arg(host.model().reg(55), 4, 16, QLatin1Char('0'))
                     .arg(host.model().reg(55)));

        // New requests come in with the once-a-second update; a pause holds them.
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
        QTRY_COMPARE_WITH_TIMEOUT(traffic->rowCount(), 5, 3000);
        QTRY_COMPARE(figure(0), QStringLiteral("5"));
        auto *pause = window.findChild<QPushButton *>(QStringLiteral("pauseTraffic"));
        pause->click();
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
        window.refresh();
        QCOMPARE(traffic->rowCount(), 5);
        pause->click();
        QCOMPARE(traffic->rowCount(), 6);

        auto *filter = window.findChild<QComboBox *>(QStringLiteral("trafficFilter"));
        filter->setCurrentIndex(TrafficModel::Failures);
        emit filter->activated(TrafficModel::Failures);
        QCOMPARE(traffic->rowCount(), 1);

        QTemporaryDir dir;
        QString error;
        const QString csv = dir.filePath(QStringLiteral("failures.csv"));
        QVERIFY2(window.saveTraffic(csv, &error), qPrintable(error));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].split(',').size(), 10);
        QCOMPARE(lines[1].split(',').size(), 10);
        QVERIFY(lines[1].contains(",read,3,1,54,2,,,\"exception 4 (device failure)\","));

        filter->setCurrentIndex(TrafficModel::All);
        emit filter->activated(TrafficModel::All);
        const QString text = dir.filePath(QStringLiteral("all.txt"));
        QVERIFY2(window.saveTraffic(text, &error), qPrintable(error));
        QFile all(text);
        QVERIFY(all.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(all.readAll()).split('\n', Qt::SkipEmptyParts).size(), 6);

        window.findChild<QPushButton *>(QStringLiteral("resetFigures"))->click();
        QCOMPARE(figure(0), QStringLiteral("0"));
        QCOMPARE(traffic->rowCount(), 0);
    }
};

QTEST_MAIN(TestCommWindow)
#include "tst_commwindow.moc"
