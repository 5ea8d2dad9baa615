#include "workbook.h"

#include "workbookbackend.h"

#include <QBuffer>
#include <QDateTime>
#include <QSaveFile>
#include <QXmlStreamWriter>
#include <functional>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>
#include <quazipnewinfo.h>

namespace {

const char MainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char RelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char PackageRelNs[] = "http://schemas.openxmlformats.org/package/2006/relationships";
const char DocumentRel[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
const char WorksheetRel[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
const char StylesRel[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";

// The compression level of every part, but the worksheet that each of many
// files writes anew: the fastest level makes it a little larger.
constexpr int PackLevel = 6;
constexpr int SheetPackLevel = 1;

using XmlBody = std::function<void(QXmlStreamWriter &)>;

// A part is written into a string and encoded once: a writer on a device
// encodes every piece on its own. The writer on a string leaves the encoding
// out of the declaration, so the declaration is the string's start.
QString xmlDeclaration()
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>");
}

QByteArray xmlPart(const XmlBody &body)
{
    QString text = xmlDeclaration();
    QXmlStreamWriter w(&text);
    body(w);
    w.writeEndDocument();
    return text.toUtf8();
}

void relationship(QXmlStreamWriter &w, const QString &id, const char *type, const QString &target)
{
    w.writeEmptyElement(QStringLiteral("Relationship"));
    w.writeAttribute(QStringLiteral("Id"), id);
    w.writeAttribute(QStringLiteral("Type"), QLatin1String(type));
    w.writeAttribute(QStringLiteral("Target"), target);
}

QByteArray contentTypes()
{
    return xmlPart([](QXmlStreamWriter &w) {
        w.writeStartElement(QStringLiteral("Types"));
        w.writeDefaultNamespace(
            QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
        w.writeEmptyElement(QStringLiteral("Default"));
        w.writeAttribute(QStringLiteral("Extension"), QStringLiteral("rels"));
        w.writeAttribute(
            QStringLiteral("ContentType"),
            QStringLiteral("application/vnd.openxmlformats-package.relationships+xml"));
        w.writeEmptyElement(QStringLiteral("Default"));
        w.writeAttribute(QStringLiteral("Extension"), QStringLiteral("xml"));
        w.writeAttribute(QStringLiteral("ContentType"), QStringLiteral("application/xml"));
        const QString base = QStringLiteral("application/vnd.openxmlformats-officedocument.");
        const QPair<const char *, const char *> overrides[] = {
            {"/xl/workbook.xml", "spreadsheetml.sheet.main+xml"},
            {"/xl/worksheets/sheet1.xml", "spreadsheetml.worksheet+xml"},
            {"/xl/styles.xml", "spreadsheetml.styles+xml"},
        };
        for (const auto &o : overrides) {
            w.writeEmptyElement(QStringLiteral("Override"));
            w.writeAttribute(QStringLiteral("PartName"), QLatin1String(o.first));
            w.writeAttribute(QStringLiteral("ContentType"), base + QLatin1String(o.second));
        }
        w.writeEndElement();
    });
}

QByteArray packageRels()
{
    return xmlPart([](QXmlStreamWriter &w) {
        w.writeStartElement(QStringLiteral("Relationships"));
        w.writeDefaultNamespace(QLatin1String(PackageRelNs));
        relationship(w, QStringLiteral("rId1"), DocumentRel, QStringLiteral("xl/workbook.xml"));
        w.writeEndElement();
    });
}

QByteArray workbookPart(const QString &sheetName)
{
    return xmlPart([&](QXmlStreamWriter &w) {
        w.writeStartElement(QStringLiteral("workbook"));
        w.writeDefaultNamespace(QLatin1String(MainNs));
        w.writeNamespace(QLatin1String(RelNs), QStringLiteral("r"));
        w.writeStartElement(QStringLiteral("sheets"));
        w.writeEmptyElement(QStringLiteral("sheet"));
        w.writeAttribute(QStringLiteral("name"), sheetName);
        w.writeAttribute(QStringLiteral("sheetId"), QStringLiteral("1"));
        w.writeAttribute(QLatin1String(RelNs), QStringLiteral("id"), QStringLiteral("rId1"));
        w.writeEndElement();
        w.writeEndElement();
    });
}

QByteArray workbookRels()
{
    return xmlPart([](QXmlStreamWriter &w) {
        w.writeStartElement(QStringLiteral("Relationships"));
        w.writeDefaultNamespace(QLatin1String(PackageRelNs));
        relationship(w, QStringLiteral("rId1"), WorksheetRel,
                     QStringLiteral("worksheets/sheet1.xml"));
        relationship(w, QStringLiteral("rId2"), StylesRel, QStringLiteral("styles.xml"));
        w.writeEndElement();
    });
}

// Two cell formats: 0 plain, 1 bold (the header row).
QByteArray stylesPart()
{
    return xmlPart([](QXmlStreamWriter &w) {
        w.writeStartElement(QStringLiteral("styleSheet"));
        w.writeDefaultNamespace(QLatin1String(MainNs));
        w.writeStartElement(QStringLiteral("fonts"));
        w.writeAttribute(QStringLiteral("count"), QStringLiteral("2"));
        for (bool bold : {false, true}) {
            w.writeStartElement(QStringLiteral("font"));
            if (bold)
                w.writeEmptyElement(QStringLiteral("b"));
            w.writeEmptyElement(QStringLiteral("sz"));
            w.writeAttribute(QStringLiteral("val"), QStringLiteral("11"));
            w.writeEmptyElement(QStringLiteral("name"));
            w.writeAttribute(QStringLiteral("val"), QStringLiteral("Calibri"));
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("fills"));
        w.writeAttribute(QStringLiteral("count"), QStringLiteral("2"));
        for (const char *pattern : {"none", "gray125"}) {
            w.writeStartElement(QStringLiteral("fill"));
            w.writeEmptyElement(QStringLiteral("patternFill"));
            w.writeAttribute(QStringLiteral("patternType"), QLatin1String(pattern));
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("borders"));
        w.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
        w.writeEmptyElement(QStringLiteral("border"));
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("cellStyleXfs"));
        w.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
        w.writeEmptyElement(QStringLiteral("xf"));
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("cellXfs"));
        w.writeAttribute(QStringLiteral("count"), QStringLiteral("2"));
        for (int font : {0, 1}) {
            w.writeEmptyElement(QStringLiteral("xf"));
            w.writeAttribute(QStringLiteral("fontId"), QString::number(font));
            w.writeAttribute(QStringLiteral("xfId"), QStringLiteral("0"));
            if (font)
                w.writeAttribute(QStringLiteral("applyFont"), QStringLiteral("1"));
        }
        w.writeEndElement();
        // The default named style that spreadsheet programs look for.
        w.writeStartElement(QStringLiteral("cellStyles"));
        w.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
        w.writeEmptyElement(QStringLiteral("cellStyle"));
        w.writeAttribute(QStringLiteral("name"), QStringLiteral("Normal"));
        w.writeAttribute(QStringLiteral("xfId"), QStringLiteral("0"));
        w.writeAttribute(QStringLiteral("builtinId"), QStringLiteral("0"));
        w.writeEndElement();
        w.writeEndElement();
    });
}

// One cell, 1-based; the first row is bold. An empty text writes nothing.
void writeCell(QXmlStreamWriter &w, int row, int column, const QString &text)
{
    if (text.isEmpty())
        return;
    w.writeStartElement(QStringLiteral("c"));
    w.writeAttribute(QStringLiteral("r"), CellReference(row, column));
    if (row == 1)
        w.writeAttribute(QStringLiteral("s"), QStringLiteral("1"));
    if (IsNumericText(text)) {
        w.writeTextElement(QStringLiteral("v"), text);
    } else {
        w.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
        w.writeStartElement(QStringLiteral("is"));
        w.writeTextElement(QStringLiteral("t"), text);
        w.writeEndElement();
    }
    w.writeEndElement();
}

// The worksheet of rows. With a column (1-based) and splits, the cells of that
// column are left out and splits gets, for each row, where its cell belongs in
// the text; without, every cell is written.
QString sheetText(const QVector<QStringList> &rows, const QVector<double> &widths, int column,
                  QVector<int> *splits)
{
    QString text = xmlDeclaration();
    QXmlStreamWriter w(&text);
    w.writeStartElement(QStringLiteral("worksheet"));
    w.writeDefaultNamespace(QLatin1String(MainNs));
    int columns = 0;
    for (const QStringList &row : rows)
        columns = qMax(columns, row.size());
    w.writeEmptyElement(QStringLiteral("dimension"));
    w.writeAttribute(QStringLiteral("ref"),
                     rows.isEmpty() || columns == 0
                         ? QStringLiteral("A1")
                         : QStringLiteral("A1:") + CellReference(rows.size(), columns));
    if (!widths.isEmpty()) {
        w.writeStartElement(QStringLiteral("cols"));
        for (int i = 0; i < widths.size(); ++i) {
            w.writeEmptyElement(QStringLiteral("col"));
            w.writeAttribute(QStringLiteral("min"), QString::number(i + 1));
            w.writeAttribute(QStringLiteral("max"), QString::number(i + 1));
            w.writeAttribute(QStringLiteral("width"), QString::number(widths.at(i)));
            w.writeAttribute(QStringLiteral("customWidth"), QStringLiteral("1"));
        }
        w.writeEndElement();
    }
    w.writeStartElement(QStringLiteral("sheetData"));
    const int split = splits ? column : 0;
    for (int r = 0; r < rows.size(); ++r) {
        w.writeStartElement(QStringLiteral("row"));
        w.writeAttribute(QStringLiteral("r"), QString::number(r + 1));
        for (int c = 0; c < qMax(rows.at(r).size(), split); ++c) {
            if (c + 1 == split) {
                // The row's start tag is closed first: the cell goes inside it.
                w.writeCharacters(QString());
                splits->append(text.size());
                continue;
            }
            if (c < rows.at(r).size())
                writeCell(w, r + 1, c + 1, rows.at(r).at(c));
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return text;
}

// Compresses data into zip as the part name.
bool packPart(QuaZip *zip, const QString &name, const QByteArray &data, const QDateTime &time,
              int level = PackLevel)
{
    QuaZipFile file(zip);
    QuaZipNewInfo info(name);
    info.dateTime = time;
    if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, level) ||
        file.write(data) != data.size())
        return false;
    file.close();
    return file.getZipError() == ZIP_OK;
}

} // namespace

bool CreateWorkbook(const QString &path, const QString &sheetName, const QVector<QStringList> &rows,
                    const QVector<double> &columnWidths, QString *error)
{
    return WorkbookPackage(sheetName, columnWidths, rows, 0).write(path, QStringList(), error);
}

WorkbookPackage::WorkbookPackage(const QString &sheetName, const QVector<double> &columnWidths,
                                 const QVector<QStringList> &rows, int column)
    : m_column(column)
{
    QVector<int> splits;
    const QString sheet = sheetText(rows, columnWidths, column, column > 0 ? &splits : nullptr);
    int from = 0;
    for (int at : qAsConst(splits)) {
        m_sheet.append(sheet.midRef(from, at - from).toUtf8());
        from = at;
    }
    m_sheet.append(sheet.midRef(from).toUtf8());

    const QPair<const char *, QByteArray> parts[] = {
        {"[Content_Types].xml", contentTypes()},
        {"_rels/.rels", packageRels()},
        {"xl/workbook.xml", workbookPart(sheetName)},
        {"xl/_rels/workbook.xml.rels", workbookRels()},
        {"xl/styles.xml", stylesPart()},
    };
    // Compressed once through a package in memory, and taken out of it still
    // compressed, with the check sum and size each file's entry needs.
    QByteArray packed;
    {
        QBuffer buffer(&packed);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate)) {
            m_error = QStringLiteral("cannot start a zip container");
            return;
        }
        const QDateTime now = QDateTime::currentDateTime();
        for (const auto &p : parts) {
            if (!packPart(&zip, QString::fromLatin1(p.first), p.second, now)) {
                m_error = QStringLiteral("cannot pack %1").arg(QLatin1String(p.first));
                return;
            }
        }
        zip.close();
    }
    QBuffer buffer(&packed);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdUnzip)) {
        m_error = QStringLiteral("cannot read the packed parts back");
        return;
    }
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFileInfo64 info;
        QuaZipFile file(&zip);
        int method = 0;
        if (!zip.getCurrentFileInfo(&info) ||
            !file.open(QIODevice::ReadOnly, &method, nullptr, true)) {
            m_error = QStringLiteral("cannot read the packed parts back");
            return;
        }
        m_parts.append({info.name, file.readAll(), info.crc, info.uncompressedSize});
    }
    if (m_parts.size() != int(sizeof parts / sizeof parts[0]))
        m_error = QStringLiteral("cannot read the packed parts back");
}

