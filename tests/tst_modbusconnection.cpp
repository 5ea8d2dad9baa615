// The link object per instrument: requests that report by callback, against a
// well-behaved simulator and against peers that refuse, stay silent, hang up
// or are not there; and two links side by side on one event loop.
#include "hostilepeer.h"
#include "modbusconnection.h"
#include "simhost.h"

#include <QDateTime>
#include <QJsonObject>
#include <QModbusReply>
#include <QTcpServer>
#include <QtTest>
#include <memory>

using sim::SimHost;

namespace {

LinkSettings tcpSettings(int port, int wordOrder = 0)
{
    LinkSettings s;
    s.connectType = 1;
    s.EditIP = QStringLiteral("127.0.0.1");
    s.EditPort = QString::number(port);
    s.dwordFormat = wordOrder;
    return s;
}

bool openLink(ModbusConnection &link)
{
    QSignalSpy opened(&link, &ModbusConnection::opened);
    link.open(3000);
    return opened.wait(5000) && opened.first().first().toBool();
}

// The figures' non-zero counters by name, so that a case can say which one
// counter a failure must land in.
QMap<QString, quint64> counters(const LinkFigures &f)
{
    QMap<QString, quint64> out;
    const auto put = [&out](const QString &name, quint64 n) {
        if (n)
            out.insert(name, n);
    };
    put(QStringLiteral("good"), f.good);
    put(QStringLiteral("timeout"), f.timeouts);
    put(QStringLiteral("link lost"), f.noLink);
    for (auto it = f.exceptions.cbegin(); it != f.exceptions.cend(); ++it)
        put(QStringLiteral("exception %1").arg(it.key()), it.value());
    for (int k = 0; k < MalformedKinds; ++k)
        put(QStringLiteral("malformed ") + MalformedKindText(MalformedKind(k)), f.malformedBy[k]);
    for (int r = 0; r < ReconnectReasons; ++r)
        put(QStringLiteral("reconnect ") + ReconnectReasonText(ReconnectReason(r)),
            f.reconnectsBy[r]);
    return out;
}

struct ReadOutcome
{
    bool done = false;
    ModbusResult result = ModbusOk;
    quint32 value = 0;
};

} // namespace

class TstModbusConnection : public QObject
{
    Q_OBJECT

private slots:
    void parametersFollowTheWordOrder_data();
    void parametersFollowTheWordOrder();
    void misbehavingPeers();
    void answersThatDoNotMatchAreFailures_data();
    void answersThatDoNotMatchAreFailures();
    void anAbsentPeerFailsTheOpenWithItsReason();
    void aClosedLinkAnswersFromTheEventLoop();
    void aSilentPeerDoesNotHoldUpAnother();
    void eachRequestEndsAtItsOwnBudget();
    void aSecondAnswerToARetryLeavesTheOtherRequestsTheirOwn();
    void eachFailureLandsInItsOwnCounter_data();
    void eachFailureLandsInItsOwnCounter();
    void theSimulatorsFaultsAreCountedByKind();
    void trafficHoldsWhatWentOverTheWire();
    void responseTimesAndTheLastMinute();
    void theLastMinuteHoldsOnlyItsOwnSeconds();
    void anAnswerInPiecesIsTakenWhenWhole_data();
    void anAnswerInPiecesIsTakenWhenWhole();
    void everyAnswerIsCheckedAgainstItsRequest_data();
    void everyAnswerIsCheckedAgainstItsRequest();
};

void TstModbusConnection::parametersFollowTheWordOrder_data()
{
    QTest::addColumn<int>("order");
    QTest::newRow("AB-CD") << 0;
    QTest::newRow("CD-AB") << 1;
}

