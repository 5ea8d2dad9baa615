// zeltctl as a program against zelt-sim child processes: what a script sees
// (exit statuses, standard output, standard error) in both word orders.
#include "workbook.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

Result zeltctl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(ZELTCTL_PATH), args);
    Result r;
    if (!p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

int freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// A zelt-sim child on a free loopback port, stopped with the test.
class SimChild
{
public:
    bool start(const QStringList &extra)
    {
        m_port = freePort();
        m_process.start(QStringLiteral(ZELT_SIM_PATH),
                        QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(m_port)} + extra);
        if (!m_process.waitForStarted(5000))
            return false;
        return QTest::qWaitFor(
            [this] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
                return probe.waitForConnected(200);
            },
            10000);
    }
    ~SimChild()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

private:
    QProcess m_process;
    int m_port = 0;
};

} // namespace

class TstZeltctlProcess : public QObject
{
    Q_OBJECT

private slots:
    void everyCommandAsAProgram_data();
    void everyCommandAsAProgram();
    void watchEndsOnInterrupt();
    void fleetBackupOfChildInstruments();
};

void TstZeltctlProcess::everyCommandAsAProgram_data()
{
    QTest::addColumn<QString>("order");
    QTest::newRow("AB-CD") << "AB-CD";
    QTest::newRow("CD-AB") << "CD-AB";
}

void TstZeltctlProcess::everyCommandAsAProgram()
{
    QFETCH(QString, order);
    QTemporaryDir dir;
    SimChild sim;
    QVERIFY(sim.start({"--word-order", order == "AB-CD" ? "0" : "1"}));
    const QStringList link{"--tcp", sim.address(), "--word-order", order};

    const Result info = zeltctl(link + QStringList{"info", "--json"});
    QCOMPARE(info.status, 0);
    QCOMPARE(info.json().value("kind").toString(), QStringLiteral("analog"));
    QVERIFY(QString::number(info.json().value("version").toInt()).startsWith('1'));

    const Result write = zeltctl(link + QStringList{"write", "EditFullScale=12345.6"});
    QCOMPARE(write.status, 0);
    const Result read = zeltctl(link + QStringList{"read", "EditFullScale", "--json"});
    QCOMPARE(read.status, 0);
    const QJsonObject fs = read.json().value("parameters").toArray()[0].toObject();
    QVERIFY2(fs.value("value").toString().startsWith(QLatin1String("12345.6")),
             qPrintable(read.out));

    const QString file = dir.filePath("b.xlsx");
    const Result backup = zeltctl(link + QStringList{"backup", file});
    QCOMPARE(backup.status, 0);
    QVERIFY(!backup.err.contains('\r')); // no progress bar into a pipe
    QVERIFY(backup.out.contains(QLatin1String("read")));
    QCOMPARE(zeltctl(link + QStringList{"compare", file}).status, 0);

    QCOMPARE(zeltctl(link + QStringList{"write", "EditZeroRange=33"}).status, 0);
    const Result compare = zeltctl(link + QStringList{"compare", file});
    QCOMPARE(compare.status, 1);
    QVERIFY(compare.out.contains(QLatin1String("1 differ")));
    const Result dry = zeltctl(link + QStringList{"restore", "--dry-run", file, "--json"});
    QCOMPARE(dry.status, 0);
    QCOMPARE(dry.json().value("changes").toArray().size(), 1);
    QCOMPARE(zeltctl(link + QStringList{"compare", file}).status, 1); // still different
    QCOMPARE(zeltctl(link + QStringList{"restore", file}).status, 0);
    QCOMPARE(zeltctl(link + QStringList{"compare", file}).status, 0);

    const Result watch = zeltctl(link + QStringList{"watch", "--count", "2", "--interval", "100"});
    QCOMPARE(watch.status, 0);
    QCOMPARE(watch.out.count('\n'), 3); // header and two polls

    // Wrong word order: the full scale comes back with its halves swapped.
    const QStringList wrong{"--tcp", sim.address(), "--word-order",
                            order == "AB-CD" ? "CD-AB" : "AB-CD"};
    const Result swapped = zeltctl(wrong + QStringList{"read", "EditFullScale", "--json"});
    QCOMPARE(swapped.status, 0);
    QVERIFY(swapped.json().value("parameters").toArray()[0].toObject().value("raw").toDouble() !=
            fs.value("raw").toDouble());
}

void TstZeltctlProcess::watchEndsOnInterrupt()
{
#ifndef Q_OS_UNIX
    QSKIP("the interrupt is sent with kill(), which only POSIX systems have");
#else
    SimChild sim;
    QVERIFY(sim.start({}));
    QProcess watch;
    watch.start(QStringLiteral(ZELTCTL_PATH),
                {"--tcp", sim.address(), "watch", "--interval", "50"});
    QVERIFY(watch.waitForStarted());
    QByteArray seen; // the header and a first poll
    QTRY_VERIFY_WITH_TIMEOUT((seen += watch.readAllStandardOutput()).count('\n') >= 2, 10000);
    ::kill(pid_t(watch.processId()), SIGINT);
    QVERIFY(watch.waitForFinished(10000));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.exitCode(), 0);
#endif
}

void TstZeltctlProcess::fleetBackupOfChildInstruments()
{
    QTemporaryDir dir;
    SimChild a, b, dropping;
    QVERIFY(a.start({"--delay-ms", "5"}));
    QVERIFY(b.start({"--seed", "7"}));
    QVERIFY(dropping.start({"--drop", "1"}));
    const int closed = freePort();
    QFile hosts(dir.filePath("hosts"));
    QVERIFY(hosts.open(QIODevice::WriteOnly));
    hosts.write(QStringLiteral("%1\n%2\n%3\n127.0.0.1:%4\n")
                    .arg(a.address(), b.address(), dropping.address())
                    .arg(closed)
                    .toUtf8());
    hosts.close();
    const Result run =
        zeltctl({"backup", "--hosts", hosts.fileName(), dir.path(), "--timeout", "1000", "--json"});
    QCOMPARE(run.status, 3); // two instruments out of reach
    const QJsonArray list = run.json().value("hosts").toArray();
    QCOMPARE(list.size(), 4);
    QCOMPARE(list[0].toObject().value("status").toString(), QStringLiteral("ok"));
    QCOMPARE(list[1].toObject().value("status").toString(), QStringLiteral("ok"));
    QCOMPARE(list[2].toObject().value("status").toString(), QStringLiteral("no answer"));
    QCOMPARE(list[3].toObject().value("status").toString(), QStringLiteral("unreachable"));
    QCOMPARE(run.err.count('\n'), 2);
    for (int i : {0, 1}) {
        Workbook book;
        QVERIFY(book.open(list[i].toObject().value("file").toString()));
        QVERIFY(book.selectSheet(QStringLiteral("读写类")));
        QVERIFY(book.rowCount() > 100);
        QVERIFY(!book.cellText(2, 7).isEmpty());
    }
}

QTEST_GUILESS_MAIN(TstZeltctlProcess)
#include "tst_zeltctl_process.moc"
