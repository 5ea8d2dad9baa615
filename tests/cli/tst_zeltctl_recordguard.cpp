// What the service record promises, broken the way a crash, a damaged file or
// a careful forger would break it: zeltctl and zelt-sim as programs, the
// record file edited behind their backs.
#include "entrycolumns.h"
#include "entryhash.h"
#include "recordfixture.h"
#include "servicerecord.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

QProcessEnvironment environmentWith(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZELT_HOME"), home);
    env.remove(QStringLiteral("ZELT_HISTORY_URL"));
    return env;
}

Result run(const QString &home, const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(environmentWith(home));
    p.start(QStringLiteral(ZELTCTL_PATH), args);
    Result r;
    if (!p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class SimChild
{
public:
    bool start(const QString &log, const QStringList &extra = {})
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        m_process.start(QStringLiteral(ZELT_SIM_PATH),
                        QStringList{"--tcp", address(), "--log", log} + extra);
        if (!m_process.waitForStarted(5000))
            return false;
        return QTest::qWaitFor(
            [this] {
                QTcpSocket s;
                s.connectToHost(QHostAddress::LocalHost, quint16(m_port));
                return s.waitForConnected(200);
            },
            10000);
    }
    ~SimChild()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

private:
    QProcess m_process;
    int m_port = 0;
};

// The registers written, from the simulator's request log (function 6 or 16)
// after its first `from` bytes.
QMap<int, int> writesInLog(const QString &log, qint64 from)
{
    QFile f(log);
    QMap<int, int> writes;
    if (!f.open(QIODevice::ReadOnly) || !f.seek(from))
        return writes;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() >= 2 && (parts[0] == "16" || parts[0] == "6"))
            ++writes[parts[1].toInt()];
    }
    return writes;
}

QString historyPath(const QString &home)
{
    return home + QStringLiteral("/History/history.sqlite");
}

} // namespace

class TstZeltctlRecordGuard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void anUnusableRecordSendsNothing_data();
    void anUnusableRecordSendsNothing();
    void anEmptiedRecordIsRefusedUntilReset_data();
    void anEmptiedRecordIsRefusedUntilReset();
    void aFullDiskSendsNothingOrStopsAtOnce_data();
    void aFullDiskSendsNothingOrStopsAtOnce();
    void aHeldLockNamesItsHolder();
    void killedRestoresLeaveAnEntryForEveryWrite();
    void verifyNamesEveryCutAndRebuild_data();
    void verifyNamesEveryCutAndRebuild();
    void aLargeRecordIsExportedInLittleMemory();

private:
    // A record of n entries (seq 1..n) under the home; the head's "SEQ:HASH".
    QString makeRecord(int n);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_home;
};

void TstZeltctlRecordGuard::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_home = m_dir->filePath(QStringLiteral("home"));
    QDir().mkpath(m_home + QStringLiteral("/History"));
}

QString TstZeltctlRecordGuard::makeRecord(int n)
{
    ServiceRecord record;
    QString error;
    if (!record.open(historyPath(m_home), &error))
        return QString();
    const QDateTime base(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
    ServiceEntry last;
    for (int i = 0; i < n; ++i) {
        last = SampleEntry(i, base);
        if (!record.append(last, &error))
            return QString();
    }
    return QStringLiteral("%1:%2").arg(last.seq).arg(last.hash);
}

void TstZeltctlRecordGuard::anUnusableRecordSendsNothing_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("record cut to garbage") << "garbage";
    QTest::newRow("History is a plain file") << "plain file";
}