void TstModbusConnection::parametersFollowTheWordOrder()
{
    QFETCH(int, order);
    SimHost sim(sim::Kind::Analog, order);
    QVERIFY(sim.startTcp());
    ModbusConnection link(tcpSettings(sim.port(), order));
    QVERIFY(openLink(link));

    bool written = false;
    link.writeParam(106, 2, 0x12345678u, [&](ModbusResult r) {
        QCOMPARE(r, ModbusOk);
        written = true;
    });
    QTRY_VERIFY(written);
    QCOMPARE(sim.model().value32(106), 0x12345678u);
    QCOMPARE(sim.model().reg(106), quint16(order == 0 ? 0x1234 : 0x5678));

    ReadOutcome pair, single, version;
    link.readParam(106, 2, [&](ModbusResult r, quint32 v) { pair = {true, r, v}; });
    link.readParam(9301, 1, [&](ModbusResult r, quint32 v) { single = {true, r, v}; });
    // The version block is high half first whatever the configured order.
    link.readParam(10000, 2, [&](ModbusResult r, quint32 v) { version = {true, r, v}; });
    QTRY_VERIFY(pair.done && single.done && version.done);
    QCOMPARE(pair.value, 0x12345678u);
    QCOMPARE(single.value, quint32(sim.model().reg(9301)));
    QCOMPARE(version.value, (quint32(sim.model().reg(10000)) << 16) | sim.model().reg(10001));

    // A count a parameter never has is refused without traffic.
    sim.clearLog();
    ReadOutcome three;
    link.readParam(106, 3, [&](ModbusResult r, quint32 v) { three = {true, r, v}; });
    QTRY_VERIFY(three.done);
    QCOMPARE(three.result, ModbusProtocolError);
    QVERIFY(sim.requestLog().isEmpty());
}

void TstModbusConnection::misbehavingPeers()
{
    SimHost sim;
    QVERIFY(sim.startTcp());
    ModbusConnection link(tcpSettings(sim.port()));
    link.setResponseTimeout(150);
    QVERIFY(openLink(link));

    // An exception answer is a refusal.
    sim::FaultOptions refusing;
    refusing.exceptionRate = 1.0;
    sim.setFaults(refusing);
    ReadOutcome refused;
    link.readParam(54, 2, [&](ModbusResult r, quint32 v) { refused = {true, r, v}; });
    QTRY_VERIFY(refused.done);
    QCOMPARE(refused.result, ModbusProtocolError);

    // No answer at all is a timeout, once the client's own budget is spent.
    sim::FaultOptions silent;
    silent.dropRate = 1.0;
    sim.setFaults(silent);
    ReadOutcome dropped;
    bool writeDone = false;
    ModbusResult writeResult = ModbusOk;
    link.readParam(54, 2, [&](ModbusResult r, quint32 v) { dropped = {true, r, v}; });
    link.writeParam(54, 2, 5, [&](ModbusResult r) {
        writeDone = true;
        writeResult = r;
    });
    QTRY_VERIFY_WITH_TIMEOUT(dropped.done && writeDone, 5000);
    QCOMPARE(dropped.result, ModbusTimeout);
    QCOMPARE(writeResult, ModbusTimeout);

    // A peer that hangs up after every answer: the first read works, the link is
    // then down and says so.
    sim::FaultOptions hangingUp;
    hangingUp.closeAfter = 1;
    sim.setFaults(hangingUp);
    ReadOutcome first;
    link.readParam(54, 2, [&](ModbusResult r, quint32 v) { first = {true, r, v}; });
    QTRY_VERIFY(first.done);
    QCOMPARE(first.result, ModbusOk);
    QTRY_VERIFY(!link.isOpen());
    ReadOutcome after;
    link.readParam(54, 2, [&](ModbusResult r, quint32 v) { after = {true, r, v}; });
    QTRY_VERIFY(after.done);
    QCOMPARE(after.result, ModbusNoLink);
}

