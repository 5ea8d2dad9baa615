#include "logcategories.h"
#include "workbookbackend.h"

#include <QBuffer>
#include <QDateTime>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

namespace {

const char OfficeDocumentType[] = "/officeDocument";
const char SharedStringsType[] = "/sharedStrings";

struct Part
{
    QString name;
    QByteArray data;
    QDateTime time;
};

QString localName(const QStringRef &qualified)
{
    const int colon = qualified.indexOf(QLatin1Char(':'));
    return (colon < 0 ? qualified : qualified.mid(colon + 1)).toString();
}

QString prefixOf(const QStringRef &qualified)
{
    const int colon = qualified.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : qualified.left(colon + 1).toString();
}

// Attribute by local name, whatever prefix it carries.
QString attribute(const QXmlStreamAttributes &attrs, const QString &name)
{
    for (const QXmlStreamAttribute &a : attrs) {
        if (localName(a.qualifiedName()) == name)
            return a.value().toString();
    }
    return QString();
}

// Reads the next token and refuses what a workbook part never needs: a DTD
// (and with it every entity declaration) or a reference to an unknown entity.
bool nextToken(QXmlStreamReader &reader, WorkbookStatus *status, QString *error,
               const QString &part)
{
    const QXmlStreamReader::TokenType t = reader.readNext();
    if (t == QXmlStreamReader::DTD || t == QXmlStreamReader::EntityReference) {
        *status = WorkbookStatus::Forbidden;
        *error = QStringLiteral("%1 declares a DTD or entities; refused").arg(part);
        return false;
    }
    if (t == QXmlStreamReader::Invalid) {
        *status = WorkbookStatus::BadXml;
        *error = QStringLiteral("%1 is not well-formed XML: %2 (line %3)")
                     .arg(part, reader.errorString())
                     .arg(reader.lineNumber());
        return false;
    }
    return true;
}

// Folder of a part name, with its trailing "/" ("xl/" for "xl/workbook.xml").
QString folderOf(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

// A relationship target resolved against the folder of its source part.
QString resolveTarget(const QString &folder, QString target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    QStringList parts = (folder + target).split(QLatin1Char('/'));
    QStringList out;
    for (const QString &p : parts) {
        if (p == QLatin1String(".."))
            out.isEmpty() ? void() : out.removeLast();
        else if (p != QLatin1String(".") && !p.isEmpty())
            out.append(p);
    }
    return out.join(QLatin1Char('/'));
}

QString relsOf(const QString &part)
{
    const QString folder = folderOf(part);
    return folder + QStringLiteral("_rels/") + part.mid(folder.size()) + QStringLiteral(".rels");
}

class XlsxBackend : public WorkbookBackend
{
public:
    explicit XlsxBackend(const WorkbookLimits &limits) : m_limits(limits) {}

    WorkbookStatus load(const QString &path, QString *error);

    bool readOnly() const override { return false; }
    QStringList sheetNames() const override { return m_sheetNames; }
    WorkbookStatus loadSheet(const QString &name, CellMap *cells, QString *error) override;
    void setCell(const QString &sheet, int row, int column, const QString &text) override
    {
        m_edits[m_sheetParts.value(sheet)].insert(CellKey(row, column), text);
    }
    WorkbookStatus save(const QString &path, const QHash<QString, QString> &dimensions,
                        QString *error) override;

private:
    WorkbookStatus readParts(const QString &path, QString *error);
    const QByteArray *part(const QString &name) const
    {
        const auto it = m_index.find(name);
        return it == m_index.end() ? nullptr : &m_parts.at(it.value()).data;
    }
    WorkbookStatus relationships(const QString &source, QHash<QString, QString> *targets,
                                 QHash<QString, QString> *types, QString *error) const;
    WorkbookStatus readSharedStrings(const QString &name, QString *error);
    WorkbookStatus rewriteSheet(const QByteArray &xml, const CellEdits &edits,
                                const QString &dimension, QByteArray *out, QString *error) const;

    WorkbookLimits m_limits;
    QVector<Part> m_parts;
    QHash<QString, int> m_index;
    QStringList m_sheetNames;
    QHash<QString, QString> m_sheetParts; // sheet name -> part name
    QStringList m_sharedStrings;
    QHash<QString, CellEdits> m_edits; // part name -> changes
};

WorkbookStatus XlsxBackend::readParts(const QString &path, QString *error)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip)) {
        *error = QStringLiteral("the zip container cannot be opened (error %1): %2")
                     .arg(zip.getZipError())
                     .arg(path);
        return WorkbookStatus::Damaged;
    }
    qint64 total = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        if (m_parts.size() >= m_limits.maxParts) {
            *error = QStringLiteral("more than %1 parts in %2").arg(m_limits.maxParts).arg(path);
            return WorkbookStatus::TooLarge;
        }
        QuaZipFileInfo64 info;
        zip.getCurrentFileInfo(&info);
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("part %1 cannot be read (error %2)")
                         .arg(info.name)
                         .arg(file.getZipError());
            return WorkbookStatus::Damaged;
        }
        // The sizes in the headers are not trusted: the bytes are counted as they come.
        QByteArray data;
        char chunk[65536];
        for (;;) {
            const qint64 n = file.read(chunk, sizeof chunk);
            if (n < 0) {
                *error = QStringLiteral("part %1 is damaged (error %2)")
                             .arg(info.name)
                             .arg(file.getZipError());
                return WorkbookStatus::Damaged;
            }
            if (n == 0)
                break;
            total += n;
            if (data.size() + n > m_limits.maxPartBytes || total > m_limits.maxTotalBytes) {
                *error = QStringLiteral("part %1 unpacks beyond the size limit").arg(info.name);
                return WorkbookStatus::TooLarge;
            }
            data.append(chunk, int(n));
        }
        file.close();
        if (file.getZipError() != UNZ_OK) {
            *error = QStringLiteral("part %1 fails its check sum (error %2)")
                         .arg(info.name)
                         .arg(file.getZipError());
            return WorkbookStatus::Damaged;
        }
        if (m_index.contains(info.name)) {
            *error = QStringLiteral("part %1 appears twice").arg(info.name);
            return WorkbookStatus::Damaged;
        }
        m_index.insert(info.name, m_parts.size());
        m_parts.append({info.name, data, info.dateTime});
    }
    if (zip.getZipError() != UNZ_OK) {
        *error = QStringLiteral("the zip directory is damaged (error %1)").arg(zip.getZipError());
        return WorkbookStatus::Damaged;
    }
    return WorkbookStatus::Ok;
}

