// The service report against simulated instruments: what the PDF says (through
// poppler's tools, as a reader finds it), in both languages and word orders,
// with the link cut halfway, the curve, the changes and the chain check.
#include "changerows.h"
#include "devicemodel.h"
#include "linkfixture.h"
#include "modbusconnection.h"
#include "modbuslink.h"
#include "paramshown.h"
#include "pdftools.h"
#include "pollhold.h"
#include "reportcurve.h"
#include "reportpdf.h"
#include "reportreader.h"
#include "reporttexts.h"
#include "servicerecord.h"
#include "simhost.h"
#include "sysinfotext.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>
#include <memory>

namespace {

// The value the instrument holds for a row, as the register bank has it.
quint32 heldValue(sim::InstrumentModel &m, const ParamRow &row)
{
    if (row.access == ParamAccess::WriteOnly && row.readBack)
        return m.reg(row.readBack);
    const quint32 v = row.count == 1 ? m.reg(row.address) : m.value32(row.address);
    return row.mirror == MirrorRecord::ComAnalog ? (v & 0xFFFF) : v;
}

bool listedRow(const ParamRow &row, bool digital)
{
    return row.page >= 1 && row.kind != ParamKind::Command && (row.page != 6 || digital);
}

// The lines of the laid-out text, without white space.
QSet<QString> squeezedLines(const QString &pdf)
{
    QSet<QString> lines;
    const QString text = pdftools::run(QStringLiteral("pdftotext"),
                                       {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (const QString &line : text.split(QLatin1Char('\n')))
        lines.insert(pdftools::squeezed(line));
    return lines;
}

int runEditSql(const QString &path, const QString &sql)
{
    const QString name = QStringLiteral("report-edit");
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QSqlQuery edit(db);
        if (db.open() && edit.exec(sql))
            rows = edit.numRowsAffected();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

} // namespace

class TstReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void valuesUnitsAndRangesAsThePageShowsThem_data();
    void valuesUnitsAndRangesAsThePageShowsThem();
    void analogOutputsTakeTheUnitOfTheirType();
    void sourcesNameTheParameters();
    void axisTicksAreRoundAndCoverTheSamples_data();
    void axisTicksAreRoundAndCoverTheSamples();

    void everyParameterIsInThePdfWithItsShownValue_data();
    void everyParameterIsInThePdfWithItsShownValue();
    void theCurveIsDrawnFromItsSamples();
    void aLinkCutHalfwayNamesWhatWasNotRead_data();
    void aLinkCutHalfwayNamesWhatWasNotRead();
    void aLinkLostWhileSamplingEndsTheSamplingAndIsNamed();
    void pollingIsHeldForEachRequestOnly();
    void theChangesSinceTheStartAndTheChainCheck();
    void aRestoreIsOneGroupAndTheAnchorNeverStandsAlone();

private:
    bool startInstrument(sim::Kind kind, int wordOrder);
    ReportContent read(bool chinese, ServiceRecord *record = nullptr,
                       const QDateTime &since = QDateTime());
    QString write(const ReportContent &content, const QString &name, int *pages = nullptr);

    QTemporaryDir m_dir;
    std::unique_ptr<sim::SimHost> m_sim;
    LinkSettings m_link;
};

void TstReport::initTestCase()
{
    if (!pdftools::available())
        QSKIP("poppler-utils is not installed (scripts/install-deps installs it)");
    qputenv("ZELT_HOME", m_dir.path().toLocal8Bit());
    QVERIFY(ReportLanguage::chineseAvailable());
}

void TstReport::cleanup()
{
    DisconnectModbus();
    m_sim.reset();
    ClearMirror();
}

bool TstReport::startInstrument(sim::Kind kind, int wordOrder)
{
    DisconnectModbus();
    m_sim = std::make_unique<sim::SimHost>(kind, wordOrder);
    if (!m_sim->startTcp())
        return false;
    m_sim->model().setLiveFrozen(true);
    ClearMirror();
    gu32_SlaveId = 1;
    gu32_DwordFormat = quint32(wordOrder);
    gu8_DigSensorsType = 0;
    m_link = LinkSettings();
    m_link.connectType = 1;
    m_link.EditIP = QStringLiteral("127.0.0.1");
    m_link.EditPort = QString::number(m_sim->port());
    m_link.dwordFormat = wordOrder;
    return connectClient(m_link);
}

ReportContent TstReport::read(bool chinese, ServiceRecord *record, const QDateTime &since)
{
    ReportContent content;
    content.chinese = chinese;
    content.created = QDateTime::currentDateTime();
    content.engineer = QStringLiteral("Ada");
    content.site = QStringLiteral("Mill 3");
    content.changesSince = since;
    ReportReader reader(m_link, &content);
    reader.setRecord(record);
    QSignalSpy done(&reader, &ReportReader::finished);
    reader.start();
    if (!done.wait(30000))
        qWarning("the report's reads did not finish");
    return content;
}

QString TstReport::write(const ReportContent &content, const QString &name, int *pages)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    QString error;
    int n = 0;
    if (file.open(QIODevice::WriteOnly))
        n = WriteReportPdf(content, &file, &error);
    file.close();
    if (pages)
        *pages = n;
    if (n == 0)
        qWarning("%s", qPrintable(error));
    return path;
}

void TstReport::valuesUnitsAndRangesAsThePageShowsThem_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<quint32>("raw");
    QTest::addColumn<quint32>("decimals");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("range");
    // A list states no range: its items are the range.
    QTest::newRow("switch on") << "cBoxTareRecord" << false << 1u << 2u << "ON"
                               << ""
                               << "";
    QTest::newRow("switch on, Chinese") << "cBoxTareRecord" << true << 1u << 2u << "开"
                                        << ""
                                        << "";
    QTest::newRow("the unit beside a list") << "cBoxSampleRate" << false << 5u << 0u << "960"
                                            << "Hz"
                                            << "";
    QTest::newRow("unit choice") << "cBoxUnit" << false << 3u << 0u << "lb"
                                 << ""
                                 << "";
    QTest::newRow("a numbered item") << "cBoxInputMode_1" << false << 2u << 0u << "Pre.Point 2"
                                     << ""
                                     << "";
    QTest::newRow("a numbered item, Chinese") << "cBoxOutputMode_6" << true << 4u << 0u << "设定点4"
                                              << ""
                                              << "";
    QTest::newRow("an item with a trailing blank on the page")
        << "cBox_CompMode_2" << false << 0u << 0u << "OFF"
        << ""
        << "";
    QTest::newRow("theoretical calibration") << "cBoxTCal" << false << 0u << 0u << "Disabled"
                                             << ""
                                             << "";
    QTest::newRow("no such choice") << "cBoxBacklight" << false << 7u << 0u << "7"
                                    << ""
                                    << "";
    QTest::newRow("division") << "cBoxDivision" << false << 20u << 1u << "d = 20"
                              << ""
                              << "";
    QTest::newRow("weight") << "EditFullScale" << false << 123456u << 2u << "1234.56"
                            << "kg"
                            << "0.00 .. 99999.99";
    QTest::newRow("weight, no decimals") << "EditFullScale" << true << 1500u << 0u << "1500"
                                         << "kg"
                                         << "0 .. 9999999";
    QTest::newRow("fixed factor with unit") << "EditLcMv" << false << 20000u << 3u << "2.0000"
                                            << "mV/V"
                                            << "0.0000 .. 3.9999";
    QTest::newRow("tenths of a second") << "Edit_Duration_1" << false << 15u << 3u << "1.5"
                                        << "s"
                                        << "0.0 .. 99.9";
    QTest::newRow("plain with unit") << "EditZeroRange" << false << 37u << 4u << "37"
                                     << "%"
                                     << "0 .. 99";
    QTest::newRow("plain, Chinese note") << "EditTrZeroTime" << true << 250u << 0u << "250"
                                         << "ms"
                                         << "1 .. 5000";
    QTest::newRow("load-cell capacity in the weight unit")
        << "EditLcCapacity" << false << 10000u << 2u << "10000"
        << "kg"
        << "0 .. 999999";
    QTest::newRow("plain without unit") << "EditComID_2" << false << 7u << 0u << "7"
                                        << ""
                                        << "1 .. 99";
}