void TstModbusConnection::answersThatDoNotMatchAreFailures_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("connections");
    QTest::newRow("good") << int(hostile::Answer::Good) << int(ModbusOk) << 1;
    QTest::newRow("fewer registers")
        << int(hostile::Answer::FewerRegisters) << int(ModbusMalformed) << 1;
    QTest::newRow("lying byte count")
        << int(hostile::Answer::LyingByteCount) << int(ModbusMalformed) << 1;
    QTest::newRow("byte count one short of the bytes that came")
        << int(hostile::Answer::ByteCountShort) << int(ModbusMalformed) << 1;
    QTest::newRow("byte count one long")
        << int(hostile::Answer::ByteCountLong) << int(ModbusMalformed) << 1;
    QTest::newRow("other function")
        << int(hostile::Answer::OtherFunction) << int(ModbusMalformed) << 1;
    QTest::newRow("other unit") << int(hostile::Answer::OtherUnit) << int(ModbusMalformed) << 1;
    QTest::newRow("stray bytes") << int(hostile::Answer::GarbageOnce) << int(ModbusMalformed) << 2;
    QTest::newRow("length 0xFFFF") << int(hostile::Answer::HugeLength) << int(ModbusMalformed) << 2;
    QTest::newRow("cut frame") << int(hostile::Answer::CutFrame) << int(ModbusMalformed) << 2;
    QTest::newRow("length 0") << int(hostile::Answer::LengthZero) << int(ModbusMalformed) << 2;
    QTest::newRow("length 1, no function")
        << int(hostile::Answer::LengthOne) << int(ModbusMalformed) << 2;
    QTest::newRow("silent") << int(hostile::Answer::Silent) << int(ModbusTimeout) << 1;
}

void TstModbusConnection::answersThatDoNotMatchAreFailures()
{
    QFETCH(int, answer);
    QFETCH(int, expected);
    QFETCH(int, connections);
    hostile::Peer peer;
    QVERIFY(peer.listen());
    peer.setAnswer(hostile::Answer(answer));
    ModbusConnection link(tcpSettings(peer.port()));
    link.setResponseTimeout(200);
    QVERIFY(openLink(link));
    struct Outcome
    {
        bool done = false;
        ModbusResult result = ModbusOk;
        QVector<quint16> values;
    };
    const auto read = [&link](Outcome *o) {
        link.readRegisters(100, 4, [o](ModbusResult r, const QVector<quint16> &v) {
            *o = {true, r, v};
        });
    };
    Outcome first;
    read(&first);
    QCOMPARE(link.requestsInFlight(), 1);
    // Every answer ends within the read's budget, a frame cut short included.
    QTRY_VERIFY_WITH_TIMEOUT(first.done, 3000);
    QCOMPARE(int(first.result), expected);
    // Whatever the end, the request keeps nothing behind (a link lives for hours).
    QTRY_COMPARE(link.requestsInFlight(), 0);
    const QVector<quint16> good{hostile::registerValue(100), hostile::registerValue(101),
                                hostile::registerValue(102), hostile::registerValue(103)};
    QCOMPARE(first.values, first.result == ModbusOk ? good : QVector<quint16>());

    // A stream out of step was dropped and opened again by the client: the
    // link stays up and the next request is answered.
    QVERIFY(!link.outOfStep());
    QVERIFY(link.isOpen());
    peer.setAnswer(hostile::Answer::Good);
    Outcome next;
    read(&next);
    QTRY_VERIFY_WITH_TIMEOUT(next.done, 3000);
    QCOMPARE(next.result, ModbusOk);
    QCOMPARE(next.values, good);
    QCOMPARE(peer.connections(), connections);
}

void TstModbusConnection::anAbsentPeerFailsTheOpenWithItsReason()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    ModbusConnection link(tcpSettings(port));
    QSignalSpy opened(&link, &ModbusConnection::opened);
    link.open(3000);
    QVERIFY(opened.wait(5000));
    QCOMPARE(opened.first().first().toBool(), false);
    QVERIFY2(link.errorString().contains(QLatin1String("refused"), Qt::CaseInsensitive),
             qPrintable(link.errorString()));
    QCOMPARE(opened.size(), 1);
}

void TstModbusConnection::aClosedLinkAnswersFromTheEventLoop()
{
    ModbusConnection link(tcpSettings(1));
    ReadOutcome r;
    bool wrote = false;
    link.readParam(54, 2, [&](ModbusResult result, quint32 v) { r = {true, result, v}; });
    link.writeParam(54, 2, 1, [&](ModbusResult) { wrote = true; });
    QVERIFY(!r.done && !wrote); // never from inside the call
    QTRY_VERIFY(r.done && wrote);
    QCOMPARE(r.result, ModbusNoLink);
}

