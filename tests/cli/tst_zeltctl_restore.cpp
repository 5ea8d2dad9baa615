// What a parameter file may ask of an instrument: rows are identified by the
// parameter catalogue and held to its limits in restore, the dry run, the fleet's
// dry run and the window's import, with the simulator's request log as witness;
// a write lost with the link; link failures that end a run within three
// requests; targets that cannot be used.
#include "exeltowrite.h"
#include "hostilepeer.h"
#include "linkfixture.h"
#include "modbuslink.h"
#include "sheetfixture.h"
#include "simhost.h"
#include "workbook.h"
#include "zeltctlrun.h"

#include <QJsonArray>
#include <QModbusClient>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using sim::SimHost;

using namespace sheet;

namespace {

// The writes of the log that put value into the parameter at address (count 2,
// word order AB-CD, unless the value fits one register).
int writesOf(const QVector<sim::LoggedRequest> &log, int address, quint32 value)
{
    int n = 0;
    for (const sim::LoggedRequest &r : log) {
        if ((r.function != 6 && r.function != 16) || r.address != address)
            continue;
        const quint32 written =
            r.values.size() >= 2 ? quint32(r.values[0]) << 16 | r.values[1] : r.values.value(0);
        n += written == value;
    }
    return n;
}

int writesAt(const QVector<sim::LoggedRequest> &log, int address)
{
    int n = 0;
    for (const sim::LoggedRequest &r : log)
        n += (r.function == 6 || r.function == 16) && r.address == address;
    return n;
}

// Messages Qt itself prints (a warning of QFile's) while it lives.
class QtMessages
{
public:
    QtMessages() { m_previous = qInstallMessageHandler(&QtMessages::take); }
    ~QtMessages() { qInstallMessageHandler(m_previous); }
    QtMessages(const QtMessages &) = delete;
    QtMessages &operator=(const QtMessages &) = delete;
    static QStringList &warnings()
    {
        static QStringList list;
        return list;
    }

private:
    static void take(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            warnings().append(text);
    }
    QtMessageHandler m_previous;
};

// A peer that keeps what is written to it (registers never written read as the
// hostile peer's 3a + 1), so that a restore's reads see its writes.
void keepWrites(hostile::Peer *peer, QHash<int, quint16> *registers)
{
    peer->answerWith = [registers](const QByteArray &request, QByteArray *pdu) {
        const auto word = [&request](int at) {
            return quint16(quint8(request[at]) << 8 | quint8(request[at + 1]));
        };
        const int function = quint8(request[7]);
        const int address = word(8);
        if (function == 6)
            registers->insert(address, word(10));
        if (function == 16) {
            for (int i = 0; i < word(10); ++i)
                registers->insert(address + i, word(13 + 2 * i));
        }
        if (function != 3)
            return false; // echoed as the peer does
        const int count = word(10);
        *pdu = QByteArray(1, char(3)) + char(2 * count);
        for (int i = 0; i < count; ++i) {
            const quint16 v = registers->value(address + i, hostile::registerValue(address + i));
            pdu->append(char(v >> 8)).append(char(v & 0xFF));
        }
        return true;
    };
}

} // namespace

class TstZeltctlRestore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void aRowTheCatalogueDoesNotAllowIsNeverSent_data();
    void aRowTheCatalogueDoesNotAllowIsNeverSent();
    void aRowTheCatalogueAllowsIsWrittenUnderItsLimits_data();
    void aRowTheCatalogueAllowsIsWrittenUnderItsLimits();

    void aWriteLostWithTheLinkIsReadBackAndRetried_data();
    void aWriteLostWithTheLinkIsReadBackAndRetried();
    void linkFailuresEndARunWithinThreeRequests_data();
    void linkFailuresEndARunWithinThreeRequests();
    void anAnswerToNoRequestInFlightDropsTheStream();
    void theStopMessageCountsTheRequestsTheTraceShows();
    void anInstrumentThatRefusesTheFirstReadHasAnswered();

    void targetsThatCannotBeUsedAreUsageErrors_data();
    void targetsThatCannotBeUsedAreUsageErrors();

private:
    QStringList link() const;

    std::unique_ptr<SimHost> m_sim;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstZeltctlRestore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("ZELT_HOME", m_dir->path().toUtf8());
    m_sim = std::make_unique<SimHost>(sim::Kind::Analog, 0);
    QVERIFY(m_sim->startTcp());
}

void TstZeltctlRestore::cleanup()
{
    DisconnectModbus();
    m_sim.reset();
    m_dir.reset();
}

