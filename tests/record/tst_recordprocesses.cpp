// Several processes on one service record file: the window and zeltctl runs
// appending at once, a process killed in the middle of its appends, and the
// write intents of a process whose id another process now has.
// The suite starts itself as the appending child: tst_recordprocesses --append FILE COUNT
// (COUNT -1: until killed); the child prints "seq id" for each committed entry.
// As tst_recordprocesses --intend FILE it announces one write, prints the
// intent's id and holds the file open until its standard input closes.

#include "recordfixture.h"
#include "servicerecord.h"

#include <QtTest>

#include <csignal>
#include <cstdio>

namespace {

int appendChild(const QString &path, int count)
{
    ServiceRecord record;
    QString error;
    if (!record.open(path, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    for (int i = 0; count < 0 || i < count; ++i) {
        ServiceEntry e;
        e.serial = QStringLiteral("P%1").arg(QCoreApplication::applicationPid());
        e.paramName = QStringLiteral("EditFullScale");
        e.newRaw = QString::number(i);
        e.source = QStringLiteral("zeltctl write EditFullScale=%1").arg(i);
        e.outcome = ServiceEntry::Written;
        if (!record.append(e, &error)) {
            fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        printf("%lld %s\n", e.seq, qPrintable(e.id));
        fflush(stdout);
    }
    return 0;
}

int intendChild(const QString &path)
{
    ServiceRecord record;
    QString error;
    ServiceEntry e;
    e.paramName = QStringLiteral("EditFullScale");
    e.newRaw = QStringLiteral("5000");
    e.source = QStringLiteral("zeltctl write EditFullScale=500.0");
    if (!record.open(path, &error) || !record.intend(e, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    printf("%s\n", qPrintable(e.id));
    fflush(stdout);
    while (getchar() != EOF) {
    }
    return 0;
}

// "seq id" lines, complete ones only.
QMap<qint64, QString> committed(const QByteArray &output)
{
    QMap<qint64, QString> out;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2 && parts[1].size() == 36)
            out.insert(parts[0].toLongLong(), QString::fromLatin1(parts[1]));
    }
    return out;
}

QMap<qint64, QString> stored(ServiceRecord &record)
{
    QMap<qint64, QString> out;
    for (const ServiceEntry &e : record.fetch(HistoryFilter(), 0, 1000000))
        out.insert(e.seq, e.id);
    return out;
}

} // namespace

class TestRecordProcesses : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void twoProcessesAppendingAtOnceLoseNothing();
    void aKilledProcessLeavesEveryCommittedEntry();
    void anIntentOfAnEndedProcessIsResolvedThoughItsPidLives_data();
    void anIntentOfAnEndedProcessIsResolvedThoughItsPidLives();
    void anIntentFromAnotherComputerNameEndsWithItsLease_data();
    void anIntentFromAnotherComputerNameEndsWithItsLease();

private:
    QProcess *startChild(int count);
    // The suite itself as a child with these arguments.
    QProcess *startSelf(const QStringList &arguments);
    QString dbPath() const { return m_dir->filePath(QStringLiteral("history.sqlite")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_children;
};

void TestRecordProcesses::init()
{
    m_children.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("ZELT_HOME", m_dir->path().toUtf8());
}

QProcess *TestRecordProcesses::startChild(int count)
{
    return startSelf({QStringLiteral("--append"), dbPath(), QString::number(count)});
}

QProcess *TestRecordProcesses::startSelf(const QStringList &arguments)
{
    m_children.push_back(std::make_unique<QProcess>());
    QProcess *child = m_children.back().get();
    child->setProcessChannelMode(QProcess::SeparateChannels);
    child->start(QCoreApplication::applicationFilePath(), arguments);
    return child;
}

void TestRecordProcesses::twoProcessesAppendingAtOnceLoseNothing()
{
    const int each = 1000;
    QProcess *a = startChild(each);
    QProcess *b = startChild(each);
    for (QProcess *child : {a, b}) {
        QVERIFY(child->waitForFinished(120000));
        QVERIFY2(child->exitCode() == 0, child->readAllStandardError().constData());
    }
    const QMap<qint64, QString> fromA = committed(a->readAllStandardOutput());
    const QMap<qint64, QString> fromB = committed(b->readAllStandardOutput());
    QCOMPARE(fromA.size(), each);
    QCOMPARE(fromB.size(), each);

    ServiceRecord record;
    QString error;
    QVERIFY2(record.open(dbPath(), &error), qPrintable(error));
    QCOMPARE(record.count(HistoryFilter()), 2 * each);
    const VerifyResult check = record.verify();
    QVERIFY2(check.ok, qPrintable(check.reason));
    QCOMPARE(check.checked, qint64(2 * each));
    QMap<qint64, QString> both = fromA;
    both.insert(fromB);
    QCOMPARE(both.size(), 2 * each); // no seq given to both
    QCOMPARE(stored(record), both);
}

void TestRecordProcesses::aKilledProcessLeavesEveryCommittedEntry()
{
    QMap<qint64, QString> printed;
    int keptBefore = 0;
    // Three runs on the same file, each killed at another point; the chain
    // carries on after each.
    for (int killAfter : {40, 150, 7}) {
        QProcess *child = startChild(-1);
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += child->readAllStandardOutput(), committed(output).size() >= killAfter),
            60000);
        ::kill(pid_t(child->processId()), SIGKILL);
        QVERIFY(child->waitForFinished(30000));
        QCOMPARE(child->exitStatus(), QProcess::CrashExit);
        output += child->readAllStandardOutput();
        const QMap<qint64, QString> run = committed(output);
        QVERIFY(run.size() >= killAfter);
        printed.insert(run);

        ServiceRecord record;
        QString error;
        QVERIFY2(record.open(dbPath(), &error), qPrintable(error));
        const VerifyResult check = record.verify();
        QVERIFY2(check.ok, qPrintable(check.reason));
        const QMap<qint64, QString> kept = stored(record);
        QCOMPARE(check.checked, qint64(kept.size()));
        // The append the kill hit may have committed without being printed.
        QVERIFY(kept.size() - keptBefore <= run.size() + 1);
        keptBefore = kept.size();
        for (auto it = printed.cbegin(); it != printed.cend(); ++it)
            QCOMPARE(kept.value(it.key()), it.value());
        m_children.clear();
    }
}

void TestRecordProcesses::anIntentOfAnEndedProcessIsResolvedThoughItsPidLives_data()
{
    QTest::addColumn<bool>("inThisProcess"); // the intent announced here, else by a child
    QTest::addColumn<bool>("otherStart");    // the pid now belongs to a process started later
    QTest::newRow("another process, still running") << false << false;
    QTest::newRow("another process, its pid taken by a later one") << false << true;
    QTest::newRow("this process, still running") << true << false;
    QTest::newRow("this process, its pid taken by a later one") << true << true;
}

// An intent stays open while the process that announced it runs. A process id
// that a later process got (the announcer ended long ago) does not keep it
// alive: opening the record settles it as "outcome unknown".
void TestRecordProcesses::anIntentOfAnEndedProcessIsResolvedThoughItsPidLives()
{
    QFETCH(bool, inThisProcess);
    QFETCH(bool, otherStart);
    ServiceRecord announcer;
    QString id;
    QString error;
    if (inThisProcess) {
        ServiceEntry e;
        e.paramName = QStringLiteral("EditFullScale");
        QVERIFY2(announcer.open(dbPath(), &error) && announcer.intend(e, &error),
                 qPrintable(error));
        id = e.id;
    } else {
        QProcess *child = startSelf({QStringLiteral("--intend"), dbPath()});
        QTRY_VERIFY_WITH_TIMEOUT(child->canReadLine(), 30000);
        id = QString::fromLatin1(child->readLine().trimmed());
        QCOMPARE(id.size(), 36);
    }
    if (otherStart) {
        // The same boot, an earlier start tick: the process that wrote the
        // intent, not the one that holds its pid now.
        QCOMPARE(
            EditRecordFile(dbPath(),
                           QStringLiteral("UPDATE intents SET owner_start = substr(owner_start, "
                                          "1, instr(owner_start, '/')) || '1'")),
            1);
    }

    ServiceRecord record;
    QVERIFY2(record.open(dbPath(), &error), qPrintable(error));
    QCOMPARE(record.openIntents(), otherStart ? 0 : 1);
    const QVector<ServiceEntry> entries = record.fetch(HistoryFilter(), 0, 10);
    QCOMPARE(entries.size(), otherStart ? 1 : 0);
    if (otherStart) {
        QCOMPARE(entries.first().id, id);
        QCOMPARE(entries.first().outcome, ServiceEntry::OutcomeUnknown);
    }
    for (const auto &child : m_children) {
        child->closeWriteChannel();
        QVERIFY(child->waitForFinished(30000));
        QCOMPARE(child->exitCode(), 0);
    }
}

void TestRecordProcesses::anIntentFromAnotherComputerNameEndsWithItsLease_data()
{
    QTest::addColumn<bool>("killed");    // the announcing child was killed
    QTest::addColumn<bool>("renamed");   // its computer's name has changed since
    QTest::addColumn<qint64>("leaseIn"); // when its lease runs out, from now (ms)
    QTest::addColumn<bool>("resolved");
    QTest::newRow("killed under another name, lease run out") << true << true << -1000ll << true;
    QTest::newRow("killed under another name, lease running") << true << true << 600000ll << false;
    QTest::newRow("alive here, lease run out") << false << false << -1000ll << false;
    QTest::newRow("killed here, lease running") << true << false << 600000ll << true;
}

// A write announced by a program on a computer that had another name (renamed,
// or the record moved after a crash): no opener can see its program, so its
// lease decides; a program seen alive here is never resolved.
void TestRecordProcesses::anIntentFromAnotherComputerNameEndsWithItsLease()
{
    QFETCH(bool, killed);
    QFETCH(bool, renamed);
    QFETCH(qint64, leaseIn);
    QFETCH(bool, resolved);
    QProcess *child = startSelf({QStringLiteral("--intend"), dbPath()});
    QTRY_VERIFY_WITH_TIMEOUT(child->canReadLine(), 30000);
    const QString id = QString::fromLatin1(child->readLine().trimmed());
    if (killed) {
        child->kill();
        QVERIFY(child->waitForFinished(30000));
    }
    QCOMPARE(EditRecordFile(dbPath(), QStringLiteral("UPDATE intents SET lease_until = %1%2")
                                          .arg(QDateTime::currentMSecsSinceEpoch() + leaseIn)
                                          .arg(renamed ? QStringLiteral(", owner_host = 'old-name'")
                                                       : QString())),
             1);

    ServiceRecord record;
    QString error;
    QVERIFY2(record.open(dbPath(), &error), qPrintable(error));
    QCOMPARE(record.openIntents(), resolved ? 0 : 1);
    const QVector<ServiceEntry> entries = record.fetch(HistoryFilter(), 0, 10);
    QCOMPARE(entries.size(), resolved ? 1 : 0);
    if (resolved) {
        QCOMPARE(entries.first().id, id);
        QCOMPARE(entries.first().outcome, ServiceEntry::OutcomeUnknown);
        QVERIFY(record.verify().ok);
    } else {
        const QStringList shown = record.intentsUnderWay();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(leaseIn > 0 ? "under way" : "lease ran out"),
                 qPrintable(shown.first()));
    }
    record.close();
    if (!killed) {
        child->closeWriteChannel();
        QVERIFY(child->waitForFinished(30000));
    }
    m_children.clear();
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--append"))
        return appendChild(args[2], args[3].toInt());
    if (args.size() == 3 && args[1] == QLatin1String("--intend"))
        return intendChild(args[2]);
    TestRecordProcesses suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "tst_recordprocesses.moc"