void TstModbusConnection::aSilentPeerDoesNotHoldUpAnother()
{
    SimHost good, silent;
    QVERIFY(good.startTcp());
    sim::FaultOptions drop;
    drop.dropRate = 1.0;
    QVERIFY(silent.startTcp(drop));
    ModbusConnection a(tcpSettings(good.port())), b(tcpSettings(silent.port()));
    b.setResponseTimeout(2000);
    QVERIFY(openLink(a));
    QVERIFY(openLink(b));

    QStringList order;
    b.readParam(54, 2, [&](ModbusResult r, quint32) {
        QCOMPARE(r, ModbusTimeout);
        order << "silent";
    });
    // Twenty requests one after another on the good link while the silent one waits.
    int left = 20;
    std::function<void()> next = [&] {
        a.readParam(54, 2, [&](ModbusResult r, quint32) {
            QCOMPARE(r, ModbusOk);
            if (--left > 0)
                next();
            else
                order << "good";
        });
    };
    next();
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 2, 10000);
    QCOMPARE(order, (QStringList{"good", "silent"}));
}

// Requests in flight on one link end at their own budgets: one sent later with
// a shorter budget does not wait for the earlier one's.
void TstModbusConnection::eachRequestEndsAtItsOwnBudget()
{
    hostile::Peer peer;
    QVERIFY(peer.listen());
    peer.setAnswer(hostile::Answer::Silent);
    ModbusConnection link(tcpSettings(peer.port()));
    link.setResponseTimeout(20000); // the client's own timing ends neither
    QVERIFY(openLink(link));
    QStringList ended;
    link.sendRead(QModbusDataUnit::HoldingRegisters, 100, 4, 1, 4000,
                  [&](ModbusResult r, const QVector<quint16> &) {
                      QCOMPARE(r, ModbusTimeout);
                      ended << "long";
                  });
    link.sendWrite(QModbusDataUnit::HoldingRegisters, 54, {1}, 1, 100, [&](ModbusResult r) {
        QCOMPARE(r, ModbusTimeout);
        ended << "short";
    });
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 3000);
    QCOMPARE(ended, QStringList{"short"});
    QCOMPARE(link.requestsInFlight(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 2, 8000);
    QCOMPARE(ended, (QStringList{"short", "long"}));
    QCOMPARE(link.requestsInFlight(), 0);
    QVERIFY(link.isOpen());
}

// A slow instrument answers a request and then its retry under the same
// transaction id. The second answer is dropped; the stream stays in step, and
// another request in flight meanwhile gets its own answer.
void TstModbusConnection::aSecondAnswerToARetryLeavesTheOtherRequestsTheirOwn()
{
    hostile::Peer peer;
    QVERIFY(peer.listen());
    QByteArray other;
    int firstCopies = 0;
    peer.script = [&](const QByteArray &request) -> QVector<QByteArray> {
        const int address = (quint8(request[8]) << 8) | quint8(request[9]);
        if (address != 100) {
            other = request; // answered after the first request's two answers
            return {};
        }
        if (++firstCopies == 1)
            return {}; // the first try goes unanswered until its retry comes
        return {hostile::Peer::goodAnswer(request), hostile::Peer::goodAnswer(request),
                hostile::Peer::goodAnswer(other)};
    };
    LinkSettings s = tcpSettings(peer.port());
    s.numberOfRetries = 2;
    ModbusConnection link(s);
    // The other request, sent with the first, is still waiting on its tries
    // when the answers come.
    link.setResponseTimeout(500);
    QVERIFY(openLink(link));
    QMap<int, QPair<ModbusResult, QVector<quint16>>> answers;
    for (int address : {100, 200})
        link.readRegisters(address, 2,
                           [&answers, address](ModbusResult r, const QVector<quint16> &v) {
                               answers.insert(address, {r, v});
                           });
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 5000);
    QCOMPARE(answers.value(100).first, ModbusOk);
    QCOMPARE(answers.value(100).second,
             (QVector<quint16>{hostile::registerValue(100), hostile::registerValue(101)}));
    QCOMPARE(answers.value(200).first, ModbusOk);
    QCOMPARE(answers.value(200).second,
             (QVector<quint16>{hostile::registerValue(200), hostile::registerValue(201)}));
    QCOMPARE(peer.connections(), 1);
}

