// Tests of the instrument simulator: register map rules, commands and a
// real Modbus TCP round trip against SimHost.
#include <QModbusDataUnit>
#include <QModbusReply>
#include <QModbusTcpClient>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include "simhost.h"

using namespace sim;

namespace {
QVector<quint16> split32(quint32 v, int wordOrder)
{
    const quint16 hi = quint16(v >> 16), lo = quint16(v & 0xFFFF);
    return wordOrder == 0 ? QVector<quint16>{hi, lo} : QVector<quint16>{lo, hi};
}

qint32 weightRaw(InstrumentModel &m)
{
    return qint32(m.value32(Reg::Weight));
}

bool waitFinished(QModbusReply *reply)
{
    return reply->isFinished() || QSignalSpy(reply, &QModbusReply::finished).wait(3000);
}
} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void wordOrderPacking();
    void addressAndValueErrors();
    void remoteEditSwitches();
    void resetCommands();
    void zeroCaptureTareAndSensors();
    void tcpRoundTripAndFaults();
};

void TestSimulator::wordOrderPacking()
{
    InstrumentModel m(Kind::Digital, 0);
    QCOMPARE(m.value32(Reg::FullScale), 1000000u);
    QCOMPARE(m.reg(Reg::FullScale), quint16(0x000F));
    QCOMPARE(m.reg(Reg::FullScale + 1), quint16(0x4240));

    m.setWordOrder(1); // the stored value is re-packed, not changed
    QCOMPARE(m.reg(Reg::FullScale), quint16(0x4240));
    QCOMPARE(m.reg(Reg::FullScale + 1), quint16(0x000F));
    QCOMPARE(m.value32(Reg::FullScale), 1000000u);

    QCOMPARE(m.writeHolding(Reg::Capacity, split32(123456, 1)), 0);
    QCOMPARE(m.value32(Reg::Capacity), 123456u);
    QVector<quint16> regs;
    QCOMPARE(m.readHolding(Reg::Capacity, 2, &regs), 0);
    QCOMPARE(regs, split32(123456, 1));

    // the sensor block and the version stay high half first in CD-AB
    QCOMPARE(m.reg(Reg::ModuleCount), quint16(0));
    QCOMPARE(m.reg(Reg::ModuleCount + 1), quint16(4));
    QCOMPARE(m.reg(Reg::Version), quint16(0));
    QCOMPARE(m.reg(Reg::Version + 1), quint16(20105));
    QCOMPARE(m.writeHolding(Reg::AngleDiff, {0x0001, 0x86A1}), 0);
    QCOMPARE(m.value32(Reg::AngleDiff), 100001u);

    // a float in CD-AB: low half first
    m.setLiveLoad(0.1234);
    QCOMPARE(m.readHolding(Reg::GrossFloat, 2, &regs), 0);
    const quint32 bits = quint32(regs[1]) << 16 | regs[0];
    float gross;
    memcpy(&gross, &bits, sizeof gross);
    QCOMPARE(gross, 1234.0f);
    QCOMPARE(weightRaw(m), 123400);
}

void TestSimulator::addressAndValueErrors()
{
    InstrumentModel m;
    QVector<quint16> regs;
    QCOMPARE(m.readHolding(0, 38, &regs), 0);
    QCOMPARE(m.readHolding(30, 10, &regs), 2); // runs past 37
    QCOMPARE(m.readHolding(38, 1, &regs), 2);
    QCOMPARE(m.readHolding(10120, 10, &regs), 2); // runs past 10127
    QCOMPARE(m.readHolding(10004, 25, &regs), 0);
    QCOMPARE(QChar(regs[0]), QChar('Z'));
    QCOMPARE(m.readHolding(0, 126, &regs), 3);

    QCOMPARE(m.writeHolding(Reg::Weight, {0, 1}), 2);  // live block
    QCOMPARE(m.writeHolding(Reg::Version, {0, 1}), 2); // system info
    QCOMPARE(m.writeHolding(136, {0, 1, 0, 1}), 2);    // runs past 137
    QCOMPARE(m.writeHolding(200, {0, 1}), 2);          // reserved zero
    QCOMPARE(m.writeHolding(8900, {5}), 0);
    QCOMPARE(m.reg(8900), quint16(5));
    QCOMPARE(m.writeHolding(Reg::Unit, {0, 6}), 3);
    QCOMPARE(m.writeHolding(Reg::Decimals, {0, 5}), 3);
    QCOMPARE(m.value32(Reg::Decimals), 2u);

    QCOMPARE(m.readCoils(0, 1, &regs), 2);
    QCOMPARE(m.readCoils(Coil::CalibrationEdit, 3, &regs), 2);
    QCOMPARE(m.readCoils(Coil::CalibrationEdit, 2, &regs), 0);
    QCOMPARE(regs, (QVector<quint16>{1, 1}));
}

