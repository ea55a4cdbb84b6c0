#include "settings/window_placement.h"

#include <QTest>

using Screens = QList<QRect>;

class TestWindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void placesOnReachableScreen_data() {
        QTest::addColumn<QPoint>("stored");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Screens>("screens");
        QTest::addColumn<QPoint>("expected");
        const QRect hd(0, 0, 1920, 1080);
        const QRect rightOfHd(1920, 0, 1280, 1024);
        const QSize design(850, 572);
        QTest::newRow("on primary") << QPoint(100, 50) << design << Screens{hd} << QPoint(100, 50);
        QTest::newRow("on second screen") << QPoint(2000, 100) << design << Screens{hd, rightOfHd} << QPoint(2000, 100);
        QTest::newRow("straddling both") << QPoint(1500, 100) << design << Screens{hd, rightOfHd} << QPoint(1500, 100);
        QTest::newRow("second screen gone") << QPoint(2000, 100) << design << Screens{hd} << QPoint(1070, 100);
        QTest::newRow("far up and left") << QPoint(-5000, -3000) << design << Screens{hd} << QPoint(0, 0);
        QTest::newRow("title bar above the top") << QPoint(100, -20) << design << Screens{hd} << QPoint(100, 0);
        QTest::newRow("only a corner showing") << QPoint(1900, 1070) << design << Screens{hd} << QPoint(1070, 508);
        QTest::newRow("primary not at the origin")
            << QPoint(5000, 0) << design << Screens{QRect(1920, 0, 1920, 1080), hd} << QPoint(2990, 0);
        QTest::newRow("wider than the primary")
            << QPoint(-4000, 0) << QSize(3000, 700) << Screens{hd, rightOfHd} << QPoint(0, 0);
        QTest::newRow("no screens known") << QPoint(-5000, 0) << design << Screens{} << QPoint(-5000, 0);
    }
    void placesOnReachableScreen() {
        QFETCH(QPoint, stored);
        QFETCH(QSize, size);
        QFETCH(Screens, screens);
        QFETCH(QPoint, expected);
        Settings s;
        s.Left = stored.x();
        s.Top = stored.y();
        s.Width = size.width();
        s.Height = size.height();
        const WindowPlacement placement = mainWindowPlacement(s, screens);
        QCOMPARE(placement.position, std::optional<QPoint>(expected));
        QCOMPARE(placement.size, size);
    }

    void sizeKeepsMinimum_data() {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("smaller") << QSize(600, 400) << QSize(850, 572);
        QTest::newRow("narrower only") << QSize(10, 900) << QSize(850, 900);
        QTest::newRow("negative") << QSize(-1, -1) << QSize(850, 572);
        QTest::newRow("larger") << QSize(1200, 800) << QSize(1200, 800);
        // A hand-edited size is cut to the largest screen instead of asking gigabytes.
        QTest::newRow("beyond every screen") << QSize(100000, 100000) << QSize(1920, 1080);
    }
    void sizeKeepsMinimum() {
        QFETCH(QSize, stored);
        QFETCH(QSize, expected);
        Settings s;
        s.Left = -3000; // off screen as well: the minimum holds while moving
        s.Top = 0;
        s.Width = stored.width();
        s.Height = stored.height();
        const WindowPlacement placement = mainWindowPlacement(s, {QRect(0, 0, 1920, 1080)});
        QCOMPARE(placement.size, expected);
        QCOMPARE(placement.position, std::optional<QPoint>(QPoint(0, 0)));
    }

    void unsetPositionLeavesPlacementToSystem() {
        Settings s;
        QVERIFY(!mainWindowPlacement(s, {QRect(0, 0, 1920, 1080)}).position);
        s.Left = 100; // the reading ended before "Top"
        QVERIFY(!mainWindowPlacement(s, {QRect(0, 0, 1920, 1080)}).position);
    }
};

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "test_window_placement.moc"
