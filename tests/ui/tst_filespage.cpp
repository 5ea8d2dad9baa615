// Parameter files through the test page's buttons against the simulated
// instrument: the export fills a copy of the template made from the catalogue,
// an edited value comes back through the import, the progress bar, the path
// link, the counts and the notices say what happened.
#include "exeltowrite.h"
#include "files/workbookfixture.h"
#include "languagefont.h"
#include "pagefixture.h"
#include "paramfiles.h"
#include "paramtemplate.h"
#include "testmaintain.h"
#include "workbook.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

using namespace pagetest;

namespace {

class ScriptedTestPage : public TestMaintain
{
public:
    QString chosenFile;

protected:
    QString chooseImportFile() override { return chosenFile; }
};

const QString ParamSheet = QStringLiteral("读写类");

int rowOf(Workbook &book, int address)
{
    for (int r = 2; r <= book.rowCount(); ++r) {
        if (book.cellText(r, 1) == QString::number(address))
            return r;
    }
    return 0;
}

} // namespace

class TestFilesPage : public QObject
{
    Q_OBJECT

private:
    Bench bench;
    std::unique_ptr<ScriptedTestPage> page;

    QLabel *label(const char *name) { return child<QLabel>(page.get(), name); }
    QPushButton *button(const char *name) { return child<QPushButton>(page.get(), name); }
    void showTab(const char *name)
    {
        child<QTabWidget>(page.get(), "tabWidget")
            ->setCurrentWidget(child<QWidget>(page.get(), name));
        page->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), page.get());
    }
    QString exportTarget() const
    {
        return bench.home.path() + QStringLiteral("/Export/QuarnT-Zelt_ExportFile.xlsx");
    }
    // Clicks Export and answers its notice; returns the notices seen and the bar's values.
    QStringList clickExport(QVector<int> *barValues = nullptr)
    {
        auto *bar = child<QProgressBar>(page.get(), "progressBar_Export");
        QObject scope;
        if (barValues)
            connect(bar, &QProgressBar::valueChanged, &scope,
                    [barValues](int v) { barValues->append(v); });
        DialogScript answers({{true}});
        QTest::mouseClick(button("Btu_Export"), Qt::LeftButton);
        return answers.messages();
    }

