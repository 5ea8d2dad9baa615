#include "workbook.h"

#include "workbookbackend.h"

#include <QBuffer>
#include <QDateTime>
#include <QSaveFile>
#include <QXmlStreamWriter>
#include <functional>
#include <quazip.h>
#include <quazipfile.h>
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

using XmlBody = std::function<void(QXmlStreamWriter &)>;

QByteArray xmlPart(const XmlBody &body)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter w(&buffer);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    body(w);
    w.writeEndDocument();
    return data;
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

QByteArray sheetPart(const QVector<QStringList> &rows, const QVector<double> &widths)
{
    return xmlPart([&](QXmlStreamWriter &w) {
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
        for (int r = 0; r < rows.size(); ++r) {
            w.writeStartElement(QStringLiteral("row"));
            w.writeAttribute(QStringLiteral("r"), QString::number(r + 1));
            for (int c = 0; c < rows.at(r).size(); ++c) {
                const QString &text = rows.at(r).at(c);
                if (text.isEmpty())
                    continue;
                w.writeStartElement(QStringLiteral("c"));
                w.writeAttribute(QStringLiteral("r"), CellReference(r + 1, c + 1));
                if (r == 0)
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
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeEndElement();
    });
}

} // namespace

bool CreateWorkbook(const QString &path, const QString &sheetName, const QVector<QStringList> &rows,
                    const QVector<double> &columnWidths, QString *error)
{
    const QPair<const char *, QByteArray> parts[] = {
        {"[Content_Types].xml", contentTypes()},
        {"_rels/.rels", packageRels()},
        {"xl/workbook.xml", workbookPart(sheetName)},
        {"xl/_rels/workbook.xml.rels", workbookRels()},
        {"xl/styles.xml", stylesPart()},
        {"xl/worksheets/sheet1.xml", sheetPart(rows, columnWidths)},
    };
    QByteArray packed;
    {
        QBuffer buffer(&packed);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate)) {
            if (error)
                *error = QStringLiteral("cannot start a zip container");
            return false;
        }
        for (const auto &p : parts) {
            QuaZipFile file(&zip);
            QuaZipNewInfo info(QString::fromLatin1(p.first));
            info.dateTime = QDateTime::currentDateTime();
            if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, 6) ||
                file.write(p.second) != p.second.size()) {
                if (error)
                    *error = QStringLiteral("cannot pack %1").arg(QLatin1String(p.first));
                return false;
            }
            file.close();
        }
        zip.close();
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(packed) != packed.size() || !out.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}