void TstZeltctlRecordGuard::anUnusableRecordSendsNothing()
{
    QFETCH(QString, damage);
    const QString path = historyPath(m_home);
    if (damage == QLatin1String("garbage")) {
        QVERIFY(!makeRecord(40).isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(0);
        f.write(QByteArray(512, 'x'));
        f.resize(6000);
    } else {
        QDir(m_home + QStringLiteral("/History")).removeRecursively();
        QFile plain(m_home + QStringLiteral("/History"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
    }
    const QString log = m_dir->filePath(QStringLiteral("sim.log"));
    SimChild sim;
    QVERIFY(sim.start(log));
    const QStringList link{"--tcp", sim.address()};
    const QString backup = m_dir->filePath(QStringLiteral("b.xlsx"));
    QCOMPARE(run(m_home, link + QStringList{"backup", backup}).status, 0);
    const qint64 mark = QFileInfo(log).size();

    for (const QStringList &command :
         {QStringList{"write", "EditZeroRange=20"}, QStringList{"restore", backup, "--all"}}) {
        const Result refused = run(m_home, link + command);
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains(QStringLiteral("nothing written")) &&
                     refused.err.contains(QStringLiteral("--no-record")) &&
                     refused.err.contains(m_home + QStringLiteral("/History")),
                 qPrintable(refused.err));
        // A script that asked for JSON is told the kind of the failure there.
        const Result json = run(m_home, link + command + QStringList{"--json"});
        QCOMPARE(json.status, 2);
        QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8())
                     .object()
                     .value("error")
                     .toObject()
                     .value("kind")
                     .toString(),
                 QStringLiteral("record"));
        QCOMPARE(QFileInfo(log).size(), mark);
    }
    const Result chosen =
        run(m_home, link + QStringList{"write", "EditZeroRange=20", "--no-record"});
    QCOMPARE(chosen.status, 0);
    QCOMPARE(writesInLog(log, mark).value(54), 1);
}

void TstZeltctlRecordGuard::anEmptiedRecordIsRefusedUntilReset_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("every row deleted") << "DELETE FROM entries";
    QTest::newRow("entries table dropped") << "DROP TABLE entries";
    QTest::newRow("file truncated to 0 bytes") << "TRUNCATE";
    QTest::newRow("History folder removed, the file beside it too") << "RMDIR";
    QTest::newRow("another record put in its place") << "REPLACE";
}

// A record that lost the entries it had is not started again: every writing
// command refuses it until a new record is made on purpose, which it says.
void TstZeltctlRecordGuard::anEmptiedRecordIsRefusedUntilReset()
{
    QFETCH(QString, damage);
    const QString path = historyPath(m_home);
    const QString log = m_dir->filePath(QStringLiteral("sim.log"));
    SimChild sim;
    QVERIFY(sim.start(log));
    const QStringList link{"--tcp", sim.address()};
    QCOMPARE(run(m_home, link + QStringList{"write", "EditZeroRange=11", "EditSTABRange=7"}).status,
             0);
    if (damage == QLatin1String("TRUNCATE")) {
        QVERIFY(QFile::resize(path, 0));
    } else if (damage == QLatin1String("RMDIR")) {
        QVERIFY(QDir(m_home + QStringLiteral("/History")).removeRecursively());
    } else if (damage == QLatin1String("REPLACE")) {
        const QString other = m_dir->filePath(QStringLiteral("other.sqlite"));
        {
            ServiceRecord record;
            QString error;
            QVERIFY(record.open(other, &error));
            ServiceEntry e = SampleEntry(1, QDateTime::currentDateTimeUtc());
            QVERIFY(record.append(e, &error));
        }
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::copy(other, path));
    } else {
        QString output;
        QVERIFY2(RunSqlite3(path, damage, &output), qPrintable(output));
    }
    const qint64 mark = QFileInfo(log).size();
    const Result refused = run(m_home, link + QStringList{"write", "EditZeroRange=20"});
    QCOMPARE(refused.status, 2);
    QVERIFY2(refused.err.contains(QLatin1String("not the record this computer kept")) &&
                 refused.err.contains(QLatin1String("history reset --confirm")),
             qPrintable(refused.err));
    QCOMPARE(QFileInfo(log).size(), mark);

    const Result reset = run(m_home, {"history", "reset", "--confirm"});
    QVERIFY2(reset.status == 0, qPrintable(reset.err));
    QCOMPARE(run(m_home, link + QStringList{"write", "EditZeroRange=20"}).status, 0);
    QCOMPARE(writesInLog(log, mark).value(54), 1);
    const Result listed = run(m_home, {"history", "--json", "--limit", "0"});
    const QJsonArray entries = QJsonDocument::fromJson(listed.out.toUtf8()).array();
    QVERIFY2(!entries.isEmpty(), qPrintable(listed.out + listed.err));
    const QJsonObject first = entries.last().toObject();
    QCOMPARE(first.value("seq").toInt(), 1);
    QCOMPARE(first.value("source").toString(), QStringLiteral("record reset"));
}

