#include "workbook.h"
#include "workbookfixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <quazip.h>
#include <quazipfile.h>

namespace {

const QString ParamSheet = QStringLiteral("读写类");

QMap<QString, QByteArray> zipParts(const QString &path)
{
    QMap<QString, QByteArray> parts;
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return parts;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile f(&zip);
        f.open(QIODevice::ReadOnly);
        parts.insert(zip.getCurrentFileName(), f.readAll());
    }
    return parts;
}

QVector<QStringList> sampleRows()
{
    return {{"Address", "Name", "Count", "Max", "Min", "Unit", "Value"},
            {"54", "Zero Range", "2", "99", "0", "%", ""},
            {"100", "单位", "2", "5", "0", "", "1"},
            {"9301", "CAL Remote Edit", "1", "1", "0", "0 OFF, 1 ON", "1.5"}};
}

} // namespace

class TstWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void init() { Workbook::setLimits(WorkbookLimits()); }

    void createdWorkbookReadsBackCellByCell();
    void createdWorkbookOpensInOpenpyxlWithoutWarnings();
    void onePackageWritesEachFileWithItsOwnColumn();
    void cellsReadAsTheirPlainValue_data();
    void cellsReadAsTheirPlainValue();
    void writingCellsKeepsEveryOtherPartAndCell();
    void numbersBecomeNumberCellsAndTextStaysText();
    void workbookWrittenByOpenpyxlReadsAndWritesBack();
    void hostileFilesFailWithTheirCode_data();
    void hostileFilesFailWithTheirCode();
    void sizeAndCellLimitsHold();
    void binaryWorkbookReadsThroughFreeXl();
    void binaryWorkbookIsReadOnly();
    void cellReferencesConvertBothWays();

private:
    QTemporaryDir m_dir;
};

void TstWorkbook::createdWorkbookReadsBackCellByCell()
{
    const QString path = m_dir.filePath("made.xlsx");
    QVERIFY(CreateWorkbook(path, ParamSheet, sampleRows(), {10, 30, 8, 12, 12, 20, 14}));
    Workbook book;
    QVERIFY(book.open(path));
    QCOMPARE(book.sheetNames(), QStringList{ParamSheet});
    QVERIFY(book.selectSheet(ParamSheet));
    QCOMPARE(book.rowCount(), 4);
    QCOMPARE(book.columnCount(), 7);
    const QVector<QStringList> rows = sampleRows();
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c)
            QCOMPARE(book.cellText(r + 1, c + 1), rows.at(r).at(c));
    }
    QCOMPARE(book.cellText(50, 50), QString());
    QVERIFY(!book.selectSheet("Sheet1"));
    QCOMPARE(book.status(), WorkbookStatus::SheetMissing);
}

void TstWorkbook::createdWorkbookOpensInOpenpyxlWithoutWarnings()
{
    if (!haveOpenpyxl())
        QSKIP("python3-openpyxl is not installed");
    const QString path = m_dir.filePath("warnings.xlsx");
    QVERIFY(CreateWorkbook(path, ParamSheet, sampleRows(), {10, 30, 8, 12, 12, 20, 14}));
    const QString out = runPython(QStringLiteral("import sys, warnings, openpyxl\n"
                                                 "warnings.simplefilter('error')\n"
                                                 "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                                 "ws = wb['读写类']\n"
                                                 "print(ws['A1'].font.b, ws['C3'].value, "
                                                 "ws.column_dimensions['B'].width)\n"),
                                  {path});
    QCOMPARE(out.trimmed(), QString("True 2 30.0"));
}