// Where a change came from, with the widget names it carries as the
// parameters' names; every other word stays as it was.
void TstReport::sourcesNameTheParameters()
{
    const QString full = ParamName(*FindParamByAddress(106), false);
    const QString fullZh = ParamName(*FindParamByAddress(106), true);
    const QVector<QPair<QString, QString>> cases{
        {"zeltctl write EditFullScale=15000", "zeltctl write " + full + "=15000"},
        {"page Basic Config, field EditFullScale", "page Basic Config, field " + full},
        {"EditFullScale", full},
        {"xEditFullScale 9EditFullScale EditFullScale_2x",
         "xEditFullScale 9" + full + " EditFullScale_2x"},
        {"import a.xlsx", "import a.xlsx"},
        {"", ""},
        {"字段 EditFullScale。", "字段 " + full + "。"},
    };
    for (const auto &c : cases)
        QCOMPARE(ReadableSource(c.first, false), c.second);
    QCOMPARE(ReadableSource("field EditFullScale", true), "field " + fullZh);
}

// The outputs are in mA or V as the output type says, as the page labels them.
void TstReport::analogOutputsTakeTheUnitOfTheirType()
{
    const QVector<QPair<qint64, QString>> types{{0, "mA"}, {1, "V"}, {2, "mA"},
                                                {3, "V"},  {-1, ""}, {4, ""}};
    for (const char *widget : {"EditMinOut", "EditZeroOut", "EditFSOut", "EditMaxOut"}) {
        const ParamRow *row = nullptr;
        for (const ParamRow &r : ParameterCatalogue()) {
            if (qstrcmp(widget, r.widget) == 0)
                row = &r;
        }
        QVERIFY(row);
        for (const auto &type : types) {
            for (bool chinese : {false, true})
                QCOMPARE(ParamUnitText(*row, 1, chinese, type.first), type.second);
        }
    }
    // The type's own row and other rows take no unit from it.
    for (const char *widget : {"cBoxAnalogType", "EditComID_2"}) {
        for (const ParamRow &r : ParameterCatalogue()) {
            if (qstrcmp(widget, r.widget) == 0)
                QCOMPARE(ParamUnitText(r, 1, false, 1), QString());
        }
    }
}

