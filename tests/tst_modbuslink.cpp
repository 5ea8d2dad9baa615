// Register access and value binding against the simulated instrument over
// loopback TCP, and over a serial line pair for RTU.
#include "devicemodel.h"
#include "hostilepeer.h"
#include "linkfixture.h"
#include "rtubus.h"
#include "simhost.h"
#include "valuebinding.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using sim::FaultOptions;
using sim::SimHost;

namespace {

int writesTo(const QVector<sim::LoggedRequest> &log, int address)
{
    int n = 0;
    for (const sim::LoggedRequest &r : log)
        n += (r.function == 6 || r.function == 16) && r.address == address;
    return n;
}

} // namespace

class TestModbusLink : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimHost> m_sim;

    void startSim(int wordOrder = 0, const FaultOptions &faults = {})
    {
        m_sim.reset(new SimHost(sim::Kind::Analog, wordOrder));
        QVERIFY(m_sim->startTcp(faults));
        m_sim->model().setLiveFrozen(true);
        QVERIFY(connectTcpClient(m_sim->port()));
        m_sim->clearLog();
    }

private slots:
    void init()
    {
        ClearMirror();
        gu8_LinkStop = 0;
        gu32_DwordFormat = 0;
        gu32_SlaveId = 1;
        gu32_PageIndex = 1;
        gu32_AppSubPage = 6;
    }
    void cleanup()
    {
        DisconnectModbus();
        m_sim.reset();
    }

    void withoutClientNothingIsSent()
    {
        QVERIFY(!gp_ModbusDevice);
        LinkSettings request;
        request.startAddress = 0;
        request.count = 2;
        quint16 values[2] = {7, 7};
        QCOMPARE(ReadHoldingRegisters(nullptr, request, values), ModbusNoLink);
        QCOMPARE(WriteHoldingRegisters(nullptr, request, values), ModbusNoLink);
        QCOMPARE(ReadCoils(nullptr, request, values), ModbusNoLink);
        QCOMPARE(values[0], quint16(7));
        QCOMPARE(ReadGroup(request, 0), ModbusNoLink);
        QCOMPARE(ReadParam(54, 2), ReadParamFailed);
        QCOMPARE(CheckLink(), 1);
    }

    void accessorsStoreOnlyInModeOne()
    {
        QCOMPARE(SlaveIdAccess(0, 0), 1u);
        QCOMPARE(SlaveIdAccess(17, 1), 0u);
        QCOMPARE(SlaveIdAccess(0, 0), 17u);
        QCOMPARE(SlaveIdAccess(5, 2), 0u);
        QCOMPARE(gu32_SlaveId, 17u);
        QCOMPARE(DwordFormatAccess(1, 1), 0u);
        QCOMPARE(DwordFormatAccess(0, 0), 1u);
        QCOMPARE(DwordFormatAccess(0, 9), 0u);
        QCOMPARE(gu32_DwordFormat, 1u);
    }

    void wordOrderForReadsAndWrites_data()
    {
        QTest::addColumn<int>("order");
        QTest::newRow("AB-CD") << 0;
        QTest::newRow("CD-AB") << 1;
    }
    void wordOrderForReadsAndWrites()
    {
        QFETCH(int, order);
        startSim(order);
        gu32_DwordFormat = quint32(order);

        // The register image on the wire for a value with high half 0x1234, low half 0x5678.
        m_sim->model().setReg(54, 0x1234);
        m_sim->model().setReg(55, 0x5678);
        const quint32 expectRead = order == 0 ? 0x12345678u : 0x56781234u;
        QCOMPARE(ReadParam(54, 2), expectRead);

        LinkSettings request;
        request.startAddress = 56;
        request.count = 2;
        QCOMPARE(WriteParam(gp_ModbusDevice, 0x12345678u, request), ModbusOk);
        QCOMPARE(m_sim->model().reg(56), quint16(order == 0 ? 0x1234 : 0x5678));
        QCOMPARE(m_sim->model().reg(57), quint16(order == 0 ? 0x5678 : 0x1234));

        // A group read lands in the mirror in the same order; the instrument packs it alike.
        m_sim->model().setValue32(50, 777);
        LinkSettings base;
        QCOMPARE(ReadGroup(base, 4), ModbusOk);
        QCOMPARE(base.startAddress, 50);
        QCOMPARE(base.count, quint16(26));
        QCOMPARE(gsrt_BasicPara.slot[0], 777u);
        QCOMPARE(gsrt_BasicPara.slot[3], 0x12345678u);
    }

    void digitalBlockKeepsItsOrderForEveryAccess_data() { wordOrderForReadsAndWrites_data(); }
    void digitalBlockKeepsItsOrderForEveryAccess()
    {
        QFETCH(int, order);
        startSim(order);
        gu32_DwordFormat = quint32(order);
        gu32_PageIndex = 6;

        // Module count 3 reaches the instrument as 3 whatever the link's order.
        LinkSettings request;
        request.startAddress = 640;
        request.count = 2;
        QCOMPARE(WriteParam(gp_ModbusDevice, 3, request), ModbusOk);
        QCOMPARE(m_sim->model().reg(640), quint16(0));
        QCOMPARE(m_sim->model().reg(641), quint16(3));
        QCOMPARE(ReadParam(640, 2), 3u);
        QCOMPARE(ReadParamForExport(640, 2), 3u);
        LinkSettings base;
        QCOMPARE(ReadGroup(base, 17), ModbusOk);
        QCOMPARE(gsrt_DigPara.slot[0], 3u);

        // The version is fixed too; the instrument id next to it follows the link.
        m_sim->model().setReg(10000, 0x0001);
        m_sim->model().setReg(10001, 0x0002);
        QCOMPARE(ReadParamForExport(10000, 2), 0x00010002u);
        m_sim->model().setReg(10123, 0x0001);
        m_sim->model().setReg(10124, 0x0002);
        QCOMPARE(ReadParamForExport(10123, 2), order == 0 ? 0x00010002u : 0x00020001u);

        // A parameter outside the fixed blocks still follows the link's order.
        request.startAddress = 54;
        QCOMPARE(WriteParam(gp_ModbusDevice, 3, request), ModbusOk);
        QCOMPARE(m_sim->model().reg(54), quint16(order == 0 ? 0 : 3));
        QCOMPARE(ReadParam(54, 2), 3u);
    }

    void groupsAndCoilsFillTheMirror()
    {
        startSim();
        m_sim->model().setValue32(100, 3); // unit lb
        m_sim->model().setValue32(102, 1);
        LinkSettings base;
        for (int g : {2, 14, 15, 17, 0, 3})
            QCOMPARE(ReadGroup(base, g), ModbusOk);
        QCOMPARE(gsrt_CalPara.slot[CalUnitSlot], 3u);
        QCOMPARE(gsrt_CalPara.slot[CalDecimalSlot], 1u);
        QVERIFY(gsrt_SysInf.slot[SoftVersionSlot] >= 10000 &&
                gsrt_SysInf.slot[SoftVersionSlot] <= 19999);

        // Switching calibration remote edit off shows in register 10121 and coil 50;
        // the coil read comes last in a poll cycle and is what the pages see.
        LinkSettings request;
        request.startAddress = 9301;
        request.count = 1;
        QCOMPARE(WriteParam(gp_ModbusDevice, 0, request), ModbusOk);
        QCOMPARE(ReadGroup(base, 15), ModbusOk);
        QCOMPARE(gsrt_SysInf.slot[CalibrationRemoteEditSlot], 0u);
        gsrt_SysInf.slot[CalibrationRemoteEditSlot] = 9;
        gsrt_SysInf.slot[ApplicationRemoteEditSlot] = 9;
        QCOMPARE(ReadRemoteEditCoils(), ModbusOk);
        QCOMPARE(gsrt_SysInf.slot[CalibrationRemoteEditSlot], 0u);
        QCOMPARE(gsrt_SysInf.slot[ApplicationRemoteEditSlot], 1u);
        QCOMPARE(ReadNetCoil(), ModbusOk);
        QCOMPARE(gsrt_LiveVal.netFlag, quint8(m_sim->model().coil(4) ? 1 : 0));

        // A refused read leaves the mirror as it was.
        gsrt_BasicPara.slot[2] = 4242;
        m_sim->setFaults({0, 0, 1.0, 0, 1});
        QCOMPARE(ReadGroup(base, 4), ModbusProtocolError);
        QCOMPARE(gsrt_BasicPara.slot[2], 4242u);
    }

    void stopFlagEndsAWaitingReadAtOnce()
    {
        FaultOptions slow;
        slow.delayMs = 3000;
        startSim(0, slow);
        QTimer::singleShot(100, [] { gu8_LinkStop = 1; });
        QElapsedTimer clock;
        clock.start();
        LinkSettings base;
        gsrt_BasicPara.slot[0] = 99;
        QCOMPARE(ReadGroup(base, 4), ModbusNoLink);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(gsrt_BasicPara.slot[0], 99u);
    }

    void programLinkRunsOnAConnectionAndKeepsNothingWhenIdle()
    {
        FaultOptions slow;
        slow.delayMs = 300;
        startSim(0, slow);
        ModbusConnection *link = ProgramLink();
        QVERIFY(link);
        QCOMPARE(link->client(), gp_ModbusDevice);
        LinkSettings request;
        request.startAddress = 54;
        request.count = 2;
        quint16 values[2] = {};

        // A read the stop flag ended keeps its request until the answer comes.
        QTimer::singleShot(50, [] { gu8_LinkStop = 1; });
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusNoLink);
        QCOMPARE(link->requestsInFlight(), 1);
        QTRY_COMPARE(link->requestsInFlight(), 0);
        gu8_LinkStop = 0;

        // Answered reads and writes, and a write that gave up within its own
        // budget, leave nothing behind.
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
            QCOMPARE(WriteHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
        }
        request.responseTime = 100;
        QCOMPARE(WriteHoldingRegisters(gp_ModbusDevice, request, values), ModbusTimeout);
        QTRY_COMPARE(link->requestsInFlight(), 0);
        // A write that gave up early is a timeout, not a stream out of step.
        QCOMPARE(ConsecutiveTimeouts(), 1);
        QCOMPARE(CheckLink(), 0);
    }

    void programLinkGoesWithItsOwner()
    {
        startSim();
        DisconnectModbus();
        auto *owner = new QObject;
        LinkSettings s;
        s.connectType = 1;
        s.EditIP = QStringLiteral("127.0.0.1");
        s.EditPort = QString::number(m_sim->port());
        QVERIFY(SetupModbusClient(s, owner));
        QVERIFY(ProgramLinkOwnedBy(owner));
        delete owner;
        // Nothing is left pointing at the deleted client.
        QVERIFY(!gp_ModbusDevice);
        QVERIFY(!ProgramLink());
        QCOMPARE(CheckLink(), 1);
    }

    void silentInstrumentTimesOut()
    {
        FaultOptions silent;
        silent.dropRate = 1.0;
        startSim(0, silent);
        quint16 values[2] = {5, 5};
        LinkSettings request;
        request.startAddress = 0;
        request.count = 2;
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusTimeout);
        QCOMPARE(values[0], quint16(5));

        // The write gives up after its own budget when the client would wait longer.
        gp_ModbusDevice->setTimeout(5000);
        request.responseTime = 200;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(WriteHoldingRegisters(gp_ModbusDevice, request, values), ModbusTimeout);
        QVERIFY(clock.elapsed() >= 200);
        QVERIFY(clock.elapsed() < 2000);
    }

    void lostConnectionEndsTheWait()
    {
        FaultOptions slow;
        slow.delayMs = 3000;
        startSim(0, slow);
        QTimer::singleShot(100, [] { gp_ModbusDevice->disconnectDevice(); });
        QElapsedTimer clock;
        clock.start();
        quint16 values[2] = {};
        LinkSettings request;
        request.startAddress = 54;
        request.count = 2;
        QCOMPARE(WriteHoldingRegisters(gp_ModbusDevice, request, values), ModbusNoLink);
        QVERIFY(clock.elapsed() < 1000);
    }

    void waitMsWaitsAtLeastTheTimeAsked()
    {
        int fired = 0;
        QTimer::singleShot(10, [&] { ++fired; });
        QElapsedTimer clock;
        clock.start();
        WaitMs(60);
        QVERIFY(clock.elapsed() >= 60);
        QCOMPARE(fired, 1); // timers keep firing while it waits
    }

    void sendWidgetValueWritesAndKeepsTheText()
    {
        startSim();
        m_sim->model().setValue32(54, 5);
        QLineEdit edit;
        edit.setObjectName(QStringLiteral("EditZeroRange"));
        edit.setText(QStringLiteral("20"));
        valueBeforeEdit = QStringLiteral("10");
        QCOMPARE(SendWidgetValue(&edit, QStringLiteral("20")), ModbusOk);
        QCOMPARE(m_sim->model().value32(54), 20u);
        QCOMPARE(edit.text(), QStringLiteral("20"));

        // The fraction is dropped, not rounded.
        QCOMPARE(SendWidgetValue(&edit, QStringLiteral("123.9")), ModbusOk);
        QCOMPARE(m_sim->model().value32(54), 123u);

        // Nine digits go out; the same value as the instrument's puts the old text back.
        QCOMPARE(SendWidgetValue(&edit, QStringLiteral("123456789")), ModbusOk);
        QCOMPARE(m_sim->model().value32(54), 123456789u);
        edit.setText(QStringLiteral("123456789"));
        valueBeforeEdit = QStringLiteral("5");
        QCOMPARE(SendWidgetValue(&edit, QStringLiteral("123456789")), ModbusOk);
        QCOMPARE(edit.text(), QStringLiteral("5"));
    }

    void sendWidgetValueRefusesWithoutTraffic()
    {
        startSim();
        QLineEdit edit;
        edit.setObjectName(QStringLiteral("EditZeroRange"));
        valueBeforeEdit = QStringLiteral("20");
        for (const char *text : {"1234567890", "-123456789", "99999999999.5"}) {
            edit.setText(QString::fromLatin1(text));
            QCOMPARE(SendWidgetValue(&edit, QString::fromLatin1(text)), ModbusProtocolError);
            QCOMPARE(edit.text(), QStringLiteral("20"));
        }

        QComboBox combo;
        combo.setObjectName(QStringLiteral("cBoxSampleRate"));
        combo.addItems({QStringLiteral("a"), QStringLiteral("b")});
        QCOMPARE(SendWidgetValue(combo.view(), QStringLiteral("1")), ModbusProtocolError);

        // A widget of another page is not written while that page is not on screen.
        QLineEdit other;
        other.setObjectName(QStringLiteral("EditFullScale"));
        QCOMPARE(SendWidgetValue(&other, QStringLiteral("5")), ModbusProtocolError);
        QCOMPARE(m_sim->requestLog().size(), 0);
    }

    void refusedWriteRestoresTheWidget()
    {
        startSim();
        m_sim->model().setReg(9301, 0); // calibration remote editing off
        gu32_PageIndex = 2;
        QLineEdit edit;
        edit.setObjectName(QStringLiteral("EditFullScale"));
        edit.setText(QStringLiteral("5000"));
        valueBeforeEdit = QStringLiteral("100.00");
        const quint32 before = m_sim->model().value32(106);
        QCOMPARE(SendWidgetValue(&edit, QStringLiteral("500000")), ModbusProtocolError);
        QCOMPARE(edit.text(), QStringLiteral("100.00"));
        QCOMPARE(m_sim->model().value32(106), before);

        QComboBox combo;
        combo.setObjectName(QStringLiteral("cBoxUnit"));
        combo.addItems({QStringLiteral("t"), QStringLiteral("kg"), QStringLiteral("g")});
        combo.setCurrentIndex(2);
        valueBeforeEdit = QStringLiteral("1");
        QCOMPARE(SendWidgetValue(&combo, QStringLiteral("2")), ModbusProtocolError);
        QCOMPARE(combo.currentIndex(), 1);

        // With editing allowed the combo keeps its choice, and the button needs nothing more.
        m_sim->model().setReg(9301, 1);
        combo.setCurrentIndex(2);
        QCOMPARE(SendWidgetValue(&combo, QStringLiteral("2")), ModbusOk);
        QCOMPARE(combo.currentIndex(), 2);
        QCOMPARE(m_sim->model().value32(100), 2u);
        QPushButton zero;
        zero.setObjectName(QStringLiteral("BtnAutoZero"));
        QCOMPARE(SendWidgetValue(&zero, QStringLiteral("1")), ModbusOk);
        QCOMPARE(writesTo(m_sim->requestLog(), 108), 1);
    }

    void firstTimeoutRestoresEvenWhenARepeatSucceeds()
    {
        FaultOptions slow;
        slow.delayMs = 1300;
        startSim(0, slow);
        gp_ModbusDevice->setTimeout(5000); // the write's own one-second budget decides
        QLineEdit edit;
        edit.setObjectName(QStringLiteral("EditSTABRange"));
        edit.setText(QStringLiteral("8"));
        valueBeforeEdit = QStringLiteral("3");
        // The pre-read and the first write wait out the delay; then the instrument turns quick.
        QTimer::singleShot(1500, [this] { m_sim->setFaults({}); });
        QCOMPARE(SendWidgetValue(&edit, QStringLiteral("8")), ModbusOk);
        QCOMPARE(edit.text(), QStringLiteral("3"));
        QCOMPARE(m_sim->model().value32(56), 8u);
        QVERIFY(writesTo(m_sim->requestLog(), 56) >= 2);
    }

    void singleRegisterWriteSendsTheLow16Bits()
    {
        startSim();
        LinkSettings request;
        request.startAddress = 8900;
        request.count = 1;
        QCOMPARE(WriteParam(gp_ModbusDevice, 0x12345u, request), ModbusOk);
        QCOMPARE(m_sim->model().reg(8900), quint16(0x2345));
        const QVector<sim::LoggedRequest> log = m_sim->requestLog();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].count, 1);
        QCOMPARE(ReadParam(8900, 1), 0x2345u);
        QCOMPARE(ReadParamForExport(8900, 1), 0x2345u);
        QCOMPARE(ReadParamForExport(8900, 4), 0u);
    }

    // Replies that do not answer the request asked are failures: nothing of
    // them reaches the caller's values or the mirror, and none hangs the read.
    // A stream out of step (stray bytes, a length no PDU has, a frame cut
    // short) is dropped and reopened by the client itself: the next request is
    // answered without waiting for a link check.
    void misbehavingPeerNeverReachesTheMirror_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("reconnects");
        QTest::newRow("fewer registers")
            << int(hostile::Answer::FewerRegisters) << int(ModbusMalformed) << false;
        QTest::newRow("byte count lies")
            << int(hostile::Answer::LyingByteCount) << int(ModbusMalformed) << false;
        QTest::newRow("other function")
            << int(hostile::Answer::OtherFunction) << int(ModbusMalformed) << false;
        QTest::newRow("other unit")
            << int(hostile::Answer::OtherUnit) << int(ModbusMalformed) << false;
        QTest::newRow("stray bytes")
            << int(hostile::Answer::GarbageOnce) << int(ModbusMalformed) << true;
        QTest::newRow("length 0xFFFF")
            << int(hostile::Answer::HugeLength) << int(ModbusMalformed) << true;
        QTest::newRow("cut frame")
            << int(hostile::Answer::CutFrame) << int(ModbusMalformed) << true;
        QTest::newRow("silence") << int(hostile::Answer::Silent) << int(ModbusTimeout) << false;
    }
    void misbehavingPeerNeverReachesTheMirror()
    {
        QFETCH(int, answer);
        QFETCH(int, expected);
        QFETCH(bool, reconnects);
        hostile::Peer peer;
        QVERIFY(peer.listen());
        QVERIFY(connectTcpClient(peer.port()));
        gp_ModbusDevice->setTimeout(300);

        // Well behaved first: the peer's values arrive as sent.
        quint16 values[2] = {};
        LinkSettings request;
        request.startAddress = 54;
        request.count = 2;
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
        QCOMPARE(values[1], hostile::registerValue(55));

        peer.setAnswer(hostile::Answer(answer));
        values[0] = values[1] = 7;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(int(ReadHoldingRegisters(gp_ModbusDevice, request, values)), expected);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(values[0], quint16(7));
        QCOMPARE(values[1], quint16(7));
        // Stray bytes come once; every other fault stays for the group read.
        const bool once = hostile::Answer(answer) == hostile::Answer::GarbageOnce;
        if (!once) {
            gsrt_BasicPara.slot[1] = 4242;
            LinkSettings base;
            QVERIFY(ReadGroup(base, 4) != ModbusOk);
            QCOMPARE(gsrt_BasicPara.slot[1], 4242u);
            QCOMPARE(gsrt_BasicPara.slot[0], 0u);
        }

        // The link is up and in step: once the peer behaves, the next read is
        // answered on the same or a fresh connection.
        peer.setAnswer(hostile::Answer::Good);
        QCOMPARE(CheckLink(), 0);
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
        QCOMPARE(values[1], hostile::registerValue(55));
        QCOMPARE(peer.connections(), reconnects ? (once ? 2 : 3) : 1);
        QCOMPARE(ConsecutiveTimeouts(), 0);
    }

    // A reply cut short is followed by a fresh link before the next request,
    // without waiting for a link check: a parameter file holds polling for its
    // whole run, and every row after the cut would fail.
    void nextRequestAfterACutReplyGoesOnAFreshLink()
    {
        hostile::Peer peer;
        QVERIFY(peer.listen());
        QVERIFY(connectTcpClient(peer.port()));
        gp_ModbusDevice->setTimeout(300);
        quint16 values[2] = {};
        LinkSettings request;
        request.startAddress = 54;
        request.count = 2;

        peer.setAnswer(hostile::Answer::CutFrame);
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusMalformed);
        peer.setAnswer(hostile::Answer::Good);
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
        QCOMPARE(values[1], hostile::registerValue(55));
        QCOMPARE(peer.connections(), 2);

        peer.setAnswer(hostile::Answer::CutFrame);
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusMalformed);
        peer.setAnswer(hostile::Answer::Good);
        QCOMPARE(WriteHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
        QCOMPARE(peer.connections(), 3);
        QCOMPARE(CheckLink(), 0);
    }

    // Requests that time out three times in a row (an instrument that went
    // silent behind a live connection) make the link check open a new one.
    void timeoutsInARowReopenTheLink()
    {
        hostile::Peer peer;
        QVERIFY(peer.listen());
        QVERIFY(connectTcpClient(peer.port()));
        gp_ModbusDevice->setTimeout(300);
        QCOMPARE(peer.connections(), 1);

        peer.setAnswer(hostile::Answer::Silent);
        LinkSettings base;
        for (int i = 0; i < ReopenAfterTimeouts; ++i) {
            QCOMPARE(CheckLink(), 0);
            QCOMPARE(ReadGroup(base, 4), ModbusTimeout);
        }
        QCOMPARE(ConsecutiveTimeouts(), ReopenAfterTimeouts);
        peer.setAnswer(hostile::Answer::Good);
        QCOMPARE(CheckLink(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(peer.connections(), 2, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(CheckLink(), 0, 3000);
        QCOMPARE(ReadGroup(base, 4), ModbusOk);
        QCOMPARE(gsrt_BasicPara.slot[0],
                 (quint32(hostile::registerValue(50)) << 16) | hostile::registerValue(51));
        QCOMPARE(ConsecutiveTimeouts(), 0);

        // Two timeouts and an answer do not count as a run.
        peer.setAnswer(hostile::Answer::Silent);
        QCOMPARE(ReadGroup(base, 4), ModbusTimeout);
        QCOMPARE(ReadGroup(base, 4), ModbusTimeout);
        peer.setAnswer(hostile::Answer::Good);
        QCOMPARE(ReadGroup(base, 4), ModbusOk);
        QCOMPARE(ConsecutiveTimeouts(), 0);
        QCOMPARE(CheckLink(), 0);
        QCOMPARE(peer.connections(), 2);
    }

    // Slave id 0 is a broadcast nobody answers: it is never sent.
    void slaveIdOutsideTheRuleIsNeverSent()
    {
        startSim();
        quint16 values[2] = {7, 7};
        LinkSettings request;
        request.startAddress = 54;
        request.count = 2;
        for (int id : {0, 100}) {
            request.slaveId = id;
            QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusProtocolError);
            QCOMPARE(WriteHoldingRegisters(gp_ModbusDevice, request, values), ModbusProtocolError);
        }
        QCOMPARE(values[0], quint16(7));
        QCOMPARE(m_sim->requestLog().size(), 0);
        QCOMPARE(SlaveIdOrDefault(0), 1);
        QCOMPARE(SlaveIdOrDefault(99), 99);
        QCOMPARE(SlaveIdOrDefault(100), 1);
    }

    // Once the application quits, nested loops return at once: a waiting read,
    // the reads after it and WaitMs must end instead of spinning.
    void waitsEndWhenTheApplicationQuits()
    {
        hostile::Peer peer;
        QVERIFY(peer.listen());
        QVERIFY(connectTcpClient(peer.port()));
        peer.setAnswer(hostile::Answer::Silent);
        gp_ModbusDevice->setTimeout(5000);
        ModbusResult first = ModbusOk, second = ModbusOk;
        qint64 spent = -1;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(100, [] { QCoreApplication::quit(); });
            QElapsedTimer clock;
            clock.start();
            LinkSettings base;
            first = ReadGroup(base, 4);
            second = ReadGroup(base, 0);
            WaitMs(3000);
            spent = clock.elapsed();
        });
        {
            const hostile::Watchdog watchdog(8000, "a read waiting while the application quits");
            QCoreApplication::exec();
        }
        QCOMPARE(first, ModbusNoLink);
        QCOMPARE(second, ModbusNoLink);
        QVERIFY2(spent >= 0 && spent < 1000, qPrintable(QString::number(spent)));
    }

    void rtuRoundTripOverASerialPair()
    {
        if (!SerialPair::available())
            QSKIP("socat is not installed");
        QTemporaryDir dir;
        SerialPair pair(dir.path());
        QVERIFY(pair.start());
        const QString instrumentEnd = pair.instrumentEnd();
        const QString programEnd = pair.programEnd();

        m_sim.reset(new SimHost(sim::Kind::Digital, 1));
        QVERIFY(m_sim->startSerial(instrumentEnd, 38400, 2, 8, 1, {}, 7));
        LinkSettings s; // 38400 8E1 by default
        s.SerialNum = programEnd;
        QVERIFY(connectClient(s));
        gu32_SlaveId = 7;
        gu32_DwordFormat = 1;

        LinkSettings base;
        QCOMPARE(ReadGroup(base, 14), ModbusOk);
        QVERIFY(gsrt_SysInf.slot[SoftVersionSlot] >= 20000 &&
                gsrt_SysInf.slot[SoftVersionSlot] <= 29999);
        LinkSettings request;
        request.startAddress = 676;
        request.count = 2;
        QCOMPARE(WriteParam(gp_ModbusDevice, 0x00010002u, request), ModbusOk);
        // The digital block is high half first although the link says CD-AB, for the
        // write as for the read: the value comes back as it was written.
        QCOMPARE(m_sim->model().reg(676), quint16(0x0001));
        QCOMPARE(m_sim->model().reg(677), quint16(0x0002));
        QCOMPARE(ReadGroup(base, 17), ModbusOk);
        QCOMPARE(gsrt_DigPara.slot[18], 0x00010002u);

        DisconnectModbus();
        m_sim.reset();
    }

    // Over RTU a reply from another unit or with another function code is not
    // the answer to the request: it never reaches the values, the read times out.
    void rtuReplyFromAnotherUnitOrFunctionIsNotTaken_data()
    {
        QTest::addColumn<int>("unitShift");
        QTest::addColumn<int>("function");
        QTest::newRow("as asked") << 0 << 3;
        QTest::newRow("another unit") << 1 << 3;
        QTest::newRow("another function") << 0 << 4;
    }
    void rtuReplyFromAnotherUnitOrFunctionIsNotTaken()
    {
        QFETCH(int, unitShift);
        QFETCH(int, function);
        if (!SerialPair::available())
            QSKIP("socat is not installed");
        QTemporaryDir dir;
        SerialPair pair(dir.path());
        QVERIFY(pair.start());
        QSerialPort peer(pair.instrumentEnd());
        QVERIFY(peer.open(QIODevice::ReadWrite));
        QByteArray request;
        QObject::connect(&peer, &QSerialPort::readyRead, [&] {
            request += peer.readAll();
            if (request.size() < 8)
                return;
            // Two registers, each 3a + 1, from the unit and function chosen.
            QByteArray answer;
            answer.append(char(quint8(request[0]) + unitShift))
                .append(char(function))
                .append(char(4));
            for (int a : {54, 55})
                answer.append(char(hostile::registerValue(a) >> 8))
                    .append(char(hostile::registerValue(a) & 0xFF));
            const quint16 crc = sim::RtuCrc(answer);
            answer.append(char(crc & 0xFF)).append(char(crc >> 8));
            peer.write(answer);
            request.clear();
        });
        LinkSettings s;
        s.SerialNum = pair.programEnd();
        QVERIFY(connectClient(s));
        gp_ModbusDevice->setTimeout(300);
        quint16 values[2] = {7, 7};
        LinkSettings read;
        read.startAddress = 54;
        read.count = 2;
        const bool asAsked = unitShift == 0 && function == 3;
        QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, read, values),
                 asAsked ? ModbusOk : ModbusTimeout);
        QCOMPARE(values[1], asAsked ? hostile::registerValue(55) : quint16(7));
        DisconnectModbus();
    }
};

QTEST_MAIN(TestModbusLink)
#include "tst_modbuslink.moc"