// A fleet's backups come from one package: each file is the workbook
// CreateWorkbook makes of its rows, and openpyxl reads its values.
void TstWorkbook::onePackageWritesEachFileWithItsOwnColumn()
{
    const QVector<double> widths{10, 30, 8, 12, 12, 20, 14};
    const WorkbookPackage package(ParamSheet, widths, sampleRows(), 7);
    QCOMPARE(package.errorText(), QString());
    const QStringList columns[] = {{"Value", "", "1", "1.5"}, {"数值", "42", "nan"}};
    for (const QStringList &column : columns) {
        QVector<QStringList> rows = sampleRows();
        for (int r = 0; r < rows.size(); ++r)
            rows[r][6] = column.value(r);
        const QString made = m_dir.filePath("made-once.xlsx");
        const QString written = m_dir.filePath("from-package.xlsx");
        QVERIFY(CreateWorkbook(made, ParamSheet, rows, widths));
        QVERIFY(package.write(written, column));
        QCOMPARE(zipParts(written), zipParts(made));
        Workbook book;
        QVERIFY(book.open(written));
        QVERIFY(book.selectSheet(ParamSheet));
        for (int r = 0; r < rows.size(); ++r)
            QCOMPARE(book.cellText(r + 1, 7), column.value(r));
    }
    if (haveOpenpyxl()) {
        const QString out = runPython(QStringLiteral("import sys, openpyxl\n"
                                                     "ws = openpyxl.load_workbook(sys.argv[1])["
                                                     "'读写类']\n"
                                                     "print(ws['G1'].font.b, ws['G2'].value, "
                                                     "ws['G3'].value, ws['A4'].value)\n"),
                                      {m_dir.filePath("from-package.xlsx")});
        QCOMPARE(out.trimmed(), QString("True 42 nan 9301"));
    }
    QString error;
    QVERIFY(!package.write(m_dir.filePath("no-such-folder/x.xlsx"), {}, &error));
    QVERIFY2(error.contains("no-such-folder"), qPrintable(error));
}

void TstWorkbook::cellsReadAsTheirPlainValue_data()
{
    QTest::addColumn<QByteArray>("cell");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer number") << QByteArray("<c r=\"A1\"><v>530</v></c>") << "530";
    QTest::newRow("fraction") << QByteArray("<c r=\"A1\"><v>1.5</v></c>") << "1.5";
    QTest::newRow("exponent form") << QByteArray("<c r=\"A1\"><v>5.3E2</v></c>") << "530";
    QTest::newRow("large count") << QByteArray("<c r=\"A1\" t=\"n\"><v>70000</v></c>") << "70000";
    QTest::newRow("million in plain digits")
        << QByteArray("<c r=\"A1\"><v>1E6</v></c>") << "1000000";
    QTest::newRow("small fraction") << QByteArray("<c r=\"A1\"><v>0.1</v></c>") << "0.1";
    QTest::newRow("negative") << QByteArray("<c r=\"A1\"><v>-5</v></c>") << "-5";
    QTest::newRow("shared string") << QByteArray("<c r=\"A1\" t=\"s\"><v>1</v></c>") << "读写";
    QTest::newRow("shared rich text without phonetic run")
        << QByteArray("<c r=\"A1\" t=\"s\"><v>2</v></c>") << "AB";
    QTest::newRow("shared index out of range")
        << QByteArray("<c r=\"A1\" t=\"s\"><v>99</v></c>") << "";
    QTest::newRow("inline string")
        << QByteArray("<c r=\"A1\" t=\"inlineStr\"><is><t>12 kg</t></is></c>") << "12 kg";
    QTest::newRow("boolean") << QByteArray("<c r=\"A1\" t=\"b\"><v>1</v></c>") << "true";
    QTest::newRow("formula with string result")
        << QByteArray("<c r=\"A1\" t=\"str\"><f>A2&amp;\"\"</f><v>x1</v></c>") << "x1";
    QTest::newRow("formula with number result")
        << QByteArray("<c r=\"A1\"><f>2*3</f><v>6</v></c>") << "6";
    QTest::newRow("error value") << QByteArray("<c r=\"A1\" t=\"e\"><v>#N/A</v></c>") << "#N/A";
    QTest::newRow("empty cell") << QByteArray("<c r=\"A1\" s=\"3\"/>") << "";
}

