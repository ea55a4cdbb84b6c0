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
    void skipsEmptyLines();
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

// Empty lines, also of blanks or separators only, are no rows; a row with cells but no
// number still is one.
void TestProtocolTextFormat::skipsEmptyLines() {
    const std::optional<QList<QStringList>> rows =
        parseProtocolText(u"Nr.\tName\r\n\r\n1\tAnna\r\n   \r\n\t\t\r\n;;\r\n\tBert\r\n2\tCarl\r\n\r\n", 10, 100);
    QVERIFY(rows);
    QCOMPARE(rows->size(), 3);
    QCOMPARE(rows->at(0), QStringList({"1", "Anna"}));
    QCOMPARE(rows->at(1), QStringList({" ", "Bert"}));
    QCOMPARE(rows->at(2), QStringList({"2", "Carl"}));
}

QTEST_GUILESS_MAIN(TestProtocolTextFormat)
#include "test_protocol_text_format.moc"