void TstZeltctlRecordGuard::aFullDiskSendsNothingOrStopsAtOnce_data()
{
    // The largest file the program may write (ulimit -f, 512-byte blocks), as
    // a nearly full disk would leave it.
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("status");
    QTest::newRow("restore, no room for its rows' announcement")
        << 80 << QStringList{"restore", "B", "--all"} << 2;
    QTest::newRow("restore, room for the announcement, not the outcomes")
        << 300 << QStringList{"restore", "B", "--all"} << 2;
    QTest::newRow("write without a record, no room at all")
        << 8 << QStringList{"write", "EditZeroRange=20", "--no-record"} << 0;
}

// A restore whose record cannot announce all its rows sends none; one whose
// record fills up later stops at once, every write sent having its entry.
// A file at its size limit is a write error, never the program's end.
void TstZeltctlRecordGuard::aFullDiskSendsNothingOrStopsAtOnce()
{
    QFETCH(int, blocks);
    QFETCH(QStringList, command);
    QFETCH(int, status);
    const QString log = m_dir->filePath(QStringLiteral("sim.log"));
    SimChild sim;
    QVERIFY(sim.start(log));
    const QStringList link{"--tcp", sim.address()};
    const QString backup = m_dir->filePath(QStringLiteral("b.xlsx"));
    QCOMPARE(run(m_home, link + QStringList{"backup", backup}).status, 0);
    command.replaceInStrings(QRegularExpression(QStringLiteral("^B$")), backup);
    const qint64 mark = QFileInfo(log).size();

    QProcess p;
    p.setProcessEnvironment(environmentWith(m_home));
    p.start(QStringLiteral("sh"),
            QStringList{"-c", QStringLiteral("ulimit -f %1; exec \"$0\" \"$@\"").arg(blocks),
                        QStringLiteral(ZELTCTL_PATH)} +
                link + command);
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == status, qPrintable(err));
    const QMap<int, int> sent = writesInLog(log, mark);
    if (status == 0) {
        QCOMPARE(sent.value(54), 1);
        return;
    }
    QVERIFY2(err.contains(QLatin1String("service record")), qPrintable(err));
    if (blocks == 80) {
        QVERIFY2(sent.isEmpty(),
                 qPrintable(QStringLiteral("%1 registers written").arg(sent.size())));
        return;
    }
    // Stopped part way: every register written has its entry (its outcome,
    // or "outcome unknown" from the announcement the next opener resolves).
    QVERIFY(!sent.isEmpty());
    ServiceRecord record;
    QString error;
    QVERIFY2(record.open(historyPath(m_home), &error), qPrintable(error));
    QMap<int, int> recorded;
    for (const ServiceEntry &e : record.fetch(HistoryFilter(), 0, 100000))
        if (e.kind == ServiceEntry::Change)
            ++recorded[e.address];
    for (auto w = sent.cbegin(); w != sent.cend(); ++w)
        QVERIFY2(recorded.value(w.key()) >= w.value(),
                 qPrintable(QStringLiteral("register %1 written, not recorded").arg(w.key())));
    QVERIFY(record.verify().ok);
}