void TstWorkbook::cellsReadAsTheirPlainValue()
{
    QFETCH(QByteArray, cell);
    QFETCH(QString, text);
    const QByteArray shared =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<si><t>zero</t></si><si><t>读写</t></si>"
        "<si><r><t>A</t></r><r><t>B</t></r><rPh><t>ignored</t></rPh></si></sst>";
    const QString path = m_dir.filePath("types.xlsx");
    QVERIFY(
        writeRawZip(path, minimalParts("S", sheetXml("<row r=\"1\">" + cell + "</row>"), shared)));
    Workbook book;
    QVERIFY(book.open(path));
    QVERIFY(book.selectSheet("S"));
    QCOMPARE(book.cellText(1, 1), text);
}

void TstWorkbook::writingCellsKeepsEveryOtherPartAndCell()
{
    // A sheet with a prefixed namespace, cells without positions, a styled cell
    // that gets a new value, and parts the engine knows nothing about.
    const QByteArray sheet =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<x:dimension ref=\"A1:C2\"/><x:cols><x:col min=\"1\" max=\"1\" width=\"22\"/></x:cols>"
        "<x:sheetData><x:row r=\"1\" spans=\"1:3\"><x:c><x:v>1</x:v></x:c><x:c><x:v>2</x:v></x:c>"
        "<x:c s=\"4\" t=\"s\"><x:v>0</x:v></x:c></x:row>"
        "<x:row r=\"2\"><x:c r=\"B2\"><x:v>7</x:v></x:c></x:row></x:sheetData>"
        "<x:pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
        "footer=\"0.3\"/></x:worksheet>";
    const QByteArray shared =
        "<?xml version=\"1.0\"?><sst "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>old</t></si>"
        "</sst>";
    QMap<QString, QByteArray> parts = minimalParts("S", sheet, shared);
    parts.insert("xl/styles.xml", "<styleSheet>unknown to us &amp; kept</styleSheet>");
    parts.insert("docProps/custom.bin", QByteArray("\x00\x01\x02 binary", 10));
    const QString path = m_dir.filePath("keep.xlsx");
    QVERIFY(writeRawZip(path, parts));

    Workbook book;
    QVERIFY(book.open(path));
    QVERIFY(book.selectSheet("S"));
    QCOMPARE(book.cellText(1, 2), QString("2"));
    QVERIFY(book.setCellText(1, 3, "new text")); // replaces a shared string, keeps style
    QVERIFY(book.setCellText(2, 1, "12.5"));     // before an existing cell of the row
    QVERIFY(book.setCellText(2, 7, "530"));      // after it
    QVERIFY(book.setCellText(5, 7, "far"));      // a row that did not exist
    QVERIFY(book.setCellText(1, 1, ""));         // emptied
    QCOMPARE(book.rowCount(), 5);
    QVERIFY(book.save());

    const QMap<QString, QByteArray> after = zipParts(path);
    QCOMPARE(after.keys(), parts.keys());
    for (const QString &name : parts.keys()) {
        if (name != "xl/worksheets/sheet1.xml")
            QCOMPARE(after.value(name), parts.value(name));
    }
    const QByteArray written = after.value("xl/worksheets/sheet1.xml");
    QVERIFY2(written.contains("<x:dimension ref=\"A1:G5\"/>"), written);
    QVERIFY2(written.contains("<x:c r=\"C1\" s=\"4\" t=\"inlineStr\">"), written);
    QVERIFY(written.contains("<x:cols><x:col min=\"1\" max=\"1\" width=\"22\"/></x:cols>"));
    QVERIFY(written.contains("<x:pageMargins"));
    QVERIFY(!written.contains("spans"));

    Workbook again;
    QVERIFY(again.open(path));
    QVERIFY(again.selectSheet("S"));
    QCOMPARE(again.cellText(1, 1), QString());
    QCOMPARE(again.cellText(1, 2), QString("2"));
    QCOMPARE(again.cellText(1, 3), QString("new text"));
    QCOMPARE(again.cellText(2, 1), QString("12.5"));
    QCOMPARE(again.cellText(2, 2), QString("7"));
    QCOMPARE(again.cellText(2, 7), QString("530"));
    QCOMPARE(again.cellText(5, 7), QString("far"));
    QCOMPARE(again.rowCount(), 5);
    QCOMPARE(again.columnCount(), 7);
}

