// zeltctl report in-process against a simulated instrument: the PDF a reader
// gets (through poppler's tools), the changes zeltctl made before it and the
// chain check, the window's language, the options and the exit statuses.
#include "hostilepeer.h"
#include "modbuslink.h"
#include "pdftools.h"
#include "simhost.h"
#include "zeltctlrun.h"

#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

class TstZeltctlReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void aReportHoldsTheInstrumentAndTheChangesMadeBeforeIt_data();
    void aReportHoldsTheInstrumentAndTheChangesMadeBeforeIt();
    void sinceLeavesEarlierChangesOut();
    void helpNamesTheReportAndItsOptions();
    void usageErrorsExitTwoAndAskNothing_data();
    void usageErrorsExitTwoAndAskNothing();
    void aLinkCutHalfwayIsNamedAndExitsThree();
    void aLinkLostWhileSamplingEndsItAndExitsThree();
    void anUnreachableInstrumentLeavesNoFile();
    void aFileThatCannotBeWrittenExitsOne();

private:
    QStringList link() const;
    QString setLanguage(bool chinese);

    QTemporaryDir m_home;
    std::unique_ptr<sim::SimHost> m_sim;
};

void TstZeltctlReport::initTestCase()
{
    if (!pdftools::available())
        QSKIP("poppler-utils is not installed (scripts/install-deps installs it)");
    // One home for the suite: the program record stays where it was first opened.
    qputenv("ZELT_HOME", m_home.path().toUtf8());
}

void TstZeltctlReport::init()
{
    m_sim = std::make_unique<sim::SimHost>(sim::Kind::Analog, 0);
    QVERIFY(m_sim->startTcp());
    m_sim->model().setLiveFrozen(true);
    setLanguage(false);
}

void TstZeltctlReport::cleanup()
{
    DisconnectModbus();
    m_sim.reset();
}

QStringList TstZeltctlReport::link() const
{
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(m_sim->port())};
}

QString TstZeltctlReport::setLanguage(bool chinese)
{
    const QString path = m_home.filePath(QStringLiteral("Setting/setting.ini"));
    QDir().mkpath(QFileInfo(path).path());
    QSettings file(path, QSettings::IniFormat);
    file.setValue(QStringLiteral("Zelt/Language"), chinese ? 1 : 0);
    file.sync();
    return path;
}

void TstZeltctlReport::aReportHoldsTheInstrumentAndTheChangesMadeBeforeIt_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::newRow("English") << false;
    QTest::newRow("Chinese") << true;
}

void TstZeltctlReport::aReportHoldsTheInstrumentAndTheChangesMadeBeforeIt()
{
    QFETCH(bool, chinese);
    const QString value = chinese ? QStringLiteral("41") : QStringLiteral("37");
    const Run write =
        zeltctl(link() << QStringLiteral("write") << QStringLiteral("EditZeroRange=%1").arg(value)
                       << QStringLiteral("EditTrZeroRange=15"));
    QCOMPARE(write.status, 0);
    const Run info = zeltctl(link() << QStringLiteral("info") << QStringLiteral("--json"));
    const QString serial = info.json().value(QStringLiteral("serialNumber")).toString();
    QVERIFY(!serial.isEmpty());

    setLanguage(chinese);
    const QString pdf = m_home.filePath(QStringLiteral("visit.pdf"));
    const Run report =
        zeltctl(link() << QStringLiteral("report") << pdf << QStringLiteral("--site")
                       << QStringLiteral("Mill 3") << QStringLiteral("--note")
                       << QStringLiteral("scale pit cleaned") << QStringLiteral("--sample")
                       << QStringLiteral("1") << QStringLiteral("--json"));
    QCOMPARE(report.status, 0);
    QVERIFY2(report.err.isEmpty(), qPrintable(report.err));
    const QJsonObject json = report.json();
    QCOMPARE(json.value(QStringLiteral("file")).toString(), pdf);
    QVERIFY(json.value(QStringLiteral("unread")).toArray().isEmpty());
    // One second sampled every 200 ms.
    QVERIFY(json.value(QStringLiteral("samples")).toInt() >= 4);

    const QString text = pdftools::squeezed(pdftools::text(pdf));
    QVERIFY(text.contains(serial));
    QVERIFY(text.contains(QStringLiteral("Mill3")));
    QVERIFY(text.contains(QStringLiteral("scalepitcleaned")));
    // The source names each parameter as the report does.
    QVERIFY(text.contains(
        QStringLiteral("zeltctlwrite%1=%2")
            .arg(chinese ? QStringLiteral("清零范围") : QStringLiteral("Zerorange"), value)));
    QVERIFY(text.contains(QStringLiteral("→%1%").arg(value)));
    QVERIFY(text.contains(
        QStringLiteral("zeltctlwrite%1=15")
            .arg(chinese ? QStringLiteral("追零范围") : QStringLiteral("Zerotrackingrange"))));
    if (chinese) {
        QVERIFY(text.contains(QStringLiteral("服务报告")));
        QVERIFY(text.contains(QStringLiteral("清零范围")));
        QVERIFY(text.contains(QStringLiteral("已写入")));
        QVERIFY(text.contains(QStringLiteral("服务记录校验：记录全部")));
        QVERIFY(text.contains(QStringLiteral("的链完整")));
    } else {
        QVERIFY(text.contains(QStringLiteral("Zerorange")));
        QVERIFY(text.contains(QStringLiteral("written")));
        QVERIFY(text.contains(QStringLiteral("Servicerecordcheck:chainintact")));
    }
    for (const pdftools::Font &font : pdftools::fonts(pdf))
        QVERIFY2(font.embedded, qPrintable(font.name));
    QTemporaryDir images;
    QCOMPARE(pdftools::render(pdf, images.path()).size(), pdftools::pageCount(pdf));
}