// Another program that keeps the record's write lock: the command waits, then
// names that program and says to close it (not to move the live record).
void TstZeltctlRecordGuard::aHeldLockNamesItsHolder()
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("the sqlite3 tool is not installed (scripts/install-deps installs it)");
    const QString log = m_dir->filePath(QStringLiteral("sim.log"));
    SimChild sim;
    QVERIFY(sim.start(log));
    const QStringList link{"--tcp", sim.address()};
    QCOMPARE(run(m_home, link + QStringList{"write", "EditZeroRange=11"}).status, 0);
    QProcess holder;
    holder.start(QStringLiteral("sqlite3"), {historyPath(m_home)});
    QVERIFY(holder.waitForStarted());
    holder.write("BEGIN IMMEDIATE;\n");
    // Held once another writer is refused at once.
    QTRY_VERIFY_WITH_TIMEOUT(
        !RunSqlite3(historyPath(m_home), QStringLiteral("BEGIN IMMEDIATE; ROLLBACK;")), 10000);
    const qint64 mark = QFileInfo(log).size();

    QProcess p;
    QProcessEnvironment env = environmentWith(m_home);
    env.insert(QStringLiteral("ZELT_RECORD_WAIT_MS"), QStringLiteral("1500"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ZELTCTL_PATH), link + QStringList{"write", "EditZeroRange=20"});
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(err.contains(QStringLiteral("sqlite3 (process %1)").arg(holder.processId())) &&
                 err.contains(QLatin1String("Close the program that holds it")) &&
                 !err.contains(QLatin1String("move the file")),
             qPrintable(err));
    QCOMPARE(QFileInfo(log).size(), mark);

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(run(m_home, link + QStringList{"write", "EditZeroRange=20"}).status, 0);
}

// A program killed at any moment of a restore: every write that reached the
// instrument has its entry, with its outcome or as "outcome unknown".
void TstZeltctlRecordGuard::killedRestoresLeaveAnEntryForEveryWrite()
{
    const QString log = m_dir->filePath(QStringLiteral("sim.log"));
    SimChild sim;
    QVERIFY(sim.start(log, {"--delay-ms", "8"}));
    const QStringList link{"--tcp", sim.address()};
    // Two workbooks that differ, so that a plain restore always has rows to write.
    const QString a = m_dir->filePath(QStringLiteral("a.xlsx"));
    const QString b = m_dir->filePath(QStringLiteral("b.xlsx"));
    QCOMPARE(run(m_home, link + QStringList{"backup", a}).status, 0);
    QCOMPARE(run(m_home, link + QStringList{"write", "EditZeroRange=31", "EditSTABRange=7",
                                            "EditTrZeroRange=3", "EditFullScale=8000",
                                            "EditSendGap_2=12", "EditComID_3=9"})
                 .status,
             0);
    QCOMPARE(run(m_home, link + QStringList{"backup", b}).status, 0);
    const qint64 mark = QFileInfo(log).size();
    // The rounds' entries alone, in a record started anew.
    QCOMPARE(run(m_home, {"history", "reset", "--confirm"}).status, 0);

    QRandomGenerator random(20261208);
#if defined(__SANITIZE_ADDRESS__)
    // The sanitized program runs several times slower: fewer, later kills.
    const int rounds = 6, earliest = 300, latest = 3000;
#else
    const int rounds = 20, earliest = 40, latest = 900;
#endif
    for (int round = 0; round < rounds; ++round) {
        QProcess p;
        p.setProcessEnvironment(environmentWith(m_home));
        const QStringList restore = round % 2 ? QStringList{"restore", round % 4 == 1 ? a : b}
                                              : QStringList{"restore", a, "--all"};
        const qint64 roundMark = QFileInfo(log).size();
        p.start(QStringLiteral(ZELTCTL_PATH), link + restore);
        QVERIFY(p.waitForStarted());
        if (round % 3 == 2) {
            // Killed as a write has just reached the instrument, its answer
            // (8 ms away) not yet in: the moment an outcome cannot be known.
            const int writes = 1 + int(random.bounded(4));
            QElapsedTimer waited;
            waited.start();
            const auto seen = [&] {
                int n = 0;
                for (int count : writesInLog(log, roundMark))
                    n += count;
                return n;
            };
            while (seen() < writes && p.state() == QProcess::Running && waited.elapsed() < 30000)
                QTest::qWait(1);
        } else {
            QTest::qWait(int(random.bounded(earliest, latest)));
        }
        p.kill();
        p.waitForFinished(5000);
    }
    // Whole restores to end with: the second writes the serial ports' rows.
    QCOMPARE(run(m_home, link + QStringList{"restore", a}).status, 0);
    QCOMPARE(run(m_home, link + QStringList{"restore", b}).status, 0);
    const QMap<int, int> sent = writesInLog(log, mark);
    QVERIFY(!sent.isEmpty());

    // Opening the record for writing puts the killed programs' intents in.
    ServiceRecord record;
    QString error;
    QVERIFY(record.open(historyPath(m_home), &error));
    QCOMPARE(record.openIntents(), 0);
    QMap<int, int> recorded;
    int unknown = 0;
    int otherPorts = 0;
    for (const ServiceEntry &e : record.fetch(HistoryFilter(), 0, 100000)) {
        if (e.kind != ServiceEntry::Change)
            continue;
        ++recorded[e.address];
        unknown += e.outcome == ServiceEntry::OutcomeUnknown;
        // A restore of what differs knows the value before of every row, the
        // serial ports' rows (which the mirror does not keep over TCP) included.
        if (e.address >= 300 && e.address < 360 && e.outcome == ServiceEntry::Written &&
            !e.detail.contains(QLatin1String("--all"))) {
            ++otherPorts;
            QVERIFY2(!e.oldShown.isEmpty(), qPrintable(e.paramName));
        }
    }
    QVERIFY(otherPorts > 0);
    for (auto w = sent.cbegin(); w != sent.cend(); ++w)
        QVERIFY2(recorded.value(w.key()) >= w.value(),
                 qPrintable(QStringLiteral("register %1: %2 writes sent, %3 entries")
                                .arg(w.key())
                                .arg(w.value())
                                .arg(recorded.value(w.key()))));
    QVERIFY(unknown > 0);
    QVERIFY(record.verify().ok);
}