WorkbookStatus XlsxBackend::relationships(const QString &source, QHash<QString, QString> *targets,
                                          QHash<QString, QString> *types, QString *error) const
{
    const QString name = source.isEmpty() ? QStringLiteral("_rels/.rels") : relsOf(source);
    const QByteArray *data = part(name);
    if (!data) {
        *error = QStringLiteral("part %1 is missing").arg(name);
        return WorkbookStatus::MissingPart;
    }
    QXmlStreamReader reader(*data);
    WorkbookStatus status = WorkbookStatus::Ok;
    while (!reader.atEnd()) {
        if (!nextToken(reader, &status, error, name))
            return status;
        if (reader.isStartElement() && reader.name() == QLatin1String("Relationship")) {
            const QXmlStreamAttributes a = reader.attributes();
            const QString id = a.value(QLatin1String("Id")).toString();
            if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                continue;
            targets->insert(
                id, resolveTarget(folderOf(source), a.value(QLatin1String("Target")).toString()));
            types->insert(id, a.value(QLatin1String("Type")).toString());
        }
    }
    return WorkbookStatus::Ok;
}

WorkbookStatus XlsxBackend::load(const QString &path, QString *error)
{
    WorkbookStatus status = readParts(path, error);
    if (status != WorkbookStatus::Ok)
        return status;

    QHash<QString, QString> targets, types;
    if ((status = relationships(QString(), &targets, &types, error)) != WorkbookStatus::Ok)
        return status;
    QString workbookPart;
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        if (it.value().endsWith(QLatin1String(OfficeDocumentType)))
            workbookPart = targets.value(it.key());
    }
    const QByteArray *workbook = workbookPart.isEmpty() ? nullptr : part(workbookPart);
    if (!workbook) {
        *error = QStringLiteral("the workbook part is missing");
        return WorkbookStatus::MissingPart;
    }

    QHash<QString, QString> bookTargets, bookTypes;
    if ((status = relationships(workbookPart, &bookTargets, &bookTypes, error)) !=
        WorkbookStatus::Ok)
        return status;

    QXmlStreamReader reader(*workbook);
    while (!reader.atEnd()) {
        if (!nextToken(reader, &status, error, workbookPart))
            return status;
        if (reader.isStartElement() && reader.name() == QLatin1String("sheet")) {
            const QXmlStreamAttributes a = reader.attributes();
            const QString name = a.value(QLatin1String("name")).toString();
            const QString id = attribute(a, QStringLiteral("id"));
            // Chart sheets and dialog sheets carry no cells.
            if (!bookTypes.value(id).endsWith(QLatin1String("/worksheet")))
                continue;
            m_sheetNames.append(name);
            m_sheetParts.insert(name, bookTargets.value(id));
        }
    }
    for (auto it = bookTypes.cbegin(); it != bookTypes.cend(); ++it) {
        if (it.value().endsWith(QLatin1String(SharedStringsType))) {
            if ((status = readSharedStrings(bookTargets.value(it.key()), error)) !=
                WorkbookStatus::Ok)
                return status;
        }
    }
    return WorkbookStatus::Ok;
}