void TstReport::valuesUnitsAndRangesAsThePageShowsThem()
{
    QFETCH(QString, widget);
    QFETCH(bool, chinese);
    QFETCH(quint32, raw);
    QFETCH(quint32, decimals);
    const ParamRow *row = nullptr;
    for (const ParamRow &r : ParameterCatalogue()) {
        if (widget == QLatin1String(r.widget))
            row = &r;
    }
    QVERIFY(row);
    constexpr quint32 Kilogram = 1;
    QTEST(ParamShownText(*row, raw, decimals, chinese), "shown");
    QTEST(ParamUnitText(*row, Kilogram, chinese), "unit");
    QTEST(ParamRangeText(*row, decimals), "range");
    QCOMPARE(ParamName(*row, chinese), QString::fromUtf8(chinese ? row->nameCn : row->nameEn));
}

void TstReport::axisTicksAreRoundAndCoverTheSamples_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("decimals");
    QTest::newRow("small weights") << 0.0 << 0.01 << 0.002 << 3;
    QTest::newRow("quarter steps") << 0.1 << 1.2 << 0.25 << 2;
    QTest::newRow("hundreds") << -130.0 << 870.0 << 200.0 << 0;
    QTest::newRow("a flat line") << 1500.0 << 1500.0 << 100.0 << 0;
    QTest::newRow("ten seconds") << 0.0 << 9.8 << 2.0 << 0;
}

void TstReport::axisTicksAreRoundAndCoverTheSamples()
{
    QFETCH(double, low);
    QFETCH(double, high);
    const AxisTicks t = NiceTicks(low, high, 5);
    QTEST(t.step, "step");
    QTEST(t.decimals, "decimals");
    QVERIFY(t.first <= low);
    QVERIFY(t.first + t.step * t.count >= high);
    QVERIFY(t.count <= 10);
    QCOMPARE(std::fmod(std::abs(t.first) + 1e-9, t.step) < 1e-6, true);
}

void TstReport::everyParameterIsInThePdfWithItsShownValue_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<bool>("digital");
    QTest::addColumn<int>("wordOrder");
    QTest::newRow("English, analog") << false << false << 0;
    QTest::newRow("Chinese, analog, CD-AB") << true << false << 1;
    QTest::newRow("English, digital, CD-AB") << false << true << 1;
    QTest::newRow("Chinese, digital") << true << true << 0;
}

