#include "protocol/protocol_text_format.h"

#include <QTest>

class TestProtocolTextFormat : public QObject {
    Q_OBJECT

private slots:
    void splitsLines_data();
    void splitsLines();
    void splitsFields_data();
    void splitsFields();
    void recognisesHeaderLines_data();
    void recognisesHeaderLines();
    void rowCellsKeepTenFieldsAndBlankEmptyOnes();
    void parsesText();
    void writesLines_data();
    void writesLines();
    void writtenLineReadsBackAsTheSameCells();
};

void TestProtocolTextFormat::splitsLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << "a\r\nb\r\n" << QStringList{"a", "b"};
    QTest::newRow("lf and lone cr") << "a\nb\rc" << QStringList{"a", "b", "c"};
    QTest::newRow("empty lines kept") << "a\r\n\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("cr cr lf is two ends") << "a\r\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("lf cr is two ends") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("only a terminator") << "\r\n" << QStringList{""};
    QTest::newRow("empty text") << "" << QStringList{};
}

void TestProtocolTextFormat::splitsLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(splitTextLines(text), lines);
}

void TestProtocolTextFormat::splitsFields_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("tabs with trailing tab") << "1\tMax\t \t" << QStringList{"1", "Max", " "};
    QTest::newRow("semicolons") << "a;b" << QStringList{"a", "b"};
    QTest::newRow("run of semicolons counts as one") << "a;;b" << QStringList{"a", "b"};
    QTest::newRow("leading semicolon gives empty first field") << ";a;b" << QStringList{"", "a", "b"};
    QTest::newRow("leading run gives one empty field") << ";;;a" << QStringList{"", "a"};
    QTest::newRow("only separators") << "\t\t" << QStringList{""};
    QTest::newRow("tab wins, semicolons stay in cells") << "a;b\tc;" << QStringList{"a;b", "c;"};
    QTest::newRow("blanks and quotes are ordinary") << " \"x y\" ;z" << QStringList{" \"x y\" ", "z"};
    QTest::newRow("no separator") << "abc" << QStringList{"abc"};
    QTest::newRow("empty line") << "" << QStringList{};
}

void TestProtocolTextFormat::splitsFields() {
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QCOMPARE(splitProtocolFields(line), fields);
}

void TestProtocolTextFormat::recognisesHeaderLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("header");
    QTest::newRow("written header") << QString::fromUtf8("Nr.\tName\tFahrzeug\tGruppe\tZw.Zeit\tØ-km/h\t") << true;
    QTest::newRow("semicolon header") << "Nr.;Name" << true;
    QTest::newRow("first field containing Nr.") << "Start-Nr.;Name" << true;
    QTest::newRow("name Nr. 7 is data") << "7\tNr. 7\tBMW\t" << false;
    QTest::newRow("empty first field") << ";Nr." << false;
    QTest::newRow("empty line") << "" << false;
}

void TestProtocolTextFormat::recognisesHeaderLines() {
    QFETCH(QString, line);
    QFETCH(bool, header);
    QCOMPARE(isProtocolHeaderLine(splitProtocolFields(line)), header);
}

void TestProtocolTextFormat::rowCellsKeepTenFieldsAndBlankEmptyOnes() {
    QCOMPARE(protocolRowCells(splitProtocolFields(u";a;b"), 10), (QStringList{" ", "a", "b"}));
    QCOMPARE(protocolRowCells(splitProtocolFields(u"1;2;3;4;5;6;7;8;9;10;11;12"), 10),
             (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    QCOMPARE(protocolRowCells(splitProtocolFields(u""), 10), QStringList{});
}

void TestProtocolTextFormat::parsesText() {
    const QString text = QString::fromUtf8("Nr.\tName\t\r\n"
                                           "7\tNr. 7\t\r\n"
                                           "\r\n"
                                           "8;Anna\n");
    const QList<QStringList> rows = parseProtocolText(text, 10);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], (QStringList{"7", "Nr. 7"}));
    QCOMPARE(rows[1], QStringList{});
    QCOMPARE(rows[2], (QStringList{"8", "Anna"}));
}

void TestProtocolTextFormat::writesLines_data() {
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("line");
    QTest::newRow("empty cell as one blank") << QStringList{"1", "", "x"} << "1\t \tx\t\r\n";
    QTest::newRow("tab, cr and lf in a cell become blanks") << QStringList{"1", "A\tB\r\nC"} << "1\tA B  C\t\r\n";
    QTest::newRow("blank kept") << QStringList{" "} << " \t\r\n";
}

void TestProtocolTextFormat::writesLines() {
    QFETCH(QStringList, cells);
    QFETCH(QString, line);
    QCOMPARE(protocolTextLine(cells), line);
}

void TestProtocolTextFormat::writtenLineReadsBackAsTheSameCells() {
    const QStringList cells = {"12", "Nr. 7", "a;b", "", "2,345", "-", "AUS", " ", "1.02,000", "1"};
    const QList<QStringList> rows = parseProtocolText(protocolTextLine(cells), 10);
    QCOMPARE(rows.size(), 1);
    QStringList expected = cells;
    expected[3] = " ";
    QCOMPARE(rows[0], expected);
}

QTEST_GUILESS_MAIN(TestProtocolTextFormat)
#include "test_protocol_text_format.moc"