void TestSimulator::remoteEditSwitches()
{
    InstrumentModel m;
    QCOMPARE(m.writeHolding(Reg::CalibrationEdit, {0}), 0);
    QCOMPARE(m.reg(Reg::CalibrationEditMirror), quint16(0));
    QVERIFY(!m.coil(Coil::CalibrationEdit));
    QVERIFY(m.coil(Coil::ApplicationEdit));

    QCOMPARE(m.writeHolding(Reg::Unit, {0, 3}), 4);
    QCOMPARE(m.value32(Reg::Unit), 1u);
    QVERIFY(m.value32(Reg::ErrorBits) & Error::CalibrationLocked);
    QCOMPARE(m.writeHolding(Reg::ZeroRange, {0, 7}), 0); // other switch still on

    QCOMPARE(m.writeHolding(Reg::ApplicationEdit, {0}), 0);
    QCOMPARE(m.writeHolding(Reg::ZeroRange, {0, 8}), 4);
    QCOMPARE(m.writeHolding(Reg::AnalogOutput, {0, 1}), 4);
    QCOMPARE(m.reg(Reg::ApplicationEditMirror), quint16(0));
    QCOMPARE(m.writeHolding(Reg::CalibrationEdit, {1, 1}), 0);
    QCOMPARE(m.writeHolding(Reg::Unit, {0, 3}), 0);
    QCOMPARE(m.writeHolding(Reg::CalibrationEdit, {2}), 3);
}

void TestSimulator::resetCommands()
{
    InstrumentModel m;
    QCOMPARE(m.writeHolding(Reg::Unit, {0, 3}), 0);
    QCOMPARE(m.writeHolding(Reg::ZeroRange, {0, 7}), 0);
    QCOMPARE(m.writeHolding(Reg::ResetCalibration, {0, 1}), 0);
    QCOMPARE(m.value32(Reg::Unit), 1u);
    QCOMPARE(m.value32(Reg::ZeroRange), 7u);
    QCOMPARE(m.reg(Reg::ResetCalibration + 1), quint16(0)); // commands read 0
    QCOMPARE(m.writeHolding(Reg::ResetApplication, {0, 1}), 0);
    QCOMPARE(m.value32(Reg::ZeroRange), 20u);

    QCOMPARE(m.writeHolding(Reg::Backlight, {0, 0}), 0);
    QCOMPARE(m.writeHolding(Reg::CalibrationEdit, {0}), 0);
    QCOMPARE(m.writeHolding(Reg::ResetAll, {0, 0}), 0); // zero: no action
    QCOMPARE(m.value32(Reg::Backlight), 0u);
    QCOMPARE(m.writeHolding(Reg::ResetAll, {0, 1}), 0);
    QCOMPARE(m.value32(Reg::Backlight), 1u);
    QVERIFY(m.coil(Coil::CalibrationEdit));
}

void TestSimulator::zeroCaptureTareAndSensors()
{
    InstrumentModel m(Kind::Digital);
    m.setLiveLoad(0.3);
    QCOMPARE(weightRaw(m), 300000);
    const quint32 zeroBefore = m.value32(Reg::ManualZero);
    QCOMPARE(m.writeHolding(Reg::ZeroCapture, {0, 1}), 0);
    QCOMPARE(weightRaw(m), 0);
    QVERIFY(m.reg(Reg::Status) & Status::AtZero);
    QVERIFY(m.value32(Reg::ManualZero) > zeroBefore);

    m.setTareRaw(1000);
    QVERIFY(m.coil(Coil::NetState));
    QCOMPARE(weightRaw(m), -1000);
    m.setLiveLoad(1.5);
    QCOMPARE(weightRaw(m), 9999999);
    QVERIFY(m.reg(Reg::Status) & Status::Overflow);

    // while a load ramps on the weight is not stable: the capture is refused
    InstrumentModel moving;
    moving.tick(8500);
    QVERIFY(!(moving.reg(Reg::Status) & Status::Stable));
    QCOMPARE(moving.writeHolding(Reg::ZeroCapture, {0, 1}), 0);
    QVERIFY(moving.value32(Reg::ErrorBits) & Error::ZeroCalUnstable);

    QCOMPARE(m.writeHolding(Reg::ModuleCount, {0, 0}), 0);
    QCOMPARE(m.writeHolding(Reg::SensorSearch, {0, 1}), 0);
    QCOMPARE(m.value32(Reg::ModuleCount), 4u);
    QCOMPARE(m.value32(Reg::SensorAddress + 6), 4u);
    QCOMPARE(m.value32(Reg::SensorAddress + 8), 0u);
    QVERIFY(m.value32(Reg::SensorAd + 6) > 0);
    QCOMPARE(m.value32(Reg::SensorAd + 8), 0u);
    QCOMPARE(m.writeHolding(Reg::CornerFix, {0, 1}), 0);
    const quint32 fixed = m.value32(Reg::AngleDiff);
    QVERIFY(fixed >= 99850 && fixed <= 100150);
    QCOMPARE(m.writeHolding(Reg::CornerFix, {0, 1}), 0);
    QCOMPARE(m.value32(Reg::AngleDiff), fixed);
}

