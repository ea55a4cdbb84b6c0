// The .xlsx half of the workbook reader: the first sheet of an Office Open XML package,
// read through libzip and QXmlStreamReader against the limits of WorkbookLimits.

#include "protocol/workbook_reader.h"
#include "protocol/workbook_sheet_rows.h"
#include "protocol/xlsx_number_formats.h"
#include "protocol/xlsx_text_escapes.h"

#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

#include <zip.h>

#include <cmath>
#include <optional>

using namespace workbook_reading;

namespace {

// The open archive; parts are read against one budget of unpacked bytes, whatever the
// directory claims, so a zip bomb ends at the cap.
class ZipParts {
public:
    ZipParts(const QByteArray& bytes, qint64 budget) : m_budget(budget) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
        if (source)
            m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (source && !m_zip)
            zip_source_free(source);
        zip_error_fini(&error);
        if (!m_zip)
            throw Refusal{damaged};
    }
    ~ZipParts() { zip_discard(m_zip); }
    ZipParts(const ZipParts&) = delete;
    ZipParts& operator=(const ZipParts&) = delete;

    // The part's bytes, or nothing when the archive has no such part.
    std::optional<QByteArray> read(const QString& name) {
        const zip_int64_t index = zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
        if (index < 0)
            return std::nullopt;
        zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!file)
            throw Refusal{damaged};
        QByteArray data;
        char chunk[65536];
        for (;;) {
            const zip_int64_t got = zip_fread(file, chunk, sizeof chunk);
            if (got < 0) {
                zip_fclose(file);
                throw Refusal{damaged};
            }
            if (got == 0)
                break;
            m_budget -= got;
            if (m_budget < 0) {
                zip_fclose(file);
                throw Refusal{tooBig};
            }
            data.append(chunk, qsizetype(got));
        }
        zip_fclose(file);
        return data;
    }

private:
    zip_t* m_zip = nullptr;
    qint64 m_budget;
};

void checkXml(const QXmlStreamReader& xml) {
    if (xml.hasError())
        throw Refusal{damaged};
}

// Relationship targets by id, and the targets of the types asked for by type suffix.
struct Relationships {
    QHash<QString, QString> targetById;
    QHash<QString, QString> targetByTypeSuffix;
};

Relationships readRelationships(const QByteArray& xmlBytes, const QString& baseFolder) {
    Relationships relationships;
    QXmlStreamReader xml(xmlBytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        QString target = attributes.value(QLatin1StringView("Target")).toString();
        if (attributes.value(QLatin1StringView("TargetMode")) == u"External")
            continue;
        // Targets are relative to the source part's folder, or absolute from the package root.
        target = target.startsWith(u'/') ? target.mid(1) : baseFolder + target;
        target = QDir::cleanPath(target);
        relationships.targetById.insert(attributes.value(QLatin1StringView("Id")).toString(), target);
        const QString type = attributes.value(QLatin1StringView("Type")).toString();
        relationships.targetByTypeSuffix.insert(type.section(u'/', -1), target);
    }
    checkXml(xml);
    return relationships;
}

QString folderOfPart(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relationshipsPartOf(const QString& part) {
    return folderOfPart(part) + QStringLiteral("_rels/") + part.mid(part.lastIndexOf(u'/') + 1) +
           QStringLiteral(".rels");
}

// The text of an <si> or <is> element, its runs joined, phonetic hints left out.
// The reader stands on the start element and ends on its end element.
QString richText(QXmlStreamReader& xml, const WorkbookLimits& limits) {
    QString text;
    int depth = 1;
    int phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0) {
                text += xml.readElementText();
                --depth;
                checkCellLength(text, limits);
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == u"rPh")
                --phonetic;
        }
    }
    checkXml(xml);
    return unescapeXlsxText(text);
}

QStringList readSharedStrings(const QByteArray& xmlBytes, const WorkbookLimits& limits) {
    QStringList strings;
    QXmlStreamReader xml(xmlBytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"si") {
            if (strings.size() >= limits.sharedStrings)
                throw Refusal{tooBig};
            strings.append(richText(xml, limits));
        }
    }
    checkXml(xml);
    return strings;
}

// What every cell of the sheet is read against.
struct SheetContext {
    QStringList sharedStrings;
    XlsxNumberFormats formats;
    QLocale locale;
    const WorkbookLimits& limits;
};

// "C12" -> column 2 (0-based) and row 12; -1 where the reference has none.
bool parseCellReference(QStringView ref, int& column, int& row) {
    qsizetype i = 0;
    int col = 0;
    while (i < ref.size() && ref[i].isLetter() && i < 3) {
        const char16_t c = ref[i].toUpper().unicode();
        if (c < u'A' || c > u'Z')
            return false;
        col = col * 26 + (c - u'A' + 1);
        ++i;
    }
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (i == 0 || !ok || r < 1)
        return false;
    column = col - 1;
    row = r;
    return true;
}

double parseNumber(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Refusal{damaged};
    return value;
}