// The fixed pieces of the worksheet with the column's cells between them.
QByteArray WorkbookPackage::sheet(const QStringList &column) const
{
    int fixed = 0;
    for (const QByteArray &piece : m_sheet)
        fixed += piece.size();
    QByteArray xml;
    xml.reserve(fixed + 64 * (m_sheet.size() - 1));
    QString cells;
    QXmlStreamWriter w(&cells);
    for (int row = 1; row < m_sheet.size(); ++row) {
        xml += m_sheet[row - 1];
        const int from = cells.size();
        writeCell(w, row, m_column, column.value(row - 1));
        xml += cells.midRef(from).toUtf8();
    }
    xml += m_sheet.last();
    return xml;
}

bool WorkbookPackage::write(const QString &path, const QStringList &column, QString *error) const
{
    QString why = m_error;
    QByteArray packed;
    if (why.isEmpty()) {
        QBuffer buffer(&packed);
        QuaZip zip(&buffer);
        const QDateTime now = QDateTime::currentDateTime();
        if (!zip.open(QuaZip::mdCreate))
            why = QStringLiteral("cannot start a zip container");
        for (const PackedPart &p : m_parts) {
            if (!why.isEmpty())
                break;
            QuaZipFile file(&zip);
            QuaZipNewInfo info(p.name);
            info.dateTime = now;
            info.uncompressedSize = ulong(p.size);
            if (!file.open(QIODevice::WriteOnly, info, nullptr, p.crc, Z_DEFLATED, PackLevel,
                           true) ||
                file.write(p.deflated) != p.deflated.size())
                why = QStringLiteral("cannot pack %1").arg(p.name);
            file.close();
            if (why.isEmpty() && file.getZipError() != ZIP_OK)
                why = QStringLiteral("cannot pack %1").arg(p.name);
        }
        if (why.isEmpty() &&
            !packPart(&zip, QStringLiteral("xl/worksheets/sheet1.xml"), sheet(column), now,
                      m_column > 0 ? SheetPackLevel : PackLevel))
            why = QStringLiteral("cannot pack xl/worksheets/sheet1.xml");
        zip.close();
        if (why.isEmpty() && zip.getZipError() != ZIP_OK)
            why = QStringLiteral("cannot finish the zip container");
    }
    if (why.isEmpty()) {
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(packed) != packed.size() || !out.commit())
            why = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
    }
    if (error && !why.isEmpty())
        *error = why;
    return why.isEmpty();
}