void TstReport::everyParameterIsInThePdfWithItsShownValue()
{
    QFETCH(bool, chinese);
    QFETCH(bool, digital);
    QFETCH(int, wordOrder);
    QVERIFY(startInstrument(digital ? sim::Kind::Digital : sim::Kind::Analog, wordOrder));
    sim::InstrumentModel &m = m_sim->model();
    // Values no factory setting has, so that a value read from elsewhere shows.
    m.setValue32(54, 37);      // zero range
    m.setValue32(64, 1);       // tare record ON
    m.setValue32(106, 123457); // full scale 1234.57
    m.setValue32(302, 6);      // COM 1 at 57600
    m.setValue32(464, 4321);   // analog zero output 4.321

    const ReportContent content = read(chinese);
    QVERIFY(content.gaps.isEmpty());
    int pages = 0;
    const QString pdf = write(content, QStringLiteral("every.pdf"), &pages);
    QVERIFY(pages > 1);
    QCOMPARE(pdftools::pageCount(pdf), pages);
    // Every page's footer numbers that page and counts them all.
    const ReportLanguage language(chinese);
    for (int page = 1; page <= pages; ++page) {
        const QString footer = pdftools::squeezed(
            language.translate("ServiceReport", "Page %1 of %2").arg(page).arg(pages));
        QVERIFY2(pdftools::squeezed(pdftools::text(pdf, page, page)).contains(footer),
                 qPrintable(QStringLiteral("page %1 has no '%2'").arg(page).arg(footer)));
    }

    const QSet<QString> lines = squeezedLines(pdf);
    const QString text = pdftools::squeezed(pdftools::text(pdf));
    QVERIFY(text.contains(content.serial.text));
    QVERIFY(!content.serial.text.startsWith(QLatin1String("0000000000000")));
    // The MAC address lives in the status block, one byte a register.
    QVector<quint32> macRegisters;
    for (int i = 0; i < MacBytes; ++i)
        macRegisters << m.reg(10100 + i);
    const QString mac = MacAddressText(macRegisters, 0);
    QVERIFY(mac != QLatin1String("00-00-00-00-00-00"));
    QCOMPARE(content.mac.text, mac);
    QVERIFY(text.contains(mac));
    QVERIFY(text.contains(QStringLiteral("Mill3")));
    QVERIFY(text.contains(chinese ? QStringLiteral("服务报告") : QStringLiteral("ServiceReport")));
    QCOMPARE(text.contains(QStringLiteral("Parameters")), !chinese);

    const quint32 decimals = m.value32(102);
    const quint32 unit = m.value32(100);
    const qint64 analogType = m.value32(AnalogOutputTypeRegister);
    int rows = 0;
    QStringList missing;
    for (const ParamRow &row : ParameterCatalogue()) {
        if (!listedRow(row, digital))
            continue;
        ++rows;
        // Sensor readings move with the signal: their names count, their values not.
        const QString value = row.kind == ParamKind::Display
                                  ? QString()
                                  : ParamShownText(row, heldValue(m, row), decimals, chinese);
        const QString line = pdftools::squeezed(ParamName(row, chinese) + value +
                                                ParamUnitText(row, unit, chinese, analogType) +
                                                ParamRangeText(row, decimals));
        const bool found = row.kind == ParamKind::Display
                               ? text.contains(pdftools::squeezed(ParamName(row, chinese)))
                               : lines.contains(line);
        if (!found)
            missing << QString::fromLatin1(row.widget) + QLatin1Char(' ') + line;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    QCOMPARE(content.params.size(), rows);
    QVERIFY(lines.contains(pdftools::squeezed(ParamName(*FindParamByAddress(106), chinese) +
                                              QStringLiteral("1234.57kg0.00..99999.99"))));

    for (const pdftools::Font &font : pdftools::fonts(pdf))
        QVERIFY2(font.embedded, qPrintable(font.name + QStringLiteral(" is not embedded")));
    QVERIFY(!pdftools::fonts(pdf).isEmpty());
    QTemporaryDir images;
    const QVector<QImage> rendered = pdftools::render(pdf, images.path());
    QCOMPARE(rendered.size(), pages);
    for (const QImage &page : rendered)
        QVERIFY(!page.isNull() && page.height() > page.width());
}

void TstReport::theCurveIsDrawnFromItsSamples()
{
    QVERIFY(startInstrument(sim::Kind::Analog, 0));
    ReportContent content = read(false);
    for (int i = 0; i <= 100; ++i)
        content.curve.append(QPointF(i * 0.1, 500 + 300 * std::sin(i / 8.0)));
    int pages = 0;
    const QString withCurve = write(content, QStringLiteral("curve.pdf"), &pages);
    content.curve.clear();
    const QString without = write(content, QStringLiteral("nocurve.pdf"));

    // The page with the curve's title holds the curve's colour; no page of the
    // report without samples does, and that report says why.
    int curvePage = 0;
    for (int p = 1; p <= pages && !curvePage; ++p) {
        if (pdftools::text(withCurve, p, p).contains(QStringLiteral("Weight over the last 10 s")))
            curvePage = p;
    }
    QVERIFY(curvePage > 0);
    QTemporaryDir a, b;
    const QVector<QImage> drawn = pdftools::render(withCurve, a.path(), 72);
    const QVector<QImage> empty = pdftools::render(without, b.path(), 72);
    QCOMPARE(drawn.size(), pages);
    QVERIFY(pdftools::pixelsNear(drawn[curvePage - 1], ReportCurveColor, 40) > 300);
    for (const QImage &page : empty)
        QCOMPARE(pdftools::pixelsNear(page, ReportCurveColor, 40), 0);
    QVERIFY(pdftools::text(without).contains(QStringLiteral("No samples of the live weight")));
    QVERIFY(!pdftools::text(withCurve).contains(QStringLiteral("No samples of the live weight")));
    // The y axis is numbered across the samples' span.
    const QString page = pdftools::text(withCurve, curvePage, curvePage);
    QVERIFY(page.contains(QStringLiteral("800")) && page.contains(QStringLiteral("200")));
}

void TstReport::aLinkCutHalfwayNamesWhatWasNotRead_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("why");
    QTest::newRow("silent: no more is asked after three")
        << true << "theinstrumentstoppedanswering";
    QTest::newRow("refusing: every block is asked") << false << "refusedbytheinstrument";
}