void TestSimulator::tcpRoundTripAndFaults()
{
    SimHost host;
    QVERIFY2(host.startTcp(), qPrintable(host.errorString()));
    QModbusTcpClient client;
    client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, "127.0.0.1");
    client.setConnectionParameter(QModbusDevice::NetworkPortParameter, host.port());
    client.setTimeout(300);
    client.setNumberOfRetries(0);
    QVERIFY(client.connectDevice());
    QTRY_COMPARE(client.state(), QModbusDevice::ConnectedState);

    QScopedPointer<QModbusReply> reply(
        client.sendReadRequest(QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 0, 38), 1));
    QVERIFY(waitFinished(reply.data()));
    QCOMPARE(reply->error(), QModbusDevice::NoError);
    QCOMPARE(reply->result().valueCount(), 38u);

    QModbusDataUnit write(QModbusDataUnit::HoldingRegisters, Reg::ZeroRange, 2);
    write.setValues({0, 33});
    reply.reset(client.sendWriteRequest(write, 1));
    QVERIFY(waitFinished(reply.data()));
    QCOMPARE(reply->error(), QModbusDevice::NoError);
    QCOMPARE(host.model().value32(Reg::ZeroRange), 33u);
    QCOMPARE(host.requestLog().last().values, (QVector<quint16>{0, 33}));

    reply.reset(
        client.sendReadRequest(QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 38, 1), 1));
    QVERIFY(waitFinished(reply.data()));
    QCOMPARE(reply->error(), QModbusDevice::ProtocolError);
    // The exception code is the reply's one data byte. QModbusPdu keeps the function code
    // with the exception bit in an enum that cannot hold it, so its accessors are not used.
    const QByteArray exception = reply->rawResult().data();
    QCOMPARE(exception.size(), 1);
    QCOMPARE(quint8(exception.at(0)), quint8(QModbusPdu::IllegalDataAddress));

    FaultOptions faults;
    faults.dropRate = 1.0;
    host.setFaults(faults);
    reply.reset(
        client.sendReadRequest(QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 0, 2), 1));
    QVERIFY(waitFinished(reply.data()));
    QCOMPARE(reply->error(), QModbusDevice::TimeoutError);
    QVERIFY(host.requestLog().last().dropped);

    // A cut answer: the header announces the whole frame, its end never comes.
    faults = FaultOptions();
    faults.cutRate = 1.0;
    host.setFaults(faults);
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, quint16(host.port()));
    QVERIFY(raw.waitForConnected(3000));
    raw.write(QByteArray::fromHex("00070000000601030000000a")); // registers 0-9 of unit 1
    QByteArray answer;
    QTRY_VERIFY((answer += raw.readAll()).size() >= 9 + 20 - CutFrameBytes);
    QTest::qWait(200);
    answer += raw.readAll();
    QCOMPARE(answer.size(), 9 + 20 - CutFrameBytes);
    QCOMPARE(quint8(answer[5]), quint8(3 + 20)); // the length still counts the whole PDU
    QVERIFY(host.requestLog().last().cut);
    raw.abort();

    faults = FaultOptions();
    faults.closeAfter = 1;
    host.setFaults(faults);
    reply.reset(
        client.sendReadRequest(QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 0, 2), 1));
    QVERIFY(waitFinished(reply.data()));
    QCOMPARE(reply->error(), QModbusDevice::NoError); // answered, then cut
    QTRY_COMPARE(client.state(), QModbusDevice::UnconnectedState);
    QVERIFY(client.connectDevice()); // the simulator keeps listening
    QTRY_COMPARE(client.state(), QModbusDevice::ConnectedState);
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