QStringList TstZeltctlRestore::link() const
{
    return {"--tcp", QStringLiteral("127.0.0.1:%1").arg(m_sim->port())};
}

void TstZeltctlRestore::aRowTheCatalogueDoesNotAllowIsNeverSent_data()
{
    // The row of Zero range (register 54) edited: column, new text, new value;
    // what the refusal says; the register and value that must never be written.
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("target");
    QTest::newRow("address moved to another parameter")
        << 1 << "106"
        << "7"
        << "\"Zero range\" is register 54, not 106 (Full scale 1)" << 106;
    QTest::newRow("address of a read-only register")
        << 1 << "10000"
        << "7"
        << "register 10000 is no parameter of this version" << 10000;
    QTest::newRow("address of a shown-only parameter")
        << 1 << "602"
        << "7"
        << "register 602 is never written by an import" << 602;
    QTest::newRow("name of another parameter")
        << 2 << "Full scale 1"
        << "30"
        << "\"Full scale 1\" is register 106, not 54 (Zero range)" << 54;
    QTest::newRow("name no parameter has") << 2 << "Zero span"
                                           << "30"
                                           << "register 54 is Zero range, not \"Zero span\"" << 54;
    QTest::newRow("count changed") << 3 << "1"
                                   << "30"
                                   << "register 54 holds 2 register(s), not 1" << 54;
    QTest::newRow("limits widened") << 4 << "100000"
                                    << "500"
                                    << "value 500 lies outside 0 .. 99" << 54;
}

// A backup edited the way a careless hand or a hostile file would: the row is
// refused and named by restore, its dry run, the fleet's dry run and the
// window's import, and nothing is sent for it.
void TstZeltctlRestore::aRowTheCatalogueDoesNotAllowIsNeverSent()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    QFETCH(int, target);
    sim::InstrumentModel &m = m_sim->model();
    const QString file = m_dir->filePath("edited.xlsx");
    QCOMPARE(zeltctl(link() + QStringList{"backup", file}).status, 0);
    const quint32 before = m.value32(target);
    const int row = rowOf(file, 54);
    QVERIFY(row > 1);
    setCell(file, row, column, text);
    setCell(file, row, 7, value);
    const QString named = QStringLiteral("(register %1, %2) refused: %3")
                              .arg(column == 1 ? text : QStringLiteral("54"),
                                   column == 2 ? text : QStringLiteral("Zero range"), reason);
    const quint32 bad = value.toUInt();

    m_sim->clearLog();
    const Run dry = zeltctl(link() + QStringList{"restore", file, "--dry-run", "--json"});
    QCOMPARE(dry.status, 1);
    QVERIFY2(dry.err.contains(QStringLiteral("row %1 ").arg(row) + named), qPrintable(dry.err));
    QCOMPARE(dry.json().value("changes").toArray(), QJsonArray());
    QCOMPARE(writeCount(m_sim->requestLog()), 0);

    const Run restore = zeltctl(link() + QStringList{"restore", file, "--json"});
    QCOMPARE(restore.status, 1);
    QVERIFY2(restore.err.contains(QStringLiteral("row %1 ").arg(row) + named),
             qPrintable(restore.err));
    QCOMPARE(restore.json().value("refused").toArray(), QJsonArray{row});
    QCOMPARE(writeCount(m_sim->requestLog()), 0);

    const QString hosts = m_dir->filePath("hosts");
    QFile f(hosts);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("127.0.0.1:%1\n").arg(m_sim->port()).toUtf8());
    f.close();
    const Run fleet = zeltctl({"restore", "--hosts", hosts, file, "--dry-run"});
    QCOMPARE(fleet.status, 1);
    QVERIFY2(fleet.err.contains(named), qPrintable(fleet.err));
    QCOMPARE(writeCount(m_sim->requestLog()), 0);

    // The window's import writes every row it may: never this one.
    QVERIFY(connectTcpClient(m_sim->port()));
    ExelToWrite excel;
    QCOMPARE(excel.RunImport(file, gp_ModbusDevice, {}), ExelToWrite::Done);
    QCOMPARE(excel.lastReport().refused, QVector<int>{row});
    QCOMPARE(excel.lastReport().reasons.value(row), reason);
    QVERIFY(writeCount(m_sim->requestLog()) > 90);
    QCOMPARE(writesOf(m_sim->requestLog(), target, bad), 0);
    if (target >= 600)
        QCOMPARE(writesAt(m_sim->requestLog(), target), 0);
    QCOMPARE(m.value32(target), before);
}