void TstWorkbook::numbersBecomeNumberCellsAndTextStaysText()
{
    const QString path = m_dir.filePath("kinds.xlsx");
    QVERIFY(CreateWorkbook(path, "S", {{"h"}}, {}));
    Workbook book;
    QVERIFY(book.open(path));
    QVERIFY(book.selectSheet("S"));
    const QStringList texts{"530", "1.5", "-5", "1e3", "12a", "0x10", " 7", "中文", "1.2.3"};
    for (int i = 0; i < texts.size(); ++i)
        QVERIFY(book.setCellText(i + 2, 1, texts.at(i)));
    QVERIFY(book.save());
    const QByteArray xml = zipParts(path).value("xl/worksheets/sheet1.xml");
    for (const char *number : {"<c r=\"A2\"><v>530</v>", "<c r=\"A3\"><v>1.5</v>",
                               "<c r=\"A4\"><v>-5</v>", "<c r=\"A5\"><v>1e3</v>"})
        QVERIFY2(xml.contains(number), number);
    for (int row : {6, 7, 8, 9, 10})
        QVERIFY(xml.contains("<c r=\"A" + QByteArray::number(row) + "\" t=\"inlineStr\">"));
    Workbook again;
    QVERIFY(again.open(path) && again.selectSheet("S"));
    QCOMPARE(again.cellText(5, 1), QString("1000"));
    QCOMPARE(again.cellText(8, 1), QString(" 7"));
    QCOMPARE(again.cellText(9, 1), QString("中文"));
}

void TstWorkbook::workbookWrittenByOpenpyxlReadsAndWritesBack()
{
    if (!haveOpenpyxl())
        QSKIP("python3-openpyxl is not installed");
    const QString path = m_dir.filePath("openpyxl.xlsx");
    QVERIFY(!runPython(QStringLiteral(
                           "import sys, openpyxl\n"
                           "from openpyxl.styles import Font\n"
                           "wb = openpyxl.Workbook()\n"
                           "ws = wb.active\n"
                           "ws.title = 'Other'\n"
                           "ws['A1'] = 'keep me'\n"
                           "p = wb.create_sheet('读写类')\n"
                           "p.append(['Address', 'Name', 'Count', 'Max', 'Min', 'Unit', 'Value'])\n"
                           "p.append([530, '背光', 2, 2, 0, None, 1])\n"
                           "p.append([106, 'Full Scale', '2', 999999, 0, 'kg', 1.5])\n"
                           "p.append([9301, 'CAL Remote Edit', 1, 1, 0, 'x', True])\n"
                           "p['A1'].font = Font(bold=True)\n"
                           "p.column_dimensions['B'].width = 33\n"
                           "wb.save(sys.argv[1])\n"
                           "print('ok')\n"),
                       {path})
                 .isNull());

    Workbook book;
    QVERIFY(book.open(path));
    QCOMPARE(book.sheetNames(), (QStringList{"Other", "读写类"}));
    QVERIFY(book.selectSheet("读写类"));
    QCOMPARE(book.rowCount(), 4);
    QCOMPARE(book.cellText(2, 1), QString("530"));
    QCOMPARE(book.cellText(2, 2), QString("背光"));
    QCOMPARE(book.cellText(3, 3), QString("2"));
    QCOMPARE(book.cellText(3, 7), QString("1.5"));
    QCOMPARE(book.cellText(4, 7), QString("true"));
    QVERIFY(book.setCellText(2, 7, "70000"));
    QVERIFY(book.setCellText(3, 7, "1.5"));
    QVERIFY(book.setCellText(4, 7, ""));
    QVERIFY(book.setCellText(6, 7, "n/a"));
    QVERIFY(book.save());

    const QString dump = runPython(
        QStringLiteral("import sys, json, openpyxl\n"
                       "wb = openpyxl.load_workbook(sys.argv[1])\n"
                       "out = {}\n"
                       "for ws in wb.worksheets:\n"
                       "    for row in ws.iter_rows():\n"
                       "        for c in row:\n"
                       "            if c.value is not None:\n"
                       "                out[ws.title + '!' + c.coordinate] = repr(c.value)\n"
                       "p = wb['读写类']\n"
                       "out['widthB'] = repr(p.column_dimensions['B'].width)\n"
                       "out['boldA1'] = repr(p['A1'].font.b)\n"
                       "out['dims'] = p.dimensions\n"
                       "print(json.dumps(out))\n"),
        {path});
    QVERIFY(!dump.isNull());
    const QJsonObject cells = QJsonDocument::fromJson(dump.toUtf8()).object();
    const QMap<QString, QString> expected{{"Other!A1", "'keep me'"},
                                          {"读写类!A1", "'Address'"},
                                          {"读写类!B1", "'Name'"},
                                          {"读写类!C1", "'Count'"},
                                          {"读写类!D1", "'Max'"},
                                          {"读写类!E1", "'Min'"},
                                          {"读写类!F1", "'Unit'"},
                                          {"读写类!G1", "'Value'"},
                                          {"读写类!A2", "530"},
                                          {"读写类!B2", "'背光'"},
                                          {"读写类!C2", "2"},
                                          {"读写类!D2", "2"},
                                          {"读写类!E2", "0"},
                                          {"读写类!G2", "70000"},
                                          {"读写类!A3", "106"},
                                          {"读写类!B3", "'Full Scale'"},
                                          {"读写类!C3", "'2'"},
                                          {"读写类!D3", "999999"},
                                          {"读写类!E3", "0"},
                                          {"读写类!F3", "'kg'"},
                                          {"读写类!G3", "1.5"},
                                          {"读写类!A4", "9301"},
                                          {"读写类!B4", "'CAL Remote Edit'"},
                                          {"读写类!C4", "1"},
                                          {"读写类!D4", "1"},
                                          {"读写类!E4", "0"},
                                          {"读写类!F4", "'x'"},
                                          {"读写类!G6", "'n/a'"},
                                          {"widthB", "33.0"},
                                          {"boldA1", "True"},
                                          {"dims", "A1:G6"}};
    QMap<QString, QString> actual;
    for (auto it = cells.begin(); it != cells.end(); ++it)
        actual.insert(it.key(), it.value().toString());
    QCOMPARE(actual, expected);
}

