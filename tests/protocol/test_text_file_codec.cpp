#include "protocol/text_file_codec.h"

#include <QTest>

class TestTextFileCodec : public QObject {
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void encodes_data();
    void encodes();
    void everyWindows1252ByteRoundTrips();
};

void TestTextFileCodec::decodes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii") << QByteArray("Nr.\tName\t\r\n") << QStringLiteral("Nr.\tName\t\r\n");
    QTest::newRow("windows-1252 umlauts and one-byte O-slash")
        << QByteArray("M\xFCller \xC4\xD6\xDC\xDF \xD8-km/h") << QString::fromUtf8("Müller ÄÖÜß Ø-km/h");
    QTest::newRow("windows-1252 euro and quotes") << QByteArray("\x80 \x84x\x93") << QString::fromUtf8("€ „x“");
    QTest::newRow("utf-8 without bom") << QByteArray("\xC3\x98-km/h \xC5\x81ukasz")
                                       << QString::fromUtf8("Ø-km/h Łukasz");
    QTest::newRow("utf-8 with bom, bom dropped") << QByteArray("\xEF\xBB\xBF\xC3\xBC") << QString::fromUtf8("ü");
    QTest::newRow("cut-off utf-8 sequence is not utf-8") << QByteArray("ab\xC3") << QString::fromUtf8("abÃ");
    QTest::newRow("undefined byte as control") << QByteArray("a\x81z") << QStringLiteral("a\u0081z");
    QTest::newRow("utf-16 le with bom") << QByteArray("\xFF\xFE"
                                                      "N\0r\0\t\0\xD8\0",
                                                      10)
                                        << QString::fromUtf8("Nr\tØ");
    QTest::newRow("lone utf-16 surrogate") << QByteArray("\xFF\xFE"
                                                         "\x00\xD8!\0",
                                                         6)
                                           << QStringLiteral("\uFFFD!");
    QTest::newRow("utf-16 be with bom") << QByteArray("\xFE\xFF"
                                                      "\0N\0r\0\t\0\xD8",
                                                      10)
                                        << QString::fromUtf8("Nr\tØ");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestTextFileCodec::decodes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeTextFile(bytes), text);
}

void TestTextFileCodec::encodes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("header with one-byte O-slash")
        << QString::fromUtf8("Zw.Zeit\tØ-km/h\t") << QByteArray("Zw.Zeit\t\xD8-km/h\t");
    QTest::newRow("umlauts and euro") << QString::fromUtf8("Jürgen €") << QByteArray("J\xFCrgen \x80");
    QTest::newRow("outside the code page gives utf-8 with bom")
        << QString::fromUtf8("Łukasz Ø") << QByteArray("\xEF\xBB\xBF\xC5\x81ukasz \xC3\x98");
    QTest::newRow("single bytes that read as utf-8 give utf-8 with bom")
        << QString::fromUtf8("Ã¼") << QByteArray("\xEF\xBB\xBF\xC3\x83\xC2\xBC");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestTextFileCodec::encodes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeTextFile(text), bytes);
    QCOMPARE(decodeTextFile(encodeTextFile(text)), text);
}

void TestTextFileCodec::everyWindows1252ByteRoundTrips() {
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString text = decodeWindows1252(all);
    QCOMPARE(text.size(), all.size());
    QByteArray back;
    QVERIFY(encodeWindows1252(text, back));
    QCOMPARE(back, all);
    QByteArray untouched("keep");
    QVERIFY(!encodeWindows1252(QStringLiteral("\u0141"), untouched));
    QCOMPARE(untouched, QByteArray("keep"));
}

QTEST_GUILESS_MAIN(TestTextFileCodec)
#include "test_text_file_codec.moc"
