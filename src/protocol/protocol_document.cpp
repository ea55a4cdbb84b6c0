// Builds the protocol's .docx: into the template's body when one is usable, else a plain
// A4 landscape document; texts cleaned of characters XML cannot hold.

#include "protocol/protocol_document.h"

#include "controls/sort_grid_data.h"
#include "protocol/atomic_file_writer.h"
#include "protocol/zip_package.h"

#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>
#include <numeric>
#include <optional>

namespace {

const QString wordNamespace = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString contentTypesName = QStringLiteral("[Content_Types].xml");
const QString packageRelsName = QStringLiteral("_rels/.rels");
const QString plainDocumentName = QStringLiteral("word/document.xml");

// A4 landscape with 2 cm margins, so that the protocol's columns fit side by side;
// also when a template's page setup cannot be read.
constexpr int plainTextWidth = 16838 - 2 * 1134;
// Narrower than this is no real page.
constexpr int minTextWidth = 1440;

// Cell and title texts as XML character data. Control characters (TAB, CR, LF among
// them) have no place in a table cell and are not allowed in XML: they become blanks.
QString xmlText(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            continue;
        plain += c.unicode() < 0x20 ? QChar(u' ') : c;
    }
    return plain.toHtmlEscaped(); // &, <, > and "
}

QString paragraph(const QString& text, const QString& properties, const QString& runProperties,
                  const QString& namespaceDecl) {
    QString xml = QStringLiteral("<w:p") + namespaceDecl + u'>' + properties;
    if (!text.isEmpty())
        xml += QStringLiteral("<w:r>") + runProperties + QStringLiteral("<w:t xml:space=\"preserve\">") +
               xmlText(text) + QStringLiteral("</w:t></w:r>");
    return xml + QStringLiteral("</w:p>");
}

// About how wide a text is in twips in a 10 pt proportional font; bold headers and a
// larger template font are what the spare twips of each column are for.
int textTwips(const QString& text) {
    constexpr qsizetype longest = 200;
    int twips = 0;
    for (const QChar c : QStringView(text).left(longest)) {
        if (QStringView(u".,:;'!|ijlIft -").contains(c))
            twips += 65;
        else if (c.isUpper() || c == u'm' || c == u'w')
            twips += 140;
        else
            twips += 115;
    }
    return twips;
}

// Column widths in twips that fill textWidth. Each column asks for the room of its
// longest text; when they do not all fit, the widest give way and wrap their texts,
// so that short columns such as times and speeds stay on one line.
QList<int> columnTwips(const QList<QStringList>& rows, int columns, int textWidth) {
    // The cell's left and right margins and a little to spare.
    constexpr int cellPadding = 2 * 108 + 100;
    QList<int> need(columns, 400 + cellPadding);
    for (const QStringList& row : rows) {
        for (int c = 0; c < columns && c < row.size(); ++c)
            need[c] = std::max(need[c], textTwips(row[c]) + cellPadding);
    }

    QList<int> order(columns);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&need](int a, int b) { return need[a] < need[b]; });
    QList<int> widths(columns);
    int room = textWidth;
    for (int i = 0; i < columns; ++i) {
        const int share = room / (columns - i);
        widths[order[i]] = std::min(need[order[i]], share);
        room -= widths[order[i]];
    }
    // What is left widens every column alike, so the table spans the text width.
    const int used = textWidth - room;
    int given = 0;
    for (int c = 0; c < columns; ++c) {
        widths[c] += int(qint64(room) * widths[c] / std::max(used, 1));
        given += widths[c];
    }
    widths[columns - 1] += textWidth - given;
    return widths;
}