void TstWorkbook::hostileFilesFailWithTheirCode_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("failsAtSheet");
    const auto row = [](const char *name, WorkbookStatus s, bool atSheet = false) {
        QTest::newRow(name) << QString(name) << int(s) << atSheet;
    };
    row("missing file", WorkbookStatus::FileMissing);
    row("empty file", WorkbookStatus::NotAWorkbook);
    row("plain text", WorkbookStatus::NotAWorkbook);
    row("truncated zip", WorkbookStatus::Damaged);
    row("corrupted part data", WorkbookStatus::Damaged);
    row("no package relationships", WorkbookStatus::MissingPart);
    row("no workbook part", WorkbookStatus::MissingPart);
    row("no worksheet part", WorkbookStatus::MissingPart, true);
    row("malformed workbook xml", WorkbookStatus::BadXml);
    row("malformed sheet xml", WorkbookStatus::BadXml, true);
    row("entity expansion in sheet", WorkbookStatus::Forbidden, true);
    row("external entity in shared strings", WorkbookStatus::Forbidden);
    row("doctype in relationships", WorkbookStatus::Forbidden);
    row("zip bomb", WorkbookStatus::TooLarge);
    row("binary header with garbage", WorkbookStatus::Damaged);
}

void TstWorkbook::hostileFilesFailWithTheirCode()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(bool, failsAtSheet);
    const QString path = m_dir.filePath(QString::number(qHash(kind)) + ".xlsx");
    QFile::remove(path);
    const QByteArray goodSheet = sheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    QMap<QString, QByteArray> parts = minimalParts("S", goodSheet);
    const auto writeFile = [&](const QByteArray &bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };

    if (kind == "missing file") {
        // nothing written
    } else if (kind == "empty file") {
        writeFile(QByteArray());
    } else if (kind == "plain text") {
        writeFile("Address;Value\n54;20\n");
    } else if (kind == "truncated zip" || kind == "corrupted part data") {
        QVERIFY(writeRawZip(path, parts));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        f.close();
        if (kind == "truncated zip") {
            bytes.truncate(bytes.size() / 2);
        } else {
            // Flip bytes inside the first part's compressed data: inflate or CRC fails.
            for (int i = 40; i < 60; ++i)
                bytes[i] = char(bytes[i] ^ 0x5A);
        }
        writeFile(bytes);
    } else if (kind == "no package relationships") {
        parts.remove("_rels/.rels");
        QVERIFY(writeRawZip(path, parts));
    } else if (kind == "no workbook part") {
        parts.remove("xl/workbook.xml");
        QVERIFY(writeRawZip(path, parts));
    } else if (kind == "no worksheet part") {
        parts.remove("xl/worksheets/sheet1.xml");
        QVERIFY(writeRawZip(path, parts));
    } else if (kind == "malformed workbook xml") {
        parts["xl/workbook.xml"].chop(20);
        QVERIFY(writeRawZip(path, parts));
    } else if (kind == "malformed sheet xml") {
        parts["xl/worksheets/sheet1.xml"] = sheetXml("<row r=\"1\"><c r=\"A1\"><v>1</c></row>");
        QVERIFY(writeRawZip(path, parts));
    } else if (kind == "entity expansion in sheet") {
        parts["xl/worksheets/sheet1.xml"] =
            "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\">"
            "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;\">]>"
            "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&c;</t></is></c></row>"
            "</sheetData></worksheet>";
        QVERIFY(writeRawZip(path, parts));
    } else if (kind == "external entity in shared strings") {
        parts = minimalParts("S", goodSheet,
                             "<?xml version=\"1.0\"?><!DOCTYPE sst [<!ENTITY x SYSTEM "
                             "\"file:///etc/passwd\">]><sst><si><t>&x;</t></si></sst>");
        QVERIFY(writeRawZip(path, parts));
    } else if (kind == "doctype in relationships") {
        parts["_rels/.rels"].replace("<Relationships", "<!DOCTYPE r><Relationships");
        QVERIFY(writeRawZip(path, parts));
    } else if (kind == "zip bomb") {
        Workbook::setLimits({64 << 20, 1 << 20, 4 << 20, 100, 1000});
        parts["xl/worksheets/sheet1.xml"] = sheetXml(QByteArray(8 << 20, ' '));
        QVERIFY(writeRawZip(path, parts));
        QVERIFY(QFileInfo(path).size() < 100000); // small on disk, large unpacked
    } else if (kind == "binary header with garbage") {
        writeFile(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(3000, '\x7f'));
    }

    Workbook book;
    if (failsAtSheet) {
        QVERIFY(book.open(path));
        QVERIFY(!book.selectSheet("S"));
    } else {
        QVERIFY(!book.open(path));
        QVERIFY(!book.isOpen());
    }
    QCOMPARE(int(book.status()), status);
    QVERIFY(!book.errorText().isEmpty());
    QCOMPARE(book.rowCount(), 0);
}

