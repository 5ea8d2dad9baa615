// Tearing the link down while requests wait, as the main window does on
// Disconnect, on a link change or when the poll's link check rebuilds the
// client: the one client is disconnected and deleted while a read or write (and
// a second one started from inside its wait) is still pending, then built
// again, many times over, on Modbus TCP and on Modbus RTU. Every pending call
// must come back with a failure code and leave its values alone; run under the
// sanitizers, nothing may be touched after it is gone.
#include "hostilepeer.h"
#include "linkfixture.h"
#include "modbuslink.h"
#include "simhost.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

constexpr quint16 Untouched = 0xA5A5;

struct Outcome
{
    ModbusResult result = ModbusOk;
    quint16 values[2] = {Untouched, Untouched};
};

LinkSettings request(int address)
{
    LinkSettings r;
    r.slaveId = 1;
    r.startAddress = address;
    r.count = 2;
    r.responseTime = 1000;
    return r;
}

bool isFailure(ModbusResult r)
{
    return r == ModbusNoLink || r == ModbusTimeout || r == ModbusProtocolError;
}

} // namespace

class TestTeardown : public QObject
{
    Q_OBJECT

    std::unique_ptr<sim::SimHost> m_sim;
    int m_pendingAtTeardown = 0;

    // One round: a request waits for a slow instrument; inside its wait a
    // second request starts, and then the client is torn down under both. A
    // call that was still waiting when the client went must fail and leave its
    // values alone (a stale answer on a serial line may end one earlier).
    void round(const LinkSettings &link, bool write, int nestedAfterMs, int teardownAfterMs)
    {
        QVERIFY(connectClient(link));
        Outcome outer, nested;
        bool tornDown = false, nestedRan = false, nestedOutlived = false;
        QTimer::singleShot(nestedAfterMs, [&] {
            if (!gp_ModbusDevice)
                return;
            nestedRan = true;
            nested.result = ReadHoldingRegisters(gp_ModbusDevice, request(54), nested.values);
            nestedOutlived = tornDown;
        });
        QTimer::singleShot(teardownAfterMs, [&tornDown] {
            gu8_LinkStop = 1;
            DisconnectModbus();
            tornDown = true;
        });
        if (write) {
            const quint16 words[2] = {0, 33};
            outer.result = WriteHoldingRegisters(gp_ModbusDevice, request(54), words);
        } else {
            outer.result = ReadHoldingRegisters(gp_ModbusDevice, request(50), outer.values);
        }
        if (tornDown) {
            QVERIFY2(isFailure(outer.result), qPrintable(QString::number(outer.result)));
            QCOMPARE(outer.values[0], Untouched);
            QCOMPARE(outer.values[1], Untouched);
        }
        QTRY_VERIFY(tornDown && !gp_ModbusDevice);
        if (nestedRan && nestedOutlived) {
            QVERIFY2(isFailure(nested.result), qPrintable(QString::number(nested.result)));
            QCOMPARE(nested.values[0], Untouched);
        }
        gu8_LinkStop = 0;
        ++m_pendingAtTeardown;
        if (!tornDown)
            --m_pendingAtTeardown;
    }

    void rounds(const LinkSettings &link, int count)
    {
        QRandomGenerator rng(7);
        for (int i = 0; i < count; ++i) {
            const int teardown = 1 + rng.bounded(50);
            round(link, i % 2 == 1, rng.bounded(teardown + 1), teardown);
            if (QTest::currentTestFailed())
                return;
        }
        // Most rounds tore the client down under a waiting call.
        QVERIFY2(m_pendingAtTeardown > count / 2, qPrintable(QString::number(m_pendingAtTeardown)));
        // The link works again after all of it, once the slow instrument has
        // worked off the requests it was left with.
        QVERIFY(connectClient(link));
        quint16 values[2] = {};
        QTRY_VERIFY_WITH_TIMEOUT(
            ReadHoldingRegisters(gp_ModbusDevice, request(54), values) == ModbusOk, 30000);
        DisconnectModbus();
    }

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false")); }

    void init() { m_pendingAtTeardown = 0; }

    void cleanup()
    {
        gu8_LinkStop = 0;
        DisconnectModbus();
        m_sim.reset();
    }

    void tcpClientTornDownUnderPendingRequests()
    {
        sim::FaultOptions slow;
        slow.delayMs = 80; // every answer would arrive after the teardown
        m_sim = std::make_unique<sim::SimHost>(sim::Kind::Analog, 0);
        QVERIFY(m_sim->startTcp(slow));
        LinkSettings link;
        link.connectType = 1;
        link.EditIP = QStringLiteral("127.0.0.1");
        link.EditPort = QString::number(m_sim->port());
        rounds(link, 60);
    }

    // The first request's answer comes in while a second request, started
    // from inside its wait, holds the loop; the link then goes before the first
    // wait resumes. The first call fails like any other that was waiting.
    void anAnswerTakenUnderADeeperWaitIsDroppedWhenTheLinkGoes()
    {
        // The first request is answered after 100 ms, the second never.
        hostile::Peer peer;
        QVERIFY(peer.listen());
        peer.setAnswer(hostile::Answer::Delayed);
        peer.setDelayMs(100);
        int requests = 0;
        peer.onRequest = [&peer, &requests] {
            if (++requests > 1)
                peer.setAnswer(hostile::Answer::Silent);
        };
        QVERIFY(connectTcpClient(peer.port()));
        Outcome outer, nested;
        QTimer::singleShot(20, [&] {
            nested.result = ReadHoldingRegisters(gp_ModbusDevice, request(54), nested.values);
        });
        QTimer::singleShot(300, [] { DisconnectModbus(); });
        outer.result = ReadHoldingRegisters(gp_ModbusDevice, request(50), outer.values);
        QCOMPARE(peer.requests(), 2);
        QCOMPARE(outer.result, ModbusNoLink);
        QCOMPARE(outer.values[0], Untouched);
        QCOMPARE(nested.result, ModbusNoLink);
        QVERIFY(!gp_ModbusDevice);
    }

    void rtuClientTornDownUnderPendingRequests()
    {
        if (!SerialPair::available())
            QSKIP("socat is not installed");
        QTemporaryDir dir;
        SerialPair pair(dir.path());
        QVERIFY(pair.start());
        sim::FaultOptions slow;
        slow.delayMs = 80;
        m_sim = std::make_unique<sim::SimHost>(sim::Kind::Analog, 0);
        QVERIFY(m_sim->startSerial(pair.instrumentEnd(), 38400, 2, 8, 1, slow, 1));
        LinkSettings link; // 38400 8E1, as the instrument end
        link.connectType = 0;
        link.SerialNum = pair.programEnd();
        rounds(link, 30);
    }
};

QTEST_MAIN(TestTeardown)
#include "tst_teardown.moc"
