// The simulator's RS-485 bus: several instruments on one line, frames at
// another framing unanswered, answers paced by their time on the wire.
#include "linkfixture.h"
#include "modbusconnection.h"
#include "rtubus.h"
#include "simhost.h"
#include "wiretime.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using sim::SimHost;

namespace {

QByteArray withCrc(QByteArray frame)
{
    const quint16 crc = sim::RtuCrc(frame);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

// Read holding registers: slave, 3, start, count.
QByteArray readFrame(int slave, int start, int count)
{
    const char raw[] = {
        char(slave), 3, char(start >> 8), char(start & 0xFF), char(count >> 8), char(count & 0xFF)};
    return withCrc(QByteArray(raw, sizeof raw));
}

// The bytes of an answer to readFrame: header, values, CRC.
constexpr int readAnswerBytes(int count)
{
    return 5 + 2 * count;
}

// The program's end of a line: a plain serial port at one framing.
class ProgramEnd
{
public:
    bool open(const QString &device, int baud, int parity, int stopBits)
    {
        m_port.setPortName(device);
        m_port.setBaudRate(baud);
        m_port.setParity(QSerialPort::Parity(parity));
        m_port.setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
        return m_port.open(QIODevice::ReadWrite);
    }
    // Sends the bytes (in pieces, when given) and collects the answer of
    // `expect` bytes, or what came within waitMs. *elapsedUs: until it was in.
    QByteArray exchange(const QList<QByteArray> &pieces, int expect, int waitMs,
                        qint64 *elapsedUs = nullptr)
    {
        m_port.readAll();
        QElapsedTimer clock;
        clock.start();
        for (const QByteArray &piece : pieces) {
            m_port.write(piece);
            m_port.flush();
        }
        QByteArray answer;
        // A short answer or none at all is the caller's to judge.
        static_cast<void>(QTest::qWaitFor(
            [&] {
                answer += m_port.readAll();
                return answer.size() >= expect;
            },
            waitMs));
        if (elapsedUs)
            *elapsedUs = clock.nsecsElapsed() / 1000;
        return answer;
    }
    void close() { m_port.close(); }

private:
    QSerialPort m_port;
};

QString serialOf(const QByteArray &answer)
{
    QString serial;
    for (int i = 0; i < 25; ++i)
        serial += QChar(quint8(answer.at(3 + 2 * i + 1)));
    return serial;
}

} // namespace

class TestSimBus : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString link() const { return m_dir.filePath(QStringLiteral("line")); }

private slots:
    void instrumentsShareOneLineAndOthersStaySilent()
    {
        SimHost sim;
        QVERIFY(sim.startBus(link(), true, {3, 47, 99}, {19200, 2, 8, 1}, {}));
        ProgramEnd end;
        QVERIFY(end.open(link(), 19200, 2, 1));
        QStringList serials;
        for (int id : {3, 47, 99}) {
            const QByteArray answer =
                end.exchange({readFrame(id, 10004, 25)}, readAnswerBytes(25), 2000);
            QCOMPARE(answer.size(), readAnswerBytes(25));
            QCOMPARE(int(quint8(answer.at(0))), id);
            QCOMPARE(withCrc(answer.left(answer.size() - 2)), answer);
            serials.append(serialOf(answer));
            QVERIFY2(serials.last().mid(16, 3) == QString::number(id).rightJustified(3, '0'),
                     qPrintable(serials.last()));
        }
        QCOMPARE(serials.removeDuplicates(), 0);

        // Each instrument keeps its own registers: a write to one leaves the others.
        sim.model(47)->setReg(8900, 0);
        sim.model(3)->setReg(8900, 0);
        sim.model(47)->setReg(8900, 4711);
        QCOMPARE(sim.model(3)->reg(8900), quint16(0));

        // Ids nobody has and a frame whose CRC does not check go unanswered; the
        // line still answers the next good frame with its own answer.
        for (const QByteArray &silent : {readFrame(5, 10000, 2), readFrame(100, 10000, 2),
                                         readFrame(47, 10000, 2).left(7) + char(0x55)}) {
            QVERIFY(end.exchange({silent}, 1, 150).isEmpty());
        }
        QVERIFY(sim.noiseFrames() >= 1);
        const QByteArray answer = end.exchange({readFrame(99, 10000, 2)}, readAnswerBytes(2), 2000);
        QCOMPARE(answer.size(), readAnswerBytes(2));
        QCOMPARE(int(quint8(answer.at(0))), 99);

        // A frame that arrives in pieces is still one frame.
        const QByteArray frame = readFrame(3, 10000, 2);
        QCOMPARE(end.exchange({frame.left(3), frame.mid(3)}, readAnswerBytes(2), 2000).size(),
                 readAnswerBytes(2));

        // A broadcast write reaches every instrument and is answered by none.
        const char raw[] = {0, 6, char(8900 >> 8), char(8900 & 0xFF), 0, 42};
        QVERIFY(end.exchange({withCrc(QByteArray(raw, sizeof raw))}, 1, 150).isEmpty());
        for (int id : {3, 47, 99})
            QTRY_COMPARE(sim.model(id)->reg(8900), quint16(42));
        QVector<int> logged;
        for (const sim::LoggedRequest &r : sim.requestLog())
            logged.append(r.slave);
        QVERIFY(!logged.contains(5) && !logged.contains(100));
    }