// The cell's text by its type attribute; the reader stands on <c> and ends on </c>.
QString cellText(QXmlStreamReader& xml, const SheetContext& sheet) {
    const QString type = xml.attributes().value(QLatin1StringView("t")).toString();
    const int style = xml.attributes().value(QLatin1StringView("s")).toInt();
    QString value;
    QString inlineText;
    bool hasValue = false;
    bool hasInline = false;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"v") {
                value = xml.readElementText();
                hasValue = true;
                checkCellLength(value, sheet.limits);
            } else if (xml.name() == u"is") {
                inlineText = richText(xml, sheet.limits);
                hasInline = true;
            } else {
                xml.skipCurrentElement();
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    checkXml(xml);
    if (type == u"inlineStr")
        return inlineText;
    if (!hasValue)
        return hasInline ? inlineText : QString();
    if (type == u"s") {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= sheet.sharedStrings.size())
            throw Refusal{damaged};
        return sheet.sharedStrings.at(index);
    }
    if (type == u"b")
        return parseNumber(value) != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (type.isEmpty() || type == u"n") {
        const double number = parseNumber(value);
        // A date or a time is stored as a day number; the cell shows it as its format says.
        if (const std::optional<QString> shown = sheet.formats.dateTimeText(style, number, sheet.locale))
            return *shown;
        return workbookNumberText(number, sheet.locale);
    }
    // "str" (a formula's text), "e" (an error such as #DIV/0!), "d" (an ISO date): as written.
    return value;
}

// Every row of the sheet, as SheetRows keeps them.
QList<QStringList> readSheetRows(const QByteArray& xmlBytes, int columns, const SheetContext& sheet) {
    SheetRows rows(columns, sheet.limits);
    QXmlStreamReader xml(xmlBytes);
    bool inData = false;
    int lastRow = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"sheetData") {
            inData = true;
            continue;
        }
        if (xml.isEndElement() && xml.name() == u"sheetData")
            break;
        if (!inData || !xml.isStartElement())
            continue;
        if (xml.name() != u"row") {
            xml.skipCurrentElement();
            continue;
        }
        int rowNumber = lastRow + 1;
        if (const QStringView r = xml.attributes().value(QLatin1StringView("r")); !r.isEmpty()) {
            bool ok = false;
            rowNumber = r.toInt(&ok);
            if (!ok || rowNumber <= lastRow)
                throw Refusal{damaged};
        }
        lastRow = rowNumber;
        QStringList cells(columns);
        int nextColumn = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement())
                break; // </row>
            if (!xml.isStartElement())
                continue;
            if (xml.name() != u"c") {
                xml.skipCurrentElement();
                continue;
            }
            int column = nextColumn;
            if (const QStringView ref = xml.attributes().value(QLatin1StringView("r")); !ref.isEmpty()) {
                int refRow = 0;
                if (!parseCellReference(ref, column, refRow) || refRow != rowNumber)
                    throw Refusal{damaged};
            }
            const QString text = cellText(xml, sheet);
            if (column < columns)
                cells[column] = text;
            nextColumn = column + 1;
        }
        checkXml(xml);
        rows.add(rowNumber, std::move(cells));
    }
    checkXml(xml);
    return rows.take();
}

QString firstSheetPart(ZipParts& zip, QString& workbookPart, Relationships& workbookRelationships) {
    workbookPart = QStringLiteral("xl/workbook.xml");
    if (const std::optional<QByteArray> rootRelationships = zip.read(QStringLiteral("_rels/.rels"))) {
        const Relationships root = readRelationships(*rootRelationships, QString());
        workbookPart = root.targetByTypeSuffix.value(QStringLiteral("officeDocument"), workbookPart);
    }
    const std::optional<QByteArray> workbook = zip.read(workbookPart);
    if (!workbook)
        throw Refusal{notAWorkbook};
    if (const std::optional<QByteArray> bytes = zip.read(relationshipsPartOf(workbookPart)))
        workbookRelationships = readRelationships(*bytes, folderOfPart(workbookPart));

    QXmlStreamReader xml(*workbook);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"sheet")
            continue;
        // The relationship id is the "id" attribute in the relationships namespace.
        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
            if (attribute.name() == u"id" && !attribute.namespaceUri().isEmpty()) {
                const QString part = workbookRelationships.targetById.value(attribute.value().toString());
                if (part.isEmpty())
                    throw Refusal{damaged};
                return part;
            }
        }
        throw Refusal{damaged};
    }
    checkXml(xml);
    throw Refusal{damaged}; // a workbook without sheets
}

QList<QStringList> xlsxRows(const QByteArray& bytes, int columns, const QLocale& locale, const WorkbookLimits& limits) {
    if (bytes.size() > limits.fileBytes)
        throw Refusal{tooBig};
    if (!bytes.startsWith("PK"))
        throw Refusal{notAWorkbook};
    ZipParts zip(bytes, limits.unpackedBytes);
    QString workbookPart;
    Relationships relationships;
    const QString sheetPart = firstSheetPart(zip, workbookPart, relationships);
    SheetContext context{{}, {}, locale, limits};
    const QString sharedPart = relationships.targetByTypeSuffix.value(
        QStringLiteral("sharedStrings"), folderOfPart(workbookPart) + QStringLiteral("sharedStrings.xml"));
    if (const std::optional<QByteArray> shared = zip.read(sharedPart))
        context.sharedStrings = readSharedStrings(*shared, limits);
    const QString stylesPart = relationships.targetByTypeSuffix.value(
        QStringLiteral("styles"), folderOfPart(workbookPart) + QStringLiteral("styles.xml"));
    if (const std::optional<QByteArray> styles = zip.read(stylesPart))
        context.formats = XlsxNumberFormats::fromStyles(*styles);
    const std::optional<QByteArray> sheet = zip.read(sheetPart);
    if (!sheet)
        throw Refusal{damaged};
    return readSheetRows(*sheet, columns, context);
}

} // namespace

WorkbookRows readXlsxRows(const QByteArray& bytes, int columns, const QLocale& locale, const WorkbookLimits& limits) {
    return guardedRead([&] { return xlsxRows(bytes, columns, locale, limits); });
}