// The title, an empty paragraph and the table, as children of the document's body.
// namespaceDecl binds the "w" prefix on each element when the document does not.
QString protocolBodyXml(const QString& title, const QList<QStringList>& rows, int textWidth,
                        const QString& namespaceDecl) {
    QString xml =
        paragraph(title, QStringLiteral("<w:pPr><w:pStyle w:val=\"Title\"/></w:pPr>"), QString(), namespaceDecl);
    xml += paragraph(QString(), QString(), QString(), namespaceDecl);

    int columns = 0;
    for (const QStringList& row : rows)
        columns = std::max(columns, int(row.size()));
    if (columns == 0)
        return xml;
    const QList<int> widths = columnTwips(rows, columns, textWidth);

    const QString border = QStringLiteral(" w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>");
    xml += QStringLiteral("<w:tbl") + namespaceDecl +
           QStringLiteral("><w:tblPr><w:tblW w:w=\"%1\" w:type=\"dxa\"/>").arg(textWidth);
    xml += QStringLiteral("<w:tblBorders>");
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
        xml += QStringLiteral("<w:") + QLatin1String(side) + border;
    xml += QStringLiteral("</w:tblBorders><w:tblLayout w:type=\"fixed\"/></w:tblPr><w:tblGrid>");
    for (const int width : widths)
        xml += QStringLiteral("<w:gridCol w:w=\"%1\"/>").arg(width);
    xml += QStringLiteral("</w:tblGrid>");

    for (qsizetype r = 0; r < rows.size(); ++r) {
        const bool header = r == 0;
        // The header row repeats on every page of a long protocol.
        xml += header ? QStringLiteral("<w:tr><w:trPr><w:cantSplit/><w:tblHeader/></w:trPr>")
                      : QStringLiteral("<w:tr><w:trPr><w:cantSplit/></w:trPr>");
        for (int c = 0; c < columns; ++c) {
            xml += QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/></w:tcPr>").arg(widths[c]);
            // Every cell needs a paragraph, an empty cell too.
            xml += paragraph(rows[r].value(c), QString(),
                             header ? QStringLiteral("<w:rPr><w:b/><w:bCs/></w:rPr>") : QString(), QString());
            xml += QStringLiteral("</w:tc>");
        }
        xml += QStringLiteral("</w:tr>");
    }
    return xml + QStringLiteral("</w:tbl>");
}

const char* const xmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

QList<ZipEntry> plainPackage(const QString& title, const QList<QStringList>& rows) {
    const QString wordNs = QStringLiteral(" xmlns:w=\"") + wordNamespace + u'"';
    QList<ZipEntry> parts;
    parts.append({contentTypesName, QByteArray(xmlDeclaration) +
                                        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                                        "<Default Extension=\"rels\" "
                                        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                                        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                                        "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
                                        "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                                        "<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
                                        "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
                                        "<Override PartName=\"/docProps/core.xml\" "
                                        "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
                                        "</Types>"});
    parts.append(
        {packageRelsName, QByteArray(xmlDeclaration) +
                              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                              "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                              "relationships/officeDocument\" Target=\"word/document.xml\"/>"
                              "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/"
                              "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"
                              "</Relationships>"});
    parts.append({QStringLiteral("docProps/core.xml"),
                  QByteArray(xmlDeclaration) +
                      "<cp:coreProperties "
                      "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
                      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" +
                      xmlText(title).toUtf8() + "</dc:title></cp:coreProperties>"});
    parts.append({QStringLiteral("word/_rels/document.xml.rels"),
                  QByteArray(xmlDeclaration) +
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                      "relationships/styles\" Target=\"styles.xml\"/>"
                      "</Relationships>"});
    parts.append({QStringLiteral("word/styles.xml"),
                  QByteArray(xmlDeclaration) + "<w:styles" + wordNs.toUtf8() +
                      "><w:docDefaults><w:rPrDefault><w:rPr>"
                      "<w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:eastAsia=\"Arial\" w:cs=\"Arial\"/>"
                      "<w:sz w:val=\"20\"/><w:szCs w:val=\"20\"/><w:lang w:val=\"de-DE\"/>"
                      "</w:rPr></w:rPrDefault><w:pPrDefault><w:pPr>"
                      "<w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>"
                      "</w:pPr></w:pPrDefault></w:docDefaults>"
                      "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\">"
                      "<w:name w:val=\"Normal\"/><w:qFormat/></w:style>"
                      "<w:style w:type=\"paragraph\" w:styleId=\"Title\"><w:name w:val=\"Title\"/>"
                      "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:qFormat/>"
                      "<w:rPr><w:b/><w:bCs/><w:sz w:val=\"32\"/><w:szCs w:val=\"32\"/></w:rPr></w:style>"
                      "<w:style w:type=\"table\" w:default=\"1\" w:styleId=\"TableNormal\">"
                      "<w:name w:val=\"Normal Table\"/><w:tblPr><w:tblInd w:w=\"0\" w:type=\"dxa\"/>"
                      "<w:tblCellMar><w:top w:w=\"0\" w:type=\"dxa\"/><w:left w:w=\"108\" w:type=\"dxa\"/>"
                      "<w:bottom w:w=\"0\" w:type=\"dxa\"/><w:right w:w=\"108\" w:type=\"dxa\"/>"
                      "</w:tblCellMar></w:tblPr></w:style>"
                      "</w:styles>"});

    // A table must not end the body: a paragraph follows it.
    const QString body = protocolBodyXml(title, rows, plainTextWidth, QString()) + QStringLiteral("<w:p/>");
    parts.append({plainDocumentName,
                  QByteArray(xmlDeclaration) + "<w:document" + wordNs.toUtf8() +
                      " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>" +
                      body.toUtf8() +
                      "<w:sectPr><w:pgSz w:w=\"16838\" w:h=\"11906\" w:orient=\"landscape\"/>"
                      "<w:pgMar w:top=\"1134\" w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\" "
                      "w:header=\"567\" w:footer=\"567\" w:gutter=\"0\"/></w:sectPr>"
                      "</w:body></w:document>"});
    return parts;
}