void TstModbusConnection::eachFailureLandsInItsOwnCounter_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("counted");
    QTest::newRow("good") << int(hostile::Answer::Good) << QStringList{"good"};
    QTest::newRow("silent") << int(hostile::Answer::Silent) << QStringList{"timeout"};
    QTest::newRow("fewer registers")
        << int(hostile::Answer::FewerRegisters) << QStringList{"malformed register count"};
    QTest::newRow("byte count lies")
        << int(hostile::Answer::LyingByteCount) << QStringList{"malformed not decodable"};
    QTest::newRow("other function")
        << int(hostile::Answer::OtherFunction) << QStringList{"malformed function"};
    QTest::newRow("other unit") << int(hostile::Answer::OtherUnit)
                                << QStringList{"malformed unit id"};
    QTest::newRow("cut frame") << int(hostile::Answer::CutFrame)
                               << QStringList{"malformed cut frame", "reconnect out of step"};
    QTest::newRow("stray bytes") << int(hostile::Answer::GarbageOnce)
                                 << QStringList{"malformed not decodable", "reconnect out of step"};
    QTest::newRow("length 0xFFFF")
        << int(hostile::Answer::HugeLength)
        << QStringList{"malformed not decodable", "reconnect out of step"};
    QTest::newRow("length 0") << int(hostile::Answer::LengthZero)
                              << QStringList{"malformed not decodable", "reconnect out of step"};
    QTest::newRow("length 1, no function")
        << int(hostile::Answer::LengthOne)
        << QStringList{"malformed not decodable", "reconnect out of step"};
    QTest::newRow("link closed mid-request")
        << int(hostile::Answer::Close) << QStringList{"link lost", "reconnect closed by the peer"};
}

void TstModbusConnection::eachFailureLandsInItsOwnCounter()
{
    QFETCH(int, answer);
    QFETCH(QStringList, counted);
    hostile::Peer peer;
    QVERIFY(peer.listen());
    peer.setAnswer(hostile::Answer(answer));
    ModbusConnection link(tcpSettings(peer.port()));
    link.setResponseTimeout(200);
    QVERIFY(openLink(link));
    bool done = false;
    link.readRegisters(100, 4, [&](ModbusResult, const QVector<quint16> &) { done = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, 3000);
    const LinkFigures f = link.stats().figures(QDateTime::currentMSecsSinceEpoch());
    QMap<QString, quint64> expected;
    for (const QString &name : counted)
        expected.insert(name, 1);
    QCOMPARE(counters(f), expected);
    QCOMPARE(f.sent, 1u);
    QCOMPARE(f.failed(), counted.contains("good") ? 0u : 1u);
    QCOMPARE(f.samples, counted.contains("good") ? 1 : 0);
    const QVector<TrafficLine> lines = link.stats().trafficSince(0);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0].function, 3);
    QCOMPARE(lines[0].start, 100);
    QCOMPARE(lines[0].count, 4);
    QCOMPARE(lines[0].values.isEmpty(), !counted.contains("good"));
}