void TstReport::aLinkCutHalfwayNamesWhatWasNotRead()
{
    QFETCH(bool, silent);
    QFETCH(QString, why);
    QVERIFY(startInstrument(sim::Kind::Analog, 0));
    gp_ModbusDevice->setTimeout(150);
    ReportContent content;
    ReportReader reader(m_link, &content);
    // After the basic configuration (the fifth read) the instrument goes
    // silent, or answers every request with an exception.
    sim::FaultOptions faults;
    (silent ? faults.dropRate : faults.exceptionRate) = 1;
    constexpr int ReadsBeforeTheCut = 5;
    connect(&reader, &ReportReader::progress, this, [&](int done) {
        if (done == ReadsBeforeTheCut)
            m_sim->setFaults(faults);
    });
    QSignalSpy done(&reader, &ReportReader::finished);
    reader.start();
    QVERIFY(done.wait(30000));

    int dropped = 0, refused = 0;
    for (const sim::LoggedRequest &r : m_sim->requestLog()) {
        dropped += r.dropped;
        refused += r.exception != 0;
    }
    // Silent: three requests went unanswered and nothing more was asked.
    // Refusing: every read left was asked (all but the digital block, which an
    // analog instrument has not).
    QCOMPARE(dropped, silent ? ReopenAfterTimeouts : 0);
    QCOMPARE(refused, silent ? 0 : reader.total() - ReadsBeforeTheCut - 1);
    QVERIFY(!content.serial.failed);
    QVERIFY(!content.liveWeight.failed);
    int read = 0, unread = 0;
    for (const ReportParam &p : content.params) {
        // Pages before the cut were read whole; everything after is marked.
        if (p.page == 1 || p.widget == QLatin1String("EditFullScale")) {
            QVERIFY2(!p.value.failed, qPrintable(p.widget));
            ++read;
        } else if (p.page >= 3) {
            QVERIFY2(p.value.failed, qPrintable(p.widget));
            ++unread;
        }
    }
    QVERIFY(read > 10 && unread > 40);

    const QString pdf = write(content, QStringLiteral("cut.pdf"));
    const QString text = pdftools::text(pdf);
    QVERIFY(text.contains(QStringLiteral("Values that could not be read")));
    const QString flat = pdftools::squeezed(text);
    for (const QString &block : {QStringLiteral("registers150-157(Application)"),
                                 QStringLiteral("registers300-353(Datatransmission)"),
                                 QStringLiteral("registers520-537(Testandmaintenance)")})
        QVERIFY2(flat.contains(block), qPrintable(block));
    // Every unread value says so where it is listed.
    const QSet<QString> lines = squeezedLines(pdf);
    for (const ReportParam &p : content.params) {
        if (!p.value.failed)
            continue;
        bool said = false;
        for (const QString &line : lines)
            said =
                said || (line.startsWith(pdftools::squeezed(p.name + QStringLiteral("notread"))));
        QVERIFY2(said, qPrintable(p.name));
    }
    QVERIFY(flat.contains(why));
    // The reason is said once in each section it concerns, not in every row.
    const int sections = 8; // instrument, calibration and the six pages at most
    QVERIFY2(flat.count(QStringLiteral("notread:") + why) <= sections,
             qPrintable(QString::number(flat.count(QStringLiteral("notread:") + why))));
    if (silent) {
        // No samples were taken after the cut: the curve names no span.
        QVERIFY(!flat.contains(QStringLiteral("Weightoverthelast")));
        QVERIFY(flat.contains(QStringLiteral("Weightcurve")));
    }
}