    // What the program's end is set to against what the instruments listen at:
    // over a pty the baud rate, the stop bits and even or odd parity show; no
    // parity reads like odd (see the README).
    void anotherFramingIsNoise_data()
    {
        QTest::addColumn<int>("listenParity");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<bool>("answered");
        QTest::newRow("8E1 at 8E1") << 2 << 19200 << 2 << 1 << true;
        QTest::newRow("8E1 at 8N1") << 2 << 19200 << 0 << 1 << false;
        QTest::newRow("8E1 at 8O1") << 2 << 19200 << 3 << 1 << false;
        QTest::newRow("8E1 at 9600") << 2 << 9600 << 2 << 1 << false;
        QTest::newRow("8E1 at 38400") << 2 << 38400 << 2 << 1 << false;
        QTest::newRow("8E1 at 8E2") << 2 << 19200 << 2 << 2 << false;
        QTest::newRow("8O1 at 8O1") << 3 << 19200 << 3 << 1 << true;
        QTest::newRow("8O1 at 8E1") << 3 << 19200 << 2 << 1 << false;
        QTest::newRow("8O1 at 8N1") << 3 << 19200 << 0 << 1 << false;
        QTest::newRow("8N1 at 8N1") << 0 << 19200 << 0 << 1 << true;
        QTest::newRow("8N1 at 8E1") << 0 << 19200 << 2 << 1 << false;
        QTest::newRow("8N1 at 115200") << 0 << 115200 << 0 << 1 << false;
    }
    void anotherFramingIsNoise()
    {
        QFETCH(int, listenParity);
        QFETCH(int, baud);
        QFETCH(int, parity);
        QFETCH(int, stopBits);
        QFETCH(bool, answered);
        SimHost sim;
        QVERIFY(sim.startBus(link(), true, {1}, {19200, listenParity, 8, 1}, {}));
        {
            ProgramEnd end;
            QVERIFY(end.open(link(), baud, parity, stopBits));
            const QByteArray answer =
                end.exchange({readFrame(1, 10000, 2)}, readAnswerBytes(2), answered ? 2000 : 200);
            QCOMPARE(answer.size(), answered ? readAnswerBytes(2) : 0);
            QCOMPARE(sim.noiseFrames(), answered ? 0 : 1);
        }
        // Closed and opened again at the instruments' framing, the line answers.
        ProgramEnd end;
        QVERIFY(end.open(link(), 19200, listenParity, 1));
        QCOMPARE(end.exchange({readFrame(1, 10000, 2)}, readAnswerBytes(2), 2000).size(),
                 readAnswerBytes(2));
    }

    // A pty drops the parity bit; a change of settings that asked for nothing
    // else is refused as an invalid argument. The program's link still opens
    // at either parity, whatever the line was left at.
    void theProgramOpensAPtyAtAnyParity_data()
    {
        QTest::addColumn<int>("parity");
        QTest::addColumn<bool>("oddBitBefore");
        QTest::newRow("even, odd bit clear") << 2 << false;
        QTest::newRow("odd, odd bit set") << 3 << true;
    }
    void theProgramOpensAPtyAtAnyParity()
    {
        QFETCH(int, parity);
        QFETCH(bool, oddBitBefore);
        int master = -1;
        int slave = -1;
        char name[128] = {};
        QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
        termios t{};
        QCOMPARE(tcgetattr(slave, &t), 0);
        cfmakeraw(&t);
        t.c_iflag |= IGNPAR;
        t.c_cflag = (t.c_cflag & ~PARODD) | (oddBitBefore ? PARODD : 0) | CLOCAL | CREAD;
        cfsetspeed(&t, B9600);
        QCOMPARE(tcsetattr(slave, TCSANOW, &t), 0);
        ::close(slave);
        {
            // The state that a plain port refuses.
            QSerialPort plain(QString::fromLocal8Bit(name));
            plain.setBaudRate(9600);
            plain.setParity(QSerialPort::Parity(parity));
            QVERIFY(!plain.open(QIODevice::ReadWrite));
        }
        LinkSettings s;
        s.connectType = 0;
        s.SerialNum = QString::fromLocal8Bit(name);
        s.baud = 9600;
        s.parity = parity;
        ModbusConnection link(s);
        QSignalSpy opened(&link, &ModbusConnection::opened);
        link.open(2000);
        QVERIFY(!opened.isEmpty() || opened.wait(3000));
        QCOMPARE(opened.first().first().toBool(), true);
        link.close();
        ::close(master);
    }