WorkbookStatus XlsxBackend::readSharedStrings(const QString &name, QString *error)
{
    const QByteArray *data = part(name);
    if (!data) {
        *error = QStringLiteral("part %1 is missing").arg(name);
        return WorkbookStatus::MissingPart;
    }
    QXmlStreamReader reader(*data);
    WorkbookStatus status = WorkbookStatus::Ok;
    QString current;
    bool inItem = false;
    int phonetic = 0;
    while (!reader.atEnd()) {
        if (!nextToken(reader, &status, error, name))
            return status;
        if (reader.isStartElement()) {
            if (reader.name() == QLatin1String("si")) {
                inItem = true;
                current.clear();
            } else if (reader.name() == QLatin1String("rPh")) {
                ++phonetic;
            } else if (inItem && !phonetic && reader.name() == QLatin1String("t")) {
                current += reader.readElementText(QXmlStreamReader::IncludeChildElements);
                if (reader.hasError()) {
                    *error = QStringLiteral("%1 is not well-formed XML").arg(name);
                    return WorkbookStatus::BadXml;
                }
            }
        } else if (reader.isEndElement()) {
            if (reader.name() == QLatin1String("si")) {
                if (m_sharedStrings.size() >= m_limits.maxCells) {
                    *error = QStringLiteral("too many shared strings in %1").arg(name);
                    return WorkbookStatus::TooLarge;
                }
                m_sharedStrings.append(current);
                inItem = false;
            } else if (reader.name() == QLatin1String("rPh")) {
                --phonetic;
            }
        }
    }
    return WorkbookStatus::Ok;
}

QString cellValueText(const QString &type, const QString &value, const QString &inlineText,
                      const QStringList &shared)
{
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= shared.size()) {
            qCDebug(lcFiles) << "Workbook: shared string index out of range:" << value;
            return QString();
        }
        return shared.at(index);
    }
    if (type == QLatin1String("inlineStr"))
        return inlineText;
    if (type == QLatin1String("b"))
        return value.trimmed() == QLatin1String("1") ? QStringLiteral("true")
                                                     : QStringLiteral("false");
    if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d"))
        return value;
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    return ok ? NumberText(number) : value;
}

