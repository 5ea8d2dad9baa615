// Several processes on one service record file: the window and zeltctl runs
// appending at once, and a process killed in the middle of its appends.
// The suite starts itself as the appending child: tst_recordprocesses --append FILE COUNT
// (COUNT -1: until killed); the child prints "seq id" for each committed entry.

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

private:
    QProcess *startChild(int count);
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
    m_children.push_back(std::make_unique<QProcess>());
    QProcess *child = m_children.back().get();
    child->setProcessChannelMode(QProcess::SeparateChannels);
    child->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--append"), dbPath(), QString::number(count)});
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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--append"))
        return appendChild(args[2], args[3].toInt());
    TestRecordProcesses suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "tst_recordprocesses.moc"
