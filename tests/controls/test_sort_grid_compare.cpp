#include "controls/sort_grid_compare.h"

#include <QTest>

class TestSortGridCompare : public QObject {
    Q_OBJECT

private slots:
    void lowerCasesOnlyAToZ() {
        QCOMPARE(lowerCaseAZ(QStringLiteral("ÄRGER Zoë ÖL")), QStringLiteral("Ärger zoë Öl"));
        QCOMPARE(upperCaseAZ(QChar(u'm')), QChar(u'M'));
        QCOMPARE(upperCaseAZ(QChar(u'ü')), QChar(u'ü'));
    }

    void ordinalOrder_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected");
        QTest::newRow("prefix first") << "Mai"
                                      << "Maier" << -1;
        QTest::newRow("prefix within four units") << "ab"
                                                  << "abc" << -1;
        QTest::newRow("differs after four units") << "abcdz"
                                                  << "abcdef" << 1;
        QTest::newRow("equal") << "abc"
                               << "abc" << 0;
        QTest::newRow("digits as characters") << "10"
                                              << "9" << -1;
        QTest::newRow("umlaut after every ASCII letter") << "Mz"
                                                         << "Mä" << -1;
        QTest::newRow("upper before lower") << "Z"
                                            << "a" << -1;
        // In the single-byte code page the euro sign is 0x80, before Ä (0xC4).
        QTest::newRow("euro sign as its code page byte") << "€"
                                                         << "Ä" << -1;
        QTest::newRow("outside the code page after all bytes") << "ÿ"
                                                               << "Ω" << -1;
    }
    void ordinalOrder() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, expected);
        QCOMPARE(ordinalCompare(ordinalKey(a, false), ordinalKey(b, false)), expected);
        QCOMPARE(ordinalCompare(ordinalKey(b, false), ordinalKey(a, false)), -expected);
        // The packed prefix never contradicts the full comparison.
        const quint64 pa = ordinalPrefix(ordinalKey(a, false));
        const quint64 pb = ordinalPrefix(ordinalKey(b, false));
        if (pa != pb) {
            QCOMPARE(pa < pb ? -1 : 1, expected);
        }
    }

    void ordinalKeyLowersAToZ() {
        QCOMPARE(ordinalCompare(ordinalKey("MAIER", true), ordinalKey("maier", true)), 0);
        QVERIFY(ordinalCompare(ordinalKey("ÄRGER", true), ordinalKey("ärger", true)) != 0);
    }

    void numbers_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("converts");
        QTest::addColumn<double>("value");
        QTest::newRow("German comma") << "de_DE"
                                      << "2,345" << true << 2.345;
        QTest::newRow("German blanks trimmed") << "de_DE"
                                               << " 10,5 " << true << 10.5;
        QTest::newRow("German point is not decimal") << "de_DE"
                                                     << "2.345" << false << 0.0;
        QTest::newRow("German group separator rejected") << "de_DE"
                                                         << "1.000,5" << false << 0.0;
        QTest::newRow("C comma is no group separator") << "C"
                                                       << "2,345" << false << 0.0;
        QTest::newRow("C point") << "C"
                                 << "-1.5" << true << -1.5;
        QTest::newRow("empty") << "C"
                               << "" << false << 0.0;
        QTest::newRow("dash") << "de_DE"
                              << "-" << false << 0.0;
        QTest::newRow("infinity") << "C"
                                  << "inf" << false << 0.0;
    }
    void numbers() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, converts);
        QFETCH(double, value);
        const LocaleTextConverter converter{QLocale(locale)};
        double result = -99;
        QCOMPARE(converter.toNumber(text, &result), converts);
        if (converts) {
            QCOMPARE(result, value);
        }
    }

    void dateAndTimeOrder() {
        const LocaleTextConverter converter{QLocale(QLocale::German, QLocale::Germany)};
        qint64 earlier = 0;
        qint64 later = 0;
        QVERIFY(converter.toDateTime("31.12.2023 23:59:00", &earlier));
        QVERIFY(converter.toDateTime("01.01.2024", &later));
        QVERIFY(earlier < later);
        QVERIFY(converter.toTime("9:05", &earlier));
        QVERIFY(converter.toTime("10:00:01", &later));
        QVERIFY(earlier < later);
        QVERIFY(!converter.toTime("5,432", &earlier));
        QVERIFY(!converter.toDateTime("", &earlier));
        QVERIFY(!converter.toDateTime("Müller", &earlier));
    }

    void detectsStyle_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("style");
        QTest::newRow("numbers") << QStringList{"1", "2,5", "-3"} << int(ssNumeric);
        QTest::newRow("dates") << QStringList{"01.02.2024", "03.02.2024 10:00:00"} << int(ssDateTime);
        QTest::newRow("times only are dates too") << QStringList{"10:00", "9:30:12"} << int(ssDateTime);
        QTest::newRow("empty cell ends the numbers") << QStringList{"1", "", "3"} << int(ssNormal);
        QTest::newRow("names") << QStringList{"Anna", "1"} << int(ssNormal);
    }
    void detectsStyle() {
        QFETCH(QStringList, texts);
        QFETCH(int, style);
        QCOMPARE(int(detectTextsSortStyle(texts, LocaleTextConverter(QLocale(QLocale::German, QLocale::Germany)))),
                 style);
    }
};

QTEST_GUILESS_MAIN(TestSortGridCompare)
#include "test_sort_grid_compare.moc"