void TstZeltctlReport::sinceLeavesEarlierChangesOut()
{
    QCOMPARE(zeltctl(link() << QStringLiteral("write") << QStringLiteral("EditSTABRange=7")).status,
             0);
    const QString pdf = m_home.filePath(QStringLiteral("since.pdf"));
    const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    const Run report =
        zeltctl(link() << QStringLiteral("report") << pdf << QStringLiteral("--since") << tomorrow
                       << QStringLiteral("--sample") << QStringLiteral("0"));
    QCOMPARE(report.status, 0);
    QVERIFY(report.out.contains(QStringLiteral("0 changes")));
    const QString text = pdftools::squeezed(pdftools::text(pdf));
    QVERIFY(text.contains(QStringLiteral("holdsnochangeofthisinstrument")));
    QVERIFY(!text.contains(QStringLiteral("EditSTABRange=7")));
    QVERIFY(text.contains(QStringLiteral("Nosamplesoftheliveweight")));
}

void TstZeltctlReport::helpNamesTheReportAndItsOptions()
{
    const Run run = zeltctl({QStringLiteral("--help")});
    QCOMPARE(run.status, 0);
    for (const char *word : {"report FILE.pdf", "--site TEXT", "--note TEXT", "--since DATE",
                             "--sample S", "(10) seconds"})
        QVERIFY2(run.out.contains(QLatin1String(word)), word);
}

void TstZeltctlReport::usageErrorsExitTwoAndAskNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("named");
    QTest::newRow("no file") << QStringList{"report"} << "report takes 1 argument(s): FILE.pdf";
    QTest::newRow("two files") << QStringList{"report", "a.pdf", "b.pdf"} << "FILE.pdf";
    QTest::newRow("negative sampling") << QStringList{"report", "a.pdf", "--sample", "-1"}
                                       << "--sample -1: expected a number from 0 to 600";
    QTest::newRow("sampling too long")
        << QStringList{"report", "a.pdf", "--sample", "601"} << "--sample 601";
    QTest::newRow("no date") << QStringList{"report", "a.pdf", "--since", "yesterday"}
                             << "--since yesterday: expected YYYY-MM-DD";
    QTest::newRow("site on read") << QStringList{"read", "EditZeroRange", "--site", "x"}
                                  << "--site does not apply to read";
    QTest::newRow("since on info")
        << QStringList{"info", "--since", "2024-01-01"} << "--since does not apply to info";
}

void TstZeltctlReport::usageErrorsExitTwoAndAskNothing()
{
    QFETCH(QStringList, args);
    QFETCH(QString, named);
    const QDir before(QDir::current());
    const Run run = zeltctl(link() + args);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(named), qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(m_sim->requestCount(), 0);
    QVERIFY(!QFile::exists(QStringLiteral("a.pdf")));
}

