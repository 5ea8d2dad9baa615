// The test page's Service Report tab against a simulated instrument: the dialog
// typed into as a user does, the values it remembers, the save dialog's
// suggestion, the progress, the PDF read back with poppler's tools, the curve
// of the monitoring page, and a click without a link.
#include "application.h"
#include "basicconfig.h"
#include "datatrans.h"
#include "digsensors.h"
#include "maininterface.h"
#include "pagefixture.h"
#include "paramshown.h"
#include "report/pdftools.h"
#include "reportcurve.h"
#include "reportpdf.h"
#include "reportreader.h"
#include "servicereporttab.h"
#include "testmaintain.h"
#include "weightcal.h"

#include <QDateTimeEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTranslator>

using namespace pagetest;

namespace {

struct Typed
{
    QString engineer;
    QString site;
    QString note;
    bool save = true;
};

// Fills in the report dialog when it opens (what it showed first is kept) and
// presses Save or Cancel.
class ReportDialogScript : public QObject
{
public:
    explicit ReportDialogScript(Typed typed) : m_typed(std::move(typed))
    {
        connect(&m_watch, &QTimer::timeout, this, &ReportDialogScript::answer);
        m_watch.start(5);
    }
    Typed shown;
    bool opened = false;

private:
    void answer()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != QLatin1String("ServiceReportDialog") || opened)
            return;
        opened = true;
        auto *engineer = child<QLineEdit>(dialog, "EditReportEngineer");
        auto *site = child<QLineEdit>(dialog, "EditReportSite");
        auto *note = child<QPlainTextEdit>(dialog, "EditReportNote");
        shown = {engineer->text(), site->text(), note->toPlainText()};
        for (QLineEdit *edit : {engineer, site}) {
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
        }
        QTest::keyClicks(engineer, m_typed.engineer);
        QTest::keyClicks(site, m_typed.site);
        note->selectAll();
        QTest::keyClick(note, Qt::Key_Delete);
        QTest::keyClicks(note, m_typed.note);
        QPointer<QPushButton> press =
            child<QPushButton>(dialog, m_typed.save ? "Btn_ReportSave" : "Btn_ReportCancel");
        QTimer::singleShot(0, dialog, [press] {
            if (press)
                press->click();
        });
    }

    Typed m_typed;
    QTimer m_watch;
};

} // namespace

class TstServiceReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!pdftools::available())
            QSKIP("poppler-utils is not installed (scripts/install-deps installs it)");
        QVERIFY(m_bench.start());
    }
    void init() { m_bench.reset(); }

    void theMonitoringPageGivesItsWeightCurve();
    void everyChoiceReadsInTheReportAsItsPageShowsIt_data();
    void everyChoiceReadsInTheReportAsItsPageShowsIt();
    void theTestPageHasTheTabInBothLanguages();
    void aReportIsSavedWithWhatTheDialogWasGiven();
    void withoutALinkNothingIsAskedOrWritten();

private:
    Bench m_bench;
};

void TstServiceReport::theMonitoringPageGivesItsWeightCurve()
{
    MainInterface page;
    QDateTime now = QDateTime::currentDateTimeUtc();
    // Seventy samples half a second apart: the first ten have left the minute shown.
    for (int i = 0; i < 70; ++i) {
        const float weight = 100.0f + i;
        quint32 bits = 0;
        memcpy(&bits, &weight, sizeof bits);
        gsrt_LiveVal.slot[7] = bits; // gross
        gsrt_LiveVal.slot[11] = quint32(5000 + i);
        page.updateDraw(now);
        now = now.addMSecs(1000);
    }
    const QVector<QPointF> curve = page.weightCurve();
    QCOMPARE(curve.size(), 61);
    QCOMPARE(curve.first(), QPointF(0, 109));
    QCOMPARE(curve.last(), QPointF(60, 169));
    // A curve of the sensor signal is no weight curve.
    page.setMonitorParam(0, MainInterface::SensorSignal);
    page.setMonitorParam(1, MainInterface::GainSignal);
    QVERIFY(page.weightCurve().isEmpty());
    page.setMonitorParam(1, MainInterface::Net);
    QVERIFY(!page.weightCurve().isEmpty());
}