void TstReport::aLinkLostWhileSamplingEndsTheSamplingAndIsNamed()
{
    QVERIFY(startInstrument(sim::Kind::Analog, 0));
    gp_ModbusDevice->setTimeout(150);
    ReportContent content;
    ReportReader reader(m_link, &content);
    // A minute of samples; the instrument goes away after the third.
    constexpr int SampleMs = 60000;
    reader.setSampling(SampleMs);
    const int reads = reader.total() - SampleMs / ReportReader::SampleIntervalMs;
    connect(&reader, &ReportReader::progress, this, [&](int done) {
        if (done == reads + 3)
            m_sim.reset();
    });
    QSignalSpy done(&reader, &ReportReader::finished);
    reader.start();
    // Far sooner than the minute: nothing is waited for once the link is gone.
    QVERIFY(done.wait(20000));
    QVERIFY(content.linkLost);
    QCOMPARE(content.curve.size(), 3);
    QCOMPARE(content.gaps.size(), 1);
    QVERIFY(content.gaps.first().what.startsWith(QStringLiteral("live weight samples after")));

    const QString text =
        pdftools::squeezed(pdftools::text(write(content, QStringLiteral("lost.pdf"))));
    QVERIFY(text.contains(QStringLiteral("Valuesthatcouldnotberead")));
    QVERIFY(text.contains(QStringLiteral("liveweightsamplesafter")));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("Weightoverthelast0\\.\\ds"))));
}

void TstReport::pollingIsHeldForEachRequestOnly()
{
    QVERIFY(startInstrument(sim::Kind::Analog, 0));
    sim::FaultOptions slow;
    slow.delayMs = 30;
    m_sim->setFaults(slow);
    ReportContent content;
    ReportReader reader(m_link, &content);
    reader.setSampling(3 * ReportReader::SampleIntervalMs);
    // Between two reads (when progress is told) polling is free; while a
    // request is out it is held.
    int heldBetween = 0, progressCount = 0, heldDuring = 0, looks = 0;
    connect(&reader, &ReportReader::progress, this, [&] {
        ++progressCount;
        heldBetween += PollHeld();
    });
    QTimer look;
    look.setInterval(5);
    connect(&look, &QTimer::timeout, this, [&] {
        ++looks;
        heldDuring += PollHeld();
    });
    look.start();
    QSignalSpy done(&reader, &ReportReader::finished);
    reader.start();
    QVERIFY(done.wait(30000));
    look.stop();
    QCOMPARE(progressCount, reader.total());
    QCOMPARE(heldBetween, 0);
    QVERIFY(heldDuring > 0);
    QVERIFY(heldDuring < looks);
    QVERIFY(!PollHeld());
    QCOMPARE(content.curve.size(), 3);
}