// The simulator's own fault switches: a dropped answer is a timeout, an
// exception answer counts under its code, a connection it closes is a
// reconnect closed by the peer.
void TstModbusConnection::theSimulatorsFaultsAreCountedByKind()
{
    SimHost host;
    QVERIFY(host.startTcp());
    ModbusConnection link(tcpSettings(host.port()));
    link.setResponseTimeout(200);
    QVERIFY(openLink(link));
    const auto readOnce = [&link] {
        bool done = false;
        link.readRegisters(54, 2, [&done](ModbusResult, const QVector<quint16> &) { done = true; });
        return QTest::qWaitFor([&done] { return done; }, 3000);
    };
    sim::FaultOptions faults;
    faults.dropRate = 1.0;
    host.setFaults(faults);
    QVERIFY(readOnce());
    faults = sim::FaultOptions();
    faults.exceptionRate = 1.0;
    host.setFaults(faults);
    QVERIFY(readOnce());
    QCOMPARE(link.lastExceptionCode(), 4);
    faults = sim::FaultOptions();
    faults.closeAfter = 1;
    host.setFaults(faults);
    QVERIFY(readOnce());
    QTRY_VERIFY(!link.isOpen());
    const LinkFigures f = link.stats().figures(QDateTime::currentMSecsSinceEpoch());
    QCOMPARE(
        counters(f),
        (QMap<QString, quint64>{
            {"timeout", 1}, {"exception 4", 1}, {"good", 1}, {"reconnect closed by the peer", 1}}));
    QVERIFY(f.text().contains("refused by the instrument 1: 1 4 (device failure)"));
    QCOMPARE(f.json().value("exceptions").toObject().value("4").toInt(), 1);
    link.stats().reset();
    QVERIFY(counters(link.stats().figures(QDateTime::currentMSecsSinceEpoch())).isEmpty());
}

// Each traffic line holds what went over the wire: the registers written as the
// simulator logged them, the registers read as the instrument holds them.
void TstModbusConnection::trafficHoldsWhatWentOverTheWire()
{
    SimHost host;
    QVERIFY(host.startTcp());
    ModbusConnection link(tcpSettings(host.port()));
    QVERIFY(openLink(link));
    int left = 3;
    const auto step = [&left](ModbusResult) { --left; };
    link.writeRegisters(8900, {0x1234}, step);
    link.writeParam(56, 2, 70000, step);
    link.readRegisters(54, 4, [&left](ModbusResult, const QVector<quint16> &) { --left; });
    QTRY_COMPARE(left, 0);
    const QVector<sim::LoggedRequest> log = host.requestLog();
    const QVector<TrafficLine> lines = link.stats().trafficSince(0);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(log.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(lines[i].function, log[i].function);
        QCOMPARE(lines[i].start, log[i].address);
        QCOMPARE(lines[i].count, log[i].count);
        QCOMPARE(lines[i].serial, quint64(i + 1));
        if (lines[i].write)
            QCOMPARE(lines[i].values, log[i].values);
    }
    QVector<quint16> held;
    for (int a = 54; a < 58; ++a)
        held << host.model().reg(a);
    QCOMPARE(lines[2].values, held);
    QCOMPARE(lines[0].function, 6);
    QVERIFY2(TrafficLineText(lines[0]).contains(
                 "write 06  slave 1  start 8900  count 1  0x1234 4660  ok"),
             qPrintable(TrafficLineText(lines[0])));
    QVERIFY(TrafficCsvLine(lines[1]).contains(",write,16,1,56,2,"));
    QCOMPARE(link.stats().trafficSince(2).size(), 1);
}

void TstModbusConnection::responseTimesAndTheLastMinute()
{
    LinkStats stats;
    const qint64 now = 1'800'000'000'000;
    TrafficLine line;
    line.timeMs = now - 5000;
    for (int i = 100; i >= 1; --i) {
        line.responseMs = i;
        stats.record(line);
    }
    LinkFigures f = stats.figures(now);
    QCOMPARE(f.samples, 100);
    QCOMPARE(f.lastMs, 1.0);
    QCOMPARE(f.minMs, 1.0);
    QCOMPARE(f.medianMs, 50.0);
    QCOMPARE(f.p95Ms, 95.0);
    QCOMPARE(f.maxMs, 100.0);
    QCOMPARE(f.goodShareLastMinute, 1.0);

    // Only the last thousand good answers count; failures add no time.
    for (int i = 1; i <= 1000; ++i) {
        line.responseMs = 1000 + i;
        stats.record(line);
    }
    line.result = ModbusTimeout;
    line.responseMs = 5000;
    for (int i = 0; i < 1000; ++i)
        stats.record(line);
    f = stats.figures(now);
    QCOMPARE(f.samples, LinkStats::ResponseWindow);
    QCOMPARE(f.minMs, 1001.0);
    QCOMPARE(f.maxMs, 2000.0);
    QCOMPARE(f.goodShareLastMinute, 1100.0 / 2100.0);
    // A minute later nothing of it is recent; the traffic keeps its last 2000 lines.
    QCOMPARE(stats.figures(now + 61000).goodShareLastMinute, -1.0);
    QCOMPARE(stats.trafficSince(0).size(), LinkStats::TrafficCapacity);
    QCOMPARE(stats.trafficSince(0).first().serial, 101u);
    QCOMPARE(stats.trafficSince(0).last().serial, 2100u);
    stats.setTrafficRecording(false);
    stats.record(line);
    QCOMPARE(stats.trafficSince(2100).size(), 0);
    QCOMPARE(stats.figures(now).sent, 2101u);
}