void TstServiceReport::everyChoiceReadsInTheReportAsItsPageShowsIt_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::newRow("English") << false;
    QTest::newRow("Chinese") << true;
}

void TstServiceReport::everyChoiceReadsInTheReportAsItsPageShowsIt()
{
    QFETCH(bool, chinese);
    QTranslator catalogue;
    if (chinese) {
        QVERIFY(catalogue.load(QStringLiteral(":/Translate/Language_CN.qm")));
        QCoreApplication::installTranslator(&catalogue);
    }
    BasicConfig basic;
    WeightCal cal;
    Application app;
    DataTrans data;
    TestMaintain test;
    DigSensors dig;
    const QList<PageBase *> pages = {&basic, &cal, &app, &data, &test, &dig};
    for (PageBase *page : pages)
        page->enterPage(); // a page takes the language on when it is entered

    // A digital instrument, so that the digital sensors' page is reported too;
    // each list holds one of its later items.
    sim::InstrumentModel &m = m_bench.model();
    m.setKind(sim::Kind::Digital);
    QVector<QPair<const ParamRow *, QString>> shown;
    QStringList faults;
    for (const ParamRow &row : ParameterCatalogue()) {
        if (row.kind != ParamKind::Index)
            continue;
        QComboBox *box = nullptr;
        for (PageBase *page : pages)
            box = box ? box : page->findChild<QComboBox *>(QLatin1String(row.widget));
        if (!box) {
            faults << QStringLiteral("%1 is on no page").arg(QLatin1String(row.widget));
            continue;
        }
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i).trimmed();
        if (ParamChoices(row, chinese) != items)
            faults << QStringLiteral("%1: the page lists %2, the catalogue %3")
                          .arg(QLatin1String(row.widget), items.join(QLatin1Char('|')),
                               ParamChoices(row, chinese).join(QLatin1Char('|')));
        const int value = items.size() - 1 - (row.address / 2) % qMax(1, items.size() - 1);
        if (row.access == ParamAccess::WriteOnly)
            m.setReg(row.readBack, quint16(value));
        else
            m.setValue32(row.address, quint32(value));
        shown.append({&row, items.value(value)});
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    QVERIFY(shown.size() > 40);
    QCOMPARE(ParamChoiceText(*FindParamByAddress(150), 1, chinese),
             chinese ? QStringLiteral("设定点1") : QStringLiteral("Pre.Point 1"));

    ReportContent content;
    content.chinese = chinese;
    content.created = QDateTime::currentDateTime();
    LinkSettings link;
    link.connectType = 1;
    link.EditIP = QStringLiteral("127.0.0.1");
    link.EditPort = QString::number(m_bench.host->port());
    ReportReader reader(link, &content);
    QSignalSpy done(&reader, &ReportReader::finished);
    reader.start();
    QVERIFY(done.wait(30000));
    m.setKind(sim::Kind::Analog);
    QVERIFY(content.gaps.isEmpty());
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("choices.pdf"));
    QString error;
    QVERIFY2(WriteReportPdf(content, pdf, &error), qPrintable(error));

    // Each row of the report's parameter tables: name, the page's item, its
    // unit and no range.
    QSet<QString> lines;
    for (const QString &line : pdftools::run(QStringLiteral("pdftotext"),
                                             {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                                   .split(QLatin1Char('\n')))
        lines.insert(pdftools::squeezed(line));
    const quint32 unit = m.value32(100);
    for (const auto &s : shown) {
        const QString line = pdftools::squeezed(ParamName(*s.first, chinese) + s.second +
                                                ParamUnitText(*s.first, unit, chinese));
        if (!lines.contains(line))
            faults << QLatin1String(s.first->widget) + QLatin1Char(' ') + line;
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void TstServiceReport::theTestPageHasTheTabInBothLanguages()
{
    TestMaintain page;
    auto *tabs = child<QTabWidget>(&page, "tabWidget");
    const int index = tabs->indexOf(page.serviceReport());
    QVERIFY(index >= 0);
    QCOMPARE(tabs->tabText(index), QStringLiteral("Service Report"));
    QCOMPARE(child<QPushButton>(&page, "Btn_ServiceReport")->text(),
             QStringLiteral("Service Report"));
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/Translate/Language_CN.qm")));
    QCoreApplication::installTranslator(&chinese);
    QTRY_COMPARE(tabs->tabText(index), QStringLiteral("服务报告"));
    QCOMPARE(child<QPushButton>(&page, "Btn_ServiceReport")->text(), QStringLiteral("服务报告"));
    QCoreApplication::removeTranslator(&chinese);
    QTRY_COMPARE(tabs->tabText(index), QStringLiteral("Service Report"));
}

void TstServiceReport::aReportIsSavedWithWhatTheDialogWasGiven()
{
    m_bench.model().setValue32(54, 37);
    ServiceReportTab tab;
    tab.show();
    QVector<QPointF> curve;
    for (int i = 0; i < 60; ++i)
        curve.append(QPointF(i, 100 + (i % 10) * 5));
    tab.setCurveSource([curve] { return curve; });
    QString suggested;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("visit.pdf"));
    tab.setPathChooser([&](const QString &s) {
        suggested = s;
        return pdf;
    });
    // The bar shows the reads as they go.
    auto *bar = child<QProgressBar>(&tab, "progressBar_ServiceReport");
    QVector<int> shown;
    connect(bar, &QProgressBar::valueChanged, this, [&](int v) { shown << v; });

    QSignalSpy done(&tab, &ServiceReportTab::reportDone);
    {
        ReportDialogScript script(
            {QStringLiteral("Ada"), QStringLiteral("Mill 3"), QStringLiteral("pit cleaned")});
        QTest::mouseClick(child<QPushButton>(&tab, "Btn_ServiceReport"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 30000);
        QVERIFY(script.opened);
    }
    QCOMPARE(done.first().first().toBool(), true);
    QCOMPARE(tab.lastReport(), pdf);
    QCOMPARE(tab.lastUnread(), 0);
    QVERIFY(suggested.endsWith(QLatin1String(".pdf")));
    QVERIFY(suggested.contains(QLatin1String("ServiceReport_")));
    QVERIFY(shown.size() > 5 && shown.last() == 100);
    QVERIFY(bar->isHidden());
    QVERIFY(child<QLabel>(&tab, "label_ServiceReport")->text().contains(pdf));

    const QString text = pdftools::squeezed(pdftools::text(pdf));
    for (const char *typed : {"Ada", "Mill3", "pitcleaned"})
        QVERIFY2(text.contains(QLatin1String(typed)), typed);
    QVERIFY(text.contains(QStringLiteral("Zerorange37%0..99")));
    QVERIFY(text.contains(QStringLiteral("Weightoverthelast59s")));
    QTemporaryDir images;
    int coloured = 0;
    for (const QImage &page : pdftools::render(pdf, images.path(), 72))
        coloured += pdftools::pixelsNear(page, ReportCurveColor, 40);
    QVERIFY(coloured > 300);

    // The next report starts from what was typed; cancelling it writes nothing.
    QFile::remove(pdf);
    ReportDialogScript again({QString(), QString(), QString(), false});
    QTest::mouseClick(child<QPushButton>(&tab, "Btn_ServiceReport"), Qt::LeftButton);
    QTRY_COMPARE(done.count(), 2);
    QCOMPARE(done.last().first().toBool(), false);
    QCOMPARE(again.shown.engineer, QStringLiteral("Ada"));
    QCOMPARE(again.shown.site, QStringLiteral("Mill 3"));
    QCOMPARE(again.shown.note, QStringLiteral("pit cleaned"));
    QVERIFY(!QFile::exists(pdf));
}

void TstServiceReport::withoutALinkNothingIsAskedOrWritten()
{
    DisconnectModbus();
    ServiceReportTab tab;
    bool chooserAsked = false;
    tab.setPathChooser([&](const QString &) {
        chooserAsked = true;
        return QString();
    });
    DialogScript notices({{true}});
    QTest::mouseClick(child<QPushButton>(&tab, "Btn_ServiceReport"), Qt::LeftButton);
    QTRY_COMPARE(notices.seen.size(), 1);
    QCOMPARE(notices.seen.first().message, QStringLiteral("Connect to the instrument first."));
    QVERIFY(!chooserAsked);
    QVERIFY(m_bench.host->requestLog().isEmpty());
    QVERIFY(connectTcpClient(m_bench.host->port()));
}

QTEST_MAIN(TstServiceReport)
#include "tst_servicereport.moc"