    // A program killed while it had the line open never puts the settings it
    // found back; the next one must still be heard at its own framing only.
    void aKilledProgramsSettingsDoNotStay()
    {
        SimHost sim;
        QVERIFY(sim.startBus(link(), true, {1}, {19200, 2, 8, 1}, {}));
        const int fd = ::open(QFile::encodeName(link()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        termios t{};
        QCOMPARE(tcgetattr(fd, &t), 0);
        cfsetspeed(&t, B19200);
        t.c_cflag = (t.c_cflag & ~PARODD) | PARENB;
        QCOMPARE(tcsetattr(fd, TCSANOW, &t), 0);
        const int resets = sim.idleResets();
        ::close(fd);
        QTRY_COMPARE(sim.idleResets(), resets + 1);
        for (int parity : {0, 3, 2}) {
            ProgramEnd end;
            QVERIFY(end.open(link(), 19200, parity, 1));
            const bool heard = parity == 2;
            QCOMPARE(end.exchange({readFrame(1, 10000, 2)}, readAnswerBytes(2), heard ? 2000 : 200)
                         .size(),
                     heard ? readAnswerBytes(2) : 0);
        }
    }

    // Paced, an answer is never in before its request and itself crossed the
    // wire with the gap and the turnaround between; over a pty made by the
    // simulator and over a socat pair alike.
    void answersArePacedByTheWire_data()
    {
        QTest::addColumn<bool>("pty");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("turnaroundMs");
        QTest::addColumn<int>("count");
        QTest::newRow("pty 9600 8N1") << true << 9600 << 0 << 5 << 29;
        QTest::newRow("pty 38400 8E1") << true << 38400 << 2 << 5 << 2;
        QTest::newRow("socat 19200 8O1") << false << 19200 << 3 << 20 << 29;
    }
    void answersArePacedByTheWire()
    {
        QFETCH(bool, pty);
        QFETCH(int, baud);
        QFETCH(int, parity);
        QFETCH(int, turnaroundMs);
        QFETCH(int, count);
        BusEnds ends(m_dir.path(), pty);
        if (!ends.start())
            QSKIP("socat is not installed or did not start");
        const QString programEnd = ends.programEnd();
        const QString simEnd = ends.simulatorEnd();
        SimHost sim;
        sim::BusTiming timing;
        timing.pace = true;
        timing.turnaroundMs = turnaroundMs;
        QVERIFY(sim.startBus(simEnd, pty, {1}, {baud, parity, 8, 1}, timing));
        ProgramEnd end;
        QVERIFY(end.open(programEnd, baud, parity, 1));
        const qint64 floorUs = WireMicroseconds(8 + readAnswerBytes(count), baud, 8, parity, 1) +
                               FrameGapMicroseconds(baud, 8, parity, 1) + 1000LL * turnaroundMs;
        for (int round = 0; round < 3; ++round) {
            qint64 elapsedUs = 0;
            const QByteArray answer = end.exchange({readFrame(1, 10000, count)},
                                                   readAnswerBytes(count), 3000, &elapsedUs);
            QCOMPARE(answer.size(), readAnswerBytes(count));
            QVERIFY2(elapsedUs >= floorUs,
                     qPrintable(QStringLiteral("%1 us < %2 us").arg(elapsedUs).arg(floorUs)));
        }
    }

    void anAnswerDueOnAClosedEndIsNotLeftInTheLine()
    {
        SimHost sim;
        sim::BusTiming timing;
        timing.pace = true;
        timing.turnaroundMs = 200;
        QVERIFY(sim.startBus(link(), true, {1}, {9600, 0, 8, 1}, timing));
        {
            ProgramEnd end;
            QVERIFY(end.open(link(), 9600, 0, 1));
            QVERIFY(end.exchange({readFrame(1, 10000, 2)}, 1, 20).isEmpty());
            end.close();
        }
        QTRY_COMPARE_WITH_TIMEOUT(sim.unheardAnswers(), 1, 3000);
        ProgramEnd end;
        QVERIFY(end.open(link(), 9600, 0, 1));
        // Only this request's answer arrives, not the earlier one before it.
        const QByteArray answer = end.exchange({readFrame(1, 10002, 1)}, readAnswerBytes(1), 3000);
        QCOMPARE(answer.size(), readAnswerBytes(1));
        QCOMPARE(answer.mid(1, 2), QByteArray("\x03\x02", 2));
    }
};

QTEST_GUILESS_MAIN(TestSimBus)
#include "tst_simbus.moc"
