// The test page's Service Report tab against a simulated instrument: the dialog
// typed into as a user does, the values it remembers, the save dialog's
// suggestion, the progress, the PDF read back with poppler's tools, the curve
// of the monitoring page, and a click without a link.
#include "maininterface.h"
#include "pagefixture.h"
#include "report/pdftools.h"
#include "reportcurve.h"
#include "servicereporttab.h"
#include "testmaintain.h"

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
