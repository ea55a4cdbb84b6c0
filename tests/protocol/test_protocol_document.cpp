#include "protocol/protocol_document.h"

#include "controls/sort_grid_data.h"
#include "protocol_test_grid.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <zip.h>

namespace {

const QString w = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

// Entries in archive order, read with libzip.
QList<QPair<QString, QByteArray>> unzip(const QByteArray& bytes) {
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

QByteArray zipOf(const QMap<QString, QByteArray>& parts) {
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
    int borders = 0;
    QStringList sectionItems;
    bool wellFormed = false;
};

Body readBody(const QByteArray& xml) {
    Body body;
    QXmlStreamReader reader(xml);
    QString text;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            ++depth;
            const QStringView name = reader.name();
            if (reader.namespaceUri() != w)
                continue;
            if (depth == 3 && (name == u"p" || name == u"tbl"))
                text.clear();
            if (name == u"tr")
                body.rows.append(QStringList());
            else if (name == u"tc")
                text.clear();
            else if (name == u"t")
                text += reader.readElementText(), --depth;
            else if (name == u"tblW")
                body.tableWidth = reader.attributes().value(w, QLatin1String("w")).toInt();
            else if (reader.attributes().value(w, QLatin1String("val")) == u"single")
                ++body.borders;
            else if (depth == 4 && body.blocks.value(body.blocks.size() - 1) == QLatin1String("[sectPr]"))
                body.sectionItems.append(name.toString());
            if (depth == 3 && name == u"sectPr")
                body.blocks.append(QStringLiteral("[sectPr]"));
        } else if (reader.isEndElement()) {
            if (reader.namespaceUri() == w && reader.name() == u"tc")
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

QByteArray entry(const QList<QPair<QString, QByteArray>>& entries, const QString& name) {
    for (const auto& e : entries) {
        if (e.first == name)
            return e.second;
    }
    return QByteArray();
}

const QList<QStringList> sampleRows{
    {"7", "Jörg Weiß", "Käfer <1303>", "A & B", "1,234", "98,12", "123,45", "1.02,345", "5,432", "1"},
    {"12", "  ", "", "", "-", "-", "-", "-", "-", ""},
    {"3", "Tab\there", "Zeile\nzwei", "", "", "", "", "", "AUS", ""},
};

} // namespace

class TestProtocolDocument : public QObject {
    Q_OBJECT

private slots:
    void plainDocumentHoldsTitleAndTable_data() {
        QTest::addColumn<bool>("platzShown");
        QTest::newRow("Platz hidden") << false;
        QTest::newRow("Platz shown") << true;
    }
    void plainDocumentHoldsTitleAndTable() {
        QFETCH(bool, platzShown);
        SortGridData grid;
        fillProtocol(grid, sampleRows);
        for (int col = 0; col < protocolColumnCount; ++col)
            grid.setColWidth(col, 60);
        grid.setColWidth(colName, 0); // a squeezed column is still written
        grid.setColWidth(colPlatz, platzShown ? 42 : -1);

        const auto entries =
            unzip(protocolDocumentBytes(QStringLiteral("Bergrennen <2014> & Co"), protocolDocumentTable(grid)));
        QVERIFY(!entries.isEmpty());
        QCOMPARE(entries.first().first, QStringLiteral("[Content_Types].xml"));
        for (const char* name : {"_rels/.rels", "word/_rels/document.xml.rels", "word/styles.xml"})
            QVERIFY2(!entry(entries, QLatin1String(name)).isEmpty(), name);
        QVERIFY(entry(entries, QStringLiteral("docProps/core.xml")).contains("Bergrennen &lt;2014&gt; &amp; Co"));

        const Body body = readBody(entry(entries, QStringLiteral("word/document.xml")));
        QVERIFY(body.wellFormed);
        QCOMPARE(body.blocks, (QStringList{"Bergrennen <2014> & Co", "", "[table]", "", "[sectPr]"}));
        QCOMPARE(body.rows.size(), grid.RowCount());
        const int columns = platzShown ? 10 : 9;
        for (int row = 0; row < grid.RowCount(); ++row) {
            QStringList expected = grid.rowCells(row).mid(0, columns);
            expected.replaceInStrings(QStringLiteral("\t"), QStringLiteral(" "));
            expected.replaceInStrings(QStringLiteral("\n"), QStringLiteral(" "));
            QCOMPARE(body.rows[row], expected);
        }
        QCOMPARE(body.borders, 6);
        QVERIFY(body.tableWidth > 0);
    }

    void templateKeepsItsPartsAndText_data() {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("mainPart");
        QTest::newRow("usual") << QStringLiteral("w") << QStringLiteral("word/document.xml");
        QTest::newRow("own prefix and part name") << QStringLiteral("x") << QStringLiteral("doc/main.xml");
    }
    void templateKeepsItsPartsAndText() {
        QFETCH(QString, prefix);
        QFETCH(QString, mainPart);
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
        parts[mainPart] = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<" + p + ":document xmlns:" + p + "=\"" + w.toUtf8() +
                          "\"><" + p + ":body><" + p + ":p><" + p + ":r><" + p + ":t>Unterschrift</" + p + ":t></" + p +
                          ":r></" + p + ":p><" + p + ":sectPr><" + p + ":headerReference/><" + p + ":pgSz " + p +
                          ":w=\"16838\"/><" + p + ":pgMar " + p + ":left=\"1000\" " + p + ":right=\"838\"/></" + p +
                          ":sectPr></" + p + ":body></" + p + ":document>";
        QTemporaryDir dir;
        const QString templateFile = dir.filePath(QStringLiteral("Protokollvorlage.docx"));
        QFile file(templateFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(zipOf(parts));
        file.close();

        SortGridData grid;
        fillProtocol(grid, sampleRows);
        const auto entries =
            unzip(protocolDocumentBytes(QStringLiteral("Titel"), protocolDocumentTable(grid), templateFile));
        QCOMPARE(entries.first().first, QStringLiteral("[Content_Types].xml"));
        QCOMPARE(entries.size(), parts.size());
        for (const QString& name :
             {QStringLiteral("word/styles.xml"), QStringLiteral("word/header1.xml"), QStringLiteral("_rels/.rels")})
            QCOMPARE(entry(entries, name), parts[name]);
        // Written as a document, not as a template.
        QVERIFY(entry(entries, QStringLiteral("[Content_Types].xml")).contains("document.main+xml"));

        const Body body = readBody(entry(entries, mainPart));
        QVERIFY(body.wellFormed);
        QCOMPARE(body.blocks, (QStringList{"Titel", "", "[table]", "Unterschrift", "[sectPr]"}));
        QCOMPARE(body.sectionItems, (QStringList{"headerReference", "pgSz", "pgMar"}));
        QCOMPARE(body.rows.size(), grid.RowCount());
        QCOMPARE(body.rows[1].first(), QStringLiteral("7"));
        QCOMPARE(body.tableWidth, 16838 - 1838);
    }

    void unusableTemplateGivesPlainDocument() {
        QTemporaryDir dir;
        const QString broken = dir.filePath(QStringLiteral("Protokollvorlage.docx"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(zipOf({{QStringLiteral("word/document.xml"), "<w:document><w:body>"}}));
        file.close();
        SortGridData grid;
        fillProtocol(grid, sampleRows);
        for (const QString& templateFile : {broken, dir.filePath(QStringLiteral("missing.docx"))}) {
            const Body body =
                readBody(entry(unzip(protocolDocumentBytes("T", protocolDocumentTable(grid), templateFile)),
                               QStringLiteral("word/document.xml")));
            QVERIFY(body.wellFormed);
            QCOMPARE(body.rows.size(), grid.RowCount());
        }
    }

    void saveWritesOrFails() {
        QTemporaryDir dir;
        SortGridData grid;
        fillProtocol(grid, sampleRows);
        const QString target = dir.filePath(QStringLiteral("p.docx"));
        QVERIFY(saveProtocolDocument(grid, QStringLiteral("T"), target));
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(readBody(entry(unzip(file.readAll()), QStringLiteral("word/document.xml"))).rows.size(), 4);

        QString reason;
        QVERIFY(
            !saveProtocolDocument(grid, QStringLiteral("T"), dir.filePath(QStringLiteral("no/p.docx")), {}, &reason));
        QVERIFY(!reason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProtocolDocument)
#include "test_protocol_document.moc"
