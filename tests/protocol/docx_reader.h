#pragma once

#include <QFile>
#include <QList>
#include <QMap>
#include <QPair>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <zip.h>

// Test helpers for word-processing documents: the entries of a zip package, a package
// made of given parts, and the body of a main document as a reader sees it.

inline const QString wordMainNamespace = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

// Entries in archive order, read with libzip.
inline QList<QPair<QString, QByteArray>> unzip(const QByteArray& bytes) {
    QList<QPair<QString, QByteArray>> entries;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (!archive) {
        zip_source_free(source);
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        QByteArray data(qsizetype(stat.size), '\0');
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        zip_fread(file, data.data(), stat.size);
        zip_fclose(file);
        entries.append({QString::fromUtf8(stat.name), data});
    }
    zip_close(archive);
    return entries;
}

inline QByteArray zipOf(const QMap<QString, QByteArray>& parts) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.zip"));
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE, &error);
    for (auto it = parts.cbegin(); it != parts.cend(); ++it)
        zip_file_add(archive, it.key().toUtf8().constData(),
                     zip_source_buffer(archive, it.value().constData(), zip_uint64_t(it.value().size()), 0), 0);
    zip_close(archive);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

inline QByteArray entry(const QList<QPair<QString, QByteArray>>& entries, const QString& name) {
    for (const auto& e : entries) {
        if (e.first == name)
            return e.second;
    }
    return QByteArray();
}

// A template: its main document under mainPart with the main namespace as prefix, a
// paragraph "Unterschrift", a section with a header reference and a landscape A4 page
// whose margins leave 15000 twips; saved as a template; own styles and a header part.
inline QMap<QString, QByteArray> templateParts(const QString& prefix = QStringLiteral("w"),
                                               const QString& mainPart = QStringLiteral("word/document.xml")) {
    const QByteArray p = prefix.toUtf8();
    QMap<QString, QByteArray> parts;
    parts[QStringLiteral("[Content_Types].xml")] =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override PartName=\"/" +
        mainPart.toUtf8() +
        "\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml\"/></Types>";
    parts[QStringLiteral("_rels/.rels")] =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"a\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "officeDocument\" Target=\"/" +
        mainPart.toUtf8() + "\"/></Relationships>";
    parts[QStringLiteral("word/styles.xml")] = "<styles>Vereinsstil</styles>";
    parts[QStringLiteral("word/header1.xml")] = "<hdr>Kopfzeile mit Logo</hdr>";
    parts[mainPart] =
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<" + p + ":document xmlns:" + p + "=\"" + wordMainNamespace.toUtf8() +
        "\"><" + p + ":body><" + p + ":p><" + p + ":r><" + p + ":t>Unterschrift</" + p + ":t></" + p + ":r></" + p +
        ":p><" + p + ":sectPr><" + p + ":headerReference/><" + p + ":pgSz " + p + ":w=\"16838\"/><" + p + ":pgMar " +
        p + ":left=\"1000\" " + p + ":right=\"838\"/></" + p + ":sectPr></" + p + ":body></" + p + ":document>";
    return parts;
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