void TstReport::theChangesSinceTheStartAndTheChainCheck()
{
    QVERIFY(startInstrument(sim::Kind::Analog, 0));
    const QString path = m_dir.filePath(QStringLiteral("history.sqlite"));
    QFile::remove(path);
    ServiceRecord record;
    QString error;
    QVERIFY2(record.open(path, &error), qPrintable(error));
    const QString serial = read(false).serial.text;
    QVERIFY(!serial.isEmpty());
    const QDateTime start = QDateTime::currentDateTime().addSecs(-600);
    struct Change
    {
        QString serial;
        int minutes; // after start
        const char *source;
        ServiceEntry::Outcome outcome;
    };
    const Change changes[] = {
        {serial, -30, "before the visit", ServiceEntry::Written},
        {serial, 1, "page Basic Config, field EditZeroRange", ServiceEntry::Written},
        {QStringLiteral("OTHER-1"), 2, "another instrument", ServiceEntry::Written},
        {serial, 3, "zeltctl write EditFullScale=1500", ServiceEntry::Refused},
    };
    for (const Change &c : changes) {
        ServiceEntry e;
        e.timeUtc = start.addSecs(60 * c.minutes);
        e.utcOffsetSeconds = start.offsetFromUtc();
        e.serial = c.serial;
        e.paramName = QStringLiteral("Zero range");
        e.paramNameZh = QStringLiteral("清零范围");
        e.oldShown = QStringLiteral("2");
        e.newShown = QStringLiteral("37");
        e.unit = QStringLiteral("%");
        e.source = QString::fromLatin1(c.source);
        e.outcome = c.outcome;
        QVERIFY(record.append(e, &error));
    }

    for (bool chinese : {false, true}) {
        const ReportContent content = read(chinese, &record, start);
        QCOMPARE(content.changes.size(), 2);
        QVERIFY(content.chain.ok);
        const QString text =
            pdftools::squeezed(pdftools::text(write(content, QStringLiteral("changes.pdf"))));
        // The source names the parameter as the report does, not by its widget.
        const QString zeroRange = pdftools::squeezed(ParamName(*FindParamByAddress(54), chinese));
        const QString fullScale = pdftools::squeezed(ParamName(*FindParamByAddress(106), chinese));
        QVERIFY(text.contains(QStringLiteral("pageBasicConfig,field") + zeroRange));
        QVERIFY(
            text.contains(QStringLiteral("zeltctlwrite") + fullScale + QStringLiteral("=1500")));
        QVERIFY(!text.contains(QStringLiteral("EditFullScale")));
        QVERIFY(!text.contains(QStringLiteral("beforethevisit")));
        QVERIFY(!text.contains(QStringLiteral("anotherinstrument")));
        QVERIFY(!text.contains(QStringLiteral("weresearched")));
        QVERIFY(text.contains(QStringLiteral("2→37%")));
        QVERIFY(text.contains(chinese ? QStringLiteral("被拒绝") : QStringLiteral("refused")));
        QVERIFY(text.contains(chinese ? QStringLiteral("记录全部4条的链完整")
                                      : QStringLiteral("chainintactoverall4entriesoftherecord")));
    }

    // Someone edits an entry: the report says where the chain breaks.
    record.close();
    QCOMPARE(runEditSql(path, QStringLiteral("UPDATE entries SET new_shown = '99' WHERE seq = 2")),
             1);
    QVERIFY(record.open(path, &error));
    const ReportContent content = read(false, &record, start);
    QVERIFY(!content.chain.ok);
    const QString text =
        pdftools::squeezed(pdftools::text(write(content, QStringLiteral("broken.pdf"))));
    QVERIFY(text.contains(QStringLiteral("chainbrokenatentry2")));

    // A long visit: the newest entries are searched, and the report says how many there are.
    const int many = ReportReader::MostEntriesSearched + 7;
    record.beginBatch();
    for (int i = 0; i < many; ++i) {
        ServiceEntry e;
        e.kind = i % 3 ? ServiceEntry::Change : ServiceEntry::Connect;
        e.serial = serial;
        e.paramName = QStringLiteral("Zero range");
        e.source = QStringLiteral("row %1").arg(i);
        QVERIFY(record.append(e, &error));
    }
    record.endBatch();
    const ReportContent longVisit = read(false, &record, start);
    QCOMPARE(longVisit.entriesSearched, ReportReader::MostEntriesSearched);
    QCOMPARE(longVisit.entriesInTime, many + 2);
    QVERIFY(longVisit.changes.size() < ReportReader::MostEntriesSearched);
    QVERIFY(pdftools::squeezed(pdftools::text(write(longVisit, QStringLiteral("long.pdf"))))
                .contains(QStringLiteral("Therecordholds%1entriesofthisinstrumentinthattime;"
                                         "thenewest500weresearched.")
                              .arg(many + 2)));

    // Without a record the report says the changes cannot be listed.
    const QString none =
        pdftools::squeezed(pdftools::text(write(read(false), QStringLiteral("none.pdf"))));
    QVERIFY(none.contains(QStringLiteral("Thechangescannotbelisted")));
}