void TstZeltctlRestore::aRowTheCatalogueAllowsIsWrittenUnderItsLimits_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("otherLimits"); // the file's limits are reported
    QTest::newRow("Chinese name") << 2 << QStringLiteral("清零范围") << "30" << false;
    QTest::newRow("name in capitals") << 2 << "ZERO RANGE"
                                      << "31" << false;
    QTest::newRow("limits widened, value within the catalogue's") << 4 << "100000"
                                                                  << "32" << true;
    QTest::newRow("limits narrowed, value within the catalogue's") << 4 << "10"
                                                                   << "33" << true;
}

// The catalogue's limits apply, whatever the file states; a file whose limits
// are not the catalogue's is named, row by row, and still restored.
void TstZeltctlRestore::aRowTheCatalogueAllowsIsWrittenUnderItsLimits()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, value);
    QFETCH(bool, otherLimits);
    const QString file = m_dir->filePath("edited.xlsx");
    QCOMPARE(zeltctl(link() + QStringList{"backup", file}).status, 0);
    const int row = rowOf(file, 54);
    setCell(file, row, column, text);
    setCell(file, row, 7, value);
    const QString note = QStringLiteral("row %1 (register 54, %2): the file's limits 0 .. %3 are "
                                        "not this version's 0 .. 99, which apply")
                             .arg(row)
                             .arg(column == 2 ? text : QStringLiteral("Zero range"), text);

    const Run dry = zeltctl(link() + QStringList{"restore", file, "--dry-run", "--json"});
    QCOMPARE(dry.status, 0);
    const QJsonArray changes = dry.json().value("changes").toArray();
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes[0].toObject().value("address").toInt(), 54);
    QCOMPARE(changes[0].toObject().value("file").toObject().value("raw").toInt(), value.toInt());
    QCOMPARE(dry.err.contains(note), otherLimits);

    m_sim->clearLog();
    const Run restore = zeltctl(link() + QStringList{"restore", file});
    QVERIFY2(restore.status == 0, qPrintable(restore.err));
    QCOMPARE(restore.err.contains(note), otherLimits);
    QCOMPARE(restore.err.isEmpty(), !otherLimits);
    QCOMPARE(restore.out.contains(QLatin1String("with limits other than this version's")),
             otherLimits);
    QCOMPARE(writeCount(m_sim->requestLog()), 1);
    QCOMPARE(m_sim->model().value32(54), value.toUInt());
}

void TstZeltctlRestore::aWriteLostWithTheLinkIsReadBackAndRetried_data()
{
    QTest::addColumn<bool>("took");      // the instrument kept the write it did not answer
    QTest::addColumn<bool>("lastWrite"); // the lost write is the run's last
    QTest::addColumn<bool>("closesAgain");
    QTest::addColumn<int>("status");
    QTest::newRow("took, last") << true << true << false << 0;
    QTest::newRow("took, not last") << true << false << false << 0;
    QTest::newRow("lost, last") << false << true << false << 0;
    QTest::newRow("lost, not last") << false << false << false << 0;
    QTest::newRow("closed every time, last") << false << true << true << 3;
    QTest::newRow("closed every time, not last") << false << false << true << 3;
}

// The instrument closes the link at the moment of a write: once the link is up
// again the register is read, and written again only when it does not hold the
// value. The exit status does not depend on where in the run that happens.
void TstZeltctlRestore::aWriteLostWithTheLinkIsReadBackAndRetried()
{
    QFETCH(bool, took);
    QFETCH(bool, lastWrite);
    QFETCH(bool, closesAgain);
    QFETCH(int, status);
    hostile::Peer peer;
    QVERIFY(peer.listen());
    QHash<int, quint16> registers;
    keepWrites(&peer, &registers);
    const QStringList peerLink{"--tcp", QStringLiteral("127.0.0.1:%1").arg(peer.port()),
                               "--timeout", "300"};
    const QString file = m_dir->filePath("lost.xlsx");
    QCOMPARE(zeltctl(peerLink + QStringList{"backup", file}).status, 0);
    setCell(file, rowOf(file, 54), 7, "30");
    if (!lastWrite)
        setCell(file, rowOf(file, 56), 7, "40");

    int writesTo54 = 0;
    bool closing = false; // every request is closed from the lost write on
    const auto plain = peer.answerWith;
    peer.answerWith = [&](const QByteArray &request, QByteArray *pdu) {
        if (closing)
            return false;
        const bool at54 = quint8(request[7]) == 16 && request.mid(8, 2) == QByteArray("\0\x36", 2);
        if (!at54 || writesTo54++ > 0)
            return plain(request, pdu);
        if (took)
            plain(request, pdu);
        closing = closesAgain;
        peer.setAnswer(closesAgain ? hostile::Answer::Close : hostile::Answer::CloseOnce);
        return false;
    };
    const Run run = zeltctl(peerLink + QStringList{"restore", file});
    QCOMPARE(run.status, status);
    if (status == 0) {
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(writesTo54, took ? 1 : 2);
        QCOMPARE(quint32(registers.value(54)) << 16 | registers.value(55), quint32(30));
        if (!lastWrite)
            QCOMPARE(registers.value(57), quint16(40));
    } else {
        QVERIFY2(run.err.contains(QLatin1String(
                     "failed: register 54: link lost during the write, and register 54 could "
                     "not be read after it (link lost)")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QLatin1String("3 requests in a row unanswered")),
                 qPrintable(run.err));
        QCOMPARE(writesTo54, 1);
    }
}