void TstZeltctlRecordGuard::verifyNamesEveryCutAndRebuild_data()
{
    QTest::addColumn<QString>("sql"); // done to the record after its head was taken
    QTest::addColumn<QString>("named");
    QTest::newRow("untouched") << ""
                               << "chain intact, 40 entries; entry 40 matches";
    QTest::newRow("last entry removed") << "DELETE FROM entries WHERE seq = 40"
                                        << "tail cut";
    QTest::newRow("last 30 removed") << "DELETE FROM entries WHERE seq > 10"
                                     << "tail cut";
    QTest::newRow("every row removed") << "DELETE FROM entries"
                                       << "no record here";
    QTest::newRow("file emptied") << "EMPTY"
                                  << "no record here";
    QTest::newRow("file removed") << "REMOVE"
                                  << "no record here";
    QTest::newRow("entry 5 forged, chain made again") << "FORGE"
                                                      << "rebuilt";
    QTest::newRow("cut, then written on") << "REGROW"
                                          << "rebuilt";
}

void TstZeltctlRecordGuard::verifyNamesEveryCutAndRebuild()
{
    QFETCH(QString, sql);
    QFETCH(QString, named);
    const QString anchor = makeRecord(40);
    QVERIFY(!anchor.isEmpty());
    const QString path = historyPath(m_home);
    if (sql == QLatin1String("EMPTY")) {
        QFile::resize(path, 0);
    } else if (sql == QLatin1String("REMOVE")) {
        QFile::remove(path);
    } else if (sql == QLatin1String("FORGE") || sql == QLatin1String("REGROW")) {
        ServiceRecord record;
        QString error;
        QVERIFY(record.open(path, &error));
        QVector<ServiceEntry> entries = record.fetch(HistoryFilter(), 0, 100);
        std::reverse(entries.begin(), entries.end());
        record.close();
        if (sql == QLatin1String("FORGE")) {
            // A 20-line script's work: change one entry, hash it and every one after it again.
            entries[4].newShown = QStringLiteral("forged");
            for (int i = 4; i < entries.size(); ++i) {
                entries[i].prevHash = entries[i - 1].hash;
                entries[i].hash = EntryHash(entries[i]);
                QCOMPARE(EditRecordFile(path, QStringLiteral("UPDATE entries SET new_shown = '%1', "
                                                             "prev_hash = '%2', hash = '%3' "
                                                             "WHERE seq = %4")
                                                  .arg(entries[i].newShown, entries[i].prevHash,
                                                       entries[i].hash)
                                                  .arg(entries[i].seq)),
                         1);
            }
        } else {
            QVERIFY(EditRecordFile(path, QStringLiteral("DELETE FROM entries WHERE seq > 20")) > 0);
            // The forger removes the head the program kept beside the file, too.
            QVERIFY(QFile::remove(path + QStringLiteral(".head")));
            QVERIFY(record.open(path, &error));
            for (int i = 0; i < 25; ++i) {
                ServiceEntry e = SampleEntry(i, QDateTime::currentDateTimeUtc());
                QVERIFY(record.append(e, &error));
            }
        }
    } else if (!sql.isEmpty()) {
        QVERIFY(EditRecordFile(path, sql) > 0);
    }
    const bool existed = QFileInfo::exists(path);
    const QByteArray before = existed ? [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }() : QByteArray();

    const Result checked = run(m_home, {"history", "verify", "--against", anchor});
    QVERIFY2((checked.out + checked.err).contains(named), qPrintable(checked.out + checked.err));
    QCOMPARE(checked.status, sql.isEmpty() ? 0 : 1);
    // The check reads only: nothing made, nothing stamped.
    QCOMPARE(QFileInfo::exists(path), existed);
    if (existed) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll() == before);
    }
    if (sql == QLatin1String("REMOVE") || sql == QLatin1String("EMPTY"))
        QCOMPARE(run(m_home, {"history", "verify"}).status, 1);
}

