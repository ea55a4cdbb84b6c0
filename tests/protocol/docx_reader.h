#pragma once

#include "protocol/zip_package.h"

#include <QFile>
#include <QXmlStreamReader>

// Test helpers for word-processing documents: the entries of a package, the body of a
// main document as a reader sees it, and a template.

inline const QString wordMainNamespace = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

inline QList<ZipEntry> unzip(const QByteArray& bytes) {
    return readZipPackage(bytes).value_or(QList<ZipEntry>());
}

// The body as a reader sees it: each top-level paragraph's text ("[table]" for a
// table), the table's cell texts and its width and borders, the section's references.
struct Body {
    QStringList blocks;
    QList<QStringList> rows;
    int tableWidth = -1;
    QList<int> columnWidths;
    int borders = 0;
    QStringList sectionItems;
    bool wellFormed = false;
};

inline Body readBody(const QByteArray& xml) {
    Body body;
    QXmlStreamReader reader(xml);
    QString text;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            ++depth;
            const QStringView name = reader.name();
            if (reader.namespaceUri() != wordMainNamespace)
                continue;
            if (depth == 3 && (name == u"p" || name == u"tbl"))
                text.clear();
            if (name == u"tr")
                body.rows.append(QStringList());
            else if (name == u"tc")
                text.clear();
            else if (name == u"t")
                text += reader.readElementText(), --depth;
            else if (name == u"gridCol")
                body.columnWidths.append(reader.attributes().value(wordMainNamespace, QLatin1String("w")).toInt());
            else if (name == u"tblW")
                body.tableWidth = reader.attributes().value(wordMainNamespace, QLatin1String("w")).toInt();
            else if (reader.attributes().value(wordMainNamespace, QLatin1String("val")) == u"single")
                ++body.borders;
            else if (depth == 4 && body.blocks.value(body.blocks.size() - 1) == QLatin1String("[sectPr]"))
                body.sectionItems.append(name.toString());
            if (depth == 3 && name == u"sectPr")
                body.blocks.append(QStringLiteral("[sectPr]"));
        } else if (reader.isEndElement()) {
            if (reader.namespaceUri() == wordMainNamespace && reader.name() == u"tc")
                body.rows.last().append(text);
            if (depth == 3 && reader.name() == u"p")
                body.blocks.append(text);
            if (depth == 3 && reader.name() == u"tbl")
                body.blocks.append(QStringLiteral("[table]"));
            --depth;
        }
    }
    body.wellFormed = !reader.hasError();
    return body;
}

inline QByteArray entry(const QList<ZipEntry>& entries, const QString& name) {
    for (const ZipEntry& e : entries) {
        if (e.name == name)
            return e.data;
    }
    return QByteArray();
}

// A template: its main document under mainPart with the main namespace as prefix, a
// paragraph "Unterschrift", a section with a header reference and a landscape A4 page
// whose margins leave 15000 twips; saved as a template; own styles and a header part.
inline QList<ZipEntry> templateParts(const QString& prefix = QStringLiteral("w"),
                                     const QString& mainPart = QStringLiteral("word/document.xml")) {
    QByteArray document = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<w:document xmlns:w=\"" + wordMainNamespace.toUtf8() +
                          "\"><w:body><w:p><w:r><w:t>Unterschrift</w:t></w:r></w:p><w:sectPr><w:headerReference/>"
                          "<w:pgSz w:w=\"16838\"/><w:pgMar w:left=\"1000\" w:right=\"838\"/></w:sectPr></w:body>"
                          "</w:document>";
    document.replace("w:", prefix.toUtf8() + ':').replace("xmlns:w=", "xmlns:" + prefix.toUtf8() + '=');
    return {{QStringLiteral("[Content_Types].xml"),
             "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override PartName=\"/" +
                 mainPart.toUtf8() +
                 "\" ContentType=\"application/"
                 "vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml\"/></Types>"},
            {QStringLiteral("_rels/.rels"),
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"a\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
             "officeDocument\" Target=\"/" +
                 mainPart.toUtf8() + "\"/></Relationships>"},
            {QStringLiteral("word/styles.xml"), "<styles>Vereinsstil</styles>"},
            {QStringLiteral("word/header1.xml"), "<hdr>Kopfzeile mit Logo</hdr>"},
            {mainPart, document}};
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