void TstZeltctlRestore::linkFailuresEndARunWithinThreeRequests_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("command");
    const QList<QPair<const char *, hostile::Answer>> faults{
        {"cut", hostile::Answer::CutFrame},
        {"length too big", hostile::Answer::HugeLength},
        {"other transaction id", hostile::Answer::OtherTid}};
    for (const auto &fault : faults) {
        QTest::addRow("%s, backup", fault.first)
            << int(fault.second) << QStringList{"backup", "FILE"};
        QTest::addRow("%s, restore", fault.first)
            << int(fault.second) << QStringList{"restore", "FILE", "--all"};
        QTest::addRow("%s, read", fault.first)
            << int(fault.second) << QStringList{"read", "54", "56", "58", "60", "62", "64", "66"};
    }
}

// A peer that spoils every answer the way only the link sees (a frame cut
// short, a header no instrument sends) is given up after three requests, as a
// silent one is.
void TstZeltctlRestore::linkFailuresEndARunWithinThreeRequests()
{
    QFETCH(int, answer);
    QFETCH(QStringList, command);
    hostile::Peer peer;
    QVERIFY(peer.listen());
    const QStringList peerLink{"--tcp", QStringLiteral("127.0.0.1:%1").arg(peer.port()),
                               "--timeout", "300"};
    const QString file = m_dir->filePath("cut.xlsx");
    QCOMPARE(zeltctl(link() + QStringList{"backup", file}).status, 0);
    const int answered = peer.requests() + 3;
    peer.onRequest = [&peer, answered, answer] {
        if (peer.requests() > answered)
            peer.setAnswer(hostile::Answer(answer));
    };
    command.replaceInStrings("FILE", file);
    const Run run = zeltctl(peerLink + command);
    QCOMPARE(run.status, 3);
    QCOMPARE(peer.requests(), answered + 3);
    QVERIFY2(run.err.contains(QLatin1String("left 3 requests in a row unanswered")),
             qPrintable(run.err));
}

// An answer under a transaction id never asked ends the request waiting now as
// a stream out of step (not a timeout), and the stream is opened afresh; the
// next request is answered on it.
void TstZeltctlRestore::anAnswerToNoRequestInFlightDropsTheStream()
{
    hostile::Peer peer;
    QVERIFY(peer.listen());
    QVERIFY(connectTcpClient(peer.port()));
    gp_ModbusDevice->setTimeout(3000);
    ModbusConnection *link = ProgramLink();
    LinkSettings request;
    request.startAddress = 54;
    request.count = 2;
    quint16 values[2] = {};
    peer.setAnswer(hostile::Answer::OtherTid);
    QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusMalformed);
    QVERIFY(link->lastFailedOnLink());
    const LinkFigures f = link->stats().figures(QDateTime::currentMSecsSinceEpoch());
    QCOMPARE(f.timeouts, quint64(0));
    QCOMPARE(f.reconnectsBy[int(ReconnectReason::OutOfStep)], quint64(1));
    peer.setAnswer(hostile::Answer::Good);
    QCOMPARE(ReadHoldingRegisters(gp_ModbusDevice, request, values), ModbusOk);
    QCOMPARE(values[0], hostile::registerValue(54));
    QCOMPARE(peer.connections(), 2);
}