// --- Reading a template ---

ZipEntry* findEntry(QList<ZipEntry>& parts, const QString& name) {
    for (ZipEntry& part : parts) {
        if (part.name == name)
            return &part;
    }
    return nullptr;
}

// The main document part named by the package's relationships.
QString mainDocumentName(const QByteArray& packageRels) {
    QXmlStreamReader reader(packageRels);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (attributes.value(QLatin1String("Type")).endsWith(QLatin1String("/officeDocument"))) {
            QString target = attributes.value(QLatin1String("Target")).toString();
            while (target.startsWith(u'/'))
                target.remove(0, 1);
            return target;
        }
    }
    return QString();
}

struct TemplateBody {
    qsizetype insertAt = -1;          // just after the body's start tag
    bool startsWithParagraph = false; // else a paragraph must separate the table from what follows
    bool prefixBound = false;         // "w" is the main namespace throughout
    int textWidth = plainTextWidth;
};

std::optional<TemplateBody> inspectDocument(const QString& xml) {
    QXmlStreamReader reader(xml);
    TemplateBody body;
    int depth = 0;
    int bodyDepth = -1;
    bool sawChild = false;
    bool inSectPr = false;
    int pageWidth = 0;
    int margins = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            ++depth;
            const bool word = reader.namespaceUri() == wordNamespace;
            const QStringView name = reader.name();
            if (depth == 1) {
                for (const QXmlStreamNamespaceDeclaration& decl : reader.namespaceDeclarations()) {
                    if (decl.prefix() == QLatin1String("w") && decl.namespaceUri() == wordNamespace)
                        body.prefixBound = true;
                }
            } else if (depth == 2 && bodyDepth < 0 && word && name == QLatin1String("body")) {
                bodyDepth = depth;
                body.insertAt = qsizetype(reader.characterOffset());
            } else if (bodyDepth > 0 && depth == bodyDepth + 1) {
                if (!sawChild)
                    body.startsWithParagraph = word && name == QLatin1String("p");
                sawChild = true;
                inSectPr = word && name == QLatin1String("sectPr");
            } else if (inSectPr && depth == bodyDepth + 2 && word) {
                const QXmlStreamAttributes a = reader.attributes();
                if (name == QLatin1String("pgSz"))
                    pageWidth = a.value(wordNamespace, QLatin1String("w")).toInt();
                else if (name == QLatin1String("pgMar"))
                    margins = a.value(wordNamespace, QLatin1String("left")).toInt() +
                              a.value(wordNamespace, QLatin1String("right")).toInt() +
                              a.value(wordNamespace, QLatin1String("gutter")).toInt();
            }
        } else if (reader.isEndElement()) {
            if (bodyDepth > 0 && depth == bodyDepth + 1)
                inSectPr = false;
            --depth;
        }
    }
    if (reader.hasError() || body.insertAt < 2 || body.insertAt > xml.size())
        return std::nullopt;
    // An empty body written as one tag has no place inside it.
    if (xml.at(body.insertAt - 1) != u'>' || xml.at(body.insertAt - 2) == u'/')
        return std::nullopt;
    if (pageWidth - margins >= minTextWidth)
        body.textWidth = pageWidth - margins;
    return body;
}