// A restore of every row on paper: one group line with its counts, beneath it
// only the rows that changed or failed, the IP address as one row, the file's
// hash cut short; and the record's check and anchor never alone on a page,
// however many changes come before them.
void TstReport::aRestoreIsOneGroupAndTheAnchorNeverStandsAlone()
{
    QVERIFY(startInstrument(sim::Kind::Analog, 0));
    const QString path = m_dir.filePath(QStringLiteral("restore.sqlite"));
    QFile::remove(path);
    ServiceRecord record;
    QString error;
    QVERIFY2(record.open(path, &error), qPrintable(error));
    ServiceEntry connect; // a chain with a head for the anchor
    connect.kind = ServiceEntry::Connect;
    QVERIFY(record.append(connect, &error));
    ReportContent content = read(false, &record, QDateTime::currentDateTime().addSecs(-60));
    const QString hash =
        QString(64, QLatin1Char('a')).replace(0, 12, QStringLiteral("0123456789ab"));
    const QString run = QStringLiteral("file scale7.xlsx sha256 %1").arg(hash);
    const QMap<int, QPair<QString, QString>> changed = {{54, {"2", "37"}},
                                                        {368, {"192", "10"}},
                                                        {370, {"168", "0"}},
                                                        {372, {"1", "0"}},
                                                        {374, {"20", "7"}}};
    const int failedAddress = 62;
    QVector<ServiceEntry> restore;
    int row = 2;
    for (const ParamRow *p : FileParameters()) {
        ServiceEntry e;
        e.kind = ServiceEntry::Change;
        e.timeUtc = QDateTime::currentDateTimeUtc();
        e.serial = content.serial.text;
        e.address = p->address;
        e.count = p->count;
        e.paramName = ParamName(*p, false);
        e.paramNameZh = ParamName(*p, true);
        e.oldShown = e.newShown = QStringLiteral("5");
        if (changed.contains(p->address)) {
            e.oldShown = changed[p->address].first;
            e.newShown = changed[p->address].second;
        }
        if (p->address > 374) // written without reading them first, as restore --all does
            e.oldShown.clear();
        e.source = run + QStringLiteral(" row %1").arg(row++);
        e.outcome = p->address == failedAddress ? ServiceEntry::TimedOut : ServiceEntry::Written;
        restore.append(e);
    }
    QVERIFY(restore.size() > 100);

    const ReportLanguage english(false);
    const QVector<ChangeRow> rows = ReportChangeRows(
        restore, english, [](const ServiceEntry &e) { return OutcomeText(e.outcome); });
    QStringList shown;
    for (const ChangeRow &r : rows)
        shown << QStringLiteral("%1|%2|%3|%4|%5")
                     .arg(r.member ? "  " : "", r.name, r.change, r.source, r.outcome);
    const int notRead = int(std::count_if(restore.begin(), restore.end(),
                                          [](const ServiceEntry &e) { return e.address > 374; }));
    QVERIFY(notRead > 0);
    const QString head = QStringLiteral("|parameter file|%1 rows: %2 changed, %3 unchanged, %4 "
                                        "written over a value not read|"
                                        "file scale7.xlsx sha256 0123456789ab…|1 failed")
                             .arg(restore.size())
                             .arg(changed.size())
                             .arg(restore.size() - changed.size() - 1 - notRead)
                             .arg(notRead);
    const auto rowOf = [&](int address) {
        for (const ServiceEntry &e : restore)
            if (e.address == address)
                return e.source.section(' ', -1);
        return QString();
    };
    QCOMPARE(shown,
             (QStringList{head, "  |Zero range|2 → 37 %|row " + rowOf(54) + "|written",
                          "  |Sample rate|5 → 5 Hz|row " + rowOf(failedAddress) + "|timed out",
                          "  |IP address|192.168.1.20 → 10.0.0.7|row " + rowOf(368) + "|written"}));

    // On paper, with 0 to 40 single changes before it: the hash is never whole,
    // the restore takes a few lines, and the last page holds more than the anchor.
    for (int before = 0; before <= 40; ++before) {
        content.changes.clear();
        for (int i = 0; i < before; ++i) {
            ServiceEntry e = restore[0];
            e.source = QStringLiteral("zeltctl write EditZeroRange=%1").arg(i);
            content.changes.append(e);
        }
        content.changes += restore;
        int pages = 0;
        const QString pdf = write(content, QStringLiteral("restore.pdf"), &pages);
        const QString all = pdftools::squeezed(pdftools::text(pdf));
        QVERIFY(!all.contains(hash));
        QVERIFY(all.contains(QStringLiteral("0123456789ab…")));
        const QString changesPart = all.mid(all.indexOf(QStringLiteral("Changessince")));
        QCOMPARE(changesPart.count(QStringLiteral("IPaddressbyte")), 0);
        QVERIFY(changesPart.contains(QStringLiteral("192.168.1.20→10.0.0.7")));
        const QString last = pdftools::squeezed(pdftools::text(pdf, pages, pages));
        QVERIFY2(last.contains(QStringLiteral("Anchor")), qPrintable(last));
        QVERIFY2(last.contains(QStringLiteral("Servicerecordcheck")) &&
                     last.contains(QStringLiteral("written")),
                 qPrintable(QStringLiteral("%1 changes before: %2").arg(before).arg(last)));
    }
}

QTEST_MAIN(TstReport)
#include "tst_report.moc"