// Two silent requests, then a link the instrument closes: the stop message
// counts the requests the trace shows, and no request is made for nothing.
void TstZeltctlRestore::theStopMessageCountsTheRequestsTheTraceShows()
{
    hostile::Peer peer;
    QVERIFY(peer.listen());
    const int answered = 4;
    peer.onRequest = [&peer, answered] {
        if (peer.requests() == answered + 1)
            peer.setAnswer(hostile::Answer::Silent);
        if (peer.requests() == answered + 3)
            peer.setAnswer(hostile::Answer::Close);
    };
    const QString file = m_dir->filePath("stop.xlsx");
    const QString trace = m_dir->filePath("trace.txt");
    const Run run = zeltctl({"--tcp", QStringLiteral("127.0.0.1:%1").arg(peer.port()), "--timeout",
                             "300", "--trace", trace, "backup", file});
    QCOMPARE(run.status, 3);
    QCOMPARE(peer.requests(), answered + 3);
    const QRegularExpressionMatch said =
        QRegularExpression(QStringLiteral("left (\\d+) requests in a row unanswered"))
            .match(run.err);
    QVERIFY2(said.hasMatch(), qPrintable(run.err));
    // The link was not opened again once three requests were left unanswered.
    QVERIFY2(!run.err.contains(QLatin1String("could not be opened again")), qPrintable(run.err));
    QFile f(trace);
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    int failedAtEnd = 0;
    for (int i = lines.size() - 1; i >= 0 && !lines[i].contains(QLatin1String("  ok  ")); --i)
        ++failedAtEnd;
    QCOMPARE(lines.size(), answered + 3);
    QCOMPARE(said.captured(1).toInt(), failedAtEnd);
    QCOMPARE(failedAtEnd, 3);
}

// An exception to the very first request is the instrument's answer: it is
// reachable and refused, exit 1, not "does not answer".
void TstZeltctlRestore::anInstrumentThatRefusesTheFirstReadHasAnswered()
{
    hostile::Peer peer;
    QVERIFY(peer.listen());
    peer.refuseReads(0, 20000);
    const Run run = zeltctl({"--tcp", QStringLiteral("127.0.0.1:%1").arg(peer.port()), "--timeout",
                             "300", "read", "54"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QLatin1String("refused the first read")), qPrintable(run.err));
    QVERIFY2(run.err.contains(QLatin1String("illegal data address")), qPrintable(run.err));
    QVERIFY(!run.err.contains(QLatin1String("does not answer")));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(peer.requests(), 1);
}

void TstZeltctlRestore::targetsThatCannotBeUsedAreUsageErrors_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("said");
    // A folder of a file system nothing can be written to, whoever runs the test.
    QTest::newRow("backup into a folder no file can be made in")
        << QStringList{"backup", "/proc/zelt.xlsx"}
        << "/proc: no file can be written in this folder";
    QTest::newRow("fleet backup into such a folder")
        << QStringList{"backup", "--hosts", "HOSTS", "/proc"}
        << "/proc: no file can be written in this folder";
    QTest::newRow("backup into a missing folder")
        << QStringList{"backup", "DIR/none/x.xlsx"} << "DIR/none: no such folder";
    QTest::newRow("restore of a folder")
        << QStringList{"restore", "DIR"} << "DIR: a folder, not a parameter file";
    QTest::newRow("compare of a folder")
        << QStringList{"compare", "DIR"} << "DIR: a folder, not a parameter file";
    QTest::newRow("restore of a missing file")
        << QStringList{"restore", "DIR/none.xlsx"} << "DIR/none.xlsx: no such file";
    QTest::newRow("fleet dry run of a folder")
        << QStringList{"restore", "--hosts", "HOSTS", "DIR", "--dry-run"}
        << "DIR: a folder, not a parameter file";
}

// Every target that cannot be used is one line naming it, exit 2, before any
// request, and Qt prints nothing of its own.
void TstZeltctlRestore::targetsThatCannotBeUsedAreUsageErrors()
{
    QFETCH(QStringList, command);
    QFETCH(QString, said);
    const QString hosts = m_dir->filePath("hosts");
    QFile f(hosts);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("127.0.0.1:%1\n").arg(m_sim->port()).toUtf8());
    f.close();
    command.replaceInStrings("HOSTS", hosts);
    command.replaceInStrings("DIR", m_dir->path());
    said.replace("DIR", m_dir->path());
    const bool fleet = command.contains(QLatin1String("--hosts"));
    QtMessages qt;
    QtMessages::warnings().clear();
    const Run run = zeltctl((fleet ? QStringList() : link()) + command);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(QtMessages::warnings(), QStringList());
    QCOMPARE(m_sim->requestCount(), 0);
}

QTEST_GUILESS_MAIN(TstZeltctlRestore)
#include "tst_zeltctl_restore.moc"