void TstZeltctlReport::aLinkCutHalfwayIsNamedAndExitsThree()
{
    // The connect check and the first seven reads are answered, then nothing.
    hostile::Peer peer;
    QVERIFY(peer.listen());
    constexpr int Answered = 8;
    peer.onRequest = [&peer] {
        if (peer.requests() > Answered)
            peer.setAnswer(hostile::Answer::Silent);
    };
    const QString pdf = m_home.filePath(QStringLiteral("cut.pdf"));
    const Run run =
        zeltctl({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(peer.port()),
                 QStringLiteral("--timeout"), QStringLiteral("100"), QStringLiteral("report"), pdf,
                 QStringLiteral("--sample"), QStringLiteral("0")});
    QCOMPARE(run.status, 3);
    QCOMPARE(peer.requests(), Answered + ReopenAfterTimeouts);
    QVERIFY2(run.out.contains(QStringLiteral("NOT READ")), qPrintable(run.out));
    QVERIFY(run.out.contains(QStringLiteral("registers 300-353 (Data transmission)")));
    QVERIFY(!run.out.contains(QStringLiteral("registers 50-75")));
    QVERIFY(run.out.contains(QStringLiteral("reads failed")));
    const QString text = pdftools::squeezed(pdftools::text(pdf));
    QVERIFY(text.contains(QStringLiteral("Valuesthatcouldnotberead")));
    QVERIFY(text.contains(QStringLiteral("registers300-353(Datatransmission)")));
    QVERIFY(text.contains(QStringLiteral("theinstrumentstoppedanswering")));
    // What was read before the cut is in the report.
    const quint32 powerOnZero =
        quint32(hostile::registerValue(50)) << 16 | hostile::registerValue(51);
    QVERIFY(text.contains(QStringLiteral("Power-onzerorange%1%").arg(powerOnZero)));
}

void TstZeltctlReport::aLinkLostWhileSamplingEndsItAndExitsThree()
{
    // Every read is answered, and the live block three times more (samples of
    // the curve); then the instrument falls silent with most of a minute to go.
    hostile::Peer peer;
    QVERIFY(peer.listen());
    int liveReads = 0, answered = 0;
    peer.answerWith = [&](const QByteArray &request, QByteArray *) {
        const int address = (quint8(request[8]) << 8) | quint8(request[9]);
        if (peer.answer() == hostile::Answer::Good && address == 0 && ++liveReads == 4)
            peer.setAnswer(hostile::Answer::Silent);
        if (peer.answer() == hostile::Answer::Good)
            answered = peer.requests();
        return false;
    };
    const QString pdf = m_home.filePath(QStringLiteral("lost.pdf"));
    const Run run =
        zeltctl({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(peer.port()),
                 QStringLiteral("--timeout"), QStringLiteral("100"), QStringLiteral("report"), pdf,
                 QStringLiteral("--sample"), QStringLiteral("60"), QStringLiteral("--json")});
    QCOMPARE(run.status, 3);
    // Nothing is asked after the instrument left three requests unanswered.
    QCOMPARE(peer.requests(), answered + ReopenAfterTimeouts);
    const QJsonObject json = run.json();
    QVERIFY(json.value(QStringLiteral("samples")).toInt() >= 2);
    const QJsonArray unread = json.value(QStringLiteral("unread")).toArray();
    QCOMPARE(unread.size(), 1);
    QVERIFY(unread.first()
                .toObject()
                .value(QStringLiteral("values"))
                .toString()
                .startsWith(QStringLiteral("live weight samples after")));
    const QString text = pdftools::text(pdf);
    QVERIFY(text.contains(QStringLiteral("live weight samples after")));
    QVERIFY(!text.contains(QStringLiteral("over the last 0 s")));
}

void TstZeltctlReport::anUnreachableInstrumentLeavesNoFile()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    const QString pdf = m_home.filePath(QStringLiteral("never.pdf"));
    const Run run = zeltctl({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port),
                             QStringLiteral("report"), pdf});
    QCOMPARE(run.status, 3);
    QVERIFY(!QFile::exists(pdf));
}

void TstZeltctlReport::aFileThatCannotBeWrittenExitsOne()
{
    const QString pdf = m_home.filePath(QStringLiteral("no/such/folder/r.pdf"));
    const Run run = zeltctl(link() << QStringLiteral("report") << pdf << QStringLiteral("--sample")
                                   << QStringLiteral("0"));
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QStringLiteral("the report could not be written")),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(pdf));
}

QTEST_MAIN(TstZeltctlReport)
#include "tst_zeltctl_report.moc"
