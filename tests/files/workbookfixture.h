#pragma once

// Workbooks for the tests: made here, by the engine or by an independent
// writer (openpyxl), never copied from anywhere.
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtTest>

// Runs a Python snippet with the system's interpreter; argv[1..] are args.
// Returns its standard output, or a null string when it failed.
inline QString runPython(const QString &script, const QStringList &args = {},
                         const QByteArray &input = QByteArray())
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning().noquote() << "python failed:" << p.readAllStandardError();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline bool haveOpenpyxl()
{
    return !runPython(QStringLiteral("import openpyxl; print('ok')")).isNull();
}

// Writes a zip whose parts are given as name -> content (Python's zipfile).
inline bool writeRawZip(const QString &path, const QMap<QString, QByteArray> &parts)
{
    // Parts go through standard input: a large part does not fit a command line.
    QByteArray input;
    for (auto it = parts.cbegin(); it != parts.cend(); ++it)
        input += it.key().toUtf8().toBase64() + ' ' + it.value().toBase64() + '\n';
    return !runPython(QStringLiteral("import sys, zipfile, base64\n"
                                     "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
                                     "for line in sys.stdin.buffer:\n"
                                     "    n, d = line.split()\n"
                                     "    z.writestr(base64.b64decode(n).decode(), "
                                     "base64.b64decode(d))\n"
                                     "z.close()\n"
                                     "print('ok')\n"),
                      {path}, input)
                .isNull();
}

// The parts of a minimal workbook with one worksheet named sheetName whose
// part is sheetXml; shared strings are given when not empty.
inline QMap<QString, QByteArray> minimalParts(const QString &sheetName, const QByteArray &sheetXml,
                                              const QByteArray &sharedStrings = QByteArray())
{
    const QByteArray rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    const QByteArray workbook =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"" +
        sheetName.toUtf8() + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    QByteArray bookRels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/>";
    if (!sharedStrings.isEmpty())
        bookRels += "<Relationship Id=\"rId2\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                    "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    bookRels += "</Relationships>";
    QMap<QString, QByteArray> parts{
        {QStringLiteral("[Content_Types].xml"),
         "<?xml version=\"1.0\"?><Types "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {QStringLiteral("_rels/.rels"), rels},
        {QStringLiteral("xl/workbook.xml"), workbook},
        {QStringLiteral("xl/_rels/workbook.xml.rels"), bookRels},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheetXml},
    };
    if (!sharedStrings.isEmpty())
        parts.insert(QStringLiteral("xl/sharedStrings.xml"), sharedStrings);
    return parts;
}

inline QByteArray sheetXml(const QByteArray &rows)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<sheetData>" +
           rows + "</sheetData></worksheet>";
}