void TstWorkbook::sizeAndCellLimitsHold()
{
    QByteArray rows;
    for (int r = 1; r <= 60; ++r)
        rows += "<row r=\"" + QByteArray::number(r) + "\"><c><v>1</v></c><c><v>2</v></c></row>";
    const QString path = m_dir.filePath("cells.xlsx");
    QVERIFY(writeRawZip(path, minimalParts("S", sheetXml(rows))));
    Workbook::setLimits({64 << 20, 1 << 20, 4 << 20, 100, 100});
    Workbook book;
    QVERIFY(book.open(path));
    QVERIFY(!book.selectSheet("S"));
    QCOMPARE(book.status(), WorkbookStatus::TooLarge);

    Workbook::setLimits({64 << 20, 1 << 20, 4 << 20, 3, 1000});
    QVERIFY(!book.open(path)); // five parts, three allowed
    QCOMPARE(book.status(), WorkbookStatus::TooLarge);

    Workbook::setLimits({1000, 1 << 20, 4 << 20, 100, 1000});
    QVERIFY(!book.open(path));
    QCOMPARE(book.status(), WorkbookStatus::TooLarge);

    Workbook::setLimits(WorkbookLimits());
    QVERIFY(book.open(path));
    QVERIFY(book.selectSheet("S"));
    QCOMPARE(book.rowCount(), 60);
    QCOMPARE(book.cellText(60, 2), QString("2"));
}