private slots:
    void initTestCase() { QVERIFY(bench.start()); }

    void init()
    {
        bench.reset();
        gu32_PageIndex = 5;
        gu32_Language = 0;
        gu32_ConnectType = 1;
        QDir(bench.home.path() + QStringLiteral("/Export")).removeRecursively();
        QDir(bench.home.path() + QStringLiteral("/Template")).removeRecursively();
        page = std::make_unique<ScriptedTestPage>();
        ConnectParamFiles(page.get());
        page->resize(1150, 800);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        page->enterPage(gp_ModbusDevice);
        bench.host->clearLog();
    }
    void cleanup() { page.reset(); }

    void exportThenImportAnEditedValueThroughTheButtons()
    {
        bench.model().setValue32(54, 20);
        bench.model().setValue32(366, 70000);
        showTab("tab_Export");
        QVector<int> barValues;
        QCOMPARE(clickExport(&barValues), QStringList{"Export Successful!"});
        const int rows = FileParameters().size();
        QCOMPARE(barValues.last(), 100);
        QVERIFY(barValues.size() >= rows / 2); // the bar moves with the rows
        QVERIFY(child<QWidget>(page.get(), "progressBar_Export")->isHidden());
        QVERIFY(QFile::exists(bench.home.path() + QStringLiteral("/Template/QuarnT-Zelt_EN.xlsx")));
        QCOMPARE(label("label_exportPath")->text(),
                 QStringLiteral("<a style='color:#00aaff;' href=\"%1\">Export Path>>>%2</a>")
                     .arg(bench.home.path() + QStringLiteral("/Export"), exportTarget()));
        QCOMPARE(label("label_exportCounts")->text(), QStringLiteral("%1 rows: %1 read").arg(rows));

        Workbook book;
        QVERIFY(book.open(exportTarget()) && book.selectSheet(ParamSheet));
        QCOMPARE(book.cellText(rowOf(book, 54), 7), QString("20"));
        QCOMPARE(book.cellText(rowOf(book, 366), 7), QString("70000"));
        const int zeroRange = rowOf(book, 54);
        QVERIFY(book.setCellText(zeroRange, 7, "33"));
        QVERIFY(book.save());
        book.close();

        showTab("tab_Import");
        page->chosenFile = exportTarget();
        DialogScript answers({{true}});
        QTest::mouseClick(button("But_Import"), Qt::LeftButton);
        QCOMPARE(answers.messages(), QStringList{"Import Successful!"});
        QCOMPARE(bench.model().value32(54), 33u);
        QVERIFY(label("label_importPath")->text().contains("Import Path>>>" + exportTarget()));
        // the link's rows and the five calibration points are passed over
        int skipped = 0;
        for (const ParamRow *p : FileParameters())
            skipped += (p->address >= 360 && p->address <= 395) ||
                       (p->address >= 112 && p->address <= 120);
        QCOMPARE(label("label_importCounts")->text(),
                 QStringLiteral("%1 rows: %2 written, %3 skipped")
                     .arg(rows)
                     .arg(rows - skipped)
                     .arg(skipped));
    }

    // Rows the instrument refuses fail the import only when nothing went in;
    // otherwise it finished with problems: the notice names the failed rows and
    // the path link stays.
    void refusedWritesMakeTheImportPartialOrFailed_data()
    {
        QTest::addColumn<bool>("withWritableRow");
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<QString>("counts");
        QTest::newRow("some rows written")
            << true
            << QStringList{"Import finished with problems!\n3 rows: 1 written, 1 refused (rows "
                           "3), 1 failed (rows 2)"}
            << "3 rows: 1 written, 1 refused (rows 3), 1 failed (rows 2)";
        QTest::newRow("no row written")
            << false << QStringList{"Import Failed!"}
            << "2 rows: 0 written, 1 refused (rows 3), 1 failed (rows 2)";
    }
    void refusedWritesMakeTheImportPartialOrFailed()
    {
        QFETCH(bool, withWritableRow);
        QFETCH(QStringList, notices);
        QFETCH(QString, counts);
        bench.model().setReg(9302, 0); // application remote editing off
        const QString file = bench.home.filePath(QStringLiteral("locked.xlsx"));
        QVector<QStringList> rows = {{"Address", "Name", "Count", "Max", "Min", "Note", "Value"},
                                     {"54", "Zero range", "2", "99", "0", "%", "30"},
                                     {"56", "Stability range", "2", "99", "0", "d", "150"}};
        if (withWritableRow)
            rows.append({"530", "Backlight level", "2", "2", "0", "", "1"});
        QVERIFY(CreateWorkbook(file, ParamSheet, rows, {}));
        showTab("tab_Import");
        page->chosenFile = file;
        DialogScript answers({{true}});
        QTest::mouseClick(button("But_Import"), Qt::LeftButton);
        QCOMPARE(answers.messages(), notices);
        QCOMPARE(label("label_importPath")->text().isEmpty(), !withWritableRow);
        QCOMPARE(label("label_importCounts")->text(), counts);
    }

    // A row the catalogue does not allow is refused through the page's button
    // as by zeltctl: counted and named, and nothing reaches the instrument.
    void rowsTheCatalogueDoesNotAllowAreNeverSent_data()
    {
        QTest::addColumn<QStringList>("edited");
        QTest::addColumn<int>("target");
        QTest::newRow("address moved")
            << QStringList{"106", "Zero range", "2", "99", "0", "%", "7"} << 106;
        QTest::newRow("read-only register")
            << QStringList{"10000", "Zero range", "2", "99", "0", "%", "7"} << 10000;
        QTest::newRow("name of another parameter")
            << QStringList{"54", "Full scale 1", "2", "9999999", "0", "", "7"} << 54;
        QTest::newRow("limits widened")
            << QStringList{"54", "Zero range", "2", "100000", "0", "%", "500"} << 54;
    }
    void rowsTheCatalogueDoesNotAllowAreNeverSent()
    {
        QFETCH(QStringList, edited);
        QFETCH(int, target);
        const quint32 before = bench.model().value32(target);
        const QString file = bench.home.filePath(QStringLiteral("crafted.xlsx"));
        QVERIFY(CreateWorkbook(
            file, ParamSheet, {{"Address", "Name", "Count", "Max", "Min", "Note", "Value"}, edited},
            {}));
        showTab("tab_Import");
        page->chosenFile = file;
        DialogScript answers({{true}});
        QTest::mouseClick(button("But_Import"), Qt::LeftButton);
        QCOMPARE(answers.messages(), QStringList{"Import Failed!"});
        QVERIFY2(label("label_importCounts")->text().startsWith("1 rows: 0 written, 1 refused"),
                 qPrintable(label("label_importCounts")->text()));
        QCOMPARE(bench.writesTo(target).size(), 0);
        QCOMPARE(bench.model().value32(target), before);
    }

    // A row the instrument cannot read leaves its cell empty; the other rows are
    // saved and the file is offered.
    void anUnreadableRowMakesTheExportPartial()
    {
        const QString templatePath =
            bench.home.path() + QStringLiteral("/Template/QuarnT-Zelt_EN.xlsx");
        QDir().mkpath(bench.home.path() + QStringLiteral("/Template"));
        QVERIFY(CreateWorkbook(templatePath, ParamSheet,
                               {{"Address", "Name", "Count", "Max", "Min", "Note", "Value"},
                                {"54", "Zero range", "2", "99", "0", "%", ""},
                                {"7000", "not in the map", "1", "99", "0", "", ""}},
                               {}));
        bench.model().setValue32(54, 20);
        showTab("tab_Export");
        QCOMPARE(clickExport(),
                 QStringList{"Export finished with problems!\n2 rows: 1 read, 1 failed (rows 3)"});
        QVERIFY(label("label_exportPath")->text().contains("Export Path>>>" + exportTarget()));
        Workbook book;
        QVERIFY(book.open(exportTarget()) && book.selectSheet(ParamSheet));
        QCOMPARE(book.cellText(2, 7), QString("20"));
        QCOMPARE(book.cellText(3, 7), QString());
    }

    void aWorkbookWithoutTheParameterSheetFailsWithoutTraffic()
    {
        const QString file = bench.home.filePath(QStringLiteral("other.xlsx"));
        QVERIFY(
            CreateWorkbook(file, "Sheet1", {{"Address"}, {"54", "", "2", "99", "0", "", "1"}}, {}));
        showTab("tab_Import");
        page->chosenFile = file;
        DialogScript answers({{true}});
        QTest::mouseClick(button("But_Import"), Qt::LeftButton);
        QCOMPARE(answers.messages(), QStringList{"Import Failed!"});
        QCOMPARE(bench.host->requestLog().size(), 0);
        QVERIFY(label("label_importCounts")->text().isEmpty());
    }

    // The label beside the path says why the engine would not read the file.
    void aWorkbookTheEngineRefusesShowsTheReason()
    {
        const QString file = bench.home.filePath(QStringLiteral("dtd.xlsx"));
        QVERIFY(writeRawZip(
            file, minimalParts(ParamSheet,
                               sheetXml("").replace("<worksheet", "<!DOCTYPE w><worksheet"))));
        showTab("tab_Import");
        page->chosenFile = file;
        DialogScript answers({{true}});
        QTest::mouseClick(button("But_Import"), Qt::LeftButton);
        QCOMPARE(answers.messages(), QStringList{"Import Failed!"});
        QVERIFY2(
            label("label_importCounts")->text().endsWith("declares a DTD or entities; refused"),
            qPrintable(label("label_importCounts")->text()));
    }

    void aSecondExportKeepsTheFirst()
    {
        showTab("tab_Export");
        QCOMPARE(clickExport(), QStringList{"Export Successful!"});
        QFile first(exportTarget());
        QVERIFY(first.open(QIODevice::ReadOnly));
        const QByteArray firstBytes = first.readAll();
        first.close();
        QCOMPARE(clickExport(), QStringList{"Export Successful!"});
        const QStringList files = QDir(bench.home.path() + QStringLiteral("/Export"))
                                      .entryList({QStringLiteral("*.xlsx")}, QDir::Files);
        QCOMPARE(files.size(), 2);
        QVERIFY(files.contains(QStringLiteral("QuarnT-Zelt_ExportFile.xlsx")));
        for (const QString &f : files) {
            if (f == QLatin1String("QuarnT-Zelt_ExportFile.xlsx"))
                continue;
            QVERIFY2(f.startsWith(QLatin1String("QuarnT-Zelt_ExportFile_20")), qPrintable(f));
            QFile kept(bench.home.path() + QStringLiteral("/Export/") + f);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), firstBytes);
        }
    }
};

QTEST_MAIN(TestFilesPage)
#include "tst_filespage.moc"