WorkbookStatus XlsxBackend::loadSheet(const QString &name, CellMap *cells, QString *error)
{
    const QString partName = m_sheetParts.value(name);
    const QByteArray *data = part(partName);
    if (!data) {
        *error = QStringLiteral("worksheet part %1 is missing").arg(partName);
        return WorkbookStatus::MissingPart;
    }
    QXmlStreamReader reader(*data);
    WorkbookStatus status = WorkbookStatus::Ok;
    int row = 0, column = 0;
    qint64 count = 0;
    while (!reader.atEnd()) {
        if (!nextToken(reader, &status, error, partName))
            return status;
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("row")) {
            const QString r = reader.attributes().value(QLatin1String("r")).toString();
            bool ok = false;
            const int n = r.toInt(&ok);
            row = ok && n > 0 && n <= 1048576 ? n : row + 1;
            column = 0;
        } else if (reader.name() == QLatin1String("c")) {
            const QXmlStreamAttributes a = reader.attributes();
            int r = 0, c = 0;
            if (ParseCellReference(a.value(QLatin1String("r")), &r, &c)) {
                row = r;
                column = c;
            } else {
                ++column;
            }
            if (row < 1 || column < 1 || column > 16384) {
                *error = QStringLiteral("%1: a cell lies outside the worksheet").arg(partName);
                return WorkbookStatus::BadXml;
            }
            const QString type = a.value(QLatin1String("t")).toString();
            QString value, inlineText;
            int phonetic = 0;
            while (!reader.atEnd()) {
                if (!nextToken(reader, &status, error, partName))
                    return status;
                if (reader.isEndElement() && reader.name() == QLatin1String("c"))
                    break;
                if (reader.isStartElement()) {
                    if (reader.name() == QLatin1String("rPh"))
                        ++phonetic;
                    else if (reader.name() == QLatin1String("v"))
                        value = reader.readElementText();
                    else if (reader.name() == QLatin1String("t") && !phonetic)
                        inlineText += reader.readElementText();
                    if (reader.hasError()) {
                        *error = QStringLiteral("%1 is not well-formed XML").arg(partName);
                        return WorkbookStatus::BadXml;
                    }
                } else if (reader.isEndElement() && reader.name() == QLatin1String("rPh")) {
                    --phonetic;
                }
            }
            if (++count > m_limits.maxCells) {
                *error = QStringLiteral("%1 holds more than %2 cells")
                             .arg(partName)
                             .arg(m_limits.maxCells);
                return WorkbookStatus::TooLarge;
            }
            const QString text = cellValueText(type, value, inlineText, m_sharedStrings);
            if (!text.isEmpty())
                cells->insert(CellKey(row, column), text);
        }
    }
    // Changes not yet saved are part of what the sheet now holds.
    const CellEdits edits = m_edits.value(partName);
    for (auto it = edits.cbegin(); it != edits.cend(); ++it) {
        if (it.value().isEmpty())
            cells->remove(it.key());
        else
            cells->insert(it.key(), it.value());
    }
    return WorkbookStatus::Ok;
}

// Copies the XML of a worksheet and merges the changed cells into its rows.
class SheetWriter
{
public:
    SheetWriter(QXmlStreamWriter &w, const CellEdits &edits) : m_w(w), m_edits(edits)
    {
        m_next = m_edits.cbegin();
    }

    void setPrefix(const QString &prefix) { m_prefix = prefix; }

    // Writes the changed cells of row that come before column (all of them for column 0).
    void flushCells(int row, int column)
    {
        while (m_next != m_edits.cend() && KeyRow(m_next.key()) == row &&
               (column == 0 || KeyColumn(m_next.key()) < column)) {
            writeCell(row, KeyColumn(m_next.key()), m_next.value(), QXmlStreamAttributes());
            ++m_next;
        }
    }

    // Writes whole new rows for the changes before row (all remaining for row 0).
    void flushRows(int row)
    {
        while (m_next != m_edits.cend() && (row == 0 || KeyRow(m_next.key()) < row)) {
            const int r = KeyRow(m_next.key());
            m_w.writeStartElement(m_prefix + QStringLiteral("row"));
            m_w.writeAttribute(QStringLiteral("r"), QString::number(r));
            flushCells(r, 0);
            m_w.writeEndElement();
        }
    }

    bool rowHasEdits(int row) const
    {
        return m_next != m_edits.cend() && KeyRow(m_next.key()) == row;
    }