void TstWorkbook::binaryWorkbookReadsThroughFreeXl()
{
    if (runPython("import xlwt; print('ok')").isNull())
        QSKIP("python3-xlwt is not installed: no binary workbook can be made here");
    const QString path = m_dir.filePath("old.xls");
    QVERIFY(
        !runPython(QStringLiteral("import sys, xlwt\n"
                                  "wb = xlwt.Workbook(encoding='utf-8')\n"
                                  "wb.add_sheet('Other').write(0, 0, 'x')\n"
                                  "s = wb.add_sheet('读写类')\n"
                                  "for c, t in enumerate(['Address', 'Name', 'Count']):\n"
                                  "    s.write(0, c, t)\n"
                                  "s.write(1, 0, 530); s.write(1, 1, '背光'); s.write(1, 6, 1.5)\n"
                                  "s.write(2, 0, 70000)\n"
                                  "wb.save(sys.argv[1])\n"
                                  "print('ok')\n"),
                   {path})
             .isNull());
    Workbook book;
    QVERIFY2(book.open(path), qPrintable(book.errorText()));
    QCOMPARE(book.sheetNames(), (QStringList{"Other", "读写类"}));
    QVERIFY(book.selectSheet("读写类"));
    QCOMPARE(book.rowCount(), 3);
    QCOMPARE(book.cellText(1, 2), QString("Name"));
    QCOMPARE(book.cellText(2, 1), QString("530"));
    QCOMPARE(book.cellText(2, 2), QString("背光"));
    QCOMPARE(book.cellText(2, 7), QString("1.5"));
    QCOMPARE(book.cellText(3, 1), QString("70000"));
}

void TstWorkbook::binaryWorkbookIsReadOnly()
{
    if (runPython("import xlwt; print('ok')").isNull())
        QSKIP("python3-xlwt is not installed: no binary workbook can be made here");
    const QString path = m_dir.filePath("ro.xls");
    QVERIFY(!runPython("import sys, xlwt\nwb = xlwt.Workbook()\nwb.add_sheet('S').write(0, 0, 1)\n"
                       "wb.save(sys.argv[1])\nprint('ok')\n",
                       {path})
                 .isNull());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    Workbook book;
    QVERIFY(book.open(path));
    QVERIFY(book.isReadOnly());
    QVERIFY(book.selectSheet("S"));
    QVERIFY(!book.setCellText(1, 1, "2"));
    QCOMPARE(book.status(), WorkbookStatus::ReadOnly);
    QVERIFY(!book.save());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TstWorkbook::cellReferencesConvertBothWays()
{
    const QVector<QPair<QString, QPair<int, int>>> refs{
        {"A1", {1, 1}},   {"G12", {12, 7}}, {"Z3", {3, 26}},
        {"AA3", {3, 27}}, {"AZ1", {1, 52}}, {"XFD1048576", {1048576, 16384}}};
    for (const auto &r : refs) {
        QCOMPARE(CellReference(r.second.first, r.second.second), r.first);
        int row = 0, column = 0;
        QVERIFY(ParseCellReference(QStringView(r.first), &row, &column));
        QCOMPARE(row, r.second.first);
        QCOMPARE(column, r.second.second);
    }
    int row = 0, column = 0;
    for (const char *bad : {"", "A", "1", "A0", "XFE1", "A1048577", "A1B", "Ä1"})
        QVERIFY2(!ParseCellReference(QStringView(QString::fromUtf8(bad)), &row, &column), bad);
}

QTEST_GUILESS_MAIN(TstWorkbook)
#include "tst_workbook.moc"