// The template's parts with the title and table at the top of its body; nothing when
// the template cannot serve.
std::optional<QList<ZipEntry>> templatePackage(const QString& templateFile, const QString& title,
                                               const QList<QStringList>& rows) {
    // A template is the user's own file, but it is still read with limits, so that a
    // damaged or hostile one cannot exhaust the memory.
    std::optional<QList<ZipEntry>> parts = readZipFile(templateFile, ZipLimits{});
    if (!parts)
        return std::nullopt;
    // Two entries of one name cannot be written into a package again.
    QSet<QString> names;
    for (const ZipEntry& part : *parts) {
        if (names.contains(part.name))
            return std::nullopt;
        names.insert(part.name);
    }
    ZipEntry* rels = findEntry(*parts, packageRelsName);
    ZipEntry* types = findEntry(*parts, contentTypesName);
    if (!rels || !types)
        return std::nullopt;
    ZipEntry* document = findEntry(*parts, mainDocumentName(rels->data));
    if (!document)
        return std::nullopt;

    QString xml = QString::fromUtf8(document->data);
    if (xml.startsWith(QChar(0xFEFF)))
        xml.remove(0, 1);
    const std::optional<TemplateBody> body = inspectDocument(xml);
    if (!body)
        return std::nullopt;
    const QString namespaceDecl = body->prefixBound ? QString() : QStringLiteral(" xmlns:w=\"") + wordNamespace + u'"';
    QString inserted = protocolBodyXml(title, rows, body->textWidth, namespaceDecl);
    if (!body->startsWithParagraph)
        inserted += paragraph(QString(), QString(), QString(), namespaceDecl);
    xml.insert(body->insertAt, inserted);
    document->data = xml.toUtf8();

    // A template saved as such would make the written file a template, which a word
    // processor refuses under the name .docx.
    types->data.replace("wordprocessingml.template.main+xml", "wordprocessingml.document.main+xml");

    // The content types come first, where readers look for them.
    std::stable_partition(parts->begin(), parts->end(),
                          [](const ZipEntry& part) { return part.name == contentTypesName; });
    return parts;
}

} // namespace

QList<QStringList> protocolDocumentRows(const SortGridData& grid) {
    QList<int> columns;
    for (int col = 0; col < grid.ColCount(); ++col) {
        if (grid.ColWidth(col) >= 0)
            columns.append(col);
    }
    QList<QStringList> rows;
    for (int row = 0; row < grid.RowCount(); ++row) {
        QStringList cells;
        for (const int col : columns)
            cells.append(grid.cell(col, row));
        rows.append(cells);
    }
    return rows;
}

QByteArray protocolDocumentBytes(const QString& title, const QList<QStringList>& rows, const QString& templateFile,
                                 bool* templateUsed) {
    if (templateUsed)
        *templateUsed = false;
    if (!templateFile.isEmpty()) {
        if (const std::optional<QList<ZipEntry>> parts = templatePackage(templateFile, title, rows)) {
            const QByteArray bytes = zipEntries(*parts);
            if (!bytes.isEmpty()) {
                if (templateUsed)
                    *templateUsed = true;
                return bytes;
            }
        }
    }
    return zipEntries(plainPackage(title, rows));
}

bool saveProtocolDocument(const SortGridData& grid, const QString& title, const QString& fileName,
                          const QString& templateFile, QString* errorText, TargetLinks links, bool* templateUsed) {
    const QByteArray bytes = protocolDocumentBytes(title, protocolDocumentRows(grid), templateFile, templateUsed);
    if (bytes.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("the document could not be built");
        return false;
    }
    return writeFileAtomically(fileName, bytes, errorText, links);
}