void TstZeltctlRecordGuard::aLargeRecordIsExportedInLittleMemory()
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer keeps freed memory aside, so the memory figure means nothing
    // there: a smaller record checks that the export is whole.
    const int n = 5000;
#else
    const int n = 150000;
#endif
    // One entry as the program makes it, copied by SQLite itself n times.
    {
        ServiceRecord record;
        QString error;
        QVERIFY(record.open(historyPath(m_home), &error));
        ServiceEntry e = SampleEntry(1, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
        e.detail = QString(200, QLatin1Char('d'));
        QVERIFY(record.append(e, &error));
    }
    QString columns = EntryColumns();
    QString copied = columns;
    copied.replace(QStringLiteral("seq, id, time_ms,"),
                   QStringLiteral("n.i + 1, lower(hex(randomblob(16))), time_ms + n.i,"));
    QVERIFY(copied != columns);
    QString output;
    QVERIFY2(RunSqlite3(historyPath(m_home),
                        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                       "FROM n WHERE i < %1) INSERT INTO entries (%2) SELECT %3 "
                                       "FROM n, entries WHERE entries.seq = 1")
                            .arg(n - 1)
                            .arg(columns, copied),
                        &output),
             qPrintable(output));
    // The table too: its widths are taken in a first pass, its lines printed in a second.
    for (const char *format : {"--json", "--jsonl", ""}) {
        QProcess p;
        p.setProcessEnvironment(environmentWith(m_home));
        p.setStandardOutputFile(m_dir->filePath(QStringLiteral("out.json")));
        QStringList args{"history", "--limit", "0"};
        if (*format)
            args << QLatin1String(format);
        p.start(QStringLiteral(ZELTCTL_PATH), args);
        QVERIFY(p.waitForFinished(100000));
        QCOMPARE(p.exitCode(), 0);
        QFile out(m_dir->filePath(QStringLiteral("out.json")));
        QVERIFY(out.open(QIODevice::ReadOnly));
        if (!*format) {
            int lines = 0;
            while (!out.readLine().isEmpty())
                ++lines;
            QCOMPARE(lines, n + 1); // the header and every entry
            continue;
        }
        // About 700 bytes an entry went out; the program held a page of them at a time.
        QVERIFY(out.size() > qint64(n) * 500);
        if (qstrcmp(format, "--json") == 0) {
            out.seek(out.size() - 3);
            QCOMPARE(out.readAll(), QByteArray("}\n]\n").right(3));
        }
    }
#if !defined(__SANITIZE_ADDRESS__)
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    QVERIFY2(children.ru_maxrss < 100 * 1024,
             qPrintable(QStringLiteral("%1 kB").arg(children.ru_maxrss)));
#endif
}

QTEST_GUILESS_MAIN(TstZeltctlRecordGuard)
#include "tst_zeltctl_recordguard.moc"