    // Whether the cell at (row, column) is changed; then it is written here.
    bool replaceCell(int row, int column, const QXmlStreamAttributes &original)
    {
        if (m_next == m_edits.cend() || m_next.key() != CellKey(row, column))
            return false;
        writeCell(row, column, m_next.value(), original);
        ++m_next;
        return true;
    }

private:
    void writeCell(int row, int column, const QString &text, const QXmlStreamAttributes &original)
    {
        m_w.writeStartElement(m_prefix + QStringLiteral("c"));
        m_w.writeAttribute(QStringLiteral("r"), CellReference(row, column));
        // The cell keeps its style; its old type and metadata go with the old value.
        for (const QXmlStreamAttribute &a : original) {
            const QString n = a.qualifiedName().toString();
            if (n != QLatin1String("r") && n != QLatin1String("t") && n != QLatin1String("cm") &&
                n != QLatin1String("vm"))
                m_w.writeAttribute(a);
        }
        if (text.isEmpty()) {
            // an empty cell keeps only its place and style
        } else if (IsNumericText(text)) {
            m_w.writeTextElement(m_prefix + QStringLiteral("v"), text.trimmed());
        } else {
            m_w.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
            m_w.writeStartElement(m_prefix + QStringLiteral("is"));
            m_w.writeStartElement(m_prefix + QStringLiteral("t"));
            m_w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            m_w.writeCharacters(text);
            m_w.writeEndElement();
            m_w.writeEndElement();
        }
        m_w.writeEndElement();
    }

    QXmlStreamWriter &m_w;
    const CellEdits &m_edits;
    CellEdits::const_iterator m_next;
    QString m_prefix;
};

void copyStartElement(QXmlStreamReader &reader, QXmlStreamWriter &writer,
                      const QXmlStreamAttributes &attributes)
{
    writer.writeStartElement(reader.qualifiedName().toString());
    for (const QXmlStreamNamespaceDeclaration &ns : reader.namespaceDeclarations()) {
        const QString prefix = ns.prefix().toString();
        writer.writeAttribute(prefix.isEmpty() ? QStringLiteral("xmlns")
                                               : QStringLiteral("xmlns:") + prefix,
                              ns.namespaceUri().toString());
    }
    writer.writeAttributes(attributes);
}

