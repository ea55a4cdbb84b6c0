#include "protocol/protocol_document.h"

#include "controls/sort_grid_data.h"
#include "docx_reader.h"
#include "protocol_test_grid.h"

#include <QTemporaryDir>
#include <QTest>

#include <numeric>

namespace {

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
            unzip(protocolDocumentBytes(QStringLiteral("Bergrennen <2014> & Co"), protocolDocumentRows(grid)));
        QVERIFY(!entries.isEmpty());
        QCOMPARE(entries.first().name, QStringLiteral("[Content_Types].xml"));
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
        QCOMPARE(std::accumulate(body.columnWidths.cbegin(), body.columnWidths.cend(), 0), body.tableWidth);
        QCOMPARE(body.columnWidths.size(), columns);
    }

    // A long text wraps in its own column instead of squeezing the times and speeds.
    void longTextLeavesShortColumnsTheirRoom() {
        SortGridData grid;
        fillProtocol(grid, sampleRows);
        grid.setCell(colName, 1, QString(300, u'x'));
        const Body body = readBody(
            entry(unzip(protocolDocumentBytes("T", protocolDocumentRows(grid))), QStringLiteral("word/document.xml")));
        QCOMPARE(std::accumulate(body.columnWidths.cbegin(), body.columnWidths.cend(), 0), body.tableWidth);
        QCOMPARE(std::max_element(body.columnWidths.cbegin(), body.columnWidths.cend()) - body.columnWidths.cbegin(),
                 colName);
        for (int col : {colZwZeit, colSchnitt, colVmax, colEndZeit, colZeit})
            QVERIFY2(body.columnWidths[col] > 800, qPrintable(QString::number(body.columnWidths[col])));
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
        const QList<ZipEntry> parts = templateParts(prefix, mainPart);
        QTemporaryDir dir;
        const QString templateFile = dir.filePath(QStringLiteral("Protokollvorlage.docx"));
        QVERIFY(writeBytes(templateFile, zipEntries(parts)));

        SortGridData grid;
        fillProtocol(grid, sampleRows);
        const auto entries =
            unzip(protocolDocumentBytes(QStringLiteral("Titel"), protocolDocumentRows(grid), templateFile));
        QCOMPARE(entries.first().name, QStringLiteral("[Content_Types].xml"));
        QCOMPARE(entries.size(), parts.size());
        for (const QString& name :
             {QStringLiteral("word/styles.xml"), QStringLiteral("word/header1.xml"), QStringLiteral("_rels/.rels")})
            QCOMPARE(entry(entries, name), entry(parts, name));
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
        QVERIFY(writeBytes(broken, zipEntries({{QStringLiteral("word/document.xml"), "<w:document><w:body>"}})));
        SortGridData grid;
        fillProtocol(grid, sampleRows);
        for (const QString& templateFile : {broken, dir.filePath(QStringLiteral("missing.docx"))}) {
            const Body body =
                readBody(entry(unzip(protocolDocumentBytes("T", protocolDocumentRows(grid), templateFile)),
                               QStringLiteral("word/document.xml")));
            QVERIFY(body.wellFormed);
            QCOMPARE(body.rows.size(), grid.RowCount());
        }
    }

    // A package that unpacks to more than allowed, is larger than allowed or is cut off is refused.
    void zipReadsAreBounded() {
        const QByteArray packed = zipEntries({{QStringLiteral("a.xml"), QByteArray(1 << 20, ' ')}});
        QVERIFY(packed.size() < 1 << 16);
        QCOMPARE(readZipPackage(packed).value_or(QList<ZipEntry>()).value(0).data.size(), 1 << 20);
        QVERIFY(!readZipPackage(packed, ZipLimits{1 << 20, (1 << 20) - 1, 10}));
        QVERIFY(!readZipPackage(packed, ZipLimits{100, 1 << 21, 10}));
        QVERIFY(!readZipPackage(packed.left(packed.size() / 2)));
    }

    void saveWritesOrFails() {
        QTemporaryDir dir;
        SortGridData grid;
        fillProtocol(grid, sampleRows);
        const QString target = dir.filePath(QStringLiteral("p.docx"));
        QVERIFY(saveProtocolDocument(grid, QStringLiteral("T"), target));
        QCOMPARE(readBody(entry(unzip(readBytes(target)), QStringLiteral("word/document.xml"))).rows.size(), 4);

        QString reason;
        QVERIFY(
            !saveProtocolDocument(grid, QStringLiteral("T"), dir.filePath(QStringLiteral("no/p.docx")), {}, &reason));
        QVERIFY(!reason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProtocolDocument)
#include "test_protocol_document.moc"
