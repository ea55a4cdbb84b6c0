#include "controls/sort_grid_paint.h"

#include <QTest>

namespace {

// Letters 10 px, points 3 px, as in a proportional font.
int lettersAndPoints(const QString& text) {
    int width = 0;
    for (QChar c : text) {
        width += c == QLatin1Char('.') ? 3 : 10;
    }
    return width;
}

bool ink(const QImage& picture, int x, int y) {
    return qAlpha(picture.pixel(x, y)) > 0;
}

} // namespace

class TestSortGridPaint : public QObject {
    Q_OBJECT

private slots:
    void shortensHeaderText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("available");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fits") << "Zeit" << 40 << "Zeit";
        QTest::newRow("last two become dots") << "Fahrzeug" << 78 << "Fahrze..";
        QTest::newRow("more removed until it fits") << "Fahrzeug" << 55 << "Fahr..";
        QTest::newRow("three characters remain") << "Gruppe" << 5 << "G..";
        QTest::newRow("three characters, too wide") << "Nr." << 15 << "N..";
        QTest::newRow("short texts stay") << "ab" << 5 << "ab";
    }
    void shortensHeaderText() {
        QFETCH(QString, text);
        QFETCH(int, available);
        QFETCH(QString, expected);
        QCOMPARE(shortenHeaderText(text, available, lettersAndPoints), expected);
    }

    void arrowPictures() {
        const QImage up = sortArrowPicture(sdAscending);
        const QImage down = sortArrowPicture(sdDescending);
        QCOMPARE(up.size(), QSize(8, 7));
        QCOMPARE(down.size(), QSize(8, 7));
        // UP: a point at the top, wide at the bottom; DOWN the other way round.
        QVERIFY(ink(up, 3, 0) && !ink(up, 0, 0) && !ink(up, 7, 0));
        QVERIFY(ink(up, 0, 6) && ink(up, 7, 6));
        QVERIFY(ink(down, 0, 0) && ink(down, 7, 0));
        QVERIFY(ink(down, 3, 6) && !ink(down, 0, 6) && !ink(down, 7, 6));
    }

    void fitsColumnWidth_data() {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<int>("headerExtra");
        QTest::addColumn<int>("expected");
        QTest::newRow("widest cell plus X") << "Nr." << QStringList{"1", "12345", ""} << 0 << 60;
        QTest::newRow("header with points") << "Nr." << QStringList{"1"} << 0 << 33;
        QTest::newRow("sorted header counts 12 wider") << "Fahrzeug" << QStringList{"Golf"} << 12 << 102;
        QTest::newRow("header wins unsorted") << "Fahrzeug" << QStringList{"Golf"} << 0 << 90;
        QTest::newRow("all empty") << "" << QStringList{"", ""} << 12 << 20;
    }
    void fitsColumnWidth() {
        QFETCH(QString, header);
        QFETCH(QStringList, cells);
        QFETCH(int, headerExtra);
        QFETCH(int, expected);
        QCOMPARE(fitColumnWidth(header, cells, headerExtra, lettersAndPoints), expected);
    }
};

QTEST_MAIN(TestSortGridPaint)
#include "test_sort_grid_paint.moc"