WorkbookStatus XlsxBackend::rewriteSheet(const QByteArray &xml, const CellEdits &edits,
                                         const QString &dimension, QByteArray *out,
                                         QString *error) const
{
    QXmlStreamReader reader(xml);
    // Prefixes are copied as written, so the output declares exactly what the input did.
    reader.setNamespaceProcessing(false);
    QBuffer buffer(out);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    SheetWriter cells(writer, edits);
    WorkbookStatus status = WorkbookStatus::Ok;

    int depth = 0, sheetDataDepth = -1, rowDepth = -1;
    int row = 0, column = 0;
    while (!reader.atEnd()) {
        if (!nextToken(reader, &status, error, QStringLiteral("worksheet")))
            return status;
        switch (reader.tokenType()) {
        case QXmlStreamReader::StartDocument:
            writer.writeStartDocument(reader.documentVersion().isEmpty()
                                          ? QStringLiteral("1.0")
                                          : reader.documentVersion().toString(),
                                      reader.isStandaloneDocument());
            break;
        case QXmlStreamReader::EndDocument:
            writer.writeEndDocument();
            break;
        case QXmlStreamReader::StartElement: {
            ++depth;
            const QString name = localName(reader.qualifiedName());
            QXmlStreamAttributes attrs = reader.attributes();
            if (sheetDataDepth < 0 && name == QLatin1String("dimension")) {
                QXmlStreamAttributes kept;
                for (const QXmlStreamAttribute &a : attrs)
                    kept.append(a.qualifiedName() == QLatin1String("ref")
                                    ? QXmlStreamAttribute(QStringLiteral("ref"), dimension)
                                    : a);
                attrs = kept;
            } else if (name == QLatin1String("sheetData") && sheetDataDepth < 0) {
                sheetDataDepth = depth;
                cells.setPrefix(prefixOf(reader.qualifiedName()));
            } else if (depth == sheetDataDepth + 1 && name == QLatin1String("row")) {
                bool ok = false;
                const int n = attrs.value(QLatin1String("r")).toInt(&ok);
                row = ok && n > 0 ? n : row + 1;
                column = 0;
                rowDepth = depth;
                cells.flushRows(row);
                QXmlStreamAttributes kept;
                if (!ok)
                    kept.append(QStringLiteral("r"), QString::number(row));
                for (const QXmlStreamAttribute &a : attrs) {
                    // The span hint would be wrong once cells are added.
                    if (!(a.qualifiedName() == QLatin1String("spans") && cells.rowHasEdits(row)))
                        kept.append(a);
                }
                attrs = kept;
            } else if (depth == rowDepth + 1 && name == QLatin1String("c")) {
                int r = 0, c = 0;
                column =
                    ParseCellReference(attrs.value(QLatin1String("r")), &r, &c) ? c : column + 1;
                cells.flushCells(row, column);
                if (cells.replaceCell(row, column, attrs)) {
                    reader.skipCurrentElement();
                    --depth;
                    if (reader.hasError()) {
                        *error = QStringLiteral("worksheet is not well-formed XML");
                        return WorkbookStatus::BadXml;
                    }
                    continue;
                }
                if (!attrs.hasAttribute(QLatin1String("r"))) {
                    QXmlStreamAttributes kept;
                    kept.append(QStringLiteral("r"), CellReference(row, column));
                    kept += attrs;
                    attrs = kept;
                }
            }
            copyStartElement(reader, writer, attrs);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (depth == rowDepth) {
                cells.flushCells(row, 0);
                rowDepth = -1;
            } else if (depth == sheetDataDepth) {
                cells.flushRows(0);
                sheetDataDepth = -2; // done: a later element of that name is not the data
            }
            --depth;
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (reader.isCDATA())
                writer.writeCDATA(reader.text().toString());
            else
                writer.writeCharacters(reader.text().toString());
            break;
        case QXmlStreamReader::Comment:
            writer.writeComment(reader.text().toString());
            break;
        case QXmlStreamReader::ProcessingInstruction:
            writer.writeProcessingInstruction(reader.processingInstructionTarget().toString(),
                                              reader.processingInstructionData().toString());
            break;
        default:
            break;
        }
    }
    if (sheetDataDepth != -2) {
        *error = QStringLiteral("worksheet has no cell data element");
        return WorkbookStatus::BadXml;
    }
    return WorkbookStatus::Ok;
}

WorkbookStatus XlsxBackend::save(const QString &path, const QHash<QString, QString> &dimensions,
                                 QString *error)
{
    QVector<Part> parts = m_parts;
    for (auto it = m_edits.cbegin(); it != m_edits.cend(); ++it) {
        if (it.value().isEmpty() || !m_index.contains(it.key()))
            continue;
        Part &p = parts[m_index.value(it.key())];
        QByteArray rewritten;
        const QString sheetName = m_sheetParts.key(it.key());
        const WorkbookStatus status =
            rewriteSheet(p.data, it.value(), dimensions.value(sheetName, QStringLiteral("A1")),
                         &rewritten, error);
        if (status != WorkbookStatus::Ok)
            return status;
        p.data = rewritten;
        p.time = QDateTime::currentDateTime();
    }

    // The package is built in memory and then replaces the file in one rename.
    QByteArray packed;
    {
        QBuffer buffer(&packed);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate)) {
            *error = QStringLiteral("cannot start a zip container");
            return WorkbookStatus::WriteFailed;
        }
        for (const Part &p : qAsConst(parts)) {
            QuaZipFile file(&zip);
            QuaZipNewInfo info(p.name);
            info.dateTime = p.time.isValid() ? p.time : QDateTime::currentDateTime();
            if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, 6) ||
                file.write(p.data) != p.data.size()) {
                *error = QStringLiteral("cannot pack part %1").arg(p.name);
                return WorkbookStatus::WriteFailed;
            }
            file.close();
            if (file.getZipError() != ZIP_OK) {
                *error = QStringLiteral("cannot pack part %1").arg(p.name);
                return WorkbookStatus::WriteFailed;
            }
        }
        zip.close();
        if (zip.getZipError() != ZIP_OK) {
            *error = QStringLiteral("cannot finish the zip container");
            return WorkbookStatus::WriteFailed;
        }
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(packed) != packed.size() || !out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return WorkbookStatus::WriteFailed;
    }
    m_parts = parts;
    m_edits.clear();
    return WorkbookStatus::Ok;
}

} // namespace

std::unique_ptr<WorkbookBackend> OpenXlsx(const QString &path, const WorkbookLimits &limits,
                                          WorkbookStatus *status, QString *error)
{
    auto backend = std::make_unique<XlsxBackend>(limits);
    *status = backend->load(path, error);
    if (*status != WorkbookStatus::Ok)
        return nullptr;
    return backend;
}