// The share is driven by the lines' own times: failures, a gap of more than a
// minute, then good answers falling in the same seconds of the minute.
void TstModbusConnection::theLastMinuteHoldsOnlyItsOwnSeconds()
{
    LinkStats stats;
    const qint64 start = 1'800'000'000'000;
    TrafficLine line;
    const auto second = [&](int s, ModbusResult result) {
        line.timeMs = start + 1000 * s + 300;
        line.result = result;
        stats.record(line);
    };
    for (int s = 0; s < 30; ++s)
        second(s, ModbusTimeout);
    QCOMPARE(stats.figures(start + 29'900).goodShareLastMinute, 0.0);
    for (int s = 70; s < 80; ++s)
        second(s, ModbusOk);
    // The last minute at 79.9 s runs from 20 s: ten timeouts and ten good answers.
    QCOMPARE(stats.figures(start + 79'900).goodShareLastMinute, 0.5);
    QCOMPARE(stats.figures(start + 95'000).goodShareLastMinute, 1.0);
    QCOMPARE(stats.figures(start + 140'000).goodShareLastMinute, -1.0);
    QCOMPARE(stats.figures(start + 140'000).sent, 40u);
}

// An answer that reaches the program a few bytes at a time is taken when its
// last byte is in, not before: the value read is exact, no counter but the
// good one moves and the stream stays in step.
void TstModbusConnection::anAnswerInPiecesIsTakenWhenWhole_data()
{
    // A read of four registers is answered with 17 bytes: the 7-byte header,
    // the function, the byte count and eight bytes of values.
    QTest::addColumn<QVector<int>>("cuts");
    QVector<int> everyByte;
    for (int at = 1; at < 17; ++at)
        everyByte << at;
    QTest::newRow("one byte at a time") << everyByte;
    QTest::newRow("header, then the rest") << QVector<int>{7};
    for (int at = 8; at < 17; ++at)
        QTest::addRow("body cut before byte %d", at) << QVector<int>{at};
}

void TstModbusConnection::anAnswerInPiecesIsTakenWhenWhole()
{
    QFETCH(QVector<int>, cuts);
    hostile::Peer peer;
    QVERIFY(peer.listen());
    peer.setPieces(cuts, 5);
    ModbusConnection link(tcpSettings(peer.port()));
    link.setResponseTimeout(3000);
    QVERIFY(openLink(link));
    const QVector<quint16> good{hostile::registerValue(100), hostile::registerValue(101),
                                hostile::registerValue(102), hostile::registerValue(103)};
    for (int n = 1; n <= 2; ++n) {
        bool done = false;
        ModbusResult result = ModbusNoLink;
        QVector<quint16> values;
        link.readRegisters(100, 4, [&](ModbusResult r, const QVector<quint16> &v) {
            done = true;
            result = r;
            values = v;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
        QCOMPARE(result, ModbusOk);
        QCOMPARE(values, good);
        const LinkFigures f = link.stats().figures(QDateTime::currentMSecsSinceEpoch());
        QCOMPARE(counters(f), (QMap<QString, quint64>{{"good", quint64(n)}}));
    }
    QCOMPARE(peer.connections(), 1);
}

// The one gate every answer passes, fed finished replies directly: whatever the
// transport let through, an answer for another start, count or function never
// becomes data, and only an exception answer is the instrument's refusal.
void TstModbusConnection::everyAnswerIsCheckedAgainstItsRequest_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("expected");
    const int none = int(QModbusDevice::NoError);
    const int read = QModbusPdu::ReadHoldingRegisters;
    QTest::newRow("read as asked") << false << read << 100 << 4 << none << int(ModbusOk);
    QTest::newRow("read, other start") << false << read << 101 << 4 << none << int(ModbusMalformed);
    QTest::newRow("read, fewer values")
        << false << read << 100 << 3 << none << int(ModbusMalformed);
    QTest::newRow("read, more values") << false << read << 100 << 5 << none << int(ModbusMalformed);
    QTest::newRow("read, other function")
        << false << int(QModbusPdu::ReadInputRegisters) << 100 << 4 << none << int(ModbusMalformed);
    QTest::newRow("read, exception")
        << false << (read | 0x80) << 100 << 4 << int(QModbusDevice::ProtocolError)
        << int(ModbusProtocolError);
    QTest::newRow("read, not decodable")
        << false << read << 100 << 4 << int(QModbusDevice::UnknownError) << int(ModbusMalformed);
    QTest::newRow("read, timeout")
        << false << read << 100 << 4 << int(QModbusDevice::TimeoutError) << int(ModbusTimeout);
    QTest::newRow("read, aborted")
        << false << read << 100 << 4 << int(QModbusDevice::ReplyAbortedError) << int(ModbusNoLink);
    const int multiple = QModbusPdu::WriteMultipleRegisters;
    QTest::newRow("write as asked") << true << multiple << 100 << 2 << none << int(ModbusOk);
    QTest::newRow("single write as asked")
        << true << int(QModbusPdu::WriteSingleRegister) << 100 << 1 << none << int(ModbusOk);
    QTest::newRow("write, other start")
        << true << multiple << 99 << 2 << none << int(ModbusMalformed);
    QTest::newRow("write answered as a read")
        << true << read << 100 << 2 << none << int(ModbusMalformed);
    QTest::newRow("write, exception")
        << true << (multiple | 0x80) << 100 << 2 << int(QModbusDevice::ProtocolError)
        << int(ModbusProtocolError);
}

void TstModbusConnection::everyAnswerIsCheckedAgainstItsRequest()
{
    QFETCH(bool, write);
    QFETCH(int, function);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(int, error);
    QFETCH(int, expected);
    QModbusReply reply(QModbusReply::Common, 1);
    const bool exception = function & 0x80;
    reply.setRawResult(QModbusResponse(QModbusPdu::FunctionCode(function),
                                       exception ? QByteArray(1, '\x02') : QByteArray()));
    QVector<quint16> answered(count);
    for (int i = 0; i < count; ++i)
        answered[i] = quint16(0x1000 + i);
    reply.setResult(QModbusDataUnit(QModbusDataUnit::HoldingRegisters, start, answered));
    if (error != int(QModbusDevice::NoError))
        reply.setError(QModbusDevice::Error(error), QStringLiteral("test"));
    else
        reply.setFinished(true);

    if (write) {
        QCOMPARE(int(EvaluateWriteReply(reply, 100)), expected);
    } else {
        quint16 values[4] = {7, 7, 7, 7};
        QCOMPARE(int(EvaluateReadReply(reply, QModbusDataUnit::HoldingRegisters, 100, 4, values)),
                 expected);
        const bool taken = expected == int(ModbusOk);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(values[i], taken ? quint16(0x1000 + i) : quint16(7));
    }
    QCOMPARE(ExceptionCodeOf(reply), exception ? 2 : 0);
    QCOMPARE(ModbusResultText(ModbusResult(expected), ExceptionCodeOf(reply)),
             QString::fromLatin1(expected == int(ModbusProtocolError)
                                     ? "refused by the instrument (illegal data address)"
                                 : expected == int(ModbusMalformed) ? "malformed reply"
                                 : expected == int(ModbusTimeout)   ? "no reply (timeout)"
                                 : expected == int(ModbusNoLink)    ? "link lost"
                                                                    : "ok"));
}

QTEST_GUILESS_MAIN(TstModbusConnection)
#include "tst_modbusconnection.moc"
